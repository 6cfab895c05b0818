// The demo line server: what is served on which host, the redirect and cookie of the second
// bookmaker, keep-alive, concurrent clients, a clean stop with clients still connected, clients
// that stall, garbage requests and busy ports.
#include "demo/demo_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "demo/demo_line.h"
#include "demo_test_util.h"

namespace lintaro::demo {
namespace {

namespace chr = std::chrono;
using Client = testing_util::RawHttpClient;
using Clock = chr::steady_clock;

constexpr chr::year_month_day kToday = testing_util::kDemoToday;

DemoOptions Options(int events = 200, uint32_t seed = 1) {
    return testing_util::DemoTestOptions(events, seed);
}

class DemoServerTest : public ::testing::Test {
  protected:
    void SetUp() override { server_.Start(); }
    DemoServer server_{Options()};
};

const SecondTournamentPage& Page(const SecondLine& line, int league) {
    for (const auto& page : line.pages) {
        if (page.league == league) return page;
    }
    throw std::runtime_error("no league " + std::to_string(league));
}

TEST_F(DemoServerTest, EachHostServesItsOwnPages) {
    const FirstLine first = BuildFirstLine(Options(), kToday);
    const SecondLine second = BuildSecondLine(Options(), kToday);
    const uint16_t a = server_.FirstPort();
    const uint16_t b = server_.SecondPort();
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(server_.FirstHost(), "127.0.0.1:" + std::to_string(a));
    EXPECT_EQ(server_.SecondHost(), "127.0.0.1:" + std::to_string(b));
    struct Case {
        uint16_t port;
        std::string target;
        int status;
        std::string body;  // compared when not empty
    };
    const Case cases[] = {
        {a, "/odds.shtml?d=0&h=0&r0=0&asp=1", 200, first.page},
        {a, "/decimal.asp?", 200, second.list_page},
        {a, "/", 200, second.home_page},
        {a, "/vwguestlines.asp?SportType=Soccer&SportSubType=England&League=11", 200,
         Page(second, 11).page},
        {a, "/VWGUESTLINES.ASP?sporttype=baseball&league=21", 200, Page(second, 21).page},
        {b, "/guestContestLines.asp?ContestType=Tennis&Contest=ATP%20Rome&League=41", 200,
         Page(second, 41).page},
        // Each page lives on one host only, so a reader that asks the wrong host sees it fail.
        {a, "/guestContestLines.asp?ContestType=Tennis&League=41", 404, ""},
        {b, "/vwguestlines.asp?SportType=Soccer&League=11", 404, ""},
        {b, "/decimal.asp?", 404, ""},
        {b, "/odds.shtml", 404, ""},
        {a, "/vwguestlines.asp?League=77", 404, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.port) + c.target);
        Client client(c.port);
        const Client::Reply reply = client.Get(c.target, false);
        EXPECT_EQ(reply.status, c.status);
        if (!c.body.empty()) {
            EXPECT_EQ(reply.body, c.body);
        }
        EXPECT_EQ(reply.Header("Connection"), "close");
        EXPECT_TRUE(client.ClosedWithin(chr::seconds(2)));
    }
}

TEST_F(DemoServerTest, SecondRootRedirectsToTheFirstPortAndSetsTheSessionCookie) {
    Client client(server_.SecondPort());
    const Client::Reply reply = client.Get("/", true);
    EXPECT_EQ(reply.status, 302);
    EXPECT_EQ(reply.Header("Location"), "http://" + server_.FirstHost() + "/");
    EXPECT_EQ(reply.Header("Set-Cookie").rfind("demo_session=", 0), 0u) << reply.head;
    EXPECT_FALSE(reply.body.empty());  // framed by Content-Length, so a client can read past it

    Client back(server_.FirstPort());
    const std::string cookie =
        reply.Header("Set-Cookie").substr(0, reply.Header("Set-Cookie").find(';'));
    back.Send("GET /decimal.asp? HTTP/1.0\r\nCookie: " + cookie + "\r\n\r\n");
    EXPECT_EQ(back.Read().status, 200);
    EXPECT_EQ(server_.Stats().requests_with_cookie, 1u);
}

TEST_F(DemoServerTest, KeepAliveIsKeptOnlyWhenAsked) {
    {
        Client client(server_.FirstPort());
        for (int i = 0; i < 3; ++i) {
            const Client::Reply reply = client.Get("/decimal.asp?", true);
            EXPECT_EQ(reply.status, 200);
            EXPECT_EQ(reply.Header("Connection"), "keep-alive");
        }
        EXPECT_FALSE(client.ClosedWithin(chr::milliseconds(200)));
    }
    EXPECT_EQ(server_.Stats().connections, 1u);
    EXPECT_EQ(server_.Stats().requests, 3u);

    Client client(server_.FirstPort());
    EXPECT_EQ(client.Get("/decimal.asp?", false).Header("Connection"), "close");
    EXPECT_TRUE(client.ClosedWithin(chr::seconds(2)));
}

TEST_F(DemoServerTest, GarbageIsRefusedAndTheServerCarriesOn) {
    struct Case {
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"\x01\x02\xff garbage\r\n\r\n", 400},
        {"GET\r\n\r\n", 400},
        {"GET /decimal.asp HTTP/9.9\r\n\r\n", 400},
        {"GET relative HTTP/1.0\r\n\r\n", 400},
        {"GET / HTTP/1.0\r\nno colon here\r\n\r\n", 400},
        {"POST /decimal.asp HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc", 501},
        {"GET /" + std::string(70'000, 'a'), 431},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.substr(0, 40));
        Client client(server_.FirstPort());
        client.Send(c.request);
        EXPECT_EQ(client.Read().status, c.status);
        EXPECT_TRUE(client.ClosedWithin(chr::seconds(3)));
    }
    // A client that hangs up half-way through its request costs nothing either, nor do random
    // bytes, with or without a blank line among them.
    { Client(server_.FirstPort()).Send("GET /odds.sh"); }
    std::mt19937 random(42);
    for (int i = 0; i < 100; ++i) {
        std::string noise(random() % 3000, '\0');
        for (char& c : noise) c = static_cast<char>(random() % 7 == 0 ? '\n' : random());
        Client(i % 2 ? server_.FirstPort() : server_.SecondPort()).Send(noise);
    }
    Client client(server_.FirstPort());
    EXPECT_EQ(client.Get("/odds.shtml", false).status, 200);
    EXPECT_GE(server_.Stats().bad_requests, std::size(cases));
}

TEST(DemoServerConcurrencyTest, ConcurrentClientsGetWholePagesAndStopEndsIdleAndStalledOnes) {
    DemoServer server(Options(3000));
    server.Start();
    const std::string page = BuildFirstLine(Options(3000), kToday).page;
    ASSERT_GT(page.size(), 1'000'000u);  // more than the socket buffers hold

    std::vector<std::thread> clients;
    std::atomic<int> whole_pages{0};
    for (int i = 0; i < 6; ++i) {
        clients.emplace_back([&] {
            Client client(server.FirstPort());
            for (int j = 0; j < 3; ++j) {
                if (client.Get("/odds.shtml", true).body == page) ++whole_pages;
            }
        });
    }
    for (auto& t : clients) t.join();
    EXPECT_EQ(whole_pages, 18);

    // Clients still connected at Stop: idle ones, one half-way through a request, and one that
    // asked for the big page and reads none of it.
    Client idle(server.FirstPort()), idle_second(server.SecondPort()), partial(server.FirstPort());
    Client stalled(server.FirstPort());
    partial.Send("GET /decimal.asp HTTP/1.0\r\n");
    stalled.Send("GET /odds.shtml HTTP/1.0\r\nConnection: keep-alive\r\n\r\n");
    std::this_thread::sleep_for(chr::milliseconds(200));
    const auto start = Clock::now();
    server.Stop();
    EXPECT_LT(Clock::now() - start, chr::seconds(2));
    EXPECT_TRUE(idle.ClosedWithin(chr::seconds(1)));
    EXPECT_TRUE(idle_second.ClosedWithin(chr::seconds(1)));
    server.Stop();  // a second Stop does nothing
    EXPECT_THROW(Client{server.FirstPort()}, std::runtime_error);
}

// A moving server serves the next generation on each request of a line's entry page after the
// first, and the current one on every other page; a still server always serves the same line.
TEST(DemoServerMovingTest, EntryPagesAdvanceEachLineAndOtherPagesFollow) {
    const auto with_generation = [](uint32_t generation) {
        DemoOptions options = Options();
        options.generation = generation;
        return options;
    };
    DemoServer moving(with_generation(2));
    moving.SetMoving(true);
    moving.Start();
    // The second line's tournament page before any list request is the starting generation's.
    EXPECT_EQ(Client(moving.FirstPort()).Get("/vwguestlines.asp?League=11", false).body,
              Page(BuildSecondLine(with_generation(2), kToday), 11).page);
    for (uint32_t generation = 2; generation < 5; ++generation) {
        SCOPED_TRACE(generation);
        Client client(moving.FirstPort());
        EXPECT_EQ(client.Get("/odds.shtml", true).body,
                  BuildFirstLine(with_generation(generation), kToday).page);
        EXPECT_EQ(moving.Stats().first_generation, generation);
        EXPECT_EQ(client.Get("/decimal.asp?", true).status, 200);
        const SecondLine second = BuildSecondLine(with_generation(generation), kToday);
        EXPECT_EQ(client.Get("/vwguestlines.asp?League=11", true).body, Page(second, 11).page);
        EXPECT_EQ(Client(moving.SecondPort()).Get("/guestContestLines.asp?League=41", false).body,
                  Page(second, 41).page);
    }
    EXPECT_EQ(moving.Stats().second_generation, 4u);

    DemoServer still(Options());
    still.Start();
    const std::string page = BuildFirstLine(Options(), kToday).page;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Client(still.FirstPort()).Get("/odds.shtml", false).body, page);
        EXPECT_EQ(Client(still.FirstPort()).Get("/decimal.asp?", false).status, 200);
    }
    EXPECT_EQ(Client(still.FirstPort()).Get("/vwguestlines.asp?League=11", false).body,
              Page(BuildSecondLine(Options(), kToday), 11).page);
    EXPECT_EQ(still.Stats().first_generation, 0u);
}

