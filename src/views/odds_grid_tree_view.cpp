// Group rows drawn across the row.
#include "views/odds_grid_tree_view.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "views/odds_grid_model.h"
#include "views/readable_colour.h"

namespace lintaro::views {

namespace {

// Room around the empty-grid hint, so that it never touches the viewport's edges.
constexpr int kHintMargin = 8;

}  // namespace

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
        // Only a text the cell cuts needs a tooltip; a cell's own (what moved) comes after it.
        if (metrics.horizontalAdvance(text) + kCellTextMargin <= cell.width()) text.clear();
        const QString own = text_index.data(Qt::ToolTipRole).toString();
        if (!own.isEmpty()) text = text.isEmpty() ? own : text + QLatin1Char('\n') + own;
    }
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    }
    return true;
}

bool OddsGridTreeView::ShowsEmptyHint() const {
    const auto* grid_model = qobject_cast<const OddsGridModel*>(model());
    // Rows that a filter or a search hides are there to be shown again: no hint to load the line
    // then.
    return grid_model != nullptr && grid_model->rowCount() == 0 &&
           !grid_model->Tree().HasFilter() && grid_model->Tree().FindTextUtf8().empty() &&
           (!grid_model->Tree().HasRowRule() || grid_model->TableRowCount() == 0);
}

bool OddsGridTreeView::ShowsNothingMovedHint() const {
    const auto* grid_model = qobject_cast<const OddsGridModel*>(model());
    return grid_model != nullptr && grid_model->rowCount() == 0 &&
           grid_model->Tree().HasRowRule() && grid_model->TableRowCount() > 0 &&
           !grid_model->Tree().HasFilter() && grid_model->Tree().FindTextUtf8().empty();
}

QSize OddsGridTreeView::minimumSizeHint() const {
    const QSize standard = QTreeView::minimumSizeHint();
    const int header_height = header()->isHidden() ? 0 : header()->sizeHint().height();
    const int one_row = fontMetrics().height() + 2;
    const int height =
        header_height + one_row + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth();
    return {standard.width(), std::min(standard.height(), height)};
}

void OddsGridTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    const bool empty = ShowsEmptyHint();
    if (!empty && !ShowsNothingMovedHint()) return;
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(
        viewport()->rect().adjusted(kHintMargin, kHintMargin, -kHintMargin, -kHintMargin),
        Qt::AlignCenter | Qt::TextWordWrap, empty ? EmptyHint() : NothingMovedHint());
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
    const QRect text_rect = rect.adjusted(3, 0, -3, 0);
    const QString caption = text_index.data(Qt::DisplayRole).toString();
    painter->drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
    // A closed group tells how many prices under it moved, after its caption.
    if (!isExpanded(index.siblingAtColumn(0))) {
        const QString moved = text_index.data(OddsGridModel::kGroupMarksRole).toString();
        if (!moved.isEmpty()) {
            const QColor background = selected ? option.palette.color(QPalette::Highlight)
                                      : group_background_.isValid()
                                          ? group_background_
                                          : option.palette.color(QPalette::Button);
            DrawGroupMarks(painter, text_rect, fontMetrics().horizontalAdvance(caption), moved,
                           background, selected ? painter->pen().color() : QColor());
        }
    }
    painter->restore();
}

void OddsGridTreeView::DrawGroupMarks(QPainter* painter, const QRect& text_rect, int caption_width,
                                      const QString& moved, const QColor& background,
                                      const QColor& selected_text) const {
    // Each count in its mark's colour ("▲3" green, "▼2" red), readable on the row; on a selected
    // row all in the selection's text colour.
    const QFontMetrics metrics = fontMetrics();
    int x = text_rect.left() + caption_width + metrics.horizontalAdvance(QStringLiteral("    "));
    for (const QString& part : moved.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QColor colour = selected_text;
        if (!colour.isValid()) {
            CellMarkKind kind = CellMarkKind::kNew;
            if (part.startsWith(QChar(0x25B2))) kind = CellMarkKind::kUp;
            if (part.startsWith(QChar(0x25BC))) kind = CellMarkKind::kDown;
            if (part.startsWith(QChar(0x25C6))) kind = CellMarkKind::kLineChanged;
            colour = ReadableGraphicColour(MarkColour(kind), background);
        }
        painter->setPen(colour);
        const QRect at(x, text_rect.top(), text_rect.right() - x, text_rect.height());
        if (at.width() <= 0) break;
        painter->drawText(at, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, part);
        x += metrics.horizontalAdvance(part + QLatin1Char(' ')) +
             metrics.horizontalAdvance(QLatin1Char(' '));
    }
}

}  // namespace lintaro::views
