// The grid's layout at start (every column attribute the grid and the export read) and the changes
// the window makes to it.
#include "grid/grid_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "table/cp1251_text.h"

namespace lintaro::grid {

using table::Cp1251ToUtf8;

namespace {

TEST(GridLayoutTest, ColumnsAtStart) {
    using B = ColumnBackground;
    using A = table::FieldAlignment;
    struct Row {
        const char* field;
        const char* caption;
        int band, width;
        bool visible;
        B background;
        bool bold;
        A caption_alignment, alignment;
        bool fixed, filter, sorted;
        int group_level;
    };
    const Row kRows[] = {
        {"sport_type_name", "Вид спорта", 0, 86, false, B::kGrid, false, A::kLeft, A::kLeft, false,
         true, true, 1},
        {"competition_name", "Турнир", 0, 86, false, B::kGrid, false, A::kLeft, A::kLeft, false,
         true, true, 2},
        {"sport_event_date", "Дата события", 0, 104, true, B::kGrid, false, A::kLeft, A::kLeft,
         true, true, true, 0},
        {"team_h_name", "Командa дом.", 0, 150, true, B::kGrid, false, A::kLeft, A::kLeft, true,
         true, false, 0},
        {"team_g_name", "Командa гость", 0, 150, true, B::kGrid, false, A::kLeft, A::kLeft, true,
         true, false, 0},
        {"P1", "1", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"X", "X", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"P2", "2", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"PX1", "X1", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"P12", "12", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"P2X", "2X", 1, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"VF1", "знач.", 2, 50, true, B::kApricot, false, A::kCenter, A::kCenter, true, false,
         false, 0},
        {"F1", "Ф1", 2, 50, true, B::kApricot, true, A::kCenter, A::kRight, true, false, false, 0},
        {"VF2", "знач.", 2, 50, true, B::kApricot, false, A::kCenter, A::kCenter, true, false,
         false, 0},
        {"F2", "Ф2", 2, 50, true, B::kApricot, true, A::kCenter, A::kRight, true, false, false, 0},
        {"VT", "знач.", 3, 50, true, B::kInfo, false, A::kCenter, A::kCenter, true, false, false,
         0},
        {"TM", "TM", 3, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"TB", "ТБ", 3, 50, true, B::kInfo, true, A::kCenter, A::kRight, true, false, false, 0},
        {"dop_info", "", 0, kDefaultColumnWidth, false, B::kGrid, false, A::kLeft, A::kLeft, false,
         true, false, 0},
    };
    const GridLayout layout;
    ASSERT_EQ(layout.ColumnCount(), 24);
    for (int i = 0; i < 19; ++i) {
        const Row& r = kRows[i];
        const GridColumn& c = layout.Column(i);
        SCOPED_TRACE(r.field);
        EXPECT_STREQ(table::kOddsFields[c.field_index].name, r.field);
        EXPECT_EQ(c.computed, ComputedColumn::kNone);
        EXPECT_EQ(Cp1251ToUtf8(c.caption), r.caption);
        EXPECT_EQ(c.band, r.band);
        EXPECT_EQ(c.width, r.width);
        EXPECT_EQ(c.visible, r.visible);
        EXPECT_EQ(c.background, r.background);
        EXPECT_EQ(c.bold, r.bold);
        EXPECT_EQ(c.caption_alignment, r.caption_alignment);
        EXPECT_EQ(c.alignment, r.alignment);
        EXPECT_EQ(c.fixed, r.fixed);
        EXPECT_EQ(c.filter, r.filter);
        EXPECT_EQ(c.sorted.has_value(), r.sorted);
        EXPECT_EQ(c.group_level, r.group_level);
        EXPECT_EQ(c.disable_caption, i == kColDopInfo);
        EXPECT_EQ(c.summary, i == kColHomeTeam ? SummaryKind::kCount : SummaryKind::kNone);
    }
    // The last letter of "Командa" in the team captions is the Latin a; "ТБ" is Cyrillic, "TM"
    // Latin.
    EXPECT_EQ(layout.Column(kColHomeTeam).caption.substr(0, 7),
              "\xCA\xEE\xEC\xE0\xED\xE4"
              "a");
    EXPECT_EQ(layout.Column(kColGuestTeam).caption[6], 'a');
    EXPECT_EQ(layout.Column(kColTB).caption, "\xD2\xC1");
    EXPECT_EQ(layout.Column(kColTM).caption, "TM");
}

TEST(GridLayoutTest, MarginColumnsStartHiddenAtTheEndOfTheirBands) {
    const GridLayout layout;
    struct Row {
        int column;
        ComputedColumn computed;
        const char* caption;
        int band;
        ColumnBackground background;
    };
    const Row kRows[] = {
        {kColMargin1X2, ComputedColumn::kMargin1X2, "Маржа 1X2", 1, ColumnBackground::kInfo},
        {kColMarginHandicap, ComputedColumn::kMarginHandicap, "Маржа Ф", 2,
         ColumnBackground::kApricot},
        {kColMarginTotal, ComputedColumn::kMarginTotal, "Маржа Т", 3, ColumnBackground::kInfo},
        {kColBestMargin, ComputedColumn::kBestMargin, "Маржа лучших", 1, ColumnBackground::kInfo},
        {kColSurebet, ComputedColumn::kSurebet, "Вилка", 1, ColumnBackground::kInfo},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.caption);
        const GridColumn& c = layout.Column(r.column);
        EXPECT_EQ(c.computed, r.computed);
        EXPECT_EQ(c.field_index, -1);
        EXPECT_EQ(Cp1251ToUtf8(c.caption), r.caption);
        EXPECT_EQ(c.band, r.band);
        EXPECT_EQ(c.background, r.background);
        EXPECT_FALSE(c.visible);
        EXPECT_TRUE(c.fixed);   // never grouped by
        EXPECT_TRUE(c.filter);  // a filter button once shown
        EXPECT_EQ(c.alignment, table::FieldAlignment::kRight);
        EXPECT_EQ(c.summary, SummaryKind::kNone);
    }
    const std::vector<int>& order = layout.Order();
    const auto position = [&](int column) {
        return std::find(order.begin(), order.end(), column) - order.begin();
    };
    EXPECT_EQ(position(kColMargin1X2), position(kColP2X) + 1);
    EXPECT_EQ(position(kColMarginHandicap), position(kColF2) + 1);
    EXPECT_EQ(position(kColMarginTotal), position(kColTB) + 1);
    EXPECT_EQ(position(kColBestMargin), position(kColMargin1X2) + 1);
    EXPECT_EQ(position(kColSurebet), position(kColBestMargin) + 1);
}

TEST(GridLayoutTest, UsersToggleEveryColumnButTheSheetAndTheGroupedOnes) {
    GridLayout layout;
    const std::vector<int> at_start = {
        kColDate, kColHomeTeam, kColGuestTeam, kColP1,         kColX,
        kColP2,   kColPX1,      kColP12,       kColP2X,        kColMargin1X2,
        kColVF1,  kColF1,       kColVF2,       kColF2,         kColMarginHandicap,
        kColVT,   kColTM,       kColTB,        kColMarginTotal};
    EXPECT_EQ(layout.UserToggleableColumns(), at_start);
    EXPECT_FALSE(layout.IsUserToggleable(kColDopInfo));
    EXPECT_FALSE(layout.IsUserToggleable(kColSport));
    EXPECT_FALSE(layout.IsUserToggleable(-1));
    EXPECT_FALSE(layout.IsUserToggleable(kGridColumnCount));
    layout.SetGroupColumns({kColCompetition});
    EXPECT_TRUE(layout.IsUserToggleable(kColSport));
    EXPECT_FALSE(layout.IsUserToggleable(kColCompetition));
}

TEST(GridLayoutTest, BandsAndExportColumnsAtStart) {
    const GridLayout layout;
    const char* kCaptions[] = {"Общие данные", "Исходы", "Фора", "Тотал"};
    const int kVisible[] = {3, 6, 4, 3};
    ASSERT_EQ(layout.Bands().size(), 4u);
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(Cp1251ToUtf8(layout.Bands()[band].caption), kCaptions[band]);
        EXPECT_EQ(layout.VisibleColumnCount(band), kVisible[band]);
    }
    const std::vector<int> expected = {
        kColDate, kColHomeTeam, kColGuestTeam, kColP1,  kColX,  kColP2, kColPX1, kColP12,
        kColP2X,  kColVF1,      kColF1,        kColVF2, kColF2, kColVT, kColTM,  kColTB};
    EXPECT_EQ(layout.ExportColumns(), expected);
    EXPECT_EQ(layout.GroupColumns(), (std::vector<int>{kColSport, kColCompetition}));
}

