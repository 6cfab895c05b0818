// The stalling proxy: one thread per connection, blocking sockets, a pipe to stop them all.
#include "stalling_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace lintaro::app::testing {

namespace {

// Waits for `fd` to become readable or the stop pipe to fire; false when stopping.
bool WaitReadable(int fd, int stop_fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) return false;
        if (fds[1].revents != 0) return false;
        if (fds[0].revents != 0) return true;
    }
}

void SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += size_t(n);
    }
}

}  // namespace

StallingProxy::StallingProxy(uint16_t target_port, int answered)
    : target_port_(target_port), answered_(answered) {
    if (::pipe(stop_pipe_) != 0) throw std::runtime_error("pipe failed");
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listen_fd_, 16) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

StallingProxy::~StallingProxy() {
    (void)!::write(stop_pipe_[1], "x", 1);
    acceptor_.join();
    for (std::thread& worker : workers_) worker.join();
    ::close(listen_fd_);
    ::close(stop_pipe_[0]);
    ::close(stop_pipe_[1]);
}

void StallingProxy::AcceptLoop() {
    while (WaitReadable(listen_fd_, stop_pipe_[0])) {
        const int fd = ::accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> lock(mutex_);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void StallingProxy::Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!WaitReadable(fd, stop_pipe_[0])) {
            ::close(fd);
            return;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            ::close(fd);
            return;
        }
        head.append(buffer, size_t(n));
    }
    if (++requests_ > answered_) {
        ++held_;
        WaitReadable(stop_pipe_[0], stop_pipe_[0]);  // until stopped
        ::close(fd);
        return;
    }
    const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(target_port_);
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        // One request per connection: ask the server to close when it has answered.
        std::string request = head.substr(0, head.find("\r\n\r\n"));
        SendAll(upstream, request + "\r\nConnection: close\r\n\r\n");
        std::string answer;
        ssize_t n;
        while ((n = ::recv(upstream, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, size_t(n));
        SendAll(fd, answer);
    }
    ::close(upstream);
    ::close(fd);
}

}  // namespace lintaro::app::testing
