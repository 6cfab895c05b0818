// The scripted loopback server: one acceptor thread and one thread per accepted connection.
// Every blocking wait also watches a self-pipe, so Stop() wakes all threads at once and the
// destructor never hangs on a client that keeps its connection open.
#include "scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace lintaro::testing_util {

namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error("ScriptedServer: " + what + ": " + std::strerror(errno));
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

// Finds the end of a request head: the empty line after CR LF or a bare LF.
std::size_t HeadEnd(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') return i + 2;
        if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') return i + 3;
    }
    return std::string::npos;
}

}  // namespace

ScriptedExchange Reply(std::string raw, ScriptedAfter after) {
    ScriptedExchange exchange;
    exchange.pieces.push_back({std::chrono::milliseconds(0), std::move(raw)});
    exchange.after = after;
    return exchange;
}

ScriptedExchange NoAnswer() {
    ScriptedExchange exchange;
    exchange.never_answer = true;
    return exchange;
}

ScriptedExchange Broken(BrokenAnswer kind, const std::string& page) {
    const std::string half = page.substr(0, page.size() / 2);
    const std::string counted =
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n";
    const std::chrono::milliseconds minute(60000);
    ScriptedExchange exchange;
    exchange.after = ScriptedAfter::kClose;
    switch (kind) {
        case BrokenAnswer::kStallAfterHead:
            exchange.pieces = {{{}, counted}, {minute, page}};
            break;
        case BrokenAnswer::kStallInBody:
            exchange.pieces = {{{}, counted + half}, {minute, page.substr(half.size())}};
            break;
        case BrokenAnswer::kClosedBeforeLength:
            exchange.pieces = {{{}, counted + half}};
            break;
        case BrokenAnswer::kClosedInChunk: {
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", page.size());
            exchange.pieces = {{{},
                                "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                    std::string(size) + half}};
            break;
        }
    }
    return exchange;
}

const char* BrokenAnswerName(BrokenAnswer kind) {
    switch (kind) {
        case BrokenAnswer::kStallAfterHead:
            return "stall after the head";
        case BrokenAnswer::kStallInBody:
            return "stall in the body";
        case BrokenAnswer::kClosedBeforeLength:
            return "closed before the Content-Length";
        case BrokenAnswer::kClosedInChunk:
            return "closed inside a chunk";
    }
    return "";
}

ScriptedServer::ScriptedServer(std::vector<ScriptedConnection> script, std::uint16_t port)
    : script_(std::move(script)) {
    if (pipe(stop_pipe_) != 0) throw SystemError("pipe");
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) {
        close(stop_pipe_[0]);
        close(stop_pipe_[1]);
        throw SystemError("socket");
    }
    int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd_, 64) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        auto error = SystemError("cannot listen on 127.0.0.1:" + std::to_string(port));
        close(listen_fd_);
        close(stop_pipe_[0]);
        close(stop_pipe_[1]);
        throw error;
    }
    port_ = ntohs(address.sin_port);
    SetNonBlocking(listen_fd_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    Stop();
    close(stop_pipe_[0]);
    close(stop_pipe_[1]);
}

void ScriptedServer::SetDefaultExchange(ScriptedExchange exchange) {
    std::lock_guard lock(mutex_);
    default_exchange_ = std::move(exchange);
}

std::string ScriptedServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string ScriptedServer::Url(const std::string& path_and_query) const {
    return "http://" + HostPort() + path_and_query;
}

std::vector<std::string> ScriptedServer::RequestHeads() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> heads;
    for (const RecordedRequest& request : requests_) heads.push_back(request.head);
    return heads;
}

std::vector<RecordedRequest> ScriptedServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool ScriptedServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return request_arrived_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void ScriptedServer::Stop() {
    if (stopped_.exchange(true)) return;
    // The pipe is never read, so one byte keeps every poll on it readable from now on.
    char byte = 1;
    [[maybe_unused]] ssize_t written = write(stop_pipe_[1], &byte, 1);
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
    close(listen_fd_);
}

bool ScriptedServer::WaitFor(int fd, short events, int timeout_ms) const {
    pollfd fds[2] = {{fd, events, 0}, {stop_pipe_[0], POLLIN, 0}};
    for (;;) {
        int ready = poll(fds, 2, timeout_ms);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || fds[1].revents != 0) return false;
        return true;
    }
}

bool ScriptedServer::SleepUnlessStopped(std::chrono::milliseconds delay) const {
    if (delay.count() <= 0) return !stopped_.load();
    pollfd stop = {stop_pipe_[0], POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + delay;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        int ready = poll(&stop, 1, static_cast<int>(left.count()));
        if (ready > 0) return false;
        if (ready < 0 && errno != EINTR) return false;
    }
}

bool ScriptedServer::SendAll(int fd, const std::string& bytes) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLOUT, -1)) return false;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;  // the client went away
        }
    }
    return true;
}

bool ScriptedServer::ReadHead(int fd, std::string& pending, std::string& head) const {
    for (;;) {
        std::size_t end = HeadEnd(pending);
        if (end != std::string::npos) {
            head = pending.substr(0, end);
            pending.erase(0, end);
            return true;
        }
        if (!WaitFor(fd, POLLIN, -1)) return false;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            pending.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            continue;
        } else {
            return false;  // closed or reset before a complete head
        }
    }
}

void ScriptedServer::Record(int connection, std::string head) {
    std::lock_guard lock(mutex_);
    requests_.push_back({connection, std::move(head)});
    request_arrived_.notify_all();
}

void ScriptedServer::AcceptLoop() {
    while (WaitFor(listen_fd_, POLLIN, -1)) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;  // EAGAIN or a connection that vanished before accept
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int index = accepted_.fetch_add(1);
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd, index] { Serve(fd, index); });
    }
}

void ScriptedServer::Serve(int fd, int index) {
    ScriptedConnection exchanges;
    std::optional<ScriptedExchange> fallback;
    {
        std::lock_guard lock(mutex_);
        if (static_cast<std::size_t>(index) < script_.size()) exchanges = script_[index];
        fallback = default_exchange_;
    }
    std::string pending;
    bool reset = false;
    for (std::size_t step = 0;; ++step) {
        const ScriptedExchange* exchange = nullptr;
        if (step < exchanges.size()) {
            exchange = &exchanges[step];
        } else if (fallback) {
            exchange = &*fallback;
        } else {
            // Nothing scripted: the connection stays open until the client sends another head,
            // which is recorded and answered by closing the connection.
            std::string head;
            if (ReadHead(fd, pending, head)) Record(index, std::move(head));
            break;
        }
        if (exchange->read_head) {
            std::string head;
            if (!ReadHead(fd, pending, head)) break;
            Record(index, std::move(head));
        }
        if (exchange->never_answer) {
            // Hold the connection until the client leaves or the server stops; discard its bytes.
            char buffer[4096];
            while (WaitFor(fd, POLLIN, -1) && recv(fd, buffer, sizeof buffer, 0) > 0) {
            }
            break;
        }
        bool alive = true;
        for (const ScriptedPiece& piece : exchange->pieces) {
            if (!SleepUnlessStopped(piece.delay) || !SendAll(fd, piece.bytes)) {
                alive = false;
                break;
            }
        }
        if (!alive || exchange->after == ScriptedAfter::kClose) break;
        if (exchange->after == ScriptedAfter::kReset) {
            reset = true;
            break;
        }
    }
    if (reset) {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else {
        shutdown(fd, SHUT_WR);
    }
    close(fd);
}

}  // namespace lintaro::testing_util
