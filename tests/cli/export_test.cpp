// lintaro-cli parse and load with --format and --out: the grid's worksheet as the window lays it
// out at start, files replaced only when complete, binary output kept off terminals, and rows on a
// terminal with their control bytes escaped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "table/cp1251_text.h"

namespace {

using lintaro::testing_util::CliRun;
using lintaro::testing_util::RunCli;

// The first bookmaker's worked example; the heading is Windows-1251 ("Футбол. Англия").
const char kFirstPage[] =
    "<div class=cap>\xD4\xF3\xF2\xE1\xEE\xEB. \xC0\xED\xE3\xEB\xE8\xFF</div>\n"
    "25/12 <b id=r101>1) Alpha</b> <b >1.85</b>  3.40   4.20 <b >1.25</b>  1.30   2.05 "
    "<b >-0.5=>1.90</b>+0.5=>1.95<b >2.5</b> 1.80 2.00 20:00  <b id=r102>2) Beta</b> "
    "<a href=x>+12</a>\n<div>\n";

class ExportCliTest : public ::testing::Test {
  protected:
    ExportCliTest() {
        char name[] = "/tmp/lintaro-cli-export-XXXXXX";
        if (mkdtemp(name) != nullptr) dir_ = name;
        page_ = File("first.html");
        Write(page_, kFirstPage);
    }
    ~ExportCliTest() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& name) const { return dir_ + "/" + name; }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    CliRun Parse(std::vector<std::string> extra) const {
        std::vector<std::string> args = {"parse", "first", page_, "--today", "2026-12-10"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    }

    std::string dir_;
    std::string page_;
};

TEST_F(ExportCliTest, WorksheetGoesToTheFileOrToARedirectedStandardOutput) {
    const std::string file = File("line.xls");
    const CliRun run = Parse({"--format", "xls", "--out", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const std::string sheet = Read(file);
    // BOF, then the code page 1251.
    EXPECT_EQ(sheet.substr(0, 14), std::string("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00"
                                               "\x42\x00\x02\x00",
                                               14));
    // The grid's texts as the window shows them: the group rows and the date in Russian formats.
    for (const char* text : {"Вид спорта : футбол ", "Турнир : Англия ", "25.12.2026 20:00:00",
                             "Командa дом.", "Общие данные"}) {
        EXPECT_NE(sheet.find(lintaro::table::Utf8ToCp1251(text)), std::string::npos) << text;
    }
    EXPECT_EQ(sheet.substr(sheet.size() - 4), std::string("\x0A\x00\x00\x00", 4));

    const CliRun piped = Parse({"--format=xls"});
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, sheet);

    const CliRun xlsx = Parse({"--format", "xlsx", "--out", File("line.xlsx")});
    EXPECT_EQ(xlsx.status, 0) << xlsx.err;
    EXPECT_EQ(Read(File("line.xlsx")).substr(0, 2), "PK");
    const CliRun xlsx_piped = Parse({"--format", "xlsx"});
    EXPECT_EQ(xlsx_piped.status, 0) << xlsx_piped.err;
    EXPECT_EQ(xlsx_piped.out.substr(0, 2), "PK");
}

TEST_F(ExportCliTest, RowFormatsWriteTheSameBytesToTheFile) {
    for (const char* format : {"jsonl", "csv"}) {
        SCOPED_TRACE(format);
        const std::string file = File(std::string("rows.") + format);
        const CliRun to_file = Parse({"--format", format, "--out", file});
        EXPECT_EQ(to_file.status, 0) << to_file.err;
        EXPECT_EQ(to_file.out, "");
        const CliRun to_stdout = Parse({"--format", format});
        EXPECT_FALSE(to_stdout.out.empty());
        EXPECT_EQ(Read(file), to_stdout.out);
    }
}

TEST_F(ExportCliTest, FolderThatCannotTakeTheFileFailsWithStatusOne) {
    const std::string missing = File("no such folder/line.xls");
    const CliRun run = Parse({"--format", "xls", "--out", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "lintaro-cli: Cannot create file " + missing + ": No such file or directory\n");
    const CliRun rows = Parse({"--out", File("missing/rows.jsonl")});
    EXPECT_EQ(rows.status, 1);
    EXPECT_EQ(rows.err, "lintaro-cli: Cannot create file " + File("missing/rows.jsonl") +
                            ": No such file or directory\n");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--format", "xlsm"}, {"--out", ""}, {"--out"}}) {
        const CliRun usage = Parse(bad);
        EXPECT_EQ(usage.status, 2) << bad[0];
        EXPECT_EQ(usage.out, "");
    }
}

TEST_F(ExportCliTest, MoreRowsThanAnExcel4SheetHoldsAreRefusedAndTheOldFileStays) {
    // 17 000 events and their group rows: too many for an Excel 4.0 sheet, fine for .xlsx.
    lintaro::demo::DemoOptions options;
    options.events = 17'000;
    const auto today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                   std::chrono::day{10}};
    const std::string page = File("large.html");
    Write(page, lintaro::demo::BuildFirstLine(options, today).page);
    const std::string file = File("large.xls");
    Write(file, "the previous export");

    const CliRun run =
        RunCli({"parse", "first", page, "--today", "2026-12-10", "--format", "xls", "--out", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(" rows: an Excel 4.0 worksheet holds at most 16384\n"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(Read(file) == "the previous export");

    const CliRun xlsx = RunCli(
        {"parse", "first", page, "--today", "2026-12-10", "--format", "xlsx", "--out", file});
    EXPECT_EQ(xlsx.status, 0) << xlsx.err;
    EXPECT_EQ(Read(file).substr(0, 2), "PK");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"first.html", "large.html", "large.xls"}));
}

TEST_F(ExportCliTest, LoadWritesTheDemoLineAsBothWorksheets) {
    for (const char* format : {"xls", "xlsx"}) {
        SCOPED_TRACE(format);
        const std::string file = File(std::string("demo.") + format);
        const CliRun run = RunCli({"load", "first", "--demo", "--today", "2026-12-10", "--format",
                                   format, "--out", file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        const std::string bytes = Read(file);
        ASSERT_GT(bytes.size(), 1000u);
        if (std::string(format) == "xls") {
            EXPECT_EQ(bytes.substr(0, 4), std::string("\x09\x04\x06\x00", 4));
            EXPECT_NE(bytes.find(lintaro::table::Utf8ToCp1251("Вид спорта : ")), std::string::npos);
        } else {
            EXPECT_EQ(bytes.substr(0, 2), "PK");
        }
    }
}

// Runs lintaro-cli with a terminal as its standard output and returns its exit status and what it
// wrote there.
CliRun RunOnTerminal(const std::vector<std::string>& args) {
    std::vector<std::string> argv_text = {LINTARO_CLI};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    CliRun run;
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return run;
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) run.out.append(buffer, n);
    int status = 0;
    waitpid(child, &status, 0);
    // The terminal may report its far end closed while the last bytes written there are still on
    // their way through the kernel's buffers: once the program has ended, read what is left.
    fcntl(terminal, F_SETFL, fcntl(terminal, F_GETFL) | O_NONBLOCK);
    for (int attempt = 0; attempt < 20; ++attempt) {
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n > 0) {
            run.out.append(buffer, n);
            attempt = 0;
        } else {
            usleep(5000);
        }
    }
    close(terminal);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST_F(ExportCliTest, BinaryFormatsAreNeverWrittenToATerminal) {
    for (const char* format : {"xls", "xlsx"}) {
        SCOPED_TRACE(format);
        const CliRun run =
            RunOnTerminal({"parse", "first", page_, "--today", "2026-12-10", "--format", format});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.out.find(std::string("--format ") + format +
                               " is binary and is not written to a terminal"),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(run.out.find(std::string("\x09\x04", 2)), std::string::npos);

        const std::string file = File(std::string("tty.") + format);
        const CliRun to_file = RunOnTerminal(
            {"parse", "first", page_, "--today", "2026-12-10", "--format", format, "--out", file});
        EXPECT_EQ(to_file.status, 0) << to_file.out;
        EXPECT_FALSE(Read(file).empty());
    }
    // Text formats still go to the terminal.
    const CliRun text = RunOnTerminal({"parse", "first", page_, "--today", "2026-12-10"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("\"team_h_name\":\"Alpha\""), std::string::npos);
}

// A home team whose name is a formula with a terminal escape sequence and a TAB in it: the CSV
// guards the formula wherever it goes; a terminal sees the control bytes escaped as the messages
// show them, a pipe and a file get them as they are.
TEST_F(ExportCliTest, RowsOnATerminalShowControlBytesEscapedAndPipesGetThemRaw) {
    std::string page = kFirstPage;
    page.replace(page.find("Alpha"), 5, "=1+1\x1B[31mRed\tX");
    Write(page_, page);
    const std::vector<std::string> csv = {"parse",      "first",    page_, "--today",
                                          "2026-12-10", "--format", "csv"};
    const CliRun terminal = RunOnTerminal(csv);
    EXPECT_EQ(terminal.status, 0) << terminal.out;
    EXPECT_NE(terminal.out.find(",'=1+1\\x1B[31mRed\\x09X,"), std::string::npos) << terminal.out;
    EXPECT_EQ(terminal.out.find('\x1B'), std::string::npos);
    const CliRun jsonl = RunOnTerminal({"parse", "first", page_, "--today", "2026-12-10"});
    EXPECT_NE(jsonl.out.find(R"("team_h_name":"=1+1\u001b[31mRed\tX")"), std::string::npos)
        << jsonl.out;
    EXPECT_EQ(jsonl.out.find('\x1B'), std::string::npos);

    const std::string raw = ",'=1+1\x1B[31mRed\tX,";
    const CliRun piped = RunCli(csv);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_NE(piped.out.find(raw), std::string::npos) << piped.out;
    const CliRun to_file = RunCli({"parse", "first", page_, "--today", "2026-12-10", "--format",
                                   "csv", "--out", File("rows.csv")});
    EXPECT_EQ(to_file.status, 0) << to_file.err;
    EXPECT_EQ(Read(File("rows.csv")), piped.out);
}

}  // namespace
