// One bookmaker refresh as the window runs it, for every program that runs one: the two hosts, one
// HTTP client set up as the window sets up its own, the request host tracker listening to its
// intercept, and the reader chosen by the bookmaker selector's index.
#pragma once

#include <string>
#include <string_view>

#include "http/configured_client.h"
#include "readers/first_bookmaker.h"
#include "readers/reader_context.h"
#include "readers/second_bookmaker.h"

namespace lintaro::readers {

// True for "HOST" or "HOST:PORT" with a port of 1..65535 and a host without blanks, control bytes
// or any of "/?#@:".
bool IsHostAndPort(std::string_view value);

// Limits on one whole read of a line, in milliseconds; 0 is no limit. A read that receives no byte
// for `stall_ms` fails with the client's "Read Timeout"; one that takes longer than `whole_ms` in
// all fails with "Read time limit of N s exceeded.". Either failure ends the whole read: the reader
// reports it, whatever page it hit.
struct ReadLimits {
    int stall_ms = 0;
    int whole_ms = 0;
};

class LineSession {
  public:
    LineSession();
    LineSession(const LineSession&) = delete;
    LineSession& operator=(const LineSession&) = delete;

    // The hosts the readers ask ("name" or "name:port").
    std::string first_host = kFirstBookmakerHost;
    std::string second_host = kSecondBookmakerHost;

    // The responsiveness hook of every fetch, not owned; nullptr detaches it.
    void SetIdleHook(http::TNetIdleHook* hook) { client_.http.SetIdleHook(hook); }
    http::TNetHTTP& Http() { return client_.http; }
    // The limits of every read from now on (none at first).
    void SetReadLimits(ReadLimits limits) { limits_ = limits; }

    // Runs the reader of the bookmaker at `index` (0 the first, 1 the second; any other index runs
    // nothing) into `table`, which the caller has emptied. The readers report their own failures
    // through `ui` and return normally.
    void Load(int index, table::OddsTable& table, ReaderUi& ui);

  private:
    RequestHostTracker hosts_;
    ReadLimits limits_;
    http::ConfiguredHttpClient client_;
};

}  // namespace lintaro::readers
