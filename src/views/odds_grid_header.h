// The odds grid's column header: a QHeaderView whose non-fixed columns can be dragged (into the
// group panel, or to another place in their band) or grouped by from their context menu, with a
// filter drop-down button in each filterable visible column, and that takes back columns dragged
// out of the group panel.
#pragma once

#include <QHeaderView>
#include <QPoint>
#include <QToolButton>
#include <vector>

#include "grid/grid_layout.h"

namespace lintaro::views {

class OddsGridHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit OddsGridHeader(QWidget* parent = nullptr);

    // Follows the layout: which columns may be dragged, which get a filter button and with what
    // caption, and which buttons show an active filter.
    void SetLayoutInfo(const grid::GridLayout& layout, const std::vector<bool>& filtered);
    // Places the filter buttons over their sections (after a resize, move or scroll).
    void PlaceFilterButtons();
    // The filter button of `column`, or nullptr.
    QToolButton* FilterButton(int column) const;

  signals:
    void FilterButtonClicked(int column);
    // A column was dropped on the header; `before_column` is the column at the drop point (-1
    // past the last one).
    void ColumnDropped(int column, bool from_group_panel, int before_column);
    // "Группировать по этому столбцу" was chosen in a non-fixed column's context menu: the
    // keyboard's and the mouse's way of grouping without a drag.
    void GroupRequested(int column);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool IsNearSectionEdge(const QPoint& pos) const;

    std::vector<bool> fixed_;
    std::vector<QToolButton*> buttons_;  // per column; nullptr without a filter button
    int press_section_ = -1;
    QPoint press_pos_;
};

}  // namespace lintaro::views
