// Cell drawing of the odds grid.
#include "views/odds_grid_delegate.h"

#include <QApplication>
#include <QPainter>

#include "grid/grid_layout.h"
#include "views/odds_grid_model.h"
#include "views/readable_colour.h"

namespace lintaro::views {

OddsGridDelegate::OddsGridDelegate(QObject* parent)
    : QStyledItemDelegate(parent), line_colour_(QColor(212, 208, 200)) {}

void OddsGridDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    const QPalette base_palette = option->palette;
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->state & QStyle::State_Selected) {
        // A selected row shows its texts in the selection colours, never in navy.
        option->palette.setBrush(QPalette::Text, base_palette.brush(QPalette::Text));
    }
    if (index.data(OddsGridModel::kIsGroupRole).toBool()) {
        // The view draws a group row's text once, across the row.
        option->text.clear();
        option->features &= ~QStyleOptionViewItem::HasDisplay;
    }
}

QColor OddsGridDelegate::TextColour(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    if (option.state & QStyle::State_Selected) {
        return option.palette.color(group, QPalette::HighlightedText);
    }
    const auto background_kind =
        static_cast<grid::ColumnBackground>(index.data(OddsGridModel::kBackgroundKindRole).toInt());
    // A background that no theme changes takes the text colour it was chosen for.
    if (background_kind == grid::ColumnBackground::kApricot) return QColor(Qt::black);
    const QVariant cell_background = index.data(Qt::BackgroundRole);
    const QColor background = cell_background.isValid()
                                  ? cell_background.value<QColor>()
                                  : option.palette.color(group, QPalette::Base);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.isValid()) {
        return ReadableTextColour(foreground.value<QColor>(), background,
                                  option.palette.color(group, QPalette::Link));
    }
    return option.palette.color(group, background_kind == grid::ColumnBackground::kInfo
                                           ? QPalette::ToolTipText
                                           : QPalette::Text);
}

void OddsGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (index.data(OddsGridModel::kIsGroupRole).toBool()) {
        // Branches, background and text of group rows are the view's.
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Event cells are plain: a background, one line of text, grid lines. Drawn directly rather
    // than through the style's item drawing, which lays out rich text per cell and would make a
    // full viewport of a day's line slow to paint.
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QRect r = option.rect;
    if (selected) {
        painter->fillRect(r, option.palette.brush(group, QPalette::Highlight));
    } else {
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.isValid()) painter->fillRect(r, background.value<QColor>());
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const QColor colour = TextColour(option, index);
        const QVariant font_value = index.data(Qt::FontRole);
        const QFont font = font_value.isValid() ? font_value.value<QFont>() : option.font;
        const Qt::Alignment alignment = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        const QRect text_rect = r.adjusted(3, 0, -3, 0);
        const QFontMetrics metrics(font);
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(text_rect, static_cast<int>(alignment) | Qt::TextSingleLine,
                          metrics.elidedText(text, Qt::ElideRight, text_rect.width()));
    }
    painter->setPen(line_colour_);
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
}

}  // namespace lintaro::views
