// URL splitting, path resolution and header lists: the pieces FetchText builds every request from.
#include "http/net_uri.h"

#include <gtest/gtest.h>

#include "http/net_header_list.h"

namespace lintaro::http {
namespace {

struct SplitCase {
    std::string url;
    std::string protocol, host, port, path, document, params, bookmark, username, password;
};

TEST(NetUriTest, SplitsAbsoluteAndRelativeUrls) {
    const SplitCase cases[] = {
        {"http://www.example.com/odds.shtml?d=0&h=0&r0=0&asp=1", "http", "www.example.com", "", "/",
         "odds.shtml", "?d=0&h=0&r0=0&asp=1", "", "", ""},
        {"http://host", "http", "host", "", "/", "", "", "", "", ""},
        {"http://host/decimal.asp?", "http", "host", "", "/", "decimal.asp", "?", "", "", ""},
        {"http://u:p@host:8080/a/b/c.html#frag", "http", "host", "8080", "/a/b/", "c.html", "",
         "frag", "u", "p"},
        {"http://:secret@host/", "http", "host", "", "/", "", "", "", "", ""},
        {"http:\\\\host\\dir\\x.html", "http", "host", "", "/dir/", "x.html", "", "", "", ""},
        // Without "?" the query begins at the first "=".
        {"http://host/a/b=c/d", "http", "host", "", "/a/", "b", "=c/d", "", "", ""},
        {"http://host/p?q#f", "http", "host", "", "/", "p", "?q", "f", "", ""},
        // Relative targets keep their path as written; a document keeps its "#".
        {"/odds.shtml?x#y", "", "", "", "/", "odds.shtml", "?x", "y", "", ""},
        {"page.html#top", "", "", "", "", "page.html#top", "", "", "", ""},
        {"../up/x.html", "", "", "", "../up/", "x.html", "", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.url);
        const TNetURI uri = TNetURI::Split(c.url);
        EXPECT_EQ(uri.Protocol, c.protocol);
        EXPECT_EQ(uri.Host, c.host);
        EXPECT_EQ(uri.Port, c.port);
        EXPECT_EQ(uri.Path, c.path);
        EXPECT_EQ(uri.Document, c.document);
        EXPECT_EQ(uri.Params, c.params);
        EXPECT_EQ(uri.Bookmark, c.bookmark);
        EXPECT_EQ(uri.Username, c.username);
        EXPECT_EQ(uri.Password, c.password);
    }
}

TEST(NetUriTest, FindsTheSchemeARelativeReferenceOpensWith) {
    const std::pair<std::string, std::string> cases[] = {
        {"javascript:alert(1)", "javascript"},
        {"mailto:a@b", "mailto"},
        {"View-Source+1.x:y", "View-Source+1.x"},
        {"page.html", ""},
        {"127.0.0.1:8080/x", ""},  // a scheme opens with a letter
        {"/a:b", ""},
        {"dir/a:b", ""},
        {"a?b:c", ""},
        {":x", ""},
        {"", ""},
    };
    for (const auto& [url, scheme] : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(LeadingScheme(url), scheme);
        EXPECT_FALSE(TNetURI::Split(url).Absolute);
    }
    EXPECT_TRUE(TNetURI::Split("ftp://host/").Absolute);
}

TEST(NetUriTest, ResolvesRelativePaths) {
    struct Case {
        std::string base, path, expected;
    };
    const Case cases[] = {
        {"/a/b/", "/x/", "/x/"},     {"/a/b/", "", "/a/b/"},          {"/a/b/", "../", "/a/"},
        {"/a/b/", "../c/", "/a/c/"}, {"/a/b/", "c/d/", "/a/b/c/d/"},  {"/", "../", "/"},
        {"/a//b/", "", "/a/b/"},     {"/a/b", "c", "/a/b/c"},         {"", "/", "/"},
        {"/a/b/", "..", "/a"},       {"/a/b/", "../../../x/", "/x/"}, {"/", "..g/x", "/g/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base + " + " + c.path);
        EXPECT_EQ(ResolvePath(c.base, c.path), c.expected);
    }
}

TEST(NetHeaderListTest, LooksUpByNameWithContinuationsAndReplacesInPlace) {
    TNetHeaderList headers;
    headers.Add("Content-Type: text/html");
    headers.Add("set-cookie:  a=1 ");
    headers.Add("X-Long: first");
    headers.Add("\tsecond ");
    headers.Add("Set-Cookie: b=2");
    EXPECT_EQ(headers.Values("SET-COOKIE"), "a=1");
    EXPECT_EQ(headers.AllValues("Set-cookie"), (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(headers.Values("x-long"), "first second");
    EXPECT_EQ(headers.Values("Missing"), "");

    headers.SetValue("X-LONG", "short");
    headers.SetValue("Accept", "*/*");
    EXPECT_EQ(headers.Lines(),
              (std::vector<std::string>{"Content-Type: text/html", "set-cookie:  a=1 ",
                                        "X-LONG: short", "Set-Cookie: b=2", "Accept: */*"}));
}

TEST(NetHeaderListTest, FoldsLongLinesAtBreaksOutsideQuotes) {
    // 1100 bytes of cookie pairs: cut after the last "; " that keeps the piece past 1024 bytes.
    std::string value;
    for (int i = 0; value.size() < 1100; ++i) value += "c" + std::to_string(i) + "=vvvvvvvvvv; ";
    value.resize(value.size() - 2);
    const auto pieces = TNetHeaderList::FoldLine("Cookie: " + value);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_GT(pieces[0].size(), 1000u);
    EXPECT_LE(pieces[0].size(), 1024u);
    EXPECT_EQ(pieces[0].back(), ';');  // cut at the space after it, which is trimmed
    EXPECT_EQ(pieces[1][0], ' ');
    EXPECT_NE(pieces[1][1], ' ');
    EXPECT_EQ(pieces[0] + pieces[1], "Cookie: " + value);

    // Breaks inside double quotes do not count, and a line without any break stays whole.
    const std::string quoted = "X: \"" + std::string(600, 'a') + " " + std::string(600, 'b') + "\"";
    EXPECT_EQ(TNetHeaderList::FoldLine(quoted).size(), 2u);  // only the space after "X:"
    EXPECT_EQ(TNetHeaderList::FoldLine(quoted)[0], "X:");
    const std::string unbroken = "X:" + std::string(3000, 'z');
    EXPECT_EQ(TNetHeaderList::FoldLine(unbroken), std::vector<std::string>{unbroken});
}

TEST(NetHeaderListTest, ThousandsOfContinuationsAndPiecesKeepEveryByte) {
    // Blank continuations add nothing but the one space before the next; the last one stays.
    TNetHeaderList headers;
    headers.Add("X-Many: 0");
    std::string expected = "0";
    for (int i = 1; i <= 10000; ++i) {
        headers.Add(i % 3 == 0 ? " \t" : "\t" + std::to_string(i) + " ");
        if (i % 3 != 0) expected += " " + std::to_string(i);
    }
    headers.Add(" ");
    EXPECT_EQ(headers.Values("X-Many"), expected + " ");

    // A Cookie line of several megabytes: pieces of at most 1024 bytes that give the line back.
    std::string value;
    for (int i = 0; value.size() < 3000000; ++i) value += "c" + std::to_string(i) + "=v; ";
    value.resize(value.size() - 2);
    const auto pieces = TNetHeaderList::FoldLine("Cookie: " + value);
    ASSERT_GT(pieces.size(), 2900u);
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_LE(pieces[i].size(), TNetHeaderList::kFoldLength);
        if (i > 0) ASSERT_EQ(pieces[i].front(), ' ');
        if (i + 1 < pieces.size()) ASSERT_EQ(pieces[i].back(), ';');
        joined += pieces[i];
    }
    EXPECT_EQ(joined, "Cookie: " + value);
}

}  // namespace
}  // namespace lintaro::http
