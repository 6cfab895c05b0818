// The data behind the name comparison. A Russian name that transliterates into something the
// English side does not write goes into kTranslatedNames (whole names or single words, in the
// words NameWords makes of them: lower case, "ё" as "е", hyphens as blanks). Entries are plain
// data: add a club here, not a rule in the code.
#include "compare/translated_names.h"

namespace lintaro::compare {
namespace {

constexpr TranslatedName kTranslatedNames[] = {
    // Soccer: clubs known abroad by another name, and words that are English in Russian letters.
    {"бавария", "bayern"},
    {"црвена звезда", "red star"},
    {"манчестер юнайтед", "manchester united"},
    {"манчестер сити", "manchester city"},
    {"юнайтед", "united"},
    {"сити", "city"},
    {"челси", "chelsea"},
    {"ньюкасл", "newcastle"},
    {"хэм", "ham"},
    {"севилья", "sevilla"},
    {"атлетик", "athletic"},
    {"айнтрахт", "eintracht"},
    {"штутгарт", "stuttgart"},
    {"боруссия", "borussia"},
    {"шальке", "schalke"},
    {"спарта", "sparta"},
    {"аякс", "ajax"},
    {"пари сен жермен", "paris saint germain"},
    {"псж", "paris saint germain"},
    {"селтик", "celtic"},
    {"рейнджерс", "rangers"},
    // Clubs the English side names with their city, which no word of the Russian name gives.
    {"зенит", "zenit st petersburg"},
    {"рубин", "rubin kazan"},
    {"легия", "legia warsaw"},
    {"слован", "slovan bratislava"},
    {"партизан", "partizan belgrade"},
    // Baseball: the American and Japanese clubs' nicknames.
    {"нью йорк", "new york"},
    {"янкиз", "yankees"},
    {"сокс", "sox"},
    {"анджелес", "angeles"},
    {"джайентс", "giants"},
    {"сент луис", "st louis"},
    {"хьюстон", "houston"},
    {"брэйвз", "braves"},
    {"кабс", "cubs"},
    {"хансин", "hanshin"},
    {"тайгерс", "tigers"},
    {"сваллоуз", "swallows"},
    // Tennis: surnames whose English spelling strays from any transliteration.
    {"уильямс", "williams"},
    {"тим", "thiem"},
    {"маррей", "murray"},
    {"вавринка", "wawrinka"},
    {"мугуруса", "muguruza"},
    {"плишкова", "pliskova"},
    {"возняцки", "wozniacki"},
};

// Words that say what kind of club it is and that either bookmaker may leave out.
constexpr const char* kClubFormWords[] = {
    "fc", "fk",   "cf", "ac",  "as",  "sc",  "afc", "cd",  "ud",  "sd",
    "rc", "rcd",  "sv", "vfb", "vfl", "tsg", "fsv", "bsc", "ssc", "us",
    "ss", "club", "фк", "фс",  "пфк", "бк",  "хк",  "вк",  "гк",
};

// Cities that one bookmaker adds to a club's name and the other leaves out.
constexpr const char* kCityWords[] = {
    "munich",   "munchen", "мюнхен",     "moscow",     "москва",     "london",    "лондон",
    "madrid",   "мадрид",  "milan",      "милан",      "turin",      "турин",     "rome",
    "рим",      "kyiv",    "kiev",       "киев",       "belgrade",   "белград",   "lisbon",
    "лиссабон", "prague",  "прага",      "paris",      "париж",      "kazan",     "казань",
    "warsaw",   "варшава", "bratislava", "братислава", "petersburg", "петербург", "razgrad",
    "разград",  "zagreb",  "загреб",     "sofia",      "софия",
};

}  // namespace

std::span<const TranslatedName> TranslatedNames() { return kTranslatedNames; }
std::span<const char* const> ClubFormWords() { return kClubFormWords; }
std::span<const char* const> CityWords() { return kCityWords; }

}  // namespace lintaro::compare
