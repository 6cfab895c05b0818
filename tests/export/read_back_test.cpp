// Exported files read back by other programs: the Excel 4.0 worksheet by xlrd, the .xlsx workbook
// by openpyxl (Debian's python3-xlrd and python3-openpyxl, run by Debian's own interpreter).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>

#include "export/grid_export.h"
#include "export/grid_worksheet.h"
#include "export/xlsx_export.h"
#include "export_fixture.h"

namespace lintaro::worksheet {

using table::Null;

namespace {

using testing::Cp;
using testing::SmallGrid;
using testing::TempDir;

// Runs a Python script over `file` and returns its standard output lines.
std::vector<std::string> RunPython(const TempDir& dir, const std::string& script,
                                   const std::string& file) {
    const std::string script_path = dir.File("read.py");
    testing::WriteAll(script_path, script);
    const std::string command = "/usr/bin/python3 '" + script_path + "' '" + file + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {"popen failed"};
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    const std::set<std::string> have(lines.begin(), lines.end());
    for (const std::string& line : expected) {
        EXPECT_TRUE(have.count(line)) << "missing: " << line;
    }
    if (::testing::Test::HasFailure()) {
        for (const std::string& line : lines) ADD_FAILURE() << "read: " << line;
    }
}

const char kXlrdScript[] = R"(
import sys, xlrd
sys.stdout.reconfigure(encoding="utf-8")
book = xlrd.open_workbook(sys.argv[1])
worksheet = book.sheet_by_index(0)
print("encoding", book.encoding, "size", worksheet.nrows, worksheet.ncols)
for r in range(worksheet.nrows):
    for c in range(worksheet.ncols):
        kind = worksheet.cell_type(r, c)
        if kind in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            continue
        value = worksheet.cell_value(r, c)
        # Without number format records xlrd calls every cell "text"; the value's own type tells.
        print(r, c, type(value).__name__, repr(value))
)";

TEST(ReadBackTest, XlrdReadsTheWorksheetsTextsAndNumbers) {
    TempDir dir;
    SmallGrid grid;
    const std::string file = dir.File("line.xls");
    SaveGridAsWorksheet(grid.worksheet, file, true);
    const std::vector<std::string> lines = RunPython(dir, kXlrdScript, file);
    ExpectLines(lines, {
                           "encoding cp1251 size 10 8",
                           "0 2 str 'Общие данные'",
                           "0 4 str 'Исходы'",
                           "0 6 str 'Тотал'",
                           "1 2 str 'Дата события'",
                           "1 3 str 'Командa дом.'",
                           "1 7 str ''",
                           "2 0 str 'Вид спорта : футбол '",
                           "3 1 str 'Турнир : Англия '",
                           "4 2 str '25.12.2026 20:00:00'",
                           "4 3 str 'Арсенал'",
                           "4 4 float 1.85",
                           "4 5 float 3.4",
                           "4 6 float 2.5",
                           "5 2 str '26.12.2026'",
                           "5 4 float 0.0",  // a null price
                           "5 5 float 0.0",  // a draw of 0: no price, as the format writes one
                           "5 6 float -0.75",
                           "8 3 str 'Ак Барс'",
                           // The footer formula; its stored result is 0 until a spreadsheet
                           // program calculates it on opening.
                           "9 3 float 0.0",
                       });
    // Band row 3, header row 6, group rows 4 x 1, event rows 3 x 6, the footer 1.
    EXPECT_EQ(lines.size(), 1u + 3 + 6 + 4 + 18 + 1);
}

const char kOpenpyxlScript[] = R"(
import sys, openpyxl
sys.stdout.reconfigure(encoding="utf-8")
book = openpyxl.load_workbook(sys.argv[1])
worksheet = book.active
print("freeze", worksheet.freeze_panes)
print("filter", worksheet.auto_filter.ref)
print("summary below", worksheet.sheet_properties.outlinePr.summaryBelow)
for row in worksheet.iter_rows():
    for cell in row:
        if cell.value is not None:
            print(cell.coordinate, type(cell.value).__name__, cell.value, cell.number_format)
for index, dimension in sorted(worksheet.row_dimensions.items()):
    if dimension.outline_level:
        print("level", index, dimension.outline_level)
)";

