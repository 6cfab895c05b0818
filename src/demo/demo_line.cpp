// Generates the demo line: realistic, deterministic odds pages in both bookmakers' formats and,
// from the same draws, the rows their readers make of them. Every column is written at the width
// the readers' patterns cut it at; the few events that are meant to be passed over are marked as
// such and publish no row.
#include "demo/demo_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro::demo {
namespace {

namespace chr = std::chrono;

// splitmix64: small, fast, and the same sequence on every platform (the standard distributions
// are not), so a seed always gives the same pages.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in lo..hi, both included.
    int Between(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    bool Percent(int percent) { return Between(0, 99) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Next() % items.size()];
    }

  private:
    uint64_t state_;
};

// ---- Number and text formatting -------------------------------------------------------------

// Values are kept in thousandths ("milli") so that the page text and the stored decimal agree
// exactly: 1.85 is 1850, and the table stores it as 18500 ten-thousandths.
Decimal FromMilli(int milli) { return Decimal{int64_t{milli} * 10}; }

// "1.85" (two decimals) or "1.850" (three decimals).
std::string Price(int milli, int decimals) {
    char buffer[32];
    if (decimals == 2) {
        std::snprintf(buffer, sizeof buffer, "%d.%02d", milli / 1000, (milli % 1000) / 10);
    } else {
        std::snprintf(buffer, sizeof buffer, "%d.%03d", milli / 1000, milli % 1000);
    }
    return buffer;
}

// A handicap or total value without trailing zeros: "2.5", "-0.25", "+1.5" (with `signed_plus`).
std::string Value(int milli, bool signed_plus) {
    std::string sign = milli < 0 ? "-" : (signed_plus && milli > 0 ? "+" : "");
    const int magnitude = std::abs(milli);
    std::string text = std::to_string(magnitude / 1000);
    if (int fraction = magnitude % 1000; fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", fraction);
        std::string decimals = digits;
        while (decimals.back() == '0') decimals.pop_back();
        text += "." + decimals;
    }
    return sign + text;
}

// A fixed-width column: the text right-aligned in width - 1 characters, then one blank.
std::string Column(const std::string& text, size_t width) {
    std::string out;
    if (text.size() + 1 < width) out.assign(width - 1 - text.size(), ' ');
    out += text;
    out += ' ';
    return out;
}

// A price in hundredths (the first bookmaker's) from a probability and the bookmaker's margin.
int PriceFor(double probability, double margin) {
    double price = 1.0 / (std::max(probability, 0.01) * margin);
    price = std::clamp(price, 1.01, 60.0);
    return static_cast<int>(std::lround(price * 100.0)) * 10;
}

// The same in thousandths rounded to 5 (the second bookmaker prints three decimals).
int PriceFor3(double probability, double margin) {
    double price = 1.0 / (std::max(probability, 0.01) * margin);
    price = std::clamp(price, 1.01, 60.0);
    return static_cast<int>(std::lround(price * 200.0)) * 5;
}

std::string Cp(std::string_view utf8) { return Utf8ToCp1251(utf8); }

DateTime MakeStart(chr::year_month_day date, int hour, int minute) {
    CalendarParts parts;
    parts.year = static_cast<int>(date.year());
    parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
    parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.hour = hour;
    parts.minute = minute;
    return MakeDateTime(parts).value();
}

void CheckOptions(const DemoOptions& options) {
    if (options.events < 0 || options.events > kMaxDemoEvents) {
        throw std::invalid_argument("The demo line's event count must be 0.." +
                                    std::to_string(kMaxDemoEvents) + ", not " +
                                    std::to_string(options.events));
    }
    if (options.generation > kMaxDemoGeneration) {
        throw std::invalid_argument("The demo line's generation must be 0.." +
                                    std::to_string(kMaxDemoGeneration) + ", not " +
                                    std::to_string(options.generation));
    }
}

// Draws a tournament in proportion to the weights.
size_t PickByWeight(const std::vector<int>& weights, Rng& rng) {
    int weight_sum = 0;
    for (int w : weights) weight_sum += w;
    int ticket = rng.Between(0, weight_sum - 1);
    size_t t = 0;
    while (ticket >= weights[t]) ticket -= weights[t++];
    return t;
}

// Splits `total` events over tournaments in proportion to their weights, randomly but exactly.
std::vector<int> Spread(int total, const std::vector<int>& weights, Rng& rng) {
    std::vector<int> counts(weights.size(), 0);
    for (int i = 0; i < total; ++i) ++counts[PickByWeight(weights, rng)];
    return counts;
}

// ---- The first bookmaker: one odds page, Cyrillic ----------------------------------------------

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
          "Касаткина Д.", "Павлюченкова А."},
         {"13:00", "15:00", "19:00"},
         21500,
         1000},
    };
    return tournaments;
}

// Sections the reader must pass over: a tournament name with a skip word, or a sport it does not
// read. Their events are written in the three-way layout, so a reader that failed to skip them
// would publish rows.
struct SkippedSection {
    const char* heading;  // sport, ".", tournament
    std::vector<const char*> teams;
};

