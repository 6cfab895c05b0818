// The about window: product name, the version read from the program's version record, the
// authors, a contact address that opens a new mail message, and a one-line description, laid out
// to the pixel on a bevelled panel.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>

#include "views/version_record.h"

class QPushButton;

namespace lintaro::views {

// The authors and their contact address, as the about window shows them.
inline constexpr char kAuthorName[] = "Lintaro developers";
inline constexpr char kContactAddress[] = "lintaro@example.org";

// A field name drawn embossed: the text in the window text colour over a copy in the button
// highlight colour one pixel up and to the left. The widget starts one pixel up and to the left of
// where the text starts, so that the copy fits; place it with MoveText().
// A label underneath, so that assistive technology reads it as one.
class EmbossedLabel : public QLabel {
    Q_OBJECT
  public:
    EmbossedLabel(const QString& text, QWidget* parent);
    // Places the widget so that the text's top-left corner is at `text_origin` of the parent.
    void MoveText(QPoint text_origin);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A panel drawn with a lowered outer and a raised inner bevel, one pixel each.
class BevelPanel : public QFrame {
    Q_OBJECT
  public:
    explicit BevelPanel(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The contact address: navy and underlined, blue with a hand cursor while the pointer is over it
// (both give way to the theme's link colour on a background where they would not read).
// A button underneath, so that the keyboard (Tab, then Space) and assistive technology can press
// it too.
class ContactLink : public QAbstractButton {
    Q_OBJECT
  public:
    static constexpr QColor kNavy{0, 0, 128};
    static constexpr QColor kBlue{0, 0, 255};

    ContactLink(const QString& address, QWidget* parent);
    // The colour the address is drawn in now: navy, or blue under the pointer, unless the theme's
    // background leaves that too faint, in which case the theme's link colour.
    QColor TextColor() const;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;  // Enter opens the link, as Space does
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QColor color_ = kNavy;
};

// The window is laid out in pixels for a font 11 pixels high. It takes the desktop's font family at
// the largest size up to that which leaves every field name a visible gap before its value, since
// a desktop face may run wider than the bitmap face the layout was made for.
class Tfsh_About : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kFontPixelSize = 11;
    static constexpr int kSmallestFontPixelSize = 7;
    // The least room, in pixels, between the end of a field name and its value.
    static constexpr int kNameGap = 4;

    // Fills the picture and the version from `version_record` (the program's own by default).
    explicit Tfsh_About(QWidget* parent = nullptr,
                        std::span<const uint8_t> version_record = ProgramVersionRecord());

    QLabel* lbl_Version() const { return lbl_version_; }
    ContactLink* lbl_Mail() const { return lbl_mail_; }
    QPushButton* OkButton() const { return ok_button_; }
    BevelPanel* Panel() const { return panel_; }

    // Opens a link with the user's program for it; QDesktopServices by default. Tests replace it.
    void SetLinkOpener(std::function<bool(const QUrl&)> opener) { open_link_ = std::move(opener); }

    // The contact link's click: "mailto:", the address and "?subject=Lintaro", handed to the
    // desktop. Does nothing when the address is empty; a missing mail program is not reported.
    void lbl_MailClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    BevelPanel* panel_ = nullptr;
    QLabel* lbl_version_ = nullptr;
    ContactLink* lbl_mail_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    std::function<bool(const QUrl&)> open_link_;
};

}  // namespace lintaro::views
