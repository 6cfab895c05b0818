// Building the grid's tree: filter the table's rows, give every row one integer key per ordering
// level (texts ranked among their distinct values), sort row indexes by those keys, and cut the
// sorted run into groups where a group key changes. Linear in the rows apart from the sort.
#include "grid/grid_tree.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "grid/column_value.h"
#include "table/cp1251_text.h"

namespace lintaro::grid {

using table::OddsRecord;
using table::RegionalFormats;
using table::StoredValue;

namespace {

// A null value's key: below every stored value (dates in ms, decimals in 0.0001 and integers are
// all far inside ±2^62), and still negatable.
constexpr int64_t kNullKey = -(int64_t{1} << 62);

// One ordering key per row of `rows` for the cells of `column`: texts become their rank among
// the distinct texts (by Windows-1251 codes, null 0), the other kinds their value. Descending
// negates, which puts null last.
std::vector<int64_t> OrderKeys(const std::vector<OddsRecord>& table_rows,
                               const std::vector<int32_t>& rows, const GridColumn& column,
                               SortDirection direction) {
    std::vector<int64_t> keys(rows.size());
    if (ColumnKind(column) == table::FieldKind::kText) {
        std::unordered_map<std::string_view, int32_t> ids;
        std::vector<std::string_view> distinct;
        std::vector<int32_t> id_of_row(rows.size(), -1);
        for (size_t i = 0; i < rows.size(); ++i) {
            const StoredValue value = ColumnValue(table_rows[rows[i]], KeyOf(column));
            if (const auto* text = std::get_if<std::string_view>(&value)) {
                auto [it, inserted] = ids.try_emplace(*text, static_cast<int32_t>(distinct.size()));
                if (inserted) distinct.push_back(*text);
                id_of_row[i] = it->second;
            }
        }
        std::vector<int32_t> by_text(distinct.size());
        std::iota(by_text.begin(), by_text.end(), 0);
        // string_view compares through char_traits<char>, which orders bytes as unsigned.
        std::sort(by_text.begin(), by_text.end(),
                  [&](int32_t a, int32_t b) { return distinct[a] < distinct[b]; });
        std::vector<int64_t> rank(distinct.size());
        for (size_t r = 0; r < by_text.size(); ++r) rank[by_text[r]] = static_cast<int64_t>(r) + 1;
        for (size_t i = 0; i < rows.size(); ++i)
            keys[i] = id_of_row[i] < 0 ? 0 : rank[id_of_row[i]];
    } else {
        for (size_t i = 0; i < rows.size(); ++i) {
            const StoredValue value = ColumnValue(table_rows[rows[i]], KeyOf(column));
            int64_t key = kNullKey;
            if (const auto* moment = std::get_if<table::DateTime>(&value)) key = moment->ms;
            if (const auto* decimal = std::get_if<table::Decimal>(&value)) key = decimal->scaled;
            if (const auto* integer = std::get_if<int32_t>(&value)) key = *integer;
            keys[i] = key;
        }
    }
    if (direction == SortDirection::kDescending) {
        for (int64_t& key : keys) key = -key;
    }
    return keys;
}

bool IsBlank(const StoredValue& value) {
    if (std::holds_alternative<std::monostate>(value)) return true;
    const auto* text = std::get_if<std::string_view>(&value);
    return text && text->empty();
}

const std::string& TotalPrefix() {
    static const std::string prefix = table::Utf8ToCp1251("Всего: ");
    return prefix;
}

}  // namespace

std::string GroupValueText(const OddsRecord& row, int field_index, const RegionalFormats& formats) {
    const StoredValue value = table::GetField(row, field_index);
    if (const auto* text = std::get_if<std::string_view>(&value)) return std::string(*text);
    return table::Utf8ToCp1251(table::DisplayText(row, field_index, formats));
}

GridTree::GridTree(RegionalFormats formats)
    : formats_(std::move(formats)), group_columns_(layout_.GroupColumns()) {}

void GridTree::Rebuild(const table::OddsTable& table) {
    table_ = &table;
    Build();
}

void GridTree::Refresh() { Build(); }

void GridTree::SetFormats(RegionalFormats formats) {
    formats_ = std::move(formats);
    Build();
}

void GridTree::SetGroupColumns(const std::vector<int>& columns) {
    layout_.SetGroupColumns(columns);
    group_columns_ = layout_.GroupColumns();
    Build();
}

bool GridTree::IsGrouping(int column) const {
    return std::find(group_columns_.begin(), group_columns_.end(), column) != group_columns_.end();
}

bool GridTree::GroupBy(int column, int level) {
    if (!CanGroupBy(column)) return false;
    std::vector<int> columns = group_columns_;
    const auto old = std::find(columns.begin(), columns.end(), column);
    if (old != columns.end()) {
        if (old - columns.begin() < level) --level;
        columns.erase(old);
    }
    level = std::clamp(level, 0, static_cast<int>(columns.size()));
    columns.insert(columns.begin() + level, column);
    SetGroupColumns(columns);
    return true;
}

bool GridTree::Ungroup(int column) {
    if (!IsGrouping(column)) return false;
    std::vector<int> columns = group_columns_;
    columns.erase(std::remove(columns.begin(), columns.end(), column), columns.end());
    SetGroupColumns(columns);
    return true;
}

bool GridTree::SetColumnShown(int column, bool shown) {
    if (!layout_.IsUserToggleable(column)) return false;
    layout_.SetVisible(column, shown);
    if (!shown) {
        filters_.erase(column);
        if (sort_.column == column) sort_ = SortState{};
    }
    Build();
    return true;
}

void GridTree::SetRowNumbers(int column, RowNumberSource source) {
    const bool taken = !source;
    layout_.SetRowNumbers(column, std::move(source));
    if (taken) {
        filters_.erase(column);
        if (sort_.column == column) sort_ = SortState{};
    }
    Build();
}

SortDirection GridTree::GroupDirection(int level) const {
    return layout_.Column(group_columns_.at(level)).sorted.value_or(SortDirection::kAscending);
}

void GridTree::ToggleGroupDirection(int level) {
    const SortDirection now = GroupDirection(level);
    layout_.SetSorted(group_columns_.at(level), now == SortDirection::kAscending
                                                    ? SortDirection::kDescending
                                                    : SortDirection::kAscending);
    Build();
}

void GridTree::ClickHeader(int column) {
    if (column < 0 || column >= layout_.ColumnCount()) return;
    SortState next{column, SortDirection::kAscending};
    if (sort_.column == column) {
        next = sort_.direction == SortDirection::kAscending
                   ? SortState{column, SortDirection::kDescending}
                   : SortState{};
    }
    SetSort(next);
}

void GridTree::SetSort(SortState sort) {
    if (sort.column < 0 || sort.column >= layout_.ColumnCount()) sort = SortState{};
    sort_ = sort;
    Build();
}

void GridTree::SetFilter(int column, ColumnFilter filter) {
    if (column < 0 || column >= layout_.ColumnCount()) return;
    if (filter.IsActive()) {
        filters_[column] = std::move(filter);
    } else {
        filters_.erase(column);
    }
    Build();
}

const ColumnFilter& GridTree::Filter(int column) const {
    static const ColumnFilter kNoFilter;
    const auto it = filters_.find(column);
    return it == filters_.end() ? kNoFilter : it->second;
}

void GridTree::ClearFilters() {
    filters_.clear();
    Build();
}

bool GridTree::HasFilter() const { return !filters_.empty(); }

void GridTree::SetRowRule(RowRule keep) {
    row_rule_ = std::move(keep);
    Build();
}

const OddsRecord* GridTree::RowAt(int table_row) const {
    if (!table_ || table_row < 0 || table_row >= table_->RowCount()) return nullptr;
    return &table_->Rows()[table_row];
}

std::vector<int32_t> GridTree::PassingRows(int skip_column, bool with_find) const {
    std::vector<int32_t> rows;
    if (!table_ || !table_->IsOpen()) return rows;
    const std::vector<OddsRecord>& table_rows = table_->Rows();
    std::vector<ColumnFilterMatcher> matchers;
    for (const auto& [column, filter] : filters_) {
        if (column != skip_column) {
            matchers.emplace_back(filter, layout_.Column(column), formats_);
        }
    }
    rows.reserve(table_rows.size());
    for (size_t i = 0; i < table_rows.size(); ++i) {
        bool pass = !row_rule_ || row_rule_(static_cast<int32_t>(i));
        for (ColumnFilterMatcher& matcher : matchers) {
            if (!pass) break;
            if (!matcher.Matches(table_rows[i])) {
                pass = false;
                break;
            }
        }
        if (pass && with_find) pass = find_.Matches(table_rows[i]);
        if (pass) rows.push_back(static_cast<int32_t>(i));
    }
    return rows;
}

void GridTree::Build() {
    const int levels = LevelCount();
    std::vector<int32_t> rows = PassingRows(-1, false);
    if (rows.empty()) {
        ordered_.clear();
        ordered_keys_.clear();
        Cut({}, {});
        return;
    }
    const std::vector<OddsRecord>& table_rows = table_->Rows();

    // Keys: one per grouping level, then the sort column, then the date when it is not the sort
    // column; the table order breaks the remaining ties.
    std::vector<std::vector<int64_t>> keys;
    for (int level = 0; level < levels; ++level) {
        keys.push_back(OrderKeys(table_rows, rows, layout_.Column(group_columns_[level]),
                                 GroupDirection(level)));
    }
    keys.push_back(OrderKeys(table_rows, rows, layout_.Column(sort_.column), sort_.direction));
    if (sort_.column != kColDate) {
        keys.push_back(
            OrderKeys(table_rows, rows, layout_.Column(kColDate), SortDirection::kAscending));
    }
    std::vector<int32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        for (const std::vector<int64_t>& key : keys) {
            if (key[a] != key[b]) return key[a] < key[b];
        }
        return a < b;  // positions follow the table order
    });
    // The rows in tree order, each with its group keys: cutting groups then compares keys in
    // order instead of reading the rows' values all over the table again.
    std::vector<int32_t> sorted(order.size());
    GroupKeys group_keys(levels, std::vector<int64_t>(order.size()));
    for (size_t i = 0; i < order.size(); ++i) {
        sorted[i] = rows[order[i]];
        for (int level = 0; level < levels; ++level) group_keys[level][i] = keys[level][order[i]];
    }
    if (find_.IsEmpty()) {
        ordered_.clear();
        ordered_keys_.clear();
        Cut(sorted, group_keys);
    } else {
        ordered_ = std::move(sorted);
        ordered_keys_ = std::move(group_keys);
        CutFound();
    }
}

