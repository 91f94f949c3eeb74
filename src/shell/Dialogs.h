#pragma once
// The modal dialogs the main window opens: the open dialog and its message boxes. The window
// asks through a chooser and a presenter it is handed, so that tests answer in code instead of
// racing a real dialog with a timer; the real ones below are its defaults.

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

namespace pellvane {

// What the open dialog shows: its caption, its filters in the order offered, and the folder
// it opens in (the last one a file was chosen from; empty for the dialog's own choice).
struct FileRequest {
    QString title;
    QStringList nameFilters;
    QString folder = {};
};

// Asks the user for one existing file: its path, or an empty string when the user cancels.
using FileChooser = std::function<QString(QWidget& parent, const FileRequest& request)>;

// A message the user closes before the window goes on.
struct UserMessage {
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
};

// Shows the message and returns once the user has closed it.
using MessagePresenter = std::function<void(QWidget& parent, const UserMessage& message)>;

// The real dialogs, built but not shown.
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget& parent, const FileRequest& request);
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget& parent, const UserMessage& message);

// Closes an open dialog that has been answered, with the name-completion popup of its file
// name field: that popup is a window of its own and would otherwise stay on screen until the
// dialog is destroyed, through a whole analysis.
void CloseOpenDialog(QFileDialog& dialog);

// The real chooser and presenter: the dialogs above, shown modally.
QString ChooseFileWithDialog(QWidget& parent, const FileRequest& request);
void ShowMessageBox(QWidget& parent, const UserMessage& message);

} // namespace pellvane
