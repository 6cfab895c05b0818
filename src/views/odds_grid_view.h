// The odds grid widget (the main window's ctl_DataGrid): the group panel, the band header, a
// standard QTreeView over the grid's item model with its column header, filter drop-downs and the
// count footer, and the find bar that Ctrl+F shows above them. It observes the odds table and
// reloads once per notification, keeping expanded groups, scroll position and focus; focusing an
// event row moves the table's current row.
//
// Where things live: the tree, grouping, sorting, filters and the user's place are headless, in
// src/grid (grid_tree.h, grid_layout.h, grid_place.h); the item model over the tree is
// odds_grid_model.h, the drawing odds_grid_delegate.h; the rows' keys are in odds_grid_tree_view.h,
// which emits what the user asked for; the column menu and the filter lists are in
// odds_grid_menus.cpp. This widget wires them and keeps the user's place across changes.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QTreeView>
#include <QWidget>

class QAction;
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_layout.h"
#include "grid/grid_place.h"
#include "grid/grid_tree.h"
#include "table/odds_table.h"
#include "views/cell_marks.h"

namespace lintaro::views {

class BandHeader;
class CustomFilterDialog;
class FilterButtonStrip;
class FindBar;
class FilterPopup;
class FooterBar;
class GroupPanel;
class OddsGridDelegate;
class OddsGridHeader;
class OddsGridModel;
class OddsGridTreeView;

class OddsGridView : public QWidget {
    Q_OBJECT
  public:
    explicit OddsGridView(QWidget* parent = nullptr);
    ~OddsGridView() override;

    // Shows `table` and becomes its observer (nullptr: shows nothing and detaches). Not owned; the
    // table must outlive the view or be detached first. Every notification reloads the rows and
    // keeps the user's place: rows replaced under one display suspension (ResetTable and the new
    // rows, one RowsChanged) keep expansion and focus; a ResetTable notified on its own empties
    // the grid, and the place with it.
    void SetTable(table::OddsTable* table);
    void ExpandAllGroups();
    // Collapses every group at every level: only the sport rows stay; a sport opened afterwards
    // shows its tournaments collapsed.
    void CollapseAllGroups();
    // How a reload finds the focused event again: by default the row equal in every field; a
    // refresh of a moving line passes the event's identity instead.
    void SetSameEvent(grid::SameEvent same);
    // Opened on a right click in the rows, and by the Menu key or Shift+F10 at the focused row
    // (not owned).
    void SetPopupMenu(QMenu* menu);
    QTreeView* TreeView() const;
    // True when an event row has the focus. A focused group row, or no focused row, leaves no
    // current event: what the user acts on is always what they see.
    bool HasCurrentEvent() const;
    // The layout column of the focused cell, or -1. Left and Right move it along an event row.
    int FocusedColumn() const;
    const grid::GridTree& Tree() const;

    // The grid's fonts, colours and switches as they are now, for the worksheet export.
    grid::GridLook Look() const;

    // Display formats of the cells. The view starts with the system locale's decimal mark, short
    // date and long time, and follows a change of it; SetFormats fixes others for good.
    void SetFormats(const table::RegionalFormats& formats);
    static table::RegionalFormats SystemFormats();

    // What the header, the group panel and the filter controls do, also callable directly.
    void ClickHeader(int column);  // layout column
    void SetColumnFilter(int column, const grid::ColumnFilter& filter);
    // Shows or hides a column for the user (the header's checklist offers
    // Tree().Layout().UserToggleableColumns()); false, and nothing changes, for any other column.
    bool SetColumnShown(int column, bool shown);
    // The find bar's text (UTF-8; empty: no search), on top of the column filters.
    void SetFindText(const std::string& utf8);
    // Ctrl+F, wherever the keyboard is in the grid's window: shows the find bar, or puts the
    // keyboard back into its field. While the field holds text, every group that holds a found
    // event is open; the user's expansion comes back when the text is cleared.
    void ShowFindBar();
    // Esc in the field or the grid, or the bar's close button: clears the search, hides the bar and
    // gives the grid the keyboard. The event the user went to while searching keeps the focus.
    void CloseFindBar();
    // Enter in the field: the first found event takes the focus in the grid. False when nothing
    // was found.
    bool FocusFirstFound();
    QAction* FindAction() const { return find_action_; }

