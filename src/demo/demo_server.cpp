// The demo line server: a small HTTP/1.0 server (keep-alive on request, HTTP/1.1 understood) with a
// thread per connection. Pages are generated once, on first demand, and sent straight from memory
// in large writes. Every wait also watches one wake-up pipe, so Stop ends every thread at once,
// however idle or slow its client.
#include "demo/demo_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

namespace lintaro::demo {
namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;  // a longer request head is refused
constexpr size_t kRecvChunk = 16 * 1024;
constexpr size_t kMaxConnections = 256;  // more at once are refused
constexpr const char* kCookieName = "demo_session";

// A file descriptor owned by one object.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~Fd() { Reset(); }
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

std::string ErrnoText(int error) { return std::strerror(error); }

std::string HostText(uint16_t port) { return "127.0.0.1:" + std::to_string(port); }

// Binds a non-blocking listening socket to 127.0.0.1:port (0: any free port). Returns the socket,
// or the errno of the failure.
struct Listener {
    Fd fd;
    uint16_t port = 0;
    int error = 0;
};

Listener Listen(uint16_t port) {
    Listener result;
    result.fd = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (result.fd.get() < 0) {
        result.error = errno;
        return result;
    }
    int yes = 1;
    // Lets a restarted server reuse a port whose old connections linger in TIME_WAIT; a port with a
    // live listener stays busy.
    ::setsockopt(result.fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(result.fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(result.fd.get(), 128) != 0) {
        result.error = errno;
        result.fd.Reset();
        return result;
    }
    socklen_t length = sizeof address;
    ::getsockname(result.fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    result.port = ntohs(address.sin_port);
    return result;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// One parsed request head.
struct Request {
    std::string method;
    std::string path;   // lower case, without the query
    std::string query;  // after "?", as sent
    int minor_version = 0;
    bool keep_alive = false;
    bool has_body = false;
    std::string cookie;
};

// Parses a request head (without its blank line). nullopt for anything that is not HTTP.
std::optional<Request> ParseRequest(std::string_view head) {
    while (head.starts_with("\r\n") || head.starts_with("\n")) {
        head.remove_prefix(head[0] == '\r' ? 2 : 1);
    }
    size_t line_end = head.find('\n');
    std::string_view line = Trim(head.substr(0, line_end));
    head = line_end == std::string_view::npos ? std::string_view() : head.substr(line_end + 1);

    Request request;
    const size_t first_space = line.find(' ');
    const size_t last_space = line.rfind(' ');
    if (first_space == std::string_view::npos || first_space == last_space) return std::nullopt;
    request.method = std::string(line.substr(0, first_space));
    std::string_view target = Trim(line.substr(first_space + 1, last_space - first_space - 1));
    const std::string_view version = line.substr(last_space + 1);
    if (request.method.empty() || target.empty() || !version.starts_with("HTTP/1.") ||
        version.size() != 8 || version[7] < '0' || version[7] > '9') {
        return std::nullopt;
    }
    request.minor_version = version[7] - '0';
    for (char c : request.method) {
        if (c < 'A' || c > 'Z') return std::nullopt;
    }
    if (AsciiLower(target.substr(0, 7)) == "http://") {  // absolute form: drop scheme and host
        target.remove_prefix(7);
        const size_t slash = target.find('/');
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    if (target.front() != '/') return std::nullopt;
    const size_t question = target.find('?');
    request.path = AsciiLower(target.substr(0, question));
    if (question != std::string_view::npos)
        request.query = std::string(target.substr(question + 1));

    std::optional<bool> connection_keep_alive;
    while (!head.empty()) {
        line_end = head.find('\n');
        std::string_view header = head.substr(0, line_end);
        head = line_end == std::string_view::npos ? std::string_view() : head.substr(line_end + 1);
        if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
        if (header.empty()) continue;
        if (header.front() == ' ' || header.front() == '\t') continue;  // folded value: ignored
        const size_t colon = header.find(':');
        if (colon == std::string_view::npos || colon == 0) return std::nullopt;
        const std::string name = AsciiLower(Trim(header.substr(0, colon)));
        const std::string_view value = Trim(header.substr(colon + 1));
        if (name == "connection") {
            const std::string lower = AsciiLower(value);
            if (lower.find("close") != std::string::npos) {
                connection_keep_alive = false;
            } else if (lower.find("keep-alive") != std::string::npos) {
                connection_keep_alive = true;
            }
        } else if (name == "cookie") {
            request.cookie += std::string(value) + ";";
        } else if (name == "content-length") {
            request.has_body = value != "0";
        } else if (name == "transfer-encoding") {
            request.has_body = true;
        }
    }
    // HTTP/1.0 keeps the connection only when asked to; HTTP/1.1 unless asked not to.
    request.keep_alive = connection_keep_alive.value_or(request.minor_version >= 1);
    // A request body is never read: answer, then close, rather than mistake it for a request.
    if (request.has_body) request.keep_alive = false;
    return request;
}

// The value of query parameter `name` (compared without letter case), or "".
std::string QueryValue(std::string_view query, std::string_view name) {
    const std::string wanted = AsciiLower(name);
    while (!query.empty()) {
        const size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const size_t eq = pair.find('=');
        if (eq != std::string_view::npos && AsciiLower(pair.substr(0, eq)) == wanted) {
            return std::string(pair.substr(eq + 1));
        }
    }
    return "";
}

// Where the request head ends: the index just past its blank line, or npos.
size_t HeadEnd(std::string_view buffer) {
    const size_t crlf = buffer.find("\r\n\r\n");
    const size_t lf = buffer.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos)
        return std::string_view::npos;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf)) {
        return crlf + 4;
    }
    return lf + 2;
}

// A response: a status, extra header lines, and a body that the server owns for its whole life.
struct Response {
    int status = 200;
    const char* reason = "OK";
    std::string extra_headers;               // whole lines, each ending in CR LF
    std::string_view body;                   // points into server-owned storage
    std::shared_ptr<const void> body_owner;  // keeps that storage while the answer is sent
    std::string owned_body;                  // or holds a small body of its own
    bool close = false;                      // close the connection after it, whatever was asked
};

Response ErrorResponse(int status, const char* reason, bool close = false) {
    Response response;
    response.status = status;
    response.reason = reason;
    response.owned_body = "<html><head><title>" + std::to_string(status) + " " + reason +
                          "</title></head><body><h1>" + reason + "</h1></body></html>\r\n";
    response.close = close;
    return response;
}

}  // namespace

struct DemoServer::Impl {
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    DemoOptions options;
    std::chrono::year_month_day today{};
    bool started = false;
    bool stopped = false;
    Fd first_listener, second_listener;
    uint16_t first_port = 0, second_port = 0;
    Fd wake_read, wake_write;  // a byte in the pipe tells every thread to end
    std::thread acceptor;
    std::mutex workers_mutex;
    std::list<Worker> workers;

