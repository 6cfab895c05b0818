// The worksheet plan both writers follow: where each row goes for every combination of the look's
// switches, what each footer cell holds, and the fit check's refusal.
#include "export/worksheet_plan.h"

#include <gtest/gtest.h>

#include "export_fixture.h"

namespace lintaro::worksheet {
namespace {

using testing::SmallGrid;

TEST(WorksheetPlanTest, RowsFollowTheLooksSwitches) {
    struct Case {
        bool bands, header, footer, nodes;
        int band_row, header_row, title_rows, last_node_row, footer_row;
    };
    // SmallGrid has 7 nodes.
    const Case cases[] = {
        {true, true, true, true, 0, 1, 2, 8, 9},   {false, true, true, true, -1, 0, 1, 7, 8},
        {true, false, true, true, 0, -1, 1, 7, 8}, {false, false, false, true, -1, -1, 0, 6, -1},
        {true, true, true, false, 0, 1, 2, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bands " << c.bands << ", header " << c.header
                                          << ", footer " << c.footer << ", nodes " << c.nodes);
        SmallGrid grid;
        grid.worksheet.look.show_bands = c.bands;
        grid.worksheet.look.show_header = c.header;
        grid.worksheet.look.show_summary_footer = c.footer;
        if (!c.nodes) grid.worksheet.nodes.clear();
        const WorksheetPlan plan(grid.worksheet);
        EXPECT_EQ(plan.BandRow(), c.band_row);
        EXPECT_EQ(plan.HeaderRow(), c.header_row);
        EXPECT_EQ(plan.TitleRows(), c.title_rows);
        EXPECT_EQ(plan.LastNodeRow(), c.last_node_row);
        EXPECT_EQ(plan.FooterRow(), c.footer_row);
    }
}

TEST(WorksheetPlanTest, FooterCellsNameTheirSourceAndTheNodeRows) {
    SmallGrid grid;
    grid.worksheet.columns[3].summary = WorksheetSummary::kMax;
    grid.worksheet.columns[3].summary_field = "p1";  // reads column 2, letter case ignored
    grid.worksheet.columns[4].summary = WorksheetSummary::kAverage;
    grid.worksheet.columns[4].summary_field = "dop_info";  // not exported: a blank cell
    grid.worksheet.look.show_bands = false;
    const WorksheetPlan plan(grid.worksheet);
    EXPECT_EQ(plan.SheetColumnOf(3), 5);
    EXPECT_EQ(plan.SheetColumnCount(), 8);

    const WorksheetFooterCell count = plan.Footer(1);
    EXPECT_EQ(count.summary, WorksheetSummary::kCount);
    EXPECT_EQ(count.source, 1);
    EXPECT_EQ(count.first_row, 1);
    EXPECT_EQ(count.last_row, 7);
    const WorksheetFooterCell max = plan.Footer(3);
    EXPECT_EQ(max.summary, WorksheetSummary::kMax);
    EXPECT_EQ(max.source, 2);
    EXPECT_TRUE(plan.Footer(4).IsBlank());
    EXPECT_TRUE(plan.Footer(0).IsBlank());

    // With no node rows the summary reads nothing instead of a reversed range.
    grid.worksheet.nodes.clear();
    const WorksheetFooterCell empty = WorksheetPlan(grid.worksheet).Footer(1);
    EXPECT_FALSE(empty.IsBlank());
    EXPECT_FALSE(empty.HasRows());
}

TEST(WorksheetPlanTest, CheckFitsNamesWhatWasAskedAndTheLimit) {
    SmallGrid grid;
    const WorksheetPlan plan(grid.worksheet);
    EXPECT_NO_THROW(plan.CheckFits({10, 8, "a small worksheet"}));
    try {
        plan.CheckFits({9, 8, "a small worksheet"});
        ADD_FAILURE() << "ten rows fit in nine";
    } catch (const EWorksheetTooLarge& e) {
        EXPECT_STREQ(e.what(), "Cannot export 10 rows: a small worksheet holds at most 9");
    }
    EXPECT_THROW(plan.CheckFits({10, 7, "a small worksheet"}), EWorksheetTooLarge);
    // A grid without a table writes nothing, so nothing is too large.
    grid.worksheet.has_data = false;
    EXPECT_NO_THROW(WorksheetPlan(grid.worksheet).CheckFits({0, 0, "no worksheet"}));
}

}  // namespace
}  // namespace lintaro::worksheet
