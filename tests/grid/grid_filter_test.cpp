// Column filters: the drop-down lists, chosen values, blanks, and custom And/Or conditions over
// dates, numbers and texts.
#include "grid/grid_filter.h"

#include <gtest/gtest.h>

#include "grid/grid_tree.h"
#include "grid_fixture.h"

namespace lintaro::grid {

using table::CalendarParts;
using table::RegionalFormats;

namespace {

using testing::At;
using testing::Event;
using testing::Fill;

std::vector<std::string> ListTexts(const GridTree& tree, int column) {
    std::vector<std::string> texts;
    for (const FilterListEntry& entry : tree.FilterList(column)) texts.push_back(entry.text);
    return texts;
}

// Home teams of the event rows in tree order, joined by blanks.
std::string Homes(const GridTree& tree) {
    std::string out;
    for (NodeRef node : tree.PreOrder()) {
        if (!tree.IsEvent(node)) continue;
        if (!out.empty()) out += ' ';
        out += tree.CellText(node, kColHomeTeam);
    }
    return out;
}

class GridFilterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Fill(table_, {
                         {"S", "T", At(10, 18, 30), "Спартак", "Зенит", 1.85},
                         {"S", "T", At(10, 0), "ЦСКА", "", 2.0},
                         {"S", "T", At(9, 18, 30), "спартак-2", std::nullopt, 0.5},
                         {"S", "U", At(11, 20), "Arsenal", "Zenit", std::nullopt},
                         {"S", "U", At(10, 18, 30), "Зенит", "Спартак", 1.8755},
                     });
        tree_.Rebuild(table_);
    }
    table::OddsTable table_;
    GridTree tree_;
};

TEST_F(GridFilterTest, ListOfADateColumn) {
    EXPECT_EQ(ListTexts(tree_, kColDate),
              (std::vector<std::string>{"(All)", "(Custom...)", "09.12.2026 18:30:00", "10.12.2026",
                                        "10.12.2026 18:30:00", "11.12.2026 20:00:00"}));
}

TEST_F(GridFilterTest, ListOfATeamColumnWithBlanks) {
    EXPECT_EQ(ListTexts(tree_, kColGuestTeam),
              (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "Zenit",
                                        "Зенит", "Спартак"}));
    // The list follows the other columns' filters, not its own.
    tree_.SetFilter(kColGuestTeam, ColumnFilter::Value("Zenit"));
    tree_.SetFilter(kColCompetition, ColumnFilter::Value("T"));
    EXPECT_EQ(
        ListTexts(tree_, kColGuestTeam),
        (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "Зенит"}));
}

TEST_F(GridFilterTest, ChosenEntries) {
    struct Case {
        int column;
        FilterListEntry entry;
        const char* homes;
    };
    using K = FilterListEntry::Kind;
    const Case kCases[] = {
        {kColDate, {K::kValue, "10.12.2026 18:30:00"}, "Спартак Зенит"},
        {kColDate, {K::kValue, "10.12.2026"}, "ЦСКА"},
        {kColGuestTeam, {K::kValue, "Зенит"}, "Спартак"},
        {kColGuestTeam, {K::kBlanks, "(Blanks)"}, "спартак-2 ЦСКА"},
        {kColGuestTeam, {K::kNonBlanks, "(NonBlanks)"}, "Спартак Зенит Arsenal"},
        {kColP1, {K::kValue, "1.876"}, "Зенит"},
        // A price of at most 1.0 is no price: 0.5 is a blank like the null one.
        {kColP1, {K::kBlanks, "(Blanks)"}, "спартак-2 Arsenal"},
        {kColGuestTeam, {K::kAll, "(All)"}, "спартак-2 ЦСКА Спартак Зенит Arsenal"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.entry.text);
        tree_.SetFilter(c.column, *FilterForEntry(c.entry));
        EXPECT_EQ(Homes(tree_), c.homes);
        tree_.ClearFilters();
    }
    EXPECT_FALSE(FilterForEntry({K::kCustom, "(Custom...)"}).has_value());
}

