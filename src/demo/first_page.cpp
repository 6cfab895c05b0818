// Writes the first bookmaker's odds page of the demo line (Windows-1251, LF line ends, every
// column at the width its reader cuts it at) and, from the same events, the rows the reader makes
// of it.
#include <cstdio>
#include <optional>
#include <string>

#include "demo/first_line.h"
#include "demo/moving_line.h"
#include "demo/page_text.h"

namespace lintaro::demo {

using table::OddsRecord;

namespace {

namespace chr = std::chrono;

// Writes the event lines of the first bookmaker's page and fills each row with what the reader
// makes of the line.
class FirstLineWriter {
  public:
    explicit FirstLineWriter(std::string& page) : page_(page) {}

    void Event(Layout layout, const std::string& date_text, const std::string& time_text,
               const std::string& home, const std::string& guest, const FirstPrices& prices,
               OddsRecord& row) {
        const int id = next_id_;
        next_id_ += 2;
        const int p1 = prices.p1, x = prices.x, p2 = prices.p2;
        const std::optional<int>&px1 = prices.px1, &p12 = prices.p12, &p2x = prices.p2x;
        const int handicap = prices.handicap, f1 = prices.f1, f2 = prices.f2;
        const int total = prices.total, under = prices.under, over = prices.over;

        std::string& p = page_;
        p += date_text;
        p += "<b id=r" + std::to_string(id) + ">1) " + home + "</b> <b >" + Price(p1, 2) + "</b>";
        switch (layout) {
            case Layout::kThreeWay:
                p += Column(Price(x, 2), 7) + Column(Price(p2, 2), 7);
                p += "<b >" + (px1 ? Price(*px1, 2) : std::string(" ")) + "</b>";
                p += Column(p12 ? Price(*p12, 2) : "", 7) + Column(p2x ? Price(*p2x, 2) : "", 7);
                break;
            case Layout::kBasketball:
                p += Column(Price(x, 2), 8) + Column(Price(p2, 2), 9);
                break;
            case Layout::kVolleyball:
            case Layout::kBaseball:
                p += "  " + Price(p2, 2) + " ";
                break;
            case Layout::kTennis:
                // The sets total comes before the handicap; the reader passes over it.
                p += "  " + Price(p2, 2) + " <b >2.5</b>" + Column(Price(under, 2), 6) +
                     Column(Price(over, 2), 6);
                break;
        }
        p += "<b >" + Value(handicap, true) + "=>" + Price(f1, 2) + "</b>" +
             Value(-handicap, true) + "=>" + Price(f2, 2);
        p += "<b >" + Value(total, false) + "</b>";
        const bool wide_over = layout != Layout::kThreeWay && layout != Layout::kTennis;
        p += Column(Price(under, 2), 6) + Column(Price(over, 2), wide_over ? 6 : 5);
        if (layout == Layout::kBaseball) {
            // First five innings and the home side's own total, which the reader passes over.
            p += "<b >" + Value(total / 2, false) + "</b>" + Column(Price(f2, 2), 7) +
                 Column(Price(f1, 2), 6) + "<b >" + Value(total / 2 - 500, false) + "</b>" +
                 Column(Price(under, 2), 7) + Column(Price(over, 2), 5);
        }
        p += time_text;
        p += "<b id=r" + std::to_string(id + 1) + ">2) " + guest + "</b> ";
        p += prices.sheet;
        p += '\n';

        row.P1 = FromMilli(p1);
        if (prices.has_draw) row.X = FromMilli(x);
        row.P2 = FromMilli(p2);
        if (px1) row.PX1 = FromMilli(*px1);
        if (p12) row.P12 = FromMilli(*p12);
        if (p2x) row.P2X = FromMilli(*p2x);
        row.F1 = FromMilli(f1);
        row.VF1 = FromMilli(handicap);
        row.F2 = FromMilli(f2);
        row.VF2 = FromMilli(-handicap);
        row.TM = FromMilli(under);
        row.TB = FromMilli(over);
        row.VT = FromMilli(total);
        row.team_h_name = home;
        row.team_g_name = guest;
        row.dop_info = prices.sheet;
    }

