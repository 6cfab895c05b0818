// Odds table benchmarks: how fast readers can insert realistic rows (target: a million rows a
// second or more), and how fast the CLI writes them out as JSON Lines or CSV.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "export/row_format.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace {

using lintaro::table::FieldValue;
using lintaro::table::OddsTable;

constexpr int kRowsPerBatch = 10'000;

// An event sheet of about 1.5 KB, the size of a typical first bookmaker's market table.
std::string EventSheet(int key) {
    std::string sheet = "<table class=\"markets\">";
    for (int i = 0; i < 24; ++i) {
        sheet += "<tr><td>" + lintaro::table::Utf8ToCp1251("Тотал голов") + " (" +
                 std::to_string(i) + ".5)</td><td>1." + std::to_string(50 + (key + i) % 50) +
                 "</td></tr>";
    }
    return sheet + "</table>";
}

// One realistic row as a reader builds it: Cyrillic names, a date-time, 13 prices and values
// (parsed from text, so not exact binary fractions), the key and the sheet.
std::vector<FieldValue> EventValues(int key) {
    static const std::string kSports[] = {lintaro::table::Utf8ToCp1251("Футбол"),
                                          lintaro::table::Utf8ToCp1251("Хоккей"),
                                          lintaro::table::Utf8ToCp1251("Теннис")};
    static const std::string kTeams[] = {lintaro::table::Utf8ToCp1251("Спартак Москва"),
                                         lintaro::table::Utf8ToCp1251("Зенит Санкт-Петербург"),
                                         lintaro::table::Utf8ToCp1251("Локомотив"),
                                         lintaro::table::Utf8ToCp1251("ЦСКА"),
                                         lintaro::table::Utf8ToCp1251("Динамо Киев   "),
                                         lintaro::table::Utf8ToCp1251("Шахтёр Донецк")};
    const double price = 1.05 + (key % 300) * 0.01;
    return {kSports[key % 3],
            lintaro::table::Utf8ToCp1251("Россия. Премьер-лига"),
            45361 + (key % 30) + (19 * 60 + 30 + key % 60) / 1440.0,
            kTeams[key % 6],
            kTeams[(key + 1) % 6],
            price,
            3.4,
            price + 1.15,
            1.25,
            1.9,
            1.3,
            1.95,
            -1.5 + (key % 7) * 0.25,
            1.85,
            1.5 - (key % 7) * 0.25,
            1.8,
            2.05,
            2.5 + key % 4,
            int32_t{key},
            EventSheet(key)};
}

std::vector<std::vector<FieldValue>> SampleValues() {
    std::vector<std::vector<FieldValue>> samples;
    for (int key = 0; key < 64; ++key) samples.push_back(EventValues(key));
    return samples;
}

// Inserting ready value lists (copied into the table), display suspended as during a load.
void BM_InsertRow(benchmark::State& state) {
    const auto samples = SampleValues();
    OddsTable table;
    for (auto _ : state) {
        table.ResetTable();
        lintaro::table::ScopedDisplaySuspension suspension(table);
        for (int i = 0; i < kRowsPerBatch; ++i) table.InsertRow(samples[i % samples.size()]);
        benchmark::DoNotOptimize(table.Rows().data());
    }
    state.SetItemsProcessed(state.iterations() * kRowsPerBatch);
}
BENCHMARK(BM_InsertRow)->Unit(benchmark::kMillisecond);

// The same with the value lists built fresh and moved in, as a reader does per event.
void BM_BuildAndInsertRow(benchmark::State& state) {
    const auto samples = SampleValues();
    OddsTable table;
    for (auto _ : state) {
        table.ResetTable();
        lintaro::table::ScopedDisplaySuspension suspension(table);
        for (int i = 0; i < kRowsPerBatch; ++i) {
            std::vector<FieldValue> values = samples[i % samples.size()];
            table.InsertRow(std::move(values));
        }
        benchmark::DoNotOptimize(table.Rows().data());
    }
    state.SetItemsProcessed(state.iterations() * kRowsPerBatch);
}
BENCHMARK(BM_BuildAndInsertRow)->Unit(benchmark::kMillisecond);

void BM_WriteRows(benchmark::State& state) {
    const auto format = static_cast<lintaro::worksheet::RowFormat>(state.range(0));
    const auto samples = SampleValues();
    OddsTable table;
    table.ResetTable();
    for (int i = 0; i < kRowsPerBatch; ++i) table.InsertRow(samples[i % samples.size()]);
    int64_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        lintaro::worksheet::WriteRows(out, table.Rows(), format);
        bytes += static_cast<int64_t>(out.tellp());
    }
    state.SetItemsProcessed(state.iterations() * kRowsPerBatch);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteRows)
    ->Arg(static_cast<int>(lintaro::worksheet::RowFormat::kJsonl))
    ->Arg(static_cast<int>(lintaro::worksheet::RowFormat::kCsv))
    ->ArgName("format")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
