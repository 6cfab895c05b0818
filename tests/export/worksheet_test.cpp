// The Excel 4.0 worksheet export, record by record: the records a small grid must give are built
// here from the grid's own rows and compared with what the export wrote.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <sstream>
#include <thread>

#include "biff4_reader.h"
#include "export/grid_export.h"
#include "export/replacing_file.h"
#include "export/xlsx_export.h"
#include "export_fixture.h"

namespace lintaro::worksheet {

using table::OddsRecord;

namespace {

using testing::Cell;
using testing::CellsOf;
using testing::Cp;
using testing::Record;
using testing::SmallGrid;
using testing::TempDir;

constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kFormula = 0x0406;

std::string Export(const WorksheetDescription& worksheet) {
    std::ostringstream out;
    WriteWorksheet(worksheet, out);
    return out.str();
}

Cell Blank(int row, int column, int xf) {
    return {kBlank, uint16_t(row), uint16_t(column), uint16_t(xf), {}, 0, {}};
}
Cell Label(int row, int column, int xf, std::string text) {
    return {kLabel, uint16_t(row), uint16_t(column), uint16_t(xf), std::move(text), 0, {}};
}
Cell Number(int row, int column, int xf, double value) {
    return {kNumber, uint16_t(row), uint16_t(column), uint16_t(xf), {}, value, {}};
}
// COUNTA over rows first..last of one column, as the formula's bytes.
std::string CountA(int first, int last, int column) {
    std::string bytes = {0x25};
    bytes += char(first & 0xFF);
    bytes += char(((first >> 8) & 0x3F) | 0xC0);
    bytes += char(last & 0xFF);
    bytes += char(((last >> 8) & 0x3F) | 0xC0);
    bytes += char(column);
    bytes += char(column);
    bytes += "\x42\x01\xA9";
    bytes += '\0';
    return bytes;
}
Cell Formula(int row, int column, std::string bytes) {
    return {kFormula, uint16_t(row), uint16_t(column), 24, {}, 0, std::move(bytes)};
}

// The records before the first cell: everything BeginFile writes.
std::vector<Record> Preamble(const std::vector<Record>& records) {
    std::vector<Record> head;
    for (const Record& record : records) {
        if (testing::IsCellRecord(record.type)) break;
        head.push_back(record);
    }
    return head;
}

TEST(WorksheetTest, BeginsWithTheFixedRecordsThenThePaletteFontsFormatsAndWidths) {
    SmallGrid grid;
    grid.worksheet.look.palette.header = WorksheetColour{1, 2, 3};
    grid.worksheet.look.palette.grid_line = std::nullopt;  // "none" is black
    grid.worksheet.look.font = {Cp("Шрифт"), 170, false, true};
    const std::vector<Record> head = Preamble(testing::SplitRecords(Export(grid.worksheet)));

    size_t at = 0;
    const auto next = [&](uint16_t type) -> const std::string& {
        EXPECT_LT(at, head.size());
        EXPECT_EQ(head.at(at).type, type) << "record " << at;
        return head.at(at++).data;
    };
    EXPECT_EQ(next(0x0409), std::string("\x00\x00\x10\x00\x00\x00", 6));
    EXPECT_EQ(next(0x0042), std::string("\xE3\x04", 2));  // code page 1251
    EXPECT_EQ(next(0x0080), std::string(8, '\0'));
    const std::string& palette = next(0x0092);
    ASSERT_EQ(palette.size(), 54u);
    EXPECT_EQ(testing::U16At(palette, 0), 13);
    EXPECT_EQ(palette.substr(2, 4), std::string("\x00\x00\x80\x00", 4));  // 8: header font navy
    EXPECT_EQ(palette.substr(6, 4), std::string("\x01\x02\x03\x00", 4));  // 9: header colour
    EXPECT_EQ(palette.substr(10, 4), std::string(4, '\0'));  // 10: group text colour "none"
    EXPECT_EQ(palette.substr(50, 4), std::string(4, '\0'));  // 20: grid lines "none"

    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(next(0x0231), std::string("\xC8\x00\x00\x00\xFF\x7F\x05"
                                            "Arial",
                                            12));
    }
    // Fonts 5 to 9 (the grid font italic at 8.5 pt), then one per column.
    const std::string grid_font = Cp("Шрифт");
    const auto font = [](int height, int options, int colour, const std::string& face) {
        std::string data = {
            char(height & 0xFF), char(height >> 8), char(options), 0, char(colour), 0,
            char(face.size())};
        return data + face;
    };
    EXPECT_EQ(next(0x0231), font(170, 2, 12, grid_font));
    EXPECT_EQ(next(0x0231), font(160, 0, 8, Cp("MS Sans Serif")));
    EXPECT_EQ(next(0x0231), font(170, 2, 10, grid_font));
    EXPECT_EQ(next(0x0231), font(160, 0, 16, Cp("MS Sans Serif")));
    EXPECT_EQ(next(0x0231), font(170, 2, 18, grid_font));
    for (const WorksheetColumn& column : grid.worksheet.columns) {
        EXPECT_EQ(next(0x0231), font(180, column.font.bold ? 1 : 0, 12, Cp("Тахома")));
    }

