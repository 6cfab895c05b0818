// "Обе конторы": both lines read at once from the demo line server and shown in one grid. Every
// matched event's price cells mark the bookmaker that `compare` finds holds the better price (none
// when the two are equal) and tell both prices; every event of one bookmaker alone is shown once,
// marked in its date cell; "Вилка" and "Маржа лучших" show `compare`'s figures; a second bookmaker
// that cannot be read is said once and leaves the first's rows; Esc stops both reads.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "app/command_line.h"
#include "app/main_window.h"
#include "compare/line_comparison.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "grid/grid_layout.h"
#include "grid/margin.h"
#include "readers/line_session.h"
#include "readers/reader_context.h"
#include "table/date_time.h"
#include "views/event_sheet_window.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"
#include "views/surebet_stakes_window.h"

using lintaro::app::kBothBookmakers;
using lintaro::app::kFirstBookmaker;
using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::table::OddsRecord;
namespace compare = lintaro::compare;
namespace grid = lintaro::grid;
namespace views = lintaro::views;

namespace {

// A reader's services on the test's thread: messages are collected.
class QuietUi : public lintaro::readers::ReaderUi {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetWaitCursor(bool) override {}
    lintaro::table::CivilDate Today() override { return lintaro::table::LocalToday(); }
    std::vector<std::string> messages;
};

std::vector<OddsRecord> ReadLine(const lintaro::demo::DemoServer& server, int bookmaker) {
    lintaro::readers::LineSession session;
    session.first_host = server.FirstHost();
    session.second_host = server.SecondHost();
    lintaro::table::OddsTable table;
    table.ResetTable();
    QuietUi ui;
    session.Load(bookmaker, table, ui);
    if (!ui.messages.empty())
        qWarning("the test's own read reported: %s", ui.messages.front().c_str());
    return table.Rows();
}

using Identity = std::tuple<std::string, std::string, std::string, int64_t>;
Identity IdentityOf(const OddsRecord& row) {
    return {row.competition_name.value_or(""), row.team_h_name.value_or(""),
            row.team_g_name.value_or(""), row.sport_event_date ? row.sport_event_date->ms : 0};
}

}  // namespace

class ComparedWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    std::unique_ptr<lintaro::demo::DemoServer> demo_;

    void ChooseBoth() {
        QComboBox* combo = window_->ctl_BKCombo();
        // The selector may not list the third choice yet where this runs alone.
        if (combo->count() < 3) combo->addItem(QStringLiteral("Обе конторы"));
        combo->setCurrentIndex(kBothBookmakers);
    }
    views::OddsGridView* Grid() const { return window_->ctl_DataGrid(); }
    views::OddsGridModel* Model() const { return Grid()->Model(); }
    QVariant Cell(grid::NodeRef node, int layout_column, int role) const {
        return Model()->IndexOf(node, Model()->ModelColumn(layout_column)).data(role);
    }
    std::vector<grid::NodeRef> EventNodes() const {
        std::vector<grid::NodeRef> events;
        for (const grid::NodeRef node : Grid()->Tree().PreOrder()) {
            if (Grid()->Tree().IsEvent(node)) events.push_back(node);
        }
        return events;
    }

  private slots:
    void init() {
        lintaro::demo::DemoOptions options;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        options.events = 300;
        demo_ = std::make_unique<lintaro::demo::DemoServer>(options);
        demo_->Start();
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        window_->SetFirstHost(demo_->FirstHost());
        window_->SetSecondHost(demo_->SecondHost());
        ChooseBoth();
        window_->show();
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        demo_.reset();
    }

    void MarksAndColumnsAreCompares() {
        const std::vector<OddsRecord> first = ReadLine(*demo_, 0);
        const std::vector<OddsRecord> second = ReadLine(*demo_, 1);
        compare::LineOptions all;
        all.include_unmatched = true;
        const compare::LineComparison expected = compare::CompareLines(first, second, all);
        QVERIFY(expected.matched > 50);
        std::map<Identity, const compare::ComparedEvent*> matched;
        int first_only = 0, second_only = 0;
        for (const compare::ComparedEvent& event : expected.events) {
            if (event.first >= 0 && event.second >= 0) {
                matched[IdentityOf(first[event.first])] = &event;
            } else if (event.first >= 0) {
                ++first_only;
            } else {
                ++second_only;
            }
        }

        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(window_->ShowsComparison());
        QVERIFY(Grid()->SetColumnShown(grid::kColSurebet, true));
        QVERIFY(Grid()->SetColumnShown(grid::kColBestMargin, true));
        Grid()->ExpandAllGroups();

        const std::vector<grid::NodeRef> events = EventNodes();
        QCOMPARE(int(events.size()), int(expected.events.size()));
        const int price_columns[] = {grid::kColP1,  grid::kColX,   grid::kColP2, grid::kColPX1,
                                     grid::kColP12, grid::kColP2X, grid::kColF1, grid::kColF2,
                                     grid::kColTM,  grid::kColTB};
        const std::string mark = Grid()->Tree().Formats().decimal_mark;
        std::set<Identity> seen;
        int shown_first_only = 0, shown_second_only = 0, checked_prices = 0, surebets = 0;
        for (const grid::NodeRef node : events) {
            const OddsRecord& row = *Grid()->Tree().Record(node);
            const QString date_badge =
                Cell(node, grid::kColDate, views::OddsGridModel::kCellBadgeRole).toString();
            if (date_badge == QStringLiteral("М")) {
                ++shown_first_only;
                continue;
            }
            if (date_badge == QStringLiteral("П")) {
                ++shown_second_only;
                continue;
            }
            QCOMPARE(date_badge, QString());
            const auto found = matched.find(IdentityOf(row));
            QVERIFY2(found != matched.end(), "a matched row is one of compare's pairs");
            QVERIFY2(seen.insert(found->first).second, "each pair is shown once");
            const compare::EventComparison& comparison = found->second->comparison;
            for (const int column : price_columns) {
                const int field = Grid()->Tree().Layout().Column(column).field_index;
                const QString badge =
                    Cell(node, column, views::OddsGridModel::kCellBadgeRole).toString();
                const compare::BestPrice* best = nullptr;
                for (const compare::BestPrice& price : comparison.best) {
                    if (lintaro::table::FieldIndex(compare::PriceFieldName(price.field)) == field) {
                        best = &price;
                    }
                }
                QString want;
                if (best && best->from == compare::Where::kFirst) want = QStringLiteral("М");
                if (best && best->from == compare::Where::kSecond) want = QStringLiteral("П");
                // Totals whose best prices stand at two lines show the first's own, unmarked.
                if (!badge.isEmpty() || !want.isEmpty()) {
                    if (badge != want && (column == grid::kColTM || column == grid::kColTB))
                        continue;
                    QCOMPARE(badge, want);
                    ++checked_prices;
                }
                // Both prices told, unless neither bookmaker quotes one.
                const QString tip = Cell(node, column, Qt::ToolTipRole).toString();
                if (Grid()->Tree().CellText(node, column).empty()) {
                    QCOMPARE(tip, QString());
                } else {
                    QVERIFY2(tip.contains(QStringLiteral("Марафон ")) &&
                                 tip.contains(QStringLiteral("Пинакл ")),
                             qPrintable(tip));
                }
                QCOMPARE(Cell(node, column, Qt::AccessibleDescriptionRole).toString(), tip);
            }
            // The teams' cells carry no prices to tell.
            for (const int column : {grid::kColHomeTeam, grid::kColGuestTeam}) {
                QCOMPARE(Cell(node, column, Qt::AccessibleDescriptionRole).toString(), QString());
            }
            // "Вилка": the best surebet's profit, as compare finds it.
            std::optional<double> profit;
            for (const compare::Surebet& surebet : comparison.surebets) {
                profit = std::max(profit.value_or(surebet.profit), surebet.profit);
            }
            const std::string want_surebet =
                profit ? grid::FormatMarginPercent(*profit, mark) : std::string();
            QCOMPARE(Grid()->Tree().CellText(node, grid::kColSurebet), want_surebet);
            const std::string want_margin =
                comparison.margin ? grid::FormatMarginPercent(*comparison.margin, mark)
                                  : std::string();
            QCOMPARE(Grid()->Tree().CellText(node, grid::kColBestMargin), want_margin);
            if (profit) ++surebets;
        }
        QCOMPARE(int(seen.size()), expected.matched);
        QCOMPARE(shown_first_only, first_only);
        QCOMPARE(shown_second_only, second_only);
        QVERIFY(checked_prices > expected.matched);
        QVERIFY(surebets > 0);

        // "Только вилки" keeps the events with a surebet, and only those.
        QAction* only = Grid()->OnlySurebetsAction();
        QVERIFY(only->isEnabled());
        only->trigger();
        int with_surebet = 0;
        for (const grid::NodeRef node : EventNodes()) {
            QVERIFY(!Grid()->Tree().CellText(node, grid::kColSurebet).empty());
            ++with_surebet;
        }
        QVERIFY(with_surebet >= surebets);
        only->trigger();

        // Back to one bookmaker: the comparison's columns are gone and cannot be shown.
        window_->ctl_BKCombo()->setCurrentIndex(kFirstBookmaker);
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        QVERIFY(!window_->ShowsComparison());
        QCOMPARE(Model()->ModelColumn(grid::kColSurebet), -1);
        QVERIFY(!Grid()->SetColumnShown(grid::kColSurebet, true));
        QVERIFY(!only->isEnabled());
        QCOMPARE(Grid()->Tree().EventCount(), int(first.size()));
    }

    void AFailingSecondBookmakerLeavesTheFirstsRows() {
        const std::vector<OddsRecord> first = ReadLine(*demo_, 0);
        window_->SetSecondHost("127.0.0.1:1");  // nothing listens there
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        // Said once, naming the bookmaker.
        QCOMPARE(dialogs_->boxes.size(), 1);
        QVERIFY2(dialogs_->boxes[0].text.startsWith(QStringLiteral("Пинакл: ")),
                 qPrintable(dialogs_->boxes[0].text));
        QCOMPARE(Grid()->Tree().EventCount(), int(first.size()));
        Grid()->ExpandAllGroups();
        for (const grid::NodeRef node : EventNodes()) {
            QCOMPARE(Cell(node, grid::kColDate, views::OddsGridModel::kCellBadgeRole).toString(),
                     QStringLiteral("М"));
        }
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void ATimedReadWithABookmakerDownKeepsTheLineAndItsMarks() {
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        Grid()->ExpandAllGroups();
        const int events = Grid()->Tree().EventCount();
        QVERIFY(events > 0);
        // Every cell's badge and tooltip of the line on screen, to be the same afterwards.
        QStringList before;
        for (const grid::NodeRef node : EventNodes()) {
            for (const int column : {int(grid::kColDate), int(grid::kColP1), int(grid::kColTB)}) {
                before << Cell(node, column, views::OddsGridModel::kCellBadgeRole).toString() +
                              Cell(node, column, Qt::ToolTipRole).toString();
            }
        }
        window_->SetSecondHost("127.0.0.1:1");
        window_->TimedRefresh();
        QVERIFY(WaitForRefresh(*window_, 60000));
        QCOMPARE(dialogs_->boxes.size(), 1);  // told once
        QCOMPARE(Grid()->Tree().EventCount(), events);
        QStringList after;
        for (const grid::NodeRef node : EventNodes()) {
            for (const int column : {int(grid::kColDate), int(grid::kColP1), int(grid::kColTB)}) {
                after << Cell(node, column, views::OddsGridModel::kCellBadgeRole).toString() +
                             Cell(node, column, Qt::ToolTipRole).toString();
            }
        }
        QCOMPARE(after, before);
        window_->TimedRefresh();  // the same failure again: not told a second time
        QVERIFY(WaitForRefresh(*window_, 60000));
        QCOMPARE(dialogs_->boxes.size(), 1);
    }

    void EscStopsBothReads() {
        window_->RefreshWithoutQuestion();
        QVERIFY(window_->IsRefreshing());
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        QVERIFY(WaitForRefresh(*window_, 20000));
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY(window_->Action("actRefresh")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void TheEventSheetShowsBothUnderTheirNames() {
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        Grid()->ExpandAllGroups();
        for (const grid::NodeRef node : EventNodes()) {
            if (!Cell(node, grid::kColDate, views::OddsGridModel::kCellBadgeRole)
                     .toString()
                     .isEmpty()) {
                continue;
            }
            Grid()->TreeView()->setCurrentIndex(Model()->IndexOf(node, 1));
            const std::optional<lintaro::app::ComparedEventView> event =
                window_->CurrentComparedEvent();
            QVERIFY(event.has_value());
            if (!event->first.dop_info || event->first.dop_info->empty()) continue;
            const bool second_sheet = event->second.dop_info && !event->second.dop_info->empty();
            window_->actShowDopInfoUpdate();
            QVERIFY(window_->Action("actShowDopInfo")->isEnabled());
            window_->actShowDopInfoExecute();
            const QString shown =
                window_->EventSheetWindow()->findChild<QTextBrowser*>()->toPlainText();
            // Each sheet under its bookmaker's name; the second's name only with its sheet.
            QVERIFY2(shown.startsWith(QStringLiteral("Марафон")), qPrintable(shown.left(200)));
            QCOMPARE(shown.contains(QStringLiteral("Пинакл")), second_sheet);
            return;
        }
        QFAIL("no matched event with a sheet at the first");
    }

    // Enter on an event with a surebet, or the popup menu's item, shows its best surebet's stakes;
    // on any other event the item is hidden and Enter opens the event sheet as before.
    void ASurebetsStakesOpenFromEnterAndThePopupMenu() {
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        Grid()->ExpandAllGroups();
        auto* popup = window_->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
        auto* item = window_->findChild<QAction*>(QStringLiteral("actSurebetStakes"));
        QVERIFY(popup != nullptr && item != nullptr);
        bool with = false, without = false;
        for (const grid::NodeRef node : EventNodes()) {
            Grid()->TreeView()->setCurrentIndex(Model()->IndexOf(node, 1));
            const std::optional<lintaro::app::ComparedEventView> event =
                window_->CurrentComparedEvent();
            const bool surebet = event && !event->comparison.surebets.empty();
            if (surebet ? with : without) continue;
            emit popup->aboutToShow();
            QCOMPARE(item->isVisible(), surebet);
            if (!surebet) {
                without = true;
                continue;
            }
            with = true;
            size_t most_stakes = 0;
            double best = -1;
            for (const compare::Surebet& found : event->comparison.surebets) {
                if (found.profit > best) best = found.profit, most_stakes = found.stakes.size();
            }
            QTest::keyClick(Grid()->TreeView(), Qt::Key_Return);
            const QList<views::SurebetStakesWindow*> shown =
                window_->findChildren<views::SurebetStakesWindow*>();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(static_cast<size_t>(shown.front()->StakesTable()->rowCount()), most_stakes);
            QVERIFY(shown.front()->Text().contains(QStringLiteral(" — ")));
            shown.front()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            item->trigger();
            QCOMPARE(window_->findChildren<views::SurebetStakesWindow*>().size(), 1);
        }
        QVERIFY(with && without);
    }
};

QTEST_MAIN(ComparedWindowTest)
#include "compared_window_test.moc"
