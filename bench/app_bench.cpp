// The window's benchmarks, offscreen.
// BM_StartToShownWindow: a fresh process from exec to the main window exposed on screen (the
// bench re-runs itself as that process: Qt start-up, the three windows, show, first expose).
// BM_RefreshFromF5 / BM_CliLoadFirst: a refresh of the demo line with 20 000 events on the first
// bookmaker's page, from the F5 key to the collapsed grid, against `lintaro-cli load first` on the
// same server (a process of its own, printing its rows to /dev/null).
// BM_InputDuringStall: while a refresh waits on a server that never answers, events posted to the
// window from another thread every 37 ms are handled after at most this long (counter max_ms).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "demo/demo_server.h"
#include "quiet_child.h"
#include "views/odds_grid_view.h"

extern char** environ;

namespace {

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::month{12},
                                             std::chrono::day{20}};
constexpr int kEvents = 20000;

// Answers Yes to every question and shows nothing modal.
class YesDialogs : public lintaro::app::UserDialogs {
  public:
    QMessageBox::StandardButton ShowMessageBox(
        QWidget*, const lintaro::app::MessageBoxRequest& box) override {
        if (!box.buttons.testFlag(QMessageBox::Yes)) ++failures;
        return box.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
    std::optional<QString> AskSaveFileName(QWidget*,
                                           const lintaro::app::SaveFileRequest&) override {
        return std::nullopt;
    }
    void ShowModal(QDialog&) override {}
    int failures = 0;
};

int Spawn(const char* program, std::vector<std::string> args) {
    return lintaro::bench::RunQuietly(program, std::move(args));
}

// The child of BM_StartToShownWindow: starts as the program does and exits once the main window is
// exposed.
int StartAndShow(int argc, char** argv) {
    QApplication application(argc, argv);
    YesDialogs dialogs;
    lintaro::app::TfrmMain window(dialogs);
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    QCoreApplication::processEvents();  // the first paint
    return 0;
}

void BM_StartToShownWindow(benchmark::State& state) {
    for (auto _ : state) {
        if (Spawn("/proc/self/exe", {"--start-and-show"}) != 0) {
            state.SkipWithError("the start-up child failed");
            return;
        }
    }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

struct DemoWindow {
    explicit DemoWindow(int events)
        : server([&] {
              lintaro::demo::DemoOptions options;
              options.events = events;
              options.today = kToday;
              return options;
          }()) {
        server.Start();
        window = std::make_unique<lintaro::app::TfrmMain>(dialogs);
        window->FHTTP().first_host = server.FirstHost();
        window->show();
        QCoreApplication::processEvents();
    }
    lintaro::demo::DemoServer server;
    YesDialogs dialogs;
    std::unique_ptr<lintaro::app::TfrmMain> window;
};

void BM_RefreshFromF5(benchmark::State& state) {
    DemoWindow demo(kEvents);
    QAction* refresh = demo.window->Action("actRefresh");
    refresh->trigger();  // warms the server's page
    for (auto _ : state) {
        refresh->trigger();                 // what F5 does: the question, the reader, the collapse
        QCoreApplication::processEvents();  // the grid's repaint
    }
    state.counters["rows"] = demo.window->cds_Data().RowCount();
    state.counters["sport_rows"] = demo.window->ctl_DataGrid()->TreeView()->model()->rowCount();
    if (demo.dialogs.failures != 0) state.SkipWithError("the reader reported a failure");
}
BENCHMARK(BM_RefreshFromF5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CliLoadFirst(benchmark::State& state) {
    lintaro::demo::DemoOptions options;
    options.events = kEvents;
    options.today = kToday;
    lintaro::demo::DemoServer server(options);
    server.Start();
    const std::vector<std::string> args = {
        "load",    "first",      "--first-host", server.FirstHost(),
        "--today", "2026-12-20", "--format",     "jsonl"};
    if (Spawn(LINTARO_CLI, args) != 0) {
        state.SkipWithError("lintaro-cli load first failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(Spawn(LINTARO_CLI, args));
}
BENCHMARK(BM_CliLoadFirst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A loopback port that accepts connections and never answers.
struct SilentServer {
    SilentServer() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(fd, 4);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd); }
    int fd = -1;
    uint16_t port = 0;
};

void BM_InputDuringStall(benchmark::State& state) {
    SilentServer silent;
    YesDialogs dialogs;
    lintaro::app::TfrmMain window(dialogs);
    window.FHTTP().first_host = "127.0.0.1:" + std::to_string(silent.port);
    window.show();
    QCoreApplication::processEvents();
    double max_ms = 0;
    double total_ms = 0;
    int handled = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread poster([&] {
            for (int i = 0; i < 54 && !stop; ++i) {  // about 2 s of posts
                std::this_thread::sleep_for(std::chrono::milliseconds(37));
                const auto posted = std::chrono::steady_clock::now();
                QMetaObject::invokeMethod(&window, [&, posted] {
                    const double ms = std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - posted)
                                          .count();
                    max_ms = std::max(max_ms, ms);
                    total_ms += ms;
                    ++handled;
                });
            }
            QMetaObject::invokeMethod(&window, [&] { window.CancelRefresh(); });
        });
        window.RefreshWithoutQuestion();
        stop = true;
        poster.join();
        QCoreApplication::processEvents();
    }
    state.counters["max_ms"] = max_ms;
    state.counters["mean_ms"] = handled > 0 ? total_ms / handled : 0;
}
BENCHMARK(BM_InputDuringStall)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], "--start-and-show") == 0) return StartAndShow(1, argv);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
