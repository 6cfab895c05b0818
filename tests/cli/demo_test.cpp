// The demo line and its server: what is served on which host, the redirect and cookie of the second
// bookmaker, keep-alive, concurrent clients, a clean stop with clients still connected, garbage
// requests and busy ports; then lintaro-cli itself: serve-demo, and the readers' rows on the demo
// line compared with the rows the line published.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "table/cp1251_text.h"

extern char** environ;

namespace lintaro::demo {
namespace {

namespace chr = std::chrono;
using lintaro::testing_util::CliRun;
using lintaro::testing_util::RunCli;
using Clock = chr::steady_clock;

constexpr chr::year_month_day kToday{chr::year{2026}, chr::month{12}, chr::day{20}};

DemoOptions Options(int events = 200, uint32_t seed = 1) {
    DemoOptions options;
    options.events = events;
    options.seed = seed;
    options.today = kToday;
    return options;
}

// ---- A raw HTTP client, so the server is tested apart from Lintaro's own client -------------

class Client {
  public:
    explicit Client(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot connect to port " + std::to_string(port));
        }
    }
    ~Client() { ::close(fd_); }

    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) throw std::runtime_error("send failed");
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
    }

    struct Reply {
        int status = 0;
        std::string head;  // status line and header lines
        std::string body;
        std::string Header(const std::string& name) const {
            const size_t at = head.find("\r\n" + name + ": ");
            if (at == std::string::npos) return "";
            const size_t start = at + name.size() + 4;
            return head.substr(start, head.find("\r\n", start) - start);
        }
    };

    // Reads one response framed by its Content-Length; throws after 10 s of silence.
    Reply Read() {
        size_t head_end;
        while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) Fill();
        Reply reply;
        reply.head = buffer_.substr(0, head_end);
        buffer_.erase(0, head_end + 4);
        reply.status = std::stoi(reply.head.substr(reply.head.find(' ') + 1, 3));
        const size_t length = std::stoul(reply.Header("Content-Length"));
        while (buffer_.size() < length) Fill();
        reply.body = buffer_.substr(0, length);
        buffer_.erase(0, length);
        return reply;
    }

    Reply Get(const std::string& target, bool keep_alive) {
        Send("GET " + target + " HTTP/1.0\r\n" + (keep_alive ? "Connection: keep-alive\r\n" : "") +
             "Host: 127.0.0.1\r\n\r\n");
        return Read();
    }

    // True when the server closes the connection within `timeout`.
    bool ClosedWithin(chr::milliseconds timeout) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return false;
        char byte;
        return ::recv(fd_, &byte, 1, 0) <= 0;
    }

  private:
    void Fill() {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 10'000) <= 0) throw std::runtime_error("no answer within 10 s");
        char chunk[65536];
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) throw std::runtime_error("connection closed before the answer ended");
        buffer_.append(chunk, static_cast<size_t>(got));
    }

    int fd_;
    std::string buffer_;
};

// ---- The demo line --------------------------------------------------------------------------

TEST(DemoLineTest, SameOptionsGiveTheSamePagesAndOtherSeedsOtherOnes) {
    const FirstLine first = BuildFirstLine(Options(), kToday);
    EXPECT_EQ(first.page, BuildFirstLine(Options(), kToday).page);
    EXPECT_NE(first.page, BuildFirstLine(Options(200, 2), kToday).page);
    const SecondLine second = BuildSecondLine(Options(), kToday);
    const SecondLine again = BuildSecondLine(Options(), kToday);
    ASSERT_EQ(second.pages.size(), again.pages.size());
    for (size_t i = 0; i < second.pages.size(); ++i)
        EXPECT_EQ(second.pages[i].page, again.pages[i].page);
    EXPECT_EQ(second.list_page, again.list_page);

    // The first bookmaker's texts are Windows-1251 bytes, never UTF-8.
    EXPECT_NE(first.page.find(Utf8ToCp1251("<div class=cap>Футбол. Англия. Премьер-лига</div>")),
              std::string::npos);
    EXPECT_EQ(first.page.find("Футбол"), std::string::npos);
}

