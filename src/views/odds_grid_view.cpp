// The odds grid widget: wiring of the tree view, header, band header, group panel, filters,
// footer and find bar around the grid's model, the column menu, and the reload that keeps the
// user's place.
#include "views/odds_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "views/band_header.h"
#include "views/filter_button_strip.h"
#include "views/filter_custom_dialog.h"
#include "views/filter_popup.h"
#include "views/find_bar.h"
#include "views/footer_bar.h"
#include "views/grid_qstring.h"
#include "views/group_panel.h"
#include "views/odds_grid_delegate.h"
#include "views/odds_grid_header.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_tree_view.h"
#include "views/readable_colour.h"

namespace lintaro::views {

using table::RegionalFormats;

namespace {

constexpr int kIndentation = 12;

grid::Rgb ToRgb(const QColor& colour) {
    return {static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
            static_cast<uint8_t>(colour.blue())};
}

grid::GridFont ToGridFont(const QFont& font, const QColor& colour) {
    grid::GridFont f;
    f.face = font.family().toStdString();
    f.point_size =
        font.pointSize() > 0 ? font.pointSize() : static_cast<int>(font.pointSizeF() + 0.5);
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strike_out = font.strikeOut();
    f.colour = ToRgb(colour);
    return f;
}

// The navy of the captions, or the theme's link colour where navy would not read on the header.
QColor CaptionColour(const QPalette& palette) {
    return ReadableTextColour(NavyColour(), palette.color(QPalette::Button),
                              palette.color(QPalette::Link));
}

}  // namespace

// Forwards the table's notifications to the view.
class OddsGridView::TableObserver : public table::OddsTableObserver {
  public:
    explicit TableObserver(OddsGridView* view) : view_(view) {}
    void TableReset() override { view_->Reload(); }
    void RowsChanged() override { view_->Reload(); }

