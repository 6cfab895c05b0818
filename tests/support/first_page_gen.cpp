// Writes first-bookmaker pages the way the bookmaker lays them out: a heading div per sport and
// tournament, then one line per event whose fixed-width price columns depend on the sport. Names
// are written in UTF-8 here and turned into Windows-1251 bytes once, when the tables are built.
#include "first_page_gen.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace lintaro {
namespace {

// Cyrillic letters, Ё and ё to Windows-1251; everything else in these tables is ASCII.
std::string ToCp1251(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            out += static_cast<char>(c);
            continue;
        }
        unsigned code = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        if (code >= 0x410 && code <= 0x44F) {
            out += static_cast<char>(0xC0 + (code - 0x410));
        } else if (code == 0x401) {
            out += '\xA8';
        } else if (code == 0x451) {
            out += '\xB8';
        } else {
            out += '?';
        }
    }
    return out;
}

std::vector<std::string> ToCp1251(std::initializer_list<std::string_view> items) {
    std::vector<std::string> out;
    for (std::string_view item : items) out.push_back(ToCp1251(item));
    return out;
}

// The column layouts of the event lines; each matches one of the reader's event patterns.
enum class Layout { kThreeWay, kTwoWay, kBasketball, kBaseball, kTennis, kOutright };

struct Sport {
    std::string name;  // as the page writes it in the heading
    Layout layout;
    int weight;  // share of the page's sections
    std::vector<std::string> tournaments;
    double total_base;  // typical total line of the sport
};

class Rng {
  public:
    explicit Rng(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(static_cast<int>(items.size()))];
    }

  private:
    uint32_t state_;
};

class PageWriter {
  public:
    explicit PageWriter(uint32_t seed) : rng_(seed) {
        clubs_ = ToCp1251(
            {"Спартак",    "ЦСКА",          "Зенит",     "Локомотив",    "Динамо",   "Рубин",
             "Ростов",     "Краснодар",     "Ахмат",     "Урал",         "Арсенал",  "Челси",
             "Ливерпуль",  "Тоттенхэм",     "Барселона", "Реал Мадрид",  "Бавария",  "Ювентус",
             "Милан",      "Интер",         "Аякс",      "Порту",        "Бенфика",  "Галатасарай",
             "Шахтёр",     "Салават Юлаев", "Ак Барс",   "Металлург Мг", "Авангард", "Северсталь",
             "Торпедо НН", "Нефтехимик",    "Трактор",   "Сибирь"});
        players_ = ToCp1251({"Медведев Д.", "Рублёв А.", "Хачанов К.", "Карацев А.", "Джокович Н.",
                             "Надаль Р.", "Алькарас К.", "Синнер Я.", "Циципас С.", "Зверев А.",
                             "Шаповалов Д.", "Федерер Р."});
        countries_ = ToCp1251({"Англия", "Испания", "Германия", "Италия", "Франция", "Россия",
                               "Португалия", "Нидерланды", "Турция", "Бельгия", "США"});
        sports_ = {
            {ToCp1251("Футбол"), Layout::kThreeWay, 34,
             ToCp1251({"Премьер-лига", "Примера", "Бундеслига", "Серия А", "Лига 1",
                       "Кубок. 1/8 финала", "Первая лига"}),
             2.5},
            {ToCp1251("Хоккей"), Layout::kThreeWay, 12,
             ToCp1251({"КХЛ", "НХЛ", "ВХЛ", "Чемпионат мира"}), 5.5},
            {ToCp1251("Гандбол"), Layout::kThreeWay, 5, ToCp1251({"Суперлига", "Лига чемпионов"}),
             55.5},
            {ToCp1251("Волейбол"), Layout::kTwoWay, 6, ToCp1251({"Суперлига", "Кубок ЕКВ"}), 180.5},
            {ToCp1251("Баскетбол"), Layout::kBasketball, 12,
             ToCp1251({"Единая лига ВТБ", "НБА", "Евролига"}), 165.5},
            {ToCp1251("Бейсбол"), Layout::kBaseball, 5, ToCp1251({"МЛБ", "Япония. НПБ"}), 8.5},
            {ToCp1251("Теннис"), Layout::kTennis, 14,
             ToCp1251({"ATP. Уимблдон", "ATP. Мастерс", "WTA. Открытый чемпионат"}), 22.5},
            // Sections the reader passes over: outrights, results and sports it does not know.
            {ToCp1251("Футбол"), Layout::kOutright, 4,
             ToCp1251({"Премьер-лига. Победитель", "Итоги сезона", "Пары финалистов"}), 0},
            {ToCp1251("Формула-1"), Layout::kOutright, 3,
             ToCp1251({"Гран-при Монако", "Чемпионат мира. Личный зачёт"}), 0},
            {ToCp1251("Шахматы"), Layout::kTwoWay, 2, ToCp1251({"Турнир претендентов"}), 40.5},
        };
        for (const Sport& sport : sports_) total_weight_ += sport.weight;
    }

