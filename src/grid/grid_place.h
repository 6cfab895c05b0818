// The user's place in the grid in terms that survive a rebuild of the tree: which groups are
// expanded and which row has the focus. A group is named by the values of its grouping columns
// from the top level down; an event by its record, found again through an identity the caller
// chooses. The window saves a place before every rebuild and applies what FindPlace returns.
//
// Overview
//   GridPlace place = SavePlace(tree, is_expanded, focused);   // before the table or tree changes
//   tree.Rebuild(table);                                        // or a sort, filter, regrouping
//   RestoredPlace found = FindPlace(tree, place, same_event);   // nodes of the new tree
//   expand found.expanded (or everything when found.expand_all), focus found.focus
//
// A group that is gone is replaced by its nearest surviving ancestor; a focused event that is gone
// by its neighbour in the same group, then by the nearest surviving group above it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_tree.h"
#include "table/odds_table.h"

namespace lintaro::grid {

// One level of a group's path: the grouping column and its value, encoded so that two values are
// equal exactly when the tree puts them into one group (null and the empty text differ). The
// encoding is only for comparing.
struct GroupStep {
    int column = -1;
    std::string value;
    friend bool operator==(const GroupStep&, const GroupStep&) = default;
};
using GroupPath = std::vector<GroupStep>;

// The path of `node`: for a group row its own and its ancestors' values, top level first; for an
// event row the path of its group; empty for the root.
GroupPath PathOf(const GridTree& tree, NodeRef node);

// Every group row of a tree by its path, built once for many look-ups.
class GroupIndex {
  public:
    explicit GroupIndex(const GridTree& tree);
    // The group row at `path`, or nullopt when the tree has none there.
    std::optional<NodeRef> Find(const GroupPath& path) const;
    // The deepest group row on `path` that the tree still has (the group itself when it is there),
    // or the root when not even the top level survives. Only the leading steps whose columns are
    // still grouped at the same levels are looked at, so a regrouped tree keeps what it shares.
    NodeRef Nearest(const GroupPath& path) const;

  private:
    std::vector<std::pair<std::string, NodeRef>> entries_;  // sorted by encoded path
};

// Whether `candidate` is the event that `saved` was. The window's timed refresh passes the
// event's identity across reads; without one, an event is the same only when every field is.
using SameEvent =
    std::function<bool(const table::OddsRecord& saved, const table::OddsRecord& candidate)>;

// The focused row of a place.
struct PlaceFocus {
    bool is_group = false;
    GroupPath group;                         // the focused group, or the group of the event
    std::optional<table::OddsRecord> event;  // the focused event's record (unset for a group, or
                                             // when the table no longer had the row)
    int event_index = -1;  // its index among the event rows
};

// Where the user is.
struct GridPlace {
    std::vector<GroupPath> expanded;  // expanded group rows
    bool all_expanded = false;        // every group row was expanded (new groups open too)
    std::optional<PlaceFocus> focus;  // unset: no row had the focus
};

// Records the place: `is_expanded` tells whether a group row is expanded, `focus` is the focused
// node (the root when nothing has the focus).
GridPlace SavePlace(const GridTree& tree, const std::function<bool(NodeRef)>& is_expanded,
                    NodeRef focus);

// What to show in a rebuilt tree.
struct RestoredPlace {
    bool expand_all = false;
    std::vector<NodeRef> expanded;  // group rows to expand (when not expand_all)
    // The node to focus, with every group above it to be opened so it can be seen; nullopt when
    // nothing had the focus or nothing of it is left.
    std::optional<NodeRef> focus;
};

// Finds `place` in `tree`. The focused event is looked for by `same` (every field equal when
// empty), nearest to its old index first, so that of two events with one identity the one in the
// old place wins; when it is gone, the event now at its old index or the one before it takes the
// focus if it is in the same group, else the nearest surviving group above it.
RestoredPlace FindPlace(const GridTree& tree, const GridPlace& place, const SameEvent& same = {});

}  // namespace lintaro::grid