void GridTree::SetFindText(std::string_view utf8) {
    if (utf8 == find_.Utf8()) return;
    const bool was_empty = find_.IsEmpty();
    find_ = FindText(utf8);
    if (!table_) return;
    if (find_.IsEmpty()) {
        const std::vector<int32_t> all = std::move(ordered_);
        const GroupKeys all_keys = std::move(ordered_keys_);
        ordered_.clear();
        ordered_keys_.clear();
        Cut(all, all_keys);
        return;
    }
    if (was_empty) {
        // Without a find text the event rows are every row that passes the column filters, and
        // the groups they stand in tell their group keys.
        ordered_ = events_;
        ordered_keys_ = GroupKeysOfEvents();
    }
    CutFound();
}

GridTree::GroupKeys GridTree::GroupKeysOfEvents() const {
    const int levels = LevelCount();
    // parent[level][n]: the group at `level` that holds node n of the level below (the events
    // below the deepest level).
    std::vector<std::vector<int32_t>> parent(levels);
    for (int level = 0; level < levels; ++level) {
        const size_t below = level + 1 < levels ? groups_[level + 1].size() : events_.size();
        parent[level].resize(below);
        const std::vector<Group>& groups = groups_[level];
        for (size_t g = 0; g < groups.size(); ++g) {
            for (int32_t c = 0; c < groups[g].child_count; ++c) {
                parent[level][groups[g].first_child + c] = static_cast<int32_t>(g);
            }
        }
    }
    GroupKeys keys(levels, std::vector<int64_t>(events_.size()));
    for (size_t e = 0; e < events_.size(); ++e) {
        int64_t node = static_cast<int64_t>(e);
        for (int level = levels - 1; level >= 0; --level) {
            node = parent[level][node];
            keys[level][e] = node;
        }
    }
    return keys;
}