// Clients that never complete a request head, silent or sending a byte now and then, are dropped
// once the head time limit has passed, so they cannot keep every place and lock others out.
TEST(DemoServerHeadTimeTest, SilentAndTricklingClientsAreDroppedSoOthersGetIn) {
    DemoServer server(Options(20));
    server.SetHeadTimeLimit(chr::milliseconds(1500));
    server.Start();
    std::vector<std::unique_ptr<Client>> silent;
    for (int i = 0; i < 255; ++i) silent.push_back(std::make_unique<Client>(server.FirstPort()));
    Client trickling(server.FirstPort());
    // Every place is taken: a newcomer is turned away at once.
    Client turned_away(server.FirstPort());
    EXPECT_TRUE(turned_away.ClosedWithin(chr::milliseconds(1000)));

    // The trickling client sends a byte every 100 ms, well past the limit.
    const std::string head = "GET /odds.shtml HTTP/1.0\r\nHost: 127.0.0.1\r\nX-Slow: 1\r\n";
    for (size_t i = 0; i < head.size() && i < 25; ++i) {
        try {
            trickling.Send(head.substr(i, 1));
        } catch (const std::runtime_error&) {
            break;  // dropped
        }
        std::this_thread::sleep_for(chr::milliseconds(100));
    }
    EXPECT_TRUE(trickling.ClosedWithin(chr::seconds(2)));
    for (auto& client : silent) EXPECT_TRUE(client->ClosedWithin(chr::seconds(2)));
    Client newcomer(server.FirstPort());
    EXPECT_EQ(newcomer.Get("/odds.shtml", false).status, 200);

    // A kept connection gets the limit afresh after each answer.
    Client kept(server.FirstPort());
    EXPECT_EQ(kept.Get("/odds.shtml", true).status, 200);
    std::this_thread::sleep_for(chr::milliseconds(1000));
    EXPECT_EQ(kept.Get("/odds.shtml", true).status, 200);
    EXPECT_TRUE(kept.ClosedWithin(chr::seconds(3)));
    EXPECT_EQ(kHeadTimeLimit, chr::seconds(10));
}

