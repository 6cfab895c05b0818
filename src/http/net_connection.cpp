// The connection's buffering, waiting and close detection. A close by the peer is recorded when a
// receive returns nothing and noticed at the next test, which then closes the socket; bytes already
// buffered stay readable until the next connect.
#include "http/net_connection.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "http/net_errors.h"
#include "http/net_idle_hook.h"
#include "http/net_intercept.h"
#include "http/net_socket.h"

namespace lintaro::http {

namespace {

constexpr int kConnectStepMs = 125;

// A wait limit that means "do not wait at all", as opposed to -1 (ReadTimeout) and 0 (no limit).
constexpr int kNoWait = INT_MIN;
// Blocks filled by one receive at most: into the input buffer (head lines and chunk sizes, where
// little is needed at a time), and straight into a body. A body receive starts at the smaller
// count and doubles it while every receive fills all it asked for, so a steady stream takes few
// system calls while a trickle does not clear a large area for every few bytes.
constexpr std::size_t kInputReceiveBlocks = 16;
constexpr std::size_t kBodyReceiveBlocks = 1024;
// Bytes one receive asks for at most (unless a single block is larger), whatever the block size.
constexpr std::size_t kInputReceiveBytes = 16 * 1024;
constexpr std::size_t kBodyReceiveBytes = 1024 * 1024;
// The smallest step by which a receive destination grows. Beyond it a destination grows by at
// most what it already holds (or one receive), so a length announced but never sent costs no
// more than that.
constexpr std::size_t kMinGrowth = 64 * 1024;

// Socket codes after which the socket is of no further use.
bool IsBrokenPipe(int code) { return code == kSocketShutDown || code == kSocketConnectionAborted; }

// Gives `text` room for exactly `capacity` bytes. The library's reserve() may round a request up
// to twice the old room, which would let a body bounded by a limit take twice that limit for its
// buffer alone; a fresh string takes the size asked for.
void ReserveExactly(std::string& text, std::size_t capacity) {
    if (capacity <= text.capacity()) return;
    std::string larger;
    larger.reserve(capacity);
    larger.assign(text);
    text.swap(larger);
}

}  // namespace

TNetTCPConnection::TNetTCPConnection() = default;

TNetTCPConnection::~TNetTCPConnection() {
    try {
        Disconnect();
    } catch (...) {
        // An intercept's handler failing at teardown has nobody left to tell.
    }
}

void TNetTCPConnection::SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline,
                                    int limit_ms) {
    SetDeadline(deadline, "Fetch time limit of " + std::to_string(limit_ms) + " ms exceeded.");
}

void TNetTCPConnection::SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline,
                                    std::string message) {
    deadline_ = deadline;
    deadline_message_ = std::move(message);
}

void TNetTCPConnection::CheckDeadline() const {
    if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
        throw ENetFetchTimeout(deadline_message_);
    }
}

void TNetTCPConnection::Connect(int timeout_ms) {
    if (transport_ && transport_->IsOpen()) throw ENetAlreadyConnected("Already connected.");
    transport_.reset();
    input_.clear();
    input_start_ = 0;
    closed_by_peer_ = false;
    last_receive_filled_ = false;
    int limit = -1;
    if (timeout_ms != 0 && timeout_ms != -1) {
        limit = timeout_ms;
    } else if (idle_hook_ != nullptr && idle_hook_->InUse()) {
        limit = ConnectLimit;
    }
    transport_ = factory_ ? factory_(Host, Port) : ConnectSocket(limit);
    if (intercept_ != nullptr) {
        try {
            intercept_->Connect(this);
        } catch (...) {
            transport_.reset();
            throw;
        }
    }
}

std::unique_ptr<NetTransport> TNetTCPConnection::ConnectSocket(int limit_ms) {
    CheckDeadline();
    const in_addr address = ResolveHost(Host);
    auto socket = std::make_unique<NetSocket>();
    int result = socket->BeginConnect(address, Port);
    // Wait in short steps so the window is served and a cancel or the deadline is noticed.
    const int step = idle_hook_ != nullptr && idle_hook_->InUse()
                         ? std::max(1, std::min(kConnectStepMs, idle_hook_->IdleTimeOut))
                         : kConnectStepMs;
    int remaining = limit_ms;
    while (result == -1) {
        if (idle_hook_ != nullptr) idle_hook_->ThrowIfCancelled();
        int wait = limit_ms < 0 ? step : std::min(step, remaining);
        if (deadline_) wait = std::min(wait, MillisecondsToDeadline());
        if (socket->WaitConnectEnded(wait)) {
            result = socket->FinishConnect();
            break;
        }
        if (limit_ms >= 0) {
            remaining -= wait;
            if (remaining <= 0) throw ENetConnectTimeout("Connect timed out.");
        }
        if (idle_hook_ != nullptr) idle_hook_->DoProcess(true);
    }
    if (result != 0) throw ENetConnectException(result);
    return socket;
}

