// The first bookmaker's reader from page bytes to table rows: line normalisation, sections, events,
// conversions and insertion, on generated demo pages of about 1 MB and 8 MB. The same pipeline
// driven by PCRE2 (interpreted and JIT-compiled) runs alongside for comparison. Counters: rows per
// second, and the peak heap the parse needs beyond the page it was given and the rows it kept,
// as a multiple of the page size.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pcre2.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "readers/first_bookmaker.h"
#include "readers/text_conversions.h"
#include "table/odds_table.h"

// Heap accounting for the memory counter: every allocation of the process goes through here.
namespace {
std::atomic<int64_t> g_heap_bytes{0};
std::atomic<int64_t> g_heap_peak{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    const int64_t now = g_heap_bytes += static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = g_heap_peak.load();
    while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Release(void* p) {
    if (p == nullptr) return;
    g_heap_bytes -= static_cast<int64_t>(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace lintaro {
namespace {

constexpr CivilDate kToday{2026, 12, 10};

// A demo odds page of at least `target_bytes`, built once per size.
const std::string& Page(size_t target_bytes) {
    static std::vector<std::pair<size_t, std::string>> pages;
    for (const auto& [size, page] : pages) {
        if (size == target_bytes) return page;
    }
    demo::DemoOptions options;
    options.today = std::chrono::year_month_day{std::chrono::year{kToday.year},
                                                std::chrono::month{unsigned(kToday.month)},
                                                std::chrono::day{unsigned(kToday.day)}};
    options.events = 500;
    const size_t sample = demo::BuildFirstLine(options, *options.today).page.size();
    options.events = static_cast<int>(500.0 * target_bytes / sample) + 1;
    pages.emplace_back(target_bytes, demo::BuildFirstLine(options, *options.today).page);
    return pages.back().second;
}

// The first bookmaker's parse with PCRE2 in place of our matcher: the same patterns with letter
// case ignored and "." crossing line ends, the same conversions and insertions.
class Pcre2FirstParser {
  public:
    explicit Pcre2FirstParser(bool jit) : jit_(jit) {}
    ~Pcre2FirstParser() {
        for (auto& [pattern, code] : compiled_) pcre2_code_free(code);
        if (match_data_ != nullptr) pcre2_match_data_free(match_data_);
    }

    void Parse(std::string_view page, OddsTable& table) {
        if (match_data_ == nullptr) match_data_ = pcre2_match_data_create(20, nullptr);
        int32_t count = 0;
        pcre2_code* sections = Compile(kFirstBookmakerSectionPattern);
        ForEachMatch(sections, page, [&](std::string_view subject, PCRE2_SIZE* ovector) {
            const auto group = [&](int n) { return Group(subject, ovector, n); };
            const std::string tournament = Trim(group(2));
            const std::string sport = Trim(Cp1251Lower(group(1)));
            if (IsSkippedTournament(tournament)) return;
            const char* event_pattern = FirstBookmakerEventPattern(sport);
            if (event_pattern == nullptr) return;
            const std::string body = group(3);
            pcre2_match_data* outer = match_data_;
            match_data_ = pcre2_match_data_create(20, nullptr);
            ForEachMatch(Compile(event_pattern), body,
                         [&](std::string_view event_subject, PCRE2_SIZE* event_ovector) {
                             InsertFirstBookmakerEvent(
                                 [&](int n) { return Group(event_subject, event_ovector, n); },
                                 sport, tournament, table, kToday, count);
                         });
            pcre2_match_data_free(match_data_);
            match_data_ = outer;
        });
    }

  private:
    static std::string Group(std::string_view subject, PCRE2_SIZE* ovector, int n) {
        if (ovector[2 * n] == PCRE2_UNSET) return std::string();
        return std::string(subject.substr(ovector[2 * n], ovector[2 * n + 1] - ovector[2 * n]));
    }

    pcre2_code* Compile(const char* pattern) {
        for (auto& [text, code] : compiled_) {
            if (text == pattern) return code;
        }
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code =
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                          PCRE2_CASELESS | PCRE2_DOTALL, &error, &offset, nullptr);
        if (code == nullptr) throw std::runtime_error("PCRE2 cannot compile a reader pattern");
        if (jit_) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        compiled_.emplace_back(pattern, code);
        return code;
    }

    template <typename OnMatch>
    void ForEachMatch(pcre2_code* code, std::string_view subject, OnMatch on_match) {
        pcre2_match_data* data = match_data_;
        PCRE2_SIZE start = 0;
        while (start <= subject.size()) {
            const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                       subject.size(), start, 0, data, nullptr);
            if (rc < 0) return;
            PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
            const PCRE2_SIZE end = ovector[1];
            on_match(subject, ovector);
            start = end > ovector[0] ? end : end + 1;
        }
    }

    bool jit_;
    std::vector<std::pair<const char*, pcre2_code*>> compiled_;
    pcre2_match_data* match_data_ = nullptr;
};

enum class Engine { kOurs, kPcre2, kPcre2Jit };

void RunPipeline(benchmark::State& state, Engine engine) {
    const std::string& page = Page(static_cast<size_t>(state.range(0)) << 20);
    Pcre2FirstParser pcre2(engine == Engine::kPcre2Jit);
    size_t rows = 0;
    double extra_peak = 0;
    for (auto _ : state) {
        const int64_t before = g_heap_bytes.load();
        g_heap_peak.store(before);
        OddsTable table;
        table.ResetTable();
        const std::string page_lines = NormalizeLines(page);
        if (engine == Engine::kOurs) {
            ParseFirstBookmakerPage(page_lines, table, kToday);
        } else {
            pcre2.Parse(page_lines, table);
        }
        rows = table.Rows().size();
        const int64_t kept = g_heap_bytes.load() - before;  // the rows and the normalised page
        const int64_t normalised = static_cast<int64_t>(page_lines.capacity());
        extra_peak = static_cast<double>(g_heap_peak.load() - before - kept + normalised) /
                     static_cast<double>(page.size());
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_s"] = benchmark::Counter(
        static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_x_page"] = extra_peak;
}

void BM_FirstPageToRows(benchmark::State& state) { RunPipeline(state, Engine::kOurs); }
void BM_FirstPageToRowsPcre2(benchmark::State& state) { RunPipeline(state, Engine::kPcre2); }
void BM_FirstPageToRowsPcre2Jit(benchmark::State& state) { RunPipeline(state, Engine::kPcre2Jit); }

BENCHMARK(BM_FirstPageToRows)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageToRowsPcre2)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageToRowsPcre2Jit)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintaro

BENCHMARK_MAIN();
