// The demo line's rosters: each bookmaker's tournaments as data (sport, name, teams or players,
// kick-off times, usual total line, share of the events), the sections and tournaments its reader
// must pass over, and the further markets of the first bookmaker's event sheets. What is drawn
// from them lives in schedule.h and the bookmakers' line files; nothing here draws.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lintaro::demo {

// ---- The first bookmaker: one odds page, Cyrillic (UTF-8 here, written as Windows-1251) ------

// The five event line layouts the first bookmaker's page uses, one per group of sports.
enum class Layout { kThreeWay, kVolleyball, kBasketball, kBaseball, kTennis };

struct FirstTournament {
    const char* sport_heading;  // the sport as the heading writes it
    const char* sport_name;     // the sport as the reader stores it (lower case)
    Layout layout;
    const char* name;  // the tournament as the heading writes it
    int weight;        // share of the events
    std::vector<const char*> teams;
    std::vector<const char*> kickoffs;  // "HH:MM"
    int total_milli;                    // the usual total line
    int total_step;                     // how far the total line moves, in milli
};

const std::vector<FirstTournament>& FirstTournaments();

// The name (UTF-8) of team `team` of FirstTournaments()[tournament]: the roster's own, or past its
// end (a line too large for the roster) a built one, never the name of another team of the sport.
std::string FirstTeamName(size_t tournament, int team);
// The English of such a built team's name ("Torpedo Tula", "Gleb Novikov"), for the second
// bookmaker's line of a tournament it shares with the first.
std::string FirstBuiltTeamNameInEnglish(size_t tournament, int team);

// Sections the reader must pass over: a tournament name with a skip word, or a sport it does not
// read. Their events are written in the three-way layout, so a reader that failed to skip them
// would publish rows.
struct SkippedSection {
    const char* heading;  // sport, ".", tournament
    std::vector<const char*> teams;
};

const std::vector<SkippedSection>& FirstSkippedSections();

// Markets of an event sheet by sport: a title and two or three outcomes.
struct SheetMarket {
    const char* title;
    std::vector<const char*> outcomes;
};

const std::vector<SheetMarket>& SheetMarkets(Layout layout);

// ---- The second bookmaker: a tournament list and pages per tournament, Latin ------------------

enum class SecondSport { kSoccer, kBaseball, kTennis, kOther };

struct SecondTournament {
    SecondSport sport;
    int league;        // the "League" query value of its page
    const char* link;  // the link target as the list writes it, "&amp;" and all
    const char* name;  // the link text as the list writes it
    bool read;         // false: the reader passes it over (sport, skip word, no sport type)
    int weight;        // share of the events (read tournaments only)
    std::vector<const char*> teams;     // page text ("&nbsp;" possible)
    std::vector<const char*> pitchers;  // baseball only
    // The index into FirstTournaments() of the tournament whose events this one carries too (team
    // i is the first bookmaker's team i, in English), or -1 for one only this bookmaker carries.
    int shares = -1;
};

const std::vector<SecondTournament>& SecondTournaments();

// Team `team` of SecondTournaments()[tournament] as its page writes it, and its pitcher (baseball):
// the roster's own, or past its end a built one, as FirstTeamName.
std::string SecondTeamName(size_t tournament, int team);
std::string SecondPitcherName(size_t tournament, int team);

// The sport as the reader stores it: "soccer", "baseball", "tennis" ("other" for the rest).
const char* SportKey(SecondSport sport);

// Times as the second bookmaker prints them (a 12-hour clock that never shows the hour 12, which
// its reader would misread), with the 24-hour hour they stand for.
struct SecondKickoff {
    const char* text;
    int hour;
    int minute;
};

const std::vector<SecondKickoff>& SecondKickoffs(SecondSport sport);

}  // namespace lintaro::demo
