// Event sheet benchmarks: each sample sheet (tests/support/sheet_samples.h: the hostile sheets of
// the tests and the worst sheets the bounds let through whole) written into the event-sheet
// window's viewer as the window does it (the bounded writer, a new document, Qt's HTML import),
// laid out to its end and painted once, offscreen in the window's 714 × 342 pixels. Targets: each
// sheet within 200 ms, and at most 20 MB of memory added (held afterwards, and at the peak while it
// is shown).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBlock>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "sheet/bounded_sheet.h"
#include "sheet_samples.h"
#include "table/cp1251_text.h"
#include "views/event_sheet_window.h"

namespace {

using lintaro::views::TFDopInfo;

TFDopInfo& Window() {
    static TFDopInfo* window = [] {
        auto* w = new TFDopInfo;
        w->show();
        QApplication::processEvents();
        return w;
    }();
    return *window;
}

// Bytes of the heap in use, mapped blocks included.
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Resident kilobytes of this process: now, and the peak since ResetPeakResident.
long ResidentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return 0;
}
void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// What the user waits for: the sheet written, laid out to its last block and painted.
void Show(TFDopInfo& window, const std::string& sheet) {
    window.WriteEventSheet(sheet);
    QTextDocument* document = window.WebBrowser()->document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    window.WebBrowser()->viewport()->repaint();
    QApplication::processEvents();
}

void BM_ShowSheet(benchmark::State& state, const std::string& utf8_sheet) {
    const std::string sheet = lintaro::table::Utf8ToCp1251(utf8_sheet);
    TFDopInfo& window = Window();
    window.WriteEventSheet(std::string());
    QApplication::processEvents();

    // Memory, once: what the shown sheet holds, and the peak while it is written and shown.
    malloc_trim(0);
    const size_t heap_before = HeapInUse();
    const long resident_before = ResidentKb("VmRSS:");
    ResetPeakResident();
    Show(window, sheet);
    const long peak_added_kb = ResidentKb("VmHWM:") - resident_before;
    const size_t heap_after = HeapInUse();

    const auto start = std::chrono::steady_clock::now();
    const std::string bounded = lintaro::sheet::WriteBoundedSheet(sheet);
    const double writer_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    for (auto _ : state) Show(window, sheet);

    state.counters["writer_ms"] = writer_ms;
    state.counters["held_MB"] = (static_cast<double>(heap_after) - heap_before) / 1e6;
    state.counters["peak_MB"] = peak_added_kb / 1e3;
    state.counters["in_KB"] = std::min(sheet.size(), lintaro::sheet::kMaxSheetBytes) / 1024.0;
    state.counters["out_KB"] = bounded.size() / 1024.0;
    state.counters["blocks"] = window.WebBrowser()->document()->blockCount();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const auto& samples :
         {lintaro::bench::HostileSheets(), lintaro::bench::WorstAllowedSheets()}) {
        for (const lintaro::bench::SampleSheet& sample : samples) {
            std::string name = "BM_ShowSheet/" + sample.name;
            for (char& c : name) {
                if (c == ' ') c = '_';
            }
            benchmark::RegisterBenchmark(name.c_str(), BM_ShowSheet, sample.sheet)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
