// The second bookmaker's rosters: its tournament list (the ones its reader reads and the ones it
// passes over) and its kick-off times.
#include <iterator>
#include <string_view>

#include "demo/rosters.h"

namespace lintaro::demo {

const std::vector<SecondTournament>& SecondTournaments() {
    static const std::vector<SecondTournament> tournaments = {
        {SecondSport::kSoccer,
         11,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=England&amp;League=11",
         "England - Premier League",
         true,
         14,
         {"Arsenal", "Chelsea", "Liverpool", "Manchester United", "Manchester City", "Tottenham",
          "Everton", "Aston Villa", "Newcastle", "West Ham"},
         {},
         0},
        {SecondSport::kTennis,
         41,
         "guestContestLines.asp?ContestType=Tennis&amp;Contest=ATP%20Rome&amp;League=41",
         "ATP - Rome",
         true,
         13,
         {"Rafael Nadal", "Novak Djokovic", "Roger Federer", "Daniil Medvedev", "Andrey Rublev",
          "Alexander Zverev", "Dominic Thiem", "Stefanos Tsitsipas"},
         {},
         12},
        {SecondSport::kBaseball,
         21,
         "vwguestlines.asp?SportType=Baseball&amp;SportSubType=MLB&amp;League=21",
         "MLB - Major League Baseball",
         true,
         17,
         {"New York Yankees", "Boston Red Sox", "Los Angeles Dodgers", "Chicago Cubs",
          "San Francisco Giants", "St. Louis Cardinals", "Houston Astros", "Atlanta Braves"},
         {"G. Cole", "C. Sale", "C. Kershaw", "K. Hendricks", "J. Cueto", "A. Wainwright",
          "J. Verlander", "M. Fried"},
         10},
        {SecondSport::kSoccer,
         15,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=England&amp;League=15",
         "England - Premier League Halfs",
         false,
         0,
         {"Arsenal", "Chelsea"},
         {}},
        {SecondSport::kOther,
         31,
         "vwguestlines.asp?SportType=Basketball&amp;SportSubType=NBA&amp;League=31",
         "NBA - Regular Season",
         false,
         0,
         {"Boston Celtics", "Chicago Bulls"},
         {}},
        {SecondSport::kSoccer,
         12,
         "vwguestlines.asp?sporttype=soccer&amp;SportSubType=Bosnia&amp;League=12",
         "Bosnia &amp; Herzegovina - Premijer Liga",
         true,
         6,
         {"Zeljeznicar", "FK Sarajevo", "Borac Banja Luka", "Zrinjski Mostar", "Velez Mostar",
          "Siroki Brijeg"},
         {}},
        {SecondSport::kTennis,
         43,
         "guestContestLines.asp?ContestType=Tennis&amp;Contest=US%20Open&amp;League=43",
         "ATP - US Open (Flushing Meadows)",
         false,
         0,
         {"Andy Murray", "Roger Federer"},
         {}},
        {SecondSport::kOther,
         99,
         "vwguestlines.asp?League=99",
         "Specials - Transfers",
         false,
         0,
         {"Arsenal", "Chelsea"},
         {}},
        {SecondSport::kSoccer,
         13,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Germany&amp;League=13",
         "Germany - Bundesliga",
         true,
         11,
         {"Bayern&nbsp;Munich", "Borussia Dortmund", "Bayer Leverkusen", "Schalke 04",
          "Werder Bremen", "VfB Stuttgart", "VfL Wolfsburg", "Eintracht Frankfurt"},
         {}},
        {SecondSport::kBaseball,
         22,
         "vwguestlines.asp?SportType=Baseball&amp;SportSubType=Japan&amp;League=22",
         "Japan - NPB",
         true,
         8,
         {"Yomiuri Giants", "Hanshin Tigers", "Hiroshima Carp", "Yakult Swallows"},
         {"T. Sugano", "Y. Nishi", "D. Osera", "Y. Ishikawa"},
         11},
        {SecondSport::kSoccer,
         16,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Spain&amp;League=16",
         "Spain - La Liga Reduced Margin",
         false,
         0,
         {"Real Madrid", "Barcelona"},
         {}},
        {SecondSport::kTennis,
         42,
         "guestContestLines.asp?ContestType=Tennis&amp;Contest=WTA%20Madrid&amp;League=42",
         "WTA - Madrid",
         true,
         12,
         {"Maria Sharapova", "Serena Williams", "Simona Halep", "Elina Svitolina", "Petra Kvitova",
          "Svetlana Kuznetsova", "Daria Kasatkina", "Anastasia Pavlyuchenkova", "Venus Williams"},
         {},
         13},
        {SecondSport::kSoccer,
         14,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Italy&amp;League=14",
         "Italy - Serie A",
         true,
         19,
         {"Juventus", "AC Milan", "Inter", "AS Roma", "Lazio", "Napoli", "Fiorentina", "Atalanta"},
         {},
         2},
        {SecondSport::kSoccer,
         17,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Russia&amp;League=17",
         "Russia - Premier League",
         true,
         9,
         {"Spartak Moscow", "CSKA Moscow", "Zenit St. Petersburg", "Lokomotiv Moscow",
          "Dynamo Moscow", "Rubin Kazan", "Krasnodar", "Rostov"},
         {},
         3},
        {SecondSport::kSoccer,
         18,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Europe&amp;League=18",
         "UEFA - Conference League",
         true,
         5,
         {"Dynamo Kyiv", "Spartak Trnava", "Slovan Bratislava", "Crvena Zvezda",
          "Partizan Belgrade", "Legia Warsaw", "Ferencvaros", "Ludogorets"},
         {},
         14},
    };
    return tournaments;
}

const char* SportKey(SecondSport sport) {
    switch (sport) {
        case SecondSport::kSoccer:
            return "soccer";
        case SecondSport::kBaseball:
            return "baseball";
        case SecondSport::kTennis:
            return "tennis";
        case SecondSport::kOther:
            break;
    }
    return "other";
}

const std::vector<SecondKickoff>& SecondKickoffs(SecondSport sport) {
    static const std::vector<SecondKickoff> soccer = {
        {"07:30 AM", 7, 30}, {"09:45 AM", 9, 45}, {"10:00 AM", 10, 0}, {"02:45 PM", 14, 45}};
    static const std::vector<SecondKickoff> baseball = {{"01:05 PM", 13, 5},
                                                        {"07:05 PM", 19, 5},
                                                        {"07:10 PM", 19, 10},
                                                        {"10:10 PM", 22, 10},
                                                        {"05:00 AM", 5, 0}};
    static const std::vector<SecondKickoff> tennis = {
        {"05:00 AM", 5, 0}, {"06:30 AM", 6, 30}, {"08:00 AM", 8, 0}, {"01:00 PM", 13, 0}};
    return sport == SecondSport::kBaseball ? baseball
           : sport == SecondSport::kTennis ? tennis
                                           : soccer;
}

}  // namespace lintaro::demo

