// Writes the second bookmaker's pages of the demo line (its home page, the tournament list and a
// page per tournament; Latin text, CR LF line ends) and, from the same events, the rows its reader
// makes of them.
#include <cstdio>
#include <string>

#include "demo/market_moves.h"
#include "demo/page_text.h"
#include "demo/second_line.h"

namespace lintaro::demo {

using table::OddsRecord;

namespace {

namespace chr = std::chrono;

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// "Sat 5/16": the weekday keeps a one-digit month away from the start of the cell, where the
// reader could not read it.
std::string SecondDate(chr::year_month_day date) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %u/%u",
                  kWeekdays[chr::weekday{chr::sys_days{date}}.c_encoding()],
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

const char kSecondPageHead[] =
    "<html>\r\n<head>\r\n<title>Lines</title>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
    "</head>\r\n<body>\r\n";

class SecondPageWriter {
  public:
    // One soccer or baseball event: two rows (baseball) or three (soccer, the third holds the
    // draw). Fills the row's prices, handicaps and total.
    void TeamEvent(std::string& p, bool soccer, const std::string& date_text,
                   const std::string& time_text, const std::string& home, const std::string& guest,
                   const std::string& home_pitcher, const std::string& guest_pitcher,
                   bool bare_draw_cell, const SecondPrices& prices, OddsRecord& row) {
        const int rotation = next_rotation_;
        next_rotation_ += soccer ? 3 : 2;
        const int p1 = prices.p1, p2 = prices.p2, x = prices.x;
        const bool has_handicap = prices.has_handicap, has_total = prices.has_total;
        const int handicap = prices.handicap, f1 = prices.f1, f2 = prices.f2;
        const int total = prices.total, under = prices.under, over = prices.over;
        const std::string gap = "&nbsp;&nbsp;&nbsp;";
        const std::string total_text =
            Value(total, false) + (prices.split_total ? " and " + Value(total + 500, false) : "");

        auto team_cell = [&](const std::string& team, const std::string& pitcher) {
            return soccer ? team : team + "<BR><EM>" + pitcher + "</EM>";
        };
        p += "<TR class=r1>\r\n<td class=date>" + date_text + "</td>\r\n<td class=rot>" +
             std::to_string(rotation) + "</td>\r\n<td class=team>" + team_cell(home, home_pitcher) +
             "</td>\r\n<td class=hdp>" +
             (has_handicap ? Value(handicap, true) + gap + Price(f1, 3) : "&nbsp;") +
             "</td>\r\n<td class=ml>" + Price(p1, 3) + "</td>\r\n<td class=tot>";
        std::string over_text = "&nbsp;";
        if (has_total) {
            over_text = "Over " + total_text + gap + Price(over, 3);
        }
        if (soccer) {
            p += over_text + "<br><font size=1>(max 2000)</font></td>\r\n";
        } else {
            p += over_text +
                 "<td class=pitch>\r\n<a href=\"vwpitchers.asp?Game=" + std::to_string(rotation) +
                 "\">Pitchers</a></td>\r\n";
        }
        p += "</TR><TR class=r2>\r\n<td class=date>" + time_text + "</td>\r\n<td class=rot>" +
             std::to_string(rotation + 1) + "</td>\r\n<td class=team>" +
             team_cell(guest, guest_pitcher) + "</td>\r\n<td class=hdp>" +
             (has_handicap ? Value(-handicap, true) + gap + Price(f2, 3) : "&nbsp;") +
             "</td>\r\n<td class=ml>" + Price(p2, 3) + "</td>\r\n<td class=tot>" +
             (has_total ? "Under " + total_text + gap + Price(under, 3) : std::string("&nbsp;")) +
             "\r\n";
        if (soccer) {
            p += "</TR><TR class=r3>\r\n<td class=date>&nbsp;</td>\r\n<td class=rot>" +
                 std::to_string(rotation + 2) + "</td>\r\n<td class=team>" +
                 (bare_draw_cell ? std::string() : home + "-" + guest + " ") +
                 "Draw</td>\r\n<td class=hdp>&nbsp;</td>\r\n<td class=ml>" + Price(x, 3) +
                 "</td>\r\n<td class=tot>&nbsp;</td>\r\n";
        }
        p += "</TR>\r\n";

        row.P1 = FromMilli(p1);
        if (soccer) row.X = FromMilli(x);
        row.P2 = FromMilli(p2);
        if (has_handicap) {
            row.F1 = FromMilli(f1);
            row.VF1 = FromMilli(handicap);
            row.F2 = FromMilli(f2);
            row.VF2 = FromMilli(-handicap);
        }
        if (has_total) {
            row.TM = FromMilli(under);
            row.TB = FromMilli(over);
            row.VT = FromMilli(total);
        }
    }

