// Cookie floods through FetchText: a loopback server answers with 30 000 Set-Cookie lines in one
// response head, once as the final answer and once in each of four redirects before a small page.
// Each iteration uses a new client with a store of its own, so every flood meets an empty store.
// Counters: the cookies the store keeps afterwards and the longest request head sent.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

#include "http/cookie_store.h"
#include "http/net_http.h"
#include "http/net_intercept.h"
#include "loopback_listener.h"

namespace lintaro {
namespace {

constexpr int kCookiesPerAnswer = 30000;
constexpr int kRedirects = 4;

// A response head setting kCookiesPerAnswer cookies whose names are unique to `tag`, so that each
// answer files new cookies rather than replacing earlier ones.
std::string FloodHead(const std::string& status, const std::string& tag) {
    std::string head = status + "\r\n";
    for (int i = 0; i < kCookiesPerAnswer; ++i) {
        head += "Set-Cookie: " + tag + std::to_string(i) + "=1; path=/\r\n";
    }
    return head;
}

// Answers one request per connection and closes it. "/flood" is a page with the flood in its
// head; "/hop/N" redirects to "/hop/N-1" with a flood of its own, and "/hop/0" is a plain page.
class FloodServer {
  public:
    FloodServer() {
        const std::string body = "<html>done</html>";
        const std::string tail =
            "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        answers_["/flood"] = FloodHead("HTTP/1.0 200 OK", "f") + tail;
        answers_["/hop/0"] = "HTTP/1.0 200 OK\r\n" + tail;
        for (int hop = 1; hop <= kRedirects; ++hop) {
            answers_["/hop/" + std::to_string(hop)] =
                FloodHead("HTTP/1.0 302 Found", "h" + std::to_string(hop) + "_") +
                "Location: /hop/" + std::to_string(hop - 1) + "\r\nContent-Length: 0\r\n\r\n";
        }
        listen_fd_ = ListenOnLoopback(port_, 16);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FloodServer() {
        // Wakes the blocked accept, which then fails and ends the loop.
        shutdown(listen_fd_, SHUT_RDWR);
        thread_.join();
        close(listen_fd_);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    void Serve() {
        for (;;) {
            const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            std::string head;
            char buffer[65536];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                head.append(buffer, static_cast<std::size_t>(n));
            }
            const std::size_t start = head.find(' ') + 1;
            const auto answer = answers_.find(head.substr(start, head.find(' ', start) - start));
            const std::string& bytes =
                answer != answers_.end() ? answer->second : answers_.at("/hop/0");
            for (std::size_t sent = 0; sent < bytes.size();) {
                const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            shutdown(fd, SHUT_WR);
            close(fd);
        }
    }

    std::map<std::string, std::string> answers_;
    int listen_fd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

FloodServer& Server() {
    static FloodServer server;
    return server;
}

void RunFlood(benchmark::State& state, const std::string& path, bool allow_cookies = true) {
    const std::string url = Server().Url(path);
    std::size_t kept = 0;
    std::size_t longest_head = 0;
    for (auto _ : state) {
        // Each request head reaches the intercept as one block.
        http::TNetConnectionIntercept intercept;
        intercept.OnSend = [&longest_head](http::TNetConnectionIntercept&, std::string& block) {
            longest_head = std::max(longest_head, block.size());
        };
        http::TNetHTTP client;
        client.AllowCookies = allow_cookies;
        client.SetIntercept(&intercept);
        benchmark::DoNotOptimize(client.FetchText(url));
        state.PauseTiming();
        kept = allow_cookies ? client.CookieManager()->Cookies().size() : 0;
        state.ResumeTiming();
    }
    state.counters["cookies_kept"] = static_cast<double>(kept);
    state.counters["longest_head_bytes"] = static_cast<double>(longest_head);
}

// One answer with 30 000 Set-Cookie lines.
void BM_CookieFloodOneAnswer(benchmark::State& state) { RunFlood(state, "/flood"); }

// The same answer to a client without a cookie store: what reading the head alone costs.
void BM_CookieFloodOneAnswerNoStore(benchmark::State& state) { RunFlood(state, "/flood", false); }

// Four redirects with 30 000 Set-Cookie lines each, every next request carrying the store's
// Cookie line, then a plain page.
void BM_CookieFloodFourRedirects(benchmark::State& state) {
    RunFlood(state, "/hop/" + std::to_string(kRedirects));
}

BENCHMARK(BM_CookieFloodOneAnswer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CookieFloodOneAnswerNoStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CookieFloodFourRedirects)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintaro

BENCHMARK_MAIN();
