// The first bookmaker's reader from page bytes to table rows: line normalisation, sections, events,
// conversions and insertion, on generated demo pages of about 1 MB and 8 MB. The same pipeline
// driven by PCRE2 (interpreted and JIT-compiled) runs alongside for comparison. Counters: rows per
// second, and the peak heap the parse needs beyond the page it was given and the rows it kept,
// as a multiple of the page size. Then the second bookmaker's pages, and hostile pages for both
// readers: texts built to make the readers' patterns search far and often, which must still end
// within a second a megabyte.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pcre2.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "readers/first_bookmaker.h"
#include "readers/second_bookmaker.h"
#include "readers/text_conversions.h"
#include "table/cp1251_text.h"
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

using readers::NormalizeLines;
using table::OddsTable;

namespace {

constexpr table::CivilDate kToday{2026, 12, 10};

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
        pcre2_code* sections = Compile(readers::kFirstBookmakerSectionPattern);
        ForEachMatch(sections, page, [&](std::string_view subject, PCRE2_SIZE* ovector) {
            const auto group = [&](int n) { return Group(subject, ovector, n); };
            const std::string tournament = readers::Trim(group(2));
            const std::string sport = readers::Trim(readers::Cp1251Lower(group(1)));
            if (readers::IsSkippedTournament(tournament)) return;
            const char* event_pattern = readers::FirstBookmakerEventPattern(sport);
            if (event_pattern == nullptr) return;
            const std::string body = group(3);
            pcre2_match_data* outer = match_data_;
            match_data_ = pcre2_match_data_create(20, nullptr);
            ForEachMatch(Compile(event_pattern), body,
                         [&](std::string_view event_subject, PCRE2_SIZE* event_ovector) {
                             readers::InsertFirstBookmakerEvent(
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
            readers::ParseFirstBookmakerPage(page_lines, table, kToday);
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

// The second bookmaker's tournament pages of the demo line, about `target_bytes` in all, read one
// after the other as the refresh reads them.
const demo::SecondLine& SecondLine(size_t target_bytes) {
    static std::vector<std::pair<size_t, demo::SecondLine>> lines;
    for (const auto& [size, line] : lines) {
        if (size == target_bytes) return line;
    }
    demo::DemoOptions options;
    options.today = std::chrono::year_month_day{std::chrono::year{kToday.year},
                                                std::chrono::month{unsigned(kToday.month)},
                                                std::chrono::day{unsigned(kToday.day)}};
    options.events = 500;
    size_t sample = 0;
    for (const auto& page : demo::BuildSecondLine(options, *options.today).pages) {
        sample += page.page.size();
    }
    options.events = static_cast<int>(500.0 * target_bytes / sample) + 1;
    lines.emplace_back(target_bytes, demo::BuildSecondLine(options, *options.today));
    return lines.back().second;
}

void BM_SecondPagesToRows(benchmark::State& state) {
    const demo::SecondLine& line = SecondLine(static_cast<size_t>(state.range(0)) << 20);
    size_t bytes = 0;
    size_t rows = 0;
    for (auto _ : state) {
        OddsTable table;
        table.ResetTable();
        bytes = 0;
        for (const demo::SecondTournamentPage& page : line.pages) {
            const std::string page_lines = NormalizeLines(page.page);
            bytes += page.page.size();
            readers::ParseSecondBookmakerPage(page_lines, page.sport, "league", table, kToday);
        }
        rows = table.Rows().size();
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SecondPagesToRows)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// Hostile pages: a piece repeated up to the size asked for, with a fixed tail. Each one makes a
// reader's pattern run far from many starts: a class such as "[^\.]+" or "[^\>]+" that runs to
// the end of the page from every heading or row start, or a lazy search for a section end from
// every heading.
struct HostilePage {
    const char* name;
    const char* reader;  // "first", "soccer", "baseball", "tennis" or "list"
    std::string piece;
    std::string tail;
};

const std::vector<HostilePage>& HostilePages() {
    static const std::vector<HostilePage> pages = {
        // A heading start whose sport runs to the next "." and there is none.
        {"cap_headings", "first", "class=cap>", "<div"},
        // A sport and a tournament whose name runs to the next "<", the page's end.
        {"cap_dots", "first", "class=cap>a.", "<div"},
        // Headings whose ".{0,100}/div>" finds its "/div>" but no section end follows.
        {"cap_no_body_end", "first", "class=cap>a.b</div>x", "\n<div"},
        // One soccer section whose body repeats the start of an event line without its end.
        {"event_starts", "first", "25/12 <b id=r101>1) Alpha</b> <b >1.85</b>  3.40   4.20 <b >",
         "\n<div"},
        // Table row starts whose attributes run to the end of the page.
        {"tr_open", "soccer", "<TR ", ""},
        {"tr_open", "baseball", "<TR ", ""},
        {"tr_open", "tennis", "<tr ", ""},
        // A first cell repeated: each row start reads on to the end looking for its "</td>".
        {"td_open", "soccer", "<TR a>\r\n<td ", ""},
        {"td_open", "tennis", "<tr a><td b>", ""},
        // A tennis row whose players never meet their "vs".
        {"players", "tennis", "<tr a><td b>12/25</td><td c>Alpha Beta ", ""},
        // Tournament links whose target runs to the end of the list.
        {"links", "list", "<a href=\"vwguestlines.asp?", ""},
        {"links", "list", "<a href=\"guestContestLines.asp?ContestType=Tennis", ""},
    };
    return pages;
}

std::string BuildHostile(const HostilePage& hostile, size_t target_bytes) {
    std::string page;
    page.reserve(target_bytes + hostile.tail.size());
    if (std::string(hostile.reader) == "first" && hostile.name == std::string("event_starts")) {
        page = "<div class=cap>" + table::Utf8ToCp1251("Футбол. A") + "</div>\r\n";
    }
    while (page.size() + hostile.piece.size() <= target_bytes) page += hostile.piece;
    page += hostile.tail;
    return page;
}

// Fetches for the second bookmaker's refresh: the root, then the hostile list, then nothing.
struct QuietUi : readers::ReaderUi {
    void ShowMessage(const std::string& text) override { message = text; }
    void SetWaitCursor(bool) override {}
    table::CivilDate Today() override { return kToday; }
    std::string message;
};

// Reads a hostile page of range(1) KB with the reader of entry range(0); "failed" is 1 when the
// reader gave the page up (as an unreadable page) instead of reading it to its end.
void BM_HostilePage(benchmark::State& state) {
    const HostilePage& hostile = HostilePages()[static_cast<size_t>(state.range(0))];
    const std::string page = BuildHostile(hostile, static_cast<size_t>(state.range(1)) << 10);
    const std::string reader = hostile.reader;
    state.SetLabel(std::string(hostile.name) + " " + reader);
    bool failed = false;
    size_t rows = 0;
    for (auto _ : state) {
        OddsTable table;
        table.ResetTable();
        failed = false;
        const std::string page_lines = NormalizeLines(page);
        if (reader == "list") {
            QuietUi ui;
            readers::RequestHostTracker hosts;
            readers::ReaderContext context{
                [&](const std::string& url) {
                    hosts.LogDebugSent("", "GET / HTTP/1.0\r\nHost: h\r\n");
                    return url.find("decimal.asp") != url.npos ? page : std::string();
                },
                table, ui};
            readers::LoadSecondBookmaker(context, hosts, "h");
            failed = !ui.message.empty();
        } else {
            try {
                if (reader == "first") {
                    readers::ParseFirstBookmakerPage(page_lines, table, kToday);
                } else {
                    readers::ParseSecondBookmakerPage(page_lines, reader, "league", table, kToday);
                }
            } catch (const std::exception&) {
                failed = true;
            }
        }
        rows = table.Rows().size();
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["failed"] = failed ? 1 : 0;
    state.counters["rows"] = static_cast<double>(rows);
}

void HostileArgs(benchmark::internal::Benchmark* bench) {
    for (size_t i = 0; i < HostilePages().size(); ++i) {
        bench->Args({static_cast<int64_t>(i), 1024});
    }
}
BENCHMARK(BM_HostilePage)->Apply(HostileArgs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintaro

BENCHMARK_MAIN();
