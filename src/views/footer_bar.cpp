// The footer's count cell.
#include "views/footer_bar.h"

#include <QAccessible>
#include <QHeaderView>
#include <algorithm>

namespace lintaro::views {

// Room between the count and the status text, and at the footer's right end.
namespace {
constexpr int kStatusGap = 8;
}  // namespace

FooterBar::FooterBar(QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)), status_(new QLabel(this)) {
    setAccessibleName(QStringLiteral("Итоги"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    label_->setObjectName(QStringLiteral("footer_count"));
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label_->setAutoFillBackground(true);
    label_->setBackgroundRole(QPalette::Base);
    status_->setObjectName(QStringLiteral("footer_status"));
    status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_->setTextFormat(Qt::PlainText);
    status_->setAccessibleDescription(QStringLiteral("Состояние"));
}

void FooterBar::SetStatus(const QString& text) {
    if (text == status_->text()) return;
    status_->setText(text);
    status_->setToolTip(text);
    status_->setAccessibleName(text);
    if (!text.isEmpty() && QAccessible::isActive()) {
        // Said at once, not only when someone looks at the footer.
        QAccessibleEvent changed(status_, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
        QAccessibleEvent alert(status_, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

QString FooterBar::Status() const { return status_->text(); }

void FooterBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceStatus();
}

void FooterBar::PlaceStatus() {
    const int left = !label_->isHidden() ? label_->geometry().right() + 1 + kStatusGap : kStatusGap;
    status_->setGeometry(left, 1, std::max(0, width() - left - kStatusGap), height() - 2);
}

void FooterBar::SetText(const QString& text) {
    label_->setText(text);
    label_->setAccessibleName(text);
}

QString FooterBar::Text() const { return label_->text(); }

void FooterBar::Follow(const QHeaderView& header, int column, int x_origin) {
    if (column < 0 || column >= header.count() || header.isSectionHidden(column)) {
        label_->hide();
        PlaceStatus();
        return;
    }
    label_->setGeometry(x_origin + header.sectionViewportPosition(column), 1,
                        header.sectionSize(column), height() - 2);
    label_->show();
    PlaceStatus();
}

QSize FooterBar::sizeHint() const { return {100, label_->fontMetrics().height() + 8}; }

}  // namespace lintaro::views
