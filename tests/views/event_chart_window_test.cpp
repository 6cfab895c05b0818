// The event chart window: its series and table hold exactly the reads given (prices, read times in
// local time, a line's steps), a comparison's two bookmakers, the summary a screen reader hears,
// the windows without a history, and the keyboard and pointer over the points.
#include "views/event_chart_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPointer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>

using lintaro::live::HistoryPoint;
using lintaro::table::Decimal;
using lintaro::table::OddsRecord;
using lintaro::views::ChartMarket;
using lintaro::views::ChartSide;
using lintaro::views::EventChart;
using lintaro::views::EventChartWindow;
using lintaro::views::HistoryTrouble;

namespace {

std::optional<Decimal> D(double value) { return Decimal{std::llround(value * 10000.0)}; }

// A read of the event: the match result, a handicap and a total.
HistoryPoint Read(const char* time, double p1, double x, double p2, double vf1 = -1.5,
                  double f1 = 1.9) {
    HistoryPoint point;
    point.time = time;
    point.row.P1 = D(p1);
    point.row.X = D(x);
    point.row.P2 = D(p2);
    point.row.VF1 = D(vf1);
    point.row.F1 = D(f1);
    point.row.VF2 = D(-vf1);
    point.row.F2 = D(1.9);
    point.row.VT = D(2.5);
    point.row.TM = D(1.8);
    point.row.TB = D(2.0);
    return point;
}

// Three reads over three hours, recorded on a clock at +03:00; the tests run at +05:00, so every
// read shows two hours later than recorded. The home win shortens, the draw stays, the away win is
// not quoted at the middle read, and the handicap's line moves at the last.
std::vector<HistoryPoint> MovingLine() {
    std::vector<HistoryPoint> points{
        Read("2026-12-10T10:00:00+03:00", 2.10, 3.40, 3.60),
        Read("2026-12-10T11:30:00.250+03:00", 2.00, 3.40, 1.0),
        Read("2026-12-10T13:00:00+03:00", 1.95, 3.40, 4.00, -1.0, 2.1)};
    points[1].row.P2.reset();
    return points;
}

qint64 Ms(const char* local) {
    return QDateTime::fromString(QString::fromLatin1(local), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

QLineSeries* SeriesNamed(QChart* chart, const QString& name) {
    for (QAbstractSeries* series : chart->series()) {
        if (series->name() == name) return qobject_cast<QLineSeries*>(series);
    }
    return nullptr;
}

QStringList Row(QTableWidget* table, int row) {
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column) {
        cells << table->item(row, column)->text();
    }
    return cells;
}

QStringList Captions(QTableWidget* table) {
    QStringList captions;
    for (int column = 0; column < table->columnCount(); ++column) {
        captions << table->horizontalHeaderItem(column)->text();
    }
    return captions;
}

EventChart OneBookmaker(std::vector<HistoryPoint> points) {
    EventChart chart;
    chart.event = QStringLiteral("Спартак М — Динамо К");
    chart.sides.push_back({QStringLiteral("Марафон"), std::move(points)});
    return chart;
}

}  // namespace

class EventChartWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void SeriesAndTableHoldTheReadsInLocalTime();
    void HandicapLineMovesInSteps();
    void ComparisonShowsEachBookmaker();
    void SummarySaysTheMovement_data();
    void SummarySaysTheMovement();
    void WithoutHistoryTheWindowSaysWhy_data();
    void WithoutHistoryTheWindowSaysWhy();
    void ArrowsAndPointerShowAPoint();
    void SeriesDifferBeyondColour();
    void EscapeCloses();
};

