// The about window's layout, its drawn pieces and the contact link.
#include "views/about_window.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "views/app_icon.h"
#include "views/readable_colour.h"
#include "views/window_placement.h"

namespace lintaro::views {

namespace {

constexpr QColor kRed{255, 0, 0};

QLabel* AddValue(const QString& text, QPoint at, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setMargin(0);
    label->setIndent(0);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->move(at);
    label->adjustSize();
    return label;
}

// A field name, where its text starts and where the value on its line starts.
struct FieldSlot {
    const char* name;
    QPoint at;
    int value_x;
};

constexpr FieldSlot kFields[] = {
    {"Product Name", {82, 10}, 180}, {"Version", {82, 30}, 180},  {"Programming", {6, 60}, 82},
    {"Contact", {30, 101}, 82},      {"Comments", {18, 126}, 82},
};

// `font` at the largest pixel size from kFontPixelSize down at which every field name, with its
// embossed copy, ends kNameGap pixels before its value; the smallest size when none does.
QFont FittingFont(QFont font) {
    for (int size = Tfsh_About::kFontPixelSize; size > Tfsh_About::kSmallestFontPixelSize; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (const FieldSlot& field : kFields) {
            const int end = field.at.x() + metrics.horizontalAdvance(QString::fromUtf8(field.name));
            fits = fits && end + 1 + Tfsh_About::kNameGap <= field.value_x;
        }
        if (fits) return font;
    }
    font.setPixelSize(Tfsh_About::kSmallestFontPixelSize);
    return font;
}

}  // namespace

EmbossedLabel::EmbossedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    resize(sizeHint());
}

void EmbossedLabel::MoveText(QPoint text_origin) { move(text_origin - QPoint(1, 1)); }

QSize EmbossedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 1, metrics.height() + 1);
}

void EmbossedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int baseline = QFontMetrics(font()).ascent();
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(QPoint(0, baseline), text());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPoint(1, baseline + 1), text());
}

BevelPanel::BevelPanel(QWidget* parent) : QFrame(parent) {}

void BevelPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const auto bevel = [&painter](QRect r, const QColor& top_left, const QColor& bottom_right) {
        painter.setPen(top_left);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottom_right);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    const QRect outer = rect();
    bevel(outer, shadow, light);                         // lowered
    bevel(outer.adjusted(1, 1, -1, -1), light, shadow);  // raised
}

ContactLink::ContactLink(const QString& address, QWidget* parent) : QAbstractButton(parent) {
    setText(address);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(address);
    setAccessibleDescription(QStringLiteral("Написать письмо по этому адресу"));
    resize(sizeHint());
}

QSize ContactLink::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()), metrics.height());
}

QColor ContactLink::TextColor() const {
    return ReadableTextColour(color_, palette().color(QPalette::Window),
                              palette().color(QPalette::Link));
}

void ContactLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(TextColor());
    painter.drawText(QPoint(0, QFontMetrics(font()).ascent()), text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void ContactLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ContactLink::enterEvent(QEnterEvent* event) {
    color_ = kBlue;
    setCursor(Qt::PointingHandCursor);
    update();
    QAbstractButton::enterEvent(event);
}

void ContactLink::leaveEvent(QEvent* event) {
    color_ = kNavy;
    unsetCursor();
    update();
    QAbstractButton::leaveEvent(event);
}

Tfsh_About::Tfsh_About(QWidget* parent, std::span<const uint8_t> version_record)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      open_link_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("fsh_About"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(300, 214);
    setFont(FittingFont(font()));

    panel_ = new BevelPanel(this);
    panel_->setGeometry(5, 5, 290, 176);

    auto* picture = new QLabel(panel_);
    picture->setGeometry(8, 8, 32, 32);
    picture->setPixmap(ApplicationPixmap(32));
    picture->setAccessibleName(QStringLiteral("Lintaro"));

    const QColor text_color = palette().color(QPalette::WindowText);
    // Each name comes just before its value, so that assistive technology reads them in pairs.
    const auto field = [this](const FieldSlot& slot) {
        (new EmbossedLabel(QString::fromUtf8(slot.name), panel_))->MoveText(slot.at);
    };
    field(kFields[0]);
    AddValue(QStringLiteral("Lintaro"), {180, 10}, kRed, panel_)
        ->setAccessibleDescription(QStringLiteral("Product Name"));
    field(kFields[1]);
    lbl_version_ = AddValue(QStringLiteral("3.0"), {180, 30}, kRed, panel_);
    lbl_version_->setObjectName(QStringLiteral("lbl_Version"));
    field(kFields[2]);
    AddValue(QString::fromUtf8(kAuthorName), {82, 60}, text_color, panel_)
        ->setAccessibleDescription(QStringLiteral("Programming"));
    field(kFields[3]);
    lbl_mail_ = new ContactLink(QString::fromUtf8(kContactAddress), panel_);
    lbl_mail_->setObjectName(QStringLiteral("lbl_Mail"));
    lbl_mail_->move(82, 101);
    connect(lbl_mail_, &QAbstractButton::clicked, this, &Tfsh_About::lbl_MailClick);
    field(kFields[4]);
    auto* comments =
        AddValue(QStringLiteral("Просмотрщик линии БК Марафон"), {82, 126}, text_color, panel_);
    comments->setAccessibleDescription(QStringLiteral("Comments"));
    comments->setWordWrap(true);
    comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    comments->setGeometry(82, 126, 164, 39);

    ok_button_ = new QPushButton(QStringLiteral("OK"), this);
    ok_button_->setGeometry(115, 185, 75, 25);
    ok_button_->setDefault(true);
    ok_button_->setAutoDefault(true);
    connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(ok_button_, lbl_mail_);

    // The version as the record gives it; "3.0" stays when the record has none.
    const QString version = ReadFileVersion(version_record, lbl_version_->text());
    lbl_version_->setText(version);
    lbl_version_->adjustSize();
    lbl_version_->setAccessibleDescription(QStringLiteral("Version"));
}

void Tfsh_About::lbl_MailClick() {
    if (lbl_mail_->text().isEmpty()) return;
    const QString link =
        (QStringLiteral("mailto:") + lbl_mail_->text() + QStringLiteral("?subject=Lintaro"))
            .left(255);
    open_link_(QUrl(link));
}

void Tfsh_About::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ok_button_->setFocus();
    CentreOnScreen(this);
}

}  // namespace lintaro::views
