// Live line benchmarks over the demo line's first bookmaker with 100 000 events: two generations
// of the moving line stand for two refreshes.
// Targets: matching and marking 100 000 events against the previous refresh <= 50 ms; the previous
// line's memory <= 0.5 x the table's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "demo/demo_line.h"
#include "demo_table.h"
#include "live/line_movement.h"
#include "live/line_snapshot.h"
#include "table/odds_table.h"

namespace {

using lintaro::OddsRecord;
using lintaro::live::LineMovement;
using lintaro::live::LineSnapshot;

constexpr int kEvents = 100'000;

// Generation `generation` of the demo line with kEvents events on the first bookmaker's page.
std::vector<OddsRecord> Read(uint32_t generation) {
    lintaro::demo::DemoOptions options;
    options.events = kEvents;
    options.generation = generation;
    options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                std::chrono::day{10}};
    return lintaro::demo::PublishedFirstRows(options, *options.today);
}

// Two reads a refresh apart, made once.
struct Reads {
    std::vector<OddsRecord> previous = Read(0);
    std::vector<OddsRecord> current = Read(1);
};

const Reads& TwoReads() {
    static const Reads* reads = new Reads;
    return *reads;
}

// What a refresh adds: the snapshot of the new read, and its movement against the previous one.
void BM_MatchAndMark(benchmark::State& state) {
    const Reads& reads = TwoReads();
    const auto previous = std::make_shared<const LineSnapshot>(reads.previous);
    LineMovement movement;
    for (auto _ : state) {
        auto current = std::make_shared<const LineSnapshot>(reads.current);
        movement = LineMovement(previous, std::move(current));
        benchmark::DoNotOptimize(movement.Counts());
    }
    state.counters["rows"] = static_cast<double>(reads.current.size());
    state.counters["prices_moved"] = static_cast<double>(movement.Counts().prices_moved);
    state.counters["new"] = static_cast<double>(movement.Counts().events_new);
    state.counters["gone"] = static_cast<double>(movement.Counts().events_gone);
}

// The comparison alone, both snapshots taken.
void BM_CompareSnapshots(benchmark::State& state) {
    const Reads& reads = TwoReads();
    const auto previous = std::make_shared<const LineSnapshot>(reads.previous);
    const auto current = std::make_shared<const LineSnapshot>(reads.current);
    for (auto _ : state) {
        LineMovement movement(previous, current);
        benchmark::DoNotOptimize(movement.Counts());
    }
}

// The previous line's memory next to the odds table holding the same read: the heap each takes,
// and the snapshot's own count.
void BM_PreviousLineMemory(benchmark::State& state) {
    const Reads& reads = TwoReads();
    size_t table_bytes = 0, snapshot_heap = 0, snapshot_bytes = 0;
    for (auto _ : state) {
        lintaro::OddsTable table;
        table_bytes = lintaro::bench::FillTable(table, reads.previous);
        const size_t before = lintaro::bench::HeapInUse();
        const LineSnapshot snapshot(table.Rows());
        snapshot_heap = lintaro::bench::HeapInUse() - before;
        snapshot_bytes = snapshot.MemoryBytes();
    }
    state.counters["table_MB"] = static_cast<double>(table_bytes) / 1e6;
    state.counters["snapshot_MB"] = static_cast<double>(snapshot_heap) / 1e6;
    state.counters["ratio"] = static_cast<double>(snapshot_heap) / static_cast<double>(table_bytes);
    state.counters["counted_MB"] = static_cast<double>(snapshot_bytes) / 1e6;
}

}  // namespace

BENCHMARK(BM_MatchAndMark)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareSnapshots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviousLineMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
