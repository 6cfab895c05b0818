// Group rows drawn across the row.
#include "views/odds_grid_tree_view.h"

#include <QHeaderView>
#include <QPainter>

#include "views/odds_grid_model.h"

namespace lintaro::views {

OddsGridTreeView::OddsGridTreeView(QWidget* parent) : QTreeView(parent) {}

void OddsGridTreeView::SetGroupRowColours(const QColor& background, const QColor& text) {
    group_background_ = background;
    group_text_ = text;
}

void OddsGridTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    if (!index.data(OddsGridModel::kIsGroupRole).toBool()) return;
    const QModelIndex text_index = index.siblingAtColumn(OddsGridModel::kIndentColumn);
    const QRect cell = visualRect(text_index);
    const QRect rect(cell.left(), option.rect.top(), viewport()->width() - cell.left(),
                     option.rect.height());
    const bool selected = selectionModel() && selectionModel()->isSelected(text_index);
    painter->save();
    if (selected) {
        painter->fillRect(rect, option.palette.brush(QPalette::Highlight));
        painter->setPen(option.palette.color(QPalette::HighlightedText));
    } else {
        painter->fillRect(rect, group_background_.isValid()
                                    ? QBrush(group_background_)
                                    : option.palette.brush(QPalette::Button));
        painter->setPen(group_text_.isValid() ? group_text_ : option.palette.color(QPalette::Text));
    }
    painter->setFont(font());
    painter->drawText(rect.adjusted(3, 0, -3, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      text_index.data(Qt::DisplayRole).toString());
    painter->restore();
}

}  // namespace lintaro::views
