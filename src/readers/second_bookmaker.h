// The second bookmaker's reader: a tournament list on the host that actually answers the
// bookmaker's root page, then one page per kept tournament (soccer, baseball, tennis), each an HTML
// table with two or three table rows per event.
#pragma once

#include <string>
#include <string_view>

#include "readers/event_date.h"
#include "readers/reader_context.h"

namespace lintaro::table {
class OddsTable;
}  // namespace lintaro::table

namespace lintaro::http {
class TNetLogEvent;
}  // namespace lintaro::http

namespace lintaro::readers {

inline constexpr char kSecondBookmakerHost[] = "www.pinnaclesports.com";

// Remembers the host of the last request head the HTTP client sent, so that the reader learns
// which host answered after redirects. The window or the CLI owns one for the whole run and wires
// LogDebugSent to the client's intercept (OnSent), so every request of either reader updates it.
class RequestHostTracker {
  public:
    // Handler of the intercept's sent notification: `text` is its time stamp (empty, as times are
    // not logged) and `data` the whole request head. Takes the Host line's value, lower-cased,
    // with ":" and the port when the head names one.
    void LogDebugSent(http::TNetLogEvent& sender, const std::string& text, const std::string& data);
    // The same, for callers without an intercept object at hand.
    void LogDebugSent(const std::string& text, const std::string& data);

    // Wires this tracker to the sent notification of `log` (replacing its OnSent handler), as the
    // window and the CLI do. The tracker must outlive the notifications.
    void Follow(http::TNetLogEvent& log);

    const std::string& RequestHost() const { return request_host_; }
    void Clear() { request_host_.clear(); }

  private:
    std::string request_host_;
};

// The whole refresh of the second bookmaker: asks the root of `host` ("name" or "name:port"),
// reads the tournament list from the host that answered, and reads every soccer and baseball page
// from that host and every tennis page from `host`. Reports a failure to get the list in one
// message box; a tournament page that fails is passed over silently. Never throws; a fetch the
// user cancelled ends it quietly, keeping the rows read so far.
void LoadSecondBookmaker(const ReaderContext& context, RequestHostTracker& hosts,
                         const std::string& host = kSecondBookmakerHost);

// Reads one tournament page (after NormalizeLines) of the sport `sport_key` ("soccer", "baseball"
// or "tennis") and inserts a row per readable event, numbered from 1 for this page. Events whose
// date or time cannot be read are passed over; a row the table refuses is lost but keeps its
// number. Other failures propagate; the rows inserted before them stay. A sport key without a
// page pattern reads nothing.
void ParseSecondBookmakerPage(std::string_view page_lines, const std::string& sport_key,
                              const std::string& tournament_name, table::OddsTable& table,
                              const table::CivilDate& today);

}  // namespace lintaro::readers
