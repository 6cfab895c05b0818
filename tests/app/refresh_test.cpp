// A refresh never blocks the user: while the reader waits on a stalled server the window keeps
// painting and handling input, the refresh's actions are disabled, Esc cancels keeping the rows
// read so far, and closing the window cancels quietly. Broken servers end in the reader's message
// and a usable window.
#include <QAction>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "scripted_server.h"
#include "stalling_proxy.h"
#include "table/date_time.h"
#include "views/odds_grid_view.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::StallingProxy;

namespace {

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class RefreshTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    lintaro::demo::DemoOptions options_;
    std::unique_ptr<lintaro::demo::DemoServer> demo_;

    // Runs a refresh of the second bookmaker through a proxy that stalls after the root, the list
    // and the first tournament page. `during_stall` runs on a timer tick once the stall has lasted
    // `stall_ms`; what the ticks saw is returned in the out-parameters.
    void RefreshIntoStall(int stall_ms, const std::function<void()>& during_stall,
                          int& ticks_in_stall, int& paints_in_stall, bool& actions_disabled) {
        StallingProxy proxy(demo_->FirstPort(), 3);
        window_->FHTTP().first_host = proxy.HostPort();
        window_->FHTTP().second_host = proxy.HostPort();
        window_->ctl_BKCombo()->setCurrentIndex(1);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));

        PaintCounter counter;
        QWidget* viewport = window_->ctl_DataGrid()->TreeView()->viewport();
        viewport->installEventFilter(&counter);
        QElapsedTimer stall_clock;
        bool acted = false;
        ticks_in_stall = 0;
        actions_disabled = true;
        int paints_at_stall = -1;
        QTimer ticker;
        ticker.setInterval(40);
        connect(&ticker, &QTimer::timeout, this, [&] {
            viewport->update();
            if (proxy.Held() == 0) return;
            if (!stall_clock.isValid()) {
                stall_clock.start();
                paints_at_stall = counter.paints;
            }
            ++ticks_in_stall;
            for (const char* name :
                 {"actRefresh", "actDelete", "actShowDopInfo", "actFullExpand", "actFullCollaps"}) {
                actions_disabled = actions_disabled && !window_->Action(name)->isEnabled();
            }
            if (!acted && stall_clock.elapsed() >= stall_ms) {
                acted = true;
                paints_in_stall = counter.paints - paints_at_stall;
                during_stall();
            }
        });
        ticker.start();
        QTimer watchdog;  // a stuck refresh ends the test instead of hanging it
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, window_.get(), &TfrmMain::CancelRefresh);
        watchdog.start(20000);
        window_->RefreshWithoutQuestion();
        ticker.stop();
        viewport->removeEventFilter(&counter);
        QVERIFY(acted);
    }

  private slots:
    void init() {
        options_ = {};
        options_.today = lintaro::demo::ToYearMonthDay(lintaro::LocalToday());
        demo_ = std::make_unique<lintaro::demo::DemoServer>(options_);
        demo_->Start();
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        demo_.reset();
    }

    void EscCancelsKeepingTheRowsWhileTheWindowStaysAlive() {
        int ticks = 0, paints = 0;
        bool disabled = false;
        RefreshIntoStall(
            700, [&] { QTest::keyClick(window_.get(), Qt::Key_Escape); }, ticks, paints, disabled);
        // The window handled its timers and repainted during the stall.
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
        QVERIFY2(paints >= 2, qPrintable(QString::number(paints)));
        QVERIFY(disabled);
        // Cancelled: the first tournament's rows stay, no box, everything enabled again.
        const int rows = window_->cds_Data().RowCount();
        QVERIFY(rows > 0);
        QVERIFY(rows < int(lintaro::demo::PublishedSecondRows(options_, *options_.today).size()));
        QVERIFY2(dialogs_->boxes.isEmpty(), qPrintable(dialogs_->boxes.value(0).text));
        QVERIFY(!window_->IsRefreshing());
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QVERIFY(!window_->Action("actCancelRefresh")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(window_->isVisible());
        // Collapsed as after every refresh.
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        QVERIFY(tree->model()->rowCount() > 0);
        QVERIFY(!tree->isExpanded(tree->model()->index(0, 0)));
    }

    void ClosingTheWindowCancelsQuietly() {
        int ticks = 0, paints = 0;
        bool disabled = false;
        RefreshIntoStall(
            300, [&] { window_->close(); }, ticks, paints, disabled);
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(!window_->isVisible());
        QVERIFY(!window_->IsRefreshing());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void BrokenServersEndInTheReadersMessageAndAUsableWindow_data() {
        using lintaro::testing_util::ScriptedAfter;
        using lintaro::testing_util::ScriptedExchange;
        QTest::addColumn<int>("kind");
        QTest::newRow("reset") << 0;
        QTest::newRow("garbage") << 1;
        QTest::newRow("closed without an answer") << 2;
    }
    void BrokenServersEndInTheReadersMessageAndAUsableWindow() {
        using namespace lintaro::testing_util;
        QFETCH(int, kind);
        ScriptedExchange exchange =
            kind == 0   ? Reply("", ScriptedAfter::kReset)
            : kind == 1 ? Reply(std::string("\x01\x02\xff garbage\r\n\r\n\x80\x81", 18),
                                ScriptedAfter::kClose)
                        : Reply("", ScriptedAfter::kClose);
        ScriptedServer server({{exchange}});
        server.SetDefaultExchange(exchange);
        window_->FHTTP().first_host = server.HostPort();
        window_->RefreshWithoutQuestion();
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text,
                 QStringLiteral("Не удалось получить страницу со списком турниров."));
        QVERIFY(window_->cds_Data().IsOpen());
        QVERIFY(!window_->IsRefreshing());
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(RefreshTest)
#include "refresh_test.moc"