  private:
    OddsGridView* view_;
};

// What a reload keeps: the user's place in the tree, and the scroll position.
struct OddsGridView::SavedState {
    grid::GridPlace place;
    int focus_column = -1;  // the layout column of the focused cell, kept on the event found
    int focus_top_row = 0;  // the row of the focused node's sport (top-level) row
    int vertical = 0;
    int horizontal = 0;
};

OddsGridView::OddsGridView(QWidget* parent)
    : QWidget(parent),
      observer_(std::make_unique<TableObserver>(this)),
      model_(new OddsGridModel(this)),
      tree_(new OddsGridTreeView(this)),
      header_(new OddsGridHeader(tree_)),
      delegate_(new OddsGridDelegate(this)),
      bands_(new BandHeader(this)),
      group_panel_(new GroupPanel(this)),
      footer_(new FooterBar(this)),
      filters_(new FilterButtonStrip(this)),
      find_bar_(new FindBar(this)),
      find_action_(new QAction(QStringLiteral("Найти событие"), this)),
      only_changes_action_(new QAction(QStringLiteral("Только изменения"), this)),
      only_surebets_action_(new QAction(QStringLiteral("Только вилки"), this)) {
    setObjectName(QStringLiteral("ctl_DataGrid"));
    setAccessibleName(QStringLiteral("Линия"));

    setFocusProxy(tree_);
    tree_->setObjectName(QStringLiteral("odds_rows"));
    tree_->setAccessibleName(QStringLiteral("Строки линии"));
    tree_->setHeader(header_);
    tree_->setModel(model_);
    tree_->setItemDelegate(delegate_);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    tree_->setAnimated(false);
    tree_->setIndentation(kIndentation);
    // Sorting is the grid's own (header clicks go to the tree); the tree view would otherwise make
    // the header unclickable.
    tree_->setSortingEnabled(false);
    header_->setSectionsClickable(true);
    header_->setSortIndicatorShown(true);  // turning the view's sorting off hid the arrow
    tree_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree_->setAutoScroll(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->viewport()->installEventFilter(this);
    tree_->installEventFilter(this);
    header_->installEventFilter(this);
    header_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The find bar heads the whole grid, above the group panel, so the panel stays next to the
    // headers its columns are dragged from. Hidden until Ctrl+F.
    layout->addWidget(find_bar_);
    layout->addWidget(group_panel_);
    layout->addWidget(bands_);
    layout->addWidget(tree_, 1);
    layout->addWidget(footer_);

    SetUpActions();
    ConnectParts();
    ConnectKeys();

    model_->Tree().SetFormats(SystemFormats());
    ApplyLook();
    FitDateColumn();
    Reload();
}

void OddsGridView::SetUpActions() {
    find_bar_->hide();
    find_action_->setObjectName(QStringLiteral("actFind"));
    find_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // The whole window's key, not only the grid's: the keyboard may be on the toolbar.
    find_action_->setShortcutContext(Qt::WindowShortcut);
    addAction(find_action_);
    connect(find_action_, &QAction::triggered, this, &OddsGridView::ShowFindBar);
    only_changes_action_->setObjectName(QStringLiteral("actOnlyChanges"));
    only_changes_action_->setCheckable(true);
    only_changes_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    only_changes_action_->setShortcutContext(Qt::WindowShortcut);
    only_changes_action_->setToolTip(
        QStringLiteral("Показывать только события, где что-то изменилось с прошлого обновления"));
    addAction(only_changes_action_);
    connect(only_changes_action_, &QAction::toggled, this, &OddsGridView::SetOnlyChanges);
    only_surebets_action_->setObjectName(QStringLiteral("actOnlySurebets"));
    only_surebets_action_->setCheckable(true);
    only_surebets_action_->setEnabled(false);
    only_surebets_action_->setToolTip(
        QStringLiteral("Показывать только события, где ставка на все исходы у двух контор "
                       "выигрывает при любом исходе"));
    connect(only_surebets_action_, &QAction::toggled, this, &OddsGridView::SetOnlySurebets);
    connect(find_bar_, &FindBar::TextChanged, this, &OddsGridView::OnFindTextChanged);
    connect(find_bar_, &FindBar::Accepted, this, [this] {
        if (!FocusFirstFound()) QApplication::beep();
    });
    connect(find_bar_, &FindBar::CloseRequested, this, &OddsGridView::CloseFindBar);
}

void OddsGridView::ConnectParts() {
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    // The place is kept up to date while the tree and the table agree (see Reload).
    connect(tree_, &QTreeView::expanded, this, [this] { RememberPlace(); });
    connect(tree_, &QTreeView::collapsed, this, [this] { RememberPlace(); });
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (popup_menu_) popup_menu_->popup(tree_->viewport()->mapToGlobal(pos));
    });
    connect(header_, &QHeaderView::sectionResized, this, &OddsGridView::OnSectionResized);
    connect(header_, &QHeaderView::sectionClicked, this, [this](int section) {
        const int column = model_->LayoutColumn(section);
        if (column >= 0) ClickHeader(column);
    });
    connect(header_, &QHeaderView::geometriesChanged, this, &OddsGridView::FollowHeader);
    connect(filters_, &FilterButtonStrip::Clicked, this,
            [this](int column) { OpenFilterPopup(column); });
    connect(header_, &OddsGridHeader::ColumnDropped, this, &OddsGridView::OnHeaderDrop);
    connect(header_, &OddsGridHeader::MenuRequested, this,
            [this](int column, const QPoint& at) { OpenHeaderMenu(column, at); });
    connect(filters_, &FilterButtonStrip::MenuRequested, this,
            [this](int column, const QPoint& at) { OpenHeaderMenu(column, at); });
    connect(tree_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { FollowHeader(); });
    connect(group_panel_, &GroupPanel::LevelClicked, this, [this](int level) {
        ChangeTree([level](grid::GridTree& tree) { tree.ToggleGroupDirection(level); });
    });
    connect(group_panel_, &GroupPanel::ColumnDropped, this, [this](int column, int level) {
        if (!Tree().CanGroupBy(column)) return;
        ChangeTree([column, level](grid::GridTree& tree) { tree.GroupBy(column, level); });
    });
    connect(group_panel_, &GroupPanel::ColumnDraggedOut, this, &OddsGridView::Ungroup);
}

