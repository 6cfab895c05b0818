// One client TCP connection with its input and write buffers: name lookup and a timed connect in
// short steps, line and byte-count reading, writing a whole request head as one block, and
// noticing the peer's close. Every block passes the traffic intercept; every wait lets the
// responsiveness hook run and can be cancelled through it.
//
// The bytes can come from a real socket or, for tests and fuzzers, from any NetTransport that a
// factory hands out in place of connecting.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/net_transport.h"

namespace lintaro::http {

class TNetConnectionIntercept;
class TNetIdleHook;

class TNetTCPConnection {
  public:
    // Makes the pipe to host:port in place of a socket connect; it may throw the connect failures.
    using TransportFactory =
        std::function<std::unique_ptr<NetTransport>(const std::string& host, int port)>;

    TNetTCPConnection();
    // Disconnects, notifying the intercept.
    ~TNetTCPConnection();
    TNetTCPConnection(const TNetTCPConnection&) = delete;
    TNetTCPConnection& operator=(const TNetTCPConnection&) = delete;

    std::string Host;
    int Port = 0;
    int RecvBufferSize = 1024;  // largest receive, and the unit byte counts are read in
    int MaxLineLength = 16384;  // longest line ReadLine accepts, without its LF
    int ReadTimeout = 0;        // longest wait for incoming data in ms; 0: without limit
    int ConnectLimit = 120000;  // connect limit while the responsiveness hook is in use, in ms

    void SetIntercept(TNetConnectionIntercept* intercept) { intercept_ = intercept; }
    TNetConnectionIntercept* Intercept() const { return intercept_; }
    void SetIdleHook(TNetIdleHook* hook) { idle_hook_ = hook; }
    void SetTransportFactory(TransportFactory factory) { factory_ = std::move(factory); }
    // Runs after every Disconnect().
    std::function<void()> OnDisconnected;