    std::string Write(size_t target_bytes) {
        page_.reserve(target_bytes + 8192);
        page_ += "<html><head><title>" + ToCp1251("Марафон: линия") +
                 "</title></head><body>\r\n<div class=top><a href=/>" + ToCp1251("Главная") +
                 "</a> | <a href=/live>Live</a> | <a href=/results>" + ToCp1251("Результаты") +
                 "</a></div>\r\n";
        while (page_.size() < target_bytes) Section();
        page_ += "<div class=foot>&copy; 1997-2008 " + ToCp1251("Марафон") +
                 "</div>\r\n</body></html>\r\n";
        return std::move(page_);
    }

  private:
    const Sport& PickSport() {
        int roll = rng_.Below(total_weight_);
        for (const Sport& sport : sports_) {
            if (roll < sport.weight) return sport;
            roll -= sport.weight;
        }
        return sports_.front();
    }

    void Section() {
        const Sport& sport = PickSport();
        std::string tournament = rng_.Pick(sport.tournaments);
        if (sport.layout != Layout::kOutright && rng_.Below(3) > 0) {
            tournament = rng_.Pick(countries_) + ". " + tournament;
        }
        page_ += "<div class=cap>" + sport.name + ". " + tournament + "</div>\r\n";
        int events = 2 + rng_.Below(14);
        for (int i = 0; i < events; ++i) {
            if (sport.layout == Layout::kOutright) {
                Outright();
            } else {
                Event(sport);
            }
        }
    }

    // A price such as "1.85" or "12.50", within the bounds of a sane line.
    std::string Price(double low, double high) {
        double value = low + (high - low) * rng_.Below(10000) / 10000.0;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.2f", value);
        return buffer;
    }

    // A fixed-width column: the text right-aligned before one trailing blank; now and then a
    // column of blanks, as the page shows a price the bookmaker does not offer.
    std::string Column(const std::string& text, size_t width) {
        if (rng_.Below(40) == 0 || text.size() + 1 > width) return std::string(width, ' ');
        return std::string(width - 1 - text.size(), ' ') + text + " ";
    }

    std::string Team() {
        std::string name = rng_.Pick(clubs_);
        if (rng_.Below(5) == 0) name += " (" + rng_.Pick(countries_) + ")";
        return name;
    }