TEST(GridLayoutTest, MovesStayInsideTheBand) {
    GridLayout layout;
    layout.MoveWithinBand(kColP2X, 0);
    layout.MoveWithinBand(kColGuestTeam, 99);  // clamped to the band's end
    const std::vector<int> expected = {
        kColDate, kColHomeTeam, kColGuestTeam, kColP2X, kColP1, kColX,  kColP2, kColPX1,
        kColP12,  kColVF1,      kColF1,        kColVF2, kColF2, kColVT, kColTM, kColTB};
    EXPECT_EQ(layout.ExportColumns(), expected);
    EXPECT_EQ(layout.PositionInBand(kColP2X), 0);
    layout.SetWidth(kColP1, 0);
    EXPECT_EQ(layout.Column(kColP1).width, 1);
}

TEST(GridLayoutTest, GroupingHidesAndUngroupingShowsAgain) {
    GridLayout layout;
    layout.SetGroupColumns({kColCompetition});
    EXPECT_EQ(layout.GroupColumns(), std::vector<int>{kColCompetition});
    EXPECT_TRUE(layout.Column(kColSport).visible);
    EXPECT_EQ(layout.Column(kColSport).group_level, 0);
    EXPECT_EQ(layout.Column(kColCompetition).group_level, 1);
    EXPECT_EQ(layout.VisibleColumnCount(0), 4);
    EXPECT_EQ(layout.ExportColumns()[3], kColSport);  // back at the end of its band

    // Fixed, unknown and repeated columns are refused and change nothing.
    for (const std::vector<int>& bad : std::vector<std::vector<int>>{
             {kColDate}, {kColSport, kColSport}, {-1}, {kGridColumnCount}}) {
        EXPECT_THROW(layout.SetGroupColumns(bad), std::invalid_argument);
        EXPECT_EQ(layout.GroupColumns(), std::vector<int>{kColCompetition});
    }
    layout.SetGroupColumns({kColSport, kColCompetition});
    EXPECT_FALSE(layout.Column(kColSport).visible);
    EXPECT_EQ(layout.VisibleColumnCount(0), 3);
}

