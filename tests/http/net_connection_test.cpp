// The connection beneath FetchText: line and byte-count reading fed from memory, and connecting,
// waiting and cancelling on real loopback sockets.
#include "http/net_connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "http/net_errors.h"
#include "http/net_idle_hook.h"
#include "http/net_log_event.h"
#include "http/net_memory_transport.h"
#include "scripted_server.h"

namespace lintaro::http {
namespace {

using namespace std::chrono_literals;

// A connection that reads `incoming` from memory in pieces of `piece_size` bytes.
struct MemoryConnection {
    explicit MemoryConnection(std::string incoming, std::size_t piece_size = 1024)
        : peer(std::make_shared<MemoryPeer>()) {
        peer->incoming = std::move(incoming);
        peer->piece_size = piece_size;
        connection.SetTransportFactory(
            [this](const std::string&, int) { return std::make_unique<MemoryTransport>(peer); });
        connection.Connect(0);
    }
    std::shared_ptr<MemoryPeer> peer;
    TNetTCPConnection connection;
};

// Counts the process steps the connection asks for.
class CountingHook : public TNetIdleHook {
  public:
    int steps = 0;
    bool cancel_on_first_step = false;

  protected:
    void ProcessMessages(bool) override {
        ++steps;
        if (cancel_on_first_step) RequestCancel();
    }
};

TEST(NetConnectionTest, ReadLineDropsLfAndOneCr) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1024}}) {
        SCOPED_TRACE(piece);
        MemoryConnection m("a\r\nb\nc\r\r\n\r\nrest\n", piece);
        EXPECT_EQ(m.connection.ReadLine(), "a");
        EXPECT_EQ(m.connection.ReadLine(), "b");
        EXPECT_EQ(m.connection.ReadLine(), "c\r");
        EXPECT_EQ(m.connection.ReadLine(), "");
        EXPECT_FALSE(m.connection.ReadLnTimedOut());
        EXPECT_EQ(m.connection.ReadLine(), "rest");
    }
}

TEST(NetConnectionTest, ReadLineAcceptsMaxLineLengthBytesBeforeLf) {
    // The CR before the LF counts towards the limit.
    MemoryConnection ok(std::string(16383, 'x') + "\r\n");
    EXPECT_EQ(ok.connection.ReadLine().size(), 16383u);
    MemoryConnection too_long(std::string(16384, 'x') + "\r\n");
    EXPECT_THROW(too_long.connection.ReadLine(), ENetReadLnMaxLineLengthExceeded);
    // Without any LF the read stops once the buffer passes the limit, not at the peer's close.
    auto endless = MemoryConnection(std::string(20000, 'y'));
    endless.peer->hold_open = true;
    try {
        endless.connection.ReadLine();
        FAIL() << "no failure";
    } catch (const ENetReadLnMaxLineLengthExceeded& e) {
        EXPECT_STREQ(e.what(), "Max line length exceeded.");
    }
}