    std::vector<std::string> xfs;
    while (at < head.size() && head[at].type == 0x0443) xfs.push_back(next(0x0443));
    ASSERT_EQ(xfs.size(), 29 + grid.worksheet.columns.size());
    EXPECT_EQ(xfs[0], std::string("\x00\x00\xF5\xFF\x20\x00\x00\xCE\x00\x00\x00\x00", 12));
    EXPECT_EQ(xfs[15], std::string("\x00\x00\x01\x00\x20\x00\x00\xCE\x00\x00\x00\x00", 12));
    EXPECT_EQ(xfs[21], std::string("\x05\x00\x01\x00\x21\x78\x41\x03\xA1\xA1\xA1\xA1", 12));
    EXPECT_EQ(xfs[24], std::string("\x05\x00\x01\x00\x22\x78\xC1\x02\xB9\xB9\xB9\xB9", 12));
    const char alignments[] = {0x21, 0x21, 0x23, 0x23, 0x22, 0x21};
    for (size_t i = 0; i < grid.worksheet.columns.size(); ++i) {
        std::string expected = xfs[21];
        expected[0] = char(10 + i);
        expected[4] = alignments[i];
        EXPECT_EQ(xfs[29 + i], expected) << "column " << i;
    }

    // Widths: 400 for the group columns, pixels x 36 for the others, all with format 15.
    const int widths[] = {400, 400, 104 * 36, 150 * 36, 50 * 36, 50 * 36, 50 * 36, 40 * 36};
    for (int column = 0; column < 8; ++column) {
        const std::string& data = next(0x007D);
        EXPECT_EQ(testing::U16At(data, 0), column);
        EXPECT_EQ(testing::U16At(data, 2), column);
        EXPECT_EQ(testing::U16At(data, 4), widths[column]);
        EXPECT_EQ(data.substr(6), std::string("\x0F\x00\x00\x00\x00\x00", 6));
    }
    EXPECT_EQ(next(0x0200), std::string("\x00\x00\xFF\xFF\x00\x00\xFF\x00\x00\x00", 10));
    EXPECT_EQ(at, head.size());
}

TEST(WorksheetTest, WithoutGridLinesTheColumnFormatsHaveNoBorders) {
    SmallGrid grid;
    grid.worksheet.look.show_grid = false;
    const std::vector<Record> head = Preamble(testing::SplitRecords(Export(grid.worksheet)));
    int column_formats = 0;
    int xf = 0;
    for (const Record& record : head) {
        if (record.type != 0x0443) continue;
        if (xf == 21 || xf >= 29) {
            EXPECT_EQ(record.data.substr(8), std::string(4, '\0')) << "XF " << xf;
            ++column_formats;
        }
        ++xf;
    }
    EXPECT_EQ(column_formats, 7);
}

// Every cell of the small grid: the band row (blanks, then the captions over it), the header row,
// group rows written in full whatever their state, event rows with a null price as 0, the footer.
TEST(WorksheetTest, WritesTitleRowsEveryNodeAndTheFooterCellByCell) {
    SmallGrid grid;
    const std::vector<Cell> cells = CellsOf(testing::SplitRecords(Export(grid.worksheet)));
    const std::vector<OddsRecord>& rows = grid.table.Rows();

    std::vector<Cell> expected;
    for (int column = 0; column < 8; ++column) expected.push_back(Blank(0, column, 23));
    expected.push_back(Label(0, 2, 26, Cp("Общие данные")));
    expected.push_back(Label(0, 4, 26, Cp("Исходы")));
    expected.push_back(Label(0, 6, 26, Cp("Тотал")));
    expected.push_back(Blank(1, 0, 23));
    expected.push_back(Blank(1, 1, 23));
    for (int i = 0; i < 6; ++i) {
        const WorksheetColumn& column = grid.worksheet.columns[i];
        expected.push_back(Label(1, 2 + i, 22, column.disable_caption ? "" : column.caption));
    }
    const auto group_row = [&](int row, int level, const std::string& text) {
        for (int g = 0; g < 2; ++g) {
            expected.push_back(g == level ? Label(row, g, 23, text) : Blank(row, g, 23));
        }
        for (int i = 0; i < 6; ++i) expected.push_back(Blank(row, 2 + i, 23));
    };
    const auto event_row = [&](int row, const OddsRecord& r, const std::string& date) {
        expected.push_back(Blank(row, 0, 23));
        expected.push_back(Blank(row, 1, 23));
        expected.push_back(Label(row, 2, 29, date));
        expected.push_back(Label(row, 3, 30, *r.team_h_name));
        expected.push_back(Number(row, 4, 31, r.P1 ? r.P1->ToDouble() : 0));
        expected.push_back(Number(row, 5, 32, r.X ? r.X->ToDouble() : 0));
        expected.push_back(Number(row, 6, 33, r.VT ? r.VT->ToDouble() : 0));
        expected.push_back(Label(row, 7, 34, ""));
    };
    group_row(2, 0, Cp("Вид спорта : футбол "));
    group_row(3, 1, Cp("Турнир : Англия "));
    event_row(4, rows[0], "25.12.2026 20:00:00");
    event_row(5, rows[1], "26.12.2026");  // midnight: the date alone
    group_row(6, 0, Cp("Вид спорта : хоккей "));
    group_row(7, 1, Cp("Турнир : КХЛ "));
    event_row(8, rows[2], "27.12.2026 9:05:00");
    expected.push_back(Blank(9, 0, 25));
    expected.push_back(Blank(9, 1, 25));
    expected.push_back(Blank(9, 2, 25));
    expected.push_back(Formula(9, 3, CountA(2, 8, 3)));
    for (int column = 4; column < 8; ++column) expected.push_back(Blank(9, column, 25));

    ASSERT_EQ(cells.size(), expected.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i], expected[i])
            << "cell record " << i << " at row " << cells[i].row << ", column " << cells[i].column;
    }
    // The formula's result is zero and recalculated when the worksheet is opened.
    for (const Record& record : testing::SplitRecords(Export(grid.worksheet))) {
        if (record.type != kFormula) continue;
        EXPECT_EQ(record.data.size(), 29u);
        EXPECT_EQ(record.data.substr(6, 12),
                  std::string(8, '\0') + std::string("\x03\x00\x0B\x00", 4));
    }
    EXPECT_EQ(testing::SplitRecords(Export(grid.worksheet)).back().type, 0x000A);
}

