// Answers the main window's boxes and dialogs without a modal loop, and records what was asked.
#pragma once

#include <QDialog>
#include <QList>
#include <deque>
#include <functional>
#include <optional>

#include "app/user_dialogs.h"

namespace lintaro::app::testing {

class FakeDialogs : public UserDialogs {
  public:
    QMessageBox::StandardButton ShowMessageBox(QWidget*, const MessageBoxRequest& box) override {
        boxes.append(box);
        if (on_box) on_box(box);
        if (!box.buttons.testFlag(QMessageBox::Yes)) return QMessageBox::Ok;
        if (answers.empty()) return QMessageBox::Yes;
        const QMessageBox::StandardButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<QString> AskSaveFileName(QWidget*, const SaveFileRequest& request) override {
        saves.append(request);
        return save_answer;
    }
    void ShowModal(QDialog& dialog) override {
        modals.append(&dialog);
        if (on_modal) on_modal(dialog);
    }

    QList<MessageBoxRequest> boxes;
    // Answers to Yes/No boxes, in order; Yes once they run out.
    std::deque<QMessageBox::StandardButton> answers;
    std::function<void(const MessageBoxRequest&)> on_box;
    QList<SaveFileRequest> saves;
    std::optional<QString> save_answer;
    QList<QDialog*> modals;
    std::function<void(QDialog&)> on_modal;
};

}  // namespace lintaro::app::testing
