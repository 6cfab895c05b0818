// A TCP client socket over POSIX: an owned descriptor, closed on destruction, with the name
// lookup and the non-blocking connect the connection drives in short steps.
#pragma once

#include <netinet/in.h>

#include <string>

#include "http/net_transport.h"

namespace lintaro::http {

// Resolves a host for connecting: "localhost" in any letter case is 127.0.0.1, four dot-separated
// numbers 0..255 are the address itself, anything else goes to the system's lookup and its first
// IPv4 address is used. Blocks until the lookup answers. Throws ENetSocketError
// (kSocketHostNotFound for a name that does not exist).
in_addr ResolveHost(const std::string& host);

class NetSocket final : public NetTransport {
  public:
    // Creates a stream socket; throws ENetSocketError when the system refuses one.
    NetSocket();
    ~NetSocket() override;
    NetSocket(const NetSocket&) = delete;
    NetSocket& operator=(const NetSocket&) = delete;

    // Starts connecting to `address`:`port` without blocking. Returns 0 when the connection is
    // already made, -1 while it is in progress, else the socket error code of the failure.
    int BeginConnect(in_addr address, int port);
    // Waits at most `timeout_ms` for the connect to end; true when it has ended (either way).
    bool WaitConnectEnded(int timeout_ms);
    // After the connect has ended: 0 on success (the socket turns blocking again), else the code.
    int FinishConnect();

    bool IsOpen() const override { return fd_ >= 0; }
    void Close() override;
    bool WaitReadable(int timeout_ms) override;
    long Receive(char* buffer, std::size_t size, int& error) override;
    // One recvmsg() over up to 1024 blocks.
    long ReceiveBlocks(char* buffer, std::size_t size, std::size_t block_size, bool dont_wait,
                       int& error) override;
    long Send(const char* data, std::size_t size, int& error) override;

  private:
    int fd_ = -1;
};

}  // namespace lintaro::http
