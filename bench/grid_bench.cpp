// Odds grid benchmarks over a whole day's line: the demo line's first bookmaker with 100 000
// events in the odds table. Measures the headless tree (table to tree), the widget offscreen
// (a table notification to a shown, collapsed view; a header sort; a filter; expand-all; one
// paint of a full viewport) and the grid's own memory next to the table's.
// Targets: reload to a shown collapsed view <= 300 ms; sort, filter, expand-all <= 150 ms each;
// one viewport paint <= 16 ms; the grid's memory <= the table's.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QScrollBar>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "demo/demo_line.h"
#include "demo_table.h"
#include "grid/grid_tree.h"
#include "table/odds_table.h"
#include "views/odds_grid_view.h"

namespace {

using lintaro::grid::ColumnFilter;
using lintaro::grid::CompareOp;
using lintaro::grid::GridTree;
using lintaro::table::OddsTable;
using lintaro::views::OddsGridView;

constexpr int kEvents = 100'000;
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 800;

using lintaro::bench::FillTable;
using lintaro::bench::HeapInUse;

// The table with the demo line's 100 000 events, filled once, and the heap it took.
struct Line {
    OddsTable table;
    size_t table_bytes = 0;
};

Line& DemoLine() {
    static Line* line = [] {
        lintaro::demo::DemoOptions options;
        options.events = kEvents;
        options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                    std::chrono::day{10}};
        std::vector<lintaro::table::OddsRecord> rows =
            lintaro::demo::PublishedFirstRows(options, *options.today);
        auto* l = new Line;
        l->table_bytes = FillTable(l->table, rows);
        return l;
    }();
    return *line;
}

// A shown grid of window size over the demo line, collapsed as after a refresh.
std::unique_ptr<OddsGridView> ShownGrid() {
    auto view = std::make_unique<OddsGridView>();
    view->SetFormats(lintaro::table::RegionalFormats{});
    view->resize(kWindowWidth, kWindowHeight);
    view->show();
    view->SetTable(&DemoLine().table);
    view->CollapseAllGroups();
    view->TreeView()->viewport()->repaint();
    QApplication::processEvents();
    return view;
}

void Paint(OddsGridView& view) { view.TreeView()->viewport()->repaint(); }

void BM_TableToTree(benchmark::State& state) {
    OddsTable& table = DemoLine().table;
    GridTree tree{lintaro::table::RegionalFormats{}};
    for (auto _ : state) {
        tree.Rebuild(table);
        benchmark::DoNotOptimize(tree.EventCount());
    }
    state.counters["rows"] = tree.EventCount();
    state.counters["groups"] = tree.NodeCount(0) + tree.NodeCount(1);
}

// A table notification (the end of a suspended load) to a shown, collapsed, painted view.
void BM_ReloadToCollapsedView(benchmark::State& state) {
    auto view = ShownGrid();
    OddsTable& table = DemoLine().table;
    for (auto _ : state) {
        { lintaro::table::ScopedDisplaySuspension suspended(table); }  // one RowsChanged
        view->CollapseAllGroups();
        Paint(*view);
    }
    view->SetTable(nullptr);
}

void BM_HeaderSort(benchmark::State& state) {
    auto view = ShownGrid();
    for (auto _ : state) {
        view->ClickHeader(lintaro::grid::kColHomeTeam);  // ascending, descending, back to the date
        Paint(*view);
    }
    view->SetTable(nullptr);
}

void BM_Filter(benchmark::State& state) {
    auto view = ShownGrid();
    const ColumnFilter filters[] = {
        ColumnFilter::Custom({CompareOp::kLike, "*а*"}),
        ColumnFilter::Custom({CompareOp::kNotLike, "*о*"}),
    };
    int i = 0;
    for (auto _ : state) {
        view->SetColumnFilter(lintaro::grid::kColHomeTeam, filters[i++ % 2]);
        Paint(*view);
    }
    state.counters["shown_rows"] = view->Tree().EventCount();
    view->SetTable(nullptr);
}

