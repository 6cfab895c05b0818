// Speed of the pattern matcher on the first bookmaker's page patterns, next to PCRE2 (interpreter
// and JIT) and std::regex on the same generated pages, plus the heap peak of one search. Every
// engine visits all matches the way the reader does and copies out every capture.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pcre2.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "counted_heap.h"
#include "first_page_gen.h"
#include "first_page_patterns.h"
#include "regex/pattern.h"

using lintaro::bench::heap_in_use;
using lintaro::bench::heap_peak;

namespace lintaro {

using regex::TPattern;

namespace {

struct PageSize {
    const char* name;
    size_t bytes;
};
constexpr PageSize kPageSizes[] = {
    {"100KB", 100 * 1024}, {"1MB", 1024 * 1024}, {"8MB", 8 * 1024 * 1024}};

const std::string& Page(size_t bytes) {
    static std::map<size_t, std::string> pages;
    auto it = pages.find(bytes);
    if (it == pages.end()) it = pages.emplace(bytes, GenerateFirstBookmakerPage(bytes)).first;
    return it->second;
}

// Each engine behind one small face, so that every benchmark walks the matches alike: First on
// the subject, then Next while it finds one, each next search starting where the last match ended
// (one byte later after an empty one), and every capture copied out as the reader copies it.

// Our matcher with the reader's modifiers: i and r on, s and g at their defaults.
class OursEngine {
  public:
    explicit OursEngine(const char* text) {
        pattern_.SetExpression(text);
        pattern_.SetModifierByIndex(1, true);
        pattern_.SetModifierByIndex(2, true);
    }
    bool First(const std::string& subject) { return pattern_.Exec(subject); }
    bool Next() { return pattern_.ExecNext(); }
    std::string Group(int n) const { return pattern_.Match(n); }

  private:
    TPattern pattern_;
};

// PCRE2 with the same meaning: caseless and dot-all; the patterns need no other change, since
// every escape in them means the same character to PCRE2.
class Pcre2Engine {
  public:
    Pcre2Engine(const char* text, bool jit) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text), PCRE2_ZERO_TERMINATED,
                              PCRE2_CASELESS | PCRE2_DOTALL, &error, &offset, nullptr);
        if (!code_) throw std::runtime_error("PCRE2 refused a reader pattern");
        data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
        context_ = pcre2_match_context_create(nullptr);
        if (jit) {
            if (pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE) != 0) {
                throw std::runtime_error("PCRE2 JIT is not available");
            }
            // Long lazy runs over section bodies need more than the default 32 KB JIT stack.
            stack_ = pcre2_jit_stack_create(64 * 1024, 64 * 1024 * 1024, nullptr);
            pcre2_jit_stack_assign(context_, nullptr, stack_);
        }
    }
    ~Pcre2Engine() {
        if (stack_) pcre2_jit_stack_free(stack_);
        pcre2_match_context_free(context_);
        pcre2_match_data_free(data_);
        pcre2_code_free(code_);
    }
    Pcre2Engine(const Pcre2Engine&) = delete;
    Pcre2Engine& operator=(const Pcre2Engine&) = delete;

    bool First(const std::string& subject) {
        subject_ = &subject;
        start_ = 0;
        return Next();
    }
    bool Next() {
        if (start_ > subject_->size()) return false;
        rc_ = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject_->data()), subject_->size(),
                          start_, 0, data_, context_);
        if (rc_ == PCRE2_ERROR_NOMATCH) return false;
        if (rc_ < 0) throw std::runtime_error("PCRE2 stopped at its match or heap limit");
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
        start_ = ovector[1] + (ovector[0] == ovector[1] ? 1 : 0);
        return true;
    }
    std::string Group(int n) const {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
        if (n >= rc_ || ovector[2 * n] == PCRE2_UNSET) return {};
        return subject_->substr(ovector[2 * n], ovector[2 * n + 1] - ovector[2 * n]);
    }

  private:
    pcre2_code* code_ = nullptr;
    pcre2_match_data* data_ = nullptr;
    pcre2_match_context* context_ = nullptr;
    pcre2_jit_stack* stack_ = nullptr;
    const std::string* subject_ = nullptr;
    PCRE2_SIZE start_ = 0;
    int rc_ = 0;
};