TEST(WorksheetTest, FooterRangeStartsAfterTheTitleRowsThatWereWritten) {
    struct Case {
        bool bands;
        bool header;
        int footer_row;
        int first_row;
    };
    const Case cases[] = {
        {true, true, 9, 2}, {true, false, 8, 1}, {false, true, 8, 1}, {false, false, 7, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "bands " << c.bands << ", header " << c.header);
        SmallGrid grid;
        grid.worksheet.look.show_bands = c.bands;
        grid.worksheet.look.show_header = c.header;
        const std::vector<Cell> cells = CellsOf(testing::SplitRecords(Export(grid.worksheet)));
        std::vector<Cell> formulas;
        for (const Cell& cell : cells) {
            if (cell.type == kFormula) formulas.push_back(cell);
        }
        ASSERT_EQ(formulas.size(), 1u);
        EXPECT_EQ(formulas[0], Formula(c.footer_row, 3, CountA(c.first_row, c.footer_row - 1, 3)));
        EXPECT_EQ(cells.back().row, c.footer_row);
    }
}

TEST(WorksheetTest, SummariesOtherThanCountReadTheirFieldByName) {
    SmallGrid grid;
    grid.worksheet.columns[2].summary = WorksheetSummary::kSum;  // its own field
    grid.worksheet.columns[3].summary = WorksheetSummary::kMax;
    grid.worksheet.columns[3].summary_field = "p1";  // letter case ignored
    grid.worksheet.columns[4].summary = WorksheetSummary::kAverage;
    grid.worksheet.columns[4].summary_field = "dop_info";  // not exported: no formula
    std::vector<Cell> footer;
    for (const Cell& cell : CellsOf(testing::SplitRecords(Export(grid.worksheet)))) {
        if (cell.row == 9) footer.push_back(cell);
    }
    ASSERT_EQ(footer.size(), 8u);
    const std::string area = CountA(2, 8, 4).substr(0, 7);
    EXPECT_EQ(footer[4], Formula(9, 4, area + std::string("\x19\x10\x00\x00", 4)));
    EXPECT_EQ(footer[5], Formula(9, 5, area + std::string("\x42\x01\x07\x00", 4)));
    EXPECT_EQ(footer[6], Blank(9, 6, 25));
    EXPECT_EQ(footer[3], Formula(9, 3, CountA(2, 8, 3)));
}