bool TNetTCPConnection::Connected() { return CheckOpen(false, false); }

void TNetTCPConnection::CloseSocket() {
    closed_by_peer_ = true;
    if (transport_ && transport_->IsOpen()) {
        transport_->Close();
        if (intercept_ != nullptr) intercept_->Disconnect();
    }
}

void TNetTCPConnection::Disconnect() {
    if (transport_) {
        CloseSocket();
        transport_.reset();
    }
    if (OnDisconnected) OnDisconnected();
}

bool TNetTCPConnection::CheckOpen(bool fail_if_closed, bool ignore_buffered) {
    if (!transport_) return false;
    bool open;
    if (closed_by_peer_) {
        CloseSocket();
        open = false;
    } else {
        open = transport_->IsOpen();
    }
    if (!open && fail_if_closed && (Buffered() == 0 || ignore_buffered)) {
        throw ENetConnClosedGracefully("Connection Closed Gracefully.");
    }
    return open;
}

void TNetTCPConnection::CheckForDisconnect() {
    // A zero-time check: an idle server sends nothing, so any wait here would always run to its
    // end. A close that arrives later fails the next request's status line instead.
    if (Connected()) {
        ReadFromSource({.fail_if_closed = false, .timeout_ms = kNoWait, .fail_on_timeout = false});
    }
}

void TNetTCPConnection::Consume(std::size_t count) {
    input_start_ += count;
    if (input_start_ >= input_.size()) {
        input_.clear();
        input_start_ = 0;
    }
}

int TNetTCPConnection::MillisecondsToDeadline() const {
    CheckDeadline();
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 1, INT_MAX));
}

bool TNetTCPConnection::WaitOnce(int wait_ms) {
    if (idle_hook_ != nullptr) idle_hook_->ThrowIfCancelled();
    wait_hit_deadline_ = false;
    if (deadline_) {
        const int left = MillisecondsToDeadline();
        if (wait_ms < 0 || wait_ms >= left) {
            wait_ms = left;
            wait_hit_deadline_ = true;
        }
    }
    return transport_->WaitReadable(wait_ms);
}

bool TNetTCPConnection::WaitReadable(int limit_ms) {
    if (!transport_ || !transport_->IsOpen()) {
        throw ENetConnClosedGracefully("Connection Closed Gracefully.");
    }
    const bool readable =
        idle_hook_ != nullptr
            ? idle_hook_->SlicedWait([this](int ms) { return WaitOnce(ms); }, limit_ms)
            : WaitOnce(limit_ms);
    // A wait cut short by the overall limit is the limit's failure, not a read time-out.
    if (!readable && wait_hit_deadline_) {
        throw ENetFetchTimeout(deadline_message_);
    }
    return readable;
}

long TNetTCPConnection::ReadFromSource(ReceiveOptions options) {
    // Drop what has been read, so the buffer only ever holds unread bytes plus one receive.
    if (input_start_ > 0) {
        input_.erase(0, input_start_);
        input_start_ = 0;
    }
    const std::size_t block_size = static_cast<std::size_t>(std::max(1, RecvBufferSize));
    options.broken_pipe_is_close = Buffered() > 0;
    return ReceiveInto(input_, kInputReceiveBlocks * block_size, options);
}

int TNetTCPConnection::WaitMs(int timeout_ms) const {
    if (timeout_ms == -1) timeout_ms = ReadTimeout;
    if (timeout_ms == 0) return -1;
    if (timeout_ms == kNoWait) return 0;
    return timeout_ms;
}

std::size_t TNetTCPConnection::ReceiveLimit(bool into_input, std::size_t block_size,
                                            std::uint64_t max_bytes) const {
    const std::size_t blocks = into_input ? kInputReceiveBlocks : body_receive_blocks_;
    const std::size_t byte_cap =
        std::max(block_size, into_input ? kInputReceiveBytes : kBodyReceiveBytes);
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(max_bytes, std::min(blocks * block_size, byte_cap)));
}

