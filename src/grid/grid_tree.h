// The odds grid as data: the tree of group rows and event rows that the grid shows, built from the
// odds table by the grid's layout, sort and filters. The window's model adapts it to Qt; the
// worksheet export and lintaro-cli walk the same tree without a window.
//
// Overview
//   GridTree tree;                        // the layout at start, "." and dd.MM.yyyy H:mm:ss
//   tree.Rebuild(table);                  // reads every row of the table (call on each change)
//   tree.ClickHeader(kColHomeTeam);       // header-click sorting of the event rows
//   tree.SetFilter(kColDate, filter);     // column filters (grid/grid_filter.h)
//   tree.SetFindText("спартак");          // the find bar, on top of the column filters
//   tree.GroupBy(kColCompetition, 0);     // the group panel's edits: also Ungroup, CanGroupBy
//   for (NodeRef node : tree.PreOrder())  // every node, collapsed groups included
//       tree.GroupText(node) / tree.TableRow(node) / tree.CellText(node, column)
//   tree.Layout().ExportColumns()         // the shown columns in band order (grid/grid_layout.h)
//   tree.Layout().Bands(), VisibleColumnCount(band), Column(i).caption / width / bold / ...
// A tree built this way without a window is the grid as laid out at start; GridLook{} gives its
// fonts and colours. The window's grid (OddsGridView::Tree, OddsGridView::Look) gives the same for
// the grid as the user has arranged, sorted and filtered it.
//
// Shape. With k grouping levels (2 at start: sport, then tournament), nodes of level 0..k-1 are
// group rows and nodes of level k are event rows. Group rows order by their value ascending
// (descending when the level is reversed); event rows order within their group by the sort
// column (at start the date, ascending), then by the date, then by their place in the table. Texts
// order by their Windows-1251 codes with letter case significant, dates as points in time,
// numbers as values, and null before every value (after them when descending).
//
// Memory. The tree keeps table row indexes and group boundaries only, no copy of any text: a cell's
// display text is made when asked for. While a find text is set it also keeps every row that passes
// the column filters in tree order, with its group keys, so each keystroke only regroups. The table
// must outlive the tree; after the table changes, the tree shows what it held at the last Rebuild
// (a row index that no longer exists reads as null) until it is rebuilt.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "grid/find_text.h"
#include "grid/grid_filter.h"
#include "grid/grid_layout.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::grid {

// A node of the tree: a group row (level < LevelCount()) or an event row (level == LevelCount()),
// and its index among the nodes of that level in tree order. The invisible root is level -1.
struct NodeRef {
    int level = -1;
    int index = 0;
    bool IsRoot() const { return level < 0; }
    friend bool operator==(NodeRef, NodeRef) = default;
};

// The sort the header clicks have set: a column and its direction. At start: the date, ascending.
struct SortState {
    int column = kColDate;
    SortDirection direction = SortDirection::kAscending;
    friend bool operator==(SortState, SortState) = default;
};

class GridTree {
  public:
    // The grid as laid out at start; `formats` give the display texts (decimal mark, date and time
    // patterns).
    explicit GridTree(table::RegionalFormats formats = {});

    // Reads every row of `table` (nothing when it is closed) and builds the tree by the current
    // layout, sort and filters. Keeps a pointer to the table for the cell texts.
    void Rebuild(const table::OddsTable& table);
    // Builds the tree again over the same table after a change of grouping, sort or filter (the
    // setters below do this themselves).
    void Refresh();

    const GridLayout& Layout() const { return layout_; }
    // The window keeps widths, column order and visibility in step here; changes of grouping go
    // through SetGroupColumns so the tree follows.
    GridLayout& MutableLayout() { return layout_; }
    const table::RegionalFormats& Formats() const { return formats_; }
    void SetFormats(table::RegionalFormats formats);

    // ---- Grouping
    // The grouping columns, level 1 first (sport, tournament at start).
    const std::vector<int>& GroupColumns() const { return group_columns_; }
    // Groups by other columns (see GridLayout::SetGroupColumns; throws std::invalid_argument on a
    // list that CanGroupBy refuses) and rebuilds.
    void SetGroupColumns(const std::vector<int>& columns);
    // Whether the rows can be grouped by `column` (a known column that is not fixed), or by every
    // column of a list of levels; a plain answer, for menus and keys to ask before they offer.
    bool CanGroupBy(int column) const { return layout_.CanGroupBy(column); }
    bool CanGroupBy(const std::vector<int>& columns) const { return layout_.CanGroupBy(columns); }
    // Whether `column` groups the rows now.
    bool IsGrouping(int column) const;
    // Groups by `column` at `level` (0: the top; clamped to the levels there are), the levels
    // below moving down one. A column already grouping moves to `level` as counted before it left
    // its own. False, and nothing changes, when the column cannot group.
    bool GroupBy(int column, int level);
    // Stops grouping by `column`: the levels below it move up, the column is shown again at the
    // end of its band. False, and nothing changes, when it was not grouping.
    bool Ungroup(int column);
    int LevelCount() const { return static_cast<int>(group_columns_.size()); }
    // Reverses the order of the groups of one level (a click on its group panel button).
    void ToggleGroupDirection(int level);
    SortDirection GroupDirection(int level) const;

    // ---- Columns a user shows or hides (the header's checklist; the margins start hidden)
    // Shows or hides `column` when the user may (GridLayout::IsUserToggleable); false, and nothing
    // changes, otherwise. A column that is hidden drops its filter, and the sort returns to the
    // date when the column was sorting the rows: nothing the user cannot see keeps acting on them.
    bool SetColumnShown(int column, bool shown);
    // Gives the comparison's columns (kColBestMargin, kColSurebet) their values, or takes them
    // away with an empty source: the column is then hidden, and drops its filter and sort.
    void SetRowNumbers(int column, RowNumberSource source);

