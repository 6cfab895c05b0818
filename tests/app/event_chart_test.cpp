// The main window's chart of an event: Ctrl+G and the popup menu's "График" open the current
// event's prices from the history of reads (each bookmaker's in a comparison); without a history,
// or with a file that is no database, the window says so; a group row opens nothing.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/command_line.h"
#include "app/main_window.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "live/read_recorder.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "views/event_chart_window.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::table::Decimal;
using lintaro::table::FieldValue;
using lintaro::table::OddsRecord;
namespace views = lintaro::views;

namespace {

std::vector<FieldValue> Row(const char* home, int key) {
    std::vector<FieldValue> values;
    values.emplace_back(lintaro::table::Utf8ToCp1251("футбол"));
    values.emplace_back(lintaro::table::Utf8ToCp1251("Лига"));
    values.emplace_back(45000.75);
    values.emplace_back(lintaro::table::Utf8ToCp1251(home));
    values.emplace_back(std::string("Guest"));
    for (int price = 0; price < 13; ++price) values.push_back(1.5 + price);
    values.push_back(int32_t(key));
    return values;
}

QModelIndex EventIndex(QAbstractItemModel* model, int table_row, const QModelIndex& parent = {}) {
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex index = model->index(r, 0, parent);
        if (model->data(index, views::OddsGridModel::kTableRowRole).toInt() == table_row) {
            return index;
        }
        const QModelIndex found = EventIndex(model, table_row, index);
        if (found.isValid()) return found;
    }
    return {};
}

// Records `rows` as one successful read of `bookmaker` at `time`.
void Record(const QString& path, const char* bookmaker, const char* time,
            const std::vector<OddsRecord>& rows) {
    lintaro::live::ReadRecorder recorder(path.toStdString());
    recorder.Append({time, bookmaker, "127.0.0.1", "ok", ""}, rows);
}

}  // namespace

class EventChartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    std::unique_ptr<QTemporaryDir> data_;
    QByteArray data_home_before_;

    QString HistoryFile() const {
        QDir(data_->path()).mkpath(QStringLiteral("lintaro"));
        return views::HistoryPath();
    }
    QList<views::EventChartWindow*> Charts() const {
        return window_->findChildren<views::EventChartWindow*>();
    }
    void CloseCharts() {
        for (views::EventChartWindow* chart : Charts()) chart->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QAction* PopupItem() const {
        return window_->findChild<QAction*>(QStringLiteral("actEventChart"));
    }

  private slots:
    void init() {
        // The history goes to a folder of the test's own, never the user's.
        data_ = std::make_unique<QTemporaryDir>();
        data_home_before_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data_->path().toUtf8());
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        if (data_home_before_.isEmpty()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", data_home_before_);
        }
        data_.reset();
    }

    void CtrlGOpensTheCurrentEventsChart() {
        window_->cds_Data().ResetTable();
        window_->cds_Data().InsertRow(Row("Спартак", 1));
        window_->cds_Data().InsertRow(Row("Динамо", 2));
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->ctl_DataGrid()->ExpandAllGroups();
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        tree->setCurrentIndex(EventIndex(tree->model(), 0));
        tree->setFocus();
        QMenu* popup = window_->PopupMenu();

        // No history yet: the popup menu stays as it was; the key says why there is no chart.
        emit popup->aboutToShow();
        QVERIFY(!PopupItem()->isVisible());
        QCOMPARE(PopupItem()->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(Charts().size(), 1);
        QVERIFY2(Charts()[0]->Message().contains(QStringLiteral("Истории цен ещё нет")),
                 qPrintable(Charts()[0]->Message()));
        QCOMPARE(Charts()[0]->windowTitle(), QStringLiteral("График: Спартак — Guest"));
        CloseCharts();
        // The switch off and no file: the window says how to have one.
        QVERIFY(views::WriteUserSetting(QStringLiteral("history/keep"), false));
        const auto keep =
            qScopeGuard([] { views::WriteUserSetting(QStringLiteral("history/keep"), true); });
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(Charts().size(), 1);
        QVERIFY2(Charts()[0]->Message().contains(QStringLiteral("выключено «Хранить историю»")),
                 qPrintable(Charts()[0]->Message()));
        CloseCharts();
        views::WriteUserSetting(QStringLiteral("history/keep"), true);

        // Two reads of the first event, its home win shortening; the second event once.
        const QString path = HistoryFile();
        OddsRecord first = window_->cds_Data().Rows()[0];
        const OddsRecord second = window_->cds_Data().Rows()[1];
        first.P1 = Decimal{21000};
        Record(path, "first", "2026-12-10T10:00:00+03:00", {first, second});
        first.P1 = Decimal{19500};
        Record(path, "first", "2026-12-10T13:00:00+03:00", {first});
        emit popup->aboutToShow();
        QVERIFY(PopupItem()->isVisible());
        PopupItem()->trigger();
        QCOMPARE(Charts().size(), 1);
        const views::EventChartWindow* chart = Charts()[0];
        QVERIFY(chart->Message().isEmpty());
        QCOMPARE(chart->Data().series.size(), 3u);
        const std::vector<views::ChartPoint>& home = chart->Data().series[0].points;
        QCOMPARE(home.size(), 2u);
        QCOMPARE(home[0].value, 2.1);
        QCOMPARE(home[1].value, 1.95);
        QVERIFY2(chart->Summary().startsWith(QStringLiteral("Исход — 1: с 2.10 до 1.95 за 3 ч")),
                 qPrintable(chart->Summary()));
        CloseCharts();

        // A file that is no database: the message, and the window goes on.
        QFile::remove(path);
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(Charts().size(), 1);
        QVERIFY2(
            Charts()[0]->Message().startsWith(QStringLiteral("Историю цен не удалось прочитать: ")),
            qPrintable(Charts()[0]->Message()));
        CloseCharts();

        // A group row is no event: nothing opens.
        tree->setCurrentIndex(tree->model()->index(0, 0));
        QVERIFY(!window_->ctl_DataGrid()->HasCurrentEvent());
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(Charts().isEmpty());
        emit popup->aboutToShow();
        QVERIFY(!PopupItem()->isVisible());
    }

    // "Обе конторы": a matched event's chart has each bookmaker's reads of it, found under each
    // one's own words and clock; an event of one bookmaker only has that one's.
    void AComparedEventShowsEachBookmaker() {
        lintaro::demo::DemoOptions options;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        options.events = 120;
        lintaro::demo::DemoServer demo(options);
        demo.Start();
        window_->SetFirstHost(demo.FirstHost());
        window_->SetSecondHost(demo.SecondHost());
        window_->ctl_BKCombo()->setCurrentIndex(lintaro::app::kBothBookmakers);
        window_->show();
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));

        // The history as a recorder of both lines writes it (the window may keep its own too).
        const QString path = HistoryFile();
        std::vector<OddsRecord> firsts;
        std::vector<OddsRecord> seconds;
        views::OddsGridView* grid = window_->ctl_DataGrid();
        grid->ExpandAllGroups();
        for (const lintaro::grid::NodeRef node : grid->Tree().PreOrder()) {
            if (!grid->Tree().IsEvent(node)) continue;
            grid->TreeView()->setCurrentIndex(grid->Model()->IndexOf(node, 1));
            if (const auto event = window_->CurrentComparedEvent()) {
                firsts.push_back(event->first);
                seconds.push_back(event->second);
            }
        }
        QVERIFY(!firsts.empty());
        Record(path, "first", "2026-12-10T10:00:00+03:00", firsts);
        Record(path, "second", "2026-12-10T09:00:00+02:00", seconds);

        bool matched = false;
        for (const lintaro::grid::NodeRef node : grid->Tree().PreOrder()) {
            if (!grid->Tree().IsEvent(node)) continue;
            grid->TreeView()->setCurrentIndex(grid->Model()->IndexOf(node, 1));
            const auto event = window_->CurrentComparedEvent();
            if (!event || matched) continue;
            matched = true;
            views::EventChartWindow* chart = window_->ShowEventChart();
            QVERIFY(chart);
            QVERIFY2(chart->Message().isEmpty(), qPrintable(chart->Message()));
            QStringList names;
            for (const views::ChartSeriesData& series : chart->Data().series) {
                if (!series.points.empty()) names << series.name;
            }
            QVERIFY2(names.contains(QStringLiteral("Марафон: 1")), qPrintable(names.join(',')));
            QVERIFY2(names.contains(QStringLiteral("Пинакл: 1")), qPrintable(names.join(',')));
            const views::ChartSeriesData& second_home = chart->Data().series[3];
            QCOMPARE(second_home.name, QStringLiteral("Пинакл: 1"));
            QVERIFY(!second_home.points.empty());
            QCOMPARE(second_home.points.back().value, event->second.P1->ToDouble());
            CloseCharts();
        }
        QVERIFY(matched);
    }
};

QTEST_MAIN(EventChartTest)
#include "event_chart_test.moc"
