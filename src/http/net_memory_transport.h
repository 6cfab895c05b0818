// A NetTransport over memory: the peer's bytes come from a string, in pieces of a chosen size,
// and what the connection sends is collected. Tests and fuzzers feed the connection and the HTTP
// reader with it instead of a socket.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "http/net_transport.h"

namespace lintaro::http {

// The far end, shared by the test and the transports it hands out.
struct MemoryPeer {
    std::string incoming;           // bytes still to be received
    std::size_t piece_size = 1024;  // at most this many bytes per receive (at least 1)
    bool hold_open = false;         // when drained: stay silent (waits time out) instead of closing
    int receive_error = 0;          // when drained and not zero: receives fail with this code
    std::string sent;               // every byte sent, across transports
    int connections = 0;            // transports handed out
};

class MemoryTransport final : public NetTransport {
  public:
    explicit MemoryTransport(std::shared_ptr<MemoryPeer> peer) : peer_(std::move(peer)) {
        ++peer_->connections;
    }

    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }
    bool WaitReadable(int) override {
        return !peer_->incoming.empty() || !peer_->hold_open || peer_->receive_error != 0;
    }
    long Receive(char* buffer, std::size_t size, int& error) override {
        if (peer_->incoming.empty()) {
            if (peer_->receive_error != 0) {
                error = peer_->receive_error;
                return -1;
            }
            return 0;
        }
        const std::size_t count =
            std::min({size, std::max<std::size_t>(peer_->piece_size, 1), peer_->incoming.size()});
        std::copy_n(peer_->incoming.data(), count, buffer);
        peer_->incoming.erase(0, count);
        return static_cast<long>(count);
    }
    long Send(const char* data, std::size_t size, int&) override {
        peer_->sent.append(data, size);
        return static_cast<long>(size);
    }

  private:
    std::shared_ptr<MemoryPeer> peer_;
    bool open_ = true;
};

}  // namespace lintaro::http