TEST(WorksheetTest, EmptyGridCountsZeroInsteadOfAReversedRange) {
    SmallGrid grid;
    grid.worksheet.nodes.clear();
    const std::vector<Cell> cells = CellsOf(testing::SplitRecords(Export(grid.worksheet)));
    // Band row, header row, footer row.
    ASSERT_EQ(cells.size(), 8u + 3u + 8u + 8u);
    EXPECT_EQ(cells[19 + 3], Number(2, 3, 24, 0));
    for (const Cell& cell : cells) EXPECT_NE(cell.type, kFormula);
}

TEST(WorksheetTest, GridWithoutTableWritesAnEmptyFile) {
    SmallGrid grid;
    grid.worksheet.has_data = false;
    EXPECT_EQ(Export(grid.worksheet), "");
}

TEST(WorksheetTest, IntegersTooWideForAnRkValueAreWrittenAsNumbers) {
    SmallGrid grid;
    grid.worksheet.columns[5].field_index = table::FieldIndex("Key_ID");
    OddsRecord wide = grid.table.Rows()[0];
    wide.Key_ID = 1 << 29;
    OddsRecord negative = wide;
    negative.Key_ID = -(1 << 29);
    OddsRecord null_key = wide;
    null_key.Key_ID.reset();
    grid.worksheet.nodes = {grid.Event(&grid.table.Rows()[0]), grid.Event(&wide),
                            grid.Event(&negative), grid.Event(&null_key)};
    std::vector<Cell> keys;
    for (const Cell& cell : CellsOf(testing::SplitRecords(Export(grid.worksheet)))) {
        if (cell.column == 7 && cell.row >= 2 && cell.row < 6) keys.push_back(cell);
    }
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].type, 0x027E);
    EXPECT_EQ(keys[0].number, 1);
    EXPECT_EQ(keys[1], Number(3, 7, 34, 1 << 29));
    EXPECT_EQ(keys[2].type, 0x027E);
    EXPECT_EQ(keys[2].number, -(1 << 29));
    EXPECT_EQ(keys[3].type, 0x027E);
    EXPECT_EQ(keys[3].number, 0);  // null as 0
}

