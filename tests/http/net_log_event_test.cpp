// The traffic intercept: the order of a chain, the log texts, and an inactive log that stays
// silent.
#include "http/net_log_event.h"

#include <gtest/gtest.h>

#include <memory>

#include "http/net_connection.h"
#include "http/net_memory_transport.h"

namespace lintaro::http {
namespace {

const std::string kHead = "GET / HTTP/1.0\r\nHost: h\r\nA\rB\n\r\n";

TEST(NetLogEventTest, TextsFollowLogTimeAndReplaceCRLF) {
    struct Case {
        bool log_time, replace;
        std::string data;
    };
    const Case cases[] = {
        {false, false, kHead},
        {false, true, "GET / HTTP/1.0<EOL>Host: h<EOL>A<CR>B<LF><EOL>"},
        {true, false, kHead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        TNetLogEvent log;
        log.Active = true;
        log.LogTime = c.log_time;
        log.ReplaceCRLF = c.replace;
        std::vector<std::string> texts, data;
        log.OnSent = [&](TNetLogEvent& sender, const std::string& text, const std::string& bytes) {
            EXPECT_EQ(&sender, &log);
            texts.push_back(text);
            data.push_back(bytes);
        };
        log.OnReceived = log.OnSent;
        std::string block = kHead;
        log.Send(block);
        log.Receive(block);
        ASSERT_EQ(data.size(), 2u);
        EXPECT_EQ(data[0], c.data);
        EXPECT_EQ(data[1], c.data);
        EXPECT_EQ(texts[0].empty(), !c.log_time);
    }
}

TEST(NetLogEventTest, ChainOrderStatusAndInactiveSilence) {
    std::vector<std::string> events;
    TNetLogEvent outer;
    TNetConnectionIntercept nested;
    outer.SetIntercept(&nested);
    outer.Active = true;
    outer.LogTime = false;
    outer.OnStatus = [&](TNetLogEvent&, const std::string& text) { events.push_back(text); };
    outer.OnSend = [&](TNetConnectionIntercept&, std::string&) { events.push_back("outer send"); };
    outer.OnReceive = [&](TNetConnectionIntercept&, std::string&) {
        events.push_back("outer recv");
    };
    nested.OnSend = [&](TNetConnectionIntercept&, std::string&) {
        events.push_back("nested send");
    };
    nested.OnReceive = [&](TNetConnectionIntercept&, std::string&) {
        events.push_back("nested recv");
    };
    nested.OnConnect = [&](TNetConnectionIntercept& sender) {
        events.push_back(sender.Connection() != nullptr ? "nested connect" : "no connection");
    };

    auto peer = std::make_shared<MemoryPeer>();
    peer->incoming = "line\n";
    TNetTCPConnection connection;
    connection.SetTransportFactory(
        [peer](const std::string&, int) { return std::make_unique<MemoryTransport>(peer); });
    connection.SetIntercept(&outer);
    connection.Connect(0);
    connection.WriteText("x");
    EXPECT_EQ(connection.ReadLine(), "line");
    connection.Disconnect();
    EXPECT_EQ(events,
              (std::vector<std::string>{"nested connect", "Connected.", "outer send", "nested send",
                                        "nested recv", "outer recv", "Disconnected."}));

    // Inactive: nothing fires, the nested intercept included.
    events.clear();
    outer.Active = false;
    peer->incoming = "more\n";
    connection.Connect(0);
    connection.WriteText("y");
    connection.ReadLine();
    connection.Disconnect();
    EXPECT_TRUE(events.empty());

    // A nested intercept that goes away is forgotten.
    {
        TNetConnectionIntercept short_lived;
        outer.SetIntercept(&short_lived);
    }
    EXPECT_EQ(outer.Intercept(), nullptr);
    connection.SetIntercept(nullptr);
}

}  // namespace
}  // namespace lintaro::http
