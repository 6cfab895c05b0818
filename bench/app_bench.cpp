// The window's benchmarks, offscreen.
// BM_StartToShownWindow: a fresh process from exec to the main window exposed on screen (the
// bench re-runs itself as that process: Qt start-up, the three windows, show, first expose).
// BM_RefreshFromF5 / BM_CliLoadFirst: a refresh of the demo line with 20 000 events on the first
// bookmaker's page, from the F5 key to the collapsed grid, against `lintaro-cli load first` on the
// same server (a process of its own, printing its rows to /dev/null).
// BM_RefreshBothFromF5 / BM_CliLoadSecond: "Обе конторы", both lines of 20 000 events read at once,
// matched and shown, from F5 to the collapsed grid, against `lintaro-cli load second` (the slower
// of the two loads; BM_CliLoadFirst is the other).
// BM_InputDuringRefresh: how soon the window's thread handles an event posted every 5 ms while a
// refresh runs (a silent server, a trickling one, a 100 000-event line).
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
#include <QComboBox>
#include <QElapsedTimer>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "demo/demo_line.h"
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
    std::optional<lintaro::app::SaveFileAnswer> AskSaveFileName(
        QWidget*, const lintaro::app::SaveFileRequest&) override {
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

// Runs the window's events until its refresh has ended, sleeping between them as the program's
// own event loop does: a loop that polls (processEvents with a time limit returns at once when
// nothing is queued) would keep one of the machine's cores busy that the readers and the matching
// need.
void WaitWhileRefreshing(lintaro::app::TfrmMain& window) {
    while (window.IsRefreshing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct DemoWindow {
    explicit DemoWindow(int events, bool both = false)
        : server([&] {
              lintaro::demo::DemoOptions options;
              options.events = events;
              options.today = kToday;
              return options;
          }()) {
        server.Start();
        window = std::make_unique<lintaro::app::TfrmMain>(dialogs);
        window->SetFirstHost(server.FirstHost());
        // The first bookmaker's line, whatever the user running the benchmark chose last.
        window->SetBookmaker(lintaro::app::kFirstBookmaker, /*remember=*/false);
        window->SetSecondHost(server.SecondHost());
        if (both) ChooseBoth(*window);
        window->show();
        QCoreApplication::processEvents();
    }
    static void ChooseBoth(lintaro::app::TfrmMain& window) {
        window.SetBookmaker(lintaro::app::kBothBookmakers, /*remember=*/false);
    }
    lintaro::demo::DemoServer server;
    YesDialogs dialogs;
    std::unique_ptr<lintaro::app::TfrmMain> window;
};

void BM_RefreshFromF5(benchmark::State& state) {
    DemoWindow demo(kEvents);
    QAction* refresh = demo.window->Action("actRefresh");
    refresh->trigger();  // warms the server's page
    WaitWhileRefreshing(*demo.window);
    for (auto _ : state) {
        refresh->trigger();  // what F5 does: the question, the reader, the collapse
        WaitWhileRefreshing(*demo.window);
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

void BM_RefreshBothFromF5(benchmark::State& state) {
    DemoWindow demo(kEvents, /*both=*/true);
    QAction* refresh = demo.window->Action("actRefresh");
    refresh->trigger();  // warms the server's pages
    WaitWhileRefreshing(*demo.window);
    for (auto _ : state) {
        refresh->trigger();  // both reads, the matching, the merged grid, the collapse
        WaitWhileRefreshing(*demo.window);
        QCoreApplication::processEvents();  // the grid's repaint
    }
    state.counters["rows"] = demo.window->cds_Data().RowCount();
    if (demo.dialogs.failures != 0) state.SkipWithError("a reader reported a failure");
}
BENCHMARK(BM_RefreshBothFromF5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CliLoadSecond(benchmark::State& state) {
    lintaro::demo::DemoOptions options;
    options.events = kEvents;
    options.today = kToday;
    lintaro::demo::DemoServer server(options);
    server.Start();
    const std::vector<std::string> args = {"load",          "second",
                                           "--first-host",  server.FirstHost(),
                                           "--second-host", server.SecondHost(),
                                           "--today",       "2026-12-20",
                                           "--format",      "jsonl"};
    if (Spawn(LINTARO_CLI, args) != 0) {
        state.SkipWithError("lintaro-cli load second failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(Spawn(LINTARO_CLI, args));
}
BENCHMARK(BM_CliLoadSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

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

// A loopback server that answers every request with `body` after its head, in 8 KB pieces every
// 60 ms: no wait of the client ever lasts 250 ms, yet 1 MB takes about 8 s.
class TricklingServer {
  public:
    explicit TricklingServer(std::string body) : body_(std::move(body)), silent_() {
        thread_ = std::thread([this] { Serve(); });
    }
    ~TricklingServer() {
        stop_ = true;
        ::shutdown(silent_.fd, SHUT_RDWR);
        thread_.join();
    }
    uint16_t Port() const { return silent_.port; }

  private:
    void Serve() {
        while (!stop_) {
            const int client = ::accept(silent_.fd, nullptr, nullptr);
            if (client < 0) return;
            char buffer[4096];
            std::string head;
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                head.append(buffer, static_cast<size_t>(got));
            }
            const std::string answer =
                "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n\r\n";
            bool open = ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL) > 0;
            for (size_t at = 0; open && !stop_ && at < body_.size(); at += 8192) {
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
                const size_t piece = std::min<size_t>(8192, body_.size() - at);
                open = ::send(client, body_.data() + at, piece, MSG_NOSIGNAL) > 0;
            }
            ::close(client);
        }
    }

    std::string body_;
    SilentServer silent_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// While a refresh runs, another thread posts an event to the window every 5 ms until the rows are
// shown (the hand-over and the grid's reload included); each sample is how long the window's thread
// took to handle one. Counters: p99_ms, max_ms and the number of samples.
// Arg 0: a server that never answers (cancelled after 2 s); 1: a 2 000-event page (1 MB) trickling
// in; 2: a 100 000-event line from the demo server, read and parsed at full speed; 3: a timed
// refresh of the moving 20 000-event line with every group open and an event focused; 4: the same
// with the groups closed as after F5, so every sport row counts and draws what moved under it;
// 5: "Обе конторы", both 20 000-event lines read at once, matched and shown.
void BM_InputDuringRefresh(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    lintaro::demo::DemoOptions options;
    options.today = kToday;
    options.events = kind == 2 ? 100000 : kind == 1 ? 2000 : kEvents;
    SilentServer silent;
    std::unique_ptr<TricklingServer> trickling;
    std::unique_ptr<lintaro::demo::DemoServer> demo;
    if (kind == 1) {
        trickling =
            std::make_unique<TricklingServer>(lintaro::demo::BuildFirstLine(options, kToday).page);
    } else {
        demo = std::make_unique<lintaro::demo::DemoServer>(options);
        demo->SetMoving(kind >= 3);
        demo->Start();
    }
    const std::string host = kind == 0   ? "127.0.0.1:" + std::to_string(silent.port)
                             : kind == 1 ? "127.0.0.1:" + std::to_string(trickling->Port())
                                         : demo->FirstHost();
    YesDialogs dialogs;
    lintaro::app::TfrmMain window(dialogs);
    window.SetFirstHost(host);
    window.SetBookmaker(lintaro::app::kFirstBookmaker, /*remember=*/false);
    if (kind == 5) {
        window.SetSecondHost(demo->SecondHost());
        DemoWindow::ChooseBoth(window);
    }
    window.show();
    QCoreApplication::processEvents();
    if (kind == 4) {
        window.RefreshWithoutQuestion();
        WaitWhileRefreshing(window);
        QCoreApplication::processEvents();
    }
    if (kind == 3) {
        // The line on screen, every group open and an event focused: the place a timed refresh
        // keeps.
        window.RefreshWithoutQuestion();
        WaitWhileRefreshing(window);
        window.ctl_DataGrid()->ExpandAllGroups();
        QTreeView* tree = window.ctl_DataGrid()->TreeView();
        const QModelIndex sport = tree->model()->index(2, 0);
        tree->setCurrentIndex(tree->model()->index(0, 1, tree->model()->index(0, 0, sport)));
        QCoreApplication::processEvents();
    }
    std::vector<double> samples;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread poster([&] {
            const auto start = std::chrono::steady_clock::now();
            while (!stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const auto posted = std::chrono::steady_clock::now();
                QMetaObject::invokeMethod(&window, [&samples, posted] {
                    samples.push_back(std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - posted)
                                          .count());
                });
                if (kind == 0 && posted - start > std::chrono::seconds(2)) {
                    QMetaObject::invokeMethod(&window, [&] { window.CancelRefresh(); });
                }
            }
        });
        if (kind >= 3) {
            window.TimedRefresh();
        } else {
            window.RefreshWithoutQuestion();
        }
        WaitWhileRefreshing(window);
        QCoreApplication::processEvents();  // the grid's repaint
        stop = true;
        poster.join();
        QCoreApplication::processEvents();
    }
    std::sort(samples.begin(), samples.end());
    if (samples.empty()) {
        state.SkipWithError("no samples");
        return;
    }
    state.counters["samples"] = static_cast<double>(samples.size());
    state.counters["p99_ms"] = samples[samples.size() * 99 / 100];
    state.counters["max_ms"] = samples.back();
    state.counters["rows"] = window.cds_Data().RowCount();
}
BENCHMARK(BM_InputDuringRefresh)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// While the history writer appends timed refreshes of the moving 20 000-event line to a fresh
// history (the first read stores every row, the later ones what changed), another thread posts an
// event to the window every 5 ms from the refresh's start until the writer is idle again; each
// sample is how long the window's thread took to handle one. Counters as BM_InputDuringRefresh,
// and append_ms, the writer's time after the rows were shown, per read.
void BM_InputDuringHistoryAppend(benchmark::State& state) {
    lintaro::demo::DemoOptions options;
    options.today = kToday;
    options.events = kEvents;
    lintaro::demo::DemoServer demo(options);
    demo.SetMoving(true);
    demo.Start();
    YesDialogs dialogs;
    lintaro::app::TfrmMain window(dialogs);
    window.SetFirstHost(demo.FirstHost());
    window.SetBookmaker(lintaro::app::kFirstBookmaker, /*remember=*/false);
    window.show();
    QCoreApplication::processEvents();
    if (!window.History()) {
        state.SkipWithError("the history is off");
        return;
    }
    std::vector<double> samples;
    std::vector<double> append_samples;  // those posted once the rows were shown
    std::atomic<bool> appending{false};
    double append_ms = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread poster([&] {
            while (!stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const auto posted = std::chrono::steady_clock::now();
                const bool during_append = appending;
                QMetaObject::invokeMethod(&window, [&, posted, during_append] {
                    const double ms = std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - posted)
                                          .count();
                    samples.push_back(ms);
                    if (during_append) append_samples.push_back(ms);
                });
            }
        });
        window.TimedRefresh();
        while (window.IsRefreshing()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        const auto shown = std::chrono::steady_clock::now();
        appending = true;
        while (!window.History()->Idle()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        append_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - shown)
                .count();
        QCoreApplication::processEvents();
        stop = true;
        poster.join();
        appending = false;
        QCoreApplication::processEvents();
    }
    std::sort(samples.begin(), samples.end());
    if (samples.empty() || window.History()->Written() != state.iterations()) {
        state.SkipWithError("no samples, or a read was not kept");
        return;
    }
    state.counters["samples"] = static_cast<double>(samples.size());
    state.counters["p99_ms"] = samples[samples.size() * 99 / 100];
    state.counters["max_ms"] = samples.back();
    state.counters["append_ms"] = append_ms / static_cast<double>(state.iterations());
    std::sort(append_samples.begin(), append_samples.end());
    if (!append_samples.empty()) {
        state.counters["append_p99_ms"] = append_samples[append_samples.size() * 99 / 100];
        state.counters["append_max_ms"] = append_samples.back();
    }
    state.counters["rows"] = window.cds_Data().RowCount();
}
BENCHMARK(BM_InputDuringHistoryAppend)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The start-up child has the parent's data folder below.
    if (argc > 1 && std::strcmp(argv[1], "--start-and-show") == 0) return StartAndShow(1, argv);
    // The window keeps its reads in a history of its own for the run, never the user's.
    std::string folder = (std::filesystem::temp_directory_path() / "app-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) != nullptr) qputenv("XDG_DATA_HOME", folder.c_str());
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return 0;
}
