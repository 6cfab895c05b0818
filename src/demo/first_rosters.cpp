// The first bookmaker's rosters: its tournaments, the sections its reader passes over, and the
// markets of its event sheets.
#include <iterator>
#include <string_view>

#include "demo/rosters.h"

namespace lintaro::demo {

const std::vector<FirstTournament>& FirstTournaments() {
    static const std::vector<FirstTournament> tournaments = {
        {"Футбол",
         "футбол",
         Layout::kThreeWay,
         "Англия. Премьер-лига",
         12,
         {"Арсенал", "Челси", "Ливерпуль", "Манчестер Юнайтед", "Манчестер Сити", "Тоттенхэм",
          "Эвертон", "Астон Вилла", "Ньюкасл", "Вест Хэм"},
         {"14:45", "17:00", "19:30", "22:00"},
         2500,
         1000},
        {"Футбол",
         "футбол",
         Layout::kThreeWay,
         "Испания. Примера",
         9,
         {"Реал Мадрид", "Барселона", "Атлетико", "Севилья", "Валенсия", "Вильярреал", "Бетис",
          "Атлетик"},
         {"18:00", "20:00", "22:45"},
         2500,
         1000},
        {"Футбол",
         "футбол",
         Layout::kThreeWay,
         "Италия. Серия А",
         8,
         {"Ювентус", "Милан", "Интер", "Рома", "Лацио", "Наполи", "Фиорентина", "Аталанта"},
         {"17:00", "20:00", "22:45"},
         2500,
         1000},
        {"Футбол",
         "футбол",
         Layout::kThreeWay,
         "Россия. Премьер-лига",
         9,
         {"Спартак М", "ЦСКА", "Зенит", "Локомотив М", "Динамо М", "Рубин", "Краснодар", "Ростов"},
         {"14:00", "16:30", "19:00"},
         2500,
         1000},
        {"ХОККЕЙ",
         "хоккей",
         Layout::kThreeWay,
         "Россия. КХЛ",
         8,
         {"СКА", "ЦСКА", "Ак Барс", "Металлург Мг", "Авангард", "Салават Юлаев", "Локомотив",
          "Динамо М"},
         {"17:00", "19:30"},
         5500,
         1000},
        {"Хоккей",
         "хоккей",
         Layout::kThreeWay,
         "США. НХЛ",
         6,
         {"Детройт", "Торонто", "Монреаль", "Бостон", "Нью-Йорк Рейнджерс", "Чикаго", "Питтсбург",
          "Вашингтон"},
         {"03:00", "03:30", "04:00"},
         5500,
         1000},
        {"Гандбол",
         "гандбол",
         Layout::kThreeWay,
         "Европа. Лига чемпионов",
         4,
         {"Барселона", "Киль", "Веспрем", "Пари Сен-Жермен", "Фленсбург", "Виве Кельце",
          "Чеховские медведи", "Мешков Брест"},
         {"18:00", "20:45"},
         55500,
         4000},
        {"Волейбол",
         "волейбол",
         Layout::kVolleyball,
         "Россия. Суперлига",
         5,
         {"Зенит-Казань", "Динамо М", "Белогорье", "Локомотив Нс", "Факел", "Кузбасс"},
         {"15:00", "18:00"},
         180500,
         8000},
        {"Баскетбол",
         "баскетбол",
         Layout::kBasketball,
         "Евролига",
         6,
         {"ЦСКА", "Реал Мадрид", "Барселона", "Фенербахче", "Олимпиакос", "Панатинаикос",
          "Маккаби Тель-Авив", "Анадолу Эфес"},
         {"19:00", "21:00", "21:45"},
         160500,
         8000},
        {"Баскетбол",
         "баскетбол",
         Layout::kBasketball,
         "США. НБА",
         6,
         {"Бостон Селтикс", "Лос-Анджелес Лейкерс", "Чикаго Буллз", "Майами Хит", "Голден Стэйт",
          "Сан-Антонио", "Даллас", "Денвер"},
         {"03:00", "03:30", "05:30"},
         220500,
         10000},
        {"Бейсбол",
         "бейсбол",
         Layout::kBaseball,
         "США. МЛБ",
         5,
         {"Нью-Йорк Янкиз", "Бостон Ред Сокс", "Лос-Анджелес Доджерс", "Чикаго Кабс",
          "Сан-Франциско Джайентс", "Сент-Луис Кардиналс", "Хьюстон Астрос", "Атланта Брэйвз"},
         {"02:05", "02:10", "05:10"},
         8500,
         1000},
        {"Бейсбол",
         "бейсбол",
         Layout::kBaseball,
         "Япония. НПБ",
         2,
         {"Ёмиури Джайентс", "Хансин Тайгерс", "Хиросима Карп", "Якулт Сваллоуз"},
         {"12:00", "13:00"},
         7500,
         1000},
        {"Теннис",
         "теннис",
         Layout::kTennis,
         "Мужчины. Рим",
         6,
         {"Надаль Р.", "Джокович Н.", "Федерер Р.", "Медведев Д.", "Рублев А.", "Зверев А.",
          "Тим Д.", "Циципас С."},
         {"12:00", "14:30", "17:00", "21:00"},
         22500,
         1000},
        {"Теннис",
         "теннис",
         Layout::kTennis,
         "Женщины. Мадрид",
         5,
         {"Шарапова М.", "Уильямс С.", "Халеп С.", "Свитолина Э.", "Квитова П.", "Кузнецова С.",
          "Касаткина Д.", "Павлюченкова А.", "Уильямс В."},
         {"13:00", "15:00", "19:00"},
         21500,
         1000},
        {"Футбол",
         "футбол",
         Layout::kThreeWay,
         "Европа. Лига конференций",
         5,
         {"Динамо К", "Спартак Тр", "Слован", "Црвена Звезда", "Партизан", "Легия", "Ференцварош",
          "Лудогорец"},
         {"18:45", "21:00"},
         2500,
         1000},
    };
    return tournaments;
}

const std::vector<SkippedSection>& FirstSkippedSections() {
    static const std::vector<SkippedSection> sections = {
        {"Футбол. Чемпионат мира. ИТОГИ", {"Бразилия", "Германия", "Аргентина", "Франция"}},
        {"Теннис. Мужчины. Рим. Пары", {"Брайан/Брайан", "Мирный/Мелцер", "Кубот/Мело"}},
        {"Футбол. Англия. Премьер-лига. Победитель", {"Арсенал", "Челси", "Ливерпуль"}},
        {"Бокс. Профессионалы", {"Поветкин А.", "Кличко В.", "Ковалев С.", "Лебедев Д."}},
    };
    return sections;
}

const std::vector<SheetMarket>& SheetMarkets(Layout layout) {
    static const std::vector<SheetMarket> three_way = {
        {"Тотал 1-го тайма", {"Меньше (1.5)", "Больше (1.5)"}},
        {"Обе забьют", {"Да", "Нет"}},
        {"Точный счет", {"1:0", "1:1", "2:1"}},
        {"Первый гол", {"Хозяева", "Гости", "Нет гола"}},
        {"Угловые, тотал", {"Меньше (9.5)", "Больше (9.5)"}},
    };
    static const std::vector<SheetMarket> points = {
        {"Тотал 1-й партии", {"Меньше (45.5)", "Больше (45.5)"}},
        {"Счет по партиям", {"3:0", "3:1", "3:2"}},
        {"Победа в 1-й четверти", {"Хозяева", "Гости"}},
        {"Индивидуальный тотал хозяев", {"Меньше", "Больше"}},
    };
    static const std::vector<SheetMarket> baseball = {
        {"Тотал первых 5 иннингов", {"Меньше (4.5)", "Больше (4.5)"}},
        {"Первый забьет", {"Хозяева", "Гости"}},
        {"Победа с форой (-2.5)", {"Хозяева", "Гости"}},
    };
    static const std::vector<SheetMarket> tennis = {
        {"Счет по сетам", {"2:0", "2:1", "1:2", "0:2"}},
        {"Тотал геймов 1-го сета", {"Меньше (9.5)", "Больше (9.5)"}},
        {"Тай-брейк в матче", {"Да", "Нет"}},
    };
    switch (layout) {
        case Layout::kThreeWay:
            return three_way;
        case Layout::kVolleyball:
        case Layout::kBasketball:
            return points;
        case Layout::kBaseball:
            return baseball;
        case Layout::kTennis:
            return tennis;
    }
    return three_way;
}

// An event sheet: a small one-line HTML table of further markets (empty now and then, as the

}  // namespace lintaro::demo

