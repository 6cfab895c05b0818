// The connection's buffering, waiting and close detection. A close by the peer is recorded when a
// receive returns nothing and noticed at the next test, which then closes the socket; bytes already
// buffered stay readable until the next connect.
#include "net_connection.h"

#include <algorithm>
#include <climits>

#include "net_errors.h"
#include "net_idle_hook.h"
#include "net_intercept.h"
#include "net_socket.h"

namespace lintaro {

namespace {

constexpr int kConnectStepMs = 125;

// Socket codes after which the socket is of no further use.
bool IsBrokenPipe(int code) { return code == 10058 || code == 10053; }

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
    deadline_ = deadline;
    deadline_limit_ms_ = limit_ms;
}

void TNetTCPConnection::CheckDeadline() const {
    if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
        throw ENetFetchTimeout("Fetch time limit of " + std::to_string(deadline_limit_ms_) +
                               " ms exceeded.");
    }
}

void TNetTCPConnection::Connect(int timeout_ms) {
    if (transport_ && transport_->IsOpen()) throw ENetAlreadyConnected("Already connected.");
    transport_.reset();
    input_.clear();
    closed_by_peer_ = false;
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
    if (!open && fail_if_closed && (input_.empty() || ignore_buffered)) {
        throw ENetConnClosedGracefully("Connection Closed Gracefully.");
    }
    return open;
}

void TNetTCPConnection::CheckForDisconnect() {
    if (Connected()) ReadFromSource(false, 1, false);
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
        throw ENetFetchTimeout("Fetch time limit of " + std::to_string(deadline_limit_ms_) +
                               " ms exceeded.");
    }
    return readable;
}

long TNetTCPConnection::ReadFromSource(bool fail_if_closed, int timeout_ms, bool fail_on_timeout) {
    if (!CheckOpen(fail_if_closed, false)) {
        if (fail_if_closed) throw ENetNotConnected("Not Connected");
        return 0;
    }
    if (timeout_ms == -1) timeout_ms = ReadTimeout;
    if (timeout_ms == 0) timeout_ms = -1;
    const std::size_t block_size = static_cast<std::size_t>(std::max(1, RecvBufferSize));
    long count = 0;
    do {
        if (!WaitReadable(timeout_ms)) {
            if (fail_on_timeout) throw ENetReadTimeout("Read Timeout");
            return -1;
        }
        std::string block(block_size, '\0');
        int error = 0;
        count = transport_->Receive(block.data(), block.size(), error);
        if (count == 0) {
            closed_by_peer_ = true;
        } else if (count < 0) {
            if (!IsBrokenPipe(error)) throw ENetSocketError(error);
            CloseSocket();
            if (input_.empty()) throw ENetSocketError(error);
            count = 0;
        } else {
            block.resize(static_cast<std::size_t>(count));
            if (intercept_ != nullptr) intercept_->Receive(block);
            count = static_cast<long>(block.size());
            input_ += block;
        }
    } while (CheckOpen(fail_if_closed, false) && count == 0);
    return count;
}

std::string TNetTCPConnection::ReadLine() {
    read_ln_timed_out_ = false;
    const std::size_t max_length = static_cast<std::size_t>(std::max(0, MaxLineLength));
    std::size_t searched = 0;
    for (;;) {
        const std::size_t lf = input_.find('\n', searched);
        if (lf != std::string::npos) {
            if (lf > max_length) throw ENetReadLnMaxLineLengthExceeded("Max line length exceeded.");
            std::string line = input_.substr(0, lf);
            input_.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (input_.size() > max_length) {
            throw ENetReadLnMaxLineLengthExceeded("Max line length exceeded.");
        }
        searched = input_.size();
        CheckOpen(true, true);
        if (ReadFromSource(true, -1, true) == 0) {
            read_ln_timed_out_ = true;
            return "";
        }
    }
}

void TNetTCPConnection::ReadBytes(std::string& out, std::int64_t count) {
    if (count <= 0) return;
    const std::size_t unit_size = static_cast<std::size_t>(std::max(1, RecvBufferSize));
    std::uint64_t left = static_cast<std::uint64_t>(count);
    while (left > 0) {
        const std::size_t unit = static_cast<std::size_t>(std::min<std::uint64_t>(left, unit_size));
        while (input_.size() < unit) {
            if (!CheckOpen(false, false)) {
                out += input_;
                input_.clear();
                throw ENetConnClosedGracefully("Connection Closed Gracefully.");
            }
            ReadFromSource(true, -1, true);
        }
        out.append(input_, 0, unit);
        input_.erase(0, unit);
        left -= unit;
    }
}

void TNetTCPConnection::ReadUntilClose(std::string& out) {
    for (;;) {
        out += input_;
        input_.clear();
        if (ReadFromSource(false, -1, true) == 0) {
            out += input_;
            input_.clear();
            return;
        }
    }
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
            if (IsBrokenPipe(error) || error == 10054) CloseSocket();
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

}  // namespace lintaro
