// lintaro-cli fetch run as a program against the scripted loopback server: the raw body on
// standard output, the per-URL report with --out-dir, and the request heads with --heads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "scripted_server.h"

namespace {

using lintaro::testing_util::CliRun;
using lintaro::testing_util::Reply;
using lintaro::testing_util::RunCli;
using lintaro::testing_util::ScriptedAfter;
using lintaro::testing_util::ScriptedServer;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FetchCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("lintaro_fetch_test_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(FetchCliTest, OneUrlWritesTheRawBodyAndAppendsHeads) {
    const std::string body("\xd1\xef\xee\xf0\xf2\r\n\0x", 9);
    ScriptedServer server(
        {{Reply("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\n" + body, ScriptedAfter::kClose)}});
    const std::string heads = (dir_ / "heads.txt").string();
    std::ofstream(heads) << "before\n";
    const CliRun run = RunCli({"fetch", "--heads", heads, server.Url("/odds.shtml?d=0")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, body);
    ASSERT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_EQ(ReadFile(heads), "before\n" + server.RequestHeads()[0]);
}

TEST_F(FetchCliTest, OutDirReportsEachUrlAndFailsWhenOneFails) {
    ScriptedServer server(
        {{Reply("HTTP/1.0 302 Found\r\nLocation: /b\r\nSet-Cookie: k=v; path=/\r\n\r\n",
                ScriptedAfter::kClose)},
         {Reply("HTTP/1.0 200 OK\r\n\r\nhello", ScriptedAfter::kClose)},
         {Reply("HTTP/1.0 404 Not Found\r\n\r\nnope", ScriptedAfter::kClose)}});
    const CliRun run = RunCli({"fetch", "--out-dir", dir_.string(), server.Url("/a"),
                               server.Url("/missing"), "http://127.0.0.1:0x/"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "1 ok 5\n"
              "2 error ENetHTTPProtocolException(404): HTTP/1.0 404 Not Found\n"
              "3 error EConvertError: '0x' is not a valid integer value\n");
    EXPECT_EQ(ReadFile(dir_ / "1.body"), "hello");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "2.body"));
    // One client for all URLs: the cookie from the first fetch goes with the second.
    ASSERT_EQ(server.RequestHeads().size(), 3u);
    EXPECT_NE(server.RequestHeads()[2].find("\r\nCookie: k=v\r\n"), std::string::npos);
}

// Files that cannot be made fail the command with the system's reason, on one line.
TEST_F(FetchCliTest, FilesThatCannotBeWrittenNameTheSystemsReason) {
    ScriptedServer server({{Reply("HTTP/1.0 200 OK\r\n\r\nhello", ScriptedAfter::kClose)}});
    const std::string missing = (dir_ / "no such folder").string();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"fetch", "--heads", missing + "/heads.txt", server.Url("/")},
         "Cannot open file " + missing + "/heads.txt: No such file or directory"},
        {{"fetch", "--out-dir", missing, server.Url("/")},
         "Cannot create file " + missing + "/1.body: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "lintaro-cli: " + c.message + "\n");
    }
}

// A silent server and one that trickles its answer both end at --timeout, and the next URL still
// gets its own time.
TEST_F(FetchCliTest, TimeoutEndsASilentOrTricklingServer) {
    lintaro::testing_util::ScriptedExchange trickle;
    trickle.pieces.push_back({std::chrono::milliseconds(0), "HTTP/1.0 200 OK\r\n\r\n"});
    for (int i = 0; i < 100; ++i) trickle.pieces.push_back({std::chrono::milliseconds(100), "x"});
    trickle.after = ScriptedAfter::kClose;
    ScriptedServer server({{lintaro::testing_util::NoAnswer()},
                           {trickle},
                           {Reply("HTTP/1.0 200 OK\r\n\r\nfast", ScriptedAfter::kClose)}});
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = RunCli({"fetch", "--timeout", "1", "--out-dir", dir_.string(),
                               server.Url("/silent"), server.Url("/trickle"), server.Url("/fast")});
    // Without the limit the trickle alone would take 10 s, the silent server forever.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "1 error ENetFetchTimeout: Fetch time limit of 1000 ms exceeded.\n"
              "2 error ENetFetchTimeout: Fetch time limit of 1000 ms exceeded.\n"
              "3 ok 4\n");
    const CliRun bad = RunCli({"fetch", "--timeout", "1.5", server.Url("/")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.find("lintaro-cli: --timeout needs a whole number"), 0u) << bad.err;
}

// A status line cannot reach the terminal as escape sequences: every control byte is escaped.
TEST_F(FetchCliTest, ControlBytesOfAStatusLineAreEscaped) {
    ScriptedServer server(
        {{Reply("HTTP/1.0 404 \x1b]0;pwned\x07\x1b[2J\r\n\r\n", ScriptedAfter::kClose)}});
    const CliRun run = RunCli({"fetch", server.Url("/")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "1 error ENetHTTPProtocolException(404): HTTP/1.0 404 \\x1B]0;pwned\\x07\\x1B[2J\n");
}

TEST_F(FetchCliTest, MaxSizeFailsALongerBody) {
    ScriptedServer server(
        {{Reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(2000, 'b'), ScriptedAfter::kClose)},
         {Reply("HTTP/1.0 200 OK\r\n\r\nshort", ScriptedAfter::kClose)}});
    const CliRun run = RunCli({"fetch", "--max-size", "1000", "--out-dir", dir_.string(),
                               server.Url("/long"), server.Url("/short")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "1 error ENetResponseBodyTooLarge: Response body larger than 1000 bytes.\n"
              "2 ok 5\n");
    const CliRun bad = RunCli({"fetch", "--max-size", "lots", server.Url("/")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.find("lintaro-cli: --max-size needs a whole number"), 0u) << bad.err;
}

}  // namespace
