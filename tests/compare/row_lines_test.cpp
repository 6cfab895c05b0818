// Rows read back from JSON Lines: what the row writer writes comes back whole; anything else is
// refused with the line and the reason.
#include "compare/row_lines.h"

#include <gtest/gtest.h>

#include <sstream>

#include "table/cp1251_text.h"

namespace lintaro::compare {

using table::Utf8ToCp1251;

namespace {

constexpr char kRow[] =
    R"({"sport_type_name":"футбол","competition_name":"Англия. Премьер-лига",)"
    R"("sport_event_date":"2026-05-16T17:00:00.000","team_h_name":"Арсенал \"Л\"",)"
    R"("team_g_name":"Челси\u0009","P1":2.1,"X":3.4,"P2":3.5,"PX1":null,"P2X":null,"P12":null,)"
    R"("F1":1.9,"VF1":-1.5,"F2":1.95,"VF2":1.5,"TM":null,"TB":null,"VT":2.5,"Key_ID":7,)"
    R"("dop_info":null})";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(RowLinesTest, ReadsWhatTheRowWriterWrites) {
    const table::OddsRecord row = ParseRowLine(kRow);
    EXPECT_EQ(row.sport_type_name, Utf8ToCp1251("футбол"));
    EXPECT_EQ(row.team_h_name, Utf8ToCp1251("Арсенал \"Л\""));
    EXPECT_EQ(row.team_g_name, Utf8ToCp1251("Челси\t"));
    EXPECT_EQ(row.sport_event_date->ms, table::MakeDateTime({2026, 5, 16, 17, 0, 0, 0})->ms);
    EXPECT_EQ(row.P1->scaled, 21000);
    EXPECT_EQ(row.VF1->scaled, -15000);
    EXPECT_FALSE(row.PX1);
    EXPECT_EQ(row.Key_ID, 7);
    EXPECT_FALSE(row.dop_info);
}

TEST(RowLinesTest, RefusesAnythingElseNamingTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"not json", "expected a JSON object"},
        {"[1,2]", "expected a JSON object"},
        {Replace(kRow, R"("Key_ID":7,)", ""), "key \"Key_ID\" is missing"},
        {Replace(kRow, R"("Key_ID":7)", R"("Key_ID":"7")"), "key \"Key_ID\" must be"},
        {Replace(kRow, R"("Key_ID":7)", R"("Key_ID":7.5)"), "key \"Key_ID\" must be"},
        {Replace(kRow, R"("P1":2.1)", R"("P1":"2.1")"), "key \"P1\" must be a number"},
        {Replace(kRow, R"("P1":2.1)", R"("P1":1e300)"), "key \"P1\" is out of range"},
        {Replace(kRow, R"("P1":2.1)", R"("p1":2.1)"), "unknown key \"p1\""},
        {Replace(kRow, R"("P1":2.1)", R"("P1":2.1,"P1":2.1)"), "given twice"},
        {Replace(kRow, "2026-05-16T17:00:00.000", "16.05.2026"), "sport_event_date"},
        {Replace(kRow, "2026-05-16T17:00:00.000", "2026-02-30T17:00:00.000"), "sport_event_date"},
        {Replace(kRow, R"("team_g_name":"Челси\u0009")", R"("team_g_name":["x"])"), "team_g_name"},
        {std::string(kRow) + " x", "text after the object"},
        {std::string(kRow).substr(0, 60), "not closed"},
    };
    for (const auto& [line, reason] : cases) {
        std::istringstream in(std::string(kRow) + "\n\n" + line + "\n");
        try {
            ReadRowLines(in);
            ADD_FAILURE() << line;
        } catch (const ERowLineError& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with("line 3: ")) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
        }
    }
}

TEST(RowLinesTest, EmptyInputIsNoRows) {
    std::istringstream empty("");
    EXPECT_TRUE(ReadRowLines(empty).empty());
    std::istringstream blank("\n  \n");
    EXPECT_TRUE(ReadRowLines(blank).empty());
}

}  // namespace
}  // namespace lintaro::compare
