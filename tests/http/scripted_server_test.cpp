// Checks the scripted loopback server through plain sockets: what it records, how it answers,
// and that it stops promptly while a client still holds a connection.
#include "scripted_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace lintaro::testing_util {
namespace {

using std::chrono::milliseconds;

// A blocking client socket with a read timeout, closed on destruction.
class Client {
  public:
    explicit Client(std::uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { close(fd_); }
    bool connected() const { return connected_; }
    void Send(const std::string& bytes) {
        ASSERT_EQ(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes arrived, the peer closed, or 3 s of silence; errno of a failed
    // recv goes to `error`.
    std::string Read(std::size_t count, int* error = nullptr) {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0) break;
            char buffer[65536];
            ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0 && error) *error = errno;
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    std::string ReadToClose(int* error = nullptr) { return Read(std::string::npos, error); }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

const std::string kHead = "GET / HTTP/1.0\r\nHost: x\r\n\r\n";

TEST(ScriptedServerTest, PlaysExchangesInOrderAndRecordsHeadsByConnection) {
    ScriptedServer server({
        {Reply("first"), Reply("second", ScriptedAfter::kClose)},
        {Reply("third", ScriptedAfter::kClose)},
    });
    {
        Client client(server.port());
        ASSERT_TRUE(client.connected());
        // A head split across writes and a bare-LF head are both recognised.
        client.Send("GET /a HTTP/1.0\r\n");
        client.Send("X: 1\r\n\r\n");
        EXPECT_EQ(client.Read(5), "first");
        client.Send("GET /b HTTP/1.0\n\n");
        EXPECT_EQ(client.ReadToClose(), "second");
    }
    {
        Client client(server.port());
        client.Send(kHead);
        EXPECT_EQ(client.ReadToClose(), "third");
    }
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].head, "GET /a HTTP/1.0\r\nX: 1\r\n\r\n");
    EXPECT_EQ(requests[0].connection, 0);
    EXPECT_EQ(requests[1].head, "GET /b HTTP/1.0\n\n");
    EXPECT_EQ(requests[1].connection, 0);
    EXPECT_EQ(requests[2].connection, 1);
    EXPECT_EQ(server.AcceptedConnections(), 2);
}

TEST(ScriptedServerTest, DefaultExchangeServesEverythingBeyondTheScript) {
    ScriptedServer server({{Reply("scripted")}});
    server.SetDefaultExchange(Reply("default"));
    Client first(server.port());
    first.Send(kHead);
    EXPECT_EQ(first.Read(8), "scripted");
    first.Send(kHead);
    EXPECT_EQ(first.Read(7), "default");
    Client second(server.port());
    second.Send(kHead);
    EXPECT_EQ(second.Read(7), "default");
}

TEST(ScriptedServerTest, WithoutDefaultAnExtraRequestIsRecordedAndClosed) {
    ScriptedServer server({{Reply("only")}});
    Client client(server.port());
    client.Send(kHead);
    EXPECT_EQ(client.Read(4), "only");
    client.Send(kHead);
    EXPECT_EQ(client.ReadToClose(), "");
    EXPECT_EQ(server.RequestHeads().size(), 2u);
}

TEST(ScriptedServerTest, DelayedPiecesArriveInOrder) {
    ScriptedExchange exchange;
    exchange.pieces = {{milliseconds(0), "HTTP/1.0 200 OK\r\n"}, {milliseconds(100), "\r\nbody"}};
    exchange.after = ScriptedAfter::kClose;
    ScriptedServer server({{exchange}});
    Client client(server.port());
    auto start = std::chrono::steady_clock::now();
    client.Send(kHead);
    EXPECT_EQ(client.ReadToClose(), "HTTP/1.0 200 OK\r\n\r\nbody");
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(90));
}

TEST(ScriptedServerTest, ResetReachesTheClientAsConnectionReset) {
    ScriptedServer server({{Reply("", ScriptedAfter::kReset)}});
    Client client(server.port());
    client.Send(kHead);
    int error = 0;
    client.ReadToClose(&error);
    EXPECT_EQ(error, ECONNRESET);
}

TEST(ScriptedServerTest, SpeaksFirstWhenNotReadingAHead) {
    ScriptedExchange greeting = Reply("hello", ScriptedAfter::kClose);
    greeting.read_head = false;
    ScriptedServer server({{greeting}});
    Client client(server.port());
    EXPECT_EQ(client.ReadToClose(), "hello");
    EXPECT_TRUE(server.RequestHeads().empty());
}

TEST(ScriptedServerTest, StopsPromptlyWhileClientsHoldConnections) {
    auto start = std::chrono::steady_clock::now();
    {
        ScriptedServer server({{NoAnswer()}, {Reply("kept")}});
        Client silent(server.port());
        silent.Send(kHead);
        Client kept(server.port());
        kept.Send(kHead);
        EXPECT_EQ(kept.Read(4), "kept");
        EXPECT_TRUE(server.WaitForRequests(2, milliseconds(2000)));
        // Neither client closes before the server is destroyed here.
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
}

TEST(ScriptedServerTest, ListensOnAGivenPort) {
    std::uint16_t port;
    {
        ScriptedServer probe({});
        port = probe.port();
    }
    ScriptedServer server({{Reply("here", ScriptedAfter::kClose)}}, port);
    EXPECT_EQ(server.port(), port);
    EXPECT_EQ(server.Url("/x?y"), "http://127.0.0.1:" + std::to_string(port) + "/x?y");
    Client client(port);
    client.Send(kHead);
    EXPECT_EQ(client.ReadToClose(), "here");
}

}  // namespace
}  // namespace lintaro::testing_util
