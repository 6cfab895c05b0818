// Alerts: the values a field takes, conditions read and written back, what meets them, and alerts
// checked read after read on the moving demo line (each fires once, at the read that first meets
// it).
#include "live/alerts.h"

#include <gtest/gtest.h>

#include "demo/demo_line.h"
#include "table/cp1251_text.h"

namespace lintaro::live {
namespace {

using table::Decimal;
using table::OddsRecord;

TEST(AlertValueTest, TakesPricesAboveZeroUpToAThousandAndRefusesTheRest) {
    struct Case {
        const char* text;
        std::optional<int64_t> scaled;  // none: refused
        bool prefix;                    // may still become a value
    };
    const Case cases[] = {
        {"2.5", 25000, true},           {"2,5", 25000, true},
        {"1000", 10'000'000, true},     {"0.0001", 1, true},
        {"1.2345", 12345, true},        {"7", 70000, true},
        {"0", std::nullopt, true},      {"0.", std::nullopt, true},
        {"", std::nullopt, true},       {",", std::nullopt, true},
        {"0,0000", std::nullopt, true}, {"1000.0001", std::nullopt, false},
        {"1001", std::nullopt, false},  {"-1", std::nullopt, false},
        {"-", std::nullopt, false},     {"abc", std::nullopt, false},
        {"2.5x", std::nullopt, false},  {"1.23456", std::nullopt, false},
        {"1.2.3", std::nullopt, false}, {" 2", std::nullopt, false},
        {"1e3", std::nullopt, false},   {"99999999999999999999", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Decimal> value = ParseAlertValue(c.text);
        EXPECT_EQ(value ? std::optional<int64_t>(value->scaled) : std::nullopt, c.scaled);
        EXPECT_EQ(IsAlertValuePrefix(c.text), c.prefix);
    }
}

TEST(AlertConditionTest, ReadsWhatAScriptWriterTypesAndWritesItBack) {
    struct Case {
        const char* text;
        const char* written;  // AlertConditionText of what was read
    };
    const Case cases[] = {
        {"P1>=2.5", "P1>=2.5"},
        {" X <= 3,40 ", "X<=3.4"},
        {"first:P2>=1.9@Спартак", "first:P2>=1.9@Спартак"},
        {"second: TB <= 1.75 @ ЦСКА - Спартак", "second:TB<=1.75@ЦСКА - Спартак"},
        {"F1[-1.5]>=1.9", "F1[-1.5]>=1.9"},
        {"TM[+2.25]<=2", "TM[2.25]<=2"},
        {"surebet", "surebet"},
        {"surebet>=2.5", "surebet>=2.5"},
        {"surebet@Зенит", "surebet@Зенит"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const AlertCondition condition = ParseAlertCondition(c.text);
        EXPECT_EQ(AlertConditionText(condition), c.written);
        EXPECT_EQ(ParseAlertCondition(AlertConditionText(condition)), condition);
    }
    const AlertCondition surebet = ParseAlertCondition("surebet>=3");
    EXPECT_EQ(surebet.kind, AlertKind::kSurebet);
    EXPECT_EQ(surebet.line, AlertLine::kCompared);
    const AlertCondition price = ParseAlertCondition("second:F2[0.5]<=1.8");
    EXPECT_EQ(price.field, table::FieldIndex("F2"));
    EXPECT_EQ(price.at_line, Decimal{5000});
    EXPECT_EQ(price.direction, AlertDirection::kAtMost);
    EXPECT_EQ(price.line, AlertLine::kSecond);
}

TEST(AlertConditionTest, RefusesConditionsItCannotRead) {
    for (const char* text : {"", "P1", "P1>=", "P1>=0", "P1>=-2", "P1>=abc", "P1>=1001", "VF1>=1",
                             "P3>=2", "P1[1]>=2", "F1[x]>=2", "F1[1>=2", "P1=2", "P1>=2@",
                             "surebet<=2", "surebet>=0", "first:surebet", "surebet>=x"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseAlertCondition(text), EAlertCondition);
    }
}

OddsRecord Row(const char* home, const char* guest, double p1, double f1 = 0, double vf1 = 0) {
    OddsRecord row;
    row.sport_type_name = "Football";
    row.competition_name = "League";
    row.sport_event_date = table::DateTime{45000LL * table::kMsPerDay};
    row.team_h_name = table::Utf8ToCp1251(home);
    row.team_g_name = table::Utf8ToCp1251(guest);
    row.P1 = table::DecimalFromDouble(p1);
    if (f1 > 0) {
        row.F1 = table::DecimalFromDouble(f1);
        row.VF1 = table::DecimalFromDouble(vf1);
    }
    return row;
}

TEST(AlertConditionTest, MeetsByEventPriceLineAndSurebet) {
    const OddsRecord spartak = Row("Спартак Москва", "ЦСКА", 2.5, 1.9, -1.5);
    const OddsRecord undrawn = Row("Зенит", "Спартак Москва", 1.0);  // a price of 1 is no price
    struct Case {
        const char* condition;
        const OddsRecord* row;
        std::optional<double> surebet;
        std::optional<int64_t> met;  // the value it met the condition with
    };
    const Case cases[] = {
        {"P1>=2.5", &spartak, {}, 25000},
        {"P1>=2.51", &spartak, {}, {}},
        {"P1<=2.5", &spartak, {}, 25000},
        {"P1<=2.49", &spartak, {}, {}},
        {"P1<=5", &undrawn, {}, {}},
        {"P1>=2@спартак", &spartak, {}, 25000},
        {"P1>=2@СПАРТАК - цска", &spartak, {}, 25000},
        {"P1>=2@ЦСКА - Спартак", &spartak, {}, {}},
        {"P1>=2@Динамо", &spartak, {}, {}},
        {"F1[-1.5]>=1.9", &spartak, {}, 19000},
        {"F1[-1]>=1.9", &spartak, {}, {}},
        {"F1>=1.9", &spartak, {}, 19000},
        {"surebet", &spartak, 0.0123, 12300},
        {"surebet>=1.23", &spartak, 0.0123, 12300},
        {"surebet>=1.24", &spartak, 0.0123, {}},
        {"surebet", &spartak, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        const std::optional<Decimal> met =
            MeetsCondition(ParseAlertCondition(c.condition), AlertEvent{c.row, c.surebet});
        EXPECT_EQ(met ? std::optional<int64_t>(met->scaled) : std::nullopt, c.met);
    }
}

TEST(AlertCheckTest, AnAlertFiresOnceOnItsOwnLineAndKeepsWhatItSaw) {
    std::vector<OddsRecord> rows = {Row("А", "Б", 1.8), Row("В", "Г", 2.2)};
    AlertCondition on_first = ParseAlertCondition("first:P1>=2");
    AlertCondition on_event = ParseAlertCondition("P1<=1.7");
    on_event.event = EventIdentity::Of(rows[0]);
    std::vector<Alert> alerts = {
        {on_first, {}}, {on_event, {}}, {ParseAlertCondition("surebet"), {}}};
    const auto read = [&rows](AlertLine line, const char* time) {
        AlertRead read{line, time, {}};
        for (const OddsRecord& row : rows) read.events.push_back({&row, 0.05});
        return read;
    };
    // The second bookmaker's line is not the first's; the surebet waits for a comparison.
    EXPECT_TRUE(CheckAlerts(alerts, read(AlertLine::kSecond, "10:00:00")).empty());
    std::vector<AlertFiring> fired = CheckAlerts(alerts, read(AlertLine::kFirst, "10:01:00"));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].alert, 0u);
    EXPECT_EQ(fired[0].row, &rows[1]);
    ASSERT_TRUE(alerts[0].fired);
    EXPECT_EQ(alerts[0].fired->time, "10:01:00");
    EXPECT_EQ(alerts[0].fired->value, Decimal{22000});
    EXPECT_EQ(alerts[0].fired->event, EventIdentity::Of(rows[1]));
    // Once fired, never again; the alert on one event fires when that event's price falls.
    rows[0].P1 = Decimal{17000};
    fired = CheckAlerts(alerts, read(AlertLine::kFirst, "10:02:00"));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].alert, 1u);
    fired = CheckAlerts(alerts, read(AlertLine::kCompared, "10:03:00"));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].alert, 2u);
    EXPECT_EQ(alerts[2].fired->value, Decimal{50000});
    EXPECT_TRUE(CheckAlerts(alerts, read(AlertLine::kCompared, "10:04:00")).empty());
    EXPECT_EQ(alerts[0].fired->time, "10:01:00");
}

