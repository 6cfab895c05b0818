// The toolkit's message boxes and file dialog behind the window's dialog seam.
#include "app/user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMap>
#include <QPushButton>

namespace lintaro::app {

QMessageBox::StandardButton QtUserDialogs::ShowMessageBox(QWidget* parent,
                                                          const MessageBoxRequest& box) {
    QMessageBox message(box.icon, box.caption, box.text, QMessageBox::NoButton, parent);
    message.setAccessibleName(box.caption);
    message.setAccessibleDescription(box.text);
    QMap<QAbstractButton*, QMessageBox::StandardButton> answers;
    int next_text = 0;
    for (const QMessageBox::StandardButton button :
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok}) {
        if (!box.buttons.testFlag(button)) continue;
        QAbstractButton* added = nullptr;
        if (next_text < box.button_texts.size()) {
            const QMessageBox::ButtonRole role = button == QMessageBox::Yes ? QMessageBox::YesRole
                                                 : button == QMessageBox::No
                                                     ? QMessageBox::NoRole
                                                     : QMessageBox::AcceptRole;
            added = message.addButton(box.button_texts[next_text++], role);
        } else {
            added = message.addButton(button);
        }
        answers[added] = button;
        if (button == box.default_button)
            message.setDefaultButton(qobject_cast<QPushButton*>(added));
        if (button == QMessageBox::No ||
            (button == QMessageBox::Ok && !box.buttons.testFlag(QMessageBox::No))) {
            message.setEscapeButton(added);
        }
    }
    message.exec();
    const auto answer = answers.find(message.clickedButton());
    if (answer != answers.end()) return answer.value();
    return box.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
}

std::optional<QString> QtUserDialogs::AskSaveFileName(QWidget* parent,
                                                      const SaveFileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.default_suffix);
    dialog.selectFile(request.proposed_name);
    if (!request.confirm_overwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtUserDialogs::ShowModal(QDialog& dialog) { dialog.exec(); }

}  // namespace lintaro::app