    // An overall limit: every wait from now on ends by `deadline`, and passing it throws
    // ENetFetchTimeout naming `limit_ms`. std::nullopt removes it.
    void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline, int limit_ms);
    // The same with the failure's whole message.
    void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline,
                     std::string message);

    // Resolves Host and connects to Host:Port. `timeout_ms` other than 0 and -1 limits the connect;
    // otherwise ConnectLimit applies while the responsiveness hook is in use, and no limit when
    // not. Throws ENetAlreadyConnected, ENetSocketError (lookup), ENetConnectException,
    // ENetConnectTimeout.
    void Connect(int timeout_ms);
    // True while a socket is open and its close by the peer has not been noticed.
    bool Connected();
    // Closes the socket (the intercept is told) and forgets it. The input buffer stays readable.
    void Disconnect();
    // Notices a close that has already arrived, without waiting: whatever is pending is received
    // and stays buffered.
    void CheckForDisconnect();

    // The next line without its LF and one CR before it. Throws ENetReadLnMaxLineLengthExceeded
    // when more than MaxLineLength bytes precede the LF, ENetConnClosedGracefully when the peer
    // closed before a line began, ENetReadTimeout. When the peer closes in the middle of a line it
    // returns "" with ReadLnTimedOut() set; the partial line stays in the buffer.
    std::string ReadLine();
    bool ReadLnTimedOut() const { return read_ln_timed_out_; }
    // Appends exactly `count` bytes to `out`, receiving straight into it and growing it only as
    // bytes arrive. When the peer closes first, the bytes that came are appended and
    // ENetConnClosedGracefully is thrown.
    void ReadBytes(std::string& out, std::int64_t count);
    // Appends every byte until the peer closes, or until `out` holds more than `max_size` bytes;
    // returns false in the second case, without waiting for the close.
    bool ReadUntilClose(std::string& out, std::uint64_t max_size = UINT64_MAX);

    // Writes `text`: into the write buffer while one is open, else straight to the socket as one
    // block. Throws ENetNotConnected, ENetSocketError.
    void WriteText(std::string_view text);
    // Opens the write buffer; with `threshold` > 0 it flushes itself whenever it holds that many
    // bytes, with -1 only when flushed.
    void OpenWriteBuffer(int threshold = -1);
    void FlushWriteBuffer();
    // Flushes and drops the write buffer; the buffer is dropped even when the flush fails.
    void CloseWriteBuffer();
    // Drops the write buffer and what it holds, unsent.
    void CancelWriteBuffer() { write_buffer_.reset(); }

    // Bytes received and not yet consumed.
    std::string_view InputBuffer() const { return std::string_view(input_).substr(input_start_); }

  private:
    // Closes the socket without forgetting it (the peer closed or the pipe broke).
    void CloseSocket();
    // Whether the connection is open; notices a recorded close. With `fail_if_closed`, a closed
    // connection throws ENetConnClosedGracefully when nothing is buffered or `ignore_buffered`.
    bool CheckOpen(bool fail_if_closed, bool ignore_buffered);
    // How one receive treats a closed connection, a wait and a broken pipe.
    struct ReceiveOptions {
        // A closed connection throws (ENetConnClosedGracefully or ENetNotConnected) instead of
        // the receive returning 0.
        bool fail_if_closed = true;
        // The longest wait in ms: -1 means ReadTimeout, 0 without limit, kNoWait no wait.
        int timeout_ms = -1;
        // A wait that runs out throws ENetReadTimeout instead of the receive returning -1.
        bool fail_on_timeout = true;
        // A broken pipe counts as the peer's close (bytes are waiting to be read) instead of
        // failing. ReadFromSource decides this itself from what is buffered.
        bool broken_pipe_is_close = false;
    };
    // Receives into the input buffer: the count, 0 when the connection is (now) closed, -1 on
    // time-out without `fail_on_timeout`.
    long ReadFromSource(ReceiveOptions options);
    // The receive beneath ReadFromSource, appending to `dest` (the input buffer, or a body read
    // straight into its destination) at most `max_bytes`: every receive fills as many blocks of
    // RecvBufferSize as are waiting, and the intercept is told of each block in turn.
    long ReceiveInto(std::string& dest, std::uint64_t max_bytes, ReceiveOptions options);
    // A receive's wait in milliseconds as WaitReadable takes it: -1 (the default) is ReadTimeout,
    // then 0 is no limit (-1) and kNoWait no wait (0).
    int WaitMs(int timeout_ms) const;
    // The most one receive into the input buffer or a body takes: its blocks at once, within its
    // byte cap and `max_bytes`.
    std::size_t ReceiveLimit(bool into_input, std::size_t block_size,
                             std::uint64_t max_bytes) const;
    // Tells the intercept of the blocks received into `dest` from `from` on, applying its changes.
    void NotifyReceived(std::string& dest, std::size_t from, std::size_t block_size);
    std::size_t Buffered() const { return input_.size() - input_start_; }
    // Marks `count` buffered bytes as read.
    void Consume(std::size_t count);
    // Waits until the socket is readable within `limit_ms` (< 0: without limit), sliced by the
    // hook.
    bool WaitReadable(int limit_ms);
    bool WaitOnce(int wait_ms);
    void CheckDeadline() const;
    // Time left before the deadline, at least 1 ms; throws ENetFetchTimeout once it has passed.
    int MillisecondsToDeadline() const;
    void WriteBytes(std::string_view data, bool write_now);
    std::unique_ptr<NetTransport> ConnectSocket(int limit_ms);

    TNetConnectionIntercept* intercept_ = nullptr;
    TNetIdleHook* idle_hook_ = nullptr;
    TransportFactory factory_;
    std::unique_ptr<NetTransport> transport_;
    bool closed_by_peer_ = false;
    std::string input_;
    std::size_t input_start_ = 0;  // input_ before this offset has been read already
    // The last receive filled all it asked for, so more bytes are probably waiting: the next one
    // tries without a readiness wait first.
    bool last_receive_filled_ = false;
    std::size_t body_receive_blocks_ = 16;  // blocks the next receive into a body asks for
    std::optional<std::string> write_buffer_;
    int write_threshold_ = -1;
    bool read_ln_timed_out_ = false;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::string deadline_message_;
    bool wait_hit_deadline_ = false;  // the last single wait was shortened to the deadline
};

}  // namespace lintaro::http