// A drop on a header moves the column just before it, inside one band only.
TEST(GridLayoutTest, MoveBeforeAnotherColumnOfTheBand) {
    struct Case {
        const char* name;
        int column;
        int before;
        bool moved;
        std::vector<int> outcomes;  // the band's columns afterwards
    };
    const std::vector<int> at_start = {kColP1, kColX, kColP2, kColPX1, kColP12, kColP2X};
    const Case cases[] = {
        {"leftwards", kColP2X, kColP1, true, {kColP2X, kColP1, kColX, kColP2, kColPX1, kColP12}},
        {"rightwards", kColP1, kColP12, true, {kColX, kColP2, kColPX1, kColP1, kColP12, kColP2X}},
        {"onto its right neighbour", kColP1, kColX, true, at_start},
        {"into another band", kColP1, kColVF1, false, at_start},
        {"onto itself", kColP1, kColP1, false, at_start},
        {"before no column", kColP1, -1, false, at_start},
        {"an unknown column", kGridColumnCount, kColP1, false, at_start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridLayout layout;
        EXPECT_EQ(layout.CanMoveBefore(c.column, c.before), c.moved);
        EXPECT_EQ(layout.MoveBefore(c.column, c.before), c.moved);
        std::vector<int> band;
        for (int column : layout.ExportColumns()) {
            if (layout.Column(column).band == 1) band.push_back(column);
        }
        EXPECT_EQ(band, c.outcomes);
    }
}

TEST(GridLayoutTest, CanGroupIsAPlainAnswer) {
    GridLayout layout;
    const struct {
        std::vector<int> columns;
        bool can;
    } lists[] = {
        {{}, true},
        {{kColCompetition, kColSport}, true},
        {{kColDopInfo}, true},
        {{kColDate}, false},
        {{kColP1}, false},
        {{kColMargin1X2}, false},
        {{kColSport, kColSport}, false},
        {{-1}, false},
        {{kGridColumnCount}, false},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(::testing::PrintToString(l.columns));
        EXPECT_EQ(layout.CanGroupBy(l.columns), l.can);
        if (l.columns.size() == 1) {
            EXPECT_EQ(layout.CanGroupBy(l.columns[0]), l.can);
        }
    }
}

// The checklist tells the three "знач." apart: by band when the band has one, else by the column
// that follows it.
TEST(GridLayoutTest, ChecklistCaptionsTellRepeatedCaptionsApart) {
    GridLayout layout;
    const struct {
        int column;
        const char* caption;  // UTF-8
    } cases[] = {
        {kColHomeTeam, "Командa дом."}, {kColP1, "1"},
        {kColVF1, "знач. (Ф1)"},        {kColVF2, "знач. (Ф2)"},
        {kColVT, "знач. (Тотал)"},      {kColMarginHandicap, "Маржа Ф"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(Cp1251ToUtf8(layout.ChecklistCaption(c.column)), c.caption);
    }
    // Moved to the end of its band, the first "знач." has no column of its own after it.
    layout.MoveWithinBand(kColVF1, 99);
    EXPECT_EQ(Cp1251ToUtf8(layout.ChecklistCaption(kColVF1)), "знач.");
}

}  // namespace
}  // namespace lintaro::grid
