// The line follower: a read's verdict, its comparison with the last read that succeeded, and the
// telling of failures.
#include "live/line_follower.h"

#include <utility>

namespace lintaro::live {

void LineFollower::Begin(Telling telling) {
    telling_ = telling;
    reported_ = false;
}

bool LineFollower::Report() {
    reported_ = true;
    if (telling_ == Telling::kEvery) return true;
    return !std::exchange(failure_told_, true);
}

FollowedRead LineFollower::Finish(const ReadEnd& end, const std::vector<table::OddsRecord>& rows,
                                  const std::string& time) {
    return Finish(end, std::make_shared<LineSnapshot>(rows), time);
}

FollowedRead LineFollower::Finish(const ReadEnd& end, std::shared_ptr<LineSnapshot> current,
                                  const std::string& time) {
    if (!current) current = std::make_shared<LineSnapshot>();
    FollowedRead read;
    if (end.cancelled) {
        read.verdict = ReadVerdict::kCancelled;
    } else if (reported_) {
        read.verdict = ReadVerdict::kReported;
    } else if (end.failure) {
        read.verdict = ReadVerdict::kFailed;
    } else if (current->RowCount() == 0) {
        read.verdict = ReadVerdict::kEmpty;
    }
    const bool from_first = baseline_ == Baseline::kFirstRead && first_;
    read.movement =
        std::make_shared<const LineMovement>(from_first ? first_ : previous_, current, options_);
    read.since = from_first ? first_time_ : previous_time_;
    if (read.Succeeded()) {
        prior_ = std::exchange(previous_, current);
        prior_time_ = std::exchange(previous_time_, time);
        if (!first_) {
            first_ = std::move(current);
            first_time_ = time;
        }
        failure_told_ = false;
    }
    const bool failed = read.verdict == ReadVerdict::kFailed || read.verdict == ReadVerdict::kEmpty;
    if (telling_ == Telling::kEvery) {
        // A failure that escaped the reader is told even after a cancel or the reader's message.
        read.tell_failure = failed || end.failure.has_value();
    } else if (failed) {
        read.tell_failure = !std::exchange(failure_told_, true);
    }
    reported_ = false;
    return read;
}

FollowedRead LineFollower::Remark() const {
    FollowedRead read;
    if (!previous_) {
        read.movement = std::make_shared<const LineMovement>();
        return read;
    }
    // The first read compared with itself marks nothing, as it did when it came.
    const bool from_first = baseline_ == Baseline::kFirstRead;
    const std::shared_ptr<LineSnapshot>& base =
        from_first ? (first_ == previous_ ? nullptr : first_) : prior_;
    read.movement = std::make_shared<const LineMovement>(base, previous_, options_);
    read.since = !base ? std::string() : from_first ? first_time_ : prior_time_;
    return read;
}

void LineFollower::MarkDeleted(const table::OddsRecord& row) {
    // Each line kept counts the row as deleted once, whichever the next read is compared with.
    if (previous_) previous_->MarkDeleted(row);
    if (first_ && first_ != previous_) first_->MarkDeleted(row);
}

}  // namespace lintaro::live
