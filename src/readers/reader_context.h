// What a line reader needs from the program that runs it: a way to fetch a page, the odds table to
// fill, and the few user-interface services it touches (its one message box, the wait cursor, and
// today's date). The window, lintaro-cli and the tests each supply their own.
#pragma once

#include <functional>
#include <string>

#include "readers/event_date.h"

namespace lintaro::table {
class OddsTable;
}  // namespace lintaro::table

namespace lintaro::readers {

class ReaderUi {
  public:
    virtual ~ReaderUi() = default;
    // Shows a reader's failure: a modal box with the error icon and a single OK button. The text is
    // Windows-1251.
    virtual void ShowMessage(const std::string& text) = 0;
    // Shows (true) or restores (false) the busy cursor around a load.
    virtual void SetWaitCursor(bool on) = 0;
    // The local date the readers take as today when they choose an event's year.
    virtual table::CivilDate Today() = 0;
};

// Shows the busy cursor for its lifetime: SetWaitCursor(true) now, SetWaitCursor(false) when it
// ends, however the scope is left.
class ScopedWaitCursor {
  public:
    explicit ScopedWaitCursor(ReaderUi& ui) : ui_(ui) { ui_.SetWaitCursor(true); }
    ~ScopedWaitCursor() {
        // A cursor that cannot be restored cannot be reported from a destructor either.
        try {
            ui_.SetWaitCursor(false);
        } catch (...) {
        }
    }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

  private:
    ReaderUi& ui_;
};

// Fetches one page: an absolute URL in, the final response body out, byte for byte. Throws on any
// failure; ENetCancelled (net_errors.h) when the user cancelled the transfer.
using PageFetch = std::function<std::string(const std::string& url)>;

struct ReaderContext {
    PageFetch fetch_text;
    table::OddsTable& table;
    ReaderUi& ui;
};

}  // namespace lintaro::readers
