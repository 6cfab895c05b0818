// HTTP client benchmarks: FetchText against Debian's curl on the same loopback server in the same
// run, for one 16 MB body and for 1000 small pages over one kept connection, plus the client's
// peak memory for the large body (measured in a child process so the server's copy is not
// counted), and the peak memory of `lintaro-cli fetch --max-size` against a server that sends a
// body without end, which must stay within 2.5 times the limit. Run bench_http; it prints the
// ratios after the benchmark table.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "http/net_http.h"
#include "loopback_listener.h"

namespace lintaro {

using http::TNetHTTP;

namespace {

constexpr std::size_t kLargeBodySize = 16 << 20;
constexpr int kSmallPages = 1000;
constexpr const char* kCurl = "/usr/bin/curl";

std::string MakeBody(std::size_t size, unsigned seed) {
    std::string body;
    body.reserve(size);
    static const char kRow[] =
        "<tr><td class=\"event\">Team %u - Team %u</td><td>1.85</td></tr>\r\n";
    char line[128];
    for (unsigned i = 0; body.size() < size; ++i) {
        int n = std::snprintf(line, sizeof line, kRow, seed + i, seed + i + 1);
        body.append(line, static_cast<std::size_t>(n));
    }
    body.resize(size);
    return body;
}

bool ContainsIgnoringCase(const std::string& text, const std::string& word) {
    auto it = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

// A minimal HTTP/1.0 server on 127.0.0.1: "/large" answers the 16 MB body, anything else a small
// page; a request that asks for keep-alive gets "Connection: keep-alive" and keeps its connection.
class BenchServer {
  public:
    BenchServer() {
        large_ = Response(MakeBody(kLargeBodySize, 1), true);
        large_close_ = Response(MakeBody(kLargeBodySize, 1), false);
        small_ = Response(MakeBody(2048, 7), true);
        small_close_ = Response(MakeBody(2048, 7), false);
        if (pipe(stop_) != 0) throw std::runtime_error("pipe failed");
        listen_fd_ = ListenOnLoopback(port_, 64);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~BenchServer() {
        char byte = 1;
        [[maybe_unused]] ssize_t n = write(stop_[1], &byte, 1);
        acceptor_.join();
        for (std::thread& worker : workers_) worker.join();
        close(listen_fd_);
        close(stop_[0]);
        close(stop_[1]);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int connections() const { return connections_.load(); }
    std::uint16_t port() const { return port_; }

  private:
    static std::string Response(const std::string& body, bool keep_alive) {
        std::string head = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=windows-1251\r\n";
        head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        if (keep_alive) head += "Connection: keep-alive\r\n";
        return head + "\r\n" + body;
    }

    bool Wait(int fd, short events) {
        pollfd fds[2] = {{fd, events, 0}, {stop_[0], POLLIN, 0}};
        while (poll(fds, 2, -1) < 0) {
        }
        return fds[1].revents == 0;
    }

    void Accept() {
        while (Wait(listen_fd_, POLLIN)) {
            int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            connections_.fetch_add(1);
            workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int fd) {
        std::string pending;
        char buffer[8192];
        while (true) {
            std::size_t end;
            while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
                if (!Wait(fd, POLLIN)) return Close(fd);
                ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) return Close(fd);
                pending.append(buffer, static_cast<std::size_t>(n));
            }
            std::string head = pending.substr(0, end + 4);
            pending.erase(0, end + 4);
            if (head.compare(0, 13, "GET /endless/") == 0) return SendEndless(fd, head);
            bool keep = ContainsIgnoringCase(head, "connection: keep-alive");
            bool large = head.compare(0, 11, "GET /large ") == 0;
            const std::string& answer =
                large ? (keep ? large_ : large_close_) : (keep ? small_ : small_close_);
            std::size_t sent = 0;
            while (sent < answer.size()) {
                ssize_t n = send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) return Close(fd);
                sent += static_cast<std::size_t>(n);
            }
            if (!keep) return Close(fd);
        }
    }

    // A body that never ends, in the framing the path names ("GET /endless/close",
    // "/endless/chunked", "/endless/error" for a 404 page), until the client goes away.
    static void SendEndless(int fd, const std::string& head) {
        const bool chunked = head.compare(0, 21, "GET /endless/chunked ") == 0;
        const bool error = head.compare(0, 19, "GET /endless/error ") == 0;
        std::string answer = error ? "HTTP/1.0 404 Not Found\r\n" : "HTTP/1.0 200 OK\r\n";
        if (chunked) answer += "Transfer-Encoding: chunked\r\n";
        answer += "\r\n";
        const std::string block(64 * 1024, 'e');
        const std::string piece = chunked ? "10000\r\n" + block + "\r\n" : block;
        for (bool first = true;; first = false) {
            const std::string& bytes = first ? answer + piece : piece;
            std::size_t sent = 0;
            while (sent < bytes.size()) {
                ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) return Close(fd);
                sent += static_cast<std::size_t>(n);
            }
        }
    }

    static void Close(int fd) {
        shutdown(fd, SHUT_WR);
        close(fd);
    }

    std::string large_, large_close_, small_, small_close_;
    int listen_fd_ = -1;
    int stop_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::vector<std::thread> workers_;  // only the acceptor thread adds to it
};

BenchServer& Server() {
    static BenchServer server;
    return server;
}

// Best (shortest) time per iteration of each benchmark, in seconds, for the closing summary.
struct Best {
    double fetch_large = 0, fetch_large_wide = 0, recv_loop_large = 0, curl_large = 0,
           fetch_pages = 0, curl_pages = 0, curl_pages_wall = 0;
};
Best best;

void KeepBest(double& slot, double seconds) {
    if (slot == 0 || seconds < slot) slot = seconds;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a shell command and returns what it printed.
std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
    return output;
}

const std::string kCurlCommand =
    std::string(kCurl) + " -s -0 -H 'Connection: keep-alive' -w '%{time_total} %{num_connects}\\n'";

// The argument is the client's receive block size: 1024 as the program configures it, and a
// larger one to show what the block size alone costs. Each iteration uses a new client, so it
// connects afresh as every curl run does.
void BM_FetchText_Large(benchmark::State& state) {
    const std::string url = Server().Url("/large");
    const bool configured = state.range(0) == 1024;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        TNetHTTP client;
        client.RecvBufferSize = static_cast<int>(state.range(0));
        std::string body = client.FetchText(url);
        double seconds = Since(start);
        if (body.size() != kLargeBodySize) state.SkipWithError("short body");
        state.SetIterationTime(seconds);
        KeepBest(configured ? best.fetch_large : best.fetch_large_wide, seconds);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLargeBodySize));
}