    // What moved since the previous read, per cell and counted per row (see
    // OddsGridModel::SetCellMarks); while only what moved is shown, the rows follow the new marks
    // and the user keeps their place.
    void SetCellMarks(CellMarkSource cells, RowMarkSource rows);
    // "Только изменения" (Ctrl+Shift+C, the whole window's key): only the events with a mark (a
    // price or line that moved, or new since the previous read) are shown, on top of the filters
    // and the search; the footer counts what is shown. Off at start.
    void SetOnlyChanges(bool on);
    bool OnlyChanges() const;
    QAction* OnlyChangesAction() const { return only_changes_action_; }
    // Which rows hold a surebet while two bookmakers' lines are shown together; an empty function
    // when one line is shown, which also switches "Только вилки" off.
    using RowTest = std::function<bool(const table::OddsRecord& row)>;
    // "Только вилки": only the events with a surebet are shown, on top of the filters, the search
    // and "Только изменения". Stays off while no comparison is shown.
    void SetOnlySurebets(bool on);
    bool OnlySurebets() const { return only_surebets_; }
    QAction* OnlySurebetsAction() const { return only_surebets_action_; }
    // Two bookmakers' lines shown together: the values of the comparison's columns "Маржа лучших"
    // and "Вилка" (see GridTree::SetRowNumbers) and which rows hold a surebet, in one change that
    // keeps the user's place; while the table's display is suspended (its rows being replaced),
    // they take effect at the reload that follows. Empty functions: one line is shown; the
    // columns are hidden and "Только вилки" switches off.
    void SetComparison(grid::RowNumberSource best_margins, grid::RowNumberSource surebets,
                       RowTest has_surebet);
    // The footer's status text: what the focused cell's mark says ("Исходы, 1: было 1.85 (в
    // 10:42:05)"), or why the last key did nothing.
    QString StatusText() const;
    FindBar* Finder() const { return find_bar_; }

    // The column menu of layout column `column` (-1: no column, as off the columns or on the group
    // column), opened at `global_pos`: "Группировать по этому столбцу" for a column that can
    // group, then "Столбцы", the checklist of the columns a user may show or hide. Opened by a
    // right click on the header or a filter button, Ctrl+Shift+M on the grid (the focused column)
    // and the Menu key or Shift+F10 on a filter button. HeaderMenuAboutToShow lets others add
    // their items first. The menu deletes itself when it closes.
    QMenu* OpenHeaderMenu(int column, const QPoint& global_pos);
    QMenu* ActiveHeaderMenu() const;
    void SetGroupColumns(const std::vector<int>& columns);  // ignored when a column cannot group
    void MoveColumn(int column, int position_in_band);
    // Opens the filter list of `column` under its header button; returns it (nullptr when the
    // column has no filter button).
    FilterPopup* OpenFilterPopup(int column);
    CustomFilterDialog* OpenCustomFilterDialog(int column);
    FilterPopup* ActiveFilterPopup() const;
    CustomFilterDialog* ActiveCustomFilterDialog() const;

    // Parts, for tests and accessibility checks.
    OddsGridModel* Model() const { return model_; }
    OddsGridHeader* Header() const { return header_; }
    BandHeader* Bands() const { return bands_; }
    GroupPanel* Panel() const { return group_panel_; }
    FilterButtonStrip* Filters() const { return filters_; }
    FooterBar* Footer() const { return footer_; }
    // Places the band captions, filter buttons and footer over the columns as they stand now
    // (done on every resize, move and scroll; public for tests).
    void FollowHeader();