const std::vector<SkippedSection>& FirstSkippedSections() {
    static const std::vector<SkippedSection> sections = {
        {"Футбол. Чемпионат мира. ИТОГИ", {"Бразилия", "Германия", "Аргентина", "Франция"}},
        {"Теннис. Мужчины. Рим. Пары", {"Брайан/Брайан", "Мирный/Мелцер", "Кубот/Мело"}},
        {"Футбол. Англия. Премьер-лига. Победитель", {"Арсенал", "Челси", "Ливерпуль"}},
        {"Бокс. Профессионалы", {"Поветкин А.", "Кличко В.", "Ковалев С.", "Лебедев Д."}},
    };
    return sections;
}

// Markets of an event sheet by sport: a title and two or three outcomes.
struct SheetMarket {
    const char* title;
    std::vector<const char*> outcomes;
};

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
// bookmaker leaves some events without one). It never holds a line break or a "<div", which would
// end the event or the section early.
std::string EventSheet(Layout layout, Rng& rng) {
    if (rng.Percent(5)) return "";
    const auto& markets = SheetMarkets(layout);
    const int count = rng.Between(1, static_cast<int>(markets.size()));
    const int first = rng.Between(0, static_cast<int>(markets.size()) - 1);
    std::string sheet = "<table class=\"dop\">";
    for (int i = 0; i < count; ++i) {
        const SheetMarket& market = markets[(first + i) % markets.size()];
        sheet += "<tr><td class=m>";
        sheet += market.title;
        sheet += "</td>";
        // Prices of one market share one margin: draw each outcome's weight, then price it.
        std::vector<int> weights;
        int weight_sum = 0;
        for (size_t o = 0; o < market.outcomes.size(); ++o) {
            weights.push_back(rng.Between(10, 60));
            weight_sum += weights.back();
        }
        for (size_t o = 0; o < market.outcomes.size(); ++o) {
            sheet += "<td>";
            sheet += market.outcomes[o];
            sheet += " <u>";
            sheet += Price(PriceFor(static_cast<double>(weights[o]) / weight_sum, 1.08), 2);
            sheet += "</u></td>";
        }
        sheet += "</tr>";
    }
    sheet += "</table>";
    return Cp(sheet);
}

// One event as drawn, before it is written in either bookmaker's format.
struct DrawnEvent {
    int day_offset = 0;
    int kickoff = 0;  // index into the tournament's kickoffs
    int home = 0;
    int guest = 0;
    bool blank_time = false;    // the time column is left blank: unreadable, no row
    bool invalid_date = false;  // dated 31/04: unreadable, no row
};

// Lists events by start, as a real line lists each tournament's events.
bool StartsBefore(const DrawnEvent& a, const DrawnEvent& b) {
    return a.day_offset != b.day_offset ? a.day_offset < b.day_offset : a.kickoff < b.kickoff;
}

std::vector<DrawnEvent> DrawEvents(int count, int team_count, int kickoff_count, Rng& rng) {
    std::vector<DrawnEvent> events(count);
    for (DrawnEvent& e : events) {
        e.day_offset = rng.Between(0, 27);
        e.kickoff = rng.Between(0, kickoff_count - 1);
        e.home = rng.Between(0, team_count - 1);
        e.guest = (e.home + rng.Between(1, team_count - 1)) % team_count;
    }
    std::stable_sort(events.begin(), events.end(), StartsBefore);
    return events;
}

// ---- A moving line: what changes from one generation to the next ------------------------------
//
// Generation 0 is the line the seed gives. Each later generation is the one before with a few
// changes taken from a random sequence of its own (seeded by the seed and the generation), so
// the line of generation 0 stays byte for byte what it always was, and generation g is one known
// line: a few markets move by a tick or two, now and then a handicap or total line moves, the
// earliest events start (and leave the line) and a few new ones appear a few weeks ahead.

constexpr int kMarketMovePercent = 4;  // chance that a market moves in one generation
constexpr int kLineMovePercent = 1;    // chance that an event's handicap or total line moves
constexpr int kMinPrice = 1010;        // no move takes a price below 1.01
// A move is refused when it takes the market's margin further than this from the margin it was
// drawn with, so margins stay where a bookmaker keeps them.
constexpr double kMarginDrift = 0.015;
// New events are announced this many days ahead (the line spans four weeks).
constexpr int kNewEventFirstDay = 21;
constexpr int kNewEventLastDay = 27;

// The random sequence of generation `generation` of a line (`salt` tells the bookmakers apart).
Rng GenerationRng(uint64_t salt, uint32_t seed, uint32_t generation) {
    Rng mixer(salt * 0x100000000ull + seed);
    return Rng(mixer.Next() ^ (uint64_t{generation} * 0xD1B54A32D192ED03ull));
}

// The step of the price ladder at `milli`: a hundredth up to 2.00, widening with the price, as
// bookmakers and exchanges move prices.
int TickAt(int milli) {
    if (milli < 2000) return 10;
    if (milli < 3000) return 20;
    if (milli < 4000) return 50;
    if (milli < 6000) return 100;
    if (milli < 10000) return 200;
    if (milli < 20000) return 500;
    return 1000;
}

