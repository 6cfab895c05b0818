// What an event's chart window shows, worked out without a widget: from each bookmaker's reads of
// the event (live/event_history.h) and the market chosen, the series to draw (one per outcome and
// bookmaker, and one per handicap or total line), the rows of the table that says the same to a
// screen reader, and a sentence that sums the movement up ("1: с 2.10 до 1.95 за 3 ч").
//
//   const ChartData data = BuildChartData(sides, ChartMarket::kHandicap, ".");
//   data.series[0].points;  // Ф1's prices, read times in local time
//   data.summary;           // "Фора — Ф1: с 1.85 (-1.5) до 2.10 (-1) за 2 ч; ..."
//
// Read times are recorded with the offset of the clock that read them; everything here is in the
// local time of the machine that shows the chart. A read whose time cannot be parsed is left out.
// A price that is not quoted at a read (null, or at most 1.0) is left out of its series and shows
// as "—" in the table.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "live/event_history.h"

namespace lintaro::views {

// The markets the window offers, one shown at a time.
enum class ChartMarket { kMatchResult, kDoubleChance, kHandicap, kTotal };
inline constexpr ChartMarket kChartMarkets[] = {ChartMarket::kMatchResult,
                                                ChartMarket::kDoubleChance, ChartMarket::kHandicap,
                                                ChartMarket::kTotal};
// "Исход", "Двойной шанс", "Фора", "Тотал".
QString ChartMarketName(ChartMarket market);

// One bookmaker's reads of the event, oldest first.
struct ChartSide {
    QString bookmaker;  // "Марафон"; named in the series only when more than one side is shown
    std::vector<live::HistoryPoint> points;
};

// A point of a series: a price (or a line) at one read.
struct ChartPoint {
    QDateTime time;              // the read's time, local
    double value = 0.0;          // the price, or the line of a line series
    std::optional<double> line;  // a handicap or total price: the line it was quoted at
};

// One series: an outcome's prices at one bookmaker, or the steps of a handicap or total line.
struct ChartSeriesData {
    QString name;  // "1", "Марафон: Ф1", "Линия Ф1", "Пинакл: линия тотала"
    QString outcome;        // the outcome's caption as the grid writes it: "1", "Ф1", "TM"
    int side = 0;           // index of the bookmaker in the sides given
    int outcome_index = 0;  // the outcome's place in its market (its colour and marker)
    bool is_line = false;   // a line (drawn as steps on an axis of its own), not a price
    std::vector<ChartPoint> points;  // oldest first
};

// What the window shows for one market.
struct ChartData {
    std::vector<ChartSeriesData> series;  // prices first, then lines
    QStringList columns;  // the table's captions: "Время чтения", ["Контора",] then the market's
    std::vector<QStringList> rows;  // one per read of any side, in time order, as `columns`
    QString summary;                // the movement of each price series in one sentence
    bool any_price = false;         // some read quoted a price of the market
};

// The series, table and summary of `market` over `sides`; `decimal_mark` as the grid shows
// numbers. Never throws.
ChartData BuildChartData(const std::vector<ChartSide>& sides, ChartMarket market,
                         const std::string& decimal_mark);

// The read time as recorded ("2026-12-10T10:42:05+03:00", fractions of a second allowed) in local
// time; an invalid QDateTime when the text is no such time.
QDateTime LocalReadTime(const std::string& recorded);

// A point's value as the window writes it: "1.95", a handicap's price with its line "1.85 (-1.5)",
// a line "-1.5".
QString ChartPointValue(const ChartPoint& point, bool is_line, const std::string& decimal_mark);

// A span as the summary says it: "45 с", "12 мин", "3 ч", "2 ч 15 мин", "1 дн 4 ч".
QString SpanText(qint64 seconds);

}  // namespace lintaro::views