  private:
    std::string& page_;
    int next_id_ = 10001;
};

// The column titles under each heading. Besides helping a human reader of the page, the line keeps
// the next heading more than 100 characters away from this one even in a section without events.
std::string SectionTitles() {
    static const std::string titles =
        Cp("<p class=hdr>Дата  Событие                      П1     X      П2     1X     12     "
           "X2     Фора        Тотал    Мен   Бол   Время</p>\n");
    return titles;
}

}  // namespace

FirstLine FirstLineModel::Line() const {
    const std::vector<FirstSection>& sections = events;
    const auto& tournaments = FirstTournaments();

    FirstLine line;
    std::string& page = line.page;
    page.reserve(static_cast<size_t>(options.events) * 560 + 8192);
    char top[160];
    std::snprintf(top, sizeof top, "%02u.%02u.%d", static_cast<unsigned>(today.day()),
                  static_cast<unsigned>(today.month()), static_cast<int>(today.year()));
    page += Cp(
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=windows-1251\">\n<title>Линия</title>\n</head>\n<body>\n<div class=top>Линия на ");
    page += top;
    page += Cp(". Коэффициенты указаны в десятичном формате.</div>\n");

    FirstLineWriter writer(page);
    int key_id = 0;
    for (const FirstSection& section : sections) {
        if (section.skipped) {
            page += "<div class=cap>" + Cp(section.skipped->heading) + "</div>\n" + SectionTitles();
            for (const FirstEvent& event : section.events) {
                OddsRecord ignored;
                char date[16];
                std::snprintf(date, sizeof date, "%02u/%02u ", static_cast<unsigned>(today.day()),
                              static_cast<unsigned>(today.month()));
                writer.Event(Layout::kThreeWay, date, "20:00  ",
                             Cp(section.skipped->teams[event.drawn.home]),
                             Cp(section.skipped->teams[event.drawn.guest]), event.prices, ignored);
            }
            continue;
        }
        if (section.events.empty()) continue;
        const FirstTournament& tournament = tournaments[section.tournament];
        // The section's team names as the page writes them, each converted once.
        std::vector<std::string> teams;
        const auto team_name = [&](int team) -> std::string {
            for (int next = static_cast<int>(teams.size()); next <= team; ++next) {
                teams.push_back(Cp(FirstTeamName(section.tournament, next)));
            }
            return teams[static_cast<size_t>(team)];
        };
        const std::string sport_name = Cp(tournament.sport_name);
        const std::string name = Cp(tournament.name);
        page += "<div class=cap>" + Cp(tournament.sport_heading) + ". " + name + "</div>\n";
        page += SectionTitles();
        for (const FirstEvent& event : section.events) {
            const DrawnEvent& drawn = event.drawn;
            const chr::year_month_day date{chr::sys_days{today} + chr::days{drawn.day_offset}};
            const unsigned day = static_cast<unsigned>(date.day());
            const unsigned month = static_cast<unsigned>(date.month());
            char date_text[16];
            std::snprintf(date_text, sizeof date_text, "%02u/%02u ", drawn.invalid_date ? 31 : day,
                          drawn.invalid_date ? 4 : month);
            const char* kickoff = tournament.kickoffs[drawn.kickoff];
            std::string time_text = drawn.blank_time ? std::string(7, ' ') : kickoff;
            time_text.resize(7, ' ');

            OddsRecord row;
            writer.Event(tournament.layout, date_text, time_text, team_name(drawn.home),
                         team_name(drawn.guest), event.prices, row);
            if (drawn.blank_time || drawn.invalid_date) continue;
            row.sport_type_name = sport_name;
            row.competition_name = name;
            const int minute = MinuteOfDay(kickoff);
            row.sport_event_date = MakeStart(date, minute / 60, minute % 60);
            row.Key_ID = ++key_id;
            line.rows.push_back(std::move(row));
        }
    }
    page += Cp(
        "<div class=foot>Букмекерская контора оставляет за собой право изменять коэффициенты.</div>"
        "\n</body>\n</html>\n");
    return line;
}

}  // namespace lintaro::demo