// `milli` moved by `ticks` steps of the ladder (down when negative).
int StepPrice(int milli, int ticks) {
    for (; ticks > 0; --ticks) milli += TickAt(milli);
    for (; ticks < 0; ++ticks) milli -= TickAt(milli - 1);
    return milli;
}

// A market's margin (the implied probabilities beyond one) from prices in thousandths.
double MarketMargin(const int* const* prices, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += 1000.0 / *prices[i];
    return sum - 1.0;
}

// Moves one market: one outcome by one or two ticks, another the opposite way by one tick, as a
// bookmaker rebalances. The move is dropped when it would take a price below kMinPrice or the
// margin more than kMarginDrift from `drawn_margin`. Returns each price's direction (-1, 0, +1).
std::array<int, 3> MoveMarket(int* const* prices, int count, double drawn_margin, Rng& rng) {
    std::array<int, 3> moved{};
    const int leader = rng.Between(0, count - 1);
    const int other = (leader + rng.Between(1, count - 1)) % count;
    const int ticks = rng.Between(1, 2);
    const int direction = rng.Percent(50) ? 1 : -1;
    const int leader_price = StepPrice(*prices[leader], direction * ticks);
    const int other_price = StepPrice(*prices[other], -direction);
    if (leader_price < kMinPrice || other_price < kMinPrice) return moved;
    const int old_leader = std::exchange(*prices[leader], leader_price);
    const int old_other = std::exchange(*prices[other], other_price);
    if (std::fabs(MarketMargin(prices, count) - drawn_margin) > kMarginDrift) {
        *prices[leader] = old_leader;
        *prices[other] = old_other;
        return moved;
    }
    moved[leader] = direction;
    moved[other] = -direction;
    return moved;
}

// A double chance follows the outcome it covers by one tick (`direction` of 0 leaves it).
void FollowByOneTick(std::optional<int>& price, int direction) {
    if (!price || direction == 0) return;
    const int moved = StepPrice(*price, direction);
    if (moved >= kMinPrice) *price = moved;
}

// A new event a few weeks ahead.
DrawnEvent DrawNewEvent(int team_count, int kickoff_count, Rng& rng) {
    DrawnEvent event;
    event.day_offset = rng.Between(kNewEventFirstDay, kNewEventLastDay);
    event.kickoff = rng.Between(0, kickoff_count - 1);
    event.home = rng.Between(0, team_count - 1);
    event.guest = (event.home + rng.Between(1, team_count - 1)) % team_count;
    return event;
}

// One generation's turnover of events: the earliest few start and leave the line, and a few new
// ones arrive (one up to about one in fifty of `drawn_size` each, the arrivals pulled towards the
// drawn size so the line neither fills up nor empties). `lists` are the event lists that move,
// each listed by start; `start_of(list, event)` is an event's start in minutes after today's
// midnight; `draw_arrival(rng)` draws a new event and the index of the list it joins.
template <typename Event, typename StartOf, typename DrawArrival>
void TurnOver(const std::vector<std::vector<Event>*>& lists, int drawn_size, StartOf start_of,
              DrawArrival draw_arrival, Rng& rng) {
    struct Start {
        int minute;
        uint32_t list;
        uint32_t index;
        auto operator<=>(const Start&) const = default;  // unique: the choice is deterministic
    };
    std::vector<Start> starts;
    for (uint32_t l = 0; l < lists.size(); ++l) {
        for (uint32_t i = 0; i < lists[l]->size(); ++i) {
            starts.push_back({start_of(l, (*lists[l])[i]), l, i});
        }
    }
    const int live = static_cast<int>(starts.size());
    const int few = std::max(1, drawn_size / 50);
    const int leaving = std::min(live, rng.Between(1, few));
    const int arriving = std::clamp(rng.Between(1, few) + (drawn_size - live) / 4, 0, 2 * few);
    std::nth_element(starts.begin(), starts.begin() + leaving, starts.end());
    for (int k = 0; k < leaving; ++k) (*lists[starts[k].list])[starts[k].index].gone = true;
    for (std::vector<Event>* list : lists) {
        std::erase_if(*list, [](const Event& event) { return event.gone; });
    }
    std::vector<std::vector<Event>> arrivals(lists.size());
    for (int k = 0; k < arriving; ++k) {
        auto [list, event] = draw_arrival(rng);
        arrivals[list].push_back(std::move(event));
    }
    // A new event goes after those that start no later, the arrivals in the order drawn.
    const auto by_start = [](const Event& a, const Event& b) {
        return StartsBefore(a.drawn, b.drawn);
    };
    for (size_t l = 0; l < lists.size(); ++l) {
        if (arrivals[l].empty()) continue;
        std::stable_sort(arrivals[l].begin(), arrivals[l].end(), by_start);
        std::vector<Event>& list = *lists[l];
        const auto middle = static_cast<ptrdiff_t>(list.size());
        std::move(arrivals[l].begin(), arrivals[l].end(), std::back_inserter(list));
        std::inplace_merge(list.begin(), list.begin() + middle, list.end(), by_start);
    }
}

// Minutes after midnight of "HH:MM".
int MinuteOfDay(const char* clock) {
    return ((clock[0] - '0') * 10 + (clock[1] - '0')) * 60 + (clock[3] - '0') * 10 +
           (clock[4] - '0');
}

