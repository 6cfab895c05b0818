// The chart's data: each market's outcomes and lines as table fields, the series and rows built
// from the recorded reads, and the summary of the movement.
#include "views/event_chart_data.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "table/odds_display.h"

namespace lintaro::views {
namespace {

// An outcome of a market: the field of its price and, for a handicap or total, of its line.
struct Outcome {
    const char* caption;      // as the grid's column
    const char* price_field;  // kOddsFields name
    const char* line_field;   // nullptr for a market without lines
};

// A line of a market, drawn as steps: its field and how the window names it.
struct MarketLine {
    const char* field;
    const char* caption;  // the table's column and the series' name
};

struct MarketDef {
    std::vector<Outcome> outcomes;
    std::vector<MarketLine> lines;
};

const MarketDef& Definition(ChartMarket market) {
    // "X" and "TM" are Latin, "ТБ" Cyrillic, as the grid's captions are.
    static const MarketDef kMatchResult{
        {{"1", "P1", nullptr}, {"X", "X", nullptr}, {"2", "P2", nullptr}}, {}};
    static const MarketDef kDoubleChance{
        {{"X1", "PX1", nullptr}, {"12", "P12", nullptr}, {"2X", "P2X", nullptr}}, {}};
    static const MarketDef kHandicap{{{"Ф1", "F1", "VF1"}, {"Ф2", "F2", "VF2"}},
                                     {{"VF1", "Линия Ф1"}, {"VF2", "Линия Ф2"}}};
    static const MarketDef kTotal{{{"TM", "TM", "VT"}, {"ТБ", "TB", "VT"}},
                                  {{"VT", "Линия тотала"}}};
    switch (market) {
        case ChartMarket::kMatchResult:
            return kMatchResult;
        case ChartMarket::kDoubleChance:
            return kDoubleChance;
        case ChartMarket::kHandicap:
            return kHandicap;
        case ChartMarket::kTotal:
            return kTotal;
    }
    return kMatchResult;
}

std::optional<table::Decimal> DecimalField(const table::OddsRecord& row, const char* name) {
    const table::StoredValue value = table::GetField(row, table::FieldIndex(name));
    if (const auto* decimal = std::get_if<table::Decimal>(&value)) return *decimal;
    return std::nullopt;
}

// A quoted price of `row`; none for a null or a price of at most 1.0 (an outcome not offered).
std::optional<table::Decimal> Price(const table::OddsRecord& row, const char* name) {
    const std::optional<table::Decimal> price = DecimalField(row, name);
    return table::IsQuotedPrice(price) ? price : std::nullopt;
}

QString PriceText(table::Decimal price, const std::string& mark) {
    return QString::fromStdString(table::FormatDecimal(price, table::DecimalFormat::kPrice, mark));
}

QString LineText(table::Decimal line, const std::string& mark) {
    return QString::fromStdString(table::FormatDecimal(line, table::DecimalFormat::kValue, mark));
}

}  // namespace

QString ChartPointValue(const ChartPoint& point, bool is_line, const std::string& mark) {
    const std::optional<table::Decimal> value = table::DecimalFromDouble(point.value);
    if (!value) return {};
    if (is_line) return LineText(*value, mark);
    QString text = PriceText(*value, mark);
    if (point.line) {
        if (const std::optional<table::Decimal> line = table::DecimalFromDouble(*point.line)) {
            text += QStringLiteral(" (") + LineText(*line, mark) + QLatin1Char(')');
        }
    }
    return text;
}

namespace {

// "1: с 2.10 до 1.95 за 3 ч" for one price series.
QString SeriesMovement(const ChartSeriesData& series, bool name_side, const QString& bookmaker,
                       const std::string& mark) {
    const QString name =
        (name_side ? bookmaker + QStringLiteral(", ") : QString()) + series.outcome;
    const ChartPoint& first = series.points.front();
    const ChartPoint& last = series.points.back();
    if (series.points.size() == 1) {
        return name + QStringLiteral(": ") + ChartPointValue(first, false, mark) +
               QStringLiteral(", одно чтение");
    }
    const QString span = SpanText(first.time.secsTo(last.time));
    const QString from = ChartPointValue(first, false, mark);
    const QString to = ChartPointValue(last, false, mark);
    if (from == to) {
        return name + QStringLiteral(": ") + from + QStringLiteral(" без изменений за ") + span;
    }
    return name + QStringLiteral(": с ") + from + QStringLiteral(" до ") + to +
           QStringLiteral(" за ") + span;
}

}  // namespace

QString ChartMarketName(ChartMarket market) {
    switch (market) {
        case ChartMarket::kMatchResult:
            return QStringLiteral("Исход");
        case ChartMarket::kDoubleChance:
            return QStringLiteral("Двойной шанс");
        case ChartMarket::kHandicap:
            return QStringLiteral("Фора");
        case ChartMarket::kTotal:
            return QStringLiteral("Тотал");
    }
    return {};
}

QDateTime LocalReadTime(const std::string& recorded) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(recorded), Qt::ISODateWithMs);
    if (!time.isValid()) return {};
    return time.toLocalTime();
}