void OddsGridView::ConnectKeys() {
    connect(tree_, &OddsGridTreeView::EventActivated, this, &OddsGridView::EventActivated);
    connect(tree_, &OddsGridTreeView::FilterListRequested, this,
            [this](int column) { OpenFilterPopup(column); });
    connect(tree_, &OddsGridTreeView::SortRequested, this, &OddsGridView::ClickHeader);
    connect(tree_, &OddsGridTreeView::GroupRequested, this, [this](int column) {
        if (Tree().CanGroupBy(column)) {
            GroupByColumn(column);
        } else {
            SayCannotGroup(column);
        }
    });
    connect(tree_, &OddsGridTreeView::ColumnMenuRequested, this,
            &OddsGridView::OpenHeaderMenuBelow);
    connect(tree_, &OddsGridTreeView::EndSearchRequested, this, &OddsGridView::CloseFindBar);
    connect(tree_, &OddsGridTreeView::PopupMenuRequested, this,
            &OddsGridView::OpenPopupMenuAtFocus);
}

OddsGridView::~OddsGridView() {
    if (table_) table_->SetObserver(nullptr);
    // The children outlive this part of the object: while ~QWidget closes the window the header
    // hides and reports new geometry, and no slot of this already destroyed view may run then.
    for (QObject* sender : std::initializer_list<QObject*>{header_, tree_, tree_->selectionModel(),
                                                           tree_->horizontalScrollBar(),
                                                           group_panel_, filters_, find_bar_}) {
        if (sender) sender->disconnect(this);
    }
}

RegionalFormats OddsGridView::SystemFormats() {
    const QLocale locale = QLocale::system();
    RegionalFormats formats;
    // The C locale states no regional preference (a bare session, a service); the line is Russian,
    // so its dates and times read as a Russian desktop shows them: 11.12.2026 18:00:00.
    if (locale.language() == QLocale::C) return formats;
    formats.decimal_mark = locale.decimalPoint().toStdString();
    formats.short_date = locale.dateFormat(QLocale::ShortFormat).toStdString();
    formats.long_time = locale.timeFormat(QLocale::LongFormat).toStdString();
    return formats;
}

// Room beside a cell's text: the delegate's margins on both sides and the grid line.
constexpr int kDateColumnPadding = 10;
// Room beside a caption beyond the style's header margins: the section's edges, and the filter
// button with its margin.
constexpr int kCaptionPadding = 4;
constexpr int kFilterButtonRoom = 20;

void OddsGridView::FitDateColumn() {
    // The laid-out widths suit an 8-point bitmap face; the desktop's font is wider, and a start
    // time cut off after its date hides what a bettor reads first. So the date column starts at
    // least as wide as a whole date and time with two-digit fields in the current formats.
    const std::optional<table::DateTime> sample =
        table::MakeDateTime({2026, 12, 28, 20, 59, 59, 0});
    if (!sample) return;
    const QString text = QString::fromStdString(table::FormatDateTime(*sample, Tree().Formats()));
    const int needed =
        QFontMetrics(tree_->font()).horizontalAdvance(text) + kDateColumnPadding + date_badge_room_;
    grid::GridLayout& layout = model_->Tree().MutableLayout();
    if (needed > layout.Column(grid::kColDate).width) layout.SetWidth(grid::kColDate, needed);
}

void OddsGridView::SetFormats(const RegionalFormats& formats) {
    formats_set_ = true;
    ChangeTree([&formats](grid::GridTree& tree) { tree.SetFormats(formats); });
}

void OddsGridView::ApplyLook() {
    const QFont grid_font = tree_->font();
    QFont header_font = grid_font;
    const QPalette palette = tree_->palette();
    model_->SetLook(grid_font, header_font, palette.color(QPalette::ToolTipBase));
    header_->setFont(header_font);
    const QColor caption = CaptionColour(palette);
    model_->SetCaptionColour(caption);
    QPalette header_palette = header_->palette();
    header_palette.setColor(QPalette::ButtonText, caption);
    header_->setPalette(header_palette);
    bands_->SetBands(Tree().Layout(), header_font, caption, palette.color(QPalette::Button));
    delegate_->SetGridLineColour(palette.color(QPalette::Midlight).darker(110));
    tree_->SetGroupRowColours(palette.color(QPalette::Button), palette.color(QPalette::Text));
}