    std::atomic<uint64_t> connections{0}, requests{0}, requests_with_cookie{0}, bad_requests{0};
    std::chrono::milliseconds head_time_limit{kHeadTimeLimit};
    std::chrono::milliseconds send_stall_limit{kSendStallLimit};

    // Each bookmaker's line, made on first demand. A moving server advances a line by one
    // generation on each request of its entry page after the first; the pages of the current
    // generation are shared with the answers being sent, so an advance never pulls a page from
    // under a slow client.
    template <typename Moving, typename Pages>
    struct ServedLine {
        std::mutex mutex;
        std::optional<Moving> line;
        std::shared_ptr<const Pages> pages;
        bool entry_served = false;
    };
    bool moving = false;
    ServedLine<MovingFirstLine, FirstLine> first;
    ServedLine<MovingSecondLine, SecondLine> second;
    std::string session_cookie;

    template <typename Moving, typename Pages>
    std::shared_ptr<const Pages> Current(ServedLine<Moving, Pages>& served, bool entry) {
        std::lock_guard lock(served.mutex);
        const auto publish = [&] {
            Pages pages = served.line->Line();
            pages.rows.clear();  // only the pages are served
            served.pages = std::make_shared<const Pages>(std::move(pages));
        };
        if (!served.line) {
            served.line.emplace(options, today);
            publish();
        }
        if (entry) {
            if (moving && served.entry_served) {
                served.line->Advance();
                publish();
            }
            served.entry_served = true;
        }
        return served.pages;
    }
    template <typename Moving, typename Pages>
    uint32_t GenerationOf(ServedLine<Moving, Pages>& served) {
        std::lock_guard lock(served.mutex);
        return served.line ? served.line->Generation() : options.generation;
    }

