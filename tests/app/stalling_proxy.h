// A loopback proxy for refresh tests: it passes the first `answered` requests on to a server (the
// demo line) and its answers back, then holds every later request without a word until stopped,
// like a server that stalls in the middle of a line.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lintaro::app::testing {

class StallingProxy {
  public:
    StallingProxy(uint16_t target_port, int answered);
    ~StallingProxy();
    StallingProxy(const StallingProxy&) = delete;
    StallingProxy& operator=(const StallingProxy&) = delete;

    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    int Requests() const { return requests_.load(); }
    int Held() const { return held_.load(); }

  private:
    void AcceptLoop();
    void Serve(int fd);

    uint16_t target_port_;
    int answered_;
    uint16_t port_ = 0;
    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    std::atomic<int> requests_{0};
    std::atomic<int> held_{0};
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace lintaro::app::testing