// curl's own transfer time (time_total), without its process start: the stricter baseline.
void BM_Curl_Large(benchmark::State& state) {
    if (access(kCurl, X_OK) != 0) return state.SkipWithError("no /usr/bin/curl");
    const std::string command = kCurlCommand + " -o /dev/null '" + Server().Url("/large") + "'";
    for (auto _ : state) {
        double seconds = std::atof(Run(command).c_str());
        if (seconds <= 0) return state.SkipWithError("curl failed");
        state.SetIterationTime(seconds);
        KeepBest(best.curl_large, seconds);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLargeBodySize));
}

// A naive client that keeps the body in memory: a bare 64 KB receive loop appending to a string
// on the same server, without HTTP parsing. Its string outgrows the body (head included) into a
// 32 MB block, which the allocator maps afresh every time, so it shows what touching fresh memory
// costs: curl writing to /dev/null touches none.
void BM_RecvLoop_Large(benchmark::State& state) {
    const std::string request = "GET /large HTTP/1.0\r\n\r\n";
    std::vector<char> block(65536);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(Server().port());
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
            close(fd);
            return state.SkipWithError("cannot reach the server");
        }
        std::string received;
        for (ssize_t n; (n = recv(fd, block.data(), block.size(), 0)) > 0;) {
            received.append(block.data(), static_cast<std::size_t>(n));
        }
        close(fd);
        double seconds = Since(start);
        if (received.size() < kLargeBodySize) return state.SkipWithError("short body");
        state.SetIterationTime(seconds);
        KeepBest(best.recv_loop_large, seconds);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kLargeBodySize));
}