// A client that asks for a page bigger than the socket buffers (more than 4 MiB here) and reads
// none of it is dropped once the answer has waited the stall limit: reading afterwards ends before
// the page does. A client that reads gets the whole page.
TEST(DemoServerSendStallTest, ClientThatReadsNothingIsDroppedAfterTheLimit) {
    DemoServer server(Options(20000));
    server.SetSendStallLimit(chr::milliseconds(300));
    server.Start();
    Client reader(server.FirstPort());
    const size_t page_size = reader.Get("/odds.shtml", false).body.size();
    ASSERT_GT(page_size, 8'000'000u);
    Client stalled(server.FirstPort());
    stalled.Send("GET /odds.shtml HTTP/1.0\r\n\r\n");
    std::this_thread::sleep_for(chr::milliseconds(1500));
    EXPECT_THROW(stalled.Read(), std::runtime_error);
    EXPECT_EQ(kSendStallLimit, chr::seconds(10));
}

TEST(DemoServerPortTest, BusyPortsFailWithAMessageNamingThem) {
    DemoServer running(Options(10));
    running.Start();
    const uint16_t a = running.FirstPort();
    struct Case {
        uint16_t port;
        std::string named;
    };
    const Case cases[] = {
        {a, "127.0.0.1:" + std::to_string(a) + ": Address already in use"},
        {static_cast<uint16_t>(a - 1),
         "127.0.0.1:" + std::to_string(a) + ": Address already in use"},
        {65535, "127.0.0.1:65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        DemoServer server(Options(10));
        try {
            server.Start(c.port);
            ADD_FAILURE() << "started on a busy port";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
        }
    }
    // The running server is unharmed.
    Client client(running.SecondPort());
    EXPECT_EQ(client.Get("/", false).status, 302);
    DemoServer twice(Options(10));
    twice.Start();
    EXPECT_THROW(twice.Start(), std::logic_error);
}

}  // namespace
}  // namespace lintaro::demo
