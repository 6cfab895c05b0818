// The byte pipe beneath a connection: a TCP socket in the program, a block of memory in tests and
// fuzzers. The connection does all buffering, line reading and error reporting above it.
#pragma once

#include <algorithm>
#include <cstddef>

namespace lintaro::http {

class NetTransport {
  public:
    virtual ~NetTransport() = default;

    virtual bool IsOpen() const = 0;
    // Closes the pipe; further calls fail. Idempotent.
    virtual void Close() = 0;
    // Waits at most `timeout_ms` (< 0: without limit) until a receive would not block: data, the
    // peer's close or an error is pending. Returns false on time-out.
    virtual bool WaitReadable(int timeout_ms) = 0;
    // Receives up to `size` bytes: the count, 0 when the peer has closed, or -1 with `error` set to
    // a socket error code (see SocketErrorCode()).
    virtual long Receive(char* buffer, std::size_t size, int& error) = 0;
    // Receives into the `size` bytes at `buffer`, seen as consecutive blocks of `block_size` bytes
    // (the last one may be shorter), filling as many blocks as the bytes waiting allow with one
    // call. Returns as Receive(), or kWouldBlock when `dont_wait` is set and nothing is pending.
    // The default fills one block with one Receive().
    static constexpr long kWouldBlock = -2;
    virtual long ReceiveBlocks(char* buffer, std::size_t size, std::size_t block_size,
                               bool dont_wait, int& error) {
        if (dont_wait && !WaitReadable(0)) return kWouldBlock;
        return Receive(buffer, std::min(size, block_size), error);
    }
    // Sends up to `size` bytes: the count taken, or -1 with `error` set. Never raises SIGPIPE.
    virtual long Send(const char* data, std::size_t size, int& error) = 0;
};

}  // namespace lintaro::http