QString SpanText(qint64 seconds) {
    seconds = std::max<qint64>(seconds, 0);
    if (seconds < 60) return QString::number(seconds) + QStringLiteral(" с");
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60) return QString::number(minutes) + QStringLiteral(" мин");
    const qint64 hours = minutes / 60;
    if (hours < 24) {
        QString text = QString::number(hours) + QStringLiteral(" ч");
        if (minutes % 60 != 0)
            text += QLatin1Char(' ') + QString::number(minutes % 60) + QStringLiteral(" мин");
        return text;
    }
    QString text = QString::number(hours / 24) + QStringLiteral(" дн");
    if (hours % 24 != 0)
        text += QLatin1Char(' ') + QString::number(hours % 24) + QStringLiteral(" ч");
    return text;
}

ChartData BuildChartData(const std::vector<ChartSide>& sides, ChartMarket market,
                         const std::string& decimal_mark) {
    const MarketDef& def = Definition(market);
    const bool name_side = sides.size() > 1;
    ChartData data;

    // The reads in time order across the sides (a side's own order breaks ties).
    struct Read {
        QDateTime time;
        int side;
        const table::OddsRecord* row;
    };
    std::vector<Read> reads;
    for (size_t side = 0; side < sides.size(); ++side) {
        for (const live::HistoryPoint& point : sides[side].points) {
            const QDateTime time = LocalReadTime(point.time);
            if (time.isValid()) reads.push_back({time, static_cast<int>(side), &point.row});
        }
    }
    std::stable_sort(reads.begin(), reads.end(),
                     [](const Read& a, const Read& b) { return a.time < b.time; });

    const auto prefixed = [&](int side, const QString& name) {
        return name_side ? sides[side].bookmaker + QStringLiteral(": ") + name : name;
    };
    for (size_t side = 0; side < sides.size(); ++side) {
        for (size_t o = 0; o < def.outcomes.size(); ++o) {
            const Outcome& outcome = def.outcomes[o];
            ChartSeriesData series;
            series.outcome = QString::fromUtf8(outcome.caption);
            series.name = prefixed(static_cast<int>(side), series.outcome);
            series.side = static_cast<int>(side);
            series.outcome_index = static_cast<int>(o);
            for (const Read& read : reads) {
                if (read.side != series.side) continue;
                const std::optional<table::Decimal> price = Price(*read.row, outcome.price_field);
                if (!price) continue;
                ChartPoint point{read.time, price->ToDouble(), std::nullopt};
                if (outcome.line_field) {
                    if (const auto line = DecimalField(*read.row, outcome.line_field)) {
                        point.line = line->ToDouble();
                    }
                }
                series.points.push_back(point);
            }
            data.any_price = data.any_price || !series.points.empty();
            data.series.push_back(std::move(series));
        }
    }
    for (size_t side = 0; side < sides.size(); ++side) {
        for (size_t l = 0; l < def.lines.size(); ++l) {
            const MarketLine& line = def.lines[l];
            ChartSeriesData series;
            series.outcome = QString::fromUtf8(line.caption);
            // Within a bookmaker's name the caption goes on in lower case: "Марафон: линия Ф1".
            series.name = name_side
                              ? prefixed(static_cast<int>(side),
                                         series.outcome.left(1).toLower() + series.outcome.mid(1))
                              : series.outcome;
            series.side = static_cast<int>(side);
            series.outcome_index = static_cast<int>(l);
            series.is_line = true;
            for (const Read& read : reads) {
                if (read.side != series.side) continue;
                if (const auto value = DecimalField(*read.row, line.field)) {
                    series.points.push_back({read.time, value->ToDouble(), std::nullopt});
                }
            }
            data.series.push_back(std::move(series));
        }
    }

    data.columns << QStringLiteral("Время чтения");
    if (name_side) data.columns << QStringLiteral("Контора");
    // The table keeps the grid's order: each line before the prices quoted at it.
    struct Column {
        const char* field;
        bool is_line;
    };
    std::vector<Column> columns;
    for (const Outcome& outcome : def.outcomes) {
        if (outcome.line_field &&
            std::none_of(columns.begin(), columns.end(), [&](const Column& c) {
                return c.is_line && std::string_view(c.field) == outcome.line_field;
            })) {
            for (const MarketLine& line : def.lines) {
                if (std::string_view(line.field) == outcome.line_field) {
                    data.columns << QString::fromUtf8(line.caption);
                }
            }
            columns.push_back({outcome.line_field, true});
        }
        data.columns << QString::fromUtf8(outcome.caption);
        columns.push_back({outcome.price_field, false});
    }
    const QString none = QStringLiteral("—");
    for (const Read& read : reads) {
        QStringList cells;
        cells << read.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        if (name_side) cells << sides[read.side].bookmaker;
        for (const Column& column : columns) {
            if (column.is_line) {
                const auto line = DecimalField(*read.row, column.field);
                cells << (line ? LineText(*line, decimal_mark) : none);
            } else {
                const auto price = Price(*read.row, column.field);
                cells << (price ? PriceText(*price, decimal_mark) : none);
            }
        }
        data.rows.push_back(cells);
    }

    QStringList movements;
    for (const ChartSeriesData& series : data.series) {
        if (series.is_line || series.points.empty()) continue;
        movements << SeriesMovement(series, name_side, sides[series.side].bookmaker, decimal_mark);
    }
    data.summary = movements.isEmpty()
                       ? ChartMarketName(market) + QStringLiteral(": цен в истории нет")
                       : ChartMarketName(market) + QStringLiteral(" — ") +
                             movements.join(QStringLiteral("; "));
    return data;
}

}  // namespace lintaro::views
