// Cell drawing of the odds grid.
#include "views/odds_grid_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "grid/grid_layout.h"
#include "views/cell_marks.h"
#include "views/odds_grid_model.h"
#include "views/readable_colour.h"

namespace lintaro::views {
namespace {

// The badge's font: the cell's, three quarters of its size, never bold.
QFont BadgeFont(QFont font) {
    font.setBold(false);
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(std::max(5.0, font.pointSizeF() * 0.75));
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(7, font.pixelSize() * 3 / 4));
    }
    return font;
}

}  // namespace

int OddsGridDelegate::BadgeRoom(const QFont& cell_font) {
    return QFontMetrics(BadgeFont(cell_font)).horizontalAdvance(QStringLiteral("М")) + 2;
}

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
        QRect text_rect = r.adjusted(3, 0, -3, 0);
        // A badge takes the cell's right edge: the text stands clear of it.
        if (!index.data(OddsGridModel::kCellBadgeRole).toString().isEmpty()) {
            text_rect.setRight(text_rect.right() - BadgeRoom(font));
        }
        const QFontMetrics metrics(font);
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(text_rect, static_cast<int>(alignment) | Qt::TextSingleLine,
                          metrics.elidedText(text, Qt::ElideRight, text_rect.width()));
    }
    DrawMark(painter, option, index);
    DrawBadge(painter, option, index);
    painter->setPen(line_colour_);
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    DrawFocusFrame(painter, option, index);
}

void OddsGridDelegate::DrawFocusFrame(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    // The whole row is highlighted; the frame tells which of its cells the column keys act on.
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view == nullptr || view->currentIndex() != index) return;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    // On the highlight the highlight's own text colour reads by the theme's choice; on a cell left
    // unselected (the selection cleared) the text colour does.
    const QColor colour =
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    // Two pixels while the grid has the keyboard, one when it is elsewhere (a menu of the column).
    const int width = view->hasFocus() ? 2 : 1;
    const QRect r = option.rect.adjusted(0, 0, -1, -1);  // inside the grid lines
    painter->save();
    painter->fillRect(QRect(r.left(), r.top(), r.width(), width), colour);
    painter->fillRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width), colour);
    painter->fillRect(QRect(r.left(), r.top(), width, r.height()), colour);
    painter->fillRect(QRect(r.right() - width + 1, r.top(), width, r.height()), colour);
    painter->restore();
}

QColor OddsGridDelegate::MarkColourOn(const QStyleOptionViewItem& option, const QModelIndex& index,
                                      CellMarkKind kind) const {
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    if (option.state & QStyle::State_Selected) {
        return option.palette.color(group, QPalette::HighlightedText);
    }
    const QVariant cell_background = index.data(Qt::BackgroundRole);
    const QColor background = cell_background.isValid()
                                  ? cell_background.value<QColor>()
                                  : option.palette.color(group, QPalette::Base);
    return ReadableGraphicColour(MarkColour(kind), background);
}

void OddsGridDelegate::DrawBadge(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QString badge = index.data(OddsGridModel::kCellBadgeRole).toString();
    if (badge.isEmpty()) return;
    const QRect r = option.rect;
    const QVariant font_value = index.data(Qt::FontRole);
    const QFont font = BadgeFont(font_value.isValid() ? font_value.value<QFont>() : option.font);
    const QFontMetrics metrics(font);
    // Clear of the new event's dot, which takes the right end of a date cell.
    const bool dot = static_cast<CellMarkKind>(index.data(OddsGridModel::kCellMarkRole).toInt()) ==
                     CellMarkKind::kNew;
    const int size = std::max(4, std::min(7, r.height() / 2 - 1));
    const int right = r.right() - 2 - (dot ? size + 3 : 0);
    const int width = metrics.horizontalAdvance(badge);
    painter->save();
    painter->setFont(font);
    painter->setPen(TextColour(option, index));
    painter->drawText(QRect(right - width, r.top(), width + 1, r.height() - 1),
                      Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, badge);
    painter->restore();
}

void OddsGridDelegate::DrawMark(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const auto kind = static_cast<CellMarkKind>(index.data(OddsGridModel::kCellMarkRole).toInt());
    if (kind == CellMarkKind::kNone) return;
    // A small shape in the cell's left margin: its shape alone tells up from down, and its colour
    // reads at 4.5:1 on the cell's background, whatever the theme made of it.
    const QRect r = option.rect;
    const int size = std::max(4, std::min(7, r.height() / 2 - 1));
    const int left = r.left() + 2;  // clear of the focus frame
    const int middle = r.center().y();
    QPolygon shape;
    switch (kind) {
        case CellMarkKind::kUp:
            shape << QPoint(left, middle + size / 2) << QPoint(left + size, middle + size / 2)
                  << QPoint(left + size / 2, middle - size / 2);
            break;
        case CellMarkKind::kDown:
            shape << QPoint(left, middle - size / 2) << QPoint(left + size, middle - size / 2)
                  << QPoint(left + size / 2, middle + size / 2);
            break;
        case CellMarkKind::kLineChanged:
            shape << QPoint(left + size / 2, middle - size / 2) << QPoint(left + size, middle)
                  << QPoint(left + size / 2, middle + size / 2) << QPoint(left, middle);
            break;
        case CellMarkKind::kNew:
        case CellMarkKind::kNone:
            break;
    }
    const QColor colour = MarkColourOn(option, index, kind);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    if (kind == CellMarkKind::kNew) {
        painter->setBrush(colour);
        // At the right end: the date's text starts at the left.
        painter->drawEllipse(QRect(r.right() - size - 2, middle - size / 2, size, size));
    } else {
        painter->setBrush(colour);
        painter->drawPolygon(shape);
    }
    painter->restore();
}

}  // namespace lintaro::views