void EventChartWindowTest::SeriesAndTableHoldTheReadsInLocalTime() {
    EventChartWindow window(OneBookmaker(MovingLine()));
    QCOMPARE(window.Market(), ChartMarket::kMatchResult);
    QVERIFY(window.Message().isEmpty());
    QChart* chart = window.Chart();

    const QList<QPointF> home{{double(Ms("2026-12-10T12:00:00")), 2.10},
                              {double(Ms("2026-12-10T13:30:00.250")), 2.00},
                              {double(Ms("2026-12-10T15:00:00")), 1.95}};
    QCOMPARE(SeriesNamed(chart, "1")->points(), home);
    QCOMPARE(SeriesNamed(chart, "X")->points().size(), 3);
    // The away win was not quoted at the middle read: no point there.
    const QList<QPointF> away{{double(Ms("2026-12-10T12:00:00")), 3.60},
                              {double(Ms("2026-12-10T15:00:00")), 4.00}};
    QCOMPARE(SeriesNamed(chart, "2")->points(), away);
    QCOMPARE(chart->series().size(), 3);

    auto* axis = qobject_cast<QDateTimeAxis*>(chart->axes(Qt::Horizontal).value(0));
    QVERIFY(axis);
    QCOMPARE(axis->min().toMSecsSinceEpoch(), Ms("2026-12-10T12:00:00"));
    QCOMPARE(axis->max().toMSecsSinceEpoch(), Ms("2026-12-10T15:00:00"));

    QTableWidget* table = window.Table();
    QCOMPARE(Captions(table), QStringList({"Время чтения", "1", "X", "2"}));
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(Row(table, 0), QStringList({"10.12.2026 12:00:00", "2.10", "3.40", "3.60"}));
    QCOMPARE(Row(table, 1), QStringList({"10.12.2026 13:30:00", "2.00", "3.40", "—"}));
    QCOMPARE(Row(table, 2), QStringList({"10.12.2026 15:00:00", "1.95", "3.40", "4.00"}));
    QCOMPARE(table->item(1, 3)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("нет"));
}

void EventChartWindowTest::HandicapLineMovesInSteps() {
    EventChartWindow window(OneBookmaker(MovingLine()));
    window.SetMarket(ChartMarket::kHandicap);
    QCOMPARE(window.MarketBox()->currentText(), QStringLiteral("Фора"));
    QChart* chart = window.Chart();
    const double t0 = Ms("2026-12-10T12:00:00");
    const double t1 = Ms("2026-12-10T13:30:00.250");
    const double t2 = Ms("2026-12-10T15:00:00");
    QCOMPARE(SeriesNamed(chart, "Ф1")->points(), QList<QPointF>({{t0, 1.9}, {t1, 1.9}, {t2, 2.1}}));
    // The line holds until the read that moved it: a vertical step there.
    QCOMPARE(SeriesNamed(chart, "Линия Ф1")->points(),
             QList<QPointF>({{t0, -1.5}, {t1, -1.5}, {t1, -1.5}, {t2, -1.5}, {t2, -1.0}}));
    QCOMPARE(SeriesNamed(chart, "Линия Ф2")->points().last(), QPointF(t2, 1.0));
    // The line has its own axis on the right.
    QCOMPARE(SeriesNamed(chart, "Линия Ф1")->attachedAxes().size(), 2);
    QCOMPARE(chart->axes(Qt::Vertical).size(), 2);

    QTableWidget* table = window.Table();
    QCOMPARE(Captions(table), QStringList({"Время чтения", "Линия Ф1", "Ф1", "Линия Ф2", "Ф2"}));
    QCOMPARE(Row(table, 2), QStringList({"10.12.2026 15:00:00", "-1", "2.10", "1", "1.90"}));
    QVERIFY2(window.Summary().contains(QStringLiteral("Ф1: с 1.90 (-1.5) до 2.10 (-1) за 3 ч")),
             qPrintable(window.Summary()));

    window.SetMarket(ChartMarket::kTotal);
    QCOMPARE(Captions(window.Table()), QStringList({"Время чтения", "Линия тотала", "TM", "ТБ"}));
    QCOMPARE(SeriesNamed(window.Chart(), "Линия тотала")->points().size(), 5);
}

void EventChartWindowTest::ComparisonShowsEachBookmaker() {
    EventChart chart = OneBookmaker(MovingLine());
    chart.sides.push_back({QStringLiteral("Пинакл"),
                           {Read("2026-12-10T09:15:00+02:00", 2.20, 3.30, 3.50),
                            Read("2026-12-10T11:45:00+02:00", 2.05, 3.30, 3.70)}});
    EventChartWindow window(std::move(chart));
    QChart* qchart = window.Chart();
    QVERIFY(SeriesNamed(qchart, "Марафон: 1"));
    const QList<QPointF> second{{double(Ms("2026-12-10T12:15:00")), 2.20},
                                {double(Ms("2026-12-10T14:45:00")), 2.05}};
    QCOMPARE(SeriesNamed(qchart, "Пинакл: 1")->points(), second);
    QCOMPARE(qchart->series().size(), 6);

    // One table, the reads of both in time order.
    QTableWidget* table = window.Table();
    QCOMPARE(Captions(table), QStringList({"Время чтения", "Контора", "1", "X", "2"}));
    QStringList order;
    for (int row = 0; row < table->rowCount(); ++row) order << table->item(row, 1)->text();
    QCOMPARE(order, QStringList({"Марафон", "Пинакл", "Марафон", "Пинакл", "Марафон"}));
    QVERIFY2(window.Summary().contains(QStringLiteral("Пинакл, 1: с 2.20 до 2.05 за 2 ч 30 мин")),
             qPrintable(window.Summary()));
}

