// The margin columns: the formulas against hand-computed values, their percent texts, and the
// columns shown, sorted, filtered and hidden again in the tree.
#include "grid/margin.h"

#include <gtest/gtest.h>

#include "grid/column_value.h"
#include "grid/grid_tree.h"
#include "grid_fixture.h"

namespace lintaro::grid {

using table::OddsRecord;

namespace {

using testing::At;
using testing::Fill;

std::optional<table::Decimal> Price(double value) { return table::DecimalFromDouble(value); }

TEST(MarginTest, FormulasAgainstHandComputedValues) {
    struct Case {
        const char* what;
        OddsRecord row;
        std::optional<const char*> one_x_two, handicap, total;  // as shown, "." for the mark
    };
    const auto row =
        [](std::initializer_list<std::pair<std::optional<table::Decimal> OddsRecord::*, double>>
               prices) {
            OddsRecord r;
            for (const auto& [field, value] : prices) r.*field = Price(value);
            return r;
        };
    const Case kCases[] = {
        // 1/2 + 1/3.5 + 1/4 - 1 = 0.0357
        {"three outcomes",
         row({{&OddsRecord::P1, 2.0}, {&OddsRecord::X, 3.5}, {&OddsRecord::P2, 4.0}}), "3.6%",
         std::nullopt, std::nullopt},
        // 2 / 1.9 - 1 = 0.0526: no draw and no double chance, a two-way line
        {"two outcomes", row({{&OddsRecord::P1, 1.9}, {&OddsRecord::P2, 1.9}}), "5.3%",
         std::nullopt, std::nullopt},
        // Tennis: the reader stores the draw as 0, which is no price, so the line is two-way.
        {"tennis, draw stored as 0",
         row({{&OddsRecord::P1, 1.9}, {&OddsRecord::X, 0.0}, {&OddsRecord::P2, 1.9}}), "5.3%",
         std::nullopt, std::nullopt},
        {"a draw of 1.0 is no draw either",
         row({{&OddsRecord::P1, 1.9}, {&OddsRecord::X, 1.0}, {&OddsRecord::P2, 1.9}}), "5.3%",
         std::nullopt, std::nullopt},
        {"double chances without a draw price",
         row({{&OddsRecord::P1, 1.9}, {&OddsRecord::P2, 1.9}, {&OddsRecord::PX1, 1.2}}),
         std::nullopt, std::nullopt, std::nullopt},
        {"a price of 1.0 is no price",
         row({{&OddsRecord::P1, 1.0}, {&OddsRecord::X, 3.0}, {&OddsRecord::P2, 3.0}}), std::nullopt,
         std::nullopt, std::nullopt},
        // 1/1.95 + 1/1.85 - 1 = 0.0534; 2/2 - 1 = 0
        {"handicap and total",
         row({{&OddsRecord::F1, 1.95},
              {&OddsRecord::F2, 1.85},
              {&OddsRecord::TM, 2.0},
              {&OddsRecord::TB, 2.0}}),
         std::nullopt, "5.3%", "0.0%"},
        {"one side missing", row({{&OddsRecord::F1, 1.95}, {&OddsRecord::TB, 1.8}}), std::nullopt,
         std::nullopt, std::nullopt},
        // Exact halves go to the even tenth: 1.25% -> 1.2%, 8.75% -> 8.8%.
        {"half down to even",
         row({{&OddsRecord::P1, 2.0}, {&OddsRecord::X, 80.0}, {&OddsRecord::P2, 2.0}}), "1.2%",
         std::nullopt, std::nullopt},
        {"half up to even",
         row({{&OddsRecord::P1, 1.6}, {&OddsRecord::X, 2.5}, {&OddsRecord::P2, 16.0}}), "8.8%",
         std::nullopt, std::nullopt},
        // A book that pays more than it takes: 2/2.1 - 1 = -0.0476
        {"negative", row({{&OddsRecord::TM, 2.1}, {&OddsRecord::TB, 2.1}}), std::nullopt,
         std::nullopt, "-4.8%"},
    };
    const auto shown = [](std::optional<double> margin) -> std::optional<std::string> {
        if (!margin) return std::nullopt;
        return FormatMarginPercent(*margin, ".");
    };
    const auto expected = [](std::optional<const char*> text) -> std::optional<std::string> {
        if (!text) return std::nullopt;
        return std::string(*text);
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(shown(Margin1X2(c.row)), expected(c.one_x_two));
        EXPECT_EQ(shown(MarginHandicap(c.row)), expected(c.handicap));
        EXPECT_EQ(shown(MarginTotal(c.row)), expected(c.total));
    }
    EXPECT_EQ(FormatMarginPercent(0.0526, ","), "5,3%");
    EXPECT_EQ(FormatMarginPercent(-0.0001, "."), "0.0%");  // no sign on what shows as zero
}

// Rows whose home team names the 1X2 margin: 2/p - 1 for a two-way line at price p.
std::vector<testing::Event> TwoWayLine() {
    return {
        {"теннис", "ATP", At(1, 10), "m5.3", "g", 1.9, 1},   // 5.3%
        {"теннис", "ATP", At(1, 11), "m2.6", "g", 1.95, 2},  // 2.6%
        {"теннис", "ATP", At(1, 12), "none", "g", std::nullopt, 3},
        {"теннис", "ATP", At(1, 13), "m8.1", "g", 1.85, 4},  // 8.1%
    };
}

void FillTwoWay(table::OddsTable& table) {
    table.ResetTable();
    for (const testing::Event& e : TwoWayLine()) {
        std::vector<table::FieldValue> values = testing::ValuesOf(e);
        values[7] = values[5];  // P2 = P1
        table.InsertRow(values);
    }
}

std::string Homes(const GridTree& tree) {
    std::string out;
    for (NodeRef node : tree.PreOrder()) {
        if (tree.IsEvent(node)) {
            out +=
                tree.CellText(node, kColHomeTeam) + "=" + tree.CellText(node, kColMargin1X2) + " ";
        }
    }
    return out;
}

TEST(MarginTest, ShownMarginsSortFilterAndHideLikeOtherColumns) {
    table::OddsTable table;
    FillTwoWay(table);
    GridTree tree;
    tree.Rebuild(table);
    EXPECT_EQ(tree.Layout().ExportColumns().size(), 16u);  // hidden at start
    struct Step {
        const char* what;
        std::function<void(GridTree&)> change;
        const char* rows;
    };
    const Step kSteps[] = {
        {"shown", [](GridTree& t) { EXPECT_TRUE(t.SetColumnShown(kColMargin1X2, true)); },
         "m5.3=5.3% m2.6=2.6% none= m8.1=8.1% "},
        {"sorted", [](GridTree& t) { t.ClickHeader(kColMargin1X2); },
         "none= m2.6=2.6% m5.3=5.3% m8.1=8.1% "},
        {"filtered below 6, typed as shown",
         [](GridTree& t) {
             t.SetFilter(kColMargin1X2, ColumnFilter::Custom({CompareOp::kLess, "6%"}));
         },
         "m2.6=2.6% m5.3=5.3% "},
        {"a value from the list",
         [](GridTree& t) { t.SetFilter(kColMargin1X2, ColumnFilter::Value("8.1%")); },
         "m8.1=8.1% "},
        {"hidden: its filter and sort go with it",
         [](GridTree& t) { EXPECT_TRUE(t.SetColumnShown(kColMargin1X2, false)); },
         "m5.3=5.3% m2.6=2.6% none= m8.1=8.1% "},
    };
    for (const Step& step : kSteps) {
        SCOPED_TRACE(step.what);
        step.change(tree);
        EXPECT_EQ(Homes(tree), step.rows);
    }
    EXPECT_EQ(tree.Sort(), SortState{});
    EXPECT_FALSE(tree.HasFilter());

    tree.SetColumnShown(kColMargin1X2, true);
    const std::vector<FilterListEntry> list = tree.FilterList(kColMargin1X2);
    std::vector<std::string> texts;
    for (const FilterListEntry& e : list) texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)",
                                               "2.6%", "5.3%", "8.1%"}));
    const std::vector<int> exported = tree.Layout().ExportColumns();
    EXPECT_EQ(exported[9], kColMargin1X2);  // after the six prices

    EXPECT_FALSE(tree.SetColumnShown(kColDopInfo, true));
    EXPECT_FALSE(tree.SetColumnShown(kColSport, true));  // it groups
    EXPECT_FALSE(tree.Layout().Column(kColSport).visible);
}