void BM_FetchText_1000Pages(benchmark::State& state) {
    std::vector<std::string> urls;
    for (int i = 0; i < kSmallPages; ++i)
        urls.push_back(Server().Url("/page?n=" + std::to_string(i)));
    for (auto _ : state) {
        TNetHTTP client;
        const int connections = Server().connections();
        auto start = std::chrono::steady_clock::now();
        for (const std::string& url : urls) benchmark::DoNotOptimize(client.FetchText(url));
        double seconds = Since(start);
        state.SetIterationTime(seconds);
        KeepBest(best.fetch_pages, seconds);
        state.counters["connections"] = Server().connections() - connections;
    }
}

// One curl process fetching the 1000 URLs over its kept connection. The iteration time is the
// sum of curl's per-transfer times; the process's wall time is kept as well.
void BM_Curl_1000Pages(benchmark::State& state) {
    if (access(kCurl, X_OK) != 0) return state.SkipWithError("no /usr/bin/curl");
    char config_path[] = "/tmp/bench_http_curl_XXXXXX";
    int fd = mkstemp(config_path);
    if (fd < 0) return state.SkipWithError("cannot write curl's URL list");
    {
        std::ofstream config(config_path);
        for (int i = 0; i < kSmallPages; ++i) {
            config << "url = \"" << Server().Url("/page?n=" + std::to_string(i)) << "\"\n"
                   << "output = \"/dev/null\"\n";
        }
    }
    close(fd);
    const std::string command = kCurlCommand + " -K " + config_path;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string output = Run(command);
        double wall = Since(start);
        double total = 0;
        int connects = 0, transfers = 0;
        for (const char* line = output.c_str(); *line;) {
            char* end;
            total += std::strtod(line, &end);
            connects += static_cast<int>(std::strtol(end, &end, 10));
            ++transfers;
            line = *end ? end + 1 : end;
        }
        if (transfers != kSmallPages) return state.SkipWithError("curl did not fetch every page");
        state.SetIterationTime(total);
        KeepBest(best.curl_pages, total);
        KeepBest(best.curl_pages_wall, wall);
        state.counters["connections"] = connects;
        state.counters["wall_ms"] = wall * 1000;
    }
    unlink(config_path);
}

BENCHMARK(BM_FetchText_Large)
    ->Arg(1024)
    ->Arg(32768)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK(BM_Curl_Large)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_RecvLoop_Large)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_FetchText_1000Pages)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Curl_1000Pages)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// Peak resident memory of a process that fetches the large body once, above what it held
// before: forked and exec'd afresh so the server's copies are not counted.
long MeasureFetchMemory(const char* self) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    const std::string url = Server().Url("/large");
    pid_t child = fork();
    if (child == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        execl(self, self, "--measure-fetch-memory", url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    char buffer[64] = {};
    ssize_t n = read(pipe_fds[0], buffer, sizeof buffer - 1);
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return n > 0 ? std::atol(buffer) : -1;
}

// Peak resident memory of `lintaro-cli fetch --max-size LIMIT URL` in kilobytes, its output thrown
// away. A fresh copy of this program runs it, so that the child's high-water mark starts from that
// small process rather than from this one, which holds the server's bodies.
long MeasureCliFetchMemory(const char* self, const std::string& url, std::uint64_t limit) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    const std::string max_size = std::to_string(limit);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        execl(self, self, "--measure-cli-memory", url.c_str(), max_size.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    char buffer[64] = {};
    ssize_t n = read(pipe_fds[0], buffer, sizeof buffer - 1);
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return n > 0 ? std::atol(buffer) : -1;
}

// The fresh copy's side: runs lintaro-cli (forked, so its high-water mark starts at this small
// process's size) and prints its peak resident memory in kilobytes.
int RunCliAndReportMemory(const char* url, const char* max_size) {
    pid_t child = fork();
    if (child == 0) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, STDOUT_FILENO);
        dup2(null_fd, STDERR_FILENO);
        execl(LINTARO_CLI, LINTARO_CLI, "fetch", "--max-size", max_size, url,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

// A field of /proc/self/status in kilobytes: "VmRSS:" now, "VmHWM:" the peak.
long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length);
    }
    return 0;
}