// ---- The first bookmaker's events --------------------------------------------------------------

// The prices and lines of one event of the first bookmaker, in thousandths, and its event sheet.
struct FirstPrices {
    bool has_draw = false;  // the layout quotes a draw (X)
    int p1 = 0, x = 0, p2 = 0;
    std::optional<int> px1, p12, p2x;
    int handicap = 0, f1 = 0, f2 = 0;
    int total = 0, under = 0, over = 0;
    std::string sheet;
    // The margins the markets were drawn with: moves keep close to them.
    double result_margin = 0, handicap_margin = 0, total_margin = 0;
};

FirstPrices DrawFirstPrices(Layout layout, int total_milli, int total_step, Rng& rng) {
    FirstPrices p;
    const double strength = rng.Between(20, 80) / 100.0;  // home's share of the two sides
    p.has_draw = layout == Layout::kThreeWay || layout == Layout::kBasketball;
    if (p.has_draw) {
        const double draw =
            layout == Layout::kThreeWay ? rng.Between(18, 30) / 100.0 : rng.Between(5, 8) / 100.0;
        const double home_win = (1.0 - draw) * strength;
        const double guest_win = (1.0 - draw) - home_win;
        p.p1 = PriceFor(home_win, 1.06);
        p.x = PriceFor(draw, 1.06);
        p.p2 = PriceFor(guest_win, 1.06);
        if (layout == Layout::kThreeWay && !rng.Percent(6)) {
            p.px1 = PriceFor(home_win + draw, 1.04);
            p.p12 = PriceFor(home_win + guest_win, 1.04);
            p.p2x = PriceFor(guest_win + draw, 1.04);
        }
    } else {
        p.p1 = PriceFor(strength, 1.05);
        p.p2 = PriceFor(1.0 - strength, 1.05);
    }
    // Half-point handicaps, never 0; the favourite gives them.
    const int widest = layout == Layout::kBasketball || layout == Layout::kVolleyball ? 6
                       : layout == Layout::kTennis                                    ? 3
                                                                                      : 1;
    p.handicap = (2 * rng.Between(0, widest) + 1) * 500;
    if (strength > 0.5) p.handicap = -p.handicap;
    p.f1 = rng.Between(170, 215) * 10;
    p.f2 = rng.Between(170, 215) * 10;
    p.total = total_milli + rng.Between(-1, 1) * total_step;
    p.under = rng.Between(170, 215) * 10;
    p.over = rng.Between(170, 215) * 10;
    p.sheet = EventSheet(layout, rng);
    const int* result[] = {&p.p1, &p.x, &p.p2};
    const int* two_way[] = {&p.p1, &p.p2};
    const int* handicap[] = {&p.f1, &p.f2};
    const int* total[] = {&p.under, &p.over};
    p.result_margin = p.has_draw ? MarketMargin(result, 3) : MarketMargin(two_way, 2);
    p.handicap_margin = MarketMargin(handicap, 2);
    p.total_margin = MarketMargin(total, 2);
    return p;
}

// One generation's moves of an event's prices and lines.
void MoveFirstPrices(FirstPrices& p, Layout layout, int total_step, Rng& rng) {
    if (rng.Percent(kMarketMovePercent)) {
        int* result[] = {&p.p1, &p.x, &p.p2};
        int* two_way[] = {&p.p1, &p.p2};
        if (p.has_draw) {
            const std::array<int, 3> moved = MoveMarket(result, 3, p.result_margin, rng);
            FollowByOneTick(p.px1, moved[0]);
            FollowByOneTick(p.p2x, moved[2]);
            FollowByOneTick(p.p12, -moved[1]);  // a dearer draw makes "no draw" cheaper
        } else {
            MoveMarket(two_way, 2, p.result_margin, rng);
        }
        // The bookmaker reprices its further markets now and then with the main one.
        if (rng.Percent(50)) p.sheet = EventSheet(layout, rng);
    }
    if (rng.Percent(kMarketMovePercent)) {
        int* handicap[] = {&p.f1, &p.f2};
        MoveMarket(handicap, 2, p.handicap_margin, rng);
    }
    if (rng.Percent(kMarketMovePercent)) {
        int* total[] = {&p.under, &p.over};
        MoveMarket(total, 2, p.total_margin, rng);
    }
    if (rng.Percent(kLineMovePercent)) {
        // A line moves by a whole step and keeps its prices: the handicap stays a half point.
        const int direction = rng.Percent(50) ? 1 : -1;
        if (rng.Percent(50)) {
            p.handicap += direction * 1000;
        } else if (p.total + direction * total_step >= 500) {
            p.total += direction * total_step;
        }
    }
}

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

struct FirstEvent {
    DrawnEvent drawn;
    FirstPrices prices;
    bool gone = false;  // starts in the generation being made
};

// A section of the page: a tournament the reader reads, or one it must pass over.
struct FirstSection {
    const SkippedSection* skipped = nullptr;  // set for a section the reader passes over
    size_t tournament = 0;                    // else the index into FirstTournaments()
    std::vector<FirstEvent> events;           // listed by start
};