grid::GridLook OddsGridView::Look() const {
    const QPalette palette = tree_->palette();
    grid::GridLook look;
    look.font = ToGridFont(tree_->font(), palette.color(QPalette::Text));
    look.header_font = ToGridFont(header_->font(), CaptionColour(palette));
    look.band_font = ToGridFont(bands_->BandLabel(0) ? bands_->BandLabel(0)->font() : font(),
                                CaptionColour(palette));
    look.header_colour = ToRgb(palette.color(QPalette::Button));
    look.group_node_text_colour = ToRgb(palette.color(QPalette::Text));
    look.group_node_colour = ToRgb(palette.color(QPalette::Button));
    look.background = ToRgb(palette.color(QPalette::Base));
    look.window_frame = ToRgb(palette.color(QPalette::Shadow));
    look.window_background = ToRgb(palette.color(QPalette::Base));
    look.band_colour = ToRgb(palette.color(QPalette::Button));
    look.footer_text_colour = ToRgb(palette.color(QPalette::Text));
    look.footer_colour = ToRgb(palette.color(QPalette::Button));
    look.grid_line_colour = ToRgb(delegate_->GridLineColour());
    look.info_background = ToRgb(palette.color(QPalette::ToolTipBase));
    look.apricot = ToRgb(ApricotColour());
    look.show_grid = true;
    return look;
}

void OddsGridView::SetTable(table::OddsTable* table) {
    if (table_) table_->SetObserver(nullptr);
    table_ = table;
    if (table_) table_->SetObserver(observer_.get());
    Reload();
}

QTreeView* OddsGridView::TreeView() const { return tree_; }

const grid::GridTree& OddsGridView::Tree() const { return model_->Tree(); }

void OddsGridView::SetPopupMenu(QMenu* menu) { popup_menu_ = menu; }

void OddsGridView::ExpandAllGroups() {
    if (model_->rowCount() == 0) return;
    tree_->expandAll();
    RememberPlace();
}

void OddsGridView::CollapseAllGroups() {
    if (model_->rowCount() == 0) return;
    tree_->collapseAll();
    RememberPlace();
}

void OddsGridView::Reload() {
    // The table has already changed: the tree still holds the old row indexes, which may now name
    // other rows, so the place comes from the last time the tree and the table agreed.
    const SavedState state = SaveState(place_);
    model_->Reload(table_);
    RestoreState(state);
    SyncFromLayout();
}

void OddsGridView::ChangeTree(const std::function<void(grid::GridTree&)>& change) {
    const SavedState state = SaveState(CurrentPlace());
    model_->ChangeTree(change);
    RestoreState(state);
    SyncFromLayout();
}

grid::GridPlace OddsGridView::CurrentPlace() const {
    const QModelIndex current = tree_->currentIndex();
    return grid::SavePlace(
        Tree(), [this](grid::NodeRef node) { return tree_->isExpanded(model_->IndexOf(node)); },
        current.isValid() ? model_->NodeOf(current) : grid::NodeRef{});
}

void OddsGridView::RememberPlace() {
    if (!restoring_) place_ = CurrentPlace();
}

OddsGridView::SavedState OddsGridView::SaveState(grid::GridPlace place) const {
    SavedState state;
    state.place = std::move(place);
    state.vertical = tree_->verticalScrollBar()->value();
    state.horizontal = tree_->horizontalScrollBar()->value();
    const QModelIndex current = tree_->currentIndex();
    if (current.isValid() && !Tree().IsGroup(model_->NodeOf(current))) {
        state.focus_column = model_->LayoutColumn(current.column());
    }
    if (current.isValid()) {
        QModelIndex top = current;
        while (top.parent().isValid()) top = top.parent();
        state.focus_top_row = top.row();
    }
    return state;
}