namespace lintaro::demo {
namespace {

// Words that built names are made of: a town and a club, a player's first and last name, a
// pitcher's initial and surname. No hyphens: the tennis row pattern cannot take them.
const char* const kTowns[] = {"Riverton", "Oakridge",   "Millbrook",   "Westfield", "Fairhaven",
                              "Lakewood", "Brookside",  "Kingsbury",   "Ashford",   "Northgate",
                              "Elmstead", "Harborview", "Stonebridge", "Clearwater"};
const char* const kClubs[] = {"Rovers", "Athletic", "Wanderers", "Albion", "Rangers",
                              "Hawks",  "Pilots",   "Miners",    "Comets", "Foxes"};
const char* const kMen[] = {"Lucas", "Mateo", "Oliver", "Hugo", "Felix", "Marco", "Jonas", "Leon"};
const char* const kWomen[] = {"Clara", "Elena", "Sofia", "Nina", "Laura", "Marta", "Ivana", "Anna"};
const char* const kLastNames[] = {"Berger", "Novak",   "Rossi",  "Lindqvist", "Moreau", "Kowalski",
                                  "Santos", "Fischer", "Horvat", "Jansen",    "Petrov", "Dubois"};

// The number of the built team `team` of tournament `tournament` in one sequence that all
// tournaments take turns through, so no two tournaments of a sport build the same name.
size_t BuiltNumber(size_t tournament, int team) {
    const auto& tournaments = SecondTournaments();
    return (static_cast<size_t>(team) - tournaments[tournament].teams.size()) * tournaments.size() +
           tournament;
}

}  // namespace

std::string SecondTeamName(size_t tournament, int team) {
    const SecondTournament& t = SecondTournaments()[tournament];
    if (static_cast<size_t>(team) < t.teams.size()) return t.teams[static_cast<size_t>(team)];
    if (t.shares >= 0) return FirstBuiltTeamNameInEnglish(static_cast<size_t>(t.shares), team);
    size_t built = BuiltNumber(tournament, team);
    std::string name;
    if (t.sport == SecondSport::kTennis) {
        const bool women = std::string_view(t.name).starts_with("WTA");
        const size_t first_names = women ? std::size(kWomen) : std::size(kMen);
        name = std::string(women ? kWomen[built % first_names] : kMen[built % first_names]) + " " +
               kLastNames[built / first_names % std::size(kLastNames)];
        built /= first_names * std::size(kLastNames);
    } else {
        name = std::string(kTowns[built % std::size(kTowns)]) + " " +
               kClubs[built / std::size(kTowns) % std::size(kClubs)];
        built /= std::size(kTowns) * std::size(kClubs);
    }
    if (built > 0) name += " " + std::to_string(built + 1);
    return name;
}

std::string SecondPitcherName(size_t tournament, int team) {
    const SecondTournament& t = SecondTournaments()[tournament];
    if (static_cast<size_t>(team) < t.pitchers.size()) {
        return t.pitchers[static_cast<size_t>(team)];
    }
    const size_t built = BuiltNumber(tournament, team);
    return std::string(1, static_cast<char>('A' + built % 26)) + ". " +
           kLastNames[built / 26 % std::size(kLastNames)];
}

}  // namespace lintaro::demo