// Draws the line of generation 0, section by section, in the order the page lists them.
std::vector<FirstSection> DrawFirstLine(const DemoOptions& options, Rng& rng) {
    const auto& tournaments = FirstTournaments();
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.weight);
    const std::vector<int> counts = Spread(options.events, weights, rng);
    const auto& skipped = FirstSkippedSections();
    std::vector<FirstSection> sections;
    int event_number = 0;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        // A skipped section now and then between the read ones, always at the same places.
        if (t % 4 == 1 && t / 4 < skipped.size()) {
            FirstSection& section = sections.emplace_back();
            section.skipped = &skipped[t / 4];
            for (size_t i = 0; i + 1 < section.skipped->teams.size(); i += 2) {
                FirstEvent& event = section.events.emplace_back();
                event.drawn.home = static_cast<int>(i);
                event.drawn.guest = static_cast<int>(i + 1);
                event.prices = DrawFirstPrices(Layout::kThreeWay, 2500, 1000, rng);
            }
        }
        FirstSection& section = sections.emplace_back();
        section.tournament = t;
        if (counts[t] == 0) continue;
        const FirstTournament& tournament = tournaments[t];
        for (DrawnEvent& drawn : DrawEvents(counts[t], static_cast<int>(tournament.teams.size()),
                                            static_cast<int>(tournament.kickoffs.size()), rng)) {
            ++event_number;
            // A few events are unreadable on purpose; the first ones come early, so that small
            // lines have them too.
            drawn.blank_time = event_number == 7 || rng.Percent(1);
            drawn.invalid_date = event_number == 13 || (!drawn.blank_time && rng.Percent(1));
            FirstEvent& event = section.events.emplace_back();
            event.drawn = drawn;
            event.prices = DrawFirstPrices(tournament.layout, tournament.total_milli,
                                           tournament.total_step, rng);
        }
    }
    return sections;
}

// Turns the line of generation - 1 into that of `generation`.
void MoveFirstLine(std::vector<FirstSection>& sections, const DemoOptions& options,
                   uint32_t generation) {
    const auto& tournaments = FirstTournaments();
    Rng rng = GenerationRng(0x4D61726166ull, options.seed, generation);
    // The sections the reader passes over stay still; one list per tournament, in their order.
    std::vector<std::vector<FirstEvent>*> lists;
    for (FirstSection& section : sections) {
        if (section.skipped) continue;
        const FirstTournament& tournament = tournaments[section.tournament];
        for (FirstEvent& event : section.events) {
            MoveFirstPrices(event.prices, tournament.layout, tournament.total_step, rng);
        }
        lists.push_back(&section.events);
    }
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.weight);
    TurnOver(
        lists, options.events,
        [&](uint32_t t, const FirstEvent& event) {
            return event.drawn.day_offset * 1440 +
                   MinuteOfDay(tournaments[t].kickoffs[event.drawn.kickoff]);
        },
        [&](Rng& rng) {
            const size_t t = PickByWeight(weights, rng);
            const FirstTournament& tournament = tournaments[t];
            FirstEvent event;
            event.drawn = DrawNewEvent(static_cast<int>(tournament.teams.size()),
                                       static_cast<int>(tournament.kickoffs.size()), rng);
            event.prices = DrawFirstPrices(tournament.layout, tournament.total_milli,
                                           tournament.total_step, rng);
            return std::pair{t, std::move(event)};
        },
        rng);
}

}  // namespace

chr::year_month_day ToYearMonthDay(const CivilDate& date) {
    return chr::year_month_day{chr::year{date.year}, chr::month{static_cast<unsigned>(date.month)},
                               chr::day{static_cast<unsigned>(date.day)}};
}

struct MovingFirstLine::Model {
    DemoOptions options;
    chr::year_month_day today;
    std::vector<FirstSection> sections;
};

MovingFirstLine::MovingFirstLine(const DemoOptions& options, chr::year_month_day today)
    : model_(std::make_unique<Model>()) {
    CheckOptions(options);
    model_->options = options;
    model_->options.generation = 0;
    model_->today = today;
    Rng rng(0x4D61726166ull * 0x100000000ull + options.seed);
    model_->sections = DrawFirstLine(options, rng);
    while (model_->options.generation < options.generation) Advance();
}

MovingFirstLine::~MovingFirstLine() = default;
MovingFirstLine::MovingFirstLine(MovingFirstLine&&) noexcept = default;
MovingFirstLine& MovingFirstLine::operator=(MovingFirstLine&&) noexcept = default;

uint32_t MovingFirstLine::Generation() const { return model_->options.generation; }

void MovingFirstLine::Advance() {
    const uint32_t next = ++model_->options.generation;
    if (model_->options.events > 0) MoveFirstLine(model_->sections, model_->options, next);
}

FirstLine BuildFirstLine(const DemoOptions& options, chr::year_month_day today) {
    return MovingFirstLine(options, today).Line();
}