TEST(DemoLineTest, PublishedRowsStartWithinFourWeeksOfTodayAcrossTheYearEnd) {
    // Published on 20 December, the line reaches into January: those events carry the next year.
    const auto today_ms = MakeDateTime({2026, 12, 20}).value().ms;
    bool next_year_seen = false;
    for (const auto& rows :
         {PublishedFirstRows(Options(), kToday), PublishedSecondRows(Options(), kToday)}) {
        ASSERT_GT(rows.size(), 150u);
        for (const OddsRecord& row : rows) {
            const int64_t ms = row.sport_event_date.value().ms;
            EXPECT_GE(ms, today_ms);
            EXPECT_LT(ms, today_ms + 29 * kMsPerDay);
            next_year_seen |= SplitDateTime(DateTime{ms}).year == 2027;
        }
    }
    EXPECT_TRUE(next_year_seen);
}

TEST(DemoLineTest, EventCountsOutsideTheRangeAreRefused) {
    EXPECT_THROW(BuildFirstLine(Options(-1), kToday), std::invalid_argument);
    EXPECT_THROW(DemoServer(Options(kMaxDemoEvents + 1)), std::invalid_argument);
    EXPECT_TRUE(BuildFirstLine(Options(0), kToday).rows.empty());
    EXPECT_TRUE(BuildSecondLine(Options(0), kToday).rows.empty());
}

// ---- The server -----------------------------------------------------------------------------

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

// ---- lintaro-cli ----------------------------------------------------------------------------

// A child process with its standard output and error on pipes.
class Process {
  public:
    Process(const std::string& program, std::vector<std::string> args) {
        args.insert(args.begin(), program);
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot run " + program);
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        ::close(out_);
        ::close(err_);
    }

