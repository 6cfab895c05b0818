// Row output: JSON Lines and CSV renderings of odds table rows, byte for byte.
#include "export/row_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "table/cp1251_text.h"

namespace lintaro::worksheet {

using table::OddsRecord;

namespace {

std::string Cp(std::string_view utf8) { return table::Utf8ToCp1251(utf8); }

// Rows stored through the table, as the readers store them.
std::vector<OddsRecord> SampleRows() {
    table::OddsTable table;
    table.ResetTable();
    table.InsertRow({Cp("Футбол"),
                     Cp("Россия. Кубок, 1/8 финала"),
                     45361 + (19 * 3600 + 30 * 60 + 5) / 86400.0 + 0.123 / 86400,
                     Cp("\"Спартак\" Москва"),
                     Cp("Зенит\\СПб"),
                     1.85,
                     3.4,
                     4.0,
                     1.25,
                     1.9,
                     1.3,
                     1.95,
                     -1.5,
                     1.9,
                     0.0001,
                     1.8,
                     2.001,
                     2.5,
                     int32_t{17},
                     Cp("<tr>\r\n\t<td>Тотал</td></tr>\x01")});
    // Null against the empty text, a midnight date and a row of 19 values.
    table.InsertRow({table::Null{}, Cp("   "), 45361.0, table::Unassigned{}, std::string(), -0.5});
    return table.Rows();
}

std::string Write(const std::vector<OddsRecord>& rows, RowFormat format) {
    std::ostringstream out;
    WriteRows(out, rows, format);
    return out.str();
}

TEST(RowFormatTest, DecimalsPrintExactlyFromTheStoredValue) {
    const std::pair<int64_t, const char*> cases[] = {
        {18500, "1.85"},
        {20000, "2"},
        {-5000, "-0.5"},
        {1, "0.0001"},
        {-1, "-0.0001"},
        {0, "0"},
        {10010, "1.001"},
        {9999999999, "999999.9999"},
        {-9999999999, "-999999.9999"},
        {123456780, "12345.678"},
    };
    for (const auto& [scaled, text] : cases) {
        SCOPED_TRACE(scaled);
        EXPECT_EQ(DecimalText(table::Decimal{scaled}), text);
    }
}

TEST(RowFormatTest, JsonLinesHoldEveryFieldInOrder) {
    const std::string expected =
        R"({"sport_type_name":"Футбол","competition_name":"Россия. Кубок, 1/8 финала",)"
        R"("sport_event_date":"2024-03-10T19:30:05.123","team_h_name":"\"Спартак\" Москва",)"
        R"("team_g_name":"Зенит\\СПб","P1":1.85,"X":3.4,"P2":4,"PX1":1.25,"P2X":1.9,)"
        R"("P12":1.3,"F1":1.95,"VF1":-1.5,"F2":1.9,"VF2":0.0001,"TM":1.8,"TB":2.001,"VT":2.5,)"
        R"("Key_ID":17,"dop_info":"<tr>\r\n\t<td>Тотал</td></tr>\u0001"})"
        "\n"
        R"({"sport_type_name":null,"competition_name":"",)"
        R"("sport_event_date":"2024-03-10T00:00:00.000","team_h_name":null,"team_g_name":"",)"
        R"("P1":-0.5,"X":null,"P2":null,"PX1":null,"P2X":null,"P12":null,"F1":null,"VF1":null,)"
        R"("F2":null,"VF2":null,"TM":null,"TB":null,"VT":null,"Key_ID":null,"dop_info":null})"
        "\n";
    EXPECT_EQ(Write(SampleRows(), RowFormat::kJsonl), expected);
    EXPECT_EQ(Write({}, RowFormat::kJsonl), "");
}

TEST(RowFormatTest, CsvQuotesWhatNeedsItAndEndsLinesWithCrLf) {
    const std::string header =
        "sport_type_name,competition_name,sport_event_date,team_h_name,team_g_name,P1,X,P2,PX1,"
        "P2X,P12,F1,VF1,F2,VF2,TM,TB,VT,Key_ID,dop_info\r\n";
    const std::string expected =
        header +
        "Футбол,\"Россия. Кубок, 1/8 финала\",2024-03-10 19:30:05,\"\"\"Спартак\"\" Москва\","
        "Зенит\\СПб,1.85,3.4,4,1.25,1.9,1.3,1.95,-1.5,1.9,0.0001,1.8,2.001,2.5,17,"
        "\"<tr>\r\n\t<td>Тотал</td></tr>\x01\"\r\n"
        ",,2024-03-10 00:00:00,,,-0.5,,,,,,,,,,,,,,\r\n";
    EXPECT_EQ(Write(SampleRows(), RowFormat::kCsv), expected);
    EXPECT_EQ(Write({}, RowFormat::kCsv), header);
}

TEST(RowFormatTest, BytesOutsideTheCodePageStayVisible) {
    OddsRecord row;
    row.team_h_name = std::string("a\x98\x7F\xB9", 4);  // unassigned byte, DEL, numero sign
    std::ostringstream out;
    RowWriter(out, RowFormat::kJsonl).Write(row);
    EXPECT_NE(out.str().find(R"("team_h_name":"a�\u007f№")"), std::string::npos) << out.str();
}

// The CSV cell a home team's name becomes, written for a file (false) or for a terminal (true).
std::string CsvHomeTeamCell(std::string_view cp1251, bool terminal) {
    OddsRecord row;
    row.team_h_name = std::string(cp1251);
    row.P1 = table::Decimal{-5000};
    std::ostringstream out;
    RowWriter(out, RowFormat::kCsv, RowOptions{.escape_control_bytes = terminal}).Write(row);
    const std::string text = out.str();
    const std::string line = text.substr(text.find("\r\n") + 2);
    EXPECT_NE(line.find(",-0.5,"), std::string::npos) << "a negative number is not guarded";
    return line.substr(3, line.find(",-0.5,") - 4);  // between ",,," and ",," before P1
}

TEST(RowFormatTest, CsvTextsThatSpreadsheetsWouldRunAsFormulasGetAnApostrophe) {
    struct Case {
        std::string team;
        std::string cell;
    };
    const Case cases[] = {
        {"=1+1", "'=1+1"},
        {"+7 (495) 000-00-00", "'+7 (495) 000-00-00"},
        {"-1+1", "'-1+1"},
        {"@SUM(A1:A9)", "'@SUM(A1:A9)"},
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"\t=1+1", "'\t=1+1"},
        {"\r=1+1", "\"'\r=1+1\""},
        {"a=1+1", "a=1+1"},
        {" =1", " =1"},
        {"'quoted", "'quoted"},
        {Cp("Спартак -2"), "Спартак -2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.team);
        EXPECT_EQ(CsvHomeTeamCell(c.team, false), c.cell);
    }
    // JSON Lines keep the text as it is: a JSON string is never a formula.
    OddsRecord row;
    row.team_h_name = "=1+1";
    std::ostringstream out;
    RowWriter(out, RowFormat::kJsonl).Write(row);
    EXPECT_NE(out.str().find(R"("team_h_name":"=1+1")"), std::string::npos) << out.str();
}

TEST(RowFormatTest, TerminalTextShowsControlBytesEscapedAndKeepsRowEnds) {
    struct Case {
        std::string team;
        std::string file_cell;
        std::string terminal_cell;
    };
    const Case cases[] = {
        {"Red\x1B[31m Star\x1B[0m", "Red\x1B[31m Star\x1B[0m", "Red\\x1B[31m Star\\x1B[0m"},
        {"two\r\nlines", "\"two\r\nlines\"", "two\\r\\nlines"},
        {"bell\x07, del\x7F", "\"bell\x07, del\x7F\"", "\"bell\\x07, del\\x7F\""},
        {"\tTab", "'\tTab", "'\\x09Tab"},
        {"back\\slash", "back\\slash", "back\\slash"},
        {Cp("Зенит"), "Зенит", "Зенит"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.team);
        EXPECT_EQ(CsvHomeTeamCell(c.team, false), c.file_cell);
        EXPECT_EQ(CsvHomeTeamCell(c.team, true), c.terminal_cell);
    }
    // The only control bytes left on a terminal are the row ends. JSON Lines, which escape every
    // control byte anyway, are the same bytes on a terminal as in a file.
    std::ostringstream csv;
    WriteRows(csv, SampleRows(), RowFormat::kCsv, RowOptions{.escape_control_bytes = true});
    std::string rest = csv.str();
    for (size_t end; (end = rest.find("\r\n")) != std::string::npos;) rest.erase(end, 2);
    EXPECT_EQ(std::count_if(rest.begin(), rest.end(),
                            [](unsigned char c) { return c < 0x20 || c == 0x7F; }),
              0)
        << csv.str();
    EXPECT_NE(csv.str().find(",<tr>\\r\\n\\x09<td>Тотал</td></tr>\\x01\r\n"), std::string::npos)
        << csv.str();
    std::ostringstream jsonl;
    WriteRows(jsonl, SampleRows(), RowFormat::kJsonl, RowOptions{.escape_control_bytes = true});
    EXPECT_EQ(jsonl.str(), Write(SampleRows(), RowFormat::kJsonl));
}

TEST(RowFormatTest, AFailingStreamIsReported) {
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(WriteRows(out, SampleRows(), RowFormat::kJsonl), std::runtime_error);
    EXPECT_THROW(RowWriter(out, RowFormat::kCsv), std::runtime_error);
}

}  // namespace
}  // namespace lintaro::worksheet