// ---- Files ----

TEST(WorksheetFileTest, RowLimitIsRefusedBeforeAnyFileIsTouched) {
    TempDir dir;
    const std::string target = dir.File("line.xls");
    testing::WriteAll(target, "old");
    SmallGrid grid;
    // Two title rows and the footer leave 16 381 rows for nodes.
    grid.worksheet.nodes.assign(16'381, grid.Event(&grid.table.Rows()[0]));
    SaveGridAsWorksheet(grid.worksheet, target, true);
    const std::vector<Cell> cells = CellsOf(testing::SplitRecords(testing::ReadAll(target)));
    EXPECT_EQ(cells.back().row, 16'383);

    testing::WriteAll(target, "old");
    grid.worksheet.nodes.push_back(grid.worksheet.nodes.back());
    try {
        SaveGridAsWorksheet(grid.worksheet, target, true);
        FAIL() << "no refusal";
    } catch (const EWorksheetTooLarge& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot export 16385 rows: an Excel 4.0 worksheet holds at most 16384");
    }
    EXPECT_EQ(testing::ReadAll(target), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"line.xls"});

    // Without the title rows and the footer the same nodes fit.
    grid.worksheet.look.show_bands = grid.worksheet.look.show_header = false;
    grid.worksheet.look.show_summary_footer = false;
    SaveGridAsWorksheet(grid.worksheet, target, true);
    EXPECT_NE(testing::ReadAll(target), "old");
}

TEST(WorksheetFileTest, FolderThatCannotTakeTheFileGivesCannotCreateFileWithTheReason) {
    TempDir dir;
    testing::WriteAll(dir.File("plain"), "x");
    std::filesystem::create_directory(dir.File("folder.xls"));
    const std::pair<std::string, const char*> targets[] = {
        {dir.File("missing/line.xls"), "No such file or directory"},
        {dir.File("plain/line.xls"), "Not a directory"},
        {dir.File("folder.xls"), "Is a directory"},
        {"", "No such file or directory"},
    };
    SmallGrid grid;
    for (const auto& [target, reason] : targets) {
        SCOPED_TRACE(target);
        for (const bool xlsx : {false, true}) {
            try {
                if (xlsx) {
                    SaveGridAsXlsx(grid.worksheet, target);
                } else {
                    SaveGridAsWorksheet(grid.worksheet, target, true);
                }
                ADD_FAILURE() << "no failure";
            } catch (const EFileCreateError& e) {
                EXPECT_EQ(std::string(e.what()), "Cannot create file " + target + ": " + reason);
            }
        }
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"folder.xls", "plain"}));
}

TEST(WorksheetFileTest, NamesWithBlanksAndCyrillicAndLinksAreWrittenInPlace) {
    TempDir dir;
    SmallGrid grid;
    const std::string target = dir.File("Линия на завтра.xls");
    testing::WriteAll(target, "old");
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    SaveGridAsWorksheet(grid.worksheet, target, true);
    EXPECT_EQ(testing::ReadAll(target), Export(grid.worksheet));
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));

    // A link keeps pointing at the file, which gets the new content.
    std::filesystem::create_symlink("Линия на завтра.xls", dir.File("link.xls"));
    grid.worksheet.nodes.pop_back();
    SaveGridAsWorksheet(grid.worksheet, dir.File("link.xls"), true);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.xls")));
    EXPECT_EQ(testing::ReadAll(target), Export(grid.worksheet));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.xls", "Линия на завтра.xls"}));
}

TEST(WorksheetFileTest, DevicesAndPipesTakeTheBytesDirectly) {
    SmallGrid grid;
    SaveGridAsWorksheet(grid.worksheet, "/dev/null", true);
    SaveGridAsXlsx(grid.worksheet, "/dev/null");

    TempDir dir;
    const std::string pipe_path = dir.File("pipe");
    ASSERT_EQ(mkfifo(pipe_path.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = testing::ReadAll(pipe_path); });
    SaveGridAsWorksheet(grid.worksheet, pipe_path, true);
    reader.join();
    EXPECT_TRUE(received == Export(grid.worksheet));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"pipe"});
}