FirstLine MovingFirstLine::Line() const {
    const std::vector<FirstSection>& sections = model_->sections;
    const DemoOptions& options = model_->options;
    const chr::year_month_day today = model_->today;
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
        std::vector<std::string> teams;
        for (const char* team : tournament.teams) teams.push_back(Cp(team));
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
            writer.Event(tournament.layout, date_text, time_text, teams[drawn.home],
                         teams[drawn.guest], event.prices, row);
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

// ---- The second bookmaker: a tournament list and pages per tournament, Latin -------------------

namespace {

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
};

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
         {}},
        {SecondSport::kTennis,
         41,
         "guestContestLines.asp?ContestType=Tennis&amp;Contest=ATP%20Rome&amp;League=41",
         "ATP - Rome",
         true,
         13,
         {"Rafael Nadal", "Novak Djokovic", "Roger Federer", "Andy Murray", "Stan Wawrinka",
          "Dominic Thiem", "Alexander Zverev", "Daniil Medvedev"},
         {}},
        {SecondSport::kBaseball,
         21,
         "vwguestlines.asp?SportType=Baseball&amp;SportSubType=MLB&amp;League=21",
         "MLB - Major League Baseball",
         true,
         17,
         {"New York Yankees", "Boston Red Sox", "Los Angeles Dodgers", "Chicago Cubs",
          "San Francisco Giants", "St. Louis Cardinals", "Houston Astros", "Atlanta Braves"},
         {"G. Cole", "C. Sale", "C. Kershaw", "K. Hendricks", "J. Cueto", "A. Wainwright",
          "J. Verlander", "M. Fried"}},
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
         {"T. Sugano", "Y. Nishi", "D. Osera", "Y. Ishikawa"}},
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
         {"Serena Williams", "Simona Halep", "Petra Kvitova", "Elina Svitolina", "Garbine Muguruza",
          "Karolina Pliskova", "Angelique Kerber", "Caroline Wozniacki"},
         {}},
        {SecondSport::kSoccer,
         14,
         "vwguestlines.asp?SportType=Soccer&amp;SportSubType=Italy&amp;League=14",
         "Italy - Serie A",
         true,
         19,
         {"Juventus", "AC Milan", "Inter", "AS Roma", "Lazio", "Napoli", "Fiorentina", "Atalanta"},
         {}},
    };
    return tournaments;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
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

// Times as the second bookmaker prints them (a 12-hour clock that never shows the hour 12, which
// its reader would misread), with the 24-hour hour they stand for.
struct SecondKickoff {
    const char* text;
    int hour;
    int minute;
};

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

// The prices and lines of one event of the second bookmaker, in thousandths.
struct SecondPrices {
    int p1 = 0, x = 0, p2 = 0;
    bool has_handicap = false, has_total = false;
    int handicap = 0, f1 = 0, f2 = 0;
    int total = 0, under = 0, over = 0;
    bool split_total = false;  // "2.5 and 3": the reader keeps 2.5
    // The margins the markets were drawn with: moves keep close to them.
    double result_margin = 0, handicap_margin = 0, total_margin = 0;
};

// A soccer (three-way) or baseball event's prices, handicap and total.
SecondPrices DrawTeamPrices(bool soccer, Rng& rng) {
    SecondPrices p;
    const double strength = rng.Between(25, 75) / 100.0;
    const double draw = soccer ? rng.Between(20, 30) / 100.0 : 0.0;
    p.p1 = PriceFor3((1.0 - draw) * strength, 1.025);
    p.p2 = PriceFor3((1.0 - draw) * (1.0 - strength), 1.025);
    p.x = PriceFor3(draw, 1.025);
    p.has_handicap = !rng.Percent(8);
    p.has_total = !rng.Percent(8);
    // Soccer's Asian handicap moves in quarters; baseball's run line is always 1.5.
    p.handicap = soccer ? rng.Between(1, 6) * 250 : 1500;
    if (strength > 0.5) p.handicap = -p.handicap;
    p.f1 = rng.Between(1800, 2200) / 5 * 5;
    p.f2 = rng.Between(1800, 2200) / 5 * 5;
    p.total = soccer ? 2500 + rng.Between(-1, 1) * 1000 : 8500 + rng.Between(-1, 1) * 1000;
    p.split_total = soccer && rng.Percent(20);
    p.under = rng.Between(1800, 2100) / 5 * 5;
    p.over = rng.Between(1800, 2100) / 5 * 5;
    const int* result[] = {&p.p1, &p.x, &p.p2};
    const int* two_way[] = {&p.p1, &p.p2};
    const int* handicap[] = {&p.f1, &p.f2};
    const int* total[] = {&p.under, &p.over};
    p.result_margin = soccer ? MarketMargin(result, 3) : MarketMargin(two_way, 2);
    p.handicap_margin = MarketMargin(handicap, 2);
    p.total_margin = MarketMargin(total, 2);
    return p;
}

// A tennis match's two prices.
SecondPrices DrawTennisPrices(Rng& rng) {
    SecondPrices p;
    const double strength = rng.Between(15, 85) / 100.0;
    p.p1 = PriceFor3(strength, 1.03);
    p.p2 = PriceFor3(1.0 - strength, 1.03);
    const int* two_way[] = {&p.p1, &p.p2};
    p.result_margin = MarketMargin(two_way, 2);
    return p;
}

