// Helpers shared by the demo line's tests and lintaro-cli's demo tests: the date and options the
// tests publish the line with, and a raw HTTP client, so the server is tested apart from Lintaro's
// own client.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "demo/demo_line.h"

namespace lintaro::testing_util {

inline constexpr std::chrono::year_month_day kDemoToday{
    std::chrono::year{2026}, std::chrono::month{12}, std::chrono::day{20}};

// Options of a demo line published on kDemoToday.
inline demo::DemoOptions DemoTestOptions(int events = 200, uint32_t seed = 1) {
    demo::DemoOptions options;
    options.events = events;
    options.seed = seed;
    options.today = kDemoToday;
    return options;
}

class RawHttpClient {
  public:
    explicit RawHttpClient(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot connect to port " + std::to_string(port));
        }
    }
    ~RawHttpClient() { ::close(fd_); }

    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) throw std::runtime_error("send failed");
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
    }

    struct Reply {
        int status = 0;
        std::string head;  // status line and header lines
        std::string body;
        std::string Header(const std::string& name) const {
            const size_t at = head.find("\r\n" + name + ": ");
            if (at == std::string::npos) return "";
            const size_t start = at + name.size() + 4;
            return head.substr(start, head.find("\r\n", start) - start);
        }
    };

    // Reads one response framed by its Content-Length; throws after 10 s of silence.
    Reply Read() {
        size_t head_end;
        while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) Fill();
        Reply reply;
        reply.head = buffer_.substr(0, head_end);
        buffer_.erase(0, head_end + 4);
        reply.status = std::stoi(reply.head.substr(reply.head.find(' ') + 1, 3));
        const size_t length = std::stoul(reply.Header("Content-Length"));
        while (buffer_.size() < length) Fill();
        reply.body = buffer_.substr(0, length);
        buffer_.erase(0, length);
        return reply;
    }

    Reply Get(const std::string& target, bool keep_alive) {
        Send("GET " + target + " HTTP/1.0\r\n" + (keep_alive ? "Connection: keep-alive\r\n" : "") +
             "Host: 127.0.0.1\r\n\r\n");
        return Read();
    }

    // True when the server closes the connection within `timeout`.
    bool ClosedWithin(std::chrono::milliseconds timeout) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return false;
        char byte;
        return ::recv(fd_, &byte, 1, 0) <= 0;
    }

  private:
    void Fill() {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 10'000) <= 0) throw std::runtime_error("no answer within 10 s");
        char chunk[65536];
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) throw std::runtime_error("connection closed before the answer ended");
        buffer_.append(chunk, static_cast<size_t>(got));
    }

    int fd_;
    std::string buffer_;
};

}  // namespace lintaro::testing_util