    // Reads standard output up to its first line end (at most 10 s).
    std::string FirstLine() {
        std::string line;
        char c;
        pollfd pfd{out_, POLLIN, 0};
        while (::poll(&pfd, 1, 10'000) > 0 && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    // Reads both streams to their end, then waits for the exit status.
    int Finish(std::string* out, std::string* err) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        std::string* sinks[2] = {out, err};
        int open = 2;
        while (open > 0 && ::poll(fds, 2, 60'000) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) continue;
                char chunk[65536];
                const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
                if (got <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else if (sinks[i]) {
                    sinks[i]->append(chunk, static_cast<size_t>(got));
                }
            }
        }
        return Wait();
    }

    void Signal(int signal_number) { ::kill(pid_, signal_number); }

    // The exit status, or -1 when it ended by a signal.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

// A CLI process that serves until stopped.
class CliProcess : public Process {
  public:
    explicit CliProcess(std::vector<std::string> args) : Process(LINTARO_CLI, std::move(args)) {}
};

// Debian's own interpreter, whose csv module the tests trust as an independent reader.
int RunPython(const std::string& script, const std::string& argument, std::string* out,
              std::string* err) {
    return Process("/usr/bin/python3", {"-c", script, argument}).Finish(out, err);
}

TEST(ServeDemoCliTest, ServesUntilSigtermAndExitsCleanly) {
    CliProcess serve({"serve-demo", "--events", "50", "--seed", "7", "--today", "2026-12-20"});
    const std::string line = serve.FirstLine();
    ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
    const auto port = static_cast<uint16_t>(std::stoi(line.substr(23)));
    {
        Client client(port);
        EXPECT_EQ(client.Get("/odds.shtml", true).body,
                  BuildFirstLine(Options(50, 7), kToday).page);
        Client second(port + 1);
        EXPECT_EQ(second.Get("/", false).status, 302);
        serve.Signal(SIGTERM);  // with a keep-alive client still connected
        EXPECT_TRUE(client.ClosedWithin(chr::seconds(3)));
    }
    std::string err;
    EXPECT_EQ(serve.Finish(nullptr, &err), 0);
    EXPECT_EQ(err, "");
}

TEST(ServeDemoCliTest, BusyPortAndBadOptionsFailWithOneLine) {
    DemoServer running(Options(10));
    running.Start();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"serve-demo", "--port", std::to_string(running.FirstPort())},
         1,
         "Address already in use"},
        {{"serve-demo", "--port", "70000"}, 2, "--port"},
        {{"serve-demo", "--events", "-5"}, 2, "--events"},
        {{"serve-demo", "--seed", "x"}, 2, "--seed"},
        {{"serve-demo", "--today", "2026-02-30"}, 2, "--today"},
        {{"serve-demo", "extra"}, 2, "extra"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

// The readers on the demo line, end to end through the binary. Skipped while `load` is not built.
class DemoLoadTest : public ::testing::Test {
  protected:
    // Runs `lintaro-cli load WHICH --today 2026-12-20 --format FORMAT` with `hosts` (either
    // "--demo" or the host options).
    int Load(const std::string& which, std::vector<std::string> hosts, const std::string& format,
             std::string* out, std::string* err) {
        std::vector<std::string> args = {"load",       which,      "--today",
                                         "2026-12-20", "--format", format};
        args.insert(args.end(), hosts.begin(), hosts.end());
        const CliRun run = RunCli(args);
        *out = run.out;
        *err = run.err;
        if (err->find("not available yet") != std::string::npos) {
            available_ = false;
        }
        return run.status;
    }
    bool available_ = true;
};

std::string Expected(const std::vector<OddsRecord>& rows, RowFormat format) {
    std::ostringstream out;
    WriteRows(out, rows, format);
    return out.str();
}

TEST_F(DemoLoadTest, ReadersGiveExactlyThePublishedRows) {
    // The built-in line, then other seeds and sizes from a server of the test's own (which brings
    // rarer unreadable events into play), and a line without events.
    struct Case {
        int events;
        uint32_t seed;
        bool built_in;
    };
    for (const Case c : {Case{200, 1, true}, Case{1500, 9, false}, Case{0, 3, false}}) {
        DemoServer server(Options(c.events, c.seed));
        std::vector<std::string> hosts = {"--demo"};
        if (!c.built_in) {
            server.Start();
            hosts = {"--first-host", server.FirstHost(), "--second-host", server.SecondHost()};
        }
        for (const std::string which : {"first", "second"}) {
            SCOPED_TRACE(which + " " + std::to_string(c.events) + " " + std::to_string(c.seed));
            std::string out, err;
            const int status = Load(which, hosts, "jsonl", &out, &err);
            if (!available_) GTEST_SKIP() << "load is not built yet";
            EXPECT_EQ(status, 0) << err;
            EXPECT_EQ(err, "");
            const auto rows = which == "first"
                                  ? PublishedFirstRows(Options(c.events, c.seed), kToday)
                                  : PublishedSecondRows(Options(c.events, c.seed), kToday);
            EXPECT_EQ(out, Expected(rows, RowFormat::kJsonl));
        }
        if (!c.built_in) {
            // The second reader went through the redirect and brought the cookie back.
            EXPECT_GT(server.Stats().requests_with_cookie, 0u);
            EXPECT_LT(server.Stats().connections, server.Stats().requests);  // keep-alive held
        }
    }
}

TEST_F(DemoLoadTest, CsvReadsBackWithCyrillicIntact) {
    std::string csv, err;
    const int status = Load("first", {"--demo"}, "csv", &csv, &err);
    if (!available_) GTEST_SKIP() << "load is not built yet";
    ASSERT_EQ(status, 0) << err;
    // Python's csv module reads the file back; every text field must come back as published.
    const std::string path = ::testing::TempDir() + "demo_line.csv";
    { std::ofstream(path, std::ios::binary) << csv; }
    std::string fields, python_err;
    const int python = RunPython(
        "import csv, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
        "    for r in csv.DictReader(f):\n"
        "        for k in ('sport_type_name', 'competition_name', 'team_h_name', 'team_g_name',"
        " 'dop_info'):\n"
        "            sys.stdout.write(r[k] + '\\x1f')\n"
        "        sys.stdout.write('\\x1e')\n",
        path, &fields, &python_err);
    ASSERT_EQ(python, 0) << python_err;
    std::string expected;
    for (const OddsRecord& row : PublishedFirstRows(Options(), kToday)) {
        for (const auto* text : {&row.sport_type_name, &row.competition_name, &row.team_h_name,
                                 &row.team_g_name, &row.dop_info}) {
            expected += Cp1251ToUtf8(text->value_or("")) + "\x1f";
        }
        expected += "\x1e";
    }
    EXPECT_EQ(fields, expected);
    EXPECT_NE(fields.find("Манчестер Юнайтед"), std::string::npos);
}

}  // namespace
}  // namespace lintaro::demo