TEST(ReadBackTest, OpenpyxlReadsTheWorkbookWithOutlinesFilterAndRealNumbers) {
    TempDir dir;
    SmallGrid grid;
    const std::string file = dir.File("Линия.xlsx");
    SaveGridAsXlsx(grid.worksheet, file);
    const std::vector<std::string> lines = RunPython(dir, kOpenpyxlScript, file);
    ExpectLines(lines, {
                           "freeze A3",
                           "filter A2:H9",
                           "summary below False",
                           "C1 str Общие данные General",
                           "E1 str Исходы General",
                           "D2 str Командa дом. General",
                           "A3 str Вид спорта : футбол  General",
                           "B4 str Турнир : Англия  General",
                           "C5 datetime 2026-12-25 20:00:00 dd.mm.yyyy h:mm:ss",
                           "D5 str Арсенал General",
                           "E5 float 1.85 0.00#",
                           "F5 float 3.4 0.00#",
                           "G5 float 2.5 General",
                           "C6 datetime 2026-12-26 00:00:00 dd.mm.yyyy",
                           "G6 float -0.75 General",  // a quarter line as it is
                           "C9 datetime 2026-12-27 09:05:00 dd.mm.yyyy h:mm:ss",
                           "D10 str =COUNTA(D3:D9) 0",
                           "level 4 1",
                           "level 5 2",
                           "level 6 2",
                           "level 8 1",
                           "level 9 2",
                       });
    // A null price is an empty cell, not 0, and so is the draw stored as 0.
    for (const std::string& line : lines) {
        EXPECT_NE(line.rfind("E6 ", 0), 0u) << line;
        EXPECT_NE(line.rfind("F6 ", 0), 0u) << line;
    }
}

