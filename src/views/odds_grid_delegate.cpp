// Cell drawing of the odds grid.
#include "views/odds_grid_delegate.h"

#include <QApplication>
#include <QPainter>

#include "views/odds_grid_model.h"

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

void OddsGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(OddsGridModel::kIsGroupRole).toBool()) return;
    painter->save();
    painter->setPen(line_colour_);
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}

}  // namespace lintaro::views
