// The find bar's search: its case and "ё" rules, and the tree it leaves together with the column
// filters and the footer.
#include "grid/find_text.h"

#include <gtest/gtest.h>

#include "grid/grid_tree.h"
#include "grid_fixture.h"

namespace lintaro::grid {

using table::Utf8ToCp1251;

namespace {

using testing::At;
using testing::Dump;
using testing::Fill;

TEST(FindTextTest, IgnoresCaseAndReadsYoAsYe) {
    struct Case {
        const char* typed;  // UTF-8
        const char* text;   // UTF-8, converted to Windows-1251
        bool found;
    };
    const Case kCases[] = {
        {"спартак", "СПАРТАК Москва", true},
        {"СПАРТАК", "спартак", true},
        {"Ёлка", "елка", true},
        {"елка", "ЁЛКА", true},
        {"ё", "Е", true},
        {"е", "э", false},
        {"fc", "Real FC", true},
        {"ї", "Її", true},  // Ukrainian pairs fold too
        {"ў", "Ў", true},
        {"cпартак", "спартак", false},  // a Latin "c" is not the Cyrillic one
        {"мск", "Москва", false},
        {"москва!", "Москва", false},
        {"", "anything", true},
        {"€", "€ 5", true},
        {"日本", "日本", false},  // nothing the code page cannot hold is found
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.typed << " in " << c.text);
        EXPECT_EQ(FindText(c.typed).Contains(Utf8ToCp1251(c.text)), c.found);
    }
}

TEST(FindTextTest, LooksAtTeamsAndTournamentOnly) {
    table::OddsRecord row;
    row.sport_type_name = Utf8ToCp1251("Футбол");
    row.competition_name = Utf8ToCp1251("Премьер-лига");
    row.team_h_name = Utf8ToCp1251("Зенит");
    row.team_g_name = std::nullopt;
    row.dop_info = Utf8ToCp1251("Спартак");
    for (const auto& [typed, found] : std::vector<std::pair<const char*, bool>>{
             {"зен", true}, {"лига", true}, {"футбол", false}, {"спартак", false}}) {
        SCOPED_TRACE(typed);
        EXPECT_EQ(FindText(typed).Matches(row), found);
    }
}

TEST(FindTextTest, CombinesWithColumnFiltersAndClearsBackToThem) {
    table::OddsTable table;
    Fill(table, {
                    {"футбол", "РПЛ", At(11, 18), "Спартак", "Зенит"},
                    {"футбол", "РПЛ", At(11, 20), "ЦСКА", "Спартак"},
                    {"футбол", "Кубок Спартака", At(12, 9), "Динамо", "Ротор"},
                    {"хоккей", "КХЛ", At(11, 19), "Спартак", "СКА"},
                    {"хоккей", "КХЛ", At(11, 21), "Металлург", "Ак Барс"},
                });
    GridTree tree;
    tree.Rebuild(table);
    struct Step {
        const char* what;
        std::function<void(GridTree&)> change;
        const char* tree;
        const char* footer;
    };
    const Step kSteps[] = {
        {"typing", [](GridTree& t) { t.SetFindText("спар"); },
         "Вид спорта : футбол |\n  Турнир : Кубок Спартака |\n    Динамо-Ротор|\n"
         "  Турнир : РПЛ |\n    Спартак-Зенит|\n    ЦСКА-Спартак|\n"
         "Вид спорта : хоккей |\n  Турнир : КХЛ |\n    Спартак-СКА|\n",
         "Всего: 4"},
        {"a column filter on top",
         [](GridTree& t) { t.SetFilter(kColSport, ColumnFilter::Value("хоккей")); },
         "Вид спорта : хоккей |\n  Турнир : КХЛ |\n    Спартак-СКА|\n", "Всего: 1"},
        {"typing on", [](GridTree& t) { t.SetFindText("спартак м"); }, "", "Всего: "},
        {"a header click while finding",
         [](GridTree& t) {
             t.SetFindText("а");
             t.ClickHeader(kColHomeTeam);
             t.ClickHeader(kColHomeTeam);
         },
         "Вид спорта : хоккей |\n  Турнир : КХЛ |\n    Спартак-СКА|\n    Металлург-Ак Барс|\n",
         "Всего: 2"},
        {"cleared: the column filter alone", [](GridTree& t) { t.SetFindText(""); },
         "Вид спорта : хоккей |\n  Турнир : КХЛ |\n    Спартак-СКА|\n    Металлург-Ак Барс|\n",
         "Всего: 2"},
        {"the filter removed while finding",
         [](GridTree& t) {
             t.SetFindText("ЗЕН");
             t.SetFilter(kColSport, ColumnFilter::All());
         },
         "Вид спорта : футбол |\n  Турнир : РПЛ |\n    Спартак-Зенит|\n", "Всего: 1"},
    };
    for (const Step& step : kSteps) {
        SCOPED_TRACE(step.what);
        step.change(tree);
        EXPECT_EQ(Dump(tree), step.tree);
        EXPECT_EQ(table::Cp1251ToUtf8(tree.FooterText()), step.footer);
    }
    // A rebuild over a changed table keeps finding.
    table.InsertRow(testing::ValuesOf({"теннис", "ATP", At(12, 10), "Зенков", "Иванов"}));
    tree.Rebuild(table);
    EXPECT_EQ(tree.EventCount(), 2);
    // The drop-down lists offer only what is found.
    const std::vector<FilterListEntry> sports = tree.FilterList(kColSport);
    ASSERT_EQ(sports.size(), 4u);
    EXPECT_EQ(sports[2].text, "теннис");
    EXPECT_EQ(sports[3].text, "футбол");
}

}  // namespace
}  // namespace lintaro::grid