TEST(NetConnectionTest, PeerClosingInsideALineEndsItThenFails) {
    MemoryConnection m("partial");
    EXPECT_EQ(m.connection.ReadLine(), "");
    EXPECT_TRUE(m.connection.ReadLnTimedOut());
    EXPECT_EQ(m.connection.InputBuffer(), "partial");
    try {
        m.connection.ReadLine();
        FAIL() << "no failure";
    } catch (const ENetConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
}

TEST(NetConnectionTest, ReadBytesAndReadUntilCloseKeepWhatArrived) {
    MemoryConnection counted("0123456789", 4);
    std::string out;
    EXPECT_THROW(counted.connection.ReadBytes(out, std::int64_t{1} << 40),
                 ENetConnClosedGracefully);
    EXPECT_EQ(out, "0123456789");
    // A count nobody sends is never allocated ahead.
    EXPECT_LT(out.capacity(), std::size_t{1} << 20);

    MemoryConnection exact("0123456789tail", 3);
    out.clear();
    exact.connection.ReadBytes(out, 10);
    EXPECT_EQ(out, "0123456789");
    EXPECT_EQ(exact.connection.ReadLine(), "");  // "tail" then the close
    EXPECT_EQ(exact.connection.InputBuffer(), "tail");

    MemoryConnection until_close("0123456789", 4);
    out.clear();
    EXPECT_TRUE(until_close.connection.ReadUntilClose(out));
    EXPECT_EQ(out, "0123456789");
    EXPECT_FALSE(until_close.connection.Connected());

    // With a limit it stops one byte past it, without waiting for the close.
    MemoryConnection bounded("0123456789", 4);
    out.clear();
    EXPECT_FALSE(bounded.connection.ReadUntilClose(out, 5));
    EXPECT_EQ(out, "012345");
    out.clear();
    MemoryConnection fits("0123456789", 4);
    EXPECT_TRUE(fits.connection.ReadUntilClose(out, 10));
    EXPECT_EQ(out, "0123456789");
}

TEST(NetConnectionTest, ReadBytesCountsTheBytesAnInterceptHandsOn) {
    // Every received block is doubled on its way in: the count is taken from what the intercept
    // hands on, and what goes beyond it stays buffered.
    MemoryConnection m("0123456789", 4);
    TNetConnectionIntercept doubling;
    doubling.OnReceive = [](TNetConnectionIntercept&, std::string& block) { block += block; };
    m.connection.SetIntercept(&doubling);
    std::string out;
    m.connection.ReadBytes(out, 10);
    EXPECT_EQ(out, "0123012345");
    EXPECT_EQ(m.connection.InputBuffer(), "45");  // the last receive asked for the 2 bytes missing
    out.clear();
    m.connection.ReadUntilClose(out);
    EXPECT_EQ(out, "4567896789");
    m.connection.SetIntercept(nullptr);
}

TEST(NetConnectionTest, ReceiveFailuresCarryTheirSocketError) {
    MemoryConnection reset("", 1);
    reset.peer->receive_error = 10054;
    try {
        reset.connection.ReadLine();
        FAIL() << "no failure";
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10054);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
    MemoryConnection silent("");
    silent.peer->hold_open = true;
    silent.connection.ReadTimeout = 20;
    EXPECT_THROW(silent.connection.ReadLine(), ENetReadTimeout);
}

TEST(NetConnectionTest, WriteBufferReachesInterceptAndPeerAsOneBlock) {
    MemoryConnection m("");
    TNetLogEvent log;
    log.Active = true;
    log.ReplaceCRLF = false;
    int blocks = 0;
    log.OnSent = [&blocks](TNetLogEvent&, const std::string&, const std::string&) { ++blocks; };
    // A handler may change the block; the changed bytes are what gets sent.
    log.OnSend = [](TNetConnectionIntercept&, std::string& block) { block += "!"; };
    m.connection.SetIntercept(&log);
    m.connection.OpenWriteBuffer();
    m.connection.WriteText("GET / HTTP/1.0\r\n");
    m.connection.WriteText("\r\n");
    EXPECT_EQ(blocks, 0);
    m.connection.CloseWriteBuffer();
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(m.peer->sent, "GET / HTTP/1.0\r\n\r\n!");
    m.connection.SetIntercept(nullptr);

    TNetTCPConnection unconnected;
    try {
        unconnected.WriteText("x");
        FAIL() << "no failure";
    } catch (const ENetNotConnected& e) {
        EXPECT_STREQ(e.what(), "Not Connected");
    }
}

// A port on which nothing listens.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

TEST(NetConnectionTest, ConnectFailuresHaveTheirSocketTexts) {
    TNetTCPConnection refused;
    refused.Host = "LocalHost";
    refused.Port = ClosedPort();
    try {
        refused.Connect(0);
        FAIL() << "no failure";
    } catch (const ENetConnectException& e) {
        EXPECT_EQ(e.LastError(), 10061);
        EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    }

    TNetTCPConnection unknown;
    unknown.Host = "no-such-host.invalid";
    unknown.Port = 80;
    try {
        unknown.Connect(0);
        FAIL() << "no failure";
    } catch (const ENetSocketError& e) {
        // 11002 where no resolver can be asked at all.
        if (e.LastError() == 11001) {
            EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
        } else {
            EXPECT_EQ(e.LastError(), 11002);
        }
    }
}

TEST(NetConnectionTest, ConnectToAFullBacklogTimesOutServingTheHook) {
    // A listener that never accepts: once its queue is full, further connects get no answer.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ASSERT_EQ(listen(listener, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    std::this_thread::sleep_for(50ms);

    CountingHook hook;
    TNetTCPConnection connection;
    connection.SetIdleHook(&hook);
    connection.Host = "127.0.0.1";
    connection.Port = ntohs(address.sin_port);
    connection.ConnectLimit = 400;
    const auto start = std::chrono::steady_clock::now();
    try {
        connection.Connect(0);
        FAIL() << "connected";
    } catch (const ENetConnectTimeout& e) {
        EXPECT_STREQ(e.what(), "Connect timed out.");
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 390ms);
    EXPECT_LT(elapsed, 2s);
    EXPECT_GE(hook.steps, 3);  // every 125 ms while connecting
    for (int fd : fillers) close(fd);
    close(listener);
}

TEST(NetConnectionTest, SilentPeerServesTheHookEverySlice) {
    testing_util::ScriptedServer server({{testing_util::NoAnswer()}});
    CountingHook hook;
    TNetTCPConnection connection;
    connection.SetIdleHook(&hook);
    connection.Host = "127.0.0.1";
    connection.Port = server.port();
    connection.ReadTimeout = 1000;
    connection.Connect(0);
    connection.WriteText("GET / HTTP/1.0\r\n\r\n");
    EXPECT_THROW(connection.ReadLine(), ENetReadTimeout);
    EXPECT_EQ(hook.steps, 4);
}

TEST(NetConnectionTest, DataArrivingWithinEachSliceServesNothing) {
    testing_util::ScriptedExchange trickle;
    for (int i = 0; i < 5; ++i) trickle.pieces.push_back({100ms, "x"});
    trickle.pieces.push_back({100ms, "\n"});
    testing_util::ScriptedServer server({{trickle}});
    CountingHook hook;
    TNetTCPConnection connection;
    connection.SetIdleHook(&hook);
    connection.Host = "127.0.0.1";
    connection.Port = server.port();
    connection.Connect(0);
    connection.WriteText("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(connection.ReadLine(), "xxxxx");
    EXPECT_EQ(hook.steps, 0);
}

TEST(NetConnectionTest, CancelStopsTheWaitAndDeadlineBoundsATrickle) {
    testing_util::ScriptedExchange trickle;
    for (int i = 0; i < 40; ++i) trickle.pieces.push_back({100ms, "x"});
    testing_util::ScriptedServer server({{testing_util::NoAnswer()}, {trickle}});

    CountingHook hook;
    hook.cancel_on_first_step = true;
    TNetTCPConnection cancelled;
    cancelled.SetIdleHook(&hook);
    cancelled.Host = "127.0.0.1";
    cancelled.Port = server.port();
    cancelled.Connect(0);
    cancelled.WriteText("GET / HTTP/1.0\r\n\r\n");
    EXPECT_THROW(cancelled.ReadLine(), ENetCancelled);
    EXPECT_EQ(hook.steps, 1);
    EXPECT_THROW(cancelled.ReadLine(), ENetCancelled);  // stays cancelled until reset
    hook.ResetCancel();

    TNetTCPConnection bounded;
    bounded.Host = "127.0.0.1";
    bounded.Port = server.port();
    bounded.Connect(0);
    bounded.WriteText("GET / HTTP/1.0\r\n\r\n");
    const auto start = std::chrono::steady_clock::now();
    bounded.SetDeadline(start + 500ms, 500);
    try {
        bounded.ReadLine();
        FAIL() << "no failure";
    } catch (const ENetFetchTimeout& e) {
        EXPECT_STREQ(e.what(), "Fetch time limit of 500 ms exceeded.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

}  // namespace
}  // namespace lintaro::http
