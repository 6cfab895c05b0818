// Group rows drawn across the row.
#include "views/odds_grid_tree_view.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "views/odds_grid_model.h"

namespace lintaro::views {

OddsGridTreeView::OddsGridTreeView(QWidget* parent) : QTreeView(parent) {}

void OddsGridTreeView::SetGroupRowColours(const QColor& background, const QColor& text) {
    group_background_ = background;
    group_text_ = text;
}

// Room the delegate leaves beside a cell's text.
constexpr int kCellTextMargin = 6;

bool OddsGridTreeView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    QString text;
    QRect cell;
    if (index.isValid()) {
        const bool group = index.data(OddsGridModel::kIsGroupRole).toBool();
        const QModelIndex text_index =
            group ? index.siblingAtColumn(OddsGridModel::kIndentColumn) : index;
        cell = visualRect(text_index);
        if (group) cell.setRight(viewport()->width());
        text = text_index.data(Qt::DisplayRole).toString();
        const QVariant font = text_index.data(Qt::FontRole);
        const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : this->font());
        // Only a text the cell cuts needs a tooltip.
        if (metrics.horizontalAdvance(text) + kCellTextMargin <= cell.width()) text.clear();
    }
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    }
    return true;
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
