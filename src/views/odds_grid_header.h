// The odds grid's column header: a QHeaderView whose non-fixed columns can be dragged (into the
// group panel, or to another place in their band) or grouped by from their context menu, and that
// takes back columns dragged out of the group panel. Its filter buttons are laid over it by the
// grid (filter_button_strip.h).
#pragma once

#include <QHeaderView>
#include <QPoint>
#include <vector>

#include "grid/grid_layout.h"

namespace lintaro::views {

class OddsGridModel;

class OddsGridHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit OddsGridHeader(QWidget* parent = nullptr);

    // Follows the layout: which columns may be dragged, and which carry a filter button (their
    // sort arrow stands left of the button instead of under it).
    void SetLayoutInfo(const grid::GridLayout& layout);
    // The layout column under header point `pos`, or -1.
    int LayoutColumnAt(const QPoint& pos) const;

  signals:
    // A column was dropped on the header; `before_column` is the layout column at the drop point
    // (-1 past the last one).
    void ColumnDropped(int column, bool from_group_panel, int before_column);
    // "Группировать по этому столбцу" was chosen in a non-fixed column's context menu: the
    // keyboard's and the mouse's way of grouping without a drag.
    void GroupRequested(int column);

  protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logical_index) const override;
    void paintSection(QPainter* painter, const QRect& rect, int logical_index) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool IsNearSectionEdge(const QPoint& pos) const;
    const OddsGridModel* GridModel() const;
    bool HasFilterButton(int logical_index) const;

    std::vector<bool> fixed_;
    std::vector<bool> filter_;
    int press_section_ = -1;
    QPoint press_pos_;
};

}  // namespace lintaro::views
