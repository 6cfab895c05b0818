// The user's place through rebuilds: expanded groups, the focused group or event, and the nearest
// surviving ancestor, checked as dumps of what a view would show after each change.
#include "grid/grid_place.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "grid_fixture.h"

namespace lintaro::grid {

using table::OddsTable;

namespace {

using testing::At;
using testing::Event;
using testing::Fill;

// What a tree view holds over the tree: expanded groups and the focus. Each change saves the
// place, changes the table or the tree, and applies what FindPlace finds, as the window does.
class ViewOfTree {
  public:
    // A view over a tree of `events`, nothing expanded or focused.
    explicit ViewOfTree(const std::vector<Event>& events) {
        Fill(table_, events);
        tree_.Rebuild(table_);
    }
    const GridTree& Tree() const { return tree_; }

    void Expand(NodeRef node) { expanded_.insert({node.level, node.index}); }
    void Focus(NodeRef node) { focus_ = node; }
    // The event row showing `home`, as the test tables name every event by its home team.
    NodeRef EventOf(const std::string& home) const {
        for (int i = 0; i < tree_.EventCount(); ++i) {
            const NodeRef node{tree_.LevelCount(), i};
            if (tree_.CellText(node, kColHomeTeam) == home) return node;
        }
        ADD_FAILURE() << "no event " << home;
        return {};
    }

    void Change(const std::function<void(OddsTable&, GridTree&)>& change,
                const SameEvent& same = {}) {
        const GridPlace place = SavePlace(
            tree_,
            [this](NodeRef n) {
                return expanded_.count({n.level, n.index}) > 0;
            },
            focus_);
        change(table_, tree_);
        tree_.Rebuild(table_);
        const RestoredPlace found = FindPlace(tree_, place, same);
        expanded_.clear();
        if (found.expand_all) {
            for (int level = 0; level < tree_.LevelCount(); ++level) {
                for (int i = 0; i < tree_.NodeCount(level); ++i) expanded_.insert({level, i});
            }
        }
        for (NodeRef node : found.expanded) Expand(node);
        focus_ = found.focus.value_or(NodeRef{});
        for (NodeRef n = tree_.Parent(focus_); !n.IsRoot(); n = tree_.Parent(n)) Expand(n);
    }

    // The rows a view shows, one a line: "+" before an expanded group, "-" before a collapsed one,
    // "*" after the focused row.
    std::string Dump() const {
        std::string out;
        std::vector<NodeRef> stack;
        for (int i = tree_.ChildCount({}) - 1; i >= 0; --i) stack.push_back(tree_.Child({}, i));
        while (!stack.empty()) {
            const NodeRef node = stack.back();
            stack.pop_back();
            out.append(2 * node.level, ' ');
            if (tree_.IsGroup(node)) {
                const bool open = expanded_.count({node.level, node.index}) > 0;
                out += (open ? "+" : "-") + table::Cp1251ToUtf8(tree_.GroupText(node));
                if (open) {
                    for (int i = tree_.ChildCount(node) - 1; i >= 0; --i) {
                        stack.push_back(tree_.Child(node, i));
                    }
                }
            } else {
                out += tree_.CellText(node, kColHomeTeam);
            }
            out += node == focus_ ? "|*\n" : "|\n";
        }
        return out;
    }

