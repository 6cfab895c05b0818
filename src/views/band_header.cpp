// Band captions laid over the column header's sections.
#include "views/band_header.h"

#include <QHeaderView>
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

void BandHeader::Follow(const QHeaderView& header, const grid::GridLayout& layout, int x_origin) {
    const int h = height();
    for (size_t band = 0; band < labels_.size(); ++band) {
        int left = INT_MAX, right = INT_MIN;
        for (int column = 0; column < layout.ColumnCount(); ++column) {
            const int section = OddsGridModel::ModelColumn(column);
            if (layout.Column(column).band != static_cast<int>(band) || section >= header.count() ||
                header.isSectionHidden(section)) {
                continue;
            }
            const int x = header.sectionViewportPosition(section);
            left = std::min(left, x);
            right = std::max(right, x + header.sectionSize(section));
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
