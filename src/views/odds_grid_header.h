// The odds grid's column header: a QHeaderView whose non-fixed columns can be dragged (into the
// group panel, or to another place in their band), that takes back columns dragged out of the
// group panel, and that asks the grid for its context menu. Its filter buttons are laid over it by
// the grid (filter_button_strip.h).
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
    // A right click (or the Menu key) on the header: the grid opens its column menu at
    // `global_pos` for layout column `column` (-1 off every column, or on the group column).
    void MenuRequested(int column, const QPoint& global_pos);

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