    std::string Handicap(const Sport& sport) {
        double line = 0.5 * rng_.Below(sport.total_base > 100 ? 24 : 6);
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "<b >-%.1f=>%s</b>+%.1f=>%s", line,
                      Price(1.6, 2.3).c_str(), line, Price(1.6, 2.3).c_str());
        return buffer;
    }

    std::string Total(const Sport& sport) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "<b >%.1f</b>", sport.total_base + rng_.Below(5) - 2);
        return buffer;
    }

    void Event(const Sport& sport) {
        char head[96];
        ++event_id_;
        std::snprintf(head, sizeof head, "%02d/%02d <b id=r%d>1) ", 1 + rng_.Below(28),
                      1 + rng_.Below(12), event_id_);
        std::string home = sport.layout == Layout::kTennis ? rng_.Pick(players_) : Team();
        std::string guest = sport.layout == Layout::kTennis ? rng_.Pick(players_) : Team();
        std::string line = head + home + "</b> <b >" + Price(1.2, 6) + "</b>";
        switch (sport.layout) {
            case Layout::kThreeWay:
                line += Column(Price(2.5, 5), 7) + Column(Price(1.2, 9), 7) + "<b >" +
                        Price(1.05, 2) + "</b>" + Column(Price(1.05, 2), 7) +
                        Column(Price(1.05, 3), 7) + Handicap(sport) + Total(sport) +
                        Column(Price(1.6, 2.3), 6) + Column(Price(1.6, 2.3), 5);
                break;
            case Layout::kTwoWay:
                line += "  " + Price(1.2, 6) + " " + Handicap(sport) + Total(sport) +
                        Column(Price(1.6, 2.3), 6) + Column(Price(1.6, 2.3), 6);
                break;
            case Layout::kBasketball:
                line += Column(Price(10, 25), 8) + Column(Price(1.2, 6), 9) + Handicap(sport) +
                        Total(sport) + Column(Price(1.6, 2.3), 6) + Column(Price(1.6, 2.3), 6);
                break;
            case Layout::kBaseball:
                line += "  " + Price(1.2, 6) + " " + Handicap(sport) + Total(sport) +
                        Column(Price(1.6, 2.3), 6) + Column(Price(1.6, 2.3), 6) + "<b >4.5</b>" +
                        Column(Price(1.6, 2.3), 7) + Column(Price(1.6, 2.3), 6) + "<b >-1.5</b>" +
                        Column(Price(1.6, 2.3), 7) + Column(Price(1.6, 2.3), 5);
                break;
            case Layout::kTennis:
                line += "  " + Price(1.2, 6) + " <b >2:0</b> " + Price(2, 4) + " " +
                        Handicap(sport) + Total(sport) + Column(Price(1.6, 2.3), 6) +
                        Column(Price(1.6, 2.3), 5);
                break;
            case Layout::kOutright:
                break;
        }
        char tail[160];
        std::snprintf(tail, sizeof tail, "%02d:%02d  <b id=r%d>2) ", rng_.Below(24),
                      5 * rng_.Below(12), event_id_ + 500000);
        line += tail + guest + "</b> ";
        // The event sheet: a link to the further markets, sometimes with a note.
        char sheet[160];
        std::snprintf(sheet, sizeof sheet, "<a href=/odds/event.shtml?id=%d class=more>+%d</a>",
                      event_id_, 10 + rng_.Below(150));
        line += sheet;
        if (rng_.Below(6) == 0) line += " <span class=note>" + ToCp1251("перенос") + "</span>";
        page_ += line + "\r\n";
    }

    void Outright() {
        ++event_id_;
        char line[128];
        std::snprintf(line, sizeof line, "<b id=r%d>", event_id_);
        page_ += line + Team() + "</b> " + Price(2, 60) + "<br>\r\n";
    }

    Rng rng_;
    std::vector<std::string> clubs_, players_, countries_;
    std::vector<Sport> sports_;
    int total_weight_ = 0;
    int event_id_ = 100000;
    std::string page_;
};

}  // namespace

std::string GenerateFirstBookmakerPage(size_t target_bytes, uint32_t seed) {
    return PageWriter(seed).Write(target_bytes);
}

int EventPatternForSection(std::string_view sport, std::string_view tournament) {
    // Lower case of Windows-1251 letters: ASCII, А-Я and Ё.
    auto lower = [](std::string_view text) {
        std::string out(text);
        for (char& c : out) {
            unsigned char u = static_cast<unsigned char>(c);
            if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) c = static_cast<char>(u + 32);
            if (u == 0xA8) c = '\xB8';
        }
        return out;
    };
    static const std::vector<std::string> kSkipWords = ToCp1251({"итоги", "пары", "победитель"});
    static const std::vector<std::pair<std::string, int>> kSports = {
        {ToCp1251("футбол"), 1},   {ToCp1251("хоккей"), 1},    {ToCp1251("гандбол"), 1},
        {ToCp1251("волейбол"), 2}, {ToCp1251("баскетбол"), 3}, {ToCp1251("бейсбол"), 4},
        {ToCp1251("теннис"), 5}};
    std::string name = lower(tournament);
    for (const std::string& word : kSkipWords) {
        if (name.find(word) != std::string::npos) return 0;
    }
    std::string key = lower(sport);
    size_t first = key.find_first_not_of(" \t\r\n");
    size_t last = key.find_last_not_of(" \t\r\n");
    key = first == std::string::npos ? "" : key.substr(first, last - first + 1);
    for (const auto& [sport_name, pattern] : kSports) {
        if (key == sport_name) return pattern;
    }
    return 0;
}

}  // namespace lintaro
