// The toolkit's message boxes and file dialog behind the window's dialog seam.
#include "app/user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMap>
#include <QPushButton>
#include <algorithm>

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

std::optional<SaveFileAnswer> QtUserDialogs::AskSaveFileName(QWidget* parent,
                                                             const SaveFileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const SaveFileType& type : request.types) filters << type.filter;
    dialog.setNameFilters(filters);
    const auto type_of = [&filters](const QString& filter) {
        return std::max<qsizetype>(0, filters.indexOf(filter));
    };
    // A name typed without a suffix takes the suffix of the type chosen at that moment.
    if (!request.types.isEmpty()) dialog.setDefaultSuffix(request.types.first().suffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &request, &type_of](const QString& filter) {
                         dialog.setDefaultSuffix(request.types.value(type_of(filter)).suffix);
                     });
    dialog.selectFile(request.proposed_name);
    if (!request.confirm_overwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveFileAnswer{dialog.selectedFiles().first(),
                          static_cast<int>(type_of(dialog.selectedNameFilter()))};
}

void QtUserDialogs::ShowModal(QDialog& dialog) { dialog.exec(); }

}  // namespace lintaro::app
