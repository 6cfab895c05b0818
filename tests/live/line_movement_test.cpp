// Movement between two reads: events matched by identity (renamed, moved, new and gone events, the
// same teams on two days, an identity listed twice), prices and lines moving, turning null and
// back, and rows the user deleted. Each case compares a dump of the marks with the expected text.
#include "live/line_movement.h"

#include <gtest/gtest.h>

#include <sstream>

#include "live/line_snapshot.h"
#include "table/cp1251_text.h"

namespace lintaro::live {

using table::Decimal;
using table::FieldIndex;
using table::OddsRecord;
using table::Utf8ToCp1251;

namespace {

// A row of the soccer tournament: "Home-Guest" on December `day` at 19:30, with decimals given as
// "P1=1.85 VF1=-1.5" (a field named with no value, "X=", is null).
OddsRecord Event(const std::string& teams, int day, const std::string& decimals = "") {
    OddsRecord row;
    row.sport_type_name = Utf8ToCp1251("футбол");
    row.competition_name = Utf8ToCp1251("Англия. Премьер-лига");
    row.sport_event_date = table::MakeDateTime({2026, 12, day, 19, 30}).value();
    const size_t dash = teams.find('-');
    row.team_h_name = Utf8ToCp1251(teams.substr(0, dash));
    row.team_g_name = Utf8ToCp1251(teams.substr(dash + 1));
    row.P1 = Decimal{18500};
    row.X = Decimal{34000};
    row.P2 = Decimal{42000};
    std::istringstream fields(decimals);
    for (std::string field; fields >> field;) {
        const size_t eq = field.find('=');
        const int index = FieldIndex(field.substr(0, eq));
        const std::string value = field.substr(eq + 1);
        // The thirteen decimals in the table's order.
        static constexpr std::optional<Decimal> OddsRecord::*kOrder[] = {
            &OddsRecord::P1,  &OddsRecord::X,  &OddsRecord::P2,  &OddsRecord::PX1, &OddsRecord::P2X,
            &OddsRecord::P12, &OddsRecord::F1, &OddsRecord::VF1, &OddsRecord::F2,  &OddsRecord::VF2,
            &OddsRecord::TM,  &OddsRecord::TB, &OddsRecord::VT};
        row.*kOrder[index - kFirstPriceField] =
            value.empty() ? std::nullopt : table::DecimalFromDouble(std::stod(value));
    }
    return row;
}

const char* MoveName(PriceMove move) {
    switch (move) {
        case PriceMove::kUnchanged:
            return "same";
        case PriceMove::kUp:
            return "up";
        case PriceMove::kDown:
            return "down";
        case PriceMove::kLineChanged:
            return "line";
        case PriceMove::kQuoted:
            return "quoted";
        case PriceMove::kWithdrawn:
            return "withdrawn";
    }
    return "?";
}

// One line per current row with marks ("Арсенал-Челси 20: new", or its moved fields with their
// previous values), then the counts.
std::string Dump(const LineMovement& movement, const std::vector<OddsRecord>& rows) {
    std::ostringstream out;
    for (const OddsRecord& row : rows) {
        const auto marks = movement.Find(row);
        if (!marks) continue;
        out << table::Cp1251ToUtf8(*row.team_h_name) << "-" << table::Cp1251ToUtf8(*row.team_g_name)
            << " " << table::SplitDateTime(*row.sport_event_date).day << ":";
        if (marks->Change() == EventChange::kNew) out << " new";
        for (int f = kFirstPriceField; f < kFirstPriceField + kPriceFieldCount; ++f) {
            if (marks->Move(f) == PriceMove::kUnchanged) continue;
            out << " " << table::kOddsFields[f].name << " " << MoveName(marks->Move(f));
            if (const auto before = marks->Previous(f)) out << " " << before->ToDouble();
        }
        out << "\n";
    }
    const MovementCounts& c = movement.Counts();
    out << "moved " << c.prices_moved << " lines " << c.lines_moved << " new " << c.events_new
        << " gone " << c.events_gone << " ambiguous " << c.events_ambiguous << " matched "
        << c.events_matched << "\n";
    return out.str();
}

std::string Compare(const std::vector<OddsRecord>& previous,
                    const std::vector<OddsRecord>& current) {
    return Dump(LineMovement(std::make_shared<LineSnapshot>(previous),
                             std::make_shared<LineSnapshot>(current)),
                current);
}

TEST(LineMovementTest, EventsAreMatchedByIdentity) {
    struct Case {
        const char* name;
        std::vector<OddsRecord> previous, current;
        const char* dump;
    };
    const Case cases[] = {
        {"still",
         {Event("Арсенал-Челси", 20), Event("Эвертон-Ньюкасл", 21)},
         {Event("Эвертон-Ньюкасл", 21), Event("Арсенал-Челси", 20)},  // order is no identity
         "moved 0 lines 0 new 0 gone 0 ambiguous 0 matched 2\n"},
        {"renamed team: one event went, another came",
         {Event("Арсенал-Челси", 20)},
         {Event("Арсенал Лондон-Челси", 20)},
         "Арсенал Лондон-Челси 20: new\n"
         "moved 0 lines 0 new 1 gone 1 ambiguous 0 matched 0\n"},
        {"a moved start is another event",
         {Event("Арсенал-Челси", 20, "P1=1.9")},
         {Event("Арсенал-Челси", 21, "P1=1.8")},
         "Арсенал-Челси 21: new\n"
         "moved 0 lines 0 new 1 gone 1 ambiguous 0 matched 0\n"},
        {"the same teams on two days keep their own prices",
         {Event("Арсенал-Челси", 20, "P1=1.9"), Event("Арсенал-Челси", 27, "P1=2.1")},
         {Event("Арсенал-Челси", 27, "P1=2.2"), Event("Арсенал-Челси", 20, "P1=1.8")},
         "Арсенал-Челси 27: P1 up 2.1\n"
         "Арсенал-Челси 20: P1 down 1.9\n"
         "moved 2 lines 0 new 0 gone 0 ambiguous 0 matched 2\n"},
        {"new and gone events among matched ones",
         {Event("Арсенал-Челси", 20), Event("Эвертон-Ньюкасл", 21)},
         {Event("Арсенал-Челси", 20, "X=3.5"), Event("Тоттенхэм-Вест Хэм", 22)},
         "Арсенал-Челси 20: X up 3.4\n"
         "Тоттенхэм-Вест Хэм 22: new\n"
         "moved 1 lines 0 new 1 gone 1 ambiguous 0 matched 1\n"},
        {"an identity listed twice is kept and never marked",
         {Event("Арсенал-Челси", 20, "P1=1.9")},
         {Event("Арсенал-Челси", 20, "P1=1.8"), Event("Арсенал-Челси", 20, "P1=2.0")},
         "moved 0 lines 0 new 0 gone 0 ambiguous 2 matched 0\n"},
        {"an identity listed twice before",
         {Event("Арсенал-Челси", 20, "P1=1.9"), Event("Арсенал-Челси", 20, "P1=2.0")},
         {Event("Арсенал-Челси", 20, "P1=1.8")},
         "moved 0 lines 0 new 0 gone 0 ambiguous 1 matched 0\n"},
        {"a new identity listed twice is new twice",
         {},
         {Event("Арсенал-Челси", 20), Event("Арсенал-Челси", 20)},
         "Арсенал-Челси 20: new\nАрсенал-Челси 20: new\n"
         "moved 0 lines 0 new 2 gone 0 ambiguous 0 matched 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Compare(c.previous, c.current), c.dump);
    }
}

TEST(LineMovementTest, PricesAndLines) {
    struct Case {
        const char* name;
        std::string before, after;  // the decimals of one event
        const char* marks;          // its dump line after "Арсенал-Челси 20:"
    };
    const Case cases[] = {
        {"up and down", "P1=1.85 P2=4.2 PX1=1.2", "P1=1.9 P2=4.0 PX1=1.2",
         " P1 up 1.85 P2 down 4.2"},
        {"a price withdrawn keeps its previous value", "X=3.4", "X=", " X withdrawn 3.4"},
        {"a price quoted again has nothing to compare with", "X=", "X=3.6", " X quoted"},
        {"a moved handicap marks its value and both prices", "F1=1.9 VF1=-1.5 F2=1.9 VF2=1.5",
         "F1=1.9 VF1=-2.5 F2=1.95 VF2=2.5", " F1 line 1.9 VF1 down -1.5 F2 line 1.9 VF2 up 1.5"},
        {"a moved total marks its value and both prices", "TM=1.8 TB=2.0 VT=2.5",
         "TM=1.95 TB=1.85 VT=3.5", " TM line 1.8 TB line 2 VT up 2.5"},
        {"a total taken off", "TM=1.8 TB=2.0 VT=2.5",
         "TM= TB= VT=", " TM withdrawn 1.8 TB withdrawn 2 VT withdrawn 2.5"},
        {"a line that was not there", "F1= VF1= F2= VF2=", "F1=1.9 VF1=-1.5 F2=1.9 VF2=1.5",
         " F1 quoted VF1 quoted F2 quoted VF2 quoted"},
        // A price of at most 1.0 is no price (the tennis draw is stored as 0): it moves as null.
        {"a draw of 0 then of 1.0 did not move", "P1=1.85 X=0", "P1=1.9 X=1.0", " P1 up 1.85"},
        {"a draw of 0 that gets a price is quoted", "X=0", "X=3.4", " X quoted"},
        {"a price that falls to 0 is withdrawn", "X=3.4", "X=0", " X withdrawn 3.4"},
        {"the handicap stays while the total moves", "F1=1.9 VF1=-1.5 TM=1.8 VT=2.5",
         "F1=1.85 VF1=-1.5 TM=1.8 VT=3.5", " F1 down 1.9 TM line 1.8 VT up 2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<OddsRecord> after = {Event("Арсенал-Челси", 20, c.after)};
        const std::string dump = Compare({Event("Арсенал-Челси", 20, c.before)}, after);
        EXPECT_EQ(dump.substr(0, dump.find('\n')), std::string("Арсенал-Челси 20:") + c.marks);
    }
    // Counted: prices apart from the lines' values, and only up, down and line changed.
    const std::string dump =
        Compare({Event("Арсенал-Челси", 20, "F1=1.9 VF1=-1.5 F2=1.9 VF2=1.5 X=3.4")},
                {Event("Арсенал-Челси", 20, "F1=1.9 VF1=-2.5 F2=1.9 VF2=2.5 X=")});
    EXPECT_EQ(dump.substr(dump.find('\n') + 1),
              "moved 2 lines 2 new 0 gone 0 ambiguous 0 matched 1\n");
}

TEST(LineMovementTest, DeletedRowsAreNotCountedAsGone) {
    const std::vector<OddsRecord> previous_rows = {
        Event("Арсенал-Челси", 20), Event("Эвертон-Ньюкасл", 21), Event("Эвертон-Ньюкасл", 21),
        Event("Тоттенхэм-Вест Хэм", 22)};
    auto previous = std::make_shared<LineSnapshot>(previous_rows);
    // The user deleted Арсенал-Челси and one of the two Эвертон-Ньюкасл rows.
    EXPECT_TRUE(previous->MarkDeleted(previous_rows[0]));
    EXPECT_FALSE(previous->MarkDeleted(previous_rows[0]));  // no such row left
    EXPECT_TRUE(previous->MarkDeleted(previous_rows[1]));
    EXPECT_FALSE(previous->MarkDeleted(Event("Арсенал-Челси", 23)));
    LineMovement movement(previous, std::make_shared<LineSnapshot>(std::vector<OddsRecord>{}),
                          {.keep_gone_identities = true});
    EXPECT_EQ(movement.Counts().events_gone, 2u);  // one Эвертон-Ньюкасл and Тоттенхэм-Вест Хэм
    ASSERT_EQ(movement.Gone().size(), 2u);
    EXPECT_EQ(movement.Gone()[0], EventIdentity::Of(previous_rows[1]));
    EXPECT_EQ(movement.GoneRows(), (std::vector<int>{1, 1}));

    // A deleted event that is read again is matched as any other.
    const std::vector<OddsRecord> again = {Event("Арсенал-Челси", 20, "P1=1.9")};
    EXPECT_EQ(Dump(LineMovement(previous, std::make_shared<LineSnapshot>(again)), again),
              "Арсенал-Челси 20: P1 up 1.85\n"
              "moved 1 lines 0 new 0 gone 2 ambiguous 0 matched 1\n");
}

TEST(LineMovementTest, WithoutAPreviousReadNothingIsMarked) {
    const std::vector<OddsRecord> rows = {Event("Арсенал-Челси", 20)};
    const LineMovement first(nullptr, std::make_shared<LineSnapshot>(rows));
    EXPECT_FALSE(first.HasPrevious());
    EXPECT_FALSE(first.Find(rows[0]));
    EXPECT_FALSE(LineMovement().Find(rows[0]));
    // An empty previous read is a read: everything is new.
    EXPECT_EQ(Compare({}, rows),
              "Арсенал-Челси 20: new\nmoved 0 lines 0 new 1 gone 0 ambiguous 0 "
              "matched 0\n");
    // A row that is not in the current read has no marks, nor has a field that is no decimal.
    const LineMovement moved(
        std::make_shared<LineSnapshot>(std::vector{Event("Арсенал-Челси", 20)}),
        std::make_shared<LineSnapshot>(std::vector{Event("Арсенал-Челси", 20, "P1=2.0")}));
    EXPECT_FALSE(moved.Find(Event("Арсенал-Челси", 21, "P1=2.0")));
    ASSERT_TRUE(moved.Find(Event("Арсенал-Челси", 20)));
    EXPECT_EQ(moved.Find(Event("Арсенал-Челси", 20))->Move(FieldIndex("team_h_name")),
              PriceMove::kUnchanged);
    EXPECT_FALSE(moved.Find(Event("Арсенал-Челси", 20))->Previous(FieldIndex("Key_ID")));
}

TEST(LineSnapshotTest, KeepsTheDecimalsAndIdentitiesOfARead) {
    OddsRecord odd = Event("Арсенал-Челси", 20, "P1=999999.9999 X=-3.5 P2=");
    odd.competition_name.reset();  // a null text is not the empty one
    OddsRecord empty_tournament = odd;
    empty_tournament.competition_name = "";
    const LineSnapshot snapshot({odd, empty_tournament, Event("Эвертон-Ньюкасл", 21)});
    EXPECT_EQ(snapshot.EventCount(), 3u);
    EXPECT_EQ(snapshot.RowCount(), 3u);
    ASSERT_EQ(snapshot.Find(odd), 0u);
    EXPECT_EQ(snapshot.Find(empty_tournament), 1u);
    EXPECT_EQ(snapshot.Value(0, FieldIndex("P1")), Decimal{9999999999});  // beyond 32 bits
    EXPECT_EQ(snapshot.Value(0, FieldIndex("X")), Decimal{-35000});
    EXPECT_EQ(snapshot.Value(0, FieldIndex("P2")), std::nullopt);
    EXPECT_EQ(snapshot.IdentityOf(0), EventIdentity::Of(odd));
    EXPECT_EQ(snapshot.IdentityOf(2), EventIdentity::Of(Event("Эвертон-Ньюкасл", 21)));
    EXPECT_TRUE(EventIdentity::Of(odd).Matches(odd));
    EXPECT_FALSE(EventIdentity::Of(odd).Matches(empty_tournament));
    EXPECT_NE(IdentityHash(odd), IdentityHash(empty_tournament));
}

}  // namespace
}  // namespace lintaro::live
