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
    read.movement = std::make_shared<const LineMovement>(previous_, current, options_);
    read.since = previous_time_;
    if (read.Succeeded()) {
        previous_ = std::move(current);
        previous_time_ = time;
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

void LineFollower::MarkDeleted(const table::OddsRecord& row) {
    if (previous_) previous_->MarkDeleted(row);
}

}  // namespace lintaro::live