void OddsGridView::RestoreState(const SavedState& state) {
    restoring_ = true;
    const grid::RestoredPlace found = grid::FindPlace(Tree(), state.place, same_event_);
    if (found.expand_all) {
        tree_->expandAll();
    } else {
        for (const grid::NodeRef node : found.expanded) {
            tree_->setExpanded(model_->IndexOf(node), true);
        }
    }
    if (state.place.focus) {
        QModelIndex index = found.focus ? model_->IndexOf(*found.focus) : QModelIndex();
        // The event keeps the focused column too, so the column keys go on acting where they did.
        const int column = model_->ModelColumn(state.focus_column);
        if (index.isValid() && column >= 0 && !Tree().IsGroup(*found.focus)) {
            index = index.siblingAtColumn(column);
        }
        if (!index.isValid() && model_->rowCount() > 0) {
            // What had the focus is gone (a filter took it away): the nearest row left at the top
            // takes it, so the keyboard stays in the grid. A group row leaves no current event.
            index = model_->index(std::min(state.focus_top_row, model_->rowCount() - 1), 0);
        }
        if (index.isValid()) {
            // Make sure the row can be seen: open the groups above it.
            for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) {
                if (!tree_->isExpanded(p)) tree_->setExpanded(p, true);
            }
            tree_->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    tree_->doItemsLayout();
    tree_->verticalScrollBar()->setValue(state.vertical);
    tree_->horizontalScrollBar()->setValue(state.horizontal);
    restoring_ = false;
    RememberPlace();
    ShowFocusedMark();
}

void OddsGridView::SetSameEvent(grid::SameEvent same) { same_event_ = std::move(same); }

void OddsGridView::SyncFromLayout() {
    const grid::GridTree& tree = Tree();
    const grid::GridLayout& layout = tree.Layout();
    syncing_ = true;
    const int levels = tree.LevelCount();
    // The model holds only the shown columns, in the header's order: nothing to hide or move.
    tree_->setRootIsDecorated(levels > 0);
    if (model_->HasIndentColumn()) {
        header_->setSectionResizeMode(OddsGridModel::kIndentColumn, QHeaderView::Fixed);
        header_->resizeSection(OddsGridModel::kIndentColumn, kIndentation * (levels + 1));
    } else if (header_->count() > 0) {
        header_->setSectionResizeMode(0, QHeaderView::Interactive);
    }
    for (int section = 0; section < header_->count(); ++section) {
        if (header_->visualIndex(section) != section) {
            header_->moveSection(header_->visualIndex(section), section);
        }
        const int column = model_->LayoutColumn(section);
        if (column >= 0 && header_->sectionSize(section) != layout.Column(column).width) {
            header_->resizeSection(section, layout.Column(column).width);
        }
    }
    std::vector<bool> filtered(layout.ColumnCount(), false);
    std::vector<bool> droppable(layout.ColumnCount(), false);
    for (int column = 0; column < layout.ColumnCount(); ++column) {
        const grid::GridColumn& c = layout.Column(column);
        filtered[column] = tree.Filter(column).IsActive();
        droppable[column] = !c.fixed && c.visible;
    }
    const grid::SortState sort = tree.Sort();
    header_->setSortIndicator(model_->ModelColumn(sort.column),
                              sort.direction == grid::SortDirection::kAscending
                                  ? Qt::AscendingOrder
                                  : Qt::DescendingOrder);
    header_->SetLayoutInfo(layout);
    filters_->SetLayoutInfo(layout, filtered);

    std::vector<GroupPanel::Level> levels_info;
    for (int level = 0; level < levels; ++level) {
        const int column = tree.GroupColumns()[level];
        levels_info.push_back({column, FromCp1251(layout.Column(column).caption),
                               tree.GroupDirection(level) == grid::SortDirection::kDescending});
    }
    group_panel_->SetLevels(levels_info);
    group_panel_->SetDroppableColumns(droppable);
    footer_->SetText(FromCp1251(tree.FooterText()));
    // Also after a reload while searching: a new line may hold what the old one did not.
    find_bar_->SetNothingFound(!tree.FindTextUtf8().empty() && tree.EventCount() == 0);
    syncing_ = false;
    FollowHeader();
}

void OddsGridView::FollowHeader() {
    const int x_origin =
        header_->viewport()->mapTo(this, QPoint(0, 0)).x() - bands_->mapTo(this, QPoint(0, 0)).x();
    bands_->Follow(*header_, *model_, x_origin);
    const int footer_origin =
        header_->viewport()->mapTo(this, QPoint(0, 0)).x() - footer_->mapTo(this, QPoint(0, 0)).x();
    footer_->Follow(*header_, model_->ModelColumn(grid::kColHomeTeam), footer_origin);
    filters_->Follow(*header_, *model_);
}

void OddsGridView::OnSectionResized(int section, int, int new_size) {
    const int column = model_->LayoutColumn(section);
    if (!syncing_ && column >= 0 && !header_->isSectionHidden(section)) {
        model_->Tree().MutableLayout().SetWidth(column, new_size);
    }
    FollowHeader();
}

void OddsGridView::OnCurrentChanged(const QModelIndex& current) {
    if (current.isValid() && model_->HasIndentColumn() &&
        current.column() == OddsGridModel::kIndentColumn && model_->columnCount() > 1 &&
        !Tree().IsGroup(model_->NodeOf(current))) {
        // The indent column of an event row is empty: the keyboard's cell starts on the first
        // column the row shows, so the column keys always know their column.
        tree_->selectionModel()->setCurrentIndex(current.siblingAtColumn(1),
                                                 QItemSelectionModel::NoUpdate);
        return;
    }
    RememberPlace();
    ShowFocusedMark();
    if (current.isValid() && table_) {
        const int row = Tree().CurrentTableRowFor(model_->NodeOf(current));
        if (row >= 0) table_->SetCurrentRow(row);
    }
    // Also when a group row takes the focus: there is no current event then.
    emit CurrentRowChanged();
}

bool OddsGridView::HasCurrentEvent() const {
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() && !Tree().IsGroup(model_->NodeOf(current));
}

int OddsGridView::FocusedColumn() const { return tree_->FocusedColumn(); }

void OddsGridView::ClickHeader(int column) {
    ChangeTree([column](grid::GridTree& tree) { tree.ClickHeader(column); });
}

void OddsGridView::SetColumnFilter(int column, const grid::ColumnFilter& filter) {
    ChangeTree([column, &filter](grid::GridTree& tree) { tree.SetFilter(column, filter); });
}

bool OddsGridView::SetColumnShown(int column, bool shown) {
    if (!Tree().Layout().IsUserToggleable(column)) return false;
    ChangeTree([this, column, shown](grid::GridTree& tree) {
        tree.SetColumnShown(column, shown);
        // Laid-out widths suit an 8-point bitmap face; a column the user asks for shows its whole
        // caption in the desktop's font ("Маржа 1X2" would be cut).
        if (!shown) return;
        const grid::GridColumn& c = tree.Layout().Column(column);
        const int margin = header_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header_);
        const int needed = QFontMetrics(header_->font()).horizontalAdvance(FromCp1251(c.caption)) +
                           2 * margin + kCaptionPadding + (c.filter ? kFilterButtonRoom : 0);
        if (needed > tree.Layout().Column(column).width) {
            tree.MutableLayout().SetWidth(column, needed);
        }
    });
    return true;
}

