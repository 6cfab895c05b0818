// Answers the main window's boxes and dialogs without a modal loop, and records what was asked;
// waits for a refresh to end.
#pragma once

#include <QDialog>
#include <QList>
#include <QTest>
#include <deque>
#include <functional>
#include <optional>

#include "app/main_window.h"
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
    std::optional<SaveFileAnswer> AskSaveFileName(QWidget*,
                                                  const SaveFileRequest& request) override {
        saves.append(request);
        if (!save_answer) return std::nullopt;
        return SaveFileAnswer{*save_answer, save_type};
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
    std::optional<QString> save_answer;  // the name the user gave; nullopt: cancelled
    int save_type = 0;                   // the type chosen in the dialog
    QList<QDialog*> modals;
    std::function<void(QDialog&)> on_modal;
};

// Runs the event loop until the window's refresh (which runs on its worker) has ended; false when
// it is still running after `timeout_ms`.
inline bool WaitForRefresh(const TfrmMain& window, int timeout_ms = 20000) {
    return QTest::qWaitFor([&] { return !window.IsRefreshing(); }, timeout_ms);
}

}  // namespace lintaro::app::testing
