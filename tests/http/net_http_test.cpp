// FetchText against the scripted loopback server: the request head on the wire, redirects,
// body framings, keep-alive, cookies, error statuses and the limits that protect the client.
#include "http/net_http.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "http/cookie_store.h"
#include "http/net_errors.h"
#include "http/net_idle_hook.h"
#include "http/net_log_event.h"
#include "http/net_memory_transport.h"
#include "scripted_server.h"

namespace lintaro::http {
namespace {

using namespace std::chrono_literals;
using testing_util::Reply;
using testing_util::ScriptedAfter;
using testing_util::ScriptedServer;

const ScriptedAfter kClose = ScriptedAfter::kClose;

std::string HeadFor(const std::string& target, const std::string& host,
                    const std::string& extra = "") {
    return "GET " + target + " HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: text/html\r\n" +
           "Host: " + host + "\r\nAccept: text/html, */*\r\n" +
           "User-Agent: Mozilla/3.0 (compatible; Lintaro)\r\n" + extra + "\r\n";
}

std::string Ok(const std::string& body, const std::string& headers = "") {
    return "HTTP/1.0 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string Redirect(const std::string& location, const std::string& headers = "") {
    return "HTTP/1.0 302 Found\r\nLocation: " + location + "\r\n" + headers +
           "Content-Length: 5\r\n\r\nmoved";
}

TEST(NetHttpTest, SendsTheExactHeadAndReturnsTheBody) {
    ScriptedServer server({{Reply(Ok("\xcf\xf0\xe8\xe2\xe5\xf2"), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/odds.shtml?d=0&h=0&r0=0&asp=1")),
              "\xcf\xf0\xe8\xe2\xe5\xf2");
    ASSERT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_EQ(server.RequestHeads()[0],
              HeadFor("/odds.shtml?d=0&h=0&r0=0&asp=1", server.HostPort()));
}

TEST(NetHttpTest, RequestTargetAsSent) {
    struct Case {
        std::string url_tail, target;
    };
    const Case cases[] = {
        {"", "/"},
        {"/decimal.asp?", "/decimal.asp?"},
        {"\\dir\\page.html", "/dir/page.html"},
        {"/page.html#section", "/page.html"},
        {"/list?a=1#frag", "/list?a=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url_tail);
        ScriptedServer server({{Reply(Ok("x"), kClose)}});
        TNetHTTP http;
        http.FetchText("http://" + server.HostPort() + c.url_tail);
        ASSERT_EQ(server.RequestHeads().size(), 1u);
        EXPECT_EQ(server.RequestHeads()[0].substr(0, server.RequestHeads()[0].find("\r\n")),
                  "GET " + c.target + " HTTP/1.0");
    }
}

TEST(NetHttpTest, FollowsRedirectsResolvedAgainstTheCurrentLocation) {
    struct Case {
        std::string status;  // the first answer, with its Location
        std::string second_target;
    };
    const Case cases[] = {
        {Redirect("/abs/path.html?x=1"), "/abs/path.html?x=1"},
        {Redirect("bare.html"), "/dir/sub/bare.html"},
        {Redirect("../up.html"), "/dir/up.html"},
        {"HTTP/1.0 301 Moved\r\nLocation: /moved\r\n\r\n", "/moved"},
        // A success that names a Location is followed as well.
        {"HTTP/1.0 200 OK\r\nLocation: /elsewhere\r\nContent-Length: 2\r\n\r\nno", "/elsewhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        ScriptedServer server({{Reply(c.status, kClose)}, {Reply(Ok("final"), kClose)}});
        TNetHTTP http;
        EXPECT_EQ(http.FetchText(server.Url("/dir/sub/page.html")), "final");
        ASSERT_EQ(server.RequestHeads().size(), 2u);
        EXPECT_EQ(server.RequestHeads()[1], HeadFor(c.second_target, server.HostPort()));
    }
}

TEST(NetHttpTest, RedirectToOtherPortSendsItsHostLineAndTellsTheIntercept) {
    ScriptedServer final_server({{Reply(Ok("there"), kClose)}, {Reply(Ok("again"), kClose)}});
    ScriptedServer middle({{Reply(Redirect(final_server.Url("/end")), kClose)}});
    ScriptedServer first({{Reply(Redirect(middle.Url("/mid")), kClose)}});
    TNetLogEvent log;
    log.Active = true;
    log.LogTime = false;
    log.ReplaceCRLF = false;
    std::vector<std::string> sent;
    log.OnSent = [&sent](TNetLogEvent&, const std::string& text, const std::string& data) {
        EXPECT_EQ(text, "");
        sent.push_back(data);
    };
    TNetHTTP http;
    http.SetIntercept(&log);
    EXPECT_EQ(http.FetchText(first.Url("/start")), "there");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2], HeadFor("/end", final_server.HostPort()));
    EXPECT_EQ(final_server.RequestHeads(), std::vector<std::string>{sent[2]});

    // A relative URL stays on the server of the last request, port included.
    EXPECT_EQ(http.FetchText("/again"), "again");
    EXPECT_EQ(sent.back(), HeadFor("/again", final_server.HostPort()));
}

// Where each request goes, seen by a transport factory that answers every connection from memory:
// a URL that names its host without a port goes to port 80, whatever port the last request used;
// a relative one stays where it was; a scheme other than http is refused before anything is sent.
TEST(NetHttpTest, UrlsWithoutAPortGoToPort80AndOtherSchemesAreRefused) {
    struct Case {
        std::string name;
        std::vector<std::string> urls;  // fetched in turn with one client
        std::string answer;             // what every connection answers
        std::vector<std::string> sent_to;
        std::string failure;  // the class the last fetch fails with, if any
    };
    const std::string ok = Ok("x", "Connection: close\r\n");
    const Case cases[] = {
        {"next URL without a port",
         {"http://127.0.0.1:18080/a", "http://127.0.0.1/b"},
         ok,
         {"127.0.0.1:18080", "127.0.0.1:80"},
         ""},
        {"next URL to another host",
         {"http://127.0.0.1:18080/a", "http://other.example/b"},
         ok,
         {"127.0.0.1:18080", "other.example:80"},
         ""},
        {"relative URL keeps the port",
         {"http://127.0.0.1:18080/a", "/b"},
         ok,
         {"127.0.0.1:18080", "127.0.0.1:18080"},
         ""},
        {"redirect to a host without a port",
         {"http://127.0.0.1:18080/a"},
         Redirect("http://localhost/", "Connection: close\r\n"),
         {"127.0.0.1:18080", "localhost:80"},
         ""},
        {"ftp URL after a port",
         {"http://127.0.0.1:18080/a", "ftp://127.0.0.1/b"},
         ok,
         {"127.0.0.1:18080"},
         "ENetUnknownProtocol"},
        {"file URL", {"file:///etc/passwd"}, ok, {}, "ENetUnknownProtocol"},
        {"javascript URL", {"javascript:alert(1)"}, ok, {}, "ENetUnknownProtocol"},
        {"redirect to ftp",
         {"http://127.0.0.1:18080/a"},
         Redirect("ftp://127.0.0.1:18080/x", "Connection: close\r\n"),
         {"127.0.0.1:18080"},
         "ENetUnknownProtocol"},
        {"redirect to javascript",
         {"http://127.0.0.1:18080/a"},
         Redirect("javascript:alert(1)", "Connection: close\r\n"),
         {"127.0.0.1:18080"},
         "ENetUnknownProtocol"},
        {"redirect to mailto",
         {"http://127.0.0.1:18080/a"},
         Redirect("MailTo:a@b.example", "Connection: close\r\n"),
         {"127.0.0.1:18080"},
         "ENetUnknownProtocol"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> sent_to;
        std::vector<std::string> heads;
        TNetHTTP http;
        http.Connection().SetTransportFactory([&](const std::string& host, int port) {
            sent_to.push_back(host + ":" + std::to_string(port));
            auto peer = std::make_shared<MemoryPeer>();
            // A redirect answers once; the connection it leads to answers with the body.
            peer->incoming = sent_to.size() == 1 ? c.answer : ok;
            return std::make_unique<MemoryTransport>(peer);
        });
        std::string failure;
        for (const std::string& url : c.urls) {
            try {
                http.FetchText(url);
            } catch (const ENetException& e) {
                failure = e.ClassName();
            }
        }
        EXPECT_EQ(sent_to, c.sent_to);
        EXPECT_EQ(failure, c.failure);
    }
}

TEST(NetHttpTest, StopsAfterRedirectMaximumWithAnEmptyText) {
    ScriptedServer server({});
    server.SetDefaultExchange(Reply(Redirect("/loop"), kClose));
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/loop")), "");
    EXPECT_EQ(server.RequestHeads().size(), 15u);
    // The next fetch gets its whole allowance again.
    EXPECT_EQ(http.FetchText(server.Url("/loop")), "");
    EXPECT_EQ(server.RequestHeads().size(), 30u);
}

TEST(NetHttpTest, ReadsEachBodyFraming) {
    struct Case {
        std::string name, response, body;
    };
    const Case cases[] = {
        {"chunked",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n "
         "world\r\n0\r\n\r\n",
         "hello world"},
        {"chunked, closed after the last size line",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n", "ok"},
        {"capitalised Chunked is read to the close",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
         "2\r\nok\r\n0\r\n\r\n"},
        {"zero length", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nignored", ""},
        {"204 is not read", "HTTP/1.0 204 No Content\r\n\r\nignored", ""},
        {"until close", "HTTP/1.0 200\r\n\r\nto the end", "to the end"},
        {"bytes after the length are not body",
         "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({{Reply(c.response, kClose)}});
        TNetHTTP http;
        EXPECT_EQ(http.FetchText(server.Url("/")), c.body);
    }
}

// A body that stops before its announced end fails the fetch instead of passing for the page;
// a connection kept after it is never reused.
TEST(NetHttpTest, BodyCutShortFailsTheFetch) {
    struct Case {
        std::string name, response, message;
    };
    const Case cases[] = {
        {"closed before the Content-Length",
         "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly this",
         "The server closed the connection after 9 of 100 bytes."},
        {"closed inside a chunk",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n9\r\nwor",
         "The server closed the connection after 8 bytes of a chunked body, before its last "
         "chunk."},
        {"closed between chunks",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n",
         "The server closed the connection after 5 bytes of a chunked body, before its last "
         "chunk."},
        {"closed inside a size line",
         "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n1",
         "The server closed the connection after 5 bytes of a chunked body, before its last "
         "chunk."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({{Reply(c.response, kClose)}, {Reply(Ok("next"), kClose)}});
        TNetHTTP http;
        try {
            http.FetchText(server.Url("/"));
            FAIL() << "no failure";
        } catch (const ENetBodyIncomplete& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(http.FetchText(server.Url("/")), "next");
    }
}

// A body large enough to take many receives, with a byte pattern that shows any shift or loss.
std::string LargeBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 1024) % 26);
    return body;
}

std::string Chunked(const std::string& body, std::size_t chunk) {
    std::string framed;
    for (std::size_t at = 0; at < body.size(); at += chunk) {
        const std::string piece = body.substr(at, chunk);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        framed += size + piece + "\r\n";
    }
    return framed + "0\r\n\r\n";
}

TEST(NetHttpTest, LargeBodiesReachTheInterceptInBlocksOfAtMostRecvBufferSize) {
    const std::string body = LargeBody(3 * 1024 * 1024 + 321);
    struct Case {
        std::string name, response;
    };
    const Case cases[] = {
        {"counted", Ok(body)},
        {"chunked", "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(body, 70000)},
        {"until close", "HTTP/1.0 200 OK\r\n\r\n" + body},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({{Reply(c.response, kClose)}});
        TNetLogEvent log;
        log.Active = true;
        log.LogTime = false;
        log.ReplaceCRLF = false;
        std::string received;
        std::size_t largest = 0;
        log.OnReceived = [&](TNetLogEvent&, const std::string&, const std::string& block) {
            received += block;
            largest = std::max(largest, block.size());
        };
        // A handler may change what arrives; the body is read from the changed bytes.
        log.OnReceive = [](TNetConnectionIntercept&, std::string& block) {
            for (char& c : block) {
                if (c == 'q') c = 'Q';
            }
        };
        TNetHTTP http;
        http.SetIntercept(&log);
        std::string expected_body = body;
        std::replace(expected_body.begin(), expected_body.end(), 'q', 'Q');
        std::string expected_bytes = c.response;
        std::replace(expected_bytes.begin(), expected_bytes.end(), 'q', 'Q');
        EXPECT_TRUE(http.FetchText(server.Url("/")) == expected_body);
        EXPECT_TRUE(received == expected_bytes);
        EXPECT_LE(largest, 1024u);
        http.SetIntercept(nullptr);
    }
}

// Bytes beyond a complete response answer nothing that was asked: the kept connection is closed
// and the next request goes out on a new one, whether the bytes came with the response or while
// the connection was idle.
TEST(NetHttpTest, BytesAfterACompleteResponseCloseTheKeptConnection) {
    const std::string body = LargeBody(500 * 1024);
    const std::string kept = "Connection: keep-alive\r\n";
    const std::string chunked =
        "HTTP/1.0 200 OK\r\n" + kept + "Transfer-Encoding: chunked\r\n\r\n3\r\none\r\n0\r\n\r\n";
    struct Case {
        std::string name;
        testing_util::ScriptedExchange first;
        std::string first_body;
    };
    testing_util::ScriptedExchange late = Reply(Ok("one", kept));
    late.pieces.push_back({50ms, Ok("stale", kept)});
    const Case cases[] = {
        // The first body must not swallow the start of what follows it, nor leave it for later.
        {"counted", Reply(Ok(body, kept) + Ok("stale", kept)), body},
        {"chunked", Reply(chunked + Ok("stale", kept)), "one"},
        {"empty", Reply("HTTP/1.0 204 No Content\r\n" + kept + "\r\n" + Ok("stale", kept)), ""},
        {"arriving while idle", late, "one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({{c.first, Reply("")}, {Reply(Ok("fresh", kept))}});
        TNetHTTP http;
        EXPECT_TRUE(http.FetchText(server.Url("/1")) == c.first_body);
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(http.FetchText(server.Url("/2")), "fresh");
        EXPECT_EQ(server.AcceptedConnections(), 2);
    }
}

// A body past the client's limit fails the fetch as soon as its length is announced or its bytes
// pass the limit, whatever the framing, also when it is an error page; a redirect's body past it
// is dropped with its connection and the redirect is still followed.
TEST(NetHttpTest, BodiesPastTheLimitFailTheFetch) {
    const std::string limit_body(1000, 'b');
    const std::string over(1001, 'o');
    const std::string chunked_over = "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                     std::string("258\r\n") + std::string(600, 'c') +
                                     "\r\n191\r\n" + std::string(401, 'c') + "\r\n0\r\n\r\n";
    struct Case {
        std::string name;
        std::vector<testing_util::ScriptedConnection> script;
        std::string body;  // the fetch's result, when it succeeds
        bool too_large;
    };
    const Case cases[] = {
        {"counted at the limit", {{Reply(Ok(limit_body), kClose)}}, limit_body, false},
        {"until close at the limit",
         {{Reply("HTTP/1.0 200 OK\r\n\r\n" + limit_body, kClose)}},
         limit_body,
         false},
        // Announced past the limit: refused before its bytes are read.
        {"counted past the limit", {{Reply(Ok(over), kClose)}}, "", true},
        {"chunked past the limit", {{Reply(chunked_over, kClose)}}, "", true},
        {"until close past the limit",
         {{Reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(4u << 20, 'x'), kClose)}},
         "",
         true},
        {"error page past the limit",
         {{Reply("HTTP/1.0 404 Not Found\r\n\r\n" + std::string(5000, 'e'), kClose)}},
         "",
         true},
        {"redirect body past the limit",
         {{Reply("HTTP/1.0 302 Found\r\nLocation: /b\r\n\r\n" + std::string(5000, 'r'), kClose)},
          {Reply(Ok("final"), kClose)}},
         "final",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        TNetHTTP http;
        http.MaxBodySize = 1000;
        try {
            EXPECT_EQ(http.FetchText(server.Url("/a")), c.body);
            EXPECT_FALSE(c.too_large);
        } catch (const ENetResponseBodyTooLarge& e) {
            EXPECT_TRUE(c.too_large);
            EXPECT_STREQ(e.what(), "Response body larger than 1000 bytes.");
        }
    }
    // The default is 64 MiB; 0 sets no limit.
    EXPECT_EQ(TNetHTTP().MaxBodySize, 64u << 20);
    ScriptedServer server({{Reply(Ok(over), kClose)}});
    TNetHTTP unlimited;
    unlimited.MaxBodySize = 0;
    EXPECT_EQ(unlimited.FetchText(server.Url("/")), over);
}

TEST(NetHttpTest, UrlsWithControlCharactersAreRefusedBeforeAnythingIsSent) {
    ScriptedServer server({});
    server.SetDefaultExchange(Reply(Ok("page"), kClose));
    struct Case {
        std::string url, message;
    };
    const std::string injected = server.Url("/a\r\nX-Injected: 1");
    const Case cases[] = {
        {injected, "Invalid URL: control character 0x0D at position " +
                       std::to_string(injected.find('\r') + 1) + " would break the request head."},
        {server.Url("/a\nb"), "control character 0x0A"},
        {server.Url("/a\tb"), "control character 0x09"},
        {server.Url("/a\x01"), "control character 0x01"},
        {server.Url("/a\x7f"), "control character 0x7F"},
        {"http://127.0.0.1\r\nX: y/", "control character 0x0D at position 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        TNetHTTP http;
        try {
            http.FetchText(c.url);
            FAIL() << "no failure";
        } catch (const ENetInvalidURL& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_STREQ(e.ClassName(), "ENetInvalidURL");
        }
    }
    EXPECT_TRUE(server.RequestHeads().empty());

    // Windows-1251 letters are no control characters: they go out as they stand.
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/\xcf\xf0\xe8\xe2\xe5\xf2")), "page");
    ASSERT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_EQ(server.RequestHeads()[0], HeadFor("/\xcf\xf0\xe8\xe2\xe5\xf2", server.HostPort()));

    // A redirect whose Location holds a lone CR is not followed.
    ScriptedServer redirecting({{Reply(Redirect("/next\rX-Injected: 1"), kClose)}});
    TNetHTTP redirected;
    EXPECT_THROW(redirected.FetchText(redirecting.Url("/")), ENetInvalidURL);
    EXPECT_EQ(redirecting.RequestHeads().size(), 1u);
}

TEST(NetHttpTest, EmptyBodyNeverReturnsAnEarlierOne) {
    ScriptedServer server({{Reply(Ok("first"), kClose)}, {Reply(Ok(""), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/a")), "first");
    EXPECT_EQ(http.FetchText(server.Url("/b")), "");
}

TEST(NetHttpTest, KeepAliveReusesTheConnectionOnlyWhenTheServerAllows) {
    ScriptedServer kept({{Reply(Ok("one", "Connection: KEEP-alive\r\n")),
                          Reply(Ok("two", "Connection: keep-alive\r\n"))}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(kept.Url("/1")), "one");
    EXPECT_EQ(http.FetchText(kept.Url("/2")), "two");
    EXPECT_EQ(kept.AcceptedConnections(), 1);

    ScriptedServer not_kept({{Reply(Ok("one"))}, {Reply(Ok("two"))}});
    TNetHTTP other;
    EXPECT_EQ(other.FetchText(not_kept.Url("/1")), "one");
    EXPECT_EQ(other.FetchText(not_kept.Url("/2")), "two");
    EXPECT_EQ(not_kept.AcceptedConnections(), 2);
}

TEST(NetHttpTest, StaleKeptConnection) {
    // The close has arrived before the next request: a new connection is opened.
    ScriptedServer closed(
        {{Reply(Ok("one", "Connection: keep-alive\r\n"), kClose)}, {Reply(Ok("two"), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(closed.Url("/1")), "one");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(http.FetchText(closed.Url("/2")), "two");
    EXPECT_EQ(closed.AcceptedConnections(), 2);

    // The server closes only on seeing the next request: that fetch fails and is not repeated.
    ScriptedServer late({{Reply(Ok("one", "Connection: keep-alive\r\n"))}});
    TNetHTTP client;
    EXPECT_EQ(client.FetchText(late.Url("/1")), "one");
    try {
        client.FetchText(late.Url("/2"));
        FAIL() << "no failure";
    } catch (const ENetConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(late.AcceptedConnections(), 1);
    EXPECT_EQ(late.RequestHeads().size(), 2u);
}

TEST(NetHttpTest, FailedBodyReadDoesNotLeaveTheConnectionForTheNextFetch) {
    testing_util::ScriptedExchange short_body =
        Reply("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 10\r\n\r\nabc");
    ScriptedServer server({{short_body}, {Reply(Ok("fresh"), kClose)}});
    TNetHTTP http;
    http.ReadTimeout = 200;
    EXPECT_THROW(http.FetchText(server.Url("/1")), ENetReadTimeout);
    EXPECT_EQ(http.FetchText(server.Url("/2")), "fresh");
    EXPECT_EQ(server.AcceptedConnections(), 2);
}

TEST(NetHttpTest, CookieSetByARedirectGoesWithTheNextRequest) {
    ScriptedServer server({{Reply(Redirect("/in", "Set-Cookie: session=abc; path=/\r\n"), kClose)},
                           {Reply(Ok("inside"), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/login")), "inside");
    ASSERT_EQ(server.RequestHeads().size(), 2u);
    EXPECT_EQ(server.RequestHeads()[0], HeadFor("/login", server.HostPort()));
    EXPECT_EQ(server.RequestHeads()[1],
              HeadFor("/in", server.HostPort(), "Cookie: session=abc\r\n"));
}

TEST(NetHttpTest, AFloodOfCookiesKeepsTheLatestAndTheNextHeadCarriesThem) {
    // 30 000 Set-Cookie lines and 10 000 other header lines in one redirect: the store keeps the
    // 180 filed last under the host, and the next request carries exactly those, latest first, on
    // one Cookie line folded into pieces.
    std::string headers;
    for (int i = 0; i < 30000; ++i) {
        headers += "Set-Cookie: c" + std::to_string(i) + "=1; path=/\r\n";
    }
    for (int i = 0; i < 10000; ++i) headers += "X" + std::to_string(i) + ": x\r\n";
    ScriptedServer server(
        {{Reply(Redirect("/in", headers), kClose)}, {Reply(Ok("inside"), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/login")), "inside");
    EXPECT_EQ(http.CookieManager()->Cookies().size(), TNetCookieManager::kMaxCookiesPerDomain);
    ASSERT_EQ(server.RequestHeads().size(), 2u);
    std::string cookies;
    for (int i = 29999; i >= 30000 - 180; --i) {
        cookies += (cookies.empty() ? "c" : "; c") + std::to_string(i) + "=1";
    }
    std::string unfolded = server.RequestHeads()[1];
    for (std::size_t fold; (fold = unfolded.find("\r\n ")) != std::string::npos;) {
        unfolded.erase(fold, 2);
    }
    EXPECT_EQ(unfolded, HeadFor("/in", server.HostPort(), "Cookie: " + cookies + "\r\n"));
}

TEST(NetHttpTest, ErrorStatusesRaiseWithStatusLineCodeAndBody) {
    struct Case {
        std::string response, message;
        int code;
        std::string body;
    };
    const Case cases[] = {
        {"HTTP/1.0 404 Not Found\r\nContent-Length: 7\r\n\r\nmissing", "HTTP/1.0 404 Not Found",
         404, "missing"},
        {"HTTP/1.0 500 Internal Server Error\r\n\r\noops", "HTTP/1.0 500 Internal Server Error",
         500, "oops"},
        {"HTTP/1.0 304 Not Modified\r\n\r\n", "HTTP/1.0 304 Not Modified", 304, ""},
        {"HTTP/1.0 102 Processing\r\n\r\n", "HTTP/1.0 102 Processing", 102, ""},
        {"garbage\r\n\r\n", "garbage", -1, ""},
        // A status line cut short by the close reads as empty; the partial line is the body.
        {"HTTP/1.0 20", "", -1, "HTTP/1.0 20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.response);
        ScriptedServer server({{Reply(c.response, kClose)}});
        TNetHTTP http;
        try {
            http.FetchText(server.Url("/"));
            FAIL() << "no failure";
        } catch (const ENetHTTPProtocolException& e) {
            EXPECT_EQ(e.what(), c.message);
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_EQ(e.ErrorMessage(), c.body);
        }
    }
}

TEST(NetHttpTest, InterimContinueIsSkipped) {
    ScriptedServer server(
        {{Reply("HTTP/1.0 100 Continue\r\nSet-Cookie: a=1; path=/\r\n\r\n" + Ok("after"), kClose)},
         {Reply(Ok("next"), kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/")), "after");
    EXPECT_EQ(http.FetchText(server.Url("/")), "next");
    EXPECT_NE(server.RequestHeads()[1].find("Cookie: a=1\r\n"), std::string::npos);
}

TEST(NetHttpTest, BasicChallengeAddsAuthorizationToLaterRequests) {
    ScriptedServer server(
        {{Reply("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Digest x\r\n"
                "WWW-Authenticate: basic realm=\"r\"\r\nContent-Length: 0\r\n\r\n",
                kClose)},
         {Reply(Ok("ok"), kClose)}});
    TNetHTTP http;
    EXPECT_THROW(http.FetchText(server.Url("/")), ENetHTTPProtocolException);
    EXPECT_EQ(http.FetchText(server.Url("/")), "ok");
    EXPECT_EQ(server.RequestHeads()[1],
              HeadFor("/", server.HostPort(), "Authorization: Basic Og==\r\n"));
}

// A 407 whose first challenge offers "Basic" makes later requests carry Proxy-Authorization; a
// first challenge of another scheme does not.
TEST(NetHttpTest, ProxyBasicChallengeAddsProxyAuthorizationToLaterRequests) {
    struct Case {
        std::string challenges;
        std::string extra;  // what the next request head carries
    };
    const Case cases[] = {
        {"Proxy-Authenticate: BASIC realm=\"p\"\r\n", "Proxy-Authorization: Basic Og==\r\n"},
        {"Proxy-Authenticate: Digest x\r\nProxy-Authenticate: Basic realm=\"p\"\r\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.challenges);
        ScriptedServer server({{Reply("HTTP/1.0 407 Proxy Authentication Required\r\n" +
                                          c.challenges + "Content-Length: 4\r\n\r\ndeny",
                                      kClose)},
                               {Reply(Ok("ok"), kClose)}});
        TNetHTTP http;
        try {
            http.FetchText(server.Url("/"));
            FAIL() << "no failure";
        } catch (const ENetHTTPProtocolException& e) {
            EXPECT_EQ(e.ErrorCode(), 407);
            EXPECT_EQ(e.ErrorMessage(), "deny");
        }
        EXPECT_EQ(http.FetchText(server.Url("/")), "ok");
        EXPECT_EQ(server.RequestHeads()[1], HeadFor("/", server.HostPort(), c.extra));
    }
}

// With redirects switched off the redirect is the final answer: one request and an empty text,
// while its cookie is still taken.
TEST(NetHttpTest, RedirectsSwitchedOffEndAtTheFirstRedirect) {
    ScriptedServer server({{Reply(Redirect("/in", "Set-Cookie: s=1; path=/\r\n"), kClose)},
                           {Reply(Ok("next"), kClose)}});
    TNetHTTP http;
    http.HandleRedirects = false;
    EXPECT_EQ(http.FetchText(server.Url("/login")), "");
    EXPECT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_EQ(http.Response().ResponseCode, 302);
    EXPECT_EQ(http.Response().Location, "/in");
    EXPECT_EQ(http.FetchText(server.Url("/")), "next");
    EXPECT_EQ(server.RequestHeads()[1], HeadFor("/", server.HostPort(), "Cookie: s=1\r\n"));
}

// With cookies switched off and no store attached, nothing is kept and nothing is sent.
TEST(NetHttpTest, CookiesSwitchedOffAreNeitherKeptNorSent) {
    ScriptedServer server({{Reply(Ok("a", "Set-Cookie: s=1; path=/\r\n"), kClose)},
                           {Reply(Redirect("/b", "Set-Cookie: t=2; path=/\r\n"), kClose)},
                           {Reply(Ok("b"), kClose)}});
    TNetHTTP http;
    http.AllowCookies = false;
    EXPECT_EQ(http.FetchText(server.Url("/")), "a");
    EXPECT_EQ(http.FetchText(server.Url("/")), "b");
    ASSERT_EQ(server.RequestHeads().size(), 3u);
    EXPECT_EQ(server.RequestHeads()[1], HeadFor("/", server.HostPort()));
    EXPECT_EQ(server.RequestHeads()[2], HeadFor("/b", server.HostPort()));
    EXPECT_EQ(http.CookieManager(), nullptr);
}

// A Content-Range must give both positions as numbers; anything else fails the fetch.
TEST(NetHttpTest, ContentRangePositionsMustBeNumbers) {
    struct Case {
        std::string range;
        std::string failure;  // empty: the body comes back
    };
    const Case cases[] = {
        {"bytes 0-4/5", ""},
        {"0-4/*", ""},
        {"bytes x-4/5", "'x' is not a valid integer value"},
        {"bytes 0-y/5", "'y' is not a valid integer value"},
        {"bytes */5", "'*/5' is not a valid integer value"},
        {"bytes 7", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        ScriptedServer server({{Reply(Ok("hello", "Content-Range: " + c.range + "\r\n"), kClose)}});
        TNetHTTP http;
        try {
            EXPECT_EQ(http.FetchText(server.Url("/")), "hello");
            EXPECT_EQ(c.failure, "");
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), c.failure);
        }
    }
}

TEST(NetHttpTest, HeadLineLimit) {
    // 16384 bytes before the LF, the CR included, pass; one more fails the fetch.
    const std::string fits = "X-Pad: " + std::string(16384 - 8, 'p') + "\r\n";
    const std::string too_long = "X-Pad: " + std::string(16384 - 7, 'p') + "\r\n";
    ScriptedServer server({{Reply("HTTP/1.0 200 OK\r\n" + fits + "\r\nbody", kClose)},
                           {Reply("HTTP/1.0 200 OK\r\n" + too_long + "\r\nbody", kClose)}});
    TNetHTTP http;
    EXPECT_EQ(http.FetchText(server.Url("/")), "body");
    EXPECT_THROW(http.FetchText(server.Url("/")), ENetReadLnMaxLineLengthExceeded);
}

TEST(NetHttpTest, HugeHeadFailsClearly) {
    std::string head = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 80; ++i) head += "X-Pad: " + std::string(16000, 'p') + "\r\n";
    ScriptedServer server({{Reply(head + "\r\nbody", kClose)}});
    TNetHTTP http;
    try {
        http.FetchText(server.Url("/"));
        FAIL() << "no failure";
    } catch (const ENetResponseHeadTooLarge& e) {
        EXPECT_STREQ(e.what(), "Response head larger than 1048576 bytes.");
    }
}

TEST(NetHttpTest, RefusedUrlsAndMalformedHeaders) {
    ScriptedServer server({});
    server.SetDefaultExchange(Reply("HTTP/1.0 200 OK\r\nExpires: 90000\r\n\r\n", kClose));
    struct Case {
        std::string url;
        std::string class_name;
        std::string message;
    };
    const Case cases[] = {
        {"https://127.0.0.1/", "ENetIOHandlerPropInvalid", "IOHandler value is not valid"},
        {"ftp://127.0.0.1/", "ENetUnknownProtocol", ""},
        {"http://127.0.0.1:8x/", "EConvertError", "'8x' is not a valid integer value"},
        {server.Url("/"), "EConvertError", "Invalid argument to time encode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        TNetHTTP http;
        try {
            http.FetchText(c.url);
            FAIL() << "no failure";
        } catch (const ENetException& e) {
            EXPECT_EQ(e.ClassName(), c.class_name);
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(NetHttpTest, SilentServerEndsAtTheInjectedLimits) {
    ScriptedServer server({{testing_util::NoAnswer()}, {testing_util::NoAnswer()}});
    TNetHTTP http;
    http.ReadTimeout = 300;
    try {
        http.FetchText(server.Url("/"));
        FAIL() << "no failure";
    } catch (const ENetReadTimeout& e) {
        EXPECT_STREQ(e.what(), "Read Timeout");
    }

    // Without a read limit, the overall limit ends the fetch.
    TNetIdleHook hook;
    TNetHTTP bounded;
    bounded.SetIdleHook(&hook);
    TNetTimeLimits limits;
    limits.fetch_ms = 400;
    bounded.SetTimeLimits(limits);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(bounded.FetchText(server.Url("/")), ENetFetchTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

}  // namespace
}  // namespace lintaro::http
