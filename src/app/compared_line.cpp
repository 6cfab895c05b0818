// The compared line: two followers, the merged rows and what the grid draws of them.
#include "app/compared_line.h"

#include <utility>

#include "live/line_movement.h"
#include "table/cp1251_text.h"
#include "table/odds_display.h"

namespace lintaro::app {
namespace {

using compare::Holder;
using compare::MergedEvent;
using compare::MergedLine;

bool IsPriceField(int field) {
    return table::kOddsFields[field].kind == table::FieldKind::kDecimal &&
           table::DecimalFormatOf(field) == table::DecimalFormat::kPrice;
}

// The line a handicap or total price stands at, as a field index; -1 for the other prices.
int LineFieldOf(int field) {
    static const int f1 = table::FieldIndex("F1"), f2 = table::FieldIndex("F2"),
                     tm = table::FieldIndex("TM"), tb = table::FieldIndex("TB");
    if (field == f1) return table::FieldIndex("VF1");
    if (field == f2) return table::FieldIndex("VF2");
    if (field == tm || field == tb) return table::FieldIndex("VT");
    return -1;
}

std::optional<table::Decimal> DecimalOf(const table::OddsRecord& row, int field) {
    const table::StoredValue value = GetField(row, field);
    if (const auto* decimal = std::get_if<table::Decimal>(&value)) return *decimal;
    return std::nullopt;
}

// "2.10", "1.90 при -1.5", "—" for a price not quoted.
QString PriceText(const table::OddsRecord& row, int field, const std::string& mark) {
    const std::optional<table::Decimal> price = DecimalOf(row, field);
    if (!table::IsQuotedPrice(price)) return QStringLiteral("—");
    QString text = QString::fromStdString(table::DecimalFieldText(field, price, mark));
    const int line_field = LineFieldOf(field);
    if (line_field >= 0) {
        const std::string line = DecimalFieldText(line_field, DecimalOf(row, line_field), mark);
        if (!line.empty()) text += QStringLiteral(" при ") + QString::fromStdString(line);
    }
    return text;
}

// The side whose movement a cell shows: the holder of its price, the first when both or nobody
// hold it and the event is at the first, else the second.
int MovementSide(const MergedEvent& event, int field) {
    const Holder holder = event.holders[field];
    if (holder == Holder::kSecond) return 1;
    if (holder == Holder::kFirst || event.first >= 0) return 0;
    return 1;
}

}  // namespace

QString BookmakerName(int side) {
    return side == 0 ? QStringLiteral("Марафон") : QStringLiteral("Пинакл");
}

QString BookmakerLetter(int side) { return side == 0 ? QStringLiteral("М") : QStringLiteral("П"); }

ComparedLine::ComparedLine() = default;

void ComparedLine::Begin(live::LineFollower::Telling telling) {
    for (live::LineFollower& follower : followers_) follower.Begin(telling);
}

bool ComparedLine::Report(int side) { return followers_.at(side).Report(); }

ComparedRead ComparedLine::Finish(const live::ReadEnd& first_end, const live::ReadEnd& second_end,
                                  const std::string& time,
                                  std::unique_ptr<compare::MergedLine> merged,
                                  std::array<std::shared_ptr<live::LineSnapshot>, 2> snapshots) {
    if (!merged) merged = std::make_unique<MergedLine>();
    ComparedRead read;
    const live::ReadEnd* ends[2] = {&first_end, &second_end};
    const std::vector<table::OddsRecord>* rows[2] = {&merged->first_rows, &merged->second_rows};
    for (int side = 0; side < 2; ++side) {
        if (!snapshots[side]) snapshots[side] = std::make_shared<live::LineSnapshot>(*rows[side]);
        read.reads[side] = followers_[side].Finish(*ends[side], std::move(snapshots[side]), time);
        if (!read.reads[side].tell_failure) continue;
        const QString why = ends[side]->failure ? QString::fromUtf8(*ends[side]->failure)
                                                : QStringLiteral("линия пришла пустой");
        read.failures.push_back(BookmakerName(side) + QStringLiteral(": ") + why);
    }
    pending_ = std::move(merged);
    pending_read_ = read;
    return read;
}

void ComparedLine::SetBaseline(live::LineFollower::Baseline baseline) {
    for (live::LineFollower& follower : followers_) follower.SetBaseline(baseline);
}

ComparedRead ComparedLine::Remark() const {
    ComparedRead read;
    for (int side = 0; side < 2; ++side) read.reads[side] = followers_[side].Remark();
    return read;
}

std::vector<table::OddsRecord> ComparedLine::TakeRows() {
    if (!pending_) return {};
    line_ = std::exchange(pending_, nullptr);
    shown_read_ = pending_read_;
    return std::exchange(line_->rows, {});
}

void ComparedLine::Clear() {
    line_.reset();
    pending_.reset();
    shown_read_ = {};
    pending_read_ = {};
}

views::CellMarkSource ComparedLine::CellMarks(const ComparedRead& read,
                                              const std::string& decimal_mark) const {
    const std::shared_ptr<const MergedLine> line = line_;
    if (!line) return {};
    const std::array<std::shared_ptr<const live::LineMovement>, 2> movements = {
        read.reads[0].movement, read.reads[1].movement};
    const std::array<QString, 2> since = {QString::fromStdString(read.reads[0].since),
                                          QString::fromStdString(read.reads[1].since)};
    const int date_field = table::FieldIndex("sport_event_date");
    return [line, movements, since, decimal_mark, date_field](const table::OddsRecord& row,
                                                              int field) -> views::CellMark {
        const MergedEvent* event = line->Find(row);
        if (event == nullptr) return {};
        const table::OddsRecord* sides[2] = {line->FirstRow(*event), line->SecondRow(*event)};
        std::array<std::optional<live::EventMarks>, 2> marks;
        for (int side = 0; side < 2; ++side) {
            if (sides[side] && movements[side]) marks[side] = movements[side]->Find(*sides[side]);
        }
        views::CellMark mark;
        if (field == date_field) {
            if (!event->Matched()) {
                const int side = event->first >= 0 ? 0 : 1;
                mark.badge = BookmakerLetter(side);
                mark.badge_text =
                    QStringLiteral("только у ") +
                    (side == 0 ? QStringLiteral("Марафона") : QStringLiteral("Пинакла"));
            }
            for (int side = 0; side < 2; ++side) {
                if (marks[side] && marks[side]->Change() == live::EventChange::kNew) {
                    mark.kind = views::CellMarkKind::kNew;
                    mark.text = QStringLiteral("новое");
                }
            }
            return mark;
        }
        if (!IsPriceField(field)) return {};
        switch (event->holders[field]) {
            case Holder::kFirst:
                mark.badge = BookmakerLetter(0);
                break;
            case Holder::kSecond:
                mark.badge = BookmakerLetter(1);
                break;
            default:
                break;
        }
        // Both prices, unless neither bookmaker quotes one: an empty cell says nothing.
        if (event->Matched() && (table::IsQuotedPrice(DecimalOf(*sides[0], field)) ||
                                 table::IsQuotedPrice(DecimalOf(*sides[1], field)))) {
            mark.badge_text = BookmakerName(0) + QLatin1Char(' ') +
                              PriceText(*sides[0], field, decimal_mark) + QStringLiteral(", ") +
                              BookmakerName(1) + QLatin1Char(' ') +
                              PriceText(*sides[1], field, decimal_mark);
        }
        // The movement of the price shown, against its own bookmaker's last read.
        const int side = MovementSide(*event, field);
        if (marks[side] && marks[side]->Change() != live::EventChange::kNew) {
            switch (marks[side]->Move(field)) {
                case live::PriceMove::kUp:
                    mark.kind = views::CellMarkKind::kUp;
                    break;
                case live::PriceMove::kDown:
                    mark.kind = views::CellMarkKind::kDown;
                    break;
                case live::PriceMove::kLineChanged:
                    mark.kind = views::CellMarkKind::kLineChanged;
                    break;
                default:
                    break;
            }
            if (mark.kind != views::CellMarkKind::kNone) {
                const std::string before =
                    DecimalFieldText(field, marks[side]->Previous(field), decimal_mark);
                QString moved = mark.kind == views::CellMarkKind::kLineChanged
                                    ? QStringLiteral("линия изменилась; ")
                                    : QString();
                moved += QStringLiteral("было ") +
                         (before.empty() ? QStringLiteral("—") : QString::fromStdString(before));
                if (!since[side].isEmpty()) moved += QStringLiteral(" (в ") + since[side] + ')';
                if (event->Matched()) moved = BookmakerName(side) + QStringLiteral(": ") + moved;
                mark.text = moved;
            }
        }
        return mark;
    };
}

views::RowMarkSource ComparedLine::RowMarks(const ComparedRead& read) const {
    const std::shared_ptr<const MergedLine> line = line_;
    if (!line) return {};
    const std::array<std::shared_ptr<const live::LineMovement>, 2> movements = {
        read.reads[0].movement, read.reads[1].movement};
    return [line, movements](const table::OddsRecord& row) {
        views::MarkCounts counts;
        const MergedEvent* event = line->Find(row);
        if (event == nullptr) return counts;
        const table::OddsRecord* sides[2] = {line->FirstRow(*event), line->SecondRow(*event)};
        for (int side = 0; side < 2; ++side) {
            if (!sides[side] || !movements[side]) continue;
            const std::optional<live::EventMarks> marks = movements[side]->Find(*sides[side]);
            if (!marks) continue;
            if (marks->Change() == live::EventChange::kNew) {
                counts.new_events = 1;
                continue;
            }
            const live::MoveTally tally = marks->Tally();
            counts.up += tally.up;
            counts.down += tally.down;
            counts.line_changed += tally.line_changed;
        }
        return counts;
    };
}

grid::RowNumberSource ComparedLine::BestMargins() const {
    const std::shared_ptr<const MergedLine> line = line_;
    if (!line) return {};
    return [line](const table::OddsRecord& row) -> std::optional<double> {
        const MergedEvent* event = line->Find(row);
        return event ? event->comparison.margin : std::nullopt;
    };
}

grid::RowNumberSource ComparedLine::Surebets() const {
    const std::shared_ptr<const MergedLine> line = line_;
    if (!line) return {};
    return [line](const table::OddsRecord& row) -> std::optional<double> {
        const MergedEvent* event = line->Find(row);
        return event ? event->BestSurebet() : std::nullopt;
    };
}

bool ComparedLine::HasSurebet(const table::OddsRecord& row) const {
    const MergedEvent* event = line_ ? line_->Find(row) : nullptr;
    return event != nullptr && !event->comparison.surebets.empty();
}

std::string ComparedLine::EventSheet(const table::OddsRecord& row) const {
    const MergedEvent* event = line_ ? line_->Find(row) : nullptr;
    if (event == nullptr) return row.dop_info.value_or(std::string());
    const table::OddsRecord* sides[2] = {line_->FirstRow(*event), line_->SecondRow(*event)};
    std::string sheet;
    for (int side = 0; side < 2; ++side) {
        if (!sides[side] || !sides[side]->dop_info || sides[side]->dop_info->empty()) continue;
        // Each sheet in a block of its own under its bookmaker's name, so one sheet's unclosed
        // markup stays its own as far as the parser allows.
        sheet +=
            table::Utf8ToCp1251("<div><p><b>" + BookmakerName(side).toStdString() + "</b></p>");
        sheet += *sides[side]->dop_info;
        sheet += "</div>";
    }
    return sheet;
}

std::optional<ComparedEventView> ComparedLine::EventOf(const table::OddsRecord& row) const {
    const MergedEvent* event = line_ ? line_->Find(row) : nullptr;
    if (event == nullptr || !event->Matched()) return std::nullopt;
    return ComparedEventView{*line_->FirstRow(*event), *line_->SecondRow(*event),
                             event->comparison};
}

std::array<std::optional<table::OddsRecord>, 2> ComparedLine::RowsAtEach(
    const table::OddsRecord& row) const {
    std::array<std::optional<table::OddsRecord>, 2> rows;
    const MergedEvent* event = line_ ? line_->Find(row) : nullptr;
    if (event == nullptr) return rows;
    if (const table::OddsRecord* first = line_->FirstRow(*event)) rows[0] = *first;
    if (const table::OddsRecord* second = line_->SecondRow(*event)) rows[1] = *second;
    return rows;
}

void ComparedLine::MarkDeleted(const table::OddsRecord& row) {
    const MergedEvent* event = line_ ? line_->Find(row) : nullptr;
    if (event == nullptr) return;
    if (const table::OddsRecord* first = line_->FirstRow(*event)) followers_[0].MarkDeleted(*first);
    if (const table::OddsRecord* second = line_->SecondRow(*event))
        followers_[1].MarkDeleted(*second);
}

}  // namespace lintaro::app
