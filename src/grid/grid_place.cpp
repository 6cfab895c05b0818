// Saving and finding the user's place: group paths encoded from the stored group values, one
// sorted index of the rebuilt tree's groups, and a search for the focused event outwards from its
// old index.
#include "grid/grid_place.h"

#include <algorithm>
#include <cstring>

namespace lintaro::grid {

using table::OddsRecord;
using table::StoredValue;

namespace {

template <typename T>
void AppendBytes(std::string& out, const T& value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

// A stored value as a text that compares equal exactly when the values group together.
std::string EncodeValue(const StoredValue& value) {
    std::string out;
    if (const auto* text = std::get_if<std::string_view>(&value)) {
        out += 't';
        out += *text;
    } else if (const auto* moment = std::get_if<table::DateTime>(&value)) {
        out += 'd';
        AppendBytes(out, moment->ms);
    } else if (const auto* decimal = std::get_if<table::Decimal>(&value)) {
        out += 'x';
        AppendBytes(out, decimal->scaled);
    } else if (const auto* integer = std::get_if<int32_t>(&value)) {
        out += 'i';
        AppendBytes(out, *integer);
    } else {
        out += 'n';
    }
    return out;
}

// A path as one text: each step's column and value length ahead of the value, so no two paths
// share a text and a path's text starts with each of its ancestors' texts.
std::string EncodePath(const GroupPath& path, size_t steps) {
    std::string out;
    for (size_t i = 0; i < steps && i < path.size(); ++i) {
        AppendBytes(out, static_cast<int32_t>(path[i].column));
        AppendBytes(out, static_cast<uint32_t>(path[i].value.size()));
        out += path[i].value;
    }
    return out;
}

}  // namespace

GroupPath PathOf(const GridTree& tree, NodeRef node) {
    if (tree.IsEvent(node)) node = tree.Parent(node);
    GroupPath path;
    for (NodeRef n = node; tree.IsGroup(n); n = tree.Parent(n)) {
        const int column = tree.GroupColumns()[n.level];
        const OddsRecord* row = tree.Record(n);
        const StoredValue value =
            row ? table::GetField(*row, tree.Layout().Column(column).field_index) : StoredValue{};
        path.push_back({column, EncodeValue(value)});
    }
    std::reverse(path.begin(), path.end());
    return path;
}

GroupIndex::GroupIndex(const GridTree& tree) {
    // Walk the groups level by level, extending each parent's text by one step.
    std::vector<std::string> above;
    for (int level = 0; level < tree.LevelCount(); ++level) {
        std::vector<std::string> texts(tree.NodeCount(level));
        const int column = tree.GroupColumns()[level];
        const int field = tree.Layout().Column(column).field_index;
        for (int i = 0; i < tree.NodeCount(level); ++i) {
            const NodeRef node{level, i};
            const OddsRecord* row = tree.Record(node);
            const GroupStep step{column,
                                 EncodeValue(row ? table::GetField(*row, field) : StoredValue{})};
            texts[i] = (level > 0 ? above[tree.Parent(node).index] : std::string()) +
                       EncodePath({step}, 1);
            entries_.emplace_back(texts[i], node);
        }
        above = std::move(texts);
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::optional<NodeRef> GroupIndex::Find(const GroupPath& path) const {
    if (path.empty()) return std::nullopt;
    const std::string key = EncodePath(path, path.size());
    const auto it =
        std::lower_bound(entries_.begin(), entries_.end(), key,
                         [](const auto& entry, const std::string& k) { return entry.first < k; });
    if (it != entries_.end() && it->first == key) return it->second;
    return std::nullopt;
}

NodeRef GroupIndex::Nearest(const GroupPath& path) const {
    for (size_t steps = path.size(); steps > 0; --steps) {
        const GroupPath prefix(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(steps));
        if (const auto node = Find(prefix)) return *node;
    }
    return {};
}

GridPlace SavePlace(const GridTree& tree, const std::function<bool(NodeRef)>& is_expanded,
                    NodeRef focus) {
    GridPlace place;
    int groups = 0;
    for (int level = 0; level < tree.LevelCount(); ++level) {
        for (int i = 0; i < tree.NodeCount(level); ++i) {
            const NodeRef node{level, i};
            ++groups;
            if (is_expanded(node)) place.expanded.push_back(PathOf(tree, node));
        }
    }
    place.all_expanded = groups > 0 && static_cast<int>(place.expanded.size()) == groups;
    if (tree.IsGroup(focus) || tree.IsEvent(focus)) {
        PlaceFocus& f = place.focus.emplace();
        f.is_group = tree.IsGroup(focus);
        f.group = PathOf(tree, focus);
        if (!f.is_group) {
            if (const OddsRecord* record = tree.Record(focus)) f.event = *record;
            f.event_index = focus.index;
        }
    }
    return place;
}

RestoredPlace FindPlace(const GridTree& tree, const GridPlace& place, const SameEvent& same) {
    RestoredPlace found;
    found.expand_all = place.all_expanded;
    const bool need_index = (!place.expanded.empty() && !place.all_expanded) || place.focus;
    if (!need_index) return found;
    const GroupIndex index(tree);
    if (!place.all_expanded) {
        for (const GroupPath& path : place.expanded) {
            if (const auto node = index.Find(path)) found.expanded.push_back(*node);
        }
    }
    if (!place.focus) return found;
    const PlaceFocus& focus = *place.focus;

    const auto nearest_group = [&]() -> std::optional<NodeRef> {
        const NodeRef node = index.Nearest(focus.group);
        if (node.IsRoot()) return std::nullopt;
        return node;
    };
    if (focus.is_group) {
        found.focus = nearest_group();
        return found;
    }
    const int count = tree.EventCount();
    if (count == 0) return found;
    const int events_level = tree.LevelCount();
    const int start = std::clamp(focus.event_index, 0, count - 1);
    if (focus.event) {
        const OddsRecord& saved = *focus.event;
        const auto matches = [&](int i) {
            const OddsRecord* record = tree.Record({events_level, i});
            if (!record) return false;
            return same ? same(saved, *record) : *record == saved;
        };
        // Outwards from the old index: after, before, two after, two before, ...
        for (int distance = 0; start + distance < count || start - distance - 1 >= 0; ++distance) {
            for (const int i : {start + distance, start - distance - 1}) {
                if (i >= 0 && i < count && matches(i)) {
                    found.focus = NodeRef{events_level, i};
                    return found;
                }
            }
        }
    }
    // Gone: the event that took its place in the same group, or the one before it.
    for (const int i : {start, start - 1}) {
        if (i < 0 || i >= count) continue;
        const NodeRef node{events_level, i};
        if (PathOf(tree, node) == focus.group) {
            found.focus = node;
            return found;
        }
    }
    found.focus = nearest_group();
    return found;
}

}  // namespace lintaro::grid
