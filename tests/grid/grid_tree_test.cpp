// The grid's tree: grouping and order, group row texts, header sorting, the footer, the current row
// and the colouring rule, over small tables.
#include "grid/grid_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "grid/column_value.h"
#include "grid/team_name_colour.h"
#include "grid_fixture.h"

namespace lintaro::grid {

using table::Cp1251ToUtf8;
using table::FieldValue;
using table::Null;
using table::OddsTable;

namespace {

using testing::At;
using testing::Dump;
using testing::Event;
using testing::Fill;

TEST(GridTreeTest, GroupsSportsThenTournamentsAndOrdersEventsByDate) {
    OddsTable table;
    Fill(table, {
                    {"футбол", "РПЛ", At(11, 20), "C", "c"},
                    {"баскетбол", "NBA", At(11, 18), "A", "a"},
                    {"футбол", "РПЛ", At(11, 18), "B", "b"},
                    {"футбол", "АПЛ", At(12, 9), "D", "d"},
                    {"футбол", "РПЛ", At(12, 0), "E", "e"},
                });
    GridTree tree;
    tree.Rebuild(table);
    EXPECT_EQ(Dump(tree),
              "Вид спорта : баскетбол |\n"
              "  Турнир : NBA |\n"
              "    A-a|\n"
              "Вид спорта : футбол |\n"
              "  Турнир : АПЛ |\n"
              "    D-d|\n"
              "  Турнир : РПЛ |\n"
              "    B-b|\n"
              "    C-c|\n"
              "    E-e|\n");
    EXPECT_EQ(tree.EventCount(), 5);
    EXPECT_EQ(tree.NodeCount(0), 2);
    EXPECT_EQ(tree.NodeCount(1), 3);
}

TEST(GridTreeTest, TextsOrderByWindows1251CodesWithNullFirst) {
    // Null, then Latin capitals, Latin small, "Ё" (168), "ё" (184), Cyrillic capitals, small.
    const std::vector<std::optional<std::string>> expected = {
        std::nullopt, "", "Zulu", "alpha", "Ёлка", "ёж", "Альфа", "Яхта", "альфа"};
    std::vector<Event> events;
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
        events.push_back({*it, "T", At(1, 12), "h", "g"});
    }
    OddsTable table;
    Fill(table, events);
    GridTree tree;
    tree.Rebuild(table);
    ASSERT_EQ(tree.NodeCount(0), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const NodeRef sport{0, static_cast<int>(i)};
        EXPECT_EQ(Cp1251ToUtf8(tree.GroupText(sport)),
                  "Вид спорта : " + expected[i].value_or("") + " ");
    }
}

TEST(GridTreeTest, NullDateFirstAndTableOrderBreaksTies) {
    OddsTable table;
    Fill(table, {
                    {"S", "T", At(2, 10), "late", "1"},
                    {"S", "T", std::nullopt, "none", "2"},
                    {"S", "T", At(1, 10), "same", "3"},
                    {"S", "T", At(1, 10), "same", "4"},
                });
    GridTree tree;
    tree.Rebuild(table);
    EXPECT_EQ(Dump(tree),
              "Вид спорта : S |\n  Турнир : T |\n    none-2|\n    same-3|\n    same-4|\n"
              "    late-1|\n");
}

TEST(GridTreeTest, HeaderClicksSortWithinGroupsAndReturnToDateOrder) {
    OddsTable table;
    Fill(table, {
                    {"S", "T", At(1, 10), "b", "x"},
                    {"S", "T", At(1, 11), "a", "y"},
                    {"S", "T", At(1, 12), "c", "z"},
                    {"S", "U", At(1, 9), "a", "w"},
                });
    GridTree tree;
    tree.Rebuild(table);
    struct Step {
        int click;
        SortState state;
        const char* events;  // home teams in tree order
    };
    const Step kSteps[] = {
        {kColHomeTeam, {kColHomeTeam, SortDirection::kAscending}, "abca"},
        {kColHomeTeam, {kColHomeTeam, SortDirection::kDescending}, "cbaa"},
        {kColHomeTeam, {kColDate, SortDirection::kAscending}, "baca"},
        {kColDate, {kColDate, SortDirection::kDescending}, "caba"},
        {kColGuestTeam, {kColGuestTeam, SortDirection::kAscending}, "baca"},
    };
    for (const Step& step : kSteps) {
        tree.ClickHeader(step.click);
        EXPECT_EQ(tree.Sort(), step.state);
        std::string homes;
        for (NodeRef node : tree.PreOrder()) {
            if (tree.IsEvent(node)) homes += tree.CellText(node, kColHomeTeam);
        }
        EXPECT_EQ(homes, step.events);
        EXPECT_EQ(tree.NodeCount(1), 2);  // the grouping stays
    }
}

// The second bookmaker's rows as the grid shows them: quarter lines with both decimals, a line of
// more decimals rounded with its exact value for the tooltip, the tennis draw stored as 0 an empty
// cell that sorts with the missing prices.
TEST(GridTreeTest, QuarterLinesAndPricesThatAreNone) {
    OddsTable table;
    table.ResetTable();
    const auto insert = [&](const char* home, double x, std::optional<double> vf1, double vt) {
        std::vector<FieldValue> values = testing::ValuesOf({"S", "T", At(1, 10), home, "g"});
        values[6] = x;
        values[12] = vf1 ? FieldValue(*vf1) : FieldValue(Null{});
        values[17] = vt;
        table.InsertRow(values);
    };
    insert("a", 3.4, -0.75, 2.125);
    insert("b", 0.0, -1.5, 2.0);
    insert("c", 1.0, std::nullopt, 1.25);
    GridTree tree;
    tree.Rebuild(table);
    tree.SetSort({kColX, SortDirection::kAscending});
    std::string cells;
    for (NodeRef node : tree.PreOrder()) {
        if (!tree.IsEvent(node)) continue;
        const table::OddsRecord& row = *tree.Record(node);
        cells += tree.CellText(node, kColHomeTeam) + " X=" + tree.CellText(node, kColX) +
                 " VF1=" + tree.CellText(node, kColVF1) + " VT=" + tree.CellText(node, kColVT) +
                 " (" + ExactCellText(row, tree.Layout().Column(kColVT), tree.Formats()) + ")\n";
    }
    // The draws of 0 and 1.0 are blanks and sort before every price, in reading order.
    EXPECT_EQ(cells,
              "b X= VF1=-1.5 VT=2 ()\n"
              "c X= VF1= VT=1.25 ()\n"
              "a X=3.40 VF1=-0.75 VT=2.12 (2.125)\n");
}

TEST(GridTreeTest, GroupDirectionAndRegrouping) {
    OddsTable table;
    Fill(table, {
                    {"A", "t1", At(1, 10), "1", "-"},
                    {"B", "t1", At(1, 11), "2", "-"},
                    {"B", "t2", At(1, 12), "3", "-"},
                });
    GridTree tree;
    tree.Rebuild(table);
    tree.ToggleGroupDirection(0);
    EXPECT_EQ(Cp1251ToUtf8(tree.GroupText({0, 0})), "Вид спорта : B ");

    tree.SetGroupColumns({kColCompetition});
    EXPECT_EQ(Dump(tree), "Турнир : t1 |\n  1--|\n  2--|\nТурнир : t2 |\n  3--|\n");
    EXPECT_TRUE(tree.Layout().Column(kColSport).visible);

    tree.SetGroupColumns({});
    EXPECT_EQ(tree.LevelCount(), 0);
    EXPECT_EQ(Dump(tree), "1--|\n2--|\n3--|\n");
    EXPECT_EQ(tree.Parent({0, 2}), NodeRef{});
}

// The group panel's edits: a column dropped at a level, dragged out, or refused.
TEST(GridTreeTest, GroupByAtALevelAndUngroup) {
    OddsTable table;
    Fill(table, {
                    {"A", "t1", At(1, 10), "1", "-"},
                    {"B", "t2", At(1, 11), "2", "-"},
                });
    struct Case {
        const char* name;
        std::function<bool(GridTree&)> edit;
        bool changed;
        std::vector<int> levels;
    };
    const std::vector<int> at_start = {kColSport, kColCompetition};
    const Case cases[] = {
        {"below the levels",
         [](GridTree& t) { return t.GroupBy(kColDopInfo, 2); },
         true,
         {kColSport, kColCompetition, kColDopInfo}},
        {"at the top",
         [](GridTree& t) { return t.GroupBy(kColDopInfo, 0); },
         true,
         {kColDopInfo, kColSport, kColCompetition}},
        {"a level past the end",
         [](GridTree& t) { return t.GroupBy(kColDopInfo, 9); },
         true,
         {kColSport, kColCompetition, kColDopInfo}},
        {"a grouping column moves down",
         [](GridTree& t) { return t.GroupBy(kColSport, 2); },
         true,
         {kColCompetition, kColSport}},
        {"a grouping column moves up",
         [](GridTree& t) { return t.GroupBy(kColCompetition, 0); },
         true,
         {kColCompetition, kColSport}},
        {"a fixed column", [](GridTree& t) { return t.GroupBy(kColHomeTeam, 0); }, false, at_start},
        {"an unknown column", [](GridTree& t) { return t.GroupBy(-1, 0); }, false, at_start},
        {"ungroup the top level",
         [](GridTree& t) { return t.Ungroup(kColSport); },
         true,
         {kColCompetition}},
        {"ungroup a column that does not group", [](GridTree& t) { return t.Ungroup(kColDopInfo); },
         false, at_start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridTree tree;
        tree.Rebuild(table);
        EXPECT_EQ(c.edit(tree), c.changed);
        EXPECT_EQ(tree.GroupColumns(), c.levels);
        EXPECT_EQ(tree.LevelCount(), static_cast<int>(c.levels.size()));  // rebuilt
        EXPECT_EQ(tree.EventCount(), 2);
        for (int column : c.levels) EXPECT_TRUE(tree.IsGrouping(column));
    }
}

// The find bar's Enter goes to the first event row as the tree shows it.
TEST(GridTreeTest, FirstEventInTreeOrder) {
    OddsTable table;
    Fill(table, {
                    {"B", "t1", At(1, 9), "b1", "-"},
                    {"A", "t2", At(1, 11), "a2", "-"},
                    {"A", "t1", At(1, 12), "a1", "-"},
                });
    const auto first = [](const GridTree& tree) -> std::string {
        const std::optional<NodeRef> node = tree.FirstEvent();
        return node ? tree.CellText(*node, kColHomeTeam) : "(none)";
    };
    GridTree tree;
    tree.Rebuild(table);
    EXPECT_EQ(first(tree), "a1");
    tree.ToggleGroupDirection(0);
    EXPECT_EQ(first(tree), "b1");
    tree.SetGroupColumns({});
    EXPECT_EQ(first(tree), "b1");  // the earliest
    tree.SetFindText("a2");
    EXPECT_EQ(first(tree), "a2");
    tree.SetFindText("nothing");
    EXPECT_EQ(first(tree), "(none)");
    OddsTable closed;
    GridTree empty;
    empty.Rebuild(closed);
    EXPECT_EQ(first(empty), "(none)");
}

TEST(GridTreeTest, NavigationAgreesWithPreOrder) {
    OddsTable table;
    std::vector<Event> events;
    for (int i = 0; i < 40; ++i) {
        events.push_back({std::string(1, static_cast<char>('a' + i % 3)),
                          std::string(1, static_cast<char>('p' + i % 5)), At(1 + i % 7, 10),
                          std::to_string(i), "g"});
    }
    Fill(table, events);
    GridTree tree;
    tree.Rebuild(table);
    int count = 0;
    for (NodeRef node : tree.PreOrder()) {
        const NodeRef parent = tree.Parent(node);
        ASSERT_EQ(tree.Child(parent, tree.RowInParent(node)), node);
        ++count;
    }
    EXPECT_EQ(count, tree.NodeCount(0) + tree.NodeCount(1) + 40);
}

TEST(GridTreeTest, FooterCountsEventRowsAfterFilters) {
    OddsTable table;
    GridTree tree;
    tree.Rebuild(table);  // closed
    EXPECT_EQ(Cp1251ToUtf8(tree.FooterText()), "Всего: ");
    EXPECT_TRUE(tree.PreOrder().empty());

    table.ResetTable();
    tree.Rebuild(table);
    EXPECT_EQ(Cp1251ToUtf8(tree.FooterText()), "Всего: ");

    std::vector<Event> events;
    for (int i = 0; i < 250; ++i) {
        events.push_back({i % 2 ? "a" : "b", "t", At(1, 10), i < 10 ? "ten" : "other", "g"});
    }
    Fill(table, events);
    tree.Rebuild(table);
    EXPECT_EQ(Cp1251ToUtf8(tree.FooterText()), "Всего: 250");
    tree.SetFilter(kColHomeTeam, ColumnFilter::Value("ten"));
    EXPECT_EQ(Cp1251ToUtf8(tree.FooterText()), "Всего: 10");
    tree.SetFilter(kColHomeTeam, ColumnFilter::Value("none"));
    EXPECT_EQ(Cp1251ToUtf8(tree.FooterText()), "Всего: ");
    EXPECT_EQ(tree.NodeCount(0), 0);
}

TEST(GridTreeTest, FocusingARowMakesTheFirstRowWithItsKeyCurrent) {
    OddsTable table;
    Fill(table, {
                    {"S", "T", At(1, 12), "first", "g", std::nullopt, 7, "one"},
                    {"S", "T", At(1, 10), "other", "g", std::nullopt, 3, "two"},
                    {"S", "T", At(1, 11), "second", "g", std::nullopt, 7, "three"},
                });
    GridTree tree;
    tree.Rebuild(table);
    // Tree order: other (10:00), second (11:00), first (12:00).
    EXPECT_EQ(tree.CurrentTableRowFor({2, 0}), 1);
    EXPECT_EQ(tree.CurrentTableRowFor({2, 1}), 0);  // "second" shares key 7 with row 0
    EXPECT_EQ(tree.CurrentTableRowFor({2, 2}), 0);
    EXPECT_EQ(tree.CurrentTableRowFor({0, 0}), -1);  // a group row
    table.SetCurrentRow(tree.CurrentTableRowFor({2, 1}));
    EXPECT_EQ(table.FieldText("dop_info"), "one");
}

TEST(GridTreeTest, StaleTreeReadsMissingRowsAsNull) {
    OddsTable table;
    Fill(table, {{"S", "T", At(1, 12), "h", "g"}});
    GridTree tree;
    tree.Rebuild(table);
    {
        table::ScopedDisplaySuspension suspended(table);
        table.ResetTable();  // no notification: the tree still holds one event row
        EXPECT_EQ(tree.Record({2, 0}), nullptr);
        EXPECT_EQ(tree.CellText({2, 0}, kColHomeTeam), "");
        EXPECT_EQ(Cp1251ToUtf8(tree.GroupText({0, 0})), "Вид спорта :  ");
        EXPECT_EQ(tree.CurrentTableRowFor({2, 0}), -1);
    }
    tree.Rebuild(table);
    EXPECT_EQ(tree.EventCount(), 0);
}

TEST(GridTreeTest, UnusualTextsAndManySharedKeys) {
    // Bytes outside the Cyrillic range, a field at its maximum size, null everywhere, one key.
    OddsTable table;
    table.ResetTable();
    std::vector<FieldValue> odd(table::kOddsFieldCount, Null{});
    odd[0] = std::string("\x98\x80\xA0\xFF");
    odd[3] = std::string(255, '\xB9');
    table.InsertRow(odd);
    table.InsertRow(std::vector<FieldValue>{});
    for (int i = 0; i < 1000; ++i) table.InsertRow({std::string("S"), Null{}, 45000.5});
    GridTree tree;
    tree.Rebuild(table);
    EXPECT_EQ(tree.EventCount(), 1002);
    EXPECT_EQ(tree.NodeCount(0), 3);
    EXPECT_EQ(Cp1251ToUtf8(tree.GroupText({0, 0})), "Вид спорта :  ");
    EXPECT_EQ(tree.GroupText({0, 2}), table::Utf8ToCp1251("Вид спорта : ") + "\x98\x80\xA0\xFF ");
    for (NodeRef node : tree.PreOrder()) {
        // Every row's key is null; the first row with a null key is row 0.
        if (tree.IsEvent(node)) {
            EXPECT_EQ(tree.CurrentTableRowFor(node), 0);
        }
    }
}

TEST(TeamNameColourTest, NavyOnlyForUnselectedTeamCellsWithASheet) {
    const std::optional<std::string> sheet = "<b>x</b>", empty = "", null;
    struct Case {
        bool selected, group_row;
        int column;
        const std::optional<std::string>* dop_info;
        bool navy;
    };
    const Case kCases[] = {
        {false, false, kColHomeTeam, &sheet, true}, {false, false, kColGuestTeam, &sheet, true},
        {false, false, kColHomeTeam, &null, true},  {false, false, kColGuestTeam, &empty, false},
        {true, false, kColHomeTeam, &sheet, false}, {false, true, kColHomeTeam, &sheet, false},
        {false, false, kColDate, &sheet, false},    {false, false, kColP1, &null, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.column << " selected " << c.selected);
        EXPECT_EQ(TeamNameIsNavy({c.selected, c.group_row, c.column, c.dop_info}), c.navy);
    }
}

}  // namespace
}  // namespace lintaro::grid
