// The odds grid's layout at start, and the changes the window makes to it.
#include "grid/grid_layout.h"

#include <algorithm>
#include <stdexcept>

#include "table/cp1251_text.h"

namespace lintaro::grid {

using table::FieldAlignment;
using table::Utf8ToCp1251;

namespace {

struct ColumnEntry {
    const char* field;
    const char* caption;  // UTF-8; converted once to Windows-1251
    int band;
    int width;
    bool visible;
    ColumnBackground background;
    bool bold;
    FieldAlignment caption_alignment;
    bool fixed;
    bool filter;
    bool sorted;
    int group_level;
};

constexpr auto kGrid = ColumnBackground::kGrid;
constexpr auto kInfo = ColumnBackground::kInfo;
constexpr auto kApricotBg = ColumnBackground::kApricot;
constexpr auto kLeft = FieldAlignment::kLeft;
constexpr auto kCentre = FieldAlignment::kCenter;

// "Командa дом." and "Командa гость" end their sixth letter in a Latin "a"; "X", "TM", "X1" and
// "2X" are Latin, "ТБ" is Cyrillic.
constexpr ColumnEntry kColumnEntries[kColDopInfo + 1] = {
    {"sport_type_name", "Вид спорта", 0, 86, false, kGrid, false, kLeft, false, true, true, 1},
    {"competition_name", "Турнир", 0, 86, false, kGrid, false, kLeft, false, true, true, 2},
    {"sport_event_date", "Дата события", 0, 104, true, kGrid, false, kLeft, true, true, true, 0},
    {"team_h_name", "Командa дом.", 0, 150, true, kGrid, false, kLeft, true, true, false, 0},
    {"team_g_name", "Командa гость", 0, 150, true, kGrid, false, kLeft, true, true, false, 0},
    {"P1", "1", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"X", "X", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"P2", "2", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"PX1", "X1", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"P12", "12", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"P2X", "2X", 1, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"VF1", "знач.", 2, 50, true, kApricotBg, false, kCentre, true, false, false, 0},
    {"F1", "Ф1", 2, 50, true, kApricotBg, true, kCentre, true, false, false, 0},
    {"VF2", "знач.", 2, 50, true, kApricotBg, false, kCentre, true, false, false, 0},
    {"F2", "Ф2", 2, 50, true, kApricotBg, true, kCentre, true, false, false, 0},
    {"VT", "знач.", 3, 50, true, kInfo, false, kCentre, true, false, false, 0},
    {"TM", "TM", 3, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"TB", "ТБ", 3, 50, true, kInfo, true, kCentre, true, false, false, 0},
    {"dop_info", "", 0, kDefaultColumnWidth, false, kGrid, false, kLeft, false, true, false, 0},
};

struct ComputedEntry {
    ComputedColumn computed;
    const char* caption;  // UTF-8
    int band;
    ColumnBackground background;
};

// Wide enough for the caption in the grid's font; hidden at start, so the grid looks as laid out.
constexpr int kMarginWidth = 64;
constexpr int kBestMarginWidth = 84;
constexpr ComputedEntry kComputedEntries[] = {
    {ComputedColumn::kMargin1X2, "Маржа 1X2", 1, kInfo},
    {ComputedColumn::kMarginHandicap, "Маржа Ф", 2, kApricotBg},
    {ComputedColumn::kMarginTotal, "Маржа Т", 3, kInfo},
    {ComputedColumn::kBestMargin, "Маржа лучших", 1, kInfo},
    {ComputedColumn::kSurebet, "Вилка", 1, kInfo},
};

constexpr const char* kBandCaptions[] = {"Общие данные", "Исходы", "Фора", "Тотал"};

}  // namespace

GridLayout::GridLayout() {
    for (const char* caption : kBandCaptions) bands_.push_back({Utf8ToCp1251(caption), true});
    for (const ColumnEntry& entry : kColumnEntries) {
        GridColumn column;
        column.field_index = table::FieldIndex(entry.field);
        column.caption = Utf8ToCp1251(entry.caption);
        column.band = entry.band;
        column.width = entry.width;
        column.visible = entry.visible;
        column.background = entry.background;
        column.bold = entry.bold;
        column.caption_alignment = entry.caption_alignment;
        column.alignment = table::AlignmentOf(column.field_index);
        column.fixed = entry.fixed;
        column.filter = entry.filter;
        if (entry.sorted) column.sorted = SortDirection::kAscending;
        column.group_level = entry.group_level;
        columns_.push_back(std::move(column));
    }
    for (const ComputedEntry& entry : kComputedEntries) {
        GridColumn column;
        column.computed = entry.computed;
        column.caption = Utf8ToCp1251(entry.caption);
        column.band = entry.band;
        column.width =
            entry.computed == ComputedColumn::kBestMargin ? kBestMarginWidth : kMarginWidth;
        column.visible = false;
        column.background = entry.background;
        column.caption_alignment = kCentre;
        column.alignment = FieldAlignment::kRight;
        // Fixed like the prices beside them (never grouped by); filtered by value, which the
        // prices are not: "margin below 5%" is what a bettor asks of them.
        column.fixed = true;
        column.filter = true;
        columns_.push_back(std::move(column));
    }
    columns_[kColDopInfo].disable_caption = true;
    columns_[kColHomeTeam].summary = SummaryKind::kCount;
    // Header positions run band by band (the event sheet column, band 0 but listed last, sits at
    // the end of band 0), so that every band's columns stay side by side.
    for (int i = 0; i < ColumnCount(); ++i) order_.push_back(i);
    std::stable_sort(order_.begin(), order_.end(),
                     [this](int a, int b) { return columns_[a].band < columns_[b].band; });
}

std::vector<int> GridLayout::ExportColumns() const {
    std::vector<int> result;
    for (int band = 0; band < static_cast<int>(bands_.size()); ++band) {
        if (!bands_[band].visible) continue;
        for (int column : order_) {
            if (columns_[column].band == band && columns_[column].visible) result.push_back(column);
        }
    }
    return result;
}

int GridLayout::VisibleColumnCount(int band) const {
    if (band < 0 || band >= static_cast<int>(bands_.size()) || !bands_[band].visible) return 0;
    return static_cast<int>(
        std::count_if(columns_.begin(), columns_.end(),
                      [&](const GridColumn& c) { return c.band == band && c.visible; }));
}

std::vector<int> GridLayout::GroupColumns() const {
    std::vector<std::pair<int, int>> levels;
    for (int i = 0; i < ColumnCount(); ++i) {
        if (columns_[i].group_level > 0) levels.emplace_back(columns_[i].group_level, i);
    }
    std::sort(levels.begin(), levels.end());
    std::vector<int> result;
    for (const auto& level : levels) result.push_back(level.second);
    return result;
}

void GridLayout::SetWidth(int column, int width) { columns_.at(column).width = std::max(1, width); }

void GridLayout::SetVisible(int column, bool visible) { columns_.at(column).visible = visible; }

void GridLayout::SetRowNumbers(int column, RowNumberSource source) {
    GridColumn& c = columns_.at(column);
    if (c.computed != ComputedColumn::kBestMargin && c.computed != ComputedColumn::kSurebet) return;
    c.row_number = std::move(source);
    if (!c.row_number) c.visible = false;
}

bool GridLayout::IsUserToggleable(int column) const {
    if (column < 0 || column >= ColumnCount()) return false;
    const GridColumn& c = columns_[column];
    if ((c.computed == ComputedColumn::kBestMargin || c.computed == ComputedColumn::kSurebet) &&
        !c.row_number) {
        return false;
    }
    return column != kColDopInfo && c.group_level == 0;
}

std::vector<int> GridLayout::UserToggleableColumns() const {
    std::vector<int> result;
    for (int column : order_) {
        if (IsUserToggleable(column)) result.push_back(column);
    }
    return result;
}

void GridLayout::SetSorted(int column, std::optional<SortDirection> direction) {
    columns_.at(column).sorted = direction;
}

int GridLayout::PositionInBand(int column) const {
    const int band = columns_.at(column).band;
    int position = 0;
    for (int c : order_) {
        if (c == column) return position;
        if (columns_[c].band == band) ++position;
    }
    return position;
}

void GridLayout::MoveWithinBand(int column, int position_in_band) {
    const int band = columns_.at(column).band;
    order_.erase(std::find(order_.begin(), order_.end(), column));
    // Header positions of the band's other columns, in order.
    std::vector<size_t> slots;
    for (size_t i = 0; i < order_.size(); ++i) {
        if (columns_[order_[i]].band == band) slots.push_back(i);
    }
    size_t insert_at;
    if (slots.empty()) {
        // The band's only column: keep it after the bands before it.
        insert_at = 0;
        while (insert_at < order_.size() && columns_[order_[insert_at]].band < band) ++insert_at;
    } else if (position_in_band <= 0) {
        insert_at = slots.front();
    } else if (position_in_band >= static_cast<int>(slots.size())) {
        insert_at = slots.back() + 1;
    } else {
        insert_at = slots[position_in_band];
    }
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(insert_at), column);
}