TEST_F(GridFilterTest, CustomConditions) {
    using Op = CompareOp;
    struct Case {
        int column;
        ColumnFilter filter;
        const char* homes;
    };
    const Case kCases[] = {
        // Dates as values: the operand in the short date format, with or without a time.
        {kColDate,
         ColumnFilter::Custom({Op::kGreaterOrEqual, "10.12.2026"}, {{Op::kLess, "11.12.2026"}}),
         "ЦСКА Спартак Зенит"},
        {kColDate, ColumnFilter::Custom({Op::kLess, "10.12.2026 18:30"}), "спартак-2 ЦСКА"},
        {kColDate, ColumnFilter::Custom({Op::kEquals, "10.12.2026 18:30:00"}), "Спартак Зенит"},
        // Numbers as values, the cell as shown: 1.8755 shows and compares as 1.876.
        {kColP1, ColumnFilter::Custom({Op::kGreater, "1.86"}), "ЦСКА Зенит"},
        {kColP1, ColumnFilter::Custom({Op::kEquals, "1.876"}), "Зенит"},
        {kColP1, ColumnFilter::Custom({Op::kLess, "10"}, {{Op::kGreater, ".6"}}),
         "ЦСКА Спартак Зенит"},
        {kColP1, ColumnFilter::Custom({Op::kBlank, ""}), "спартак-2 Arsenal"},  // null and 0.5
        // Texts: like ignores case, the order is by Windows-1251 codes.
        {kColHomeTeam, ColumnFilter::Custom({Op::kLike, "спартак*"}), "спартак-2 Спартак"},
        {kColHomeTeam, ColumnFilter::Custom({Op::kNotLike, "*?а?*"}), "ЦСКА Зенит Arsenal"},
        {kColHomeTeam, ColumnFilter::Custom({Op::kLike, "ц?ка"}, {{Op::kEquals, "Arsenal"}}, true),
         "ЦСКА Arsenal"},
        {kColHomeTeam, ColumnFilter::Custom({Op::kLess, "Я"}), "ЦСКА Спартак Зенит Arsenal"},
        {kColGuestTeam, ColumnFilter::Custom({Op::kNotEquals, "Зенит"}),
         "спартак-2 ЦСКА Зенит Arsenal"},
        {kColGuestTeam, ColumnFilter::Custom({Op::kGreater, ""}), "Спартак Зенит Arsenal"},
        // An operand that is no date compares display texts.
        {kColDate, ColumnFilter::Custom({Op::kLike, "*18:30*"}), "спартак-2 Спартак Зенит"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.column << " " << c.filter.first.operand);
        tree_.SetFilter(c.column, c.filter);
        EXPECT_EQ(Homes(tree_), c.homes);
        tree_.ClearFilters();
    }
}

TEST_F(GridFilterTest, SeveralColumnsCombineAndAllRemoves) {
    tree_.SetFilter(kColCompetition, ColumnFilter::Value("T"));
    tree_.SetFilter(kColHomeTeam, ColumnFilter::Custom({CompareOp::kLike, "*а*"}));
    EXPECT_EQ(Homes(tree_), "спартак-2 ЦСКА Спартак");  // like ignores case
    EXPECT_TRUE(tree_.HasFilter());
    tree_.SetFilter(kColCompetition, ColumnFilter::All());
    tree_.SetFilter(kColHomeTeam, ColumnFilter::All());
    EXPECT_FALSE(tree_.HasFilter());
    EXPECT_EQ(tree_.EventCount(), 5);
}

TEST_F(GridFilterTest, RegionalDecimalMarkInListsAndConditions) {
    tree_.SetFormats(RegionalFormats{",", "dd.MM.yyyy", "H:mm:ss"});
    const std::vector<FilterListEntry> list = tree_.FilterList(kColP1);
    std::vector<std::string> texts;
    for (const FilterListEntry& entry : list) texts.push_back(entry.text);
    // 0.5 is no price: a blank, not ",50".
    EXPECT_EQ(texts, (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)",
                                               "1,85", "1,876", "2,00"}));
    tree_.SetFilter(kColP1, ColumnFilter::Value("1,876"));
    EXPECT_EQ(Homes(tree_), "Зенит");
    tree_.SetFilter(kColP1, ColumnFilter::Custom({CompareOp::kLessOrEqual, "1,85"}));
    EXPECT_EQ(Homes(tree_), "Спартак");
}

TEST(GridFilterParseTest, DatesAndNumbersInRegionalFormats) {
    const RegionalFormats russian;
    RegionalFormats us{",", "M/d/yy", "h:mm:ss AP"};
    struct DateCase {
        const char* text;
        const RegionalFormats* formats;
        std::optional<CalendarParts> parts;
    };
    const DateCase kDates[] = {
        {"10.12.2026", &russian, CalendarParts{2026, 12, 10, 0, 0, 0, 0}},
        {" 9.1.2027 7:05 ", &russian, CalendarParts{2027, 1, 9, 7, 5, 0, 0}},
        {"12/10/26 7:30:15 PM", &us, CalendarParts{2026, 12, 10, 19, 30, 15, 0}},
        {"12/10/26 12:00 AM", &us, CalendarParts{2026, 12, 10, 0, 0, 0, 0}},
        {"31.02.2026", &russian, std::nullopt},
        {"Спартак", &russian, std::nullopt},
        {"10.12", &russian, std::nullopt},
    };
    for (const DateCase& c : kDates) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParseDisplayDateTime(c.text, *c.formats);
        ASSERT_EQ(parsed.has_value(), c.parts.has_value());
        if (parsed) {
            EXPECT_EQ(table::SplitDateTime(*parsed), *c.parts);
        }
    }
    EXPECT_EQ(ParseDisplayNumber("1,85", us), table::Decimal{18500});
    EXPECT_EQ(ParseDisplayNumber("-.5", russian), table::Decimal{-5000});
    EXPECT_EQ(ParseDisplayNumber("1e3", russian), std::nullopt);
    EXPECT_EQ(ParseDisplayNumber("1000000", russian), std::nullopt);
    EXPECT_TRUE(LikeMatch("\xD1\xCF\xC0\xD0\xD2\xC0\xCA", "*\xF2\xE0?"));  // СПАРТАК, *та?
    EXPECT_FALSE(LikeMatch("abc", "a?"));
    EXPECT_TRUE(LikeMatch("", "*"));
}

}  // namespace
}  // namespace lintaro::grid
