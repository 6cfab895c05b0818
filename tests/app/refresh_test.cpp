// A refresh never blocks the user: the reader runs on a worker while the window keeps painting and
// handling its timers, the refresh's actions are disabled, Esc cancels keeping the rows read so
// far, and closing the window hides it at once and ends quietly. Stalling, trickling, flooding and
// broken servers end in the reader's message or the rows, and a usable window.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <iterator>
#include <memory>

#include "app/main_window.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "readers/first_bookmaker.h"
#include "scripted_server.h"
#include "stalling_proxy.h"
#include "table/date_time.h"
#include "views/cell_marks.h"
#include "views/find_bar.h"
#include "views/footer_bar.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::StallingProxy;
using lintaro::app::testing::WaitForRefresh;
using namespace lintaro::testing_util;

namespace {

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// What the window did while a refresh ran.
struct DuringRefresh {
    int ticks = 0;   // 5 ms timer ticks handled while the refresh ran
    int paints = 0;  // repaints of the grid in that time
    bool actions_disabled = true;
    bool acted = false;
};

// A server that sends the head at once, then `body` in 8 KB pieces every 60 ms, to every request.
ScriptedExchange Trickle(const std::string& body) {
    ScriptedExchange exchange;
    exchange.pieces.push_back({std::chrono::milliseconds(0),
                               "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\n\r\n"});
    for (size_t at = 0; at < body.size(); at += 8192) {
        exchange.pieces.push_back({std::chrono::milliseconds(60), body.substr(at, 8192)});
    }
    exchange.after = ScriptedAfter::kClose;
    return exchange;
}

// A redirect to `target` that sets `count` cookies on the way.
ScriptedExchange CookieFlood(int count, const std::string& target) {
    std::string head = "HTTP/1.0 302 Found\r\nLocation: " + target + "\r\n";
    for (int i = 0; i < count; ++i) {
        head += "Set-Cookie: c" + std::to_string(i) + "=" + std::to_string(i) + "; Path=/\r\n";
    }
    return Reply(head + "Content-Length: 0\r\n\r\n", ScriptedAfter::kClose);
}

}  // namespace

class RefreshTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    lintaro::demo::DemoOptions options_;
    std::unique_ptr<lintaro::demo::DemoServer> demo_;

    // Starts a refresh and runs the event loop until it ends. A 5 ms timer repaints the grid and
    // watches the window; once `ready()` holds and `act_after_ms` more have passed, `act` runs.
    DuringRefresh Run(const std::function<bool()>& ready, int act_after_ms,
                      const std::function<void()>& act) {
        window_->show();
        if (!QTest::qWaitForWindowExposed(window_.get())) return {};
        window_->activateWindow();
        QTest::qWaitForWindowActive(window_.get());

        DuringRefresh seen;
        PaintCounter counter;
        QWidget* viewport = window_->ctl_DataGrid()->TreeView()->viewport();
        viewport->installEventFilter(&counter);
        QElapsedTimer ready_clock;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (!window_->IsRefreshing()) return;
            viewport->update();
            ++seen.ticks;
            for (const char* name :
                 {"actRefresh", "actDelete", "actShowDopInfo", "actFullExpand", "actFullCollaps"}) {
                seen.actions_disabled =
                    seen.actions_disabled && !window_->Action(name)->isEnabled();
            }
            if (seen.acted || !act || !ready()) return;
            if (!ready_clock.isValid()) ready_clock.start();
            // Acts once the window has answered for a while: on a loaded machine the ticks come
            // less often, so the act waits for them rather than the checks below failing.
            if (ready_clock.elapsed() >= act_after_ms && seen.ticks >= 20) {
                seen.acted = true;
                act();
            }
        });
        ticker.start();
        window_->RefreshWithoutQuestion();
        const bool ended = WaitForRefresh(*window_, 30000);
        ticker.stop();
        seen.paints = counter.paints;
        viewport->removeEventFilter(&counter);
        if (!ended) {
            window_->CancelRefresh();
            WaitForRefresh(*window_);
            qWarning("the refresh did not end");
            return {};
        }
        return seen;
    }

    void ExpectUsableAfterwards() {
        QVERIFY(!window_->IsRefreshing());
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QVERIFY(!window_->Action("actCancelRefresh")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

  private slots:
    void init() {
        options_ = {};
        options_.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
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

    // A tournament list read through a proxy that stalls after the first tournament page.
    void EscDuringAStallKeepsTheRowsReadSoFar() {
        StallingProxy proxy(demo_->FirstPort(), 3);
        window_->SetFirstHost(proxy.HostPort());
        window_->SetSecondHost(proxy.HostPort());
        window_->ctl_BKCombo()->setCurrentIndex(1);
        const DuringRefresh seen = Run([&] { return proxy.Held() > 0; }, 300,
                                       [&] { QTest::keyClick(window_.get(), Qt::Key_Escape); });
        QVERIFY(seen.acted);
        QVERIFY2(seen.ticks >= 20, qPrintable(QString::number(seen.ticks)));
        QVERIFY2(seen.paints >= 2, qPrintable(QString::number(seen.paints)));
        QVERIFY(seen.actions_disabled);
        const int rows = window_->cds_Data().RowCount();
        QVERIFY(rows > 0);
        QVERIFY(rows < int(lintaro::demo::PublishedSecondRows(options_, *options_.today).size()));
        QVERIFY2(dialogs_->boxes.isEmpty(), qPrintable(dialogs_->boxes.value(0).text));
        ExpectUsableAfterwards();
        QVERIFY(window_->isVisible());
        // Collapsed as after every refresh.
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        QVERIFY(tree->model()->rowCount() > 0);
        QVERIFY(!tree->isExpanded(tree->model()->index(0, 0)));
    }

    // A menu opened during the refresh: the first Esc closes it and cancels the refresh.
    void EscWithAMenuOpenCancelsAtTheFirstPress() {
        StallingProxy proxy(demo_->FirstPort(), 3);
        window_->SetSecondHost(proxy.HostPort());
        window_->ctl_BKCombo()->setCurrentIndex(1);
        bool menu_was_open = false;
        const DuringRefresh seen = Run([&] { return proxy.Held() > 0; }, 100,
                                       [&] {
                                           QMenu* menu = window_->PopupMenu();
                                           menu->popup(window_->mapToGlobal(QPoint(50, 50)));
                                           menu_was_open = menu->isVisible();
                                           QTest::keyClick(menu, Qt::Key_Escape);
                                       });
        QVERIFY(seen.acted);
        QVERIFY(menu_was_open);
        QVERIFY(!window_->PopupMenu()->isVisible());
        QVERIFY(window_->cds_Data().RowCount() > 0);  // cancelled, keeping the rows read so far
        QVERIFY(dialogs_->boxes.isEmpty());
        ExpectUsableAfterwards();
    }

    // Closing hides the window at once, hands over nothing and ends quietly, whatever the server
    // is doing at that moment.
    void ClosingDuringATransferHidesAtOnceAndEndsQuietly_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("stall") << 0;
        QTest::newRow("trickle") << 1;
    }
    void ClosingDuringATransferHidesAtOnceAndEndsQuietly() {
        QFETCH(int, kind);
        StallingProxy proxy(demo_->FirstPort(), 3);
        ScriptedServer trickle({});
        trickle.SetDefaultExchange(
            Trickle(lintaro::demo::BuildFirstLine(options_, *options_.today).page));
        if (kind == 0) {
            window_->SetSecondHost(proxy.HostPort());
            window_->ctl_BKCombo()->setCurrentIndex(1);
        } else {
            window_->SetFirstHost(trickle.HostPort());
        }
        QSignalSpy closed(window_.get(), &TfrmMain::Closed);
        bool hidden_at_once = false;
        const DuringRefresh seen = Run(
            [&] { return kind == 0 ? proxy.Held() > 0 : trickle.AcceptedConnections() > 0; }, 100,
            [&] {
                window_->close();
                hidden_at_once = !window_->isVisible() && window_->IsRefreshing();
            });
        QVERIFY(seen.acted);
        QVERIFY(hidden_at_once);
        QCOMPARE(closed.count(), 1);
        QVERIFY(dialogs_->boxes.isEmpty());
        QCOMPARE(window_->cds_Data().RowCount(), 0);
        ExpectUsableAfterwards();
    }

    // A 1 MB page in 8 KB pieces every 60 ms: the window answers throughout, and Esc stops it at
    // once.
    void TrickledPageReadsWhileTheWindowAnswers_data() {
        QTest::addColumn<bool>("esc");
        QTest::newRow("to the end") << false;
        QTest::newRow("esc") << true;
    }
    void TrickledPageReadsWhileTheWindowAnswers() {
        QFETCH(bool, esc);
        lintaro::demo::DemoOptions options = options_;
        options.events = esc ? 20000 : 2000;
        const lintaro::demo::FirstLine line = BuildFirstLine(options, *options.today);
        ScriptedServer server({});
        server.SetDefaultExchange(Trickle(line.page));
        window_->SetFirstHost(server.HostPort());
        const DuringRefresh seen =
            Run([&] { return server.AcceptedConnections() > 0; }, 500,
                esc ? std::function<void()>([&] { QTest::keyClick(window_.get(), Qt::Key_Escape); })
                    : std::function<void()>());
        QVERIFY2(seen.ticks >= 20, qPrintable(QString::number(seen.ticks)));
        QVERIFY(seen.actions_disabled);
        ExpectUsableAfterwards();
        if (esc) {
            QVERIFY(seen.acted);
            // A cancelled page is not parsed: no rows, and no box for a cancel.
            QVERIFY(dialogs_->boxes.isEmpty());
        } else {
            QVERIFY2(dialogs_->boxes.isEmpty(), qPrintable(dialogs_->boxes.value(0).text));
            QCOMPARE(window_->cds_Data().Rows(), line.rows);
        }
    }

    // 30 000 cookies on a redirect to the real page: the line still reads, the window answers.
    void CookieFloodStillReadsTheLine() {
        ScriptedServer server({});
        server.SetDefaultExchange(
            CookieFlood(30000, lintaro::readers::FirstBookmakerPageUrl(demo_->FirstHost())));
        window_->SetFirstHost(server.HostPort());
        const DuringRefresh seen = Run([] { return false; }, 0, {});
        QVERIFY(seen.actions_disabled);
        QVERIFY2(dialogs_->boxes.isEmpty(), qPrintable(dialogs_->boxes.value(0).text));
        QCOMPARE(window_->cds_Data().Rows(),
                 lintaro::demo::PublishedFirstRows(options_, *options_.today));
        ExpectUsableAfterwards();
    }

    // A timed refresh reads without a question while the line stays on screen and in the user's
    // hands, then shows the new line keeping the place: open groups, the focused event, filters.
    void TimedRefreshKeepsTheUsersPlace() {
        window_->SetFirstHost(demo_->FirstHost());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const int rows = window_->cds_Data().RowCount();
        QVERIFY(rows > 0);
        QVERIFY(window_->ReadStatus().startsWith(QStringLiteral("Обновлено ")));

        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        const QModelIndex second_sport = tree->model()->index(1, 0);
        tree->expand(second_sport);
        const QModelIndex tournament = tree->model()->index(0, 0, second_sport);
        tree->expand(tournament);
        // The keyboard is on a price cell, not the date the row starts with.
        const int p1 = window_->ctl_DataGrid()->Model()->ModelColumn(lintaro::grid::kColP1);
        tree->setCurrentIndex(tree->model()->index(1, p1, tournament));
        const QString focused_home = tree->currentIndex().siblingAtColumn(2).data().toString();
        QVERIFY(!focused_home.isEmpty());

        window_->TimedRefresh();
        QVERIFY(window_->IsTimedRefresh());
        QCOMPARE(window_->cds_Data().RowCount(), rows);  // the line stays while it reads
        // F5 and Esc stay the user's: F5 replaces the timed read by a refresh of the user's own.
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QVERIFY(window_->Action("actCancelRefresh")->isEnabled());
        QVERIFY(window_->Action("actDelete")->isEnabled());
        QVERIFY(window_->Action("actFullExpand")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(WaitForRefresh(*window_));

        QVERIFY2(dialogs_->boxes.isEmpty(), qPrintable(dialogs_->boxes.value(0).text));
        QCOMPARE(window_->cds_Data().RowCount(), rows);
        QVERIFY(tree->isExpanded(tree->model()->index(1, 0)));
        QVERIFY(!tree->isExpanded(tree->model()->index(0, 0)));
        QCOMPARE(tree->currentIndex().siblingAtColumn(2).data().toString(), focused_home);
        QCOMPARE(window_->ctl_DataGrid()->FocusedColumn(), int(lintaro::grid::kColP1));
        QVERIFY(window_->ctl_DataGrid()->HasCurrentEvent());
        ExpectUsableAfterwards();
    }

    // A timed read that fails keeps the line on screen; the failure is said once, then only the
    // tooltips tell, until a read succeeds.
    void TimedRefreshThatFailsKeepsTheLineAndSaysItOnce() {
        window_->SetFirstHost(demo_->FirstHost());
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const std::vector<lintaro::table::OddsRecord> line = window_->cds_Data().Rows();
        window_->SetFirstHost("127.0.0.1:1");  // nothing listens there
        for (int attempt = 0; attempt < 3; ++attempt) {
            window_->TimedRefresh();
            QVERIFY(WaitForRefresh(*window_));
            QCOMPARE(window_->cds_Data().Rows(), line);
        }
        QCOMPARE(dialogs_->boxes.size(), 1);  // the reader's message, the first time only
        QVERIFY(window_->ReadStatus().contains(QStringLiteral("не удалось")));
        QVERIFY(window_->Action("actRefresh")->toolTip().contains(QStringLiteral("не удалось")));

        // A read that brings no rows is no line either: said once more, since a read succeeded
        // in between.
        window_->SetFirstHost(demo_->FirstHost());
        window_->TimedRefresh();
        QVERIFY(WaitForRefresh(*window_));
        QVERIFY(window_->ReadStatus().startsWith(QStringLiteral("Обновлено ")));
        ScriptedServer empty({});
        empty.SetDefaultExchange(Reply("HTTP/1.0 200 OK\r\nContent-Length: 13\r\n\r\n<html></html>",
                                       ScriptedAfter::kClose));
        window_->SetFirstHost(empty.HostPort());
        window_->TimedRefresh();
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(window_->cds_Data().Rows(), line);
        QCOMPARE(dialogs_->boxes.size(), 2);
        ExpectUsableAfterwards();
    }

    // A timed read from a server that falls silent or breaks off: the window answers, the read
    // ends within its limits as failed, said once, and the line on screen stays. A manual refresh
    // of a page cut short says so too.
    void TimedRefreshOfABrokenAnswerKeepsTheLine_data() {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind < int(std::size(kBrokenAnswers)); ++kind) {
            QTest::newRow(BrokenAnswerName(kBrokenAnswers[kind])) << kind;
        }
    }
    void TimedRefreshOfABrokenAnswerKeepsTheLine() {
        QFETCH(int, kind);
        const BrokenAnswer broken = kBrokenAnswers[kind];
        const bool stall =
            broken == BrokenAnswer::kStallAfterHead || broken == BrokenAnswer::kStallInBody;
        window_->SetFirstHost(demo_->FirstHost());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const std::vector<lintaro::table::OddsRecord> line = window_->cds_Data().Rows();
        QVERIFY(!line.empty());

        ScriptedServer server({});
        server.SetDefaultExchange(
            Broken(broken, lintaro::demo::BuildFirstLine(options_, *options_.today).page));
        window_->SetFirstHost(server.HostPort());
        window_->SetTimedReadLimits(700, 5000);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ticks += window_->IsRefreshing(); });
        ticker.start(5);
        QElapsedTimer clock;
        clock.start();
        window_->TimedRefresh();
        QVERIFY(window_->Action("actRefresh")
                    ->toolTip()
                    .contains(QStringLiteral("идёт обновление с ")));
        QVERIFY(WaitForRefresh(*window_, 10000));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        if (stall) QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QCOMPARE(window_->cds_Data().Rows(), line);
        QCOMPARE(dialogs_->boxes.size(), 1);
        const QString said = dialogs_->boxes[0].text;
        QVERIFY2(said.startsWith(QStringLiteral("Линия не прочитана до конца: ")),
                 qPrintable(said));
        QVERIFY2(said.contains(stall ? QStringLiteral("Read Timeout")
                                     : QStringLiteral("The server closed the connection after ")),
                 qPrintable(said));
        QVERIFY(window_->ReadStatus().contains(QStringLiteral("не удалось")));
        QVERIFY(!window_->Action("actRefresh")->toolTip().contains(QStringLiteral("идёт")));
        ExpectUsableAfterwards();
        if (stall) return;  // a manual refresh has no limit: Esc ends it (below)
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 2);
        QVERIFY(
            dialogs_->boxes[1].text.startsWith(QStringLiteral("Линия не прочитана до конца: ")));
    }

    // A timed read without limits ends when the user says so: Esc (once the find bar is closed;
    // with it open, Esc closes the bar first), or F5, which asks and then reads the line anew.
    void EscAndF5EndATimedRead() {
        const lintaro::demo::FirstLine published =
            lintaro::demo::BuildFirstLine(options_, *options_.today);
        window_->SetFirstHost(demo_->FirstHost());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const std::vector<lintaro::table::OddsRecord> line = window_->cds_Data().Rows();
        dialogs_->boxes.clear();

        // Silent, then silent again, then the whole page.
        ScriptedServer server(
            {{NoAnswer()},
             {NoAnswer()},
             {Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(published.page.size()) +
                        "\r\n\r\n" + published.page,
                    ScriptedAfter::kClose)}});
        window_->SetFirstHost(server.HostPort());
        window_->SetTimedReadLimits(0, 0);
        lintaro::views::OddsGridView* grid = window_->ctl_DataGrid();
        window_->TimedRefresh();
        QVERIFY(server.WaitForRequests(1, std::chrono::seconds(5)));
        grid->ShowFindBar();
        QTest::keyClick(grid->Finder()->Field(), Qt::Key_Escape);
        QVERIFY(grid->Finder()->isHidden());
        QTest::qWait(100);
        QVERIFY(window_->IsTimedRefresh());
        QTest::keyClick(grid->TreeView(), Qt::Key_Escape);
        QVERIFY(WaitForRefresh(*window_, 2000));
        QCOMPARE(window_->cds_Data().Rows(), line);
        QVERIFY(dialogs_->boxes.isEmpty());

        window_->TimedRefresh();
        QVERIFY(server.WaitForRequests(2, std::chrono::seconds(5)));
        QTest::keyClick(grid->TreeView(), Qt::Key_F5);
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text, QStringLiteral("Обновить данные?"));
        QVERIFY(WaitForRefresh(*window_, 5000));
        QCOMPARE(server.RequestHeads().size(), 3u);
        QCOMPARE(window_->cds_Data().Rows(), published.rows);
        QVERIFY(window_->ReadStatus().startsWith(QStringLiteral("Обновлено ")));
        QCOMPARE(dialogs_->boxes.size(), 1);
        ExpectUsableAfterwards();
    }

    // Two refreshes of a moving line: the first shows no marks, the second marks each moved price
    // with what it was, the tooltips count what moved, and deleted rows are not counted as gone.
    void SecondRefreshMarksWhatMoved() {
        lintaro::demo::DemoOptions options = options_;
        options.events = 400;
        lintaro::demo::DemoServer moving(options);
        moving.SetMoving(true);
        moving.Start();
        window_->SetFirstHost(moving.FirstHost());
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const std::vector<lintaro::table::OddsRecord> first = window_->cds_Data().Rows();
        QAbstractItemModel* model = window_->ctl_DataGrid()->TreeView()->model();
        const auto marked_cells = [&] {
            window_->ctl_DataGrid()->ExpandAllGroups();
            QStringList texts;
            std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
                for (int r = 0; r < model->rowCount(parent); ++r) {
                    const QModelIndex row = model->index(r, 0, parent);
                    // Event cells only: a group row's tooltip counts what moved under it.
                    if (model->hasChildren(row)) {
                        walk(row);
                        continue;
                    }
                    for (int c = 0; c < model->columnCount(parent); ++c) {
                        const QString tip =
                            model->index(r, c, parent).data(Qt::ToolTipRole).toString();
                        if (!tip.isEmpty()) texts << tip;
                        // A price's old value reads as its cell showed it: "было 2.00".
                        static const QStringList kPrices = {"1",  "X",  "2",  "X1", "12",
                                                            "2X", "Ф1", "Ф2", "TM", "ТБ"};
                        static const QRegularExpression kShownPrice(
                            QStringLiteral("было \\d*[.,]\\d\\d\\d? \\(в "));
                        if (kPrices.contains(model->headerData(c, Qt::Horizontal).toString()) &&
                            tip.contains(QStringLiteral("было "))) {
                            QVERIFY2(kShownPrice.match(tip).hasMatch(), qPrintable(tip));
                        }
                    }
                    walk(row);
                }
            };
            walk({});
            return texts;
        };
        QVERIFY(marked_cells().isEmpty());  // the first refresh of a run looks as always
        QVERIFY(!window_->ReadStatus().contains(QStringLiteral("цен изменилось")));

        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        QVERIFY(dialogs_->boxes.isEmpty());
        const QStringList marks = marked_cells();
        QVERIFY(!marks.isEmpty());
        for (const QString& mark : marks) {
            QVERIFY2(mark.startsWith(QStringLiteral("было ")) ||
                         mark.startsWith(QStringLiteral("линия изменилась")) ||
                         mark == QStringLiteral("новое"),
                     qPrintable(mark));
        }
        QVERIFY(window_->ReadStatus().contains(QStringLiteral("цен изменилось")));
        QVERIFY(window_->Action("actRefresh")->toolTip().contains(QStringLiteral("Обновлено")));
        // Collapsed after a manual refresh, as always.
        window_->ActionExecute(window_->Action("actFullCollaps"));
        QVERIFY(!window_->ctl_DataGrid()->TreeView()->isExpanded(model->index(0, 0)));
        QVERIFY(first != window_->cds_Data().Rows());
    }

    // Two reads of the moving line: after the first no group tells anything; after the second
    // each collapsed group row tells the marks of the cells under it (counted here cell by cell),
    // together what the tooltips count, and "Только изменения" keeps exactly the marked events.
    void GroupCountsAndOnlyChangesOnTwoReads() {
        lintaro::demo::DemoOptions options = options_;
        options.events = 400;
        lintaro::demo::DemoServer moving(options);
        moving.SetMoving(true);
        moving.Start();
        window_->SetFirstHost(moving.FirstHost());
        lintaro::views::OddsGridView* grid = window_->ctl_DataGrid();
        QAbstractItemModel* model = grid->TreeView()->model();
        // Per top-level group: the short text it shows, and the marks of the cells under it
        // counted as the same short text.
        struct Told {
            QString shown, counted;
            int marked_events = 0;
        };
        const auto groups = [&] {
            std::vector<Told> told;
            for (int r = 0; r < model->rowCount(); ++r) {
                const QModelIndex sport = model->index(r, 0);
                lintaro::views::MarkCounts counts;
                int marked_events = 0;
                std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
                    for (int row = 0; row < model->rowCount(parent); ++row) {
                        const QModelIndex node = model->index(row, 0, parent);
                        if (model->rowCount(node) > 0) {
                            walk(node);
                            continue;
                        }
                        bool marked = false;
                        for (int c = 0; c < model->columnCount(parent); ++c) {
                            using lintaro::views::CellMarkKind;
                            const auto kind = static_cast<CellMarkKind>(
                                model->index(row, c, parent)
                                    .data(lintaro::views::OddsGridModel::kCellMarkRole)
                                    .toInt());
                            marked = marked || kind != CellMarkKind::kNone;
                            counts.up += kind == CellMarkKind::kUp;
                            counts.down += kind == CellMarkKind::kDown;
                            counts.line_changed += kind == CellMarkKind::kLineChanged;
                            counts.new_events += kind == CellMarkKind::kNew;
                        }
                        marked_events += marked;
                    }
                };
                walk(sport);
                told.push_back(
                    {sport.data(lintaro::views::OddsGridModel::kGroupMarksRole).toString(),
                     lintaro::views::MarkCountsShortText(counts), marked_events});
            }
            return told;
        };

        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        for (const Told& t : groups()) QVERIFY2(t.shown.isEmpty(), qPrintable(t.shown));

        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        const int all = grid->Tree().EventCount();
        QVERIFY(!grid->TreeView()->isExpanded(model->index(0, 0)));  // collapsed, as always
        int marked = 0, told_groups = 0;
        for (const Told& t : groups()) {
            QCOMPARE(t.shown, t.counted);
            marked += t.marked_events;
            told_groups += !t.shown.isEmpty();
        }
        QVERIFY(told_groups > 0);
        QVERIFY(marked > 0 && marked <= all);

        grid->OnlyChangesAction()->trigger();
        QCOMPARE(grid->Tree().EventCount(), marked);
        QCOMPARE(grid->Footer()->Text(), QStringLiteral("Всего: %1").arg(marked));
        for (const Told& t : groups()) QCOMPARE(t.shown, t.counted);  // unchanged by the rule
        grid->OnlyChangesAction()->trigger();
        QCOMPARE(grid->Tree().EventCount(), all);
    }

    void BrokenServersEndInTheReadersMessageAndAUsableWindow_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("reset") << 0;
        QTest::newRow("garbage") << 1;
        QTest::newRow("closed without an answer") << 2;
    }
    void BrokenServersEndInTheReadersMessageAndAUsableWindow() {
        QFETCH(int, kind);
        ScriptedExchange exchange =
            kind == 0   ? Reply("", ScriptedAfter::kReset)
            : kind == 1 ? Reply(std::string("\x01\x02\xff garbage\r\n\r\n\x80\x81", 18),
                                ScriptedAfter::kClose)
                        : Reply("", ScriptedAfter::kClose);
        ScriptedServer server({{exchange}});
        server.SetDefaultExchange(exchange);
        window_->SetFirstHost(server.HostPort());
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text,
                 QStringLiteral("Не удалось получить страницу со списком турниров."));
        QVERIFY(window_->cds_Data().IsOpen());
        ExpectUsableAfterwards();
    }

    // A cancel while the server has not answered yet: the reader's failure box is not shown.
    void CancelBeforeTheFirstAnswerShowsNoBox() {
        ScriptedServer server({});
        server.SetDefaultExchange(NoAnswer());
        window_->SetFirstHost(server.HostPort());
        window_->RefreshWithoutQuestion();
        QVERIFY(server.WaitForRequests(1, std::chrono::seconds(5)));
        window_->CancelRefresh();
        QVERIFY(WaitForRefresh(*window_));
        QVERIFY(dialogs_->boxes.isEmpty());
        ExpectUsableAfterwards();
    }
};

QTEST_MAIN(RefreshTest)
#include "refresh_test.moc"