void EventChartWindowTest::SummarySaysTheMovement_data() {
    QTest::addColumn<QString>("decimal_mark");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QString>("summary");
    QTest::newRow("three reads") << "." << 3
                                 << "Исход — 1: с 2.10 до 1.95 за 3 ч; X: 3.40 без изменений за 3 "
                                    "ч; 2: с 3.60 до 4.00 за 3 ч";
    QTest::newRow("the grid's decimal comma")
        << "," << 3
        << "Исход — 1: с 2,10 до 1,95 за 3 ч; X: 3,40 без изменений за 3 ч; 2: с 3,60 до 4,00 за "
           "3 ч";
    QTest::newRow("one read") << "." << 1
                              << "Исход — 1: 2.10, одно чтение; X: 3.40, одно чтение; 2: 3.60, "
                                 "одно чтение";
    QTest::newRow("two reads") << "." << 2
                               << "Исход — 1: с 2.10 до 2.00 за 1 ч 30 мин; X: 3.40 без "
                                  "изменений за 1 ч 30 мин; 2: 3.60, одно чтение";
}

void EventChartWindowTest::SummarySaysTheMovement() {
    QFETCH(QString, decimal_mark);
    QFETCH(int, reads);
    QFETCH(QString, summary);
    std::vector<HistoryPoint> points = MovingLine();
    points.resize(reads);
    EventChart chart = OneBookmaker(std::move(points));
    chart.decimal_mark = decimal_mark.toStdString();
    EventChartWindow window(std::move(chart));
    QCOMPARE(window.Summary(), summary);
    QCOMPARE(window.accessibleDescription(), summary);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("summary"))->text(), summary);

    QCOMPARE(lintaro::views::SpanText(45), QStringLiteral("45 с"));
    QCOMPARE(lintaro::views::SpanText(12 * 60 + 10), QStringLiteral("12 мин"));
    QCOMPARE(lintaro::views::SpanText(28 * 3600), QStringLiteral("1 дн 4 ч"));
}

void EventChartWindowTest::WithoutHistoryTheWindowSaysWhy_data() {
    QTest::addColumn<int>("trouble");
    QTest::addColumn<bool>("has_reads");
    QTest::addColumn<QString>("says");
    QTest::newRow("no file") << int(HistoryTrouble::kNoHistory) << false << "Истории цен ещё нет";
    QTest::newRow("switched off") << int(HistoryTrouble::kSwitchedOff) << false
                                  << "выключено «Хранить историю»";
    QTest::newRow("event not recorded")
        << int(HistoryTrouble::kNone) << false << "В истории цен этого события нет";
    QTest::newRow("unreadable file")
        << int(HistoryTrouble::kUnreadable) << true
        << "Историю цен не удалось прочитать: history.sqlite: file is not a database";
}

void EventChartWindowTest::WithoutHistoryTheWindowSaysWhy() {
    QFETCH(int, trouble);
    QFETCH(bool, has_reads);
    QFETCH(QString, says);
    EventChart chart = OneBookmaker(has_reads ? MovingLine() : std::vector<HistoryPoint>{});
    chart.sides.push_back({QStringLiteral("Пинакл"), {}});
    chart.trouble = static_cast<HistoryTrouble>(trouble);
    chart.detail = QStringLiteral("history.sqlite: file is not a database");
    EventChartWindow window(std::move(chart));
    QVERIFY2(window.Message().contains(says), qPrintable(window.Message()));
    QCOMPARE(window.MessageLabel()->text(), window.Message());
    QCOMPARE(window.accessibleDescription(), window.Message());
    auto* pages = window.findChild<QStackedWidget*>();
    QCOMPARE(pages->currentWidget(), window.MessageLabel());
    QVERIFY(!window.MarketBox()->isEnabled());
    QVERIFY(window.Chart()->series().isEmpty());
}

