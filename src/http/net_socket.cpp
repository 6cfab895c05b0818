// POSIX socket calls behind NetSocket. Errors become the socket error codes of net_errors.h.
#include "http/net_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "http/net_errors.h"
#include "http/net_text.h"

namespace lintaro::http {

namespace {

// Polls one descriptor. A signal (EINTR) restarts the wait with the whole `timeout_ms` again, not
// with the time left, so signals that keep arriving can stretch it; under the idle hook each wait
// is one slice of at most IdleTimeOut (250 ms), which keeps the stretch small.
int PollOne(int fd, short events, int timeout_ms) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = poll(&entry, 1, timeout_ms);
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace

in_addr ResolveHost(const std::string& host) {
    in_addr address{};
    std::uint32_t value = 0;
    if (EqualsNoCase(host, "localhost")) {
        address.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    if (ParseDottedQuad(host, value)) {
        address.s_addr = htonl(value);
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0 || found == nullptr) {
        const int code = result != 0 ? LookupErrorCode(result, errno) : kSocketHostNotFound;
        if (found != nullptr) freeaddrinfo(found);
        throw ENetSocketError(code);
    }
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

NetSocket::NetSocket() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw ENetSocketError(SocketErrorCode(errno));
}

NetSocket::~NetSocket() { Close(); }

void NetSocket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int NetSocket::BeginConnect(in_addr address, int port) {
    if (port < 0 || port > 65535) return kSocketAddressNotAvailable;
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL, 0) | O_NONBLOCK);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr = address;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0)
        return FinishConnect();
    if (errno == EINPROGRESS || errno == EINTR) return -1;
    return SocketErrorCode(errno);
}

bool NetSocket::WaitConnectEnded(int timeout_ms) { return PollOne(fd_, POLLOUT, timeout_ms) != 0; }

int NetSocket::FinishConnect() {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) return SocketErrorCode(error);
    // Reads and writes wait through poll() first, so the socket can block from here on.
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL, 0) & ~O_NONBLOCK);
    return 0;
}

bool NetSocket::WaitReadable(int timeout_ms) {
    if (fd_ < 0) return true;
    return PollOne(fd_, POLLIN, timeout_ms) != 0;
}

long NetSocket::Receive(char* buffer, std::size_t size, int& error) {
    for (;;) {
        const ssize_t count = ::recv(fd_, buffer, size, 0);
        if (count >= 0) return static_cast<long>(count);
        if (errno == EINTR) continue;
        error = SocketErrorCode(errno);
        return -1;
    }
}

long NetSocket::ReceiveBlocks(char* buffer, std::size_t size, std::size_t block_size,
                              bool dont_wait, int& error) {
    // The blocks lie back to back, so the kernel fills them in order exactly as one receive of
    // their total would; they stay separate only for the receive notifications above.
    constexpr std::size_t kMaxBlocks = 1024;
    iovec blocks[kMaxBlocks];
    block_size = std::max<std::size_t>(block_size, 1);
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < size && count < kMaxBlocks; offset += block_size) {
        blocks[count].iov_base = buffer + offset;
        blocks[count].iov_len = std::min(block_size, size - offset);
        ++count;
    }
    msghdr message{};
    message.msg_iov = blocks;
    message.msg_iovlen = count;
    for (;;) {
        const ssize_t received = ::recvmsg(fd_, &message, dont_wait ? MSG_DONTWAIT : 0);
        if (received >= 0) return static_cast<long>(received);
        if (errno == EINTR) continue;
        if (dont_wait && (errno == EAGAIN || errno == EWOULDBLOCK)) return kWouldBlock;
        error = SocketErrorCode(errno);
        return -1;
    }
}

long NetSocket::Send(const char* data, std::size_t size, int& error) {
    for (;;) {
        // MSG_NOSIGNAL: a peer that has gone away must give an error, not kill the process.
        const ssize_t count = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (count >= 0) return static_cast<long>(count);
        if (errno == EINTR) continue;
        error = SocketErrorCode(errno);
        return -1;
    }
}

}  // namespace lintaro::http