// The child side: prints the peak growth of resident memory in kilobytes. The peak is the
// process's own high-water mark (VmHWM): getrusage's ru_maxrss would also hold the parent's
// resident size at the fork, which exec does not reset, and so measure the server's bodies.
int FetchAndReportMemory(const char* url) {
    TNetHTTP client;
    const long before = StatusKilobytes("VmRSS:");
    std::string body = client.FetchText(url);
    const long peak = StatusKilobytes("VmHWM:");
    if (body.size() != kLargeBodySize) return 1;
    std::printf("%ld\n", peak - before);
    return 0;
}

}  // namespace
}  // namespace lintaro

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--measure-fetch-memory") == 0) {
        return lintaro::FetchAndReportMemory(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "--measure-cli-memory") == 0) {
        return lintaro::RunCliAndReportMemory(argv[2], argv[3]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    using lintaro::best;
    const long peak_kb = lintaro::MeasureFetchMemory("/proc/self/exe");
    std::printf("\nFetchText against curl on the same server (best iterations):\n");
    if (best.fetch_large > 0 && best.curl_large > 0) {
        std::printf("  16 MB body: FetchText %.1f ms, curl %.1f ms: throughput %.2fx curl's\n",
                    best.fetch_large * 1000, best.curl_large * 1000,
                    best.curl_large / best.fetch_large);
    }
    if (best.fetch_large_wide > 0 && best.curl_large > 0) {
        std::printf("  16 MB body, 32 KB receive blocks: FetchText %.1f ms: %.2fx curl's\n",
                    best.fetch_large_wide * 1000, best.curl_large / best.fetch_large_wide);
    }
    if (best.recv_loop_large > 0 && best.curl_large > 0) {
        std::printf("  16 MB body, naive 64 KB receive loop into a string: %.1f ms: %.2fx curl's\n",
                    best.recv_loop_large * 1000, best.curl_large / best.recv_loop_large);
    }
    if (best.fetch_pages > 0 && best.curl_pages > 0) {
        std::printf(
            "  1000 pages: FetchText %.1f ms, curl %.1f ms (%.1f ms with its start): "
            "%.2fx curl's time\n",
            best.fetch_pages * 1000, best.curl_pages * 1000, best.curl_pages_wall * 1000,
            best.fetch_pages / best.curl_pages);
    }
    if (peak_kb >= 0) {
        std::printf("  16 MB body: peak memory growth %.1f MB, %.2fx the body\n", peak_kb / 1024.0,
                    peak_kb * 1024.0 / static_cast<double>(lintaro::kLargeBodySize));
    }

    // lintaro-cli fetch against bodies without end: its peak above the same command fetching a
    // small page, as a multiple of the body limit (target: at most 2.5).
    constexpr std::uint64_t kLimit = 16 << 20;
    const long base_kb =
        lintaro::MeasureCliFetchMemory("/proc/self/exe", lintaro::Server().Url("/small"), kLimit);
    std::printf("\nlintaro-cli fetch --max-size %llu (16 MiB), peak resident memory:\n",
                static_cast<unsigned long long>(kLimit));
    std::printf("  small page: %.1f MB\n", base_kb / 1024.0);
    for (const char* framing : {"close", "chunked", "error"}) {
        const long kb = lintaro::MeasureCliFetchMemory(
            "/proc/self/exe", lintaro::Server().Url(std::string("/endless/") + framing), kLimit);
        std::printf("  endless body (%s): %.1f MB, %.1f MB above the small page: %.2fx the limit\n",
                    framing, kb / 1024.0, (kb - base_kb) / 1024.0,
                    (kb - base_kb) * 1024.0 / static_cast<double>(kLimit));
    }
    return 0;
}