long TNetTCPConnection::ReceiveInto(std::string& dest, std::uint64_t max_bytes,
                                    ReceiveOptions options) {
    if (!CheckOpen(options.fail_if_closed, false)) {
        if (options.fail_if_closed) throw ENetNotConnected("Not Connected");
        return 0;
    }
    const int timeout_ms = WaitMs(options.timeout_ms);
    const std::size_t block_size = static_cast<std::size_t>(std::max(1, RecvBufferSize));
    const bool into_input = &dest == &input_;
    const std::size_t limit = ReceiveLimit(into_input, block_size, max_bytes);
    // Skipping the readiness wait changes nothing anyone sees only while a wait that finds data
    // would not run the hook's process step either.
    const bool may_skip_wait =
        idle_hook_ == nullptr || !idle_hook_->InUse() || idle_hook_->OnlyWhenIdle;
    const std::size_t old_size = dest.size();
    long count = 0;
    bool awaiting = false;
    try {
        do {
            const std::size_t room = dest.capacity() - old_size;
            if (room < std::min(limit, block_size)) {
                // Grow geometrically, by at most what has arrived and never past what is expected.
                const std::uint64_t growth =
                    std::min<std::uint64_t>(max_bytes, std::max<std::size_t>(old_size, kMinGrowth));
                ReserveExactly(dest, old_size + std::max<std::size_t>(limit, growth));
            }
            const std::size_t want = std::min(limit, dest.capacity() - old_size);
            dest.resize(old_size + want);
            awaiting = true;
            char* const buffer = dest.data() + old_size;
            int error = 0;
            long received = NetTransport::kWouldBlock;
            if (last_receive_filled_ && may_skip_wait) {
                CheckDeadline();
                if (idle_hook_ != nullptr) idle_hook_->ThrowIfCancelled();
                received = transport_->ReceiveBlocks(buffer, want, block_size, true, error);
            }
            if (received == NetTransport::kWouldBlock) {
                if (!WaitReadable(timeout_ms)) {
                    dest.resize(old_size);
                    awaiting = false;
                    if (options.fail_on_timeout) throw ENetReadTimeout("Read Timeout");
                    return -1;
                }
                received = transport_->ReceiveBlocks(buffer, want, block_size, false, error);
            }
            awaiting = false;
            last_receive_filled_ = received == static_cast<long>(want);
            if (!into_input) {
                body_receive_blocks_ = last_receive_filled_
                                           ? std::min(body_receive_blocks_ * 2, kBodyReceiveBlocks)
                                           : kInputReceiveBlocks;
            }
            if (received == 0) {
                dest.resize(old_size);
                closed_by_peer_ = true;
                count = 0;
            } else if (received < 0) {
                dest.resize(old_size);
                if (!IsBrokenPipe(error)) throw ENetSocketError(error);
                CloseSocket();
                if (!options.broken_pipe_is_close) throw ENetSocketError(error);
                count = 0;
            } else {
                dest.resize(old_size + static_cast<std::size_t>(received));
                if (intercept_ != nullptr) NotifyReceived(dest, old_size, block_size);
                count = static_cast<long>(dest.size() - old_size);
            }
        } while (CheckOpen(options.fail_if_closed, false) && count == 0);
    } catch (...) {
        // The room made for a receive that never came goes again. (A failing intercept has
        // already cut `dest` to the blocks it passed on.)
        if (awaiting) dest.resize(old_size);
        throw;
    }
    return count;
}

void TNetTCPConnection::NotifyReceived(std::string& dest, std::size_t from,
                                       std::size_t block_size) {
    // Each block goes to the intercept as a text of its own, in order. The bytes stay where they
    // were received unless a handler changes a block; from then on the rest is rebuilt.
    std::string rebuilt;
    bool changed = false;
    std::size_t position = from;
    try {
        for (; position < dest.size(); position += block_size) {
            const std::size_t size = std::min(block_size, dest.size() - position);
            std::string block(dest, position, size);
            intercept_->Receive(block);
            if (!changed &&
                (block.size() != size || std::memcmp(block.data(), dest.data() + position, size))) {
                changed = true;
                rebuilt.assign(dest, from, position - from);
            }
            if (changed) rebuilt += block;
        }
    } catch (...) {
        // A handler that fails keeps the blocks passed on before it, as when each had its own
        // receive.
        if (changed) {
            dest.resize(from);
            dest += rebuilt;
        } else {
            dest.resize(position);
        }
        throw;
    }
    if (changed) {
        dest.resize(from);
        dest += rebuilt;
    }
}