// ECMAScript has no dot-all mode: "." outside a class becomes [\s\S]. An escaped punctuation
// character stays escaped only where ECMAScript gives it a meaning.
std::string ToEcmaScript(const std::string& pattern) {
    std::string out;
    bool in_class = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size()) {
            char next = pattern[++i];
            bool alnum = std::isalnum(static_cast<unsigned char>(next));
            bool special = std::string_view("^$\\.*+?()[]{}|/-").find(next) != std::string::npos;
            if (alnum || special) out += '\\';
            out += next;
        } else if (in_class) {
            if (c == ']') in_class = false;
            out += c;
        } else if (c == '[') {
            in_class = true;
            out += c;
            if (i + 1 < pattern.size() && pattern[i + 1] == '^') out += pattern[++i];
        } else if (c == '.') {
            out += "[\\s\\S]";
        } else {
            out += c;
        }
    }
    return out;
}

class StdRegexEngine {
  public:
    explicit StdRegexEngine(const char* text)
        : re_(ToEcmaScript(text), std::regex::ECMAScript | std::regex::icase) {}
    bool First(const std::string& subject) {
        subject_ = &subject;
        start_ = 0;
        return Next();
    }
    bool Next() {
        if (start_ > subject_->size()) return false;
        auto flags = start_ > 0 ? std::regex_constants::match_prev_avail
                                : std::regex_constants::match_default;
        if (!std::regex_search(subject_->begin() + start_, subject_->end(), match_, re_, flags)) {
            return false;
        }
        size_t match_start = start_ + match_.position(0);
        size_t match_end = match_start + match_.length(0);
        start_ = match_end + (match_end == match_start ? 1 : 0);
        return true;
    }
    std::string Group(int n) const { return match_[n].str(); }

  private:
    std::regex re_;
    std::smatch match_;
    const std::string* subject_ = nullptr;
    size_t start_ = 0;
};

template <typename Engine>
size_t RunAll(Engine& engine, int groups, const std::string& subject) {
    size_t matches = 0;
    for (bool found = engine.First(subject); found; found = engine.Next()) {
        ++matches;
        for (int n = 1; n <= groups; ++n) {
            std::string capture = engine.Group(n);
            benchmark::DoNotOptimize(capture);
        }
    }
    return matches;
}