  signals:
    // Any double-click in the grid (rows, group rows, the empty area, the column headers); what
    // lies under the pointer is not told.
    void DoubleClicked();
    // The focused row changed (the table's current row follows an event row first).
    void CurrentRowChanged();
    // Enter on a focused event row.
    void EventActivated();
    // The column menu is built and about to show: receivers may add their own items to `menu`
    // (it is deleted when it closes). `column` as for OpenHeaderMenu.
    void HeaderMenuAboutToShow(QMenu* menu, int column);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    class TableObserver;
    struct SavedState;

    void Reload();
    // Runs a change of the tree inside one model reset, keeping what the user sees.
    void ChangeTree(const std::function<void(grid::GridTree&)>& change);
    // The scroll position and the focused row's top-level row, with `place` (the user's place in
    // the tree, taken by the caller from the tree or from the last time it agreed with the table).
    SavedState SaveState(grid::GridPlace place) const;
    void RestoreState(const SavedState& state);
    grid::GridPlace CurrentPlace() const;
    // Records the place while the tree matches its table (after every reload and change, on
    // every expansion, collapse and change of focus).
    void RememberPlace();
    void SyncFromLayout();
    void OnCurrentChanged(const QModelIndex& current);
    void OnSectionResized(int section, int old_size, int new_size);
    void OnHeaderDrop(int column, bool from_group_panel, int before_column);
    // The find and "Только изменения" actions, with the find bar's signals.
    void SetUpActions();
    // Wires the tree view, header, filter buttons and group panel to the grid.
    void ConnectParts();
    // Wires what the rows' keys ask for (odds_grid_tree_view.h) to the grid.
    void ConnectKeys();
    void OpenPopupMenuAtFocus();
    // The column menu under `column`'s header section (the header's start for -1).
    void OpenHeaderMenuBelow(int column);
    // Ticks the checklist's items as the layout shows its columns; the last shown one cannot be
    // unticked.
    void SyncChecklist(QMenu* checklist) const;
    // Groups by `column` below the levels there are; nothing when it cannot or already does.
    void GroupByColumn(int column);
    void Ungroup(int column);
    // Ctrl+Shift+G on a column that cannot group: the footer says why, and a screen reader hears
    // it.
    void SayCannotGroup(int column);
    void OnFindTextChanged(const QString& text);
    // The rows kept by "Только изменения" and "Только вилки" together, as the tree's row rule.
    void ApplyRowRule(grid::GridTree& tree);
    // Clears the search and gives back the expansion and scroll of before it.
    void EndFind();
    // The footer's status follows the focused cell: its mark's text, or nothing.
    void ShowFocusedMark();
    void ApplyLook();
    void FitDateColumn();

    table::OddsTable* table_ = nullptr;
    std::unique_ptr<TableObserver> observer_;
    OddsGridModel* model_;
    OddsGridTreeView* tree_;
    OddsGridHeader* header_;
    OddsGridDelegate* delegate_;
    BandHeader* bands_;
    GroupPanel* group_panel_;
    FooterBar* footer_;
    FilterButtonStrip* filters_;
    FindBar* find_bar_;
    QAction* find_action_;
    QAction* only_changes_action_;
    QAction* only_surebets_action_;
    RowTest has_surebet_;
    bool only_changes_ = false;
    bool only_surebets_ = false;
    int date_badge_room_ = 0;  // the date column's room for a badge while two lines are shown
    QPointer<QMenu> popup_menu_;
    QPointer<QMenu> header_menu_;
    QPointer<FilterPopup> filter_popup_;
    QPointer<CustomFilterDialog> custom_dialog_;
    grid::SameEvent same_event_;
    grid::GridPlace place_;  // the user's place as last seen in a tree that matched its table
    // The place and scroll before the find text stopped being empty; reset when it is empty again.
    std::unique_ptr<SavedState> before_find_;
    bool restoring_ = false;    // RestoreState is expanding and focusing
    bool syncing_ = false;      // the view is applying the layout to the header
    bool formats_set_ = false;  // SetFormats fixed the formats: the system's no longer apply
};

}  // namespace lintaro::views