void EventChartWindowTest::ArrowsAndPointerShowAPoint() {
    EventChartWindow window(OneBookmaker(MovingLine()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.Tabs()->tabText(0), QStringLiteral("&График"));
    QCOMPARE(window.Tabs()->tabText(1), QStringLiteral("&Таблица"));
    QVERIFY(window.PointText().isEmpty());

    // The keyboard on the chart starts at the first point.
    window.ChartView()->setFocus(Qt::TabFocusReason);
    QVERIFY(window.ChartView()->hasFocus());
    QCOMPARE(window.PointText(), QStringLiteral("1 — 2.10, чтение 10.12.2026 12:00:00"));
    QTest::keyClick(window.ChartView(), Qt::Key_Right);
    QCOMPARE(window.PointText(), QStringLiteral("1 — 2.00, чтение 10.12.2026 13:30:00"));
    QCOMPARE(window.ChartView()->accessibleDescription(), window.PointText());
    // Down to the away win at its read nearest in time (the middle read has no price; the last
    // is a quarter of a second nearer than the first).
    QTest::keyClick(window.ChartView(), Qt::Key_Down);
    QTest::keyClick(window.ChartView(), Qt::Key_Down);
    QCOMPARE(window.PointText(), QStringLiteral("2 — 4.00, чтение 10.12.2026 15:00:00"));
    QTest::keyClick(window.ChartView(), Qt::Key_Home);
    QCOMPARE(window.PointText(), QStringLiteral("2 — 3.60, чтение 10.12.2026 12:00:00"));
    QTest::keyClick(window.ChartView(), Qt::Key_Left);  // stays at the first
    QCOMPARE(window.PointText(), QStringLiteral("2 — 3.60, чтение 10.12.2026 12:00:00"));
    QTest::keyClick(window.ChartView(), Qt::Key_Down);  // the last series: stays
    QCOMPARE(window.PointText(), QStringLiteral("2 — 3.60, чтение 10.12.2026 12:00:00"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("point"))->text(), window.PointText());

    // The pointer over the home win's last point shows it.
    QChart* chart = window.Chart();
    QLineSeries* home = SeriesNamed(chart, "1");
    const QPointF at = chart->mapToPosition(home->points().last(), home);
    const QPoint in_view = window.ChartView()->mapFromScene(chart->mapToScene(at));
    QTest::mouseMove(window.ChartView()->viewport(), in_view + QPoint(3, -2));
    QCOMPARE(window.PointText(), QStringLiteral("1 — 1.95, чтение 10.12.2026 15:00:00"));

    QVERIFY(!window.ShowPoint(0, 3));
    QVERIFY(!window.ShowPoint(7, 0));
}

void EventChartWindowTest::SeriesDifferBeyondColour() {
    EventChart chart = OneBookmaker(MovingLine());
    chart.sides.push_back({QStringLiteral("Пинакл"), MovingLine()});
    EventChartWindow window(std::move(chart));
    QChart* qchart = window.Chart();
    QLineSeries* first = SeriesNamed(qchart, "Марафон: 1");
    QLineSeries* second = SeriesNamed(qchart, "Пинакл: 1");
    QLineSeries* draw = SeriesNamed(qchart, "Марафон: X");
    QVERIFY(first->pen().style() != second->pen().style());
    QVERIFY(!first->lightMarker().isNull());
    QVERIFY(first->lightMarker() != draw->lightMarker());

    window.SetMarket(ChartMarket::kHandicap);
    QLineSeries* line = SeriesNamed(window.Chart(), "Марафон: линия Ф1");
    QVERIFY(line);
    QVERIFY(line->pen().style() != SeriesNamed(window.Chart(), "Марафон: Ф1")->pen().style());
}

void EventChartWindowTest::EscapeCloses() {
    QPointer<EventChartWindow> window =
        lintaro::views::ShowEventChart(nullptr, OneBookmaker(MovingLine()));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("График: Спартак М — Динамо К"));
    QCOMPARE(window->MarketBox()->accessibleName(), QStringLiteral("Ставка"));
    QCOMPARE(window->Table()->accessibleName(), QStringLiteral("Таблица цен"));
    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(window.isNull());
}

int main(int argc, char** argv) {
    // Reads recorded at +03:00 show at +05:00 here.
    qputenv("TZ", "LNT-5");
    QApplication app(argc, argv);
    EventChartWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "event_chart_window_test.moc"