    // ---- Sorting
    // A click on a column's header: the event rows sort by that column ascending; a click on the
    // column they already sort by ascending reverses it, and a click on one sorted descending
    // returns to the order at start (the date, ascending). Grouping stays as it is.
    void ClickHeader(int column);
    void SetSort(SortState sort);
    SortState Sort() const { return sort_; }

    // ---- Filters
    void SetFilter(int column, ColumnFilter filter);
    const ColumnFilter& Filter(int column) const;
    void ClearFilters();
    bool HasFilter() const;
    // The drop-down list of `column`: "(All)", "(Custom...)", then "(Blanks)" and "(NonBlanks)"
    // when a row holds a null or empty value in it, then the distinct display texts in the
    // column's value order. The rows considered are those that pass every other column's filter.
    std::vector<FilterListEntry> FilterList(int column) const;

    // ---- Rows kept by the window's own rule (the "only what moved" switch), on top of the
    // column filters: a table row shows only when `keep` says so. An empty function keeps every
    // row. The tree asks `keep` while it builds, not when it is drawn.
    using RowRule = std::function<bool(int32_t table_row)>;
    void SetRowRule(RowRule keep);
    bool HasRowRule() const { return static_cast<bool>(row_rule_); }

    // ---- Find
    // Shows only the events whose teams or tournament contain `utf8` (see grid/find_text.h), on
    // top of the column filters; the empty text shows every event again. A change of the text
    // alone regroups the rows already sorted, without sorting again, so typing stays quick.
    void SetFindText(std::string_view utf8);
    const std::string& FindTextUtf8() const { return find_.Utf8(); }

    // ---- Nodes
    int ChildCount(NodeRef node) const;
    NodeRef Child(NodeRef node, int row) const;  // row must be in 0..ChildCount(node)-1
    NodeRef Parent(NodeRef node) const;          // the root for top-level nodes
    int RowInParent(NodeRef node) const;
    bool IsGroup(NodeRef node) const { return node.level >= 0 && node.level < LevelCount(); }
    bool IsEvent(NodeRef node) const { return node.level == LevelCount(); }
    int NodeCount(int level) const;
    // Every node in pre-order (a group row, then its content), whether expanded or not.
    std::vector<NodeRef> PreOrder() const;
    // The first event row in tree order (first child first, as PreOrder meets it); nullopt when
    // the tree shows no event.
    std::optional<NodeRef> FirstEvent() const;

    // The table row an event node shows (-1 for a group row).
    int TableRow(NodeRef node) const;
    // The record of an event row, or of any row holding a group row's value; nullptr when the
    // table no longer has that row.
    const table::OddsRecord* Record(NodeRef node) const;
    // A group row's text, Windows-1251: the grouped column's caption, " : ", the value's display
    // text and one blank ("Вид спорта : Футбол "). Empty for event rows.
    std::string GroupText(NodeRef node) const;
    // The display text (UTF-8, as DisplayText gives it) of `column` in an event row; empty for
    // group rows.
    std::string CellText(NodeRef node, int column) const;

    // ---- Footer and current row
    // Event rows in the tree: inside collapsed groups too, rows hidden by a filter not.
    int EventCount() const { return static_cast<int>(events_.size()); }
    // The footer's text, Windows-1251: "Всего: " and the count ("Всего: " alone at zero).
    std::string FooterText() const;
    // The table row to make current when `node` is focused: the first row of the table, in the
    // table's order, with the same Key_ID as the event row (null matching null); -1 for a group
    // row or a row the table no longer has.
    int CurrentTableRowFor(NodeRef node) const;

  private:
    struct Group {
        int32_t first_child = 0;  // index of the first child in the level below
        int32_t child_count = 0;
        int32_t sample_row = 0;  // a table row that holds the group's value
    };

    const table::OddsRecord* RowAt(int table_row) const;
    // The rows that pass every column filter except the one of `skip_column` (-1: none skipped),
    // and the find text when `with_find` is set.
    std::vector<int32_t> PassingRows(int skip_column, bool with_find) const;
    void Build();
    // Group keys per level, aligned with a run of rows in tree order: two rows stand in one group
    // of a level when their keys there are equal.
    using GroupKeys = std::vector<std::vector<int64_t>>;
    // Makes the groups and event rows from table rows already in tree order.
    void Cut(const std::vector<int32_t>& rows, const GroupKeys& keys);
    // The rows of `ordered_` that the find text finds, then Cut.
    void CutFound();
    // The group keys of the event rows as the tree stands (their groups' indexes).
    GroupKeys GroupKeysOfEvents() const;

    GridLayout layout_;
    table::RegionalFormats formats_;
    const table::OddsTable* table_ = nullptr;
    std::vector<int> group_columns_;
    SortState sort_;
    std::map<int, ColumnFilter> filters_;
    RowRule row_rule_;
    FindText find_;
    // While a find text is set: every row that passes the column filters, in tree order (the
    // event rows are the found part of it). Empty otherwise.
    std::vector<int32_t> ordered_;
    GroupKeys ordered_keys_;                  // their group keys
    std::vector<std::vector<Group>> groups_;  // per level, in tree order
    std::vector<int32_t> events_;             // table rows of the event nodes, in tree order
};

// The display text of a group value in a group row's text (Windows-1251): texts as stored, other
// values as their display text.
std::string GroupValueText(const table::OddsRecord& row, int field_index,
                           const table::RegionalFormats& formats);

}  // namespace lintaro::grid