void OddsGridView::SetFindText(const std::string& utf8) {
    ChangeTree([&utf8](grid::GridTree& tree) { tree.SetFindText(utf8); });
}

void OddsGridView::ShowFindBar() {
    find_bar_->Open();
    tree_->SetEscapeEndsSearch(true);
}

void OddsGridView::CloseFindBar() {
    find_bar_->Field()->clear();  // ends the search (OnFindTextChanged)
    find_bar_->hide();
    tree_->SetEscapeEndsSearch(false);
    tree_->setFocus(Qt::OtherFocusReason);
}

void OddsGridView::OnFindTextChanged(const QString& text) {
    if (text.isEmpty()) {
        EndFind();
        return;
    }
    if (!before_find_) before_find_ = std::make_unique<SavedState>(SaveState(CurrentPlace()));
    SetFindText(text.toStdString());
    // Found events are shown, not hidden in collapsed groups: every group left holds one.
    if (model_->rowCount() > 0 && !place_.all_expanded) ExpandAllGroups();
    const QModelIndex current = tree_->currentIndex();
    if (current.isValid() && !Tree().IsGroup(model_->NodeOf(current))) {
        tree_->scrollTo(current);
    } else {
        tree_->scrollToTop();
    }
}

void OddsGridView::EndFind() {
    if (!before_find_) {
        if (!Tree().FindTextUtf8().empty()) SetFindText("");
        return;
    }
    SavedState state = std::move(*before_find_);
    before_find_.reset();
    const QModelIndex current = tree_->currentIndex();
    const bool on_event = current.isValid() && !Tree().IsGroup(model_->NodeOf(current));
    if (on_event) {
        // The event the user went to keeps the focus; otherwise the focus of before comes back.
        state.place.focus = CurrentPlace().focus;
    }
    model_->ChangeTree([](grid::GridTree& tree) { tree.SetFindText(""); });
    RestoreState(state);
    SyncFromLayout();
    if (on_event) tree_->scrollTo(tree_->currentIndex());
}