// One generation's moves of an event's prices and lines.
void MoveSecondPrices(SecondPrices& p, SecondSport sport, Rng& rng) {
    const bool soccer = sport == SecondSport::kSoccer;
    if (rng.Percent(kMarketMovePercent)) {
        int* result[] = {&p.p1, &p.x, &p.p2};
        int* two_way[] = {&p.p1, &p.p2};
        if (soccer) {
            MoveMarket(result, 3, p.result_margin, rng);
        } else {
            MoveMarket(two_way, 2, p.result_margin, rng);
        }
    }
    if (sport == SecondSport::kTennis) return;
    if (p.has_handicap && rng.Percent(kMarketMovePercent)) {
        int* handicap[] = {&p.f1, &p.f2};
        MoveMarket(handicap, 2, p.handicap_margin, rng);
    }
    if (p.has_total && rng.Percent(kMarketMovePercent)) {
        int* total[] = {&p.under, &p.over};
        MoveMarket(total, 2, p.total_margin, rng);
    }
    if (rng.Percent(kLineMovePercent)) {
        // Soccer's handicap moves by a quarter (never to 0); baseball's run line stays 1.5.
        const int direction = rng.Percent(50) ? 1 : -1;
        if (rng.Percent(50)) {
            if (soccer && p.has_handicap && p.handicap + direction * 250 != 0) {
                p.handicap += direction * 250;
            }
        } else if (p.has_total && p.total + direction * 1000 >= 500) {
            p.total += direction * 1000;
        }
    }
}

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
        row.X = Decimal{0};
        row.P2 = FromMilli(prices.p2);
    }

  private:
    int next_rotation_ = 101;
};

struct SecondEvent {
    DrawnEvent drawn;
    // Events the reader must pass over: a start not yet announced, a draw cell with nothing
    // before "Draw", a player whose name the tennis row pattern cannot take.
    bool to_be_announced = false;
    bool bare_draw = false;
    bool hyphenated = false;
    SecondPrices prices;
    bool gone = false;  // starts in the generation being made
};

// One tournament page's events, listed by start, in the list's order of tournaments.
using SecondEvents = std::vector<std::vector<SecondEvent>>;

// Draws the line of generation 0, tournament by tournament.
SecondEvents DrawSecondLine(const DemoOptions& options, Rng& rng) {
    const auto& tournaments = SecondTournaments();
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.read ? t.weight : 0);
    const std::vector<int> counts = Spread(options.events, weights, rng);
    SecondEvents line(tournaments.size());
    int event_number = 0;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        const SecondTournament& tournament = tournaments[t];
        const bool tennis = tournament.sport == SecondSport::kTennis;
        const bool soccer = tournament.sport != SecondSport::kBaseball && !tennis;
        const int count = tournament.read ? counts[t] : 2;
        for (const DrawnEvent& drawn :
             DrawEvents(count, static_cast<int>(tournament.teams.size()),
                        static_cast<int>(SecondKickoffs(tournament.sport).size()), rng)) {
            ++event_number;
            SecondEvent& event = line[t].emplace_back();
            event.drawn = drawn;
            event.to_be_announced = event_number == 5 || rng.Percent(1);
            event.bare_draw = soccer && (event_number == 9 || rng.Percent(1));
            event.hyphenated = tennis && rng.Percent(4);
            event.prices = tennis ? DrawTennisPrices(rng) : DrawTeamPrices(soccer, rng);
        }
    }
    return line;
}

// Turns the line of generation - 1 into that of `generation`. Only the tournaments the reader
// reads move; the others are there to be passed over.
void MoveSecondLine(SecondEvents& line, const DemoOptions& options, uint32_t generation) {
    const auto& tournaments = SecondTournaments();
    Rng rng = GenerationRng(0x50696E6E61ull, options.seed, generation);
    std::vector<size_t> read;  // the tournaments that move, by list index
    std::vector<std::vector<SecondEvent>*> lists;
    std::vector<int> weights;
    for (size_t t = 0; t < line.size(); ++t) {
        if (!tournaments[t].read) continue;
        for (SecondEvent& event : line[t])
            MoveSecondPrices(event.prices, tournaments[t].sport, rng);
        read.push_back(t);
        lists.push_back(&line[t]);
        weights.push_back(tournaments[t].weight);
    }
    TurnOver(
        lists, options.events,
        [&](uint32_t l, const SecondEvent& event) {
            const SecondKickoff& kickoff =
                SecondKickoffs(tournaments[read[l]].sport)[event.drawn.kickoff];
            return event.drawn.day_offset * 1440 + kickoff.hour * 60 + kickoff.minute;
        },
        [&](Rng& rng) {
            const size_t l = PickByWeight(weights, rng);
            const SecondTournament& tournament = tournaments[read[l]];
            SecondEvent event;
            event.drawn =
                DrawNewEvent(static_cast<int>(tournament.teams.size()),
                             static_cast<int>(SecondKickoffs(tournament.sport).size()), rng);
            event.prices = tournament.sport == SecondSport::kTennis
                               ? DrawTennisPrices(rng)
                               : DrawTeamPrices(tournament.sport == SecondSport::kSoccer, rng);
            return std::pair{l, std::move(event)};
        },
        rng);
}

}  // namespace

