// Column header drags and filter buttons.
#include "views/odds_grid_header.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

#include "views/grid_drag.h"
#include "views/grid_qstring.h"
#include "views/odds_grid_model.h"

namespace lintaro::views {

OddsGridHeader::OddsGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    // Moves are ours: only non-fixed columns may be dragged, and only within their band.
    setSectionsMovable(false);
    setStretchLastSection(false);
    setHighlightSections(false);
    setSortIndicatorShown(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setAccessibleName(QStringLiteral("Заголовки столбцов"));
}

void OddsGridHeader::SetLayoutInfo(const grid::GridLayout& layout) {
    fixed_.assign(layout.ColumnCount(), true);
    filter_.assign(layout.ColumnCount(), false);
    for (int column = 0; column < layout.ColumnCount(); ++column) {
        fixed_[column] = layout.Column(column).fixed;
        filter_[column] = layout.Column(column).filter && layout.Column(column).visible;
    }
}

bool OddsGridHeader::HasFilterButton(int logical_index) const {
    const OddsGridModel* grid_model = GridModel();
    const int column = grid_model ? grid_model->LayoutColumn(logical_index) : -1;
    return column >= 0 && column < static_cast<int>(filter_.size()) && filter_[column];
}

void OddsGridHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logical_index) const {
    QHeaderView::initStyleOptionForIndex(option, logical_index);
    // The style puts the sort arrow where the filter button lies; paintSection draws it beside.
    if (HasFilterButton(logical_index)) option->sortIndicator = QStyleOptionHeader::None;
}

void OddsGridHeader::paintSection(QPainter* painter, const QRect& rect, int logical_index) const {
    QHeaderView::paintSection(painter, rect, logical_index);
    if (!isSortIndicatorShown() || sortIndicatorSection() != logical_index ||
        !HasFilterButton(logical_index)) {
        return;
    }
    // Left of the filter button, which takes at most 16 pixels and a 2-pixel margin.
    constexpr int kArrowWidth = 9, kButtonRoom = 20;
    QStyleOptionHeader arrow;
    arrow.initFrom(this);
    arrow.sortIndicator = sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortDown
                                                                     : QStyleOptionHeader::SortUp;
    arrow.rect =
        QRect(rect.right() - kButtonRoom - kArrowWidth, rect.top(), kArrowWidth, rect.height());
    painter->save();
    style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
    painter->restore();
}

const OddsGridModel* OddsGridHeader::GridModel() const {
    return qobject_cast<const OddsGridModel*>(model());
}

int OddsGridHeader::LayoutColumnAt(const QPoint& pos) const {
    const OddsGridModel* grid_model = GridModel();
    return grid_model ? grid_model->LayoutColumn(logicalIndexAt(pos)) : -1;
}

bool OddsGridHeader::IsNearSectionEdge(const QPoint& pos) const {
    const int margin = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this) + 1;
    const int section = logicalIndexAt(pos);
    if (section < 0) return true;
    const int left = sectionViewportPosition(section);
    const int right = left + sectionSize(section);
    return pos.x() - left < margin || right - pos.x() <= margin;
}

void OddsGridHeader::mousePressEvent(QMouseEvent* event) {
    press_section_ = -1;
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !IsNearSectionEdge(pos)) {
        press_section_ = LayoutColumnAt(pos);
        press_pos_ = pos;
    }
    QHeaderView::mousePressEvent(event);
}

void OddsGridHeader::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool draggable = press_section_ >= 0 &&
                           press_section_ < static_cast<int>(fixed_.size()) &&
                           !fixed_[press_section_];
    if ((event->buttons() & Qt::LeftButton) && draggable &&
        (pos - press_pos_).manhattanLength() >= QApplication::startDragDistance()) {
        const int column = press_section_;
        press_section_ = -1;
        auto* drag = new QDrag(this);
        drag->setMimeData(MakeColumnMime({column, false}).release());
        const int logical = GridModel() ? GridModel()->ModelColumn(column) : -1;
        const QRect section(sectionViewportPosition(logical), 0, sectionSize(logical), height());
        drag->setPixmap(viewport()->grab(section));
        drag->setHotSpot(pos - section.topLeft());
        drag->exec(Qt::MoveAction);
        // The release happened inside the drag: end the header's press away from any section,
        // so it is not taken for a click.
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-10000, -10000),
                            QPointF(-10000, -10000), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QHeaderView::mouseReleaseEvent(&release);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void OddsGridHeader::contextMenuEvent(QContextMenuEvent* event) {
    // Every header point has the menu, fixed columns and the empty area past the last column
    // included: its column checklist is how a hidden column comes back.
    event->accept();
    emit MenuRequested(LayoutColumnAt(event->pos()), event->globalPos());
}

void OddsGridHeader::dragEnterEvent(QDragEnterEvent* event) {
    if (ReadColumnMime(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void OddsGridHeader::dragMoveEvent(QDragMoveEvent* event) {
    if (ReadColumnMime(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void OddsGridHeader::dropEvent(QDropEvent* event) {
    const auto drag = ReadColumnMime(event->mimeData());
    if (!drag) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit ColumnDropped(drag->column, drag->from_group_panel,
                       LayoutColumnAt(event->position().toPoint()));
}

}  // namespace lintaro::views