namespace lintaro::demo {
namespace {

// Words that built names are made of: a club and a town, or a player's surname and initial.
const char* const kClubs[] = {"Торпедо", "Спартак",  "Металлург", "Химик",   "Звезда",
                              "Энергия", "Шахтер",   "Урожай",    "Витязь",  "Олимп",
                              "Сокол",   "Нефтяник", "Строитель", "Авангард"};
const char* const kTowns[] = {"Владимир", "Тула",   "Курск", "Пенза",  "Омск",   "Томск",
                              "Иваново",  "Калуга", "Тверь", "Рязань", "Липецк", "Брянск",
                              "Орел",     "Киров",  "Чита",  "Сочи",   "Псков",  "Тамбов"};
const char* const kSurnames[] = {"Иванов",  "Смирнов", "Кузнецов", "Попов",   "Соколов",
                                 "Лебедев", "Козлов",  "Новиков",  "Морозов", "Волков",
                                 "Зайцев",  "Павлов",  "Семенов",  "Голубев", "Виноградов"};
const char* const kInitials[] = {"А.", "Б.", "В.", "Г.", "Д.", "Е.", "И.", "К.",
                                 "Л.", "М.", "Н.", "О.", "П.", "Р.", "С.", "Т."};

// The same words in English, word for word, for the second bookmaker's names of the built teams
// of a tournament it shares: "Торпедо Тула" is "Torpedo Tula", "Новиков Г." "Gleb Novikov".
const char* const kClubsEn[] = {"Torpedo",  "Spartak",   "Metallurg", "Khimik",  "Zvezda",
                                "Energiya", "Shakhtyor", "Urozhai",   "Vityaz",  "Olimp",
                                "Sokol",    "Neftyanik", "Stroitel",  "Avangard"};
const char* const kTownsEn[] = {"Vladimir", "Tula",   "Kursk", "Penza",  "Omsk",    "Tomsk",
                                "Ivanovo",  "Kaluga", "Tver",  "Ryazan", "Lipetsk", "Bryansk",
                                "Orel",     "Kirov",  "Chita", "Sochi",  "Pskov",   "Tambov"};
const char* const kSurnamesEn[] = {"Ivanov",  "Smirnov", "Kuznetsov", "Popov",   "Sokolov",
                                   "Lebedev", "Kozlov",  "Novikov",   "Morozov", "Volkov",
                                   "Zaitsev", "Pavlov",  "Semenov",   "Golubev", "Vinogradov"};
const char* const kMenEn[] = {"Alexei", "Boris",  "Viktor", "Gleb",  "Dmitry",  "Egor",
                              "Ivan",   "Kirill", "Leonid", "Maxim", "Nikolai", "Oleg",
                              "Pavel",  "Roman",  "Sergei", "Timur"};
const char* const kWomenEn[] = {"Anna",   "Bella",  "Vera",     "Galina", "Daria",   "Elena",
                                "Irina",  "Ksenia", "Lyudmila", "Maria",  "Natalia", "Olga",
                                "Polina", "Rimma",  "Svetlana", "Tatiana"};

// The built name of team `team` (past the roster's end) of tournament `tournament`, in Russian or
// in English.
std::string BuiltName(size_t tournament, int team, bool english) {
    const auto& tournaments = FirstTournaments();
    const FirstTournament& t = tournaments[tournament];
    // The built teams of all tournaments take turns through one sequence, so no two tournaments
    // of a sport build the same name.
    size_t built = (static_cast<size_t>(team) - t.teams.size()) * tournaments.size() + tournament;
    std::string name;
    if (t.layout == Layout::kTennis) {
        const size_t words = std::size(kSurnames) * std::size(kInitials);
        const bool women = std::string_view(t.name).starts_with("Женщины");
        const size_t surname = built % std::size(kSurnames);
        const size_t initial = built / std::size(kSurnames) % std::size(kInitials);
        if (english) {
            name = std::string(women ? kWomenEn[initial] : kMenEn[initial]) + " " +
                   kSurnamesEn[surname] + (women ? "a" : "");
        } else {
            name = std::string(kSurnames[surname]) + (women ? "а" : "") + " " + kInitials[initial];
        }
        built /= words;
    } else {
        const size_t words = std::size(kClubs) * std::size(kTowns);
        const size_t club = built % std::size(kClubs);
        const size_t town = built / std::size(kClubs) % std::size(kTowns);
        name = english ? std::string(kClubsEn[club]) + " " + kTownsEn[town]
                       : std::string(kClubs[club]) + " " + kTowns[town];
        built /= words;
    }
    if (built > 0) name += " " + std::to_string(built + 1);
    return name;
}

}  // namespace

std::string FirstTeamName(size_t tournament, int team) {
    const FirstTournament& t = FirstTournaments()[tournament];
    if (static_cast<size_t>(team) < t.teams.size()) return t.teams[static_cast<size_t>(team)];
    return BuiltName(tournament, team, false);
}

std::string FirstBuiltTeamNameInEnglish(size_t tournament, int team) {
    return BuiltName(tournament, team, true);
}

}  // namespace lintaro::demo
