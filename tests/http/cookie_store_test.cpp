// Checks the cookie store: how a cookie line is read, which hosts may set a cookie and which
// receive it, paths, replacement in place, expiry on a fixed clock, and the "Cookie" value.
#include "http/cookie_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "http/net_errors.h"
#include "http/net_text.h"

namespace lintaro::http {
namespace {

using namespace std::chrono;

LocalSeconds At(int y, unsigned mo, unsigned d, int h = 0, int mi = 0, int s = 0) {
    return duration_cast<seconds>(sys_days(year(y) / month(mo) / day(d)).time_since_epoch())
               .count() +
           h * 3600 + mi * 60 + s;
}

// 2026-12-10 12:00:00 UTC, 15:00 in a zone three hours east.
const LocalClockReading kNow{At(2026, 12, 10, 12), 3 * 3600};

// A store on a clock the test moves by hand.
class CookieStoreTest : public ::testing::Test {
  protected:
    CookieStoreTest() : store_([this] { return now_; }) {}

    void Advance(std::int64_t seconds) { now_.utc_seconds += seconds; }
    std::string Header(const std::string& host, const std::string& path = "/") {
        return store_.CookieHeader(host, path, false);
    }

    LocalClockReading now_ = kNow;
    TNetCookieManager store_;
};

TEST(CookieParseTest, ReadsNameValueAndAttributes) {
    constexpr auto kNetscape = TNetCookieKind::kNetscape;
    struct Case {
        const char* text;
        const char* name;
        const char* value;
        const char* path;
        const char* domain;
        const char* expires;
        bool secure;
        TNetCookieKind kind;
        std::int64_t max_age;
    } cases[] = {
        // Further "=" belong to the value; one pair of quotes is taken off the path only; without
        // an expiry date the cookie becomes a Netscape one.
        {"sid=abc=def; Path=\"/odds/\"; Domain=.example.com; Secure", "sid", "abc=def", "/odds/",
         ".example.com", "", true, kNetscape, -1},
        // The first of two equal attributes counts, in any letter case.
        {"a=\"q\"; path=/a; PATH=/b; expires=Wed, 09-Jun-2021 10:18:14 GMT", "a", "\"q\"", "/a", "",
         "Wed, 09-Jun-2021 10:18:14 GMT", false, TNetCookieKind::kRfc2109, -1},
        // "secure" with a value is not the flag; a first item without "=" has no name.
        {"novalue; secure=yes", "", "", "", "", "", false, kNetscape, -1},
        // Equal to the text already parsed: nothing changes.
        {"", "", "", "", "", "", false, TNetCookieKind::kRfc2109, -1},
        // "max-age" becomes an expiry date on the current local clock.
        {"a=1; max-age=60", "a", "1", "", "", "Thu, 10 Dec 2026 15:01:00 +0300", false, kNetscape,
         60},
        // An age past the last readable date is held there instead of wrapping into the past.
        {"a=1; Max-Age=999999999999999", "a", "1", "", "", "Fri, 31 Dec 9999 23:59:59 +0300", false,
         kNetscape, 999999999999999},
        {"a=1; max-age=soon", "a", "1", "", "", "", false, kNetscape, -1},
        {"a=1; max-age=-5", "a", "1", "", "", "", false, kNetscape, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TNetCookie cookie;
        ParseCookieText(cookie, c.text, kNow);
        EXPECT_EQ(cookie.name, c.name);
        EXPECT_EQ(cookie.value, c.value);
        EXPECT_EQ(cookie.path, c.path);
        EXPECT_EQ(cookie.domain, c.domain);
        EXPECT_EQ(cookie.expires, c.expires);
        EXPECT_EQ(cookie.secure, c.secure);
        EXPECT_EQ(cookie.kind, c.kind);
        EXPECT_EQ(cookie.max_age, c.max_age);
        EXPECT_EQ(cookie.cookie_text, c.text);
    }
    TNetCookie cookie;
    ParseCookieText(cookie, "a=1; Version=1; COMMENT=why; comment=not", kNow);
    EXPECT_EQ(cookie.version, "1");
    EXPECT_EQ(cookie.comment, "why");
}

TEST(CookieParseTest, SetCookie2ReadsPortsCommentUrlAndDiscard) {
    struct Case {
        const char* text;
        std::vector<int> ports;
    } cases[] = {
        {"a=1", {80}},
        {"a=1; Port=\"80, 8080\"", {80, 8080}},
        {"a=1; Port=\"\"", {80}},
        {"a=1; Port=8080", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TNetCookie cookie;
        cookie.kind = TNetCookieKind::kRfc2965;
        ParseCookieText(cookie, c.text, kNow);
        EXPECT_EQ(cookie.port_list, c.ports);
    }
    TNetCookie cookie;
    cookie.kind = TNetCookieKind::kRfc2965;
    ParseCookieText(cookie, "a=1; CommentURL=http://x/why; Discard; expires=x", kNow);
    EXPECT_EQ(cookie.comment_url, "http://x/why");
    EXPECT_TRUE(cookie.discard);
    EXPECT_EQ(cookie.kind, TNetCookieKind::kRfc2965);

    TNetCookieManager store([] { return kNow; });
    try {
        store.AddServerCookie2("a=1; path=/; Port=\"80,8x\"", "example.com");
        FAIL() << "a bad port list was accepted";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'8x' is not a valid integer value");
    }
    EXPECT_TRUE(store.Cookies().empty());
}

TEST(CookieParseTest, ServerFormWritesWhatIsSetInOrder) {
    TNetCookie cookie;
    cookie.name = "sid";
    cookie.value = "1";
    cookie.path = "/";
    cookie.domain = ".example.com";
    cookie.expires = "x";
    cookie.secure = true;
    cookie.kind = TNetCookieKind::kNetscape;
    EXPECT_EQ(ServerCookieText(cookie), "sid=1; path=/; expires=x; domain=.example.com; secure");
    cookie = TNetCookie();
    cookie.name = "sid";
    cookie.value = "1";
    cookie.max_age = 5;
    cookie.version = "1";
    cookie.comment = "c";
    EXPECT_EQ(ServerCookieText(cookie), "sid=1; max-age=5; comment=c; version=1");
    cookie.value = "";
    cookie.max_age = -1;
    EXPECT_EQ(ServerCookieText(cookie), "comment=c; version=1");
}

TEST(CookieDomainTest, WhichHostMaySetWhichDomain) {
    struct Case {
        const char* domain;
        const char* host;
        bool valid;
    } cases[] = {
        {"www.example.com", "www.example.com", true},
        {"WWW.example.com", "www.example.com", false},  // letter case counts
        {".example.com", "www.example.com", true},      // the host's own domain
        {".EXAMPLE.com", "www.example.com", false},
        {"example.com", "www.example.com", false},  // a host name must be the host itself
        {".example.com", "a.b.example.com", false},
        {"1.2.3.4", "www.example.com", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.2", "127.0.0.1", false},
        {".0.0.1", "127.0.0.1", false},
        {"localhost", "localhost", true},
        {".WWW.Example.com", ".www.example.com", true},  // a host with a leading dot: any case
        // One label after the leading dot would reach every host under a top-level domain.
        {".com", "example.com", false},
        {"com", "example.com", false},
        {".", "example.", false},
        {".local", "printer.local", false},
        {".example.co", "www.example.co", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.domain) + " from " + c.host);
        EXPECT_EQ(IsCookieDomainValidForHost(c.domain, c.host), c.valid);
    }
}

TEST(CookieDomainTest, CookiesGoOnlyToTheirHostAndHostsBelowIt) {
    struct Case {
        const char* domain;
        const char* host;
        bool sent;
    } cases[] = {
        {"example.com", "example.com", true},
        {".example.com", "example.com", true},
        {".example.com", "www.example.com", true},
        {"EXAMPLE.com", "live.www.example.COM", true},
        {"example.com", "badexample.com", false},  // merely contains the text
        {"example.com", "example.com.evil.org", false},
        {"www.example.com", "example.com", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.1", "127.0.0.10", false},
        // An address goes to itself only, never to names that end in it.
        {"127.0.0.1", "evil.127.0.0.1", false},
        {"127.0.0.1", "1.127.0.0.1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.domain) + " to " + c.host);
        EXPECT_EQ(CookieDomainMatchesHost(c.domain, c.host), c.sent);
    }
}

TEST_F(CookieStoreTest, CookieWithoutDomainIsFiledUnderTheHostAndSentBelowIt) {
    store_.AddServerCookie("sid=1; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "sid=1");
    EXPECT_EQ(Header("www.example.com"), "sid=1");
    EXPECT_EQ(Header("notexample.com"), "");
    EXPECT_EQ(Header("example.com.evil.org"), "");
    ASSERT_EQ(store_.Cookies().size(), 1u);
    EXPECT_EQ(store_.Cookies()[0].domain, "example.com");
}

TEST_F(CookieStoreTest, CookieForAForeignDomainIsDropped) {
    store_.AddServerCookie("a=1; path=/; domain=example.com", "www.example.com");
    store_.AddServerCookie("b=1; path=/; domain=.other.com", "www.example.com");
    EXPECT_TRUE(store_.Cookies().empty());
    store_.AddServerCookie("c=1; path=/; domain=.example.com", "www.example.com");
    EXPECT_EQ(Header("live.example.com"), "c=1");
}

TEST_F(CookieStoreTest, TopLevelDomainsAndControlBytesAreRefused) {
    store_.AddServerCookie("tld=1; path=/; domain=.com", "example.com");
    EXPECT_EQ(Header("evil.com"), "");
    store_.AddServerCookie("ip=1; path=/", "127.0.0.1");
    EXPECT_EQ(Header("127.0.0.1"), "ip=1");
    EXPECT_EQ(Header("evil.127.0.0.1"), "");
    const char* refused[] = {"cr=a\rb; path=/", "lf=a\nSet-Cookie: x; path=/",
                             "esc=\x1b[31m; path=/", "del=a\x7f; path=/", "n\ral=1; path=/"};
    for (const char* line : refused) {
        SCOPED_TRACE(line);
        store_.AddServerCookie(line, "example.com");
    }
    const char nul[] = "nul=a\0b; path=/";
    store_.AddServerCookie(std::string(nul, sizeof nul - 1), "example.com");
    EXPECT_EQ(Header("example.com"), "");
    ASSERT_EQ(store_.Cookies().size(), 1u);  // the address's cookie
}

TEST_F(CookieStoreTest, PathMustBeAPrefixOfTheRequestDirectory) {
    struct Case {
        const char* cookie_path;  // nullptr: no path attribute
        const char* request_path;
        bool sent;
    } cases[] = {
        {nullptr, "/", false},  // without a path a cookie is kept but never sent
        {"/", "/", true},
        {"/", "/odds/live/", true},
        {"/odds.shtml", "/", false},  // a document path never matches its own directory
        {"/odds/", "/odds/live/", true},
        {"/odds/", "/", false},
        {"/Odds/", "/odds/", false},
    };
    for (const Case& c : cases) {
        std::string line = "sid=1";
        if (c.cookie_path) line += std::string("; path=") + c.cookie_path;
        SCOPED_TRACE(line + " for " + c.request_path);
        TNetCookieManager store([] { return kNow; });
        store.AddServerCookie(line, "example.com");
        EXPECT_EQ(store.CookieHeader("example.com", c.request_path, false), c.sent ? "sid=1" : "");
    }
}

TEST_F(CookieStoreTest, LongerPathsComeFirstAndEqualPathsLatestNameFirst) {
    store_.AddServerCookie("root=1; path=/", "example.com");
    store_.AddServerCookie("deep=2; path=/odds/", "example.com");
    store_.AddServerCookie("also=3; path=/", "example.com");
    EXPECT_EQ(Header("example.com", "/odds/"), "deep=2; also=3; root=1");
    EXPECT_EQ(Header("example.com", "/"), "also=3; root=1");
}

TEST_F(CookieStoreTest, SameNameReplacesTheStoredCookieInPlace) {
    store_.AddServerCookie("a=1; path=/", "example.com");
    store_.AddServerCookie("b=2; path=/", "example.com");
    store_.AddServerCookie("A=3; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "b=2; A=3");
    EXPECT_EQ(store_.Cookies().size(), 2u);
}

TEST_F(CookieStoreTest, SecureEmptyAndNamelessCookiesAreNotSent) {
    store_.AddServerCookie("s=1; path=/; secure", "example.com");
    store_.AddServerCookie("e=; path=/", "example.com");
    store_.AddServerCookie("nameless; path=/", "example.com");
    EXPECT_EQ(store_.Cookies().size(), 3u);
    EXPECT_EQ(Header("example.com"), "");
    EXPECT_EQ(store_.CookieHeader("example.com", "/", true), "s=1");
}

TEST_F(CookieStoreTest, ExpiredCookiesAreRemovedBeforeEachRequest) {
    store_.AddServerCookie("past=1; path=/; expires=Thu, 10 Dec 2026 11:59:59 GMT", "example.com");
    store_.AddServerCookie("future=1; path=/; expires=Thu, 10 Dec 2026 12:00:30 GMT",
                           "example.com");
    store_.AddServerCookie("bogus=1; path=/; expires=Thu, 31 Nov 2026 12:00:00 GMT", "example.com");
    store_.AddServerCookie("zero=1; path=/; max-age=0", "example.com");
    store_.AddServerCookie("aged=1; path=/; max-age=60", "example.com");
    store_.AddServerCookie("session=1; path=/", "example.com");
    EXPECT_EQ(store_.Cookies().size(), 6u);
    EXPECT_EQ(Header("example.com"), "session=1; aged=1; future=1");
    EXPECT_EQ(store_.Cookies().size(), 3u);
    Advance(30);  // "future" ends now
    EXPECT_EQ(Header("example.com"), "session=1; aged=1");
    Advance(30);
    EXPECT_EQ(Header("example.com"), "session=1");
    Advance(1000000);
    EXPECT_EQ(Header("example.com"), "session=1");
}

TEST_F(CookieStoreTest, ReplacementCarriesTheNewExpiry) {
    // A past date deletes the stored cookie, whichever attribute gives it.
    store_.AddServerCookie("sid=1; path=/", "example.com");
    store_.AddServerCookie("sid=deleted; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT",
                           "example.com");
    EXPECT_EQ(Header("example.com"), "");
    EXPECT_TRUE(store_.Cookies().empty());

    store_.AddServerCookie("a=1; path=/", "example.com");
    store_.AddServerCookie("a=2; path=/; max-age=10", "example.com");
    store_.AddServerCookie("b=1; path=/; max-age=10", "example.com");
    store_.AddServerCookie("b=2; path=/", "example.com");  // a session cookie now
    EXPECT_EQ(Header("example.com"), "b=2; a=2");
    Advance(11);
    EXPECT_EQ(Header("example.com"), "b=2");
}

TEST_F(CookieStoreTest, ReplacementWithAnEmptyValueIsNeverSent) {
    store_.AddServerCookie("sid=1; path=/", "example.com");
    store_.AddServerCookie("sid=; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "");
    EXPECT_EQ(store_.Cookies().size(), 1u);
    store_.AddServerCookie("sid=2; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "sid=2");
}

// A replaced cookie keeps the fields it came with: a host name holding ";" (here with what reads as
// a Set-cookie2 port list after it) stays the domain, a nameless cookie stays nameless.
TEST_F(CookieStoreTest, ReplacementCopiesTheFieldsWithoutReadingThemAgain) {
    const std::string host = "odd;port=x";
    store_.AddServerCookie2("sid=1; path=/; expires=Thu, 09 Dec 2027 12:00:00 GMT", host);
    EXPECT_NO_THROW(
        store_.AddServerCookie2("sid=2; path=/; expires=Thu, 09 Dec 2027 12:00:00 GMT", host));
    ASSERT_EQ(store_.Cookies().size(), 1u);
    EXPECT_EQ(store_.Cookies()[0].domain, host);
    EXPECT_EQ(store_.Cookies()[0].value, "2");
    EXPECT_EQ(Header(host), "sid=2");

    store_.AddServerCookie("nameless; path=/", "example.com");
    store_.AddServerCookie("nameless; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "");
    EXPECT_EQ(store_.Cookies().back().name, "");
}

TEST_F(CookieStoreTest, OnNewCookieMayRefuse) {
    store_.OnNewCookie = [](const TNetCookie& cookie) { return cookie.name != "tracker"; };
    store_.AddServerCookie("tracker=1; path=/", "example.com");
    store_.AddServerCookie("sid=1; path=/", "example.com");
    EXPECT_EQ(Header("example.com"), "sid=1");
}

// Limits. Names are "c<n>", every cookie's value 1 and path "/".
void AddNumbered(TNetCookieManager& store, const std::string& host, int first, int last) {
    for (int i = first; i <= last; ++i) {
        store.AddServerCookie("c" + std::to_string(i) + "=1; path=/", host);
    }
}

std::vector<std::string> Names(const std::vector<TNetCookie>& cookies) {
    std::vector<std::string> names;
    for (const TNetCookie& cookie : cookies) names.push_back(cookie.name);
    return names;
}

TEST_F(CookieStoreTest, ADomainKeyHoldsAtMost180TheEarliestFiledGoingFirst) {
    static_assert(TNetCookieManager::kMaxCookiesPerDomain == 180);
    AddNumbered(store_, "example.com", 0, 179);
    // Replaced, c0 keeps its place as the earliest filed; another domain key counts apart.
    store_.AddServerCookie("c0=2; path=/", "example.com");
    store_.AddServerCookie("dotted=1; path=/; domain=.example.com", "www.example.com");
    AddNumbered(store_, "example.com", 180, 181);
    const std::vector<std::string> names = Names(store_.Cookies());
    ASSERT_EQ(names.size(), 181u);
    EXPECT_EQ(names.front(), "c2");
    EXPECT_EQ(names[179], "c181");
    EXPECT_EQ(names.back(), "dotted");
    const std::string header = Header("example.com");
    EXPECT_TRUE(header.starts_with("c181=1; c180=1; c179=1; ")) << header;
    EXPECT_TRUE(header.ends_with("; c3=1; c2=1; dotted=1")) << header;
}

TEST_F(CookieStoreTest, ExpiredCookiesGoBeforeTheEarliestFiled) {
    AddNumbered(store_, "example.com", 0, 89);
    store_.AddServerCookie("soon=1; path=/; max-age=10", "example.com");
    store_.AddServerCookie("past=1; path=/; expires=Thu, 10 Dec 2026 11:00:00 GMT", "example.com");
    AddNumbered(store_, "example.com", 92, 179);
    Advance(11);
    AddNumbered(store_, "example.com", 180, 180);  // both expired ones go, nothing else
    std::vector<std::string> names = Names(store_.Cookies());
    ASSERT_EQ(names.size(), 179u);
    EXPECT_EQ(names.front(), "c0");
    EXPECT_EQ(std::count(names.begin(), names.end(), "soon"), 0);
    AddNumbered(store_, "example.com", 181, 182);  // no expired one left: c0 goes
    names = Names(store_.Cookies());
    ASSERT_EQ(names.size(), 180u);
    EXPECT_EQ(names.front(), "c1");
    EXPECT_EQ(names.back(), "c182");
}

TEST_F(CookieStoreTest, TheStoreHoldsAtMost3000TheEarliestFiledGoingFirst) {
    static_assert(TNetCookieManager::kMaxCookies == 3000);
    // Seventeen hosts, filed one after the other: 16 full domain keys and 120 cookies more.
    auto host = [](int i) { return "h" + std::to_string(i) + ".example.com"; };
    for (int i = 0; i < 16; ++i) AddNumbered(store_, host(i), 0, 179);
    store_.AddServerCookie("soon=1; path=/; max-age=10", host(5));  // replaces nothing: 181st
    AddNumbered(store_, host(16), 0, 119);
    EXPECT_EQ(store_.Cookies().size(), 3000u);
    EXPECT_EQ(Header(host(5)).find("c0=1"), std::string::npos);  // gone for the 181st
    EXPECT_NE(Header(host(0)).find("c0=1"), std::string::npos);

    AddNumbered(store_, host(16), 120, 120);  // the earliest filed in the whole store goes
    EXPECT_EQ(Header(host(0)).find("c0=1"), std::string::npos);
    EXPECT_NE(Header(host(0)).find("c1=1"), std::string::npos);
    Advance(11);
    AddNumbered(store_, host(16), 121, 121);  // the expired one goes instead of h0's c1
    EXPECT_NE(Header(host(0)).find("c1=1"), std::string::npos);
    EXPECT_EQ(Header(host(5)).find("soon"), std::string::npos);
    EXPECT_EQ(store_.Cookies().size(), 3000u);
}

// The rules of filing and of the "Cookie" line written the plain way, walking every list for
// every request, against which the indexed store is checked.
class ListWalkingStore {
  public:
    void Add(const std::string& text, const std::string& host, const LocalClockReading& now) {
        TNetCookie cookie;
        ParseCookieText(cookie, text, now);
        if (cookie.domain.empty()) cookie.domain = host;
        if (!IsCookieDomainValidForHost(cookie.domain, host)) return;
        auto domain = std::find_if(domains_.begin(), domains_.end(), [&](const auto& d) {
            return EqualsNoCase(d.first, cookie.domain);
        });
        if (domain == domains_.end()) domain = domains_.insert(domains_.end(), {cookie.domain, {}});
        auto& names = domain->second;
        auto named = std::find_if(names.begin(), names.end(), [&](const auto& n) {
            return EqualsNoCase(n.first, cookie.name);
        });
        if (named == names.end()) {
            names.push_back({cookie.name, cookie});
            return;
        }
        TNetCookie& stored = named->second;
        ParseCookieText(stored, ServerCookieText(cookie), now);
        stored.kind = cookie.kind;
        stored.expires = cookie.expires;
    }

    std::string Header(const std::string& host, const std::string& path,
                       const LocalClockReading& now) {
        for (auto& [key, names] : domains_) {
            std::erase_if(names, [&](const auto& n) {
                return !n.second.expires.empty() &&
                       ReadInternetDate(n.second.expires, now.utc_offset_seconds) <= now.Local();
            });
        }
        std::vector<const TNetCookie*> matching;
        for (const auto& [key, names] : domains_) {
            if (!CookieDomainMatchesHost(key, host)) continue;
            for (auto n = names.rbegin(); n != names.rend(); ++n) {
                const TNetCookie& c = n->second;
                if (!c.path.empty() && path.starts_with(c.path) && !c.secure && !c.value.empty()) {
                    matching.push_back(&c);
                }
            }
        }
        auto upper = [](std::string text) {
            for (char& ch : text) ch = UpperAscii(ch);
            return text;
        };
        std::stable_sort(matching.begin(), matching.end(), [&](const auto* a, const auto* b) {
            return upper(b->path) < upper(a->path);
        });
        std::string header;
        for (const TNetCookie* c : matching) {
            header += (header.empty() ? "" : "; ") + c->name + "=" + c->value;
        }
        return header;
    }

    std::vector<TNetCookie> Cookies() const {
        std::vector<TNetCookie> cookies;
        for (const auto& [key, names] : domains_) {
            for (const auto& [name, cookie] : names) cookies.push_back(cookie);
        }
        return cookies;
    }

  private:
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, TNetCookie>>>> domains_;
};

TEST_F(CookieStoreTest, IndexedStoreAgreesWithWalkingEveryList) {
    const char* hosts[] = {"example.com", "www.example.com", "a.www.example.com", "WWW.Example.com",
                           "127.0.0.1",   "other.org",       "example.com."};
    const char* names[] = {"a", "A", "b", "sid", "c"};
    const char* values[] = {"1", "2", ""};
    const char* attributes[] = {"",
                                "; path=/",
                                "; path=/odds/",
                                "; Path=/odds/live/",
                                "; path=/Odds/",
                                "; path=/o",
                                "; path=/; domain=.example.com",
                                "; path=/odds/; domain=.www.example.com",
                                "; path=/; domain=www.example.com",
                                "; path=/; max-age=0",
                                "; path=/; max-age=5",
                                "; path=/odds/; max-age=100",
                                "; path=/; expires=Thu, 10 Dec 2026 12:00:20 GMT",
                                "; path=/; expires=Thu, 31 Nov 2026 12:00:00 GMT",
                                "; path=/; secure"};
    const char* paths[] = {"/", "/odds/", "/odds/live/", "/Odds/"};
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&random](const auto& list) {
            return list[random() % (sizeof list / sizeof list[0])];
        };
        now_ = kNow;
        TNetCookieManager store([this] { return now_; });
        ListWalkingStore expected;
        for (int step = 0; step < 3000; ++step) {
            if (random() % 4 == 0) {
                const std::string host = pick(hosts), path = pick(paths);
                SCOPED_TRACE(std::to_string(step) + ": " + host + path);
                ASSERT_EQ(store.CookieHeader(host, path, false), expected.Header(host, path, now_));
                if (random() % 3 == 0) Advance(random() % 8);
            } else {
                const std::string line =
                    std::string(pick(names)) + "=" + pick(values) + pick(attributes);
                const std::string host = pick(hosts);
                store.AddServerCookie(line, host);
                expected.Add(line, host, now_);
            }
        }
        const std::vector<TNetCookie> stored = store.Cookies(), walked = expected.Cookies();
        ASSERT_EQ(stored.size(), walked.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(ServerCookieText(stored[i]), ServerCookieText(walked[i]));
        }
    }
}

}  // namespace
}  // namespace lintaro::http