// The workbook puts its rows where the plan does when the look leaves title rows out: the frozen
// rows, the filter's header row and the footer's range move with them.
TEST(ReadBackTest, XlsxRowsFollowTheTitleRowsThatAreShown) {
    struct Case {
        bool bands;
        bool header;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false,
         true,
         {"freeze A2", "filter A1:H8", "D1 str Командa дом. General", "D9 str =COUNTA(D2:D8) 0"}},
        {true,
         false,
         {"freeze A2", "filter None", "C1 str Общие данные General", "D9 str =COUNTA(D2:D8) 0"}},
        {false,
         false,
         {"freeze None", "filter None", "A1 str Вид спорта : футбол  General",
          "D8 str =COUNTA(D1:D7) 0"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bands " << c.bands << ", header " << c.header);
        SmallGrid grid;
        grid.worksheet.look.show_bands = c.bands;
        grid.worksheet.look.show_header = c.header;
        const std::string file = dir.File("line.xlsx");
        SaveGridAsXlsx(grid.worksheet, file);
        ExpectLines(RunPython(dir, kOpenpyxlScript, file), c.expected);
    }
}

// The odds grid with two margin columns shown: the same numbers in both formats, where the grid
// shows them (after the prices of their bands), and an empty cell where a margin has no prices.
TEST(ReadBackTest, ShownMarginColumnsReadBackFromBothFormats) {
    table::OddsTable table;
    table.ResetTable();
    std::vector<table::FieldValue> row(table::kOddsFieldCount, Null{});
    row[0] = Cp("футбол");
    row[1] = Cp("Англия");
    row[2] = testing::Days(2026, 12, 25, 18);
    row[3] = Cp("Арсенал");
    row[5] = 2.0;   // P1
    row[6] = 3.5;   // X
    row[7] = 4.0;   // P2: 3.6%
    row[15] = 1.9;  // TM
    row[16] = 1.9;  // TB: 5.3%
    table.InsertRow(row);
    row[2] = testing::Days(2026, 12, 25, 20);
    row[3] = Cp("Челси");
    row[6] = Null{};  // no draw price, but a double chance: no 1X2 margin
    row[8] = 1.3;
    row[15] = Null{};
    table.InsertRow(row);
    grid::GridTree tree;
    tree.Rebuild(table);
    ASSERT_TRUE(tree.SetColumnShown(grid::kColMargin1X2, true));
    ASSERT_TRUE(tree.SetColumnShown(grid::kColMarginTotal, true));
    const WorksheetDescription worksheet = DescribeGrid(tree, grid::GridLook{});

    TempDir dir;
    const std::string xls = dir.File("line.xls");
    SaveGridAsWorksheet(worksheet, xls, true);
    ExpectLines(RunPython(dir, kXlrdScript, xls), {
                                                      "encoding cp1251 size 7 20",
                                                      "0 12 str 'Фора'",
                                                      "0 16 str 'Тотал'",
                                                      "1 11 str 'Маржа 1X2'",
                                                      "1 19 str 'Маржа Т'",
                                                      "4 11 float 3.6",
                                                      "4 19 float 5.3",
                                                      "5 11 str ''",
                                                      "5 19 str ''",
                                                  });
    const std::string xlsx = dir.File("line.xlsx");
    SaveGridAsXlsx(worksheet, xlsx);
    const std::vector<std::string> lines = RunPython(dir, kOpenpyxlScript, xlsx);
    ExpectLines(lines, {
                           "L2 str Маржа 1X2 General",
                           "T2 str Маржа Т General",
                           "L5 float 3.6 0.0\"%\"",
                           "T5 float 5.3 0.0\"%\"",
                       });
    for (const std::string& line : lines) {
        EXPECT_NE(line.rfind("L6 ", 0), 0u) << line;
        EXPECT_NE(line.rfind("T6 ", 0), 0u) << line;
    }
}

TEST(ReadBackTest, XlsxHasNoRowLimitOfTheOldFormatAndKeepsControlCharacters) {
    TempDir dir;
    SmallGrid grid;
    table::OddsRecord odd = grid.table.Rows()[0];
    odd.team_h_name = Cp("Tab\there\x01");
    grid.worksheet.nodes.assign(20'000, grid.Event(&grid.table.Rows()[1]));
    grid.worksheet.nodes.push_back(grid.Event(&odd));
    const std::string file = dir.File("big.xlsx");
    SaveGridAsXlsx(grid.worksheet, file);
    const std::vector<std::string> lines =
        RunPython(dir,
                  "import sys, openpyxl\n"
                  "worksheet = openpyxl.load_workbook(sys.argv[1], read_only=True).active\n"
                  "rows = list(worksheet.iter_rows(values_only=True))\n"
                  "print(len(rows), repr(rows[-2][3]), rows[-1][3])\n",
                  file);
    ASSERT_EQ(lines.size(), 1u);
    // The control character is kept as the format's escape, which spreadsheet programs turn back
    // into the character and openpyxl leaves as it stands.
    EXPECT_EQ(lines[0], "20004 'Tab\\there_x0001_' =COUNTA(D3:D20003)");
}

TEST(ReadBackTest, EmptyGridReadsBackFromBothFormats) {
    TempDir dir;
    SmallGrid grid;
    grid.worksheet.nodes.clear();
    SaveGridAsWorksheet(grid.worksheet, dir.File("empty.xls"), true);
    ExpectLines(RunPython(dir, kXlrdScript, dir.File("empty.xls")),
                {"encoding cp1251 size 3 8", "1 3 str 'Командa дом.'", "2 3 float 0.0"});
    SaveGridAsXlsx(grid.worksheet, dir.File("empty.xlsx"));
    ExpectLines(RunPython(dir, kOpenpyxlScript, dir.File("empty.xlsx")),
                {"freeze A3", "D2 str Командa дом. General", "D3 int 0 0"});
}

TEST(XlsxFormatTest, SpreadsheetDateFormatsFollowTheRegionalPatterns) {
    const std::pair<const char*, const char*> cases[] = {
        {"dd.MM.yyyy", "dd.mm.yyyy"},      {"H:mm:ss", "h:mm:ss"}, {"M/d/yy", "m/d/yy"},
        {"h:mm AP", "h:mm AM/PM"},         {"HH'h'mm", "hh\\hmm"}, {"yyyy-MM-dd", "yyyy-mm-dd"},
        {"H:mm:ss.zzz t", "h:mm:ss.000 "},
    };
    for (const auto& [pattern, format] : cases) {
        EXPECT_EQ(SpreadsheetDateFormat(pattern), format) << pattern;
    }
}

}  // namespace
}  // namespace lintaro::worksheet