    void AcceptLoop();
    void Serve(int fd, bool second_host);
    Response Route(const Request& request, bool second_host);
    // The answer to one request head (nullopt: unreadable), counted in the statistics.
    Response Answer(const std::optional<Request>& request, bool second_host);
    bool WaitFor(int fd, short events, int timeout_ms);
    bool SendAll(int fd, std::string_view head, std::string_view body);
    void Reap();
};

// Waits until `fd` is ready for `events` or the wake-up pipe fires. False on wake-up, timeout or
// a socket error.
bool DemoServer::Impl::WaitFor(int fd, short events, int timeout_ms) {
    pollfd fds[2] = {{fd, events, 0}, {wake_read.get(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, timeout_ms);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || fds[1].revents != 0) return false;
        return (fds[0].revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

// Sends the head and the body in as few calls as the socket allows.
bool DemoServer::Impl::SendAll(int fd, std::string_view head, std::string_view body) {
    iovec parts[2] = {{const_cast<char*>(head.data()), head.size()},
                      {const_cast<char*>(body.data()), body.size()}};
    int first = 0;
    while (first < 2) {
        msghdr message{};
        message.msg_iov = parts + first;
        message.msg_iovlen = 2 - first;
        const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
            if (!WaitFor(fd, POLLOUT, static_cast<int>(send_stall_limit.count()))) return false;
            continue;
        }
        size_t left = static_cast<size_t>(sent);
        while (first < 2 && left >= parts[first].iov_len) {
            left -= parts[first].iov_len;
            ++first;
        }
        if (first < 2) {
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        }
    }
    return true;
}

Response DemoServer::Impl::Route(const Request& request, bool second_host) {
    const std::string& path = request.path;
    Response response;
    // Answers with a page of the second bookmaker's line (its entry page moves it on).
    const auto second_page = [&](bool entry, auto page_of) {
        std::shared_ptr<const SecondLine> line = Current(second, entry);
        const std::string* page = page_of(*line);
        if (!page) return ErrorResponse(404, "Not Found");
        response.body = *page;
        response.body_owner = std::move(line);
        return response;
    };
    // The tournament page of `league` among the tennis pages or the others, or nullptr.
    const auto tournament_page = [&](bool tennis) {
        const std::string league = QueryValue(request.query, "League");
        return [tennis, league](const SecondLine& line) -> const std::string* {
            for (const SecondTournamentPage& page : line.pages) {
                if ((page.sport == "tennis") == tennis && std::to_string(page.league) == league) {
                    return &page.page;
                }
            }
            return nullptr;
        };
    };
    if (second_host) {
        // The second bookmaker's fixed host sends its visitors on to the host that serves the
        // line, and keeps the tennis pages itself.
        if (path == "/" || path == "/default.asp") {
            response.status = 302;
            response.reason = "Object moved";
            response.extra_headers = "Location: http://" + HostText(first_port) + "/\r\n";
            response.extra_headers += "Set-Cookie: " + session_cookie + "; path=/\r\n";
            response.owned_body =
                "<html><head><title>Object moved</title></head><body>"
                "<h1>Object Moved</h1>This object may be found <a HREF=\"http://" +
                HostText(first_port) + "/\">here</a>.</body></html>\r\n";
            return response;
        }
        if (path == "/guestcontestlines.asp") return second_page(false, tournament_page(true));
        return ErrorResponse(404, "Not Found");
    }
    if (path == "/odds.shtml") {
        std::shared_ptr<const FirstLine> line = Current(first, true);
        response.body = line->page;
        response.body_owner = std::move(line);
        return response;
    }
    if (path == "/" || path == "/index.html") {
        return second_page(false, [](const SecondLine& line) { return &line.home_page; });
    }
    if (path == "/decimal.asp") {
        return second_page(true, [](const SecondLine& line) { return &line.list_page; });
    }
    if (path == "/vwguestlines.asp") return second_page(false, tournament_page(false));
    return ErrorResponse(404, "Not Found");
}

Response DemoServer::Impl::Answer(const std::optional<Request>& request, bool second_host) {
    ++requests;
    if (!request) {
        ++bad_requests;
        return ErrorResponse(400, "Bad Request", true);
    }
    if (request->method != "GET" && request->method != "HEAD") {
        ++bad_requests;
        return ErrorResponse(501, "Not Implemented", true);
    }
    if (request->cookie.find(std::string(kCookieName) + "=") != std::string::npos) {
        ++requests_with_cookie;
    }
    try {
        return Route(*request, second_host);
    } catch (const std::exception&) {
        return ErrorResponse(500, "Internal Server Error", true);
    }
}

void DemoServer::Impl::Serve(int raw_fd, bool second_host) {
    Fd fd(raw_fd);
    int one = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string buffer;
    char chunk[kRecvChunk];
    for (;;) {
        // Each request head must be complete within the limit, counted from the accept or from
        // the end of the last answer: a client that sends nothing, or a byte now and then, would
        // otherwise hold one of the places for good.
        const auto head_deadline = std::chrono::steady_clock::now() + head_time_limit;
        size_t head_end;
        while ((head_end = HeadEnd(buffer)) == std::string::npos) {
            if (buffer.size() > kMaxHeadBytes) {
                ++requests;
                ++bad_requests;
                Response response = ErrorResponse(431, "Request Header Fields Too Large", true);
                const std::string head =
                    "HTTP/1.0 431 Request Header Fields Too Large\r\n"
                    "Content-Type: text/html\r\nContent-Length: " +
                    std::to_string(response.owned_body.size()) + "\r\nConnection: close\r\n\r\n";
                SendAll(fd.get(), head, response.owned_body);
                ::shutdown(fd.get(), SHUT_WR);
                return;
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                head_deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return;
            if (!WaitFor(fd.get(), POLLIN, static_cast<int>(left.count()))) return;
            const ssize_t got = ::recv(fd.get(), chunk, sizeof chunk, 0);
            if (got == 0) return;  // the client is done
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
                return;
            }
            buffer.append(chunk, static_cast<size_t>(got));
        }
        const std::optional<Request> request =
            ParseRequest(std::string_view(buffer).substr(0, head_end));
        buffer.erase(0, head_end);
        const Response response = Answer(request, second_host);
        const bool served = request && (request->method == "GET" || request->method == "HEAD");
        const int minor_version = served ? request->minor_version : 0;
        const bool keep_alive = served && request->keep_alive && !response.close;
        const std::string_view body =
            response.owned_body.empty() ? response.body : std::string_view(response.owned_body);
        std::string head = "HTTP/1." + std::to_string(minor_version) + " " +
                           std::to_string(response.status) + " " + response.reason +
                           "\r\nServer: Lintaro demo line\r\n"
                           "Content-Type: text/html; charset=windows-1251\r\n"
                           "Content-Length: " +
                           std::to_string(body.size()) + "\r\n" +
                           (keep_alive ? "Connection: keep-alive\r\n" : "Connection: close\r\n") +
                           response.extra_headers + "\r\n";
        const bool head_only = request && request->method == "HEAD";
        if (!SendAll(fd.get(), head, head_only ? std::string_view() : body)) return;
        if (!keep_alive) {
            // Finish sending, then give the client a moment to read before the socket closes, so
            // that unread request bytes do not turn the close into a reset that loses the answer.
            ::shutdown(fd.get(), SHUT_WR);
            for (int i = 0; i < 20 && WaitFor(fd.get(), POLLIN, 100); ++i) {
                if (::recv(fd.get(), chunk, sizeof chunk, 0) <= 0) break;
            }
            return;
        }
    }
}

void DemoServer::Impl::Reap() {
    for (auto it = workers.begin(); it != workers.end();) {
        if (it->done) {
            it->thread.join();
            it = workers.erase(it);
        } else {
            ++it;
        }
    }
}

void DemoServer::Impl::AcceptLoop() {
    pollfd fds[3] = {{first_listener.get(), POLLIN, 0},
                     {second_listener.get(), POLLIN, 0},
                     {wake_read.get(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 3, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[2].revents != 0) return;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0) continue;
            for (;;) {
                const int client =
                    ::accept4(fds[i].fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (client < 0) break;  // EAGAIN, or a client that gave up before we got to it
                ++connections;
                std::lock_guard lock(workers_mutex);
                Reap();
                if (workers.size() >= kMaxConnections) {
                    ::close(client);
                    continue;
                }
                Worker& worker = workers.emplace_back();
                const bool second_host = i == 1;
                try {
                    worker.thread = std::thread([this, client, second_host, &worker] {
                        Serve(client, second_host);
                        worker.done = true;
                    });
                } catch (const std::system_error&) {  // no thread to be had: refuse the client
                    workers.pop_back();
                    ::close(client);
                }
            }
        }
    }
}

DemoServer::DemoServer(DemoOptions options) : impl_(std::make_unique<Impl>()) {
    CheckDemoOptions(options);
    impl_->options = std::move(options);
}

DemoServer::~DemoServer() { Stop(); }

void DemoServer::SetHeadTimeLimit(std::chrono::milliseconds limit) {
    impl_->head_time_limit = limit;
}

void DemoServer::SetSendStallLimit(std::chrono::milliseconds limit) {
    impl_->send_stall_limit = limit;
}

void DemoServer::SetMoving(bool moving) { impl_->moving = moving; }

void DemoServer::Start(uint16_t port) {
    Impl& s = *impl_;
    if (s.started) throw std::logic_error("The demo line server was already started");
    if (port == 65535) {
        throw std::runtime_error(
            "Cannot listen on 127.0.0.1:65535: the demo line needs the port "
            "after it as well; choose a port below 65535");
    }
    Listener first, second;
    if (port != 0) {
        first = Listen(port);
        if (first.error != 0) {
            throw std::runtime_error("Cannot listen on " + HostText(port) + ": " +
                                     ErrnoText(first.error));
        }
        second = Listen(static_cast<uint16_t>(port + 1));
        if (second.error != 0) {
            throw std::runtime_error("Cannot listen on " + HostText(port + 1) + ": " +
                                     ErrnoText(second.error));
        }
    } else {
        // Any free port whose successor is free too.
        for (int attempt = 0; attempt < 100; ++attempt) {
            first = Listen(0);
            if (first.error != 0) {
                throw std::runtime_error("Cannot listen on 127.0.0.1: " + ErrnoText(first.error));
            }
            if (first.port == 65535) continue;
            second = Listen(static_cast<uint16_t>(first.port + 1));
            if (second.error == 0) break;
        }
        if (second.fd.get() < 0) {
            throw std::runtime_error(
                "Cannot listen on 127.0.0.1: found no two free ports in a row");
        }
    }
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("Cannot start the demo line server: " + ErrnoText(errno));
    }
    s.wake_read = Fd(pipe_fds[0]);
    s.wake_write = Fd(pipe_fds[1]);
    s.first_listener = std::move(first.fd);
    s.second_listener = std::move(second.fd);
    s.first_port = first.port;
    s.second_port = second.port;
    s.today = s.options.today.value_or(ToYearMonthDay(table::LocalToday()));
    char cookie[64];
    std::snprintf(cookie, sizeof cookie, "%s=%08X%04X", kCookieName, s.options.seed, s.first_port);
    s.session_cookie = cookie;
    s.acceptor = std::thread([&s] { s.AcceptLoop(); });
    s.started = true;
}

std::string DemoServer::FirstHost() const { return HostText(impl_->first_port); }
std::string DemoServer::SecondHost() const { return HostText(impl_->second_port); }
uint16_t DemoServer::FirstPort() const { return impl_->first_port; }
uint16_t DemoServer::SecondPort() const { return impl_->second_port; }

std::chrono::year_month_day DemoServer::Today() const {
    return impl_->started ? impl_->today
                          : impl_->options.today.value_or(ToYearMonthDay(table::LocalToday()));
}

DemoStats DemoServer::Stats() const {
    DemoStats stats;
    stats.connections = impl_->connections;
    stats.requests = impl_->requests;
    stats.requests_with_cookie = impl_->requests_with_cookie;
    stats.bad_requests = impl_->bad_requests;
    stats.first_generation = impl_->GenerationOf(impl_->first);
    stats.second_generation = impl_->GenerationOf(impl_->second);
    return stats;
}

void DemoServer::Stop() {
    Impl& s = *impl_;
    if (!s.started || s.stopped) return;
    s.stopped = true;
    const char wake = 1;
    while (::write(s.wake_write.get(), &wake, 1) < 0 && errno == EINTR) {
    }
    s.acceptor.join();
    std::list<Impl::Worker> workers;
    {
        std::lock_guard lock(s.workers_mutex);
        workers.swap(s.workers);
    }
    for (Impl::Worker& worker : workers) worker.thread.join();
    s.first_listener.Reset();
    s.second_listener.Reset();
}

}  // namespace lintaro::demo
