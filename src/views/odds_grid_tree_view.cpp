// Group rows drawn across the row, the cut cells' tooltips, the empty grid's hints, and the
// grid's keys.
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
        Qt::AlignCenter | Qt::TextWordWrap, empty ? EmptyHint() : row_rule_hint_);
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

int OddsGridTreeView::FocusedColumn() const {
    const auto* grid_model = qobject_cast<const OddsGridModel*>(model());
    const QModelIndex current = currentIndex();
    return grid_model && current.isValid() ? grid_model->LayoutColumn(current.column()) : -1;
}

bool OddsGridTreeView::IsGroupRow(const QModelIndex& index) const {
    return index.data(OddsGridModel::kIsGroupRole).toBool();
}

void OddsGridTreeView::keyPressEvent(QKeyEvent* event) {
    if (HandleGridKey(*event)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void OddsGridTreeView::MoveAlongRow(const QModelIndex& current, int step) {
    const auto* grid_model = qobject_cast<const OddsGridModel*>(model());
    const int first = grid_model && grid_model->HasIndentColumn() ? 1 : 0;
    const int next = current.column() + step;
    if (next < first || next >= model()->columnCount()) return;
    const QModelIndex cell = current.siblingAtColumn(next);
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    scrollTo(cell);
}

bool OddsGridTreeView::HandleGridKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const Qt::KeyboardModifiers ctrl_shift = Qt::ControlModifier | Qt::ShiftModifier;
    const QModelIndex current = currentIndex();
    const int column = FocusedColumn();
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (modifiers != Qt::NoModifier || !current.isValid()) return false;
            if (IsGroupRow(current)) {
                const QModelIndex row = current.siblingAtColumn(0);
                setExpanded(row, !isExpanded(row));
            } else {
                emit EventActivated();
            }
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            // On a group row the keys open and close it as usual.
            if (modifiers != Qt::NoModifier || !current.isValid() || IsGroupRow(current)) {
                return false;
            }
            MoveAlongRow(current, key.key() == Qt::Key_Left ? -1 : 1);
            return true;
        case Qt::Key_Down:
        case Qt::Key_F4:
            if (modifiers != (key.key() == Qt::Key_Down ? Qt::AltModifier : Qt::NoModifier)) {
                return false;
            }
            emit FilterListRequested(column);
            return true;
        case Qt::Key_S:
            if (modifiers != ctrl_shift || column < 0) return false;
            emit SortRequested(column);
            return true;
        case Qt::Key_G:
            if (modifiers != ctrl_shift || column < 0) return false;
            emit GroupRequested(column);
            return true;
        case Qt::Key_M:
            if (modifiers != ctrl_shift) return false;
            emit ColumnMenuRequested(column);
            return true;
        case Qt::Key_Escape:
            // Back from a found event: Esc ends the search as it does in the find field.
            if (modifiers != Qt::NoModifier || !escape_ends_search_) return false;
            emit EndSearchRequested();
            return true;
        case Qt::Key_Menu:
        case Qt::Key_F10:
            if (modifiers != (key.key() == Qt::Key_F10 ? Qt::ShiftModifier : Qt::NoModifier)) {
                return false;
            }
            emit PopupMenuRequested();
            return true;
        default:
            return false;
    }
}

}  // namespace lintaro::views