// On the moving demo line: an alert at a price one event reaches only at generation 2 fires at
// that read, and no other.
TEST(AlertCheckTest, FiresAtTheReadOfTheMovingDemoLineThatReachesTheValue) {
    demo::DemoOptions options;
    options.events = 60;
    options.today = std::chrono::year_month_day(std::chrono::year(2026), std::chrono::month(12),
                                                std::chrono::day(20));
    std::vector<std::vector<OddsRecord>> generations;
    for (uint32_t g = 0; g < 4; ++g) {
        options.generation = g;
        generations.push_back(demo::PublishedFirstRows(options, *options.today));
    }
    // An event whose P1 rose between generations 1 and 2 past anything it had before.
    std::optional<Alert> alert;
    for (const OddsRecord& later : generations[2]) {
        if (alert || !table::IsQuotedPrice(later.P1)) continue;
        // Quoted below that price at both earlier reads.
        int below_before = 0;
        for (int g = 0; g < 2; ++g) {
            for (const OddsRecord& row : generations[g]) {
                if (SameIdentity(row, later) && table::IsQuotedPrice(row.P1) &&
                    row.P1->scaled < later.P1->scaled) {
                    ++below_before;
                }
            }
        }
        if (below_before != 2) continue;
        AlertCondition condition;
        condition.field = table::FieldIndex("P1");
        condition.value = later.P1;
        condition.event = EventIdentity::Of(later);
        alert = Alert{condition, {}};
    }
    ASSERT_TRUE(alert) << "the demo line should move some P1 up at generation 2";
    std::vector<Alert> alerts = {*alert};
    std::vector<int> fired_at;
    for (size_t g = 0; g < generations.size(); ++g) {
        AlertRead read{AlertLine::kFirst, "g" + std::to_string(g), {}};
        for (const OddsRecord& row : generations[g]) read.events.push_back({&row, {}});
        if (!CheckAlerts(alerts, read).empty()) fired_at.push_back(static_cast<int>(g));
    }
    EXPECT_EQ(fired_at, std::vector<int>{2});
    EXPECT_EQ(alerts[0].fired->time, "g2");
}

}  // namespace
}  // namespace lintaro::live
