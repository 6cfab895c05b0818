// The surebet stakes window: what it shows of a comparison's surebet, the sums as the bank is
// typed (rounded stakes, their returns, the profit), the bank refused as it is typed, remembered
// between windows, the text it copies, and what the keyboard and a screen reader get.
#include "views/surebet_stakes_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "compare/price_comparison.h"

using lintaro::table::Decimal;
using lintaro::table::OddsRecord;
using lintaro::views::SurebetStakes;
using lintaro::views::SurebetStakesWindow;

namespace {

std::optional<Decimal> D(double value) { return Decimal{std::llround(value * 10000.0)}; }

// The first bookmaker best at the home win, the second at the draw and the away win: a surebet
// of 1 / (1/2.5 + 1/3.6 + 1/3.9) - 1 = 7.04%. Both quote the handicap at opposite lines, each best
// at one side; the double chance X1 is equal at both.
struct TwoLines {
    OddsRecord first;
    OddsRecord second;
    TwoLines() {
        first.P1 = D(2.5);
        first.X = D(3.0);
        first.P2 = D(3.0);
        second.P1 = D(2.0);
        second.X = D(3.6);
        second.P2 = D(3.9);
        first.VF1 = D(-1.5);
        first.F1 = D(2.1);
        first.VF2 = D(1.5);
        first.F2 = D(1.7);
        second.VF1 = D(-1.5);
        second.F1 = D(1.8);
        second.VF2 = D(1.5);
        second.F2 = D(1.95);
    }
};

const lintaro::compare::Surebet& Market(const lintaro::compare::EventComparison& comparison,
                                        const char* market) {
    for (const lintaro::compare::Surebet& surebet : comparison.surebets) {
        if (surebet.market == market) return surebet;
    }
    qFatal("no surebet %s", market);
}

SurebetStakes MatchResult() {
    const TwoLines lines;
    const lintaro::compare::EventComparison comparison =
        lintaro::compare::CompareEvent(lines.first, lines.second);
    return lintaro::views::DescribeSurebet(comparison, Market(comparison, "1X2"),
                                           QStringLiteral("Марафон"), QStringLiteral("Пинакл"),
                                           QStringLiteral("Спартак М — Динамо К"), ".");
}

QStringList Column(QTableWidget* table, int column) {
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) texts << table->item(row, column)->text();
    return texts;
}

}  // namespace

class SurebetStakesWindowTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir config_;
    QByteArray config_before_;

  private slots:
    // Every window of the suite remembers its bank in a folder of its own.
    void init() {
        config_before_ = qgetenv("XDG_CONFIG_HOME");
        QVERIFY(config_.isValid());
        QDir(config_.path()).removeRecursively();
        QDir().mkpath(config_.path());
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    }
    void cleanup() { qputenv("XDG_CONFIG_HOME", config_before_); }

    void ShowsEachOutcomeAtItsBestPriceWithItsBookmaker() {
        SurebetStakesWindow window(MatchResult());
        QTableWidget* table = window.StakesTable();
        QCOMPARE(Column(table, 0), (QStringList{"1", "X", "2"}));
        QCOMPARE(Column(table, 1), (QStringList{"Марафон", "Пинакл", "Пинакл"}));
        QCOMPARE(Column(table, 2), (QStringList{"2.50", "3.60", "3.90"}));

        // A handicap names its line; a price both quote names both bookmakers.
        TwoLines lines;
        lines.first.PX1 = D(1.25);
        lines.second.PX1 = D(1.25);
        lines.first.P2 = D(5.5);
        const lintaro::compare::EventComparison comparison =
            lintaro::compare::CompareEvent(lines.first, lines.second);
        const SurebetStakes handicap = lintaro::views::DescribeSurebet(
            comparison, Market(comparison, "F"), "Марафон", "Пинакл", "A — B", ",");
        QCOMPARE(handicap.market, QStringLiteral("Фора"));
        QCOMPARE(handicap.outcomes.size(), 2u);
        QCOMPARE(handicap.outcomes[0].outcome, QStringLiteral("Ф1 (-1,5)"));
        QCOMPARE(handicap.outcomes[0].bookmaker, QStringLiteral("Марафон"));
        QCOMPARE(handicap.outcomes[1].outcome, QStringLiteral("Ф2 (1,5)"));
        QCOMPARE(handicap.outcomes[1].bookmaker, QStringLiteral("Пинакл"));
        const SurebetStakes double_chance = lintaro::views::DescribeSurebet(
            comparison, Market(comparison, "DC"), "Марафон", "Пинакл", "A — B", ",");
        QCOMPARE(double_chance.outcomes[0].outcome, QStringLiteral("X1"));
        QCOMPARE(double_chance.outcomes[0].bookmaker, QStringLiteral("Марафон или Пинакл"));
        SurebetStakesWindow comma(handicap);
        QCOMPARE(Column(comma.StakesTable(), 2), (QStringList{"2,10", "1,95"}));
    }

    // Stakes are rounded to cents, so what is staked may be a cent off the bank; the returns and
    // the profit are those of the rounded stakes.
    void SumsFollowTheBank_data() {
        QTest::addColumn<QString>("bank");
        QTest::addColumn<QStringList>("stakes");
        QTest::addColumn<QStringList>("returns");
        QTest::addColumn<QString>("staked");
        QTest::addColumn<QString>("worst");
        QTest::addColumn<QString>("profit");
        QTest::newRow("250") << "250" << QStringList{"107.04", "74.34", "68.62"}
                             << QStringList{"267.60", "267.62", "267.62"} << "250.00"
                             << "267.60"
                             << "17.60 (7.04%)";
        QTest::newRow("comma") << "33,3" << QStringList{"14.26", "9.90", "9.14"}
                               << QStringList{"35.65", "35.64", "35.65"} << "33.30"
                               << "35.64"
                               << "2.34 (7.03%)";
        QTest::newRow("a cent short") << "10" << QStringList{"4.28", "2.97", "2.74"}
                                      << QStringList{"10.70", "10.69", "10.69"} << "9.99"
                                      << "10.69"
                                      << "0.70 (7.01%)";
        QTest::newRow("thousand") << "1000" << QStringList{"428.18", "297.35", "274.47"}
                                  << QStringList{"1070.45", "1070.46", "1070.43"} << "1000.00"
                                  << "1070.43"
                                  << "70.43 (7.04%)";
    }
    void SumsFollowTheBank() {
        QFETCH(QString, bank);
        QFETCH(QStringList, stakes);
        QFETCH(QStringList, returns);
        QFETCH(QString, staked);
        QFETCH(QString, worst);
        QFETCH(QString, profit);
        SurebetStakesWindow window(MatchResult());
        window.BankField()->selectAll();
        QTest::keyClicks(window.BankField(), bank);
        QCOMPARE(window.BankField()->text(), bank);
        QCOMPARE(Column(window.StakesTable(), 3), stakes);
        QCOMPARE(Column(window.StakesTable(), 4), returns);
        QCOMPARE(window.Staked()->text(), QStringLiteral("Поставлено всего: ") + staked);
        QCOMPARE(window.WorstReturn()->text(),
                 QStringLiteral("Выплата при любом исходе: не меньше ") + worst);
        QCOMPARE(window.Profit()->text(), QStringLiteral("Прибыль: ") + profit);
        QVERIFY(window.BankProblem()->text().isEmpty());
    }

    // Letters, a sign, a second mark or a third decimal never get into the field; 0 and an empty
    // field are held as unfinished: no figures, nothing to copy, and the field says why.
    void RefusesABankThatIsNoSum_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pasted");  // all at once, as a paste
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("text") << "abc" << false << "" << false;
        QTest::newRow("pasted text") << "сто" << true << "" << false;
        QTest::newRow("negative") << "-5" << false << "5" << true;
        QTest::newRow("pasted negative") << "-5" << true << "" << false;
        QTest::newRow("exponent") << "1e5" << false << "15" << true;
        QTest::newRow("third decimal") << "1.234" << false << "1.23" << true;
        QTest::newRow("two marks") << "1.2,3" << false << "1.23" << true;
        QTest::newRow("zero") << "0" << false << "0" << false;
        QTest::newRow("zero cents") << "0,00" << false << "0,00" << false;
        QTest::newRow("above a milliard") << "12345678901" << false << "123456789" << true;
    }
    void RefusesABankThatIsNoSum() {
        QFETCH(QString, typed);
        QFETCH(bool, pasted);
        QFETCH(QString, kept);
        QFETCH(bool, accepted);
        SurebetStakesWindow window(MatchResult());
        window.BankField()->clear();
        if (pasted) {
            window.BankField()->insert(typed);
        } else {
            QTest::keyClicks(window.BankField(), typed);
        }
        QCOMPARE(window.BankField()->text(), kept);
        QCOMPARE(window.Bank().has_value(), accepted);
        QCOMPARE(window.CopyButton()->isEnabled(), accepted);
        if (accepted) return;
        QCOMPARE(Column(window.StakesTable(), 3), (QStringList{"—", "—", "—"}));
        QCOMPARE(window.Profit()->text(), QStringLiteral("Прибыль: —"));
        QVERIFY(window.Text().isEmpty());
        QCOMPARE(window.BankProblem()->text(), QStringLiteral("Банк — сумма больше нуля"));
        QCOMPARE(window.BankField()->accessibleDescription(), window.BankProblem()->text());
    }

    // A bank typed is the next window's; a refused one is not kept. The first window ever starts
    // at 100.
    void BankIsRemembered() {
        {
            SurebetStakesWindow window(MatchResult());
            QCOMPARE(window.BankField()->text(), QStringLiteral("100"));
            window.BankField()->selectAll();
            QTest::keyClicks(window.BankField(), QStringLiteral("250,5"));
            window.BankField()->selectAll();
            QTest::keyClicks(window.BankField(), QStringLiteral("0"));
        }
        SurebetStakesWindow window(MatchResult());
        QCOMPARE(window.BankField()->text(), QStringLiteral("250.50"));
        QCOMPARE(*window.Bank(), 250.5);
    }

    void CopiesTheFiguresAsText() {
        SurebetStakesWindow window(MatchResult());
        window.BankField()->selectAll();
        QTest::keyClicks(window.BankField(), QStringLiteral("250"));
        window.CopyButton()->click();
        const QString expected = QStringLiteral(
            "Спартак М — Динамо К\n"
            "Исход: прибыль 7.04% от поставленного\n"
            "Банк: 250.00\n"
            "Исход\tКонтора\tКоэффициент\tСтавка\tВыплата\n"
            "1\tМарафон\t2.50\t107.04\t267.60\n"
            "X\tПинакл\t3.60\t74.34\t267.62\n"
            "2\tПинакл\t3.90\t68.62\t267.62\n"
            "Поставлено всего: 250.00\n"
            "Выплата при любом исходе: не меньше 267.60\n"
            "Прибыль: 17.60 (7.04%)\n");
        QCOMPARE(window.Text(), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    // The keyboard starts in the bank field with its text selected, so typing replaces it; Tab
    // goes on to the stakes and the buttons; Enter copies nothing and closes nothing; Esc closes.
    // Every control is named for a screen reader.
    void KeyboardAndScreenReader() {
        SurebetStakesWindow* window = lintaro::views::ShowSurebetStakes(nullptr, MatchResult());
        QPointer<SurebetStakesWindow> alive(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), window->BankField());
        QCOMPARE(window->BankField()->selectedText(), QStringLiteral("100"));
        QCOMPARE(window->BankField()->accessibleName(), QStringLiteral("Банк"));
        QCOMPARE(window->StakesTable()->accessibleName(), QStringLiteral("Ставки"));
        QVERIFY(window->accessibleDescription().startsWith(QStringLiteral("Спартак М — Динамо К")));
        QCOMPARE(window->Profit()->accessibleName(), window->Profit()->text());
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(window->BankField(), Qt::Key_Return);
        QVERIFY(window->isVisible());
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QTest::keyClick(window->BankField(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->StakesTable());
        QTest::keyClick(window->StakesTable(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->CopyButton());
        QTest::keyClick(window->CopyButton(), Qt::Key_Space);
        QCOMPARE(QGuiApplication::clipboard()->text(), window->Text());
        QTest::keyClick(window->CopyButton(), Qt::Key_Escape);
        QTRY_VERIFY(alive.isNull());  // closed, and gone with it
    }
};

QTEST_MAIN(SurebetStakesWindowTest)
#include "surebet_stakes_window_test.moc"
