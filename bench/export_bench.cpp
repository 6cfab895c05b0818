// Worksheet export benchmarks over the demo line's first bookmaker: 16 000 events to the Excel 4.0
// sheet and 100 000 events to the .xlsx workbook, from the grid's tree as the window and the CLI
// hold it, and the export's peak memory next to the odds table's own.
// Targets: 16 000 events to .xls <= 50 ms; 100 000 events to .xlsx <= 3 s with memory <= 2x the
// table's.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "demo_table.h"
#include "export/grid_export.h"
#include "export/grid_worksheet.h"
#include "export/xlsx_export.h"
#include "grid/grid_tree.h"
#include "table/odds_table.h"

namespace {

using lintaro::table::OddsTable;

using lintaro::bench::FillTable;

// The demo line's events in an odds table, with the heap the table took, and the grid's tree
// over it as laid out at start.
struct Line {
    OddsTable table;
    size_t table_bytes = 0;
    lintaro::grid::GridTree tree;
    int events = 0;
};

Line& DemoLine(int events) {
    static std::map<int, std::unique_ptr<Line>> lines;
    std::unique_ptr<Line>& line = lines[events];
    if (line) return *line;
    lintaro::demo::DemoOptions options;
    options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                std::chrono::day{10}};
    // A few of the demo line's events are deliberately unreadable: ask for some more and keep
    // exactly `events` rows.
    options.events = events + events / 20;
    std::vector<lintaro::table::OddsRecord> rows =
        lintaro::demo::PublishedFirstRows(options, *options.today);
    if (static_cast<int>(rows.size()) > events) rows.resize(events);
    line = std::make_unique<Line>();
    line->table_bytes = FillTable(line->table, rows);
    line->tree.Rebuild(line->table);
    line->events = line->table.RowCount();
    return *line;
}

// A scratch folder for the files the benchmarks write (TMPDIR or /tmp).
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/lintaro-export-bench-XXXXXX";
        if (mkdtemp(name.data()) == nullptr) std::abort();
        return name;
    }();
    return folder;
}

long StatusKib(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}

// Runs `work` in a child process and returns the most its resident memory grew while it ran
// (the peak after the work less the resident size before it), in bytes; -1 when not measurable.
template <typename Work>
long PeakGrowth(Work work) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        // Free heap pages inherited from the parent would be reused without showing as growth:
        // hand them back first. Then reset the peak to the current size, so the peak afterwards
        // belongs to the work.
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKib("VmRSS:");
        work();
        const long peak = StatusKib("VmHWM:");
        const long growth = before < 0 || peak < 0 ? -1 : (peak - before) * 1024;
        (void)!write(fds[1], &growth, sizeof growth);
        _exit(0);
    }
    close(fds[1]);
    long growth = -1;
    if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

void SetSizes(benchmark::State& state, const Line& line, const std::string& file) {
    state.counters["events"] = line.events;
    state.counters["table_MB"] = line.table_bytes / 1e6;
    std::error_code ignored;
    state.counters["file_MB"] = std::filesystem::file_size(file, ignored) / 1e6;
}

// The window's export: the grid's tree to a finished .xls file (described, written, flushed to
// disk, renamed into place).
void BM_XlsFile16k(benchmark::State& state) {
    const Line& line = DemoLine(16'000);
    const lintaro::grid::GridLook look;
    const std::string file = ScratchFolder() + "/line.xls";
    for (auto _ : state) lintaro::worksheet::SaveGridAsWorksheet(line.tree, look, file, true);
    SetSizes(state, line, file);
}
BENCHMARK(BM_XlsFile16k)->Unit(benchmark::kMillisecond);

// The same sheet into memory: the record encoding alone.
void BM_XlsMemory16k(benchmark::State& state) {
    const Line& line = DemoLine(16'000);
    const lintaro::grid::GridLook look;
    size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        lintaro::worksheet::WriteWorksheet(lintaro::worksheet::DescribeGrid(line.tree, look), out);
        bytes = out.str().size();
    }
    state.counters["file_MB"] = bytes / 1e6;
}
BENCHMARK(BM_XlsMemory16k)->Unit(benchmark::kMillisecond);

// 100 000 events to a finished .xlsx workbook (written, checked, flushed, renamed into place).
void BM_XlsxFile100k(benchmark::State& state) {
    const Line& line = DemoLine(100'000);
    const lintaro::grid::GridLook look;
    const std::string file = ScratchFolder() + "/line.xlsx";
    for (auto _ : state)
        lintaro::worksheet::SaveGridAsXlsx(lintaro::worksheet::DescribeGrid(line.tree, look), file);
    SetSizes(state, line, file);
}
BENCHMARK(BM_XlsxFile100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peak memory of one export next to the table's own, in a child process of its own.
void BM_XlsxMemory100k(benchmark::State& state) {
    const Line& line = DemoLine(100'000);
    const lintaro::grid::GridLook look;
    const std::string file = ScratchFolder() + "/memory.xlsx";
    long growth = -1;
    for (auto _ : state) {
        growth = PeakGrowth([&] {
            lintaro::worksheet::SaveGridAsXlsx(lintaro::worksheet::DescribeGrid(line.tree, look),
                                               file);
        });
    }
    state.counters["export_peak_MB"] = growth / 1e6;
    state.counters["table_MB"] = line.table_bytes / 1e6;
    state.counters["peak_per_table"] = static_cast<double>(growth) / line.table_bytes;
}
BENCHMARK(BM_XlsxMemory100k)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_XlsMemoryUse16k(benchmark::State& state) {
    const Line& line = DemoLine(16'000);
    const lintaro::grid::GridLook look;
    const std::string file = ScratchFolder() + "/memory.xls";
    long growth = -1;
    for (auto _ : state) {
        growth = PeakGrowth(
            [&] { lintaro::worksheet::SaveGridAsWorksheet(line.tree, look, file, true); });
    }
    state.counters["export_peak_MB"] = growth / 1e6;
    state.counters["table_MB"] = line.table_bytes / 1e6;
    state.counters["peak_per_table"] = static_cast<double>(growth) / line.table_bytes;
}
BENCHMARK(BM_XlsMemoryUse16k)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(ScratchFolder());
    return 0;
}