TEST(MarginTest, TheComparisonsColumnsShowOnlyWhileTheyHaveValues) {
    table::OddsTable table;
    FillTwoWay(table);
    GridTree tree;
    tree.Rebuild(table);
    // Without values: not offered, never shown.
    for (const int column : {int(kColBestMargin), int(kColSurebet)}) {
        EXPECT_FALSE(tree.Layout().IsUserToggleable(column));
        EXPECT_FALSE(tree.SetColumnShown(column, true));
    }
    // The comparison gives a surebet of 2.34% to the events whose home team is "m5.3".
    tree.SetRowNumbers(kColSurebet, [](const OddsRecord& row) -> std::optional<double> {
        if (row.team_h_name == "m5.3" || row.team_h_name == "m8.1") {
            return row.team_h_name == "m5.3" ? 0.0234 : 0.004;
        }
        return std::nullopt;
    });
    ASSERT_TRUE(tree.SetColumnShown(kColSurebet, true));
    const auto shown = [&] {
        std::string out;
        for (NodeRef node : tree.PreOrder()) {
            if (tree.IsEvent(node)) {
                out += tree.CellText(node, kColHomeTeam) + "=" + tree.CellText(node, kColSurebet) +
                       " ";
            }
        }
        return out;
    };
    EXPECT_EQ(shown(), "m5.3=2.3% m2.6= none= m8.1=0.4% ");
    tree.ClickHeader(kColSurebet);
    tree.ClickHeader(kColSurebet);  // descending: the best surebet first
    EXPECT_EQ(shown(), "m5.3=2.3% m8.1=0.4% m2.6= none= ");
    tree.SetFilter(kColSurebet, ColumnFilter::Custom({CompareOp::kGreater, "1%"}));
    EXPECT_EQ(shown(), "m5.3=2.3% ");
    // The values taken away (one line shown again): hidden, its filter and sort gone.
    tree.SetRowNumbers(kColSurebet, {});
    EXPECT_FALSE(tree.Layout().Column(kColSurebet).visible);
    EXPECT_FALSE(tree.HasFilter());
    EXPECT_EQ(tree.Sort(), SortState{});
    EXPECT_FALSE(tree.SetColumnShown(kColSurebet, true));
}

}  // namespace
}  // namespace lintaro::grid
