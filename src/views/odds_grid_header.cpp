// Column header drags and filter buttons.
#include "views/odds_grid_header.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>

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
    connect(this, &QHeaderView::sectionResized, this, [this] { PlaceFilterButtons(); });
    connect(this, &QHeaderView::sectionMoved, this, [this] { PlaceFilterButtons(); });
    connect(this, &QHeaderView::geometriesChanged, this, [this] { PlaceFilterButtons(); });
}

void OddsGridHeader::SetLayoutInfo(const grid::GridLayout& layout,
                                   const std::vector<bool>& filtered) {
    const int count = layout.ColumnCount();
    fixed_.assign(count, true);
    buttons_.resize(count, nullptr);
    for (int column = 0; column < count; ++column) {
        const grid::GridColumn& c = layout.Column(column);
        fixed_[column] = c.fixed;
        const bool wants_button = c.filter && c.visible;
        QToolButton*& button = buttons_[column];
        if (wants_button && !button) {
            button = new QToolButton(viewport());
            button->setArrowType(Qt::DownArrow);
            button->setAutoRaise(true);
            button->setCheckable(true);
            button->setFocusPolicy(Qt::TabFocus);
            button->setObjectName(QStringLiteral("filter_button_%1").arg(column));
            connect(button, &QToolButton::clicked, this, [this, column] {
                // A click shows the list; the button shows whether a filter is set, not the click.
                buttons_[column]->setChecked(!buttons_[column]->isChecked());
                emit FilterButtonClicked(column);
            });
        } else if (!wants_button && button) {
            button->hide();
            button->deleteLater();
            button = nullptr;
        }
        if (button) {
            const QString name = QStringLiteral("Фильтр: ") + FromCp1251(c.caption);
            button->setAccessibleName(name);
            button->setToolTip(name);
            button->setChecked(column < static_cast<int>(filtered.size()) && filtered[column]);
        }
    }
    PlaceFilterButtons();
}

void OddsGridHeader::PlaceFilterButtons() {
    const int h = viewport()->height() > 0 ? viewport()->height() : sizeHint().height();
    const int side = std::max(10, std::min(16, h - 4));
    for (int column = 0; column < static_cast<int>(buttons_.size()); ++column) {
        QToolButton* button = buttons_[column];
        if (!button) continue;
        const int section = OddsGridModel::ModelColumn(column);
        if (section >= count() || isSectionHidden(section) || sectionSize(section) < side + 4) {
            button->hide();
            continue;
        }
        const int right = sectionViewportPosition(section) + sectionSize(section);
        button->setGeometry(right - side - 2, (h - side) / 2, side, side);
        button->show();
    }
}

QToolButton* OddsGridHeader::FilterButton(int column) const {
    return column >= 0 && column < static_cast<int>(buttons_.size()) ? buttons_[column] : nullptr;
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
        press_section_ = OddsGridModel::LayoutColumn(logicalIndexAt(pos));
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
        const int logical = OddsGridModel::ModelColumn(column);
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
    const int column = OddsGridModel::LayoutColumn(logicalIndexAt(event->pos()));
    if (column < 0 || column >= static_cast<int>(fixed_.size()) || fixed_[column]) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("Столбец"));
    QAction* group = menu.addAction(QStringLiteral("Группировать по этому столбцу"));
    if (menu.exec(event->globalPos()) == group) emit GroupRequested(column);
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
                       logicalIndexAt(event->position().toPoint()));
}

void OddsGridHeader::resizeEvent(QResizeEvent* event) {
    QHeaderView::resizeEvent(event);
    PlaceFilterButtons();
}

}  // namespace lintaro::views
