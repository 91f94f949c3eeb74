#include "shell/Dialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>

namespace pellvane {

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget& parent, const FileRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(&parent, request.title);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The patterns stay out of sight; the filters show by their translated names.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(request.nameFilters);
    if (!request.folder.isEmpty()) dialog->setDirectory(request.folder);
    return dialog;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget& parent, const UserMessage& message) {
    auto box =
        std::make_unique<QMessageBox>(message.icon, message.title, message.text, QMessageBox::Ok, &parent);
    // Messages can carry text read from the file, which must never be taken as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

void CloseOpenDialog(QFileDialog& dialog) {
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (completer->popup()) completer->popup()->hide();
    dialog.hide();
}

QString ChooseFileWithDialog(QWidget& parent, const FileRequest& request) {
    const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(parent, request);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    CloseOpenDialog(*dialog);
    if (!accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

void ShowMessageBox(QWidget& parent, const UserMessage& message) {
    MakeMessageBox(parent, message)->exec();
}

} // namespace pellvane
