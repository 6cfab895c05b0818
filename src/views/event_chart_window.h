// An event's chart: a window with the event's prices over time as the history recorded them, one
// market at a time (the match result first), each bookmaker's series in a comparison. Two tabs
// show the same data: "График" draws it (read times in local time; a handicap or total line as
// steps on an axis of its own), "Таблица" lists it for a screen reader and the keyboard, and the
// window's accessible description sums the movement up ("Исход — 1: с 2.10 до 1.95 за 3 ч").
//
//   EventChart chart{"Спартак М — Динамо К", {{"Марафон", points}}};
//   ShowEventChart(main_window, std::move(chart));  // non-modal, deleted when closed
//
// Drawing tells series apart by more than colour: each outcome has its marker (circle, square,
// triangle), the second bookmaker's lines are dashed, and lines of handicaps and totals are
// dotted. Hovering a point, or moving over the points with the arrows once the chart has the
// keyboard (Left/Right along a series, Up/Down between series, Home/End), shows its value and read
// time beside it and in the line under the chart. Without a history to show (none recorded, the
// switch off, the event never read, a file that cannot be read) the window says so instead of
// showing an empty chart. Esc closes it.
#pragma once

#include <QDialog>
#include <QPointF>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "views/event_chart_data.h"

class QComboBox;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QTableWidget;
class QChart;
class QChartView;

namespace lintaro::views {

class ChartPointsView;

// Why there is no history to show, when there is none.
enum class HistoryTrouble {
    kNone,         // the history was read: the sides hold what it has of the event
    kNoHistory,    // no history file yet
    kSwitchedOff,  // keeping the history is switched off and there is no file
    kUnreadable,   // the file could not be read; EventChart::detail says why
};

// What the window is opened with.
struct EventChart {
    QString event;  // the teams as the grid names them: "Спартак М — Динамо К"
    std::vector<ChartSide> sides;  // one per bookmaker (two in a comparison)
    HistoryTrouble trouble = HistoryTrouble::kNone;
    QString detail;                  // the reader's message for kUnreadable
    std::string decimal_mark = ".";  // as the grid shows numbers
};

class EventChartWindow : public QDialog {
    Q_OBJECT
  public:
    explicit EventChartWindow(EventChart chart, QWidget* parent = nullptr);
    ~EventChartWindow() override;

    // Shows `market`'s series and rows (the market selector follows).
    void SetMarket(ChartMarket market);
    ChartMarket Market() const { return market_; }
    const ChartData& Data() const { return data_; }
    // The movement in one sentence (the window's accessible description, and the line above the
    // tabs); the message instead while there is nothing to show.
    QString Summary() const;
    // Why no chart is shown; empty while one is.
    QString Message() const { return message_; }
    // Shows point `index` of series `series` (indices into Data().series) as hovered or focused;
    // false, and nothing changes, for no such point.
    bool ShowPoint(int series, int index);
    // The shown point's text ("Марафон: 1 — 1.95, чтение 10.12.2026 12:42:05"); empty for none.
    QString PointText() const;

    // Parts, for tests and accessibility checks.
    QComboBox* MarketBox() const { return market_box_; }
    QTabWidget* Tabs() const { return tabs_; }
    QChart* Chart() const;
    QChartView* ChartView() const;
    QTableWidget* Table() const { return table_; }
    QLabel* MessageLabel() const { return message_label_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    struct Drawn;

    void Rebuild();
    void FillChart();
    void FillTable();
    // The arrows, Home and End on the chart: true when the key moved (or kept) the point shown.
    bool MoveByKey(int key);
    // The pointer at `at` (the chart view's coordinates): shows the nearest point within reach.
    void PointAt(QPointF at);

    EventChart chart_;
    ChartMarket market_ = ChartMarket::kMatchResult;
    ChartData data_;
    QString message_;
    QComboBox* market_box_ = nullptr;
    QLabel* summary_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    ChartPointsView* view_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* point_ = nullptr;
    QLabel* message_label_ = nullptr;
    std::unique_ptr<Drawn> drawn_;
};

// Opens the chart window of `chart` over `parent` (deleted when closed) and returns it.
EventChartWindow* ShowEventChart(QWidget* parent, EventChart chart);

}  // namespace lintaro::views
