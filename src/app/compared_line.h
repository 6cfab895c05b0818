// Two bookmakers' lines followed and shown as one grid: what each pair of reads came to (a line
// follower per bookmaker, so each price is compared with its own bookmaker's last read), the
// merged rows (compare/merged_line.h), and what the grid draws of them: which bookmaker holds each
// price shown (a badge letter, and both prices in the tooltip), the events of one bookmaker only
// (told in their date cell), the movement marks of each bookmaker's own prices, the comparison's
// columns, and an event's two sheets together.
//
//   ComparedLine line;
//   line.Begin(Telling::kEvery);                 // both reads start
//   if (line.Report(side)) ShowBox(...);         // a reader reports a message
//   ComparedRead read = line.Finish(first_end, second_end, "10:42:05", std::move(merged));
//   table.AppendRows(line.TakeRows());           // the merged rows
//   grid->SetCellMarks(line.CellMarks(read, ...), line.RowMarks(read));
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/merged_line.h"
#include "grid/grid_layout.h"
#include "live/line_follower.h"
#include "table/odds_table.h"
#include "views/cell_marks.h"

namespace lintaro::app {

// The bookmakers' names as the window shows them, and the letters that mark their prices.
QString BookmakerName(int side);    // "Марафон", "Пинакл"
QString BookmakerLetter(int side);  // "М", "П"

// What one pair of reads came to.
struct ComparedRead {
    std::array<live::FollowedRead, 2> reads;  // per bookmaker
    // Failures to tell now, each naming its bookmaker ("Пинакл: ..."), UTF-8.
    std::vector<QString> failures;
    // Both reads succeeded / at least one did.
    bool Succeeded() const { return reads[0].Succeeded() && reads[1].Succeeded(); }
    bool AnySucceeded() const { return reads[0].Succeeded() || reads[1].Succeeded(); }
};

// What the stakes window needs of an event with a surebet: both rows and their comparison.
struct ComparedEventView {
    table::OddsRecord first;
    table::OddsRecord second;
    compare::EventComparison comparison;  // at the bank of 100
};

class ComparedLine {
  public:
    ComparedLine();

    void Begin(live::LineFollower::Telling telling);
    // Bookmaker `side`'s reader reports a message; true when it is to be shown now.
    bool Report(int side);
    // Both reads have ended as `first_end` and `second_end` say, and `merged` holds their rows
    // merged (the rows each read brought, so far when it was cancelled or failed): each follower
    // decides its bookmaker's read. `snapshots` may hold each side's LineSnapshot of merged's
    // first_rows and second_rows, made beforehand; one that is null is made here.
    ComparedRead Finish(const live::ReadEnd& first_end, const live::ReadEnd& second_end,
                        const std::string& time, std::unique_ptr<compare::MergedLine> merged,
                        std::array<std::shared_ptr<live::LineSnapshot>, 2> snapshots = {});
    // The merged rows of the last Finish, once (Key_ID numbers the events): from now on the marks,
    // columns and sheets below are of this line.
    std::vector<table::OddsRecord> TakeRows();
    // Throws the last Finish's line away: the line shown stays what the marks describe.
    void DropRows() { pending_.reset(); }
    // The line shown (null before TakeRows has given one), for what is worked out from it later:
    // the events a user may link by hand.
    std::shared_ptr<const compare::MergedLine> Shown() const { return line_; }
    // The read the line shown came from, for its marks.
    const ComparedRead& ShownRead() const { return shown_read_; }
    // The same reads merged anew (the user linked or unlinked events) take the place of the line
    // shown: TakeRows gives their rows, and the marks stay those of ShownRead().
    void Replace(std::unique_ptr<compare::MergedLine> merged) {
        pending_ = std::move(merged);
        pending_read_ = shown_read_;
    }
    // Whether a merged line has been made (it stays until Clear).
    bool HasLine() const { return line_ != nullptr; }
    // The line shown (null before the first TakeRows): its rows as each bookmaker's read brought
    // them and its matched events. Not changed once made, so it may be read on another thread.
    std::shared_ptr<const compare::MergedLine> Line() const { return line_; }
    // What both followers' marks compare with, and the line shown marked anew against it.
    void SetBaseline(live::LineFollower::Baseline baseline);
    ComparedRead Remark() const;
    void Clear();

    // The grid's marks for the line of the last Finish: badges, both prices, the bookmaker of an
    // unmatched event, each bookmaker's movement (`decimal_mark` as the cells show decimals).
    views::CellMarkSource CellMarks(const ComparedRead& read,
                                    const std::string& decimal_mark) const;
    views::RowMarkSource RowMarks(const ComparedRead& read) const;
    // The values of the comparison's columns (grid::kColBestMargin, grid::kColSurebet).
    grid::RowNumberSource BestMargins() const;
    grid::RowNumberSource Surebets() const;
    // Whether a shown row holds a surebet.
    bool HasSurebet(const table::OddsRecord& row) const;

    // The event sheet of a shown row: each bookmaker's under its name (Windows-1251 HTML); the
    // empty text when neither has one.
    std::string EventSheet(const table::OddsRecord& row) const;
    // A shown row's event at both bookmakers, when it is matched.
    std::optional<ComparedEventView> EventOf(const table::OddsRecord& row) const;
    // The user deleted the shown `row`: neither bookmaker's next read counts it as gone.
    void MarkDeleted(const table::OddsRecord& row);
    // A shown row's event as each bookmaker read it (the first's, the second's), in their own words
    // and clocks, as the history records them; none at a bookmaker that does not carry it.
    std::array<std::optional<table::OddsRecord>, 2> RowsAtEach(const table::OddsRecord& row) const;

  private:
    std::array<live::LineFollower, 2> followers_;
    std::shared_ptr<compare::MergedLine> line_;     // the line shown
    std::shared_ptr<compare::MergedLine> pending_;  // the last Finish's, until taken or dropped
    ComparedRead shown_read_;                       // what the line shown came from
    ComparedRead pending_read_;                     // what the pending line came from
};

}  // namespace lintaro::app