struct MovingSecondLine::Model {
    DemoOptions options;
    chr::year_month_day today;
    SecondEvents events_by_tournament;
};

MovingSecondLine::MovingSecondLine(const DemoOptions& options, chr::year_month_day today)
    : model_(std::make_unique<Model>()) {
    CheckOptions(options);
    model_->options = options;
    model_->options.generation = 0;
    model_->today = today;
    Rng rng(0x50696E6E61ull * 0x100000000ull + options.seed);
    model_->events_by_tournament = DrawSecondLine(options, rng);
    while (model_->options.generation < options.generation) Advance();
}

MovingSecondLine::~MovingSecondLine() = default;
MovingSecondLine::MovingSecondLine(MovingSecondLine&&) noexcept = default;
MovingSecondLine& MovingSecondLine::operator=(MovingSecondLine&&) noexcept = default;

uint32_t MovingSecondLine::Generation() const { return model_->options.generation; }

void MovingSecondLine::Advance() {
    const uint32_t next = ++model_->options.generation;
    if (model_->options.events > 0) {
        MoveSecondLine(model_->events_by_tournament, model_->options, next);
    }
}

SecondLine BuildSecondLine(const DemoOptions& options, chr::year_month_day today) {
    return MovingSecondLine(options, today).Line();
}

SecondLine MovingSecondLine::Line() const {
    const SecondEvents& events_by_tournament = model_->events_by_tournament;
    const chr::year_month_day today = model_->today;
    const auto& tournaments = SecondTournaments();

    SecondLine line;
    line.home_page = std::string(kSecondPageHead) +
                     "<h1>Lines</h1>\r\n<p><a href=\"decimal.asp?\">Decimal odds</a></p>\r\n"
                     "</body>\r\n</html>\r\n";
    std::string& list = line.list_page;
    list = std::string(kSecondPageHead) + "<table class=leagues>\r\n";
    for (const SecondTournament& t : tournaments) {
        list += "<tr><td><a href=\"" + std::string(t.link) + "\" class=lg>" + t.name +
                "</a></td></tr>\r\n";
    }
    list += "</table>\r\n</body>\r\n</html>\r\n";

    // Rows are published in the order the reader reads the pages: the soccer and baseball
    // tournaments in list order, then the tennis ones.
    std::vector<std::vector<OddsRecord>> rows_by_tournament(tournaments.size());
    SecondPageWriter writer;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        const SecondTournament& tournament = tournaments[t];
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
        for (const SecondEvent& event : events_by_tournament[t]) {
            const DrawnEvent& drawn = event.drawn;
            const chr::year_month_day date{chr::sys_days{today} + chr::days{drawn.day_offset}};
            const SecondKickoff& kickoff = kickoffs[drawn.kickoff];
            const std::string time_text = event.to_be_announced ? "TBA" : kickoff.text;
            std::string home = tournament.teams[drawn.home];
            std::string guest = tournament.teams[drawn.guest];
            if (event.hyphenated) home = "Jo-Wilfried Tsonga";
            OddsRecord row;
            if (tennis) {
                writer.TennisEvent(page, SecondDate(date), time_text, home, guest, event.prices,
                                   row);
            } else {
                writer.TeamEvent(page, soccer, SecondDate(date), time_text, home, guest,
                                 soccer ? "" : tournament.pitchers[drawn.home],
                                 soccer ? "" : tournament.pitchers[drawn.guest], event.bare_draw,
                                 event.prices, row);
            }
            if (!tournament.read || event.to_be_announced || event.bare_draw || event.hyphenated) {
                continue;
            }
            auto& rows = rows_by_tournament[t];
            row.sport_type_name = SportKey(tournament.sport);
            row.competition_name = competition;
            // The bookmaker's clock runs 10 hours behind the one its reader shows.
            row.sport_event_date =
                DateTime{MakeStart(date, kickoff.hour, kickoff.minute).ms + 10 * 3'600'000};
            row.team_h_name = ReplaceAll(home, "&nbsp;", " ");
            row.team_g_name = ReplaceAll(guest, "&nbsp;", " ");
            row.Key_ID = static_cast<int32_t>(rows.size()) + 1;
            rows.push_back(std::move(row));
        }
        page += "</table>\r\n</body>\r\n</html>\r\n";
        line.pages.push_back(
            SecondTournamentPage{SportKey(tournament.sport), tournament.league, std::move(page)});
    }
    for (bool tennis_pass : {false, true}) {
        for (size_t t = 0; t < tournaments.size(); ++t) {
            if ((tournaments[t].sport == SecondSport::kTennis) != tennis_pass) continue;
            for (OddsRecord& row : rows_by_tournament[t]) line.rows.push_back(std::move(row));
        }
    }
    return line;
}

std::vector<OddsRecord> PublishedFirstRows(const DemoOptions& options, chr::year_month_day today) {
    return BuildFirstLine(options, today).rows;
}

std::vector<OddsRecord> PublishedSecondRows(const DemoOptions& options, chr::year_month_day today) {
    return BuildSecondLine(options, today).rows;
}

}  // namespace lintaro::demo
