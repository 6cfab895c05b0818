// The stakes window: the split itself is compare's (compare/stake_split.h); this file lays out
// the figures, reads the bank field and keeps the bank between runs.
#include "views/surebet_stakes_window.h"

#include <QAccessible>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <cmath>

#include "compare/stake_split.h"
#include "table/odds_display.h"
#include "views/user_settings.h"

namespace lintaro::views {
namespace {

const QString kBankKey = QStringLiteral("stakes/bank");
const QString kNoFigure = QStringLiteral("—");
const QString kBankProblem = QStringLiteral("Банк — сумма больше нуля");

// The bank as typed: digits with "." or "," before the cents; nullopt for anything else.
std::optional<double> ParseBank(QString text) {
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty() || text == QLatin1String(".")) return std::nullopt;
    bool ok = false;
    const double bank = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(bank)) return std::nullopt;
    return bank;
}

// Takes what can still become a bank and refuses the rest as it is typed (or pasted): letters,
// a sign, a second decimal mark, a third decimal, more than kMaxBank. Empty and zero are
// unfinished, so they can be typed on the way to "0.5"; only a sum above zero is a bank.
class BankValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        int marks = 0;
        int decimals = 0;
        for (const QChar c : input) {
            if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
                if (++marks > 1) return Invalid;
            } else if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return Invalid;
            } else if (marks > 0 && ++decimals > 2) {
                return Invalid;
            }
        }
        const std::optional<double> bank = ParseBank(input);
        if (!bank) return Intermediate;
        if (*bank > SurebetStakesWindow::kMaxBank) return Invalid;
        return *bank > 0.0 ? Acceptable : Intermediate;
    }
};

QString MarketName(const std::string& market) {
    if (market == "1X2") return QStringLiteral("Исход");
    if (market == "DC") return QStringLiteral("Двойной шанс");
    if (market == "F") return QStringLiteral("Фора");
    if (market == "T") return QStringLiteral("Тотал");
    return QString::fromStdString(market);
}

// The grid's captions of the price columns, in PriceField order.
QString OutcomeCaption(compare::PriceField field) {
    static const char* const kCaptions[] = {"1",  "X",  "2",  "X1", "2X",
                                            "12", "Ф1", "Ф2", "TM", "ТБ"};
    return QString::fromUtf8(kCaptions[static_cast<int>(field)]);
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

}  // namespace

SurebetStakes DescribeSurebet(const compare::EventComparison& comparison,
                              const compare::Surebet& surebet, const QString& first_name,
                              const QString& second_name, const QString& event,
                              const std::string& decimal_mark) {
    SurebetStakes stakes;
    stakes.event = event;
    stakes.market = MarketName(surebet.market);
    stakes.decimal_mark = decimal_mark;
    for (const compare::Stake& stake : surebet.stakes) {
        for (const compare::BestPrice& best : comparison.best) {
            if (best.field != stake.field) continue;
            SurebetOutcome outcome;
            outcome.outcome = OutcomeCaption(best.field);
            if (best.line) {
                outcome.outcome += QStringLiteral(" (") +
                                   QString::fromStdString(table::FormatDecimal(
                                       *best.line, table::DecimalFormat::kValue, decimal_mark)) +
                                   QLatin1Char(')');
            }
            switch (best.from) {
                case compare::Where::kFirst:
                    outcome.bookmaker = first_name;
                    break;
                case compare::Where::kSecond:
                    outcome.bookmaker = second_name;
                    break;
                case compare::Where::kBoth:
                    outcome.bookmaker = first_name + QStringLiteral(" или ") + second_name;
                    break;
            }
            outcome.price = best.price;
            stakes.outcomes.push_back(outcome);
        }
    }
    return stakes;
}

