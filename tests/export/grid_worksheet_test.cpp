// The odds grid as the worksheet export sees it: columns, bands and look taken from the headless
// grid, every node of its tree in order, and the file the window's and the CLI's export write.
#include "export/grid_worksheet.h"

#include <gtest/gtest.h>

#include "biff4_reader.h"
#include "export_fixture.h"

namespace lintaro::worksheet {

using table::OddsTable;

namespace {

using testing::Cp;
using testing::TempDir;

// Rows inserted out of order: the tree sorts sports, tournaments and start times.
void FillTable(OddsTable& table) {
    table.ResetTable();
    const auto row = [&](const char* sport, const char* tournament, double start, const char* home,
                         std::optional<double> p1) {
        std::vector<table::FieldValue> values(table::kOddsFieldCount, table::Null{});
        values[0] = Cp(sport);
        values[1] = Cp(tournament);
        values[2] = start;
        values[3] = Cp(home);
        values[4] = Cp("Гости");
        if (p1) values[5] = *p1;
        values[18] = int32_t{1};
        table.InsertRow(values);
    };
    row("футбол", "Англия", testing::Days(2026, 12, 25, 20), "Поздний", 1.5);
    row("баскетбол", "НБА", testing::Days(2026, 12, 25, 3), "Бостон", std::nullopt);
    row("футбол", "Англия", testing::Days(2026, 12, 25, 18), "Ранний", 2.25);
    row("футбол", "Испания", testing::Days(2026, 12, 26), "Барселона", 1.1);
}

TEST(GridWorksheetTest, DescribesTheGridAsLaidOutAtStart) {
    OddsTable table;
    FillTable(table);
    grid::GridTree tree;
    tree.Rebuild(table);
    const WorksheetDescription worksheet = DescribeGrid(tree, grid::GridLook{});

    EXPECT_EQ(worksheet.group_levels, 2);
    ASSERT_EQ(worksheet.bands.size(), 4u);
    const std::pair<const char*, int> bands[] = {
        {"Общие данные", 3}, {"Исходы", 6}, {"Фора", 4}, {"Тотал", 3}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(worksheet.bands[i].caption, Cp(bands[i].first));
        EXPECT_EQ(worksheet.bands[i].column_count, bands[i].second);
    }
    const char* fields[] = {"sport_event_date",
                            "team_h_name",
                            "team_g_name",
                            "P1",
                            "X",
                            "P2",
                            "PX1",
                            "P12",
                            "P2X",
                            "VF1",
                            "F1",
                            "VF2",
                            "F2",
                            "VT",
                            "TM",
                            "TB"};
    ASSERT_EQ(worksheet.columns.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(fields[i]);
        EXPECT_EQ(worksheet.columns[i].field_index, table::FieldIndex(fields[i]));
        const bool bold = i >= 3 && i != 9 && i != 11 && i != 13;  // prices, not the values
        EXPECT_EQ(worksheet.columns[i].font.bold, bold);
        EXPECT_EQ(worksheet.columns[i].font.height, 160);
        EXPECT_EQ(worksheet.columns[i].summary,
                  i == 1 ? WorksheetSummary::kCount : WorksheetSummary::kNone);
    }
    EXPECT_EQ(worksheet.columns[1].caption, Cp("Командa дом."));
    EXPECT_EQ(worksheet.columns[0].width, 104);
    EXPECT_EQ(worksheet.columns[3].alignment, table::FieldAlignment::kRight);
    EXPECT_EQ(worksheet.columns[9].alignment, table::FieldAlignment::kCenter);
    EXPECT_EQ(worksheet.look.palette.header_font, (WorksheetColour{0, 0, 128}));
    EXPECT_EQ(worksheet.look.formats.short_date, "dd.MM.yyyy");

    // Sports in code order, tournaments likewise, events by start time.
    std::vector<std::string> nodes;
    for (const WorksheetNode& node : worksheet.nodes) {
        nodes.push_back(
            std::to_string(node.level) + " " +
            table::Cp1251ToUtf8(node.IsGroup() ? node.group_text : *node.row->team_h_name));
    }
    EXPECT_EQ(nodes,
              (std::vector<std::string>{"0 Вид спорта : баскетбол ", "1 Турнир : НБА ", "2 Бостон",
                                        "0 Вид спорта : футбол ", "1 Турнир : Англия ", "2 Ранний",
                                        "2 Поздний", "1 Турнир : Испания ", "2 Барселона"}));
}

TEST(GridWorksheetTest, SelectedRowsComeWithTheirGroupRowsOnce) {
    OddsTable table;
    FillTable(table);
    grid::GridTree tree;
    tree.Rebuild(table);
    // Table rows 0 ("Поздний") and 3 ("Барселона"): one sport, two tournaments.
    const WorksheetDescription worksheet = DescribeGrid(tree, grid::GridLook{}, false, {0, 3});
    std::vector<std::string> nodes;
    for (const WorksheetNode& node : worksheet.nodes) {
        nodes.push_back(
            table::Cp1251ToUtf8(node.IsGroup() ? node.group_text : *node.row->team_h_name));
    }
    EXPECT_EQ(nodes, (std::vector<std::string>{"Вид спорта : футбол ", "Турнир : Англия ",
                                               "Поздний", "Турнир : Испания ", "Барселона"}));
}

TEST(GridWorksheetTest, WorksheetOfTheOddsGridCountsTheHomeTeams) {
    OddsTable table;
    FillTable(table);
    grid::GridTree tree;
    tree.Rebuild(table);
    TempDir dir;
    const std::string file = dir.File("Lintaro.xls");
    SaveGridAsWorksheet(tree, grid::GridLook{}, file, true);
    const std::vector<testing::Cell> cells =
        testing::CellsOf(testing::SplitRecords(testing::ReadAll(file)));
    // 2 title rows, 9 nodes, the footer; 2 group columns and 16 exported ones.
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells.back().row, 11);
    int formulas = 0;
    for (const testing::Cell& cell : cells) {
        if (cell.type != 0x0406) continue;
        ++formulas;
        EXPECT_EQ(cell.row, 11);
        EXPECT_EQ(cell.column, 3);
        EXPECT_EQ(cell.formula, std::string("\x25\x02\xC0\x0A\xC0\x03\x03\x42\x01\xA9\x00", 11));
    }
    EXPECT_EQ(formulas, 1);
    // The basketball event's null P1 is the number 0, in the P1 column (worksheet column 5).
    bool found = false;
    for (const testing::Cell& cell : cells) {
        if (cell.row == 4 && cell.column == 5) {
            EXPECT_EQ(cell.type, 0x0203);
            EXPECT_EQ(cell.number, 0.0);
            EXPECT_EQ(cell.xf, 29 + 3);
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

// A closed table (the window at start) and an open empty one give a valid worksheet: titles, and
// the count 0 in the footer.
TEST(GridWorksheetTest, GridOfAClosedOrEmptyTableGivesTitlesAndAZeroCount) {
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "closed");
        OddsTable table;
        if (open) table.ResetTable();
        grid::GridTree tree;
        tree.Rebuild(table);
        TempDir dir;
        SaveGridAsWorksheet(tree, grid::GridLook{}, dir.File("empty.xls"), true);
        const std::vector<testing::Cell> cells =
            testing::CellsOf(testing::SplitRecords(testing::ReadAll(dir.File("empty.xls"))));
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells.back().row, 2);
        for (const testing::Cell& cell : cells) {
            if (cell.row == 2 && cell.column == 3) {
                EXPECT_EQ(cell.type, 0x0203);
                EXPECT_EQ(cell.number, 0.0);
                EXPECT_EQ(cell.xf, 24);
            }
        }
    }
}

// Texts at the table's largest sizes: a 255-character sport makes a group text longer than that,
// written whole; team names of 255 characters likewise.
TEST(GridWorksheetTest, TextsAtTheTablesLargestSizesAreWrittenWhole) {
    OddsTable table;
    table.ResetTable();
    const std::string sport(255, '\xE0');  // "а" x 255
    const std::string team(255, 'W');
    std::vector<table::FieldValue> values(table::kOddsFieldCount, table::Null{});
    values[0] = sport;
    values[1] = std::string(255, 'T');
    values[2] = testing::Days(2026, 12, 25, 20);
    values[3] = team;
    values[4] = team;
    values[19] = std::string(4000, 'x');
    table.InsertRow(values);
    grid::GridTree tree;
    tree.Rebuild(table);
    TempDir dir;
    SaveGridAsWorksheet(tree, grid::GridLook{}, dir.File("wide.xls"), true);
    const std::vector<testing::Cell> cells =
        testing::CellsOf(testing::SplitRecords(testing::ReadAll(dir.File("wide.xls"))));
    std::vector<std::string> labels;
    for (const testing::Cell& cell : cells) {
        if (cell.type == 0x0204 && cell.row >= 2) labels.push_back(cell.text);
    }
    ASSERT_GE(labels.size(), 5u);
    EXPECT_EQ(labels[0], Cp("Вид спорта : ") + sport + " ");
    EXPECT_EQ(labels[1], Cp("Турнир : ") + std::string(255, 'T') + " ");
    EXPECT_EQ(labels[3], team);
    EXPECT_EQ(labels[4], team);
}

}  // namespace
}  // namespace lintaro::worksheet