void BM_DateFilter(benchmark::State& state) {
    auto view = ShownGrid();
    const ColumnFilter filters[] = {
        ColumnFilter::Custom({CompareOp::kGreaterOrEqual, "15.12.2026"}),
        ColumnFilter::Value(view->Tree().FilterList(lintaro::grid::kColDate).back().text),
    };
    int i = 0;
    for (auto _ : state) {
        view->SetColumnFilter(lintaro::grid::kColDate, filters[i++ % 2]);
        Paint(*view);
    }
    view->SetTable(nullptr);
}

void BM_ExpandAll(benchmark::State& state) {
    auto view = ShownGrid();
    for (auto _ : state) {
        view->ExpandAllGroups();
        Paint(*view);
        state.PauseTiming();
        view->CollapseAllGroups();
        Paint(*view);
        state.ResumeTiming();
    }
    view->SetTable(nullptr);
}

// One paint of a full viewport of expanded event rows, scrolled to the middle of the line.
void BM_ViewportPaint(benchmark::State& state) {
    auto view = ShownGrid();
    view->ExpandAllGroups();
    QScrollBar* bar = view->TreeView()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    Paint(*view);
    for (auto _ : state) Paint(*view);
    view->SetTable(nullptr);
}

// Typing into the find bar, one keystroke an iteration: "д", "ди", ... "динамо", then erasing
// back to the empty text. The headless tree alone, and the shown grid (the user's place kept,
// the model reset, a paint) with every group expanded, as a user finding events would see them.
constexpr const char* kKeystrokes[] = {"д",     "ди",   "дин", "дина", "динам", "динамо",
                                       "динам", "дина", "дин", "ди",   "д",     ""};

void BM_FindKeystrokeTree(benchmark::State& state) {
    GridTree tree{lintaro::table::RegionalFormats{}};
    tree.Rebuild(DemoLine().table);
    size_t i = 0;
    for (auto _ : state) {
        tree.SetFindText(kKeystrokes[i++ % std::size(kKeystrokes)]);
        benchmark::DoNotOptimize(tree.EventCount());
    }
}

void BM_FindKeystroke(benchmark::State& state) {
    auto view = ShownGrid();
    view->ExpandAllGroups();
    size_t i = 0;
    int shown_at_dinamo = 0;
    for (auto _ : state) {
        const char* text = kKeystrokes[i++ % std::size(kKeystrokes)];
        view->SetFindText(text);
        Paint(*view);
        if (std::string_view(text) == "динамо") shown_at_dinamo = view->Tree().EventCount();
    }
    state.counters["found_rows"] = shown_at_dinamo;
    view->SetTable(nullptr);
}

// Heap the grid takes beyond the table: the headless tree alone, and the whole widget collapsed
// and expanded. One iteration; the figures are counters.
void BM_Memory(benchmark::State& state) {
    Line& line = DemoLine();
    size_t tree_bytes = 0, collapsed_bytes = 0, expanded_bytes = 0;
    for (auto _ : state) {
        const size_t before_tree = HeapInUse();
        auto tree = std::make_unique<GridTree>(lintaro::table::RegionalFormats{});
        tree->Rebuild(line.table);
        tree_bytes = HeapInUse() - before_tree;
        tree.reset();

        const size_t before_view = HeapInUse();
        auto view = ShownGrid();
        collapsed_bytes = HeapInUse() - before_view;
        view->ExpandAllGroups();
        Paint(*view);
        expanded_bytes = HeapInUse() - before_view;
        view->SetTable(nullptr);
    }
    state.counters["table_MB"] = line.table_bytes / 1e6;
    state.counters["tree_MB"] = tree_bytes / 1e6;
    state.counters["view_collapsed_MB"] = collapsed_bytes / 1e6;
    state.counters["view_expanded_MB"] = expanded_bytes / 1e6;
}

BENCHMARK(BM_TableToTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadToCollapsedView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewportPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindKeystrokeTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const auto start = std::chrono::steady_clock::now();
    DemoLine();
    std::fprintf(stderr, "demo line: %d rows in %.1f s\n", DemoLine().table.RowCount(),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