    // One tennis match: a heading row with both players, then a row per player with the price,
    // then a spacer row. The reader's row pattern ends by passing over up to 10 more characters,
    // so without the spacer it would swallow the start of the next match and miss that match.
    void TennisEvent(std::string& p, const std::string& date_text, const std::string& time_text,
                     const std::string& first, const std::string& second,
                     const SecondPrices& prices, OddsRecord& row) {
        const int rotation = next_rotation_;
        next_rotation_ += 2;
        p += "<tr class=t1>\r\n<td class=date>" + date_text +
             "</td>\r\n<td class=match colspan=2>" + first + " vs " + second +
             "</td>\r\n</tr>\r\n<tr class=t2>\r\n<td>" + time_text + "</td>\r\n<td class=pl>" +
             first + " (" + std::to_string(rotation) + ")</td>\r\n<td class=ml>" +
             Price(prices.p1, 3) +
             "</td></tr>\r\n<tr class=t3>\r\n<td class=pl>&nbsp;</td>\r\n<td class=pl>" + second +
             " (" + std::to_string(rotation + 1) + ")</td>\r\n<td class=ml>" + Price(prices.p2, 3) +
             "</td></tr>\r\n<tr><td colspan=3 class=gap></td></tr>\r\n";
        row.P1 = FromMilli(prices.p1);
        row.X = table::Decimal{0};
        row.P2 = FromMilli(prices.p2);
    }