// One pattern over the whole page.
template <typename Engine, typename... Options>
void BenchPattern(benchmark::State& state, const ReaderPattern& p, size_t bytes,
                  Options... options) {
    const std::string& page = Page(bytes);
    try {
        Engine engine(p.text, options...);
        size_t matches = 0;
        for (auto _ : state) matches = RunAll(engine, p.groups, page);
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
        state.counters["matches"] = static_cast<double>(matches);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// The reader's walk: the section pattern over the page and, for each section of a known sport,
// that sport's event pattern over the section body. Each pattern is compiled once, as the reader
// does it too, so the figures compare matching alone.
template <typename Engine, typename... Options>
void BenchReaderWalk(benchmark::State& state, size_t bytes, Options... options) {
    const std::string& page = Page(bytes);
    try {
        Engine sections(kFirstBookmakerPatterns[0].text, options...);
        std::vector<std::unique_ptr<Engine>> events;
        for (const ReaderPattern& p : kFirstBookmakerPatterns) {
            events.push_back(std::make_unique<Engine>(p.text, options...));
        }
        size_t rows = 0;
        for (auto _ : state) {
            rows = 0;
            for (bool found = sections.First(page); found; found = sections.Next()) {
                int k = EventPatternForSection(sections.Group(1), sections.Group(2));
                if (k == 0) continue;
                std::string body = sections.Group(3);
                rows += RunAll(*events[k], kFirstBookmakerPatterns[k].groups, body);
            }
        }
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
        state.counters["rows"] = static_cast<double>(rows);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

size_t RunOurs(TPattern& pattern, int groups, const std::string& page) {
    size_t matches = 0;
    for (bool found = pattern.Exec(page); found; found = pattern.ExecNext()) {
        ++matches;
        for (int n = 1; n <= groups; ++n) {
            std::string capture = pattern.Match(n);
            benchmark::DoNotOptimize(capture);
        }
    }
    return matches;
}

// The heap peak of one complete search (Exec, then ExecNext to the end) over the page, next to
// the budget of twice the subject plus 1 MB.
void BenchOursPeakHeap(benchmark::State& state, const ReaderPattern& p, size_t bytes) {
    const std::string& page = Page(bytes);
    size_t peak_above_baseline = 0;
    for (auto _ : state) {
        TPattern pattern;
        pattern.SetExpression(p.text);
        pattern.SetModifierByIndex(1, true);
        pattern.SetModifierByIndex(2, true);
        size_t baseline = heap_in_use.load();
        heap_peak.store(baseline);
        RunOurs(pattern, p.groups, page);
        peak_above_baseline = std::max(peak_above_baseline, heap_peak.load() - baseline);
    }
    state.counters["peak_heap_MB"] = peak_above_baseline / 1048576.0;
    state.counters["budget_MB"] = (2.0 * page.size() + 1048576.0) / 1048576.0;
    state.counters["subject_MB"] = page.size() / 1048576.0;
}

// Compiling one reader pattern (with the reader's modifiers), and the heap the compiled program
// keeps once compiled.
void BenchCompile(benchmark::State& state, const ReaderPattern& p) {
    size_t program_bytes = 0;
    for (auto _ : state) {
        TPattern pattern;
        pattern.SetExpression(p.text);
        pattern.SetModifierByIndex(1, true);
        pattern.SetModifierByIndex(2, true);
        size_t baseline = heap_in_use.load();
        pattern.Compile();
        program_bytes = heap_in_use.load() - baseline;
    }
    state.counters["program_KB"] = program_bytes / 1024.0;
}

// The heap peak of one search by a loop over a group with alternatives over a 4 MB subject of "ab"
// and "c" pieces it matches whole: the memory a backtracking matcher keeps per pass of such a
// loop. "^(ab|c)*$" need keep nothing; "^(ab|a|c)*$" keeps a choice at every "ab" (its "a" could
// begin there too), with the captures it saves for it.
void BenchGroupLoopPeakHeap(benchmark::State& state, const char* expression) {
    std::string subject;
    size_t pieces_ab = 0;
    uint32_t seed = 12345;
    while (subject.size() < 4 * 1048576) {
        seed = seed * 1103515245 + 12345;
        const bool ab = (seed >> 16) & 1;
        subject += ab ? "ab" : "c";
        pieces_ab += ab ? 1 : 0;
    }
    size_t peak_above_baseline = 0;
    bool matched = false;
    for (auto _ : state) {
        TPattern pattern;
        pattern.SetExpression(expression);
        size_t baseline = heap_in_use.load();
        heap_peak.store(baseline);
        matched = pattern.Exec(subject);
        peak_above_baseline = std::max(peak_above_baseline, heap_peak.load() - baseline);
    }
    state.counters["matched"] = matched ? 1 : 0;
    state.counters["ab_pieces"] = static_cast<double>(pieces_ab);
    state.counters["peak_heap_MB"] = peak_above_baseline / 1048576.0;
    state.counters["subject_MB"] = subject.size() / 1048576.0;
}

void RegisterAll() {
    auto add = [](const std::string& name, auto function, auto... arguments) {
        benchmark::RegisterBenchmark(name.c_str(), function, arguments...)
            ->Unit(benchmark::kMillisecond);
    };
    for (const PageSize& size : kPageSizes) {
        std::string suffix = std::string("/") + size.name;
        add("reader_walk/ours" + suffix, BenchReaderWalk<OursEngine>, size.bytes);
        add("reader_walk/pcre2" + suffix, BenchReaderWalk<Pcre2Engine, bool>, size.bytes, false);
        add("reader_walk/pcre2_jit" + suffix, BenchReaderWalk<Pcre2Engine, bool>, size.bytes, true);
        // std::regex is slow; the small page is enough to place it.
        if (size.bytes <= 100 * 1024) {
            add("reader_walk/std_regex" + suffix, BenchReaderWalk<StdRegexEngine>, size.bytes);
        }
    }
    for (const ReaderPattern& p : kFirstBookmakerPatterns) {
        for (const PageSize& size : kPageSizes) {
            std::string prefix = std::string(p.name) + "/";
            std::string suffix = std::string("/") + size.name;
            add(prefix + "ours" + suffix, BenchPattern<OursEngine>, p, size.bytes);
            add(prefix + "pcre2" + suffix, BenchPattern<Pcre2Engine, bool>, p, size.bytes, false);
            add(prefix + "pcre2_jit" + suffix, BenchPattern<Pcre2Engine, bool>, p, size.bytes,
                true);
            if (size.bytes <= 100 * 1024) {
                add(prefix + "std_regex" + suffix, BenchPattern<StdRegexEngine>, p, size.bytes);
            }
        }
    }
    for (const ReaderPattern& p : kFirstBookmakerPatterns) {
        benchmark::RegisterBenchmark((std::string("peak_heap/") + p.name + "/8MB").c_str(),
                                     BenchOursPeakHeap, p, kPageSizes[2].bytes)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    for (const ReaderPattern& p : kFirstBookmakerPatterns) {
        benchmark::RegisterBenchmark((std::string("compile/") + p.name).c_str(), BenchCompile, p)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("peak_heap/group_loop/4MB", BenchGroupLoopPeakHeap, "^(ab|c)*$")
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("peak_heap/group_loop_kept/4MB", BenchGroupLoopPeakHeap,
                                 "^(ab|a|c)*$")
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace lintaro

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    lintaro::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
