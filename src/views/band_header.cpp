// Band captions laid over the column header's sections.
#include "views/band_header.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>
#include <climits>

#include "views/grid_qstring.h"
#include "views/odds_grid_model.h"

namespace lintaro::views {

BandHeader::BandHeader(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Заголовки групп столбцов"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void BandHeader::SetBands(const grid::GridLayout& layout, const QFont& font,
                          const QColor& text_colour, const QColor& background) {
    const auto& bands = layout.Bands();
    while (labels_.size() < bands.size()) {
        auto* label = new QLabel(this);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Raised);
        label->setAutoFillBackground(true);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        labels_.push_back(label);
    }
    for (size_t band = 0; band < bands.size(); ++band) {
        QLabel* label = labels_[band];
        const QString caption = FromCp1251(bands[band].caption);
        label->setText(caption);
        label->setAccessibleName(caption);
        label->setObjectName(QStringLiteral("band_%1").arg(band));
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, text_colour);
        palette.setColor(QPalette::Window, background);
        label->setPalette(palette);
    }
    updateGeometry();
}

void BandHeader::Follow(QHeaderView& header, const OddsGridModel& model, int x_origin) {
    const grid::GridLayout& layout = model.Tree().Layout();
    header_ = &header;
    const int h = height();
    last_sections_.assign(labels_.size(), -1);
    for (size_t band = 0; band < labels_.size(); ++band) {
        int left = INT_MAX, right = INT_MIN;
        for (int column = 0; column < layout.ColumnCount(); ++column) {
            const int section = model.ModelColumn(column);
            if (layout.Column(column).band != static_cast<int>(band) || section < 0 ||
                section >= header.count() || header.isSectionHidden(section)) {
                continue;
            }
            const int x = header.sectionViewportPosition(section);
            left = std::min(left, x);
            if (x + header.sectionSize(section) > right) {
                right = x + header.sectionSize(section);
                last_sections_[band] = section;
            }
        }
        // Only the part over the header's viewport shows (not over the scroll bar).
        left = std::max(left, 0);
        right = std::min(right, header.viewport()->width());
        QLabel* label = labels_[band];
        if (left >= right || !layout.Bands()[band].visible) {
            label->hide();
            continue;
        }
        label->setGeometry(x_origin + left, 0, right - left, h);
        label->show();
    }
}

bool BandHeader::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    const auto it = std::find(labels_.begin(), labels_.end(), label);
    if (it == labels_.end() || !header_) return QWidget::eventFilter(watched, event);
    const int band = static_cast<int>(it - labels_.begin());
    constexpr int kGrip = 4;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const int section =
                band < static_cast<int>(last_sections_.size()) ? last_sections_[band] : -1;
            if (mouse->button() == Qt::LeftButton && section >= 0 &&
                mouse->position().x() >= label->width() - kGrip) {
                resizing_section_ = section;
                resize_start_x_ = static_cast<int>(mouse->globalPosition().x());
                resize_start_size_ = header_->sectionSize(section);
                return true;
            }
            break;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (resizing_section_ >= 0) {
                const int delta = static_cast<int>(mouse->globalPosition().x()) - resize_start_x_;
                header_->resizeSection(resizing_section_, std::max(header_->minimumSectionSize(),
                                                                   resize_start_size_ + delta));
                return true;
            }
            label->setCursor(mouse->position().x() >= label->width() - kGrip ? Qt::SplitHCursor
                                                                             : Qt::ArrowCursor);
            break;
        }
        case QEvent::MouseButtonRelease:
            if (resizing_section_ >= 0) {
                resizing_section_ = -1;
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

QLabel* BandHeader::BandLabel(int band) const {
    return band >= 0 && band < static_cast<int>(labels_.size()) ? labels_[band] : nullptr;
}

QSize BandHeader::sizeHint() const {
    const int text = fontMetrics().height();
    int h = text + 6;
    if (!labels_.empty()) h = labels_.front()->fontMetrics().height() + 6;
    return {100, h};
}

}  // namespace lintaro::views