  private:
    int next_rotation_ = 101;
};

}  // namespace

namespace {

std::string SecondHomePage() {
    return std::string(kSecondPageHead) +
           "<h1>Lines</h1>\r\n<p><a href=\"decimal.asp?\">Decimal odds</a></p>\r\n"
           "</body>\r\n</html>\r\n";
}

std::string SecondListPage(const std::vector<SecondTournament>& tournaments) {
    std::string list = std::string(kSecondPageHead) + "<table class=leagues>\r\n";
    for (const SecondTournament& t : tournaments) {
        list += "<tr><td><a href=\"" + std::string(t.link) + "\" class=lg>" + t.name +
                "</a></td></tr>\r\n";
    }
    list += "</table>\r\n</body>\r\n</html>\r\n";
    return list;
}

// An event's start on this bookmaker's clock and the text of its time cell.
struct SecondStart {
    int hour;
    int minute;
    std::string text;
};

SecondStart EventStart(const SecondEvent& event, const SecondKickoff& listed) {
    SecondStart start{listed.hour, listed.minute, listed.text};
    if (event.shared) {
        // Shared events keep the first bookmaker's start on this bookmaker's clock.
        start.hour = event.page_minute / 60;
        start.minute = event.page_minute % 60;
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d %s", start.hour % 12, start.minute,
                      start.hour < 12 ? "AM" : "PM");
        start.text = clock;
    }
    if (event.to_be_announced) start.text = "TBA";
    return start;
}

// The pair a shared event makes: the first bookmaker's row it is and the row read here.
DemoPair SharedPair(const SecondTournament& tournament, const SecondEvent& event,
                    const OddsRecord& row, chr::year_month_day today) {
    const auto f = static_cast<size_t>(tournament.shares);
    const FirstTournament& first = FirstTournaments()[f];
    const int minute = MinuteOfDay(first.kickoffs[event.first.kickoff]);
    const chr::year_month_day first_date{chr::sys_days{today} + chr::days{event.first.day_offset}};
    return DemoPair{DemoRowIdentity{Cp(first.sport_name), Cp(first.name),
                                    Cp(FirstTeamName(f, event.first.home)),
                                    Cp(FirstTeamName(f, event.first.guest)),
                                    MakeStart(first_date, minute / 60, minute % 60)},
                    DemoRowIdentity{*row.sport_type_name, *row.competition_name, *row.team_h_name,
                                    *row.team_g_name, *row.sport_event_date}};
}

// Writes tournament t's page and adds the rows its reader makes of it, with the pairs its shared
// events make.
std::string TournamentPage(size_t t, const std::vector<SecondEvent>& events,
                           chr::year_month_day today, SecondPageWriter& writer,
                           std::vector<OddsRecord>& rows, std::vector<DemoPair>& pairs) {
    const SecondTournament& tournament = SecondTournaments()[t];
    const bool tennis = tournament.sport == SecondSport::kTennis;
    const bool soccer = tournament.sport != SecondSport::kBaseball && !tennis;
    const std::string competition = ReplaceAll(tournament.name, "&amp;", "&");
    std::string page = kSecondPageHead;
    page += "<h2>" + std::string(tournament.name) + "</h2>\r\n<table class=lines>\r\n";
    page += tennis ? "<tr class=hdr>\r\n<td class=h>Date</td>\r\n<td class=h>Match</td>\r\n"
                     "<td class=h>Price</td></tr>\r\n"
                   : "<TR class=hdr>\r\n<th>Date</th>\r\n<th>#</th>\r\n<th>Team</th>\r\n"
                     "<th>Handicap</th>\r\n<th>Money Line</th>\r\n<th>Total</th>\r\n</TR>\r\n";
    const auto& kickoffs = SecondKickoffs(tournament.sport);
    for (const SecondEvent& event : events) {
        const DrawnEvent& drawn = event.drawn;
        const chr::year_month_day date{chr::sys_days{today} + chr::days{drawn.day_offset}};
        const SecondStart start = EventStart(event, kickoffs[drawn.kickoff]);
        std::string home = SecondTeamName(t, drawn.home);
        std::string guest = SecondTeamName(t, drawn.guest);
        if (event.hyphenated) home = "Jo-Wilfried Tsonga";
        OddsRecord row;
        if (tennis) {
            writer.TennisEvent(page, SecondDate(date), start.text, home, guest, event.prices, row);
        } else {
            writer.TeamEvent(page, soccer, SecondDate(date), start.text, home, guest,
                             soccer ? "" : SecondPitcherName(t, drawn.home),
                             soccer ? "" : SecondPitcherName(t, drawn.guest), event.bare_draw,
                             event.prices, row);
        }
        if (!tournament.read || event.to_be_announced || event.bare_draw || event.hyphenated) {
            continue;
        }
        row.sport_type_name = SportKey(tournament.sport);
        row.competition_name = competition;
        // The bookmaker's clock runs 10 hours behind the one its reader shows.
        row.sport_event_date =
            table::DateTime{MakeStart(date, start.hour, start.minute).ms + 10 * 3'600'000};
        row.team_h_name = ReplaceAll(home, "&nbsp;", " ");
        row.team_g_name = ReplaceAll(guest, "&nbsp;", " ");
        row.Key_ID = static_cast<int32_t>(rows.size()) + 1;
        if (event.shared) pairs.push_back(SharedPair(tournament, event, row, today));
        rows.push_back(std::move(row));
    }
    page += "</table>\r\n</body>\r\n</html>\r\n";
    return page;
}

}  // namespace

SecondLine SecondLineModel::Line() const {
    const auto& tournaments = SecondTournaments();
    SecondLine line;
    line.home_page = SecondHomePage();
    line.list_page = SecondListPage(tournaments);

    // Rows are published in the order the reader reads the pages: the soccer and baseball
    // tournaments in list order, then the tennis ones.
    std::vector<std::vector<OddsRecord>> rows_by_tournament(tournaments.size());
    std::vector<std::vector<DemoPair>> pairs_by_tournament(tournaments.size());
    SecondPageWriter writer;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        std::string page = TournamentPage(t, events[t], today, writer, rows_by_tournament[t],
                                          pairs_by_tournament[t]);
        line.pages.push_back(SecondTournamentPage{SportKey(tournaments[t].sport),
                                                  tournaments[t].league, std::move(page)});
    }
    for (bool tennis_pass : {false, true}) {
        for (size_t t = 0; t < tournaments.size(); ++t) {
            if ((tournaments[t].sport == SecondSport::kTennis) != tennis_pass) continue;
            for (OddsRecord& row : rows_by_tournament[t]) line.rows.push_back(std::move(row));
            for (DemoPair& pair : pairs_by_tournament[t]) line.pairs.push_back(std::move(pair));
        }
    }
    return line;
}

}  // namespace lintaro::demo