bool OddsGridView::FocusFirstFound() {
    const std::optional<grid::NodeRef> first = Tree().FirstEvent();
    if (!first) return false;
    const QModelIndex found = model_->IndexOf(*first);
    for (QModelIndex p = found.parent(); p.isValid(); p = p.parent()) tree_->setExpanded(p, true);
    tree_->selectionModel()->setCurrentIndex(
        found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree_->scrollTo(found);
    tree_->setFocus(Qt::OtherFocusReason);
    return true;
}

void OddsGridView::GroupByColumn(int column) {
    if (!Tree().CanGroupBy(column) || Tree().IsGrouping(column)) return;
    ChangeTree([column](grid::GridTree& tree) { tree.GroupBy(column, tree.LevelCount()); });
}

void OddsGridView::Ungroup(int column) {
    if (!Tree().IsGrouping(column)) return;
    ChangeTree([column](grid::GridTree& tree) { tree.Ungroup(column); });
}

void OddsGridView::SetGroupColumns(const std::vector<int>& columns) {
    // A list the layout refuses (a fixed column) leaves the grouping as it was.
    if (!Tree().CanGroupBy(columns)) return;
    ChangeTree([&columns](grid::GridTree& tree) { tree.SetGroupColumns(columns); });
}

void OddsGridView::MoveColumn(int column, int position_in_band) {
    if (column < 0 || column >= Tree().Layout().ColumnCount()) return;
    // The model's columns follow the header's order, so a move is a change of the model too.
    ChangeTree([column, position_in_band](grid::GridTree& tree) {
        tree.MutableLayout().MoveWithinBand(column, position_in_band);
    });
}

void OddsGridView::OnHeaderDrop(int column, bool from_group_panel, int before_column) {
    const grid::GridLayout& layout = Tree().Layout();
    if (column < 0 || column >= layout.ColumnCount() || layout.Column(column).fixed) return;
    if (from_group_panel) Ungroup(column);
    if (Tree().Layout().CanMoveBefore(column, before_column)) {
        // The model's columns follow the header's order, so a move is a change of the model too.
        ChangeTree([column, before_column](grid::GridTree& tree) {
            tree.MutableLayout().MoveBefore(column, before_column);
        });
    }
}

bool OddsGridView::eventFilter(QObject* watched, QEvent* event) {
    // The header moves with the tree too, as when the find bar shows or hides above it.
    if ((watched == header_ || watched == tree_) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        FollowHeader();
    }
    if ((watched == tree_->viewport() || watched == header_->viewport()) &&
        event->type() == QEvent::MouseButtonDblClick) {
        // A group row only opens or closes: the event sheet is never that of an event elsewhere.
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        const QModelIndex under =
            watched == tree_->viewport() ? tree_->indexAt(pos) : QModelIndex();
        if (!under.isValid() || !Tree().IsGroup(model_->NodeOf(under))) {
            // Reported after the view has handled it.
            QMetaObject::invokeMethod(this, &OddsGridView::DoubleClicked, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OddsGridView::ShowFocusedMark() {
    const QModelIndex current = tree_->currentIndex();
    QString text;
    if (current.isValid() && !Tree().IsGroup(model_->NodeOf(current))) {
        const QString mark = current.data(Qt::AccessibleDescriptionRole).toString();
        if (!mark.isEmpty()) {
            text =
                model_->headerData(current.column(), Qt::Horizontal, Qt::AccessibleDescriptionRole)
                    .toString() +
                QStringLiteral(": ") + mark;
        }
    }
    footer_->SetStatus(text);
}

QString OddsGridView::StatusText() const { return footer_->Status(); }

void OddsGridView::SetCellMarks(CellMarkSource cells, RowMarkSource rows) {
    model_->SetCellMarks(std::move(cells), std::move(rows));
    // The rows shown follow the new marks; the place is kept as for any change of the rows.
    if (OnlyChanges()) ChangeTree([](grid::GridTree& tree) { tree.Refresh(); });
    ShowFocusedMark();
}

bool OddsGridView::OnlyChanges() const { return only_changes_; }

void OddsGridView::SetOnlyChanges(bool on) {
    if (on != only_changes_action_->isChecked()) only_changes_action_->setChecked(on);
    if (on == only_changes_) return;
    only_changes_ = on;
    ChangeTree([this](grid::GridTree& tree) { ApplyRowRule(tree); });
}

void OddsGridView::SetComparison(grid::RowNumberSource best_margins, grid::RowNumberSource surebets,
                                 RowTest has_surebet) {
    const bool leaving = !has_surebet;
    has_surebet_ = std::move(has_surebet);
    only_surebets_action_->setEnabled(!leaving);
    // The date cell tells an event of one bookmaker by a badge, the price cells who holds the
    // price: each such column grows by the badge's room while two lines are shown, so that a
    // start time or a price of three decimals stays whole beside it.
    const int room = leaving ? 0 : OddsGridDelegate::BadgeRoom(tree_->font());
    if (room != date_badge_room_) {
        grid::GridLayout& layout = model_->Tree().MutableLayout();
        for (const int column :
             {grid::kColP1, grid::kColX, grid::kColP2, grid::kColPX1, grid::kColP12, grid::kColP2X,
              grid::kColF1, grid::kColF2, grid::kColTM, grid::kColTB}) {
            layout.SetWidth(column, layout.Column(column).width + room - date_badge_room_);
        }
        if (room == 0) {
            layout.SetWidth(grid::kColDate, layout.Column(grid::kColDate).width - date_badge_room_);
        }
        date_badge_room_ = room;
        FitDateColumn();
    }
    if (!leaving && table_ != nullptr && table_->IsDisplaySuspended()) {
        // The rows are being replaced: the reload that follows builds the tree with the new
        // values once, from the place the user had in the rows before.
        grid::GridLayout& layout = model_->Tree().MutableLayout();
        layout.SetRowNumbers(grid::kColBestMargin, std::move(best_margins));
        layout.SetRowNumbers(grid::kColSurebet, std::move(surebets));
        return;
    }
    if (leaving) {
        only_surebets_ = false;
        const QSignalBlocker quiet(only_surebets_action_);
        only_surebets_action_->setChecked(false);
    }
    ChangeTree([&](grid::GridTree& tree) {
        tree.SetRowNumbers(grid::kColBestMargin, std::move(best_margins));
        tree.SetRowNumbers(grid::kColSurebet, std::move(surebets));
        ApplyRowRule(tree);
    });
}

void OddsGridView::SetOnlySurebets(bool on) {
    on = on && has_surebet_;
    if (on != only_surebets_action_->isChecked()) only_surebets_action_->setChecked(on);
    if (on == only_surebets_) return;
    only_surebets_ = on;
    ChangeTree([this](grid::GridTree& tree) { ApplyRowRule(tree); });
}

void OddsGridView::ApplyRowRule(grid::GridTree& tree) {
    tree_->SetRowRuleHint(
        !only_surebets_ ? OddsGridTreeView::NothingMovedHint()
        : only_changes_
            ? QStringLiteral("Среди изменившихся событий вилок нет. Ctrl+Shift+C показывает "
                             "всю линию")
            : QStringLiteral("Вилок нет. «Только вилки» в меню заголовка показывает всю линию"));
    if (!only_changes_ && !only_surebets_) {
        tree.SetRowRule({});
        return;
    }
    // The surebet test is read when the tree is built, so a new comparison's rows are judged by
    // its own.
    tree.SetRowRule([this](int32_t row) {
        if (only_changes_ && !model_->RowMarks(row).Any()) return false;
        if (!only_surebets_ || !has_surebet_) return true;
        return table_ != nullptr && row >= 0 && row < table_->RowCount() &&
               has_surebet_(table_->Rows()[row]);
    });
}

void OddsGridView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FollowHeader();
}

void OddsGridView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Display texts follow the regional settings of the moment, as everything else does.
    // A new theme: captions and band colours follow it (cells read the palette as they paint).
    // Queued, since the children take the new palette after this widget hears of it.
    if (event->type() == QEvent::PaletteChange) {
        QMetaObject::invokeMethod(
            this, [this] { ApplyLook(); }, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::LocaleChange && !formats_set_) {
        ChangeTree([this](grid::GridTree& tree) {
            tree.SetFormats(SystemFormats());
            FitDateColumn();
        });
    }
}

void OddsGridView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FollowHeader();
}

}  // namespace lintaro::views