// What an export run under a file size limit threw ("" when it did not throw) and what it wrote to
// standard error.
struct LimitedWrite {
    std::string message;
    std::string standard_error;
};

// Runs `write` in a child process whose files may not grow past `limit` bytes.
LimitedWrite WriteUnderSizeLimit(rlim_t limit, const std::function<void()>& write) {
    int message_fds[2];
    int error_fds[2];
    if (pipe(message_fds) != 0 || pipe(error_fds) != 0) return {"pipe failed", ""};
    const pid_t child = fork();
    if (child == 0) {
        close(message_fds[0]);
        close(error_fds[0]);
        dup2(error_fds[1], STDERR_FILENO);
        std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of killing us
        const rlimit size{limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
        std::string message;
        try {
            write();
        } catch (const std::exception& e) {
            message = e.what();
        }
        (void)!::write(message_fds[1], message.data(), message.size());
        _exit(0);
    }
    close(message_fds[1]);
    close(error_fds[1]);
    const auto read_all = [](int fd) {
        std::string bytes;
        char buffer[256];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
        close(fd);
        return bytes;
    };
    LimitedWrite result;
    result.message = read_all(message_fds[0]);
    result.standard_error = read_all(error_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}

// A limit low enough fails the workbook's own staging data (20 000), a lower one the zip container
// the library writes last (1 000), where it also reports the failure on standard error itself: our
// one message, with the system's reason, is all a user gets.
TEST(WorksheetFileTest, FailedWriteKeepsTheOldFileAndLeavesNoPartialFile) {
    SmallGrid grid;
    grid.worksheet.nodes.assign(5000, grid.Event(&grid.table.Rows()[0]));
    struct Case {
        const char* name;
        rlim_t limit;
        std::function<void(const std::string&)> write;
        const char* reason;  // the end of the message, when it is known
    };
    const Case cases[] = {
        {"line.xls", 20'000,
         [&](const std::string& file) { SaveGridAsWorksheet(grid.worksheet, file, true); },
         "File too large"},
        {"line.xlsx", 20'000,
         [&](const std::string& file) { SaveGridAsXlsx(grid.worksheet, file); }, nullptr},
        {"line.xlsx", 1'000, [&](const std::string& file) { SaveGridAsXlsx(grid.worksheet, file); },
         "File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.limit));
        TempDir dir;
        const std::string target = dir.File(c.name);
        testing::WriteAll(target, "the previous export");
        const LimitedWrite run = WriteUnderSizeLimit(c.limit, [&] { c.write(target); });
        const std::string start = "Cannot write file " + target + ": ";
        EXPECT_EQ(run.message.rfind(start, 0), 0u) << run.message;
        if (c.reason != nullptr) {
            EXPECT_EQ(run.message, start + c.reason);
        }
        EXPECT_EQ(run.standard_error, "");
        EXPECT_EQ(testing::ReadAll(target), "the previous export");
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.name});
    }
}

// A full disk, on a small file system of its own when this machine lets the test mount one.
TEST(WorksheetFileTest, FullDiskKeepsTheOldFile) {
    TempDir dir;
    const std::string mount_point = dir.File("small");
    std::filesystem::create_directory(mount_point);
    const std::string mount = "mount -t tmpfs -o size=64k tmpfs '" + mount_point + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { (void)!std::system(("umount '" + path + "'").c_str()); }
    } unmount{mount_point};
    const std::string target = mount_point + "/line.xls";
    testing::WriteAll(target, "the previous export");
    SmallGrid grid;
    grid.worksheet.nodes.assign(5000, grid.Event(&grid.table.Rows()[0]));
    try {
        SaveGridAsWorksheet(grid.worksheet, target, true);
        FAIL() << "no failure";
    } catch (const EFileWriteError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write file " + target + ": No space left on device");
    }
    EXPECT_EQ(testing::ReadAll(target), "the previous export");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(mount_point)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"line.xls"});
}

}  // namespace
}  // namespace lintaro::worksheet
