// The one place where the main window meets modal boxes, file dialogs and modal windows. The
// program answers them with Qt's own dialogs; tests answer them without a modal loop.
#pragma once

#include <QList>
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

// One type of file a save dialog offers.
struct SaveFileType {
    QString filter;  // "Description (*.ext)"
    QString suffix;  // "ext": added when the user types a name without one while it is chosen
};

// A save-file dialog as the window asks for it.
struct SaveFileRequest {
    QString proposed_name;      // file name offered at first
    QList<SaveFileType> types;  // at least one; the first is chosen at first
    bool confirm_overwrite = false;
};

// What the user chose in a save-file dialog.
struct SaveFileAnswer {
    QString file_name;  // with the chosen type's suffix when the user typed none
    int type = 0;       // index into the request's types
};

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // Shows the box modally and returns the button pressed; a box closed otherwise answers with
    // its No button when it has one, otherwise with Ok.
    virtual QMessageBox::StandardButton ShowMessageBox(QWidget* parent,
                                                       const MessageBoxRequest& box) = 0;
    // Asks for a file to save to: the chosen name (the chosen type's suffix added when the user
    // gave none) and type, or nullopt when the user cancelled.
    virtual std::optional<SaveFileAnswer> AskSaveFileName(QWidget* parent,
                                                          const SaveFileRequest& request) = 0;
    // Shows a window modally; returns when it closes.
    virtual void ShowModal(QDialog& dialog) = 0;
};

// The toolkit's dialogs.
class QtUserDialogs : public UserDialogs {
  public:
    QMessageBox::StandardButton ShowMessageBox(QWidget* parent,
                                               const MessageBoxRequest& box) override;
    std::optional<SaveFileAnswer> AskSaveFileName(QWidget* parent,
                                                  const SaveFileRequest& request) override;
    void ShowModal(QDialog& dialog) override;
};

}  // namespace lintaro::app