  private:
    OddsTable table_;
    GridTree tree_;
    std::set<std::pair<int, int>> expanded_;
    NodeRef focus_;
};

int RowOf(const OddsTable& table, const std::string& home) {
    for (int i = 0; i < table.RowCount(); ++i) {
        if (table.Rows()[i].team_h_name == table::Utf8ToCp1251(home)) return i;
    }
    return -1;
}

void Delete(OddsTable& table, const std::string& home) {
    table.SetCurrentRow(RowOf(table, home));
    table.DeleteCurrentRow();
}

// Sport, tournament, teams and start time: what a refresh of a moving line keeps of an event.
bool SameTeamsAndStart(const table::OddsRecord& a, const table::OddsRecord& b) {
    return a.sport_type_name == b.sport_type_name && a.competition_name == b.competition_name &&
           a.team_h_name == b.team_h_name && a.team_g_name == b.team_g_name &&
           a.sport_event_date == b.sport_event_date;
}

const std::vector<Event> kLine = {
    {"футбол", "РПЛ", At(11, 18), "B", "b"},    {"футбол", "РПЛ", At(11, 20), "C", "c"},
    {"футбол", "РПЛ", At(12, 0), "E", "e"},     {"футбол", "АПЛ", At(12, 9), "D", "d"},
    {"баскетбол", "NBA", At(11, 18), "A", "a"},
};

TEST(GridPlaceTest, ExpansionAndFocusFollowTheirNodesThroughChanges) {
    ViewOfTree view(kLine);
    view.Expand({0, 1});  // футбол
    view.Expand({1, 2});  // РПЛ
    view.Focus(view.EventOf("C"));

    struct Step {
        const char* what;
        std::function<void(OddsTable&, GridTree&)> change;
        const char* shown;
    };
    const Step kSteps[] = {
        {"new rows above and a new sport",
         [](OddsTable& t, GridTree&) {
             t.InsertRow(testing::ValuesOf({"футбол", "РПЛ", At(10, 9), "Z", "z"}));
             t.InsertRow(testing::ValuesOf({"авто", "F1", At(10, 9), "Y", "y"}));
         },
         "-Вид спорта : авто |\n"
         "-Вид спорта : баскетбол |\n"
         "+Вид спорта : футбол |\n"
         "  -Турнир : АПЛ |\n"
         "  +Турнир : РПЛ |\n"
         "    Z|\n    B|\n    C|*\n    E|\n"},
        {"a header click re-sorts the events",
         [](OddsTable&, GridTree& g) {
             g.SetSort({kColHomeTeam, SortDirection::kDescending});
         },
         "-Вид спорта : авто |\n"
         "-Вид спорта : баскетбол |\n"
         "+Вид спорта : футбол |\n"
         "  -Турнир : АПЛ |\n"
         "  +Турнир : РПЛ |\n"
         "    Z|\n    E|\n    C|*\n    B|\n"},
        {"the focused row deleted: the row in its place",
         [](OddsTable& t, GridTree&) { Delete(t, "C"); },
         "-Вид спорта : авто |\n"
         "-Вид спорта : баскетбол |\n"
         "+Вид спорта : футбол |\n"
         "  -Турнир : АПЛ |\n"
         "  +Турнир : РПЛ |\n"
         "    Z|\n    E|\n    B|*\n"},
        {"the last row of the group deleted: the one before it",
         [](OddsTable& t, GridTree&) { Delete(t, "B"); },
         "-Вид спорта : авто |\n"
         "-Вид спорта : баскетбол |\n"
         "+Вид спорта : футбол |\n"
         "  -Турнир : АПЛ |\n"
         "  +Турнир : РПЛ |\n"
         "    Z|\n    E|*\n"},
        {"the whole tournament filtered out: the sport above it",
         [](OddsTable&, GridTree& g) {
             g.SetFilter(kColCompetition, ColumnFilter::Custom({CompareOp::kNotEquals, "РПЛ"}));
         },
         "-Вид спорта : авто |\n"
         "-Вид спорта : баскетбол |\n"
         "+Вид спорта : футбол |*\n"
         "  -Турнир : АПЛ |\n"},
        {"regrouped by tournament alone: nothing of the old path is grouped so",
         [](OddsTable&, GridTree& g) { g.SetGroupColumns({kColCompetition}); },
         "-Турнир : F1 |\n"
         "-Турнир : NBA |\n"
         "-Турнир : АПЛ |\n"},
    };
    for (const Step& step : kSteps) {
        SCOPED_TRACE(step.what);
        view.Change(step.change);
        EXPECT_EQ(view.Dump(), step.shown);
    }
}

TEST(GridPlaceTest, GroupsOfOneLevelSurviveTheDropOfTheLevelBelow) {
    ViewOfTree view(kLine);
    view.Expand({0, 1});
    view.Expand({1, 2});
    view.Focus({1, 2});  // РПЛ
    view.Change([](OddsTable&, GridTree& g) { g.SetGroupColumns({kColSport}); });
    EXPECT_EQ(view.Dump(),
              "-Вид спорта : баскетбол |\n"
              "+Вид спорта : футбол |*\n"
              "  B|\n  C|\n  E|\n  D|\n");
}

TEST(GridPlaceTest, EverythingExpandedStaysSoForNewGroups) {
    ViewOfTree view(kLine);
    const GridTree& tree = view.Tree();
    for (int level = 0; level < 2; ++level) {
        for (int i = 0; i < tree.NodeCount(level); ++i) view.Expand({level, i});
    }
    view.Change([](OddsTable& t, GridTree&) {
        t.InsertRow(testing::ValuesOf({"авто", "F1", At(10, 9), "Y", "y"}));
    });
    EXPECT_EQ(view.Dump(),
              "+Вид спорта : авто |\n  +Турнир : F1 |\n    Y|\n"
              "+Вид спорта : баскетбол |\n  +Турнир : NBA |\n    A|\n"
              "+Вид спорта : футбол |\n  +Турнир : АПЛ |\n    D|\n"
              "  +Турнир : РПЛ |\n    B|\n    C|\n    E|\n");
}

TEST(GridPlaceTest, NullAndEmptyGroupValuesAreDifferentGroups) {
    ViewOfTree view(
        {{std::nullopt, "T", At(1, 10), "null", "g"}, {"", "T", At(1, 10), "empty", "g"}});
    view.Expand({0, 1});  // the empty text (null sorts first)
    view.Change([](OddsTable& t, GridTree&) { Delete(t, "null"); });
    EXPECT_EQ(view.Dump(), "+Вид спорта :  |\n  -Турнир : T |\n");
    view.Change([](OddsTable& t, GridTree&) {
        t.InsertRow(testing::ValuesOf({std::nullopt, "T", At(1, 10), "null", "g"}));
    });
    EXPECT_EQ(view.Dump(), "-Вид спорта :  |\n+Вид спорта :  |\n  -Турнир : T |\n");
}

// A refresh reads the line again: prices move, so the record differs; the caller's identity finds
// the event where every-field equality cannot.
TEST(GridPlaceTest, TheCallersIdentityFindsAnEventWhosePricesMoved) {
    const auto line = [](double price_of_c, bool new_row_first) {
        std::vector<Event> events = kLine;
        events[1].p1 = price_of_c;
        if (new_row_first) events.insert(events.begin(), {"футбол", "РПЛ", At(11, 19), "N", "n"});
        return events;
    };
    struct Case {
        const char* what;
        SameEvent same;
        const char* shown;
    };
    const Case kCases[] = {
        {"every field", {}, "+Турнир : РПЛ |\n    B|\n    N|*\n    C|\n    E|\n"},
        {"teams and start", SameTeamsAndStart,
         "+Турнир : РПЛ |\n    B|\n    N|\n    C|*\n    E|\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ViewOfTree view(line(1.85, false));
        view.Focus(view.EventOf("C"));
        view.Change([&](OddsTable& t, GridTree&) { Fill(t, line(1.9, true)); }, c.same);
        const std::string shown = view.Dump();
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    }
}

TEST(GridPlaceTest, OfTwoEventsWithOneIdentityTheOneInTheOldPlaceKeepsTheFocus) {
    // Two rows alike in sport, tournament, teams and start: the second keeps the focus.
    std::vector<Event> events = {{"S", "T", At(1, 10), "H", "g", 1.5, 1},
                                 {"S", "T", At(1, 10), "H", "g", 2.5, 2},
                                 {"S", "T", At(1, 11), "I", "g", 1.5, 3}};
    ViewOfTree view(events);
    view.Focus({2, 1});
    view.Change([](OddsTable&, GridTree&) {}, SameTeamsAndStart);
    EXPECT_EQ(view.Dump(), "+Вид спорта : S |\n  +Турнир : T |\n    H|\n    H|*\n    I|\n");
}

TEST(GridPlaceTest, NothingFocusedAndEmptyTrees) {
    ViewOfTree view(kLine);
    const GridTree& tree = view.Tree();
    view.Change([](OddsTable&, GridTree&) {});
    EXPECT_EQ(view.Dump(), "-Вид спорта : баскетбол |\n-Вид спорта : футбол |\n");
    view.Focus(view.EventOf("A"));
    view.Change([](OddsTable& t, GridTree&) { t.ResetTable(); });
    EXPECT_EQ(view.Dump(), "");
    EXPECT_TRUE(PathOf(tree, NodeRef{}).empty());
    EXPECT_EQ(GroupIndex(tree).Nearest({{kColSport, "x"}}), NodeRef{});
}

}  // namespace
}  // namespace lintaro::grid
