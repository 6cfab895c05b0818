// The odds table: open and closed states, the storage rule of each field kind, the current row, and
// the change notifications a view relies on.
#include "table/odds_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace lintaro::table {
namespace {

constexpr int kDopInfo = 19;

// A full row of realistic values; `price` goes to P1.
std::vector<FieldValue> EventRow(int32_t key, double price = 1.85, std::string sheet = "<b>1</b>") {
    return {std::string("Футбол"),
            std::string("Россия. Премьер-лига"),
            45361.8125,
            std::string("Спартак"),
            std::string("Зенит"),
            price,
            3.4,
            4.2,
            1.25,
            1.9,
            1.3,
            1.95,
            -1.5,
            1.9,
            1.5,
            1.8,
            2.0,
            2.5,
            key,
            std::move(sheet)};
}

void ExpectTableError(const std::function<void()>& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "expected ETableError: " << message;
    } catch (const ETableError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

struct CountingObserver : OddsTableObserver {
    int resets = 0;
    int changes = 0;
    void TableReset() override { ++resets; }
    void RowsChanged() override { ++changes; }
};

TEST(OddsTableTest, ClosedUntilResetThenOpenAndEmpty) {
    OddsTable table;
    EXPECT_FALSE(table.IsOpen());
    ExpectTableError([&] { table.InsertRow(EventRow(1)); },
                     "cds_Data: Cannot perform this operation on a closed dataset");
    ExpectTableError([&] { table.DeleteCurrentRow(); },
                     "cds_Data: Cannot perform this operation on a closed dataset");

    table.ResetTable();
    EXPECT_TRUE(table.IsOpen());
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(table.CurrentRow(), -1);
    EXPECT_EQ(table.FieldText("dop_info"), "");
    ExpectTableError([&] { table.DeleteCurrentRow(); },
                     "cds_Data: Cannot perform this operation on an empty dataset");
    EXPECT_TRUE(table.IsOpen());

    table.InsertRow(EventRow(1));
    table.ResetTable();
    EXPECT_TRUE(table.IsOpen());
    EXPECT_EQ(table.RowCount(), 0);
}

TEST(OddsTableTest, TextsAreCutAtNulAndSizeAndLoseTrailingBlanks) {
    struct Case {
        int field;
        std::string given;
        std::string stored;
    };
    const std::string long_sheet(5000, 'x');
    const std::string cut_at_blank = std::string(253, 'a') + "   tail";  // 255th char is a blank
    const Case cases[] = {
        {3, "Спартак   ", "Спартак"},
        {3, "   ", ""},
        {3, "", ""},
        {3, "  lead\t", "  lead\t"},  // only blanks at the end go
        {4, std::string("ab\0cd", 5), "ab"},
        {4, std::string("ab \0cd", 6), "ab"},
        {0, std::string(300, 'z'), std::string(255, 'z')},
        {1, cut_at_blank, std::string(253, 'a')},
        {kDopInfo, long_sheet, long_sheet.substr(0, 4000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kOddsFields[c.field].name + (": \"" + c.given.substr(0, 20) + "\""));
        OddsTable table;
        table.ResetTable();
        std::vector<FieldValue> values(c.field + 1);
        values[c.field] = c.given;
        table.InsertRow(values);
        const StoredValue stored = GetField(table.Rows()[0], c.field);
        ASSERT_TRUE(std::holds_alternative<std::string_view>(stored)) << "stored as null";
        EXPECT_EQ(std::get<std::string_view>(stored), c.stored);

        // The moving overload stores the same, and a row keeps no buffer much larger than its text.
        table.InsertRow(std::move(values));
        EXPECT_EQ(std::get<std::string_view>(GetField(table.Rows()[1], c.field)), c.stored);
        const auto& moved = c.field == kDopInfo ? table.Rows()[1].dop_info
                            : c.field == 0      ? table.Rows()[1].sport_type_name
                            : c.field == 1      ? table.Rows()[1].competition_name
                            : c.field == 3      ? table.Rows()[1].team_h_name
                                                : table.Rows()[1].team_g_name;
        EXPECT_LE(moved->capacity(), std::max<size_t>(15, c.stored.size() + 64));
    }
}

TEST(OddsTableTest, DecimalsRoundExactlyToFourPlacesTiesToEven) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double given;
        std::optional<int64_t> scaled;  // nullopt: the insertion fails
    };
    const Case cases[] = {
        {1.85, 18500},
        {2.0, 20000},
        {-1.5, -15000},
        {0.0, 0},
        {-0.0, 0},
        {1e-300, 0},
        {5e-324, 0},
        // Binary ties: 0.03125 * 10000 = 312.5 exactly.
        {0.03125, 312},
        {0.09375, 938},
        {-0.03125, -312},
        // Decimal literals that are not ties as doubles: the exact value decides.
        {0.00005, 1},      // 0.5000000000000000239...
        {1.00005, 10001},  // 10000.500000000001...
        {2.00025, 20002},  // 20002.499999999998...
        {123.45678, 1234568},
        {999999.9999, 9999999999},
        {999999.99995, 9999999999},  // 9999999999.4999999...: just below the limit
        {-999999.9999, -9999999999},
        {1000000.0, std::nullopt},
        {-1000000.0, std::nullopt},
        {999999.99996, std::nullopt},  // rounds up to 1 000 000
        {1e300, std::nullopt},
        {nan, std::nullopt},
        {inf, std::nullopt},
        {-inf, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.given);
        EXPECT_EQ(DecimalFromDouble(c.given).has_value(), c.scaled.has_value());
        OddsTable table;
        table.ResetTable();
        if (c.scaled) {
            table.InsertRow(EventRow(1, c.given));
            ASSERT_TRUE(table.Rows()[0].P1.has_value());
            EXPECT_EQ(table.Rows()[0].P1->scaled, *c.scaled);
        } else {
            EXPECT_THROW(table.InsertRow(EventRow(1, c.given)), ETableError);
            EXPECT_EQ(table.RowCount(), 0);
        }
    }
}

// Rounds the exact decimal expansion of `value` (glibc prints every digit of a double) to 4
// places with ties to even: an oracle independent of the binary method under test.
int64_t RoundByDecimalDigits(double value) {
    std::vector<char> buffer(1200);
    std::snprintf(buffer.data(), buffer.size(), "%.1100f", std::fabs(value));
    const std::string digits = buffer.data();
    const size_t point = digits.find('.');
    int64_t scaled = std::stoll(digits.substr(0, point) + digits.substr(point + 1, 4));
    const std::string rest = digits.substr(point + 5);
    const bool beyond_half = rest.find_first_not_of('0', 1) != std::string::npos;
    if (rest[0] > '5' || (rest[0] == '5' && (beyond_half || scaled % 2 != 0))) ++scaled;
    return value < 0 ? -scaled : scaled;
}

TEST(OddsTableTest, DecimalRoundingAgreesWithExactDecimalDigits) {
    std::mt19937_64 random(20240310);
    std::uniform_int_distribution<int64_t> units(-9'999'999'999, 9'999'999'999);
    std::uniform_int_distribution<int> nudge(-3, 3);
    std::uniform_real_distribution<double> uniform(-999999.0, 999999.0);
    for (int i = 0; i < 20000; ++i) {
        double value;
        switch (i % 3) {
            case 0:  // a decimal half, as a page would write it: 1.00005, 12.34565, ...
                value = (units(random) * 2 + 1) / 20000.0;
                break;
            case 1:  // a few steps of the double next to a decimal half
                value = (units(random) * 2 + 1) / 20000.0;
                for (int n = nudge(random); n != 0; n += n > 0 ? -1 : 1) {
                    value = std::nextafter(value, n > 0 ? HUGE_VAL : -HUGE_VAL);
                }
                break;
            default:
                value = uniform(random) / std::pow(10.0, i % 7);
        }
        const auto decimal = DecimalFromDouble(value);
        const int64_t expected = RoundByDecimalDigits(value);
        if (std::llabs(expected) >= kDecimalLimit) {
            EXPECT_FALSE(decimal.has_value()) << std::setprecision(17) << value;
            continue;
        }
        ASSERT_TRUE(decimal.has_value()) << std::setprecision(17) << value;
        ASSERT_EQ(decimal->scaled, expected) << std::setprecision(17) << value;
    }
}

TEST(OddsTableTest, DateTimesRoundToTheMillisecond) {
    struct Case {
        double days;
        std::optional<int64_t> ms;
    };
    const Case cases[] = {
        {45361 + (19 * 3600 + 30 * 60) / 86400.0, 45361 * kMsPerDay + 70'200'000},
        {0.5, 43'200'000},
        {-1.25, -kMsPerDay + 21'600'000},  // 1899-12-29 06:00
        {-0.5, 43'200'000},                // the same time of day as 0.5
        {1.0 / 2048, 42'188},              // 42187.5 ms exactly: to the even millisecond
        {-693593.0, kMinDateTime.ms},
        {-693593.5, kMinDateTime.ms + 43'200'000},
        {-693594.0, std::nullopt},
        {2958465.5, kMaxDateTime.ms - 43'200'000 + 1},
        {2958466.0, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
        {1e20, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.days);
        OddsTable table;
        table.ResetTable();
        std::vector<FieldValue> values = {Null{}, Null{}, c.days};
        if (c.ms) {
            table.InsertRow(values);
            ASSERT_TRUE(table.Rows()[0].sport_event_date.has_value());
            EXPECT_EQ(table.Rows()[0].sport_event_date->ms, *c.ms);
        } else {
            EXPECT_THROW(table.InsertRow(values), ETableError);
            EXPECT_EQ(table.RowCount(), 0);
        }
    }
}

TEST(OddsTableTest, ValuesFollowFieldOrderAndKinds) {
    OddsTable table;
    table.ResetTable();

    // 19 values, as the second bookmaker's reader gives them: dop_info stays null.
    std::vector<FieldValue> values = EventRow(7);
    values.pop_back();
    table.InsertRow(values);
    const OddsRecord& row = table.Rows()[0];
    EXPECT_EQ(row.sport_type_name, "Футбол");
    EXPECT_EQ(row.team_g_name, "Зенит");
    EXPECT_EQ(row.sport_event_date->ms, 45361 * kMsPerDay + 70'200'000);
    EXPECT_EQ(row.VF1->scaled, -15000);
    EXPECT_EQ(row.VT->scaled, 25000);
    EXPECT_EQ(row.Key_ID, 7);
    EXPECT_FALSE(row.dop_info.has_value());
    EXPECT_EQ(table.FieldText("dop_info"), "");

    // Unassigned and Null leave fields null; an integer serves a decimal.
    table.InsertRow({Unassigned{}, Null{}, Unassigned{}, Null{}, Null{}, int32_t{3}});
    const OddsRecord& sparse = table.Rows()[1];
    EXPECT_FALSE(sparse.sport_type_name || sparse.competition_name || sparse.sport_event_date);
    EXPECT_EQ(sparse.P1->scaled, 30000);
    EXPECT_FALSE(sparse.X.has_value());
}

TEST(OddsTableTest, UnsuitableValuesFailAndLeaveTheTableAsItWas) {
    OddsTable table;
    CountingObserver observer;
    table.SetObserver(&observer);
    table.ResetTable();
    table.InsertRow(EventRow(1, 1.5, "first"));
    table.InsertRow(EventRow(2, 1.6, "second"));
    table.SetCurrentRow(0);
    const int changes = observer.changes;

    std::vector<FieldValue> too_many = EventRow(3);
    too_many.resize(21);  // even an unassigned 21st value has no field
    ExpectTableError([&] { table.InsertRow(too_many); },
                     "cds_Data: Cannot store 21 values: the table has 20 fields");
    ExpectTableError([&] { table.InsertRow(EventRow(3, 1000000.0)); },
                     "cds_Data: Field 'P1' cannot hold 1000000: the magnitude must stay below "
                     "1000000");
    ExpectTableError(
        [&] {
            table.InsertRow({std::string("a"), 1.5});
        },
        "cds_Data: Field 'competition_name' cannot hold a floating-point number value");
    ExpectTableError(
        [&] {
            std::vector<FieldValue> values(19);
            values[18] = 1.0;
            table.InsertRow(values);
        },
        "cds_Data: Field 'Key_ID' cannot hold a floating-point number value");
    ExpectTableError(
        [&] {
            std::vector<FieldValue> values(6);
            values[5] = std::string("1.85");
            table.InsertRow(values);
        },
        "cds_Data: Field 'P1' cannot hold a text value");
    EXPECT_THROW(table.InsertRow(EventRow(3, std::nan(""))), ETableError);

    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.CurrentRow(), 0);
    EXPECT_EQ(table.FieldText("dop_info"), "first");
    EXPECT_EQ(observer.changes, changes);
}

TEST(OddsTableTest, InsertedRowBecomesCurrentAndDeleteMovesToANeighbour) {
    OddsTable table;
    table.ResetTable();
    for (const char* sheet : {"a", "b", "c", "d"}) {
        table.InsertRow(EventRow(1, 1.5, sheet));
        EXPECT_EQ(table.FieldText("dop_info"), sheet);
    }
    EXPECT_EQ(table.CurrentRow(), 3);

    table.SetCurrentRow(1);
    table.SetCurrentRow(4);   // out of range: ignored
    table.SetCurrentRow(-1);  // ignored too
    EXPECT_EQ(table.FieldText("dop_info"), "b");
    table.DeleteCurrentRow();  // the following row takes its place
    EXPECT_EQ(table.FieldText("dop_info"), "c");

    table.SetCurrentRow(2);
    table.DeleteCurrentRow();  // the last row: the preceding one becomes current
    EXPECT_EQ(table.FieldText("dop_info"), "c");

    table.DeleteCurrentRow();
    table.DeleteCurrentRow();
    EXPECT_EQ(table.CurrentRow(), -1);
    EXPECT_EQ(table.FieldText("dop_info"), "");
    EXPECT_THROW(table.DeleteCurrentRow(), ETableError);
}

TEST(OddsTableTest, FieldTextGivesStoredTextOnly) {
    OddsTable table;
    table.ResetTable();
    table.InsertRow(EventRow(5, 1.85, "  <i>sheet</i>  "));
    EXPECT_EQ(table.FieldText("dop_info"), "  <i>sheet</i>");
    EXPECT_EQ(table.FieldText("team_h_name"), "Спартак");
    EXPECT_EQ(table.FieldText("P1"), "");  // not a text field
    ExpectTableError([&] { (void)table.FieldText("Dop_Info"); },
                     "cds_Data: Field 'Dop_Info' not found");
}

TEST(OddsTableTest, NotificationsFollowChangesAndNestedSuspension) {
    OddsTable table;
    CountingObserver observer;
    table.SetObserver(&observer);

    table.SuspendDisplay();
    table.ResumeDisplay();  // closed table: nothing to reload
    table.ResumeDisplay();  // at zero: nothing at all
    EXPECT_EQ(observer.changes, 0);

    table.ResetTable();
    EXPECT_EQ(observer.resets, 1);
    table.InsertRow(EventRow(1));
    table.InsertRow(EventRow(2));
    table.DeleteCurrentRow();
    EXPECT_EQ(observer.changes, 3);  // once per change

    table.SuspendDisplay();
    table.SuspendDisplay();
    table.InsertRow(EventRow(3));
    table.DeleteCurrentRow();
    table.ResetTable();
    table.InsertRow(EventRow(4));
    table.ResumeDisplay();
    EXPECT_EQ(observer.changes, 3);
    EXPECT_EQ(observer.resets, 1);
    table.ResumeDisplay();  // the last one: the whole table once
    EXPECT_EQ(observer.changes, 4);
    table.ResumeDisplay();
    EXPECT_EQ(observer.changes, 4);

    table.InsertRow(EventRow(5));
    EXPECT_EQ(observer.changes, 5);
}

TEST(OddsTableTest, TakeRowsFromMovesEveryRowWithOneNotification) {
    OddsTable shown;
    CountingObserver observer;
    shown.SetObserver(&observer);
    OddsTable read;
    ExpectTableError([&] { shown.TakeRowsFrom(read); },
                     "cds_Data: Cannot perform this operation on a closed dataset");

    shown.ResetTable();
    shown.InsertRow(EventRow(1));
    read.ResetTable();
    shown.TakeRowsFrom(read);  // nothing to move: no reload
    EXPECT_EQ(observer.changes, 1);

    for (int32_t key = 2; key <= 4; ++key) read.InsertRow(EventRow(key));
    shown.SetCurrentRow(0);
    shown.TakeRowsFrom(read);
    EXPECT_EQ(observer.changes, 2);
    ASSERT_EQ(shown.RowCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(shown.Rows()[i].Key_ID, i + 1);
    EXPECT_EQ(shown.CurrentRow(), 3);  // the last row moved, as after inserting it
    EXPECT_TRUE(read.IsOpen());
    EXPECT_EQ(read.RowCount(), 0);
    EXPECT_EQ(read.CurrentRow(), -1);
    read.InsertRow(EventRow(5));  // the source stays usable
    EXPECT_EQ(read.RowCount(), 1);
}

TEST(OddsTableTest, ScopedSuspensionResumesWhenTheLoadFails) {
    OddsTable table;
    CountingObserver observer;
    table.SetObserver(&observer);
    table.ResetTable();
    try {
        ScopedDisplaySuspension suspension(table);
        table.InsertRow(EventRow(1));
        EXPECT_TRUE(table.IsDisplaySuspended());
        table.InsertRow(EventRow(2, 1e9));
    } catch (const ETableError&) {
    }
    EXPECT_FALSE(table.IsDisplaySuspended());
    EXPECT_EQ(observer.changes, 1);
    EXPECT_EQ(table.RowCount(), 1);
}

TEST(OddsTableTest, ChangesFromInsideANotificationAreRefused) {
    struct MeddlingObserver : OddsTableObserver {
        OddsTable* table = nullptr;
        std::vector<std::string> errors;
        void Try(const std::function<void()>& change) {
            try {
                change();
            } catch (const ETableError& e) {
                errors.push_back(e.what());
            }
        }
        void TableReset() override {
            Try([&] { table->InsertRow(EventRow(9)); });
        }
        void RowsChanged() override {
            Try([&] { table->InsertRow(EventRow(9)); });
            Try([&] { table->DeleteCurrentRow(); });
            Try([&] { table->ResetTable(); });
            table->SetCurrentRow(0);  // moving the current row is no change
        }
    } observer;
    OddsTable table;
    observer.table = &table;
    table.SetObserver(&observer);
    table.ResetTable();
    table.InsertRow(EventRow(1));
    table.InsertRow(EventRow(2));
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.CurrentRow(), 0);
    ASSERT_EQ(observer.errors.size(), 7u);
    EXPECT_EQ(observer.errors[0],
              "cds_Data: Cannot change the table while a change of it is being reported");

    // After the notification the table takes changes again.
    table.SetObserver(nullptr);
    table.InsertRow(EventRow(3));
    EXPECT_EQ(table.RowCount(), 3);
}

}  // namespace
}  // namespace lintaro::table
