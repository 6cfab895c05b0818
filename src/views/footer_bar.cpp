// The footer's count cell.
#include "views/footer_bar.h"

#include <QHeaderView>

namespace lintaro::views {

FooterBar::FooterBar(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
    setAccessibleName(QStringLiteral("Итоги"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    label_->setObjectName(QStringLiteral("footer_count"));
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label_->setAutoFillBackground(true);
    label_->setBackgroundRole(QPalette::Base);
}

void FooterBar::SetText(const QString& text) {
    label_->setText(text);
    label_->setAccessibleName(text);
}

QString FooterBar::Text() const { return label_->text(); }

void FooterBar::Follow(const QHeaderView& header, int column, int x_origin) {
    if (column < 0 || column >= header.count() || header.isSectionHidden(column)) {
        label_->hide();
        return;
    }
    label_->setGeometry(x_origin + header.sectionViewportPosition(column), 1,
                        header.sectionSize(column), height() - 2);
    label_->show();
}

QSize FooterBar::sizeHint() const { return {100, label_->fontMetrics().height() + 8}; }

}  // namespace lintaro::views
