// The one place where the main window meets modal boxes, file dialogs and modal windows. The
// program answers them with Qt's own dialogs; tests answer them without a modal loop.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace lintaro::app {

// A message box as the window asks for it.
struct MessageBoxRequest {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // The buttons, among Ok, Yes and No, shown in the order Yes, No, Ok.
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // A dialog the program builds itself gives each button its own text here, in the order of the
    // buttons; empty: the toolkit's standard texts.
    QStringList button_texts;
    // The button Enter presses.
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
};

// A save-file dialog as the window asks for it.
struct SaveFileRequest {
    QString proposed_name;   // file name offered at first
    QString filter;          // one entry: "Description (*.ext)"
    QString default_suffix;  // added when the user types a name without one
    bool confirm_overwrite = false;
};

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // Shows the box modally and returns the button pressed; a box closed otherwise answers with
    // its No button when it has one, otherwise with Ok.
    virtual QMessageBox::StandardButton ShowMessageBox(QWidget* parent,
                                                       const MessageBoxRequest& box) = 0;
    // Asks for a file to save to: the chosen name (the default suffix added when the user gave
    // none), or nullopt when the user cancelled.
    virtual std::optional<QString> AskSaveFileName(QWidget* parent,
                                                   const SaveFileRequest& request) = 0;
    // Shows a window modally; returns when it closes.
    virtual void ShowModal(QDialog& dialog) = 0;
};

// The toolkit's dialogs.
class QtUserDialogs : public UserDialogs {
  public:
    QMessageBox::StandardButton ShowMessageBox(QWidget* parent,
                                               const MessageBoxRequest& box) override;
    std::optional<QString> AskSaveFileName(QWidget* parent,
                                           const SaveFileRequest& request) override;
    void ShowModal(QDialog& dialog) override;
};

}  // namespace lintaro::app