SurebetStakesWindow::SurebetStakesWindow(SurebetStakes stakes, QWidget* parent)
    : QDialog(parent), stakes_(std::move(stakes)) {
    setObjectName(QStringLiteral("SurebetStakesWindow"));
    setWindowTitle(QStringLiteral("Ставки на вилку"));
    setAccessibleName(windowTitle());

    double inverse_sum = 0.0;
    for (const SurebetOutcome& outcome : stakes_.outcomes) {
        inverse_sum += 1.0 / outcome.price.ToDouble();
    }
    auto* event = new QLabel(stakes_.event, this);
    event->setObjectName(QStringLiteral("event"));
    QFont bold = event->font();
    bold.setBold(true);
    event->setFont(bold);
    event->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* market = new QLabel(this);
    market->setObjectName(QStringLiteral("market"));
    const double margin_profit = inverse_sum > 0.0 ? 1.0 / inverse_sum - 1.0 : 0.0;
    market->setText(stakes_.market + QStringLiteral(": прибыль ") +
                    QLocale::c()
                        .toString(margin_profit * 100.0, 'f', 2)
                        .replace(QLatin1Char('.'), QString::fromStdString(stakes_.decimal_mark)) +
                    QStringLiteral("% от поставленного"));
    // The event's name may end in an initial's full stop ("Кузнецова С."): no second one then.
    const QString event_told = stakes_.event.endsWith(QLatin1Char('.'))
                                   ? stakes_.event + QLatin1Char(' ')
                                   : stakes_.event + QStringLiteral(". ");
    setAccessibleDescription(event_told + market->text());

    bank_ = new QLineEdit(this);
    bank_->setObjectName(QStringLiteral("bank"));
    bank_->setAccessibleName(QStringLiteral("Банк"));
    bank_->setValidator(new BankValidator(bank_));
    bank_->setMaxLength(16);
    bank_->setMinimumWidth(bank_->fontMetrics().horizontalAdvance(QStringLiteral("0000000000,00")));
    double bank = ReadUserSetting(kBankKey, kDefaultBank).toDouble();
    if (!(bank > 0.0 && bank <= kMaxBank)) bank = kDefaultBank;
    bank = compare::Cents(bank);
    bank_->setText(bank == std::floor(bank) ? QString::number(static_cast<qint64>(bank))
                                            : Money(bank));
    auto* bank_label = new QLabel(QStringLiteral("&Банк:"), this);
    bank_label->setBuddy(bank_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("bank_problem"));
    // The window keeps its size whether or not the field says why it refuses the bank.
    problem_->setMinimumWidth(problem_->fontMetrics().horizontalAdvance(kBankProblem));
    auto* bank_row = new QHBoxLayout;
    bank_row->addWidget(bank_label);
    bank_row->addWidget(bank_);
    bank_row->addWidget(problem_, 1);

    table_ = new QTableWidget(static_cast<int>(stakes_.outcomes.size()), 5, this);
    table_->setObjectName(QStringLiteral("stakes"));
    table_->setAccessibleName(QStringLiteral("Ставки"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Исход"), QStringLiteral("Контора"),
                                       QStringLiteral("Коэффициент"), QStringLiteral("Ставка"),
                                       QStringLiteral("Выплата")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const SurebetOutcome& outcome = stakes_.outcomes[row];
        table_->setItem(row, 0, Cell(outcome.outcome, Qt::AlignLeft));
        table_->setItem(row, 1, Cell(outcome.bookmaker, Qt::AlignLeft));
        table_->setItem(row, 2, Cell(Price(outcome.price), Qt::AlignRight));
        table_->setItem(row, 3, Cell(kNoFigure, Qt::AlignRight));
        table_->setItem(row, 4, Cell(kNoFigure, Qt::AlignRight));
    }
    table_->resizeColumnsToContents();

    staked_ = new QLabel(this);
    staked_->setObjectName(QStringLiteral("staked"));
    worst_return_ = new QLabel(this);
    worst_return_->setObjectName(QStringLiteral("worst_return"));
    profit_ = new QLabel(this);
    profit_->setObjectName(QStringLiteral("profit"));
    for (QLabel* label : {staked_, worst_return_, profit_}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto* buttons = new QDialogButtonBox(this);
    copy_ = buttons->addButton(QStringLiteral("&Копировать"), QDialogButtonBox::ActionRole);
    copy_->setObjectName(QStringLiteral("copy"));
    copy_->setAccessibleDescription(QStringLiteral("Копирует ставки в буфер обмена как текст"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(QStringLiteral("Закрыть"));
    // Enter in the bank field recomputes; it neither copies nor closes.
    for (QPushButton* button : {copy_, close}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(copy_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(event);
    layout->addWidget(market);
    layout->addLayout(bank_row);
    layout->addWidget(table_);
    layout->addWidget(staked_);
    layout->addWidget(worst_return_);
    layout->addWidget(profit_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(bank_, table_);
    setTabOrder(table_, copy_);
    setTabOrder(copy_, close);

    connect(bank_, &QLineEdit::textChanged, this, [this] {
        Recompute();
        // The bank typed is the next window's; one that cannot be saved still holds here.
        if (const std::optional<double> bank = Bank()) WriteUserSetting(kBankKey, *bank);
    });
    Recompute();
    bank_->setFocus();
    bank_->selectAll();
}

std::optional<double> SurebetStakesWindow::Bank() const {
    if (!bank_->hasAcceptableInput()) return std::nullopt;
    return ParseBank(bank_->text());
}

QString SurebetStakesWindow::Money(double amount) const {
    return QLocale::c()
        .toString(amount, 'f', 2)
        .replace(QLatin1Char('.'), QString::fromStdString(stakes_.decimal_mark));
}

QString SurebetStakesWindow::Price(table::Decimal price) const {
    return QString::fromStdString(
        table::FormatDecimal(price, table::DecimalFormat::kPrice, stakes_.decimal_mark));
}

void SurebetStakesWindow::Recompute() {
    const std::optional<double> bank = Bank();
    copy_->setEnabled(bank.has_value());
    if (!bank) {
        problem_->setText(kBankProblem);
        bank_->setAccessibleDescription(problem_->text());
        for (int row = 0; row < table_->rowCount(); ++row) {
            table_->item(row, 3)->setText(kNoFigure);
            table_->item(row, 4)->setText(kNoFigure);
        }
        staked_->setText(QStringLiteral("Поставлено всего: ") + kNoFigure);
        worst_return_->setText(QStringLiteral("Выплата при любом исходе: ") + kNoFigure);
        profit_->setText(QStringLiteral("Прибыль: ") + kNoFigure);
    } else {
        problem_->clear();
        bank_->setAccessibleDescription(QStringLiteral("Сумма на все исходы вместе"));
        std::vector<double> prices;
        for (const SurebetOutcome& outcome : stakes_.outcomes) {
            prices.push_back(outcome.price.ToDouble());
        }
        const compare::StakeSplit split = compare::SplitStakes(prices, *bank);
        for (int row = 0; row < table_->rowCount(); ++row) {
            table_->item(row, 3)->setText(Money(split.stakes[row]));
            table_->item(row, 4)->setText(Money(compare::Cents(split.returns[row])));
        }
        // Rounding to cents can cost a cent, so the sums are those of the rounded stakes.
        const double worst = compare::Cents(split.worst_return);
        const double staked = compare::Cents(split.staked);
        const double profit = worst - staked;
        staked_->setText(QStringLiteral("Поставлено всего: ") + Money(staked));
        worst_return_->setText(QStringLiteral("Выплата при любом исходе: не меньше ") +
                               Money(worst));
        profit_->setText(
            QStringLiteral("Прибыль: ") + Money(profit) + QStringLiteral(" (") +
            QLocale::c()
                .toString(staked > 0.0 ? profit / staked * 100.0 : 0.0, 'f', 2)
                .replace(QLatin1Char('.'), QString::fromStdString(stakes_.decimal_mark)) +
            QStringLiteral("%)"));
    }
    table_->resizeColumnsToContents();
    for (QLabel* label : {staked_, worst_return_, profit_}) label->setAccessibleName(label->text());
}

QString SurebetStakesWindow::Text() const {
    if (!Bank()) return {};
    const QChar tab(QLatin1Char('\t'));
    QStringList lines{stakes_.event, findChild<QLabel*>(QStringLiteral("market"))->text(),
                      QStringLiteral("Банк: ") + Money(*Bank())};
    QStringList header;
    for (int column = 0; column < table_->columnCount(); ++column) {
        header << table_->horizontalHeaderItem(column)->text();
    }
    lines << header.join(tab);
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table_->columnCount(); ++column) {
            cells << table_->item(row, column)->text();
        }
        lines << cells.join(tab);
    }
    lines << staked_->text() << worst_return_->text() << profit_->text();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

SurebetStakesWindow* ShowSurebetStakes(QWidget* parent, const SurebetStakes& stakes) {
    auto* window = new SurebetStakesWindow(stakes, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace lintaro::views
