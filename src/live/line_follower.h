// Following the line read after read: what each read's end means. Given how a read ended (its rows,
// a cancel, the reader's messages, a failure that escaped it), the follower decides whether it
// succeeded, compares its rows with the last read that did (the marks, the counts, the events
// gone), keeps that read and the rows the user deleted from it, and says whether a failure is to be
// told now or was told already. The window renders what it decides (marks, tooltips, boxes) and
// lintaro-cli watch prints or records it; neither decides on its own. It holds no state of either,
// so one follower follows one bookmaker's line.
//
//   LineFollower follower;
//   follower.Begin(LineFollower::Telling::kOnce);  // a read starts
//   if (follower.Report()) ShowBox(message);       // the reader reports a message
//   const FollowedRead read = follower.Finish({.cancelled = c}, rows, "10:42:05");
//   if (read.Succeeded()) ...                      // read.movement marks the rows
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "live/line_movement.h"
#include "live/line_snapshot.h"
#include "table/odds_table.h"

namespace lintaro::live {

// How a read ended, as the reader's caller saw it. The reader's messages are counted by Report().
struct ReadEnd {
    bool cancelled = false;              // a cancel was requested before the read ended
    std::optional<std::string> failure;  // a failure that escaped the reader (UTF-8 message)
};

// What a read came to, the first that applies in this order.
enum class ReadVerdict : uint8_t {
    kCancelled,  // the user (or a signal) stopped it
    kReported,   // the reader reported a message: its line is not whole
    kFailed,     // a failure escaped the reader
    kEmpty,      // it brought no rows: that says more about the site than about its events
    kSucceeded,  // none of these: the next read is compared with this one
};

// What the follower decided of one read.
struct FollowedRead {
    ReadVerdict verdict = ReadVerdict::kSucceeded;
    // The read's rows against the last read that succeeded before it (no previous read: nothing
    // marked). Made for every read, so rows shown after a failure are marked too.
    std::shared_ptr<const LineMovement> movement;
    // When that last read was (as the caller gave its time), empty when there was none.
    std::string since;
    // The failure (kFailed, kEmpty) is to be told now. Under Telling::kEvery always, and a failure
    // that escaped the reader even after a cancel or a message; under kOnce only the first since
    // the last success, and never after a cancel (the user's own) or a message (told already).
    bool tell_failure = false;

    bool Succeeded() const { return verdict == ReadVerdict::kSucceeded; }
};

class LineFollower {
  public:
    // How often the failures of a run of reads are told.
    enum class Telling : uint8_t {
        kEvery,  // every time (a read the user asked for, or a log)
        kOnce,   // once until a read succeeds (reads nobody asked for just now)
    };

    // What a read's marks compare it with.
    enum class Baseline : uint8_t {
        kPreviousRead,  // the last read that succeeded before it (the default)
        kFirstRead,     // the first read of this line that succeeded: marks that last the run
    };

    LineFollower() = default;
    explicit LineFollower(LineMovement::Options options) : options_(options) {}

    // From the next Finish on (and for Remark), marks compare with `baseline`.
    void SetBaseline(Baseline baseline) { baseline_ = baseline; }
    Baseline GetBaseline() const { return baseline_; }
    // The last read that succeeded, marked anew against the baseline now chosen (its verdict
    // kSucceeded, no failure to tell); nothing is marked before any read has succeeded.
    FollowedRead Remark() const;

    // A read starts.
    void Begin(Telling telling);
    // The running read's reader reports a message; true when it is to be shown now.
    bool Report();
    // The running read has ended with `rows` at `time` (any text the caller shows for it).
    FollowedRead Finish(const ReadEnd& end, const std::vector<table::OddsRecord>& rows,
                        const std::string& time);
    // The same with the rows' snapshot made beforehand (LineSnapshot(rows), on any thread): the
    // follower keeps it as the last read when the read succeeded. Null counts as no rows.
    FollowedRead Finish(const ReadEnd& end, std::shared_ptr<LineSnapshot> rows,
                        const std::string& time);

    // The user deleted `row` from the line shown: it is not counted among the events gone at the
    // next read.
    void MarkDeleted(const table::OddsRecord& row);
    // Whether a read has succeeded yet, and when the last one did.
    bool HasPrevious() const { return previous_ != nullptr; }
    const std::string& PreviousTime() const { return previous_time_; }

  private:
    LineMovement::Options options_;
    Baseline baseline_ = Baseline::kPreviousRead;
    std::shared_ptr<LineSnapshot> previous_;  // the last read that succeeded
    std::string previous_time_;
    std::shared_ptr<LineSnapshot> prior_;  // the one that succeeded before it
    std::string prior_time_;
    std::shared_ptr<LineSnapshot> first_;  // the first that succeeded
    std::string first_time_;
    Telling telling_ = Telling::kEvery;
    bool reported_ = false;      // the running read's reader reported a message
    bool failure_told_ = false;  // a failure was told under kOnce since the last success
};

}  // namespace lintaro::live
