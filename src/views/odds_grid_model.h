// The Qt item model of the odds grid: a thin adapter that shows the headless tree
// (grid/grid_tree.h) to a QTreeView. Its columns are only the ones a user sees, in the layout's
// order: while rows are grouped, column 0 is the indent column, where the tree draws its branches
// and a group row's text begins; then every visible layout column. Hidden columns (the grouped
// ones, the event sheet's markup) are not in the model at all, so assistive technology never lists
// an empty or unnamed column. Rows are the tree's group and event rows. The model never copies a
// text: a cell's text is made when asked.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QFont>
#include <functional>
#include <vector>

#include "grid/grid_tree.h"
#include "views/cell_marks.h"

namespace lintaro::views {

class OddsGridModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    // Extra roles the view and tests read.
    enum Role {
        kIsGroupRole = Qt::UserRole + 1,  // bool: a group row
        kLevelRole,                       // int: 0.. for group rows, LevelCount() for event rows
        kTableRowRole,                    // int: the table row of an event row, -1 otherwise
        kBackgroundKindRole,              // int: grid::ColumnBackground of the column
        kCellMarkRole,                    // int: the CellMarkKind of an event cell
        kGroupMarksRole,  // QString: what moved under a group row, short ("▲3 ▼2"), on its
                          // indent column; empty when nothing did or the marks are off
        kCellBadgeRole,   // QString: the CellMark's badge of an event cell (who holds the price)
    };

    explicit OddsGridModel(QObject* parent = nullptr);

    // The indent column, present while rows are grouped.
    static constexpr int kIndentColumn = 0;
    bool HasIndentColumn() const { return has_indent_; }
    // The model column that shows `layout_column`, or -1 when it is not shown.
    int ModelColumn(int layout_column) const;
    // The layout column a model column shows, -1 for the indent column or out of range.
    int LayoutColumn(int model_column) const;

    // Rows of the table shown (0 without one), whatever the filters hide.
    int TableRowCount() const { return table_ ? table_->RowCount() : 0; }

    grid::GridTree& Tree() { return tree_; }
    const grid::GridTree& Tree() const { return tree_; }

    // Reads the table again (nullptr: no table, an empty grid). One model reset.
    void Reload(const table::OddsTable* table);
    // Changes the tree (grouping, sort, filter, formats, the layout's order and visibility)
    // inside one model reset.
    void ChangeTree(const std::function<void(grid::GridTree&)>& change);

    // Fonts and colours the roles hand out: the grid font (its bold form for bold columns), the
    // header font and the info background.
    void SetLook(const QFont& grid_font, const QFont& header_font, const QColor& info_background);
    // The header captions' colour (navy, or what reads in its place on the theme).
    void SetCaptionColour(const QColor& colour);

    // What moved since the previous refresh, cell by cell (an empty function: no marks), and the
    // same counted per row (an empty function: rows and groups count nothing). The marks show only
    // while `shown`. Rows are counted once per read and table (lazily, on the first group row or
    // rule that asks), groups once per shape of the tree, never while painting.
    void SetCellMarks(CellMarkSource source, RowMarkSource rows = {});
    void SetCellMarksShown(bool shown);
    bool CellMarksShown() const { return marks_shown_; }
    // The marks of table row `table_row` counted (nothing for a row out of range), whether shown
    // or not.
    const MarkCounts& RowMarks(int table_row) const;
    // The marks of every event row under a group row (nothing for event rows and the root).
    MarkCounts GroupMarks(grid::NodeRef node) const;

    grid::NodeRef NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(grid::NodeRef node, int column = 0) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    // Makes the column mapping follow the tree's layout and grouping (inside a reset).
    void MapColumns();

    CellMark MarkOf(grid::NodeRef node, int layout_column) const;
    // data() of a group row's indent cell, and of an event row's cell in a layout column.
    QVariant GroupData(grid::NodeRef node, int role) const;
    QVariant CellData(grid::NodeRef node, int column, int role) const;
    QVariant CellToolTip(grid::NodeRef node, int column) const;
    // Forget the counts: the table, its rows' marks or the tree's shape changed.
    void ForgetRowMarks();
    void ForgetGroupMarks() { group_marks_.clear(); }

    grid::GridTree tree_;
    CellMarkSource marks_;
    RowMarkSource row_marks_source_;
    mutable std::vector<MarkCounts> row_marks_;  // per table row, once asked
    mutable bool row_marks_known_ = false;
    mutable std::vector<std::vector<MarkCounts>> group_marks_;  // per level and group, once asked
    bool marks_shown_ = true;
    bool has_indent_ = false;
    std::vector<int> shown_;            // model column - (indent) -> layout column
    std::vector<int> model_column_of_;  // layout column -> model column, -1 when not shown
    const table::OddsTable* table_ = nullptr;
    table::OddsTable empty_table_;  // stands in while there is no table
    QFont grid_font_;
    QFont bold_font_;
    QFont header_font_;
    QColor info_background_{255, 255, 225};
    QColor caption_colour_{0, 0, 128};
};

// The navy of the team names and of the header captions.
inline QColor NavyColour() { return QColor(0, 0, 128); }
// The background of the handicap band.
inline QColor ApricotColour() { return QColor(240, 202, 166); }

}  // namespace lintaro::views
