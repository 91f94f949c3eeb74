#include "shell/Dialogs.h"

#include <QFileDialog>

namespace pellvane {

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget& parent, const FileRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(&parent, request.title);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The patterns stay out of sight; the filters show by their translated names.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(request.nameFilters);
    return dialog;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget& parent, const UserMessage& message) {
    auto box =
        std::make_unique<QMessageBox>(message.icon, message.title, message.text, QMessageBox::Ok, &parent);
    // Messages can carry text read from the file, which must never be taken as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

QString ChooseFileWithDialog(QWidget& parent, const FileRequest& request) {
    const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

void ShowMessageBox(QWidget& parent, const UserMessage& message) {
    MakeMessageBox(parent, message)->exec();
}

} // namespace pellvane
