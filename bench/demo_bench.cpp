// Demo line benchmarks. BM_ServeFirstPage: the demo server sending its first bookmaker's page of
// about 8 MB over one kept loopback connection to a client that reads in large blocks.
// BM_CliLoadFirst / BM_CliParseFirst: `lintaro-cli load first` from the demo server against
// `lintaro-cli parse first` on the same page saved to a file (20 000 events), so their ratio is
// what fetching costs on top of reading.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/demo_server.h"
#include "quiet_child.h"

extern char** environ;

namespace {

using lintaro::demo::DemoOptions;
using lintaro::demo::DemoServer;

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::month{12},
                                             std::chrono::day{20}};

DemoOptions Options(int events) {
    DemoOptions options;
    options.events = events;
    options.today = kToday;
    return options;
}

int Connect(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to the demo server");
    }
    return fd;
}

// Sends one keep-alive request and reads its whole response; returns the body's length.
size_t Fetch(int fd, const std::string& target, std::vector<char>& buffer) {
    const std::string request =
        "GET " + target + " HTTP/1.0\r\nConnection: keep-alive\r\nHost: 127.0.0.1\r\n\r\n";
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        throw std::runtime_error("send failed");
    }
    std::string head;
    size_t body_start = std::string::npos;
    size_t have = 0;
    while (body_start == std::string::npos) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) throw std::runtime_error("connection closed");
        head.append(buffer.data(), static_cast<size_t>(got));
        if (const size_t end = head.find("\r\n\r\n"); end != std::string::npos) {
            body_start = end + 4;
            have = head.size() - body_start;
        }
    }
    const size_t at = head.find("Content-Length: ");
    const size_t length = std::stoul(head.substr(at + 16));
    while (have < length) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) throw std::runtime_error("connection closed");
        have += static_cast<size_t>(got);
    }
    return length;
}

void BM_ServeFirstPage(benchmark::State& state) {
    DemoServer server(Options(static_cast<int>(state.range(0))));
    server.Start();
    const int fd = Connect(server.FirstPort());
    std::vector<char> buffer(1 << 20);
    size_t bytes = Fetch(fd, "/odds.shtml", buffer);  // the page is generated on first demand
    for (auto _ : state) bytes = Fetch(fd, "/odds.shtml", buffer);
    ::close(fd);
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ServeFirstPage)->Arg(17000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs lintaro-cli with its output thrown away; returns its exit status.
int RunCli(std::vector<std::string> args) {
    return lintaro::bench::RunQuietly(LINTARO_CLI, std::move(args));
}

constexpr int kCliEvents = 20000;

void BM_CliLoadFirst(benchmark::State& state) {
    DemoServer server(Options(kCliEvents));
    server.Start();
    const std::vector<std::string> args = {
        "load",    "first",      "--first-host", server.FirstHost(),
        "--today", "2026-12-20", "--format",     "jsonl"};
    if (RunCli(args) != 0) {  // also warms the server's page
        state.SkipWithError("lintaro-cli load first failed (not built yet?)");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(RunCli(args));
}
BENCHMARK(BM_CliLoadFirst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CliParseFirst(benchmark::State& state) {
    const std::string path = "/tmp/lintaro_bench_demo_first.html";
    {
        std::ofstream(path, std::ios::binary)
            << lintaro::demo::BuildFirstLine(Options(kCliEvents), kToday).page;
    }
    const std::vector<std::string> args = {"parse",      "first",    path,   "--today",
                                           "2026-12-20", "--format", "jsonl"};
    if (RunCli(args) != 0) {
        state.SkipWithError("lintaro-cli parse first failed (not built yet?)");
    } else {
        for (auto _ : state) benchmark::DoNotOptimize(RunCli(args));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_CliParseFirst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
