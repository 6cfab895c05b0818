// The stakes of one surebet: a small window that splits the bettor's bank over the outcomes at
// the best prices of the two bookmakers, so that every outcome pays about the same. It shows each
// outcome's bookmaker, price, stake and return, what is staked, what every outcome pays at least
// and the profit, all recomputed as the bank is typed; "Копировать" puts the same as text on the
// clipboard. The bank is remembered between runs (views/user_settings.h).
//
//   const SurebetStakes stakes = DescribeSurebet(comparison, comparison.surebets[0], "Марафон",
//                                                "Пинакл", "Спартак М — Динамо К", ".");
//   ShowSurebetStakes(grid, stakes);  // a window of its own; the grid stays usable
//
// The bank field takes digits with "." or "," and up to two decimals: letters, a sign or a third
// decimal are refused as they are typed, and a bank of 0 is held as unfinished (the sums show "—"
// and the field says why) until a sum above zero is there.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "compare/price_comparison.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace lintaro::views {

// One outcome of a surebet as the window shows it.
struct SurebetOutcome {
    QString outcome;  // the column's caption, with the line for a handicap or total ("Ф1 (-1.5)")
    QString bookmaker;     // who holds the price; both names when both quote it
    table::Decimal price;  // above 1.0
};

// What the window shows: the event, the market and its outcomes at the best prices.
struct SurebetStakes {
    QString event;   // the teams, as the grid names them
    QString market;  // "Исход", "Двойной шанс", "Фора", "Тотал"
    std::vector<SurebetOutcome> outcomes;
    std::string decimal_mark = ".";  // as the grid shows numbers
};

// The surebet `surebet` of `comparison` (one of its surebets) as the window shows it: each stake's
// field at its best price with the bookmaker that holds it.
SurebetStakes DescribeSurebet(const compare::EventComparison& comparison,
                              const compare::Surebet& surebet, const QString& first_name,
                              const QString& second_name, const QString& event,
                              const std::string& decimal_mark);

class SurebetStakesWindow : public QDialog {
    Q_OBJECT
  public:
    // The bank a user who never typed one starts with.
    static constexpr double kDefaultBank = 100.0;
    // The largest bank the field takes.
    static constexpr double kMaxBank = 1e9;

    // Starts with the bank remembered (kDefaultBank when none).
    explicit SurebetStakesWindow(SurebetStakes stakes, QWidget* parent = nullptr);

    // The bank the field holds; nullopt while it holds no sum above zero.
    std::optional<double> Bank() const;
    // The window's figures as text, what "Копировать" copies; empty while the bank is refused.
    QString Text() const;

    QLineEdit* BankField() const { return bank_; }
    QTableWidget* StakesTable() const { return table_; }
    QLabel* BankProblem() const { return problem_; }
    QLabel* Staked() const { return staked_; }
    QLabel* WorstReturn() const { return worst_return_; }
    QLabel* Profit() const { return profit_; }
    QPushButton* CopyButton() const { return copy_; }

  private:
    // The figures for the bank in the field, or "—" while it is refused.
    void Recompute();
    QString Money(double amount) const;
    QString Price(table::Decimal price) const;

    SurebetStakes stakes_;
    QLineEdit* bank_ = nullptr;
    QLabel* problem_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* staked_ = nullptr;
    QLabel* worst_return_ = nullptr;
    QLabel* profit_ = nullptr;
    QPushButton* copy_ = nullptr;
};

// Opens the stakes window of `stakes` over `parent` (deleted when closed) and returns it.
SurebetStakesWindow* ShowSurebetStakes(QWidget* parent, const SurebetStakes& stakes);

}  // namespace lintaro::views
