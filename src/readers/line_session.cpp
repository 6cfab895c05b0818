// The shared wiring of a refresh: the intercept's sent notification feeds the request host tracker,
// and the selector's index picks the reader.
#include "readers/line_session.h"

#include <chrono>

namespace lintaro::readers {

bool IsHostAndPort(std::string_view value) {
    const size_t colon = value.find(':');
    const std::string_view host = value.substr(0, colon);
    if (host.empty()) return false;
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 127 ||
            std::string_view("/?#@").find(c) != std::string_view::npos) {
            return false;
        }
    }
    if (colon == std::string_view::npos) return true;
    const std::string_view port = value.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    int number = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return number >= 1 && number <= 65535;
}

LineSession::LineSession() { hosts_.Follow(client_.log_debug); }

void LineSession::Load(int index, table::OddsTable& table, ReaderUi& ui) {
    http::TNetHTTP& http = client_.http;
    http.ReadTimeout = limits_.stall_ms;
    if (limits_.whole_ms > 0) {
        const int seconds = (limits_.whole_ms + 999) / 1000;
        http.SetReadDeadline(
            std::chrono::steady_clock::now() + std::chrono::milliseconds(limits_.whole_ms),
            "Read time limit of " + std::to_string(seconds) + " s exceeded.");
    } else {
        http.SetReadDeadline(std::nullopt);
    }
    const ReaderContext context{
        [this](const std::string& url) { return client_.http.FetchText(url); }, table, ui};
    if (index == 0) {
        LoadFirstBookmaker(context, first_host);
    } else if (index == 1) {
        LoadSecondBookmaker(context, hosts_, second_host);
    }
}

}  // namespace lintaro::readers