void GridTree::CutFound() {
    std::vector<int32_t> found;
    GroupKeys found_keys(ordered_keys_.size());
    if (table_) {
        const std::vector<OddsRecord>& table_rows = table_->Rows();
        for (size_t i = 0; i < ordered_.size(); ++i) {
            const int32_t row = ordered_[i];
            if (row < static_cast<int32_t>(table_rows.size()) && find_.Matches(table_rows[row])) {
                found.push_back(row);
                for (size_t level = 0; level < found_keys.size(); ++level) {
                    found_keys[level].push_back(ordered_keys_[level][i]);
                }
            }
        }
    }
    Cut(found, found_keys);
}

void GridTree::Cut(const std::vector<int32_t>& rows, const GroupKeys& keys) {
    const int levels = LevelCount();
    groups_.assign(levels, {});
    events_.clear();
    events_.reserve(rows.size());
    // A tree that outlived a change of its table keeps no row the table has lost.
    const auto table_size = static_cast<int32_t>(table_ ? table_->Rows().size() : 0);
    size_t previous = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] >= table_size) continue;
        // The first level whose group key differs from the previous row's starts new groups
        // there and below.
        int first_new = levels;
        if (events_.empty()) {
            first_new = 0;
        } else {
            for (int level = 0; level < levels; ++level) {
                if (keys[level][i] != keys[level][previous]) {
                    first_new = level;
                    break;
                }
            }
        }
        for (int level = first_new; level < levels; ++level) {
            if (level > 0) ++groups_[level - 1].back().child_count;
            const size_t first_child =
                level + 1 < levels ? groups_[level + 1].size() : events_.size();
            groups_[level].push_back({static_cast<int32_t>(first_child), 0, rows[i]});
        }
        if (levels > 0) ++groups_[levels - 1].back().child_count;
        events_.push_back(rows[i]);
        previous = i;
    }
    if (events_.empty()) events_.shrink_to_fit();
    for (auto& level : groups_) level.shrink_to_fit();
}