std::string TNetTCPConnection::ReadLine() {
    read_ln_timed_out_ = false;
    const std::size_t max_length = static_cast<std::size_t>(std::max(0, MaxLineLength));
    std::size_t searched = 0;
    for (;;) {
        const std::size_t lf = input_.find('\n', input_start_ + searched);
        if (lf != std::string::npos) {
            const std::size_t length = lf - input_start_;
            if (length > max_length) {
                throw ENetReadLnMaxLineLengthExceeded("Max line length exceeded.");
            }
            std::string line = input_.substr(input_start_, length);
            Consume(length + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (Buffered() > max_length) {
            throw ENetReadLnMaxLineLengthExceeded("Max line length exceeded.");
        }
        searched = Buffered();
        CheckOpen(true, true);
        if (ReadFromSource(ReceiveOptions{}) == 0) {
            read_ln_timed_out_ = true;
            return "";
        }
    }
}

void TNetTCPConnection::ReadBytes(std::string& out, std::int64_t count) {
    if (count <= 0) return;
    std::uint64_t left = static_cast<std::uint64_t>(count);
    const std::size_t buffered =
        static_cast<std::size_t>(std::min<std::uint64_t>(left, Buffered()));
    out.append(input_, input_start_, buffered);
    Consume(buffered);
    left -= buffered;
    // Bytes are taken in units of RecvBufferSize counted from here; a pipe that breaks inside a
    // unit counts as the peer's close, one that breaks between units fails.
    const std::uint64_t unit_size = static_cast<std::uint64_t>(std::max(1, RecvBufferSize));
    std::uint64_t taken = buffered;
    while (left > 0) {
        if (!CheckOpen(false, false)) {
            throw ENetConnClosedGracefully("Connection Closed Gracefully.");
        }
        const long received =
            ReceiveInto(out, left, {.broken_pipe_is_close = taken % unit_size != 0});
        if (received <= 0) continue;
        std::uint64_t got = static_cast<std::uint64_t>(received);
        if (got > left) {
            // An intercept that lengthened a block: what goes beyond the count stays buffered.
            const std::size_t surplus = static_cast<std::size_t>(got - left);
            input_.insert(input_start_, out, out.size() - surplus, surplus);
            out.resize(out.size() - surplus);
            got = left;
        }
        left -= got;
        taken += got;
    }
}

bool TNetTCPConnection::ReadUntilClose(std::string& out, std::uint64_t max_size) {
    const std::size_t buffered = Buffered();
    out.append(input_, input_start_, buffered);
    Consume(buffered);
    // Each receive asks for no more than one byte past `max_size`, so `out` never grows beyond it
    // by more than that byte.
    while (out.size() <= max_size) {
        const std::uint64_t left = max_size - out.size();
        const std::uint64_t room = left == UINT64_MAX ? left : left + 1;
        if (ReceiveInto(out, room, {.fail_if_closed = false}) == 0) return true;
    }
    return false;
}

void TNetTCPConnection::WriteText(std::string_view text) { WriteBytes(text, false); }

void TNetTCPConnection::OpenWriteBuffer(int threshold) {
    write_buffer_.emplace();
    write_threshold_ = threshold;
}

void TNetTCPConnection::FlushWriteBuffer() {
    if (!write_buffer_ || write_buffer_->empty()) return;
    std::string bytes = std::move(*write_buffer_);
    write_buffer_->clear();
    WriteBytes(bytes, true);
}

void TNetTCPConnection::CloseWriteBuffer() {
    try {
        FlushWriteBuffer();
    } catch (...) {
        write_buffer_.reset();
        throw;
    }
    write_buffer_.reset();
}

void TNetTCPConnection::WriteBytes(std::string_view data, bool write_now) {
    if (data.empty()) return;
    if (!CheckOpen(true, true)) throw ENetNotConnected("Not Connected");
    if (write_buffer_ && !write_now) {
        write_buffer_->append(data);
        if (write_threshold_ > 0 &&
            write_buffer_->size() >= static_cast<std::size_t>(write_threshold_)) {
            std::string bytes = write_buffer_->substr(0, write_threshold_);
            write_buffer_->erase(0, write_threshold_);
            WriteBytes(bytes, true);
        }
        return;
    }
    std::string block(data);
    if (intercept_ != nullptr) intercept_->Send(block);
    std::size_t sent = 0;
    while (sent < block.size()) {
        int error = 0;
        const long count = transport_->Send(block.data() + sent, block.size() - sent, error);
        if (count < 0) {
            if (IsBrokenPipe(error) || error == kSocketConnectionReset) CloseSocket();
            throw ENetSocketError(error);
        }
        if (idle_hook_ != nullptr) idle_hook_->DoProcess(false);
        if (count == 0) {
            closed_by_peer_ = true;
            if (!CheckOpen(true, false)) throw ENetNotConnected("Not Connected");
        }
        sent += static_cast<std::size_t>(count);
    }
}

}  // namespace lintaro::http
