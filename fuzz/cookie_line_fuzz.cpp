// Feeds arbitrary cookie lines through the cookie store. The input is split at line feeds: the
// first line is the host that sets the cookies, the second the request directory, the rest are
// cookie lines ("2" before a line makes it a Set-cookie2 line). Nothing may crash, and the only
// failure allowed is the conversion error of a bad port list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "http/cookie_store.h"
#include "http/net_errors.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "cookie_line_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    while (!input.empty() || lines.empty()) {
        std::size_t end = input.find('\n');
        lines.emplace_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    const std::string host = lines[0];
    const std::string path = lines.size() > 1 ? lines[1] : "/";

    lintaro::http::LocalClockReading now{1765368000, 3 * 3600};
    lintaro::http::TNetCookieManager store([&now] { return now; });
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const bool second_kind = !line.empty() && line[0] == '2';
        try {
            if (second_kind) {
                store.AddServerCookie2(line.substr(1), host);
            } else {
                store.AddServerCookie(line, host);
            }
        } catch (const lintaro::http::EConvertError&) {
            Check(second_kind, "a Set-cookie line raised");
        }
        // The server form of a parsed cookie must parse again without trouble.
        lintaro::http::TNetCookie cookie;
        try {
            lintaro::http::ParseCookieText(cookie, line, now);
        } catch (const lintaro::http::EConvertError&) {
            Check(false, "a Set-cookie parse raised");
        }
        lintaro::http::TNetCookie again;
        lintaro::http::ParseCookieText(again, lintaro::http::ServerCookieText(cookie), now);
        now.utc_seconds += 7;
    }
    const std::string header = store.CookieHeader(host, path, false);
    for (const lintaro::http::TNetCookie& cookie : store.Cookies()) {
        Check(cookie.expires.empty() || lintaro::http::ReadInternetDate(
                                            cookie.expires, now.utc_offset_seconds) > now.Local(),
              "an expired cookie survived a request");
    }
    Check(store.CookieHeader(host, path, false) == header, "a second request saw other cookies");
    return 0;
}