std::vector<FilterListEntry> GridTree::FilterList(int column) const {
    using Kind = FilterListEntry::Kind;
    std::vector<FilterListEntry> list{{Kind::kAll, "(All)"}, {Kind::kCustom, "(Custom...)"}};
    if (column < 0 || column >= layout_.ColumnCount()) return list;
    const GridColumn& shown = layout_.Column(column);
    const std::vector<int32_t> rows = PassingRows(column, true);
    bool has_blank = false;
    std::vector<std::string> values;
    if (table_ && !rows.empty()) {
        const std::vector<OddsRecord>& table_rows = table_->Rows();
        if (ColumnKind(shown) == table::FieldKind::kText) {
            std::unordered_set<std::string_view> seen;
            std::vector<std::string_view> texts;
            for (int32_t row : rows) {
                const StoredValue value = ColumnValue(table_rows[row], KeyOf(shown));
                if (IsBlank(value)) {
                    has_blank = true;
                } else if (seen.insert(std::get<std::string_view>(value)).second) {
                    texts.push_back(std::get<std::string_view>(value));
                }
            }
            std::sort(texts.begin(), texts.end());
            for (std::string_view text : texts) values.push_back(table::Cp1251ToUtf8(text));
        } else {
            // Distinct stored values in value order, then their display texts once each (values
            // that show alike, such as two times within one second, give one entry).
            std::vector<std::pair<int64_t, int32_t>> by_value;
            for (int32_t row : rows) {
                const StoredValue value = ColumnValue(table_rows[row], KeyOf(shown));
                int64_t key = 0;
                if (const auto* moment = std::get_if<table::DateTime>(&value))
                    key = moment->ms;
                else if (const auto* decimal = std::get_if<table::Decimal>(&value))
                    key = decimal->scaled;
                else if (const auto* integer = std::get_if<int32_t>(&value))
                    key = *integer;
                else {
                    has_blank = true;
                    continue;
                }
                by_value.emplace_back(key, row);
            }
            std::sort(by_value.begin(), by_value.end());
            by_value.erase(
                std::unique(by_value.begin(), by_value.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                by_value.end());
            std::unordered_set<std::string> seen;
            for (const auto& [key, row] : by_value) {
                std::string text = ColumnText(table_rows[row], shown, formats_);
                if (seen.insert(text).second) values.push_back(std::move(text));
            }
        }
    }
    if (has_blank) {
        list.push_back({Kind::kBlanks, "(Blanks)"});
        list.push_back({Kind::kNonBlanks, "(NonBlanks)"});
    }
    for (std::string& value : values) list.push_back({Kind::kValue, std::move(value)});
    return list;
}

int GridTree::NodeCount(int level) const {
    if (level < 0) return 1;
    if (level < LevelCount()) return static_cast<int>(groups_[level].size());
    if (level == LevelCount()) return EventCount();
    return 0;
}

int GridTree::ChildCount(NodeRef node) const {
    if (node.IsRoot()) return NodeCount(0);
    if (IsGroup(node)) return groups_[node.level][node.index].child_count;
    return 0;
}

NodeRef GridTree::Child(NodeRef node, int row) const {
    if (node.IsRoot()) return {0, row};
    return {node.level + 1, groups_[node.level][node.index].first_child + row};
}

NodeRef GridTree::Parent(NodeRef node) const {
    if (node.level <= 0) return {};
    const std::vector<Group>& above = groups_[node.level - 1];
    // Every group has at least one child, so first_child rises strictly along a level.
    const auto it =
        std::upper_bound(above.begin(), above.end(), node.index,
                         [](int index, const Group& g) { return index < g.first_child; });
    return {node.level - 1, static_cast<int>(it - above.begin()) - 1};
}

int GridTree::RowInParent(NodeRef node) const {
    if (node.level <= 0) return node.index;
    const NodeRef parent = Parent(node);
    return node.index - groups_[parent.level][parent.index].first_child;
}

std::vector<NodeRef> GridTree::PreOrder() const {
    std::vector<NodeRef> nodes;
    size_t total = events_.size();
    for (const auto& level : groups_) total += level.size();
    nodes.reserve(total);
    // An explicit stack of (node, next child) pairs; its depth is the number of levels.
    std::vector<std::pair<NodeRef, int>> stack{{NodeRef{}, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= ChildCount(node)) {
            stack.pop_back();
            continue;
        }
        const NodeRef child = Child(node, next++);
        nodes.push_back(child);
        if (IsGroup(child)) stack.emplace_back(child, 0);
    }
    return nodes;
}

std::optional<NodeRef> GridTree::FirstEvent() const {
    // Event nodes are numbered in tree order, and every group holds at least one.
    if (events_.empty()) return std::nullopt;
    return NodeRef{LevelCount(), 0};
}

int GridTree::TableRow(NodeRef node) const {
    if (!IsEvent(node) || node.index < 0 || node.index >= EventCount()) return -1;
    return events_[node.index];
}

const OddsRecord* GridTree::Record(NodeRef node) const {
    if (IsEvent(node)) return RowAt(TableRow(node));
    if (IsGroup(node)) return RowAt(groups_[node.level][node.index].sample_row);
    return nullptr;
}

std::string GridTree::GroupText(NodeRef node) const {
    if (!IsGroup(node)) return {};
    const GridColumn& column = layout_.Column(group_columns_[node.level]);
    std::string text = column.caption;
    text += " : ";
    if (const OddsRecord* row = Record(node)) {
        text += GroupValueText(*row, column.field_index, formats_);
    }
    text += ' ';
    return text;
}

std::string GridTree::CellText(NodeRef node, int column) const {
    if (!IsEvent(node) || column < 0 || column >= layout_.ColumnCount()) return {};
    const OddsRecord* row = Record(node);
    return row ? ColumnText(*row, layout_.Column(column), formats_) : std::string();
}

std::string GridTree::FooterText() const {
    std::string text = TotalPrefix();
    if (EventCount() > 0) text += std::to_string(EventCount());
    return text;
}

int GridTree::CurrentTableRowFor(NodeRef node) const {
    const OddsRecord* focused = IsEvent(node) ? Record(node) : nullptr;
    if (!focused) return -1;
    const std::optional<int32_t> key = focused->Key_ID;
    const std::vector<OddsRecord>& rows = table_->Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Key_ID == key) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace lintaro::grid