bool GridLayout::CanMoveBefore(int column, int before) const {
    return column >= 0 && column < ColumnCount() && before >= 0 && before < ColumnCount() &&
           before != column && columns_[before].band == columns_[column].band;
}

bool GridLayout::MoveBefore(int column, int before) {
    if (!CanMoveBefore(column, before)) return false;
    int position = PositionInBand(before);
    if (PositionInBand(column) < position) --position;
    MoveWithinBand(column, position);
    return true;
}

bool GridLayout::CanGroupBy(int column) const {
    return column >= 0 && column < ColumnCount() && !columns_[column].fixed;
}

bool GridLayout::CanGroupBy(const std::vector<int>& columns) const {
    std::vector<bool> seen(columns_.size(), false);
    for (int column : columns) {
        if (!CanGroupBy(column) || seen[column]) return false;
        seen[column] = true;
    }
    return true;
}

void GridLayout::SetGroupColumns(const std::vector<int>& columns) {
    if (!CanGroupBy(columns)) {
        throw std::invalid_argument("cannot group by these columns");
    }
    std::vector<bool> seen(columns_.size(), false);
    for (int column : columns) seen[column] = true;
    for (int i = 0; i < ColumnCount(); ++i) {
        GridColumn& c = columns_[i];
        if (c.group_level > 0 && !seen[i]) {
            // A column that stops grouping comes back as a column at the end of its band, so the
            // user can still see it and group by it again.
            c.group_level = 0;
            c.visible = true;
            MoveWithinBand(i, ColumnCount());
        }
    }
    for (size_t level = 0; level < columns.size(); ++level) {
        GridColumn& c = columns_[columns[level]];
        c.group_level = static_cast<int>(level) + 1;
        c.visible = false;
        if (!c.sorted) c.sorted = SortDirection::kAscending;
    }
}

std::string GridLayout::ChecklistCaption(int column) const {
    const GridColumn& c = columns_.at(column);
    bool repeated = false, repeated_in_band = false;
    for (const int other : UserToggleableColumns()) {
        if (other == column || columns_[other].caption != c.caption) continue;
        repeated = true;
        repeated_in_band = repeated_in_band || columns_[other].band == c.band;
    }
    if (!repeated) return c.caption;
    if (!repeated_in_band) return c.caption + " (" + bands_.at(c.band).caption + ")";
    const auto at = std::find(order_.begin(), order_.end(), column);
    if (at != order_.end() && at + 1 != order_.end() && columns_[*(at + 1)].band == c.band) {
        return c.caption + " (" + columns_[*(at + 1)].caption + ")";
    }
    return c.caption;
}

}  // namespace lintaro::grid
