// The alert dialog: its choices, the value fields with their validator, and the condition made.
#include "app/alert_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "table/odds_display.h"

namespace lintaro::app {

namespace {

constexpr int kAtLeast = 0;  // the direction box's items
constexpr int kAtMost = 1;

QString ValueText(table::Decimal value, const QString& mark) {
    return QString::fromStdString(
        table::FormatDecimal(value, table::DecimalFormat::kPrice, mark.toStdString()));
}

}  // namespace

QValidator::State AlertValueValidator::validate(QString& input, int&) const {
    const std::string text = input.toStdString();
    if (live::ParseAlertValue(text)) return Acceptable;
    return live::IsAlertValuePrefix(text) ? Intermediate : Invalid;
}

AlertDialog::AlertDialog(const AlertDialogSetup& setup, QWidget* parent)
    : QDialog(parent), setup_(setup) {
    setObjectName(QStringLiteral("alert_dialog"));
    setWindowTitle(QStringLiteral("Следить"));
    auto* layout = new QVBoxLayout(this);
    auto* event = new QLabel(setup.event, this);
    event->setObjectName(QStringLiteral("alert_event"));
    event->setTextFormat(Qt::PlainText);
    event->setWordWrap(true);
    layout->addWidget(event);

    auto* choices = new QButtonGroup(this);
    auto* validator = new AlertValueValidator(this);
    if (setup.field >= 0) {
        price_choice_ = new QRadioButton(
            QStringLiteral("Цена %1 (сейчас %2)")
                .arg(setup.field_caption, setup.price ? ValueText(*setup.price, setup.decimal_mark)
                                                      : QStringLiteral("нет")),
            this);
        price_choice_->setObjectName(QStringLiteral("alert_price_choice"));
        choices->addButton(price_choice_);
        layout->addWidget(price_choice_);
        auto* row = new QHBoxLayout;
        direction_ = new QComboBox(this);
        direction_->setObjectName(QStringLiteral("alert_direction"));
        direction_->addItems({QStringLiteral("поднимется до"), QStringLiteral("опустится до")});
        direction_->setAccessibleName(QStringLiteral("Направление"));
        // A screen reader names a drop-down list by its current item: the description says what
        // the list is.
        direction_->setAccessibleDescription(QStringLiteral("Направление цены"));
        price_value_ = new QLineEdit(this);
        price_value_->setObjectName(QStringLiteral("alert_price_value"));
        price_value_->setValidator(validator);
        price_value_->setAccessibleName(QStringLiteral("Цена"));
        if (setup.price)
            price_value_->setPlaceholderText(ValueText(*setup.price, setup.decimal_mark));
        row->addSpacing(20);
        row->addWidget(direction_);
        row->addWidget(price_value_);
        layout->addLayout(row);
        connect(direction_, &QComboBox::activated, this, [this] { direction_chosen_ = true; });
        connect(price_value_, &QLineEdit::textEdited, this, [this] {
            price_choice_->setChecked(true);
            FollowPrice();
        });
    }
    if (setup.compared) {
        event_surebet_choice_ = new QRadioButton(QStringLiteral("Вилка на этом событии"), this);
        event_surebet_choice_->setObjectName(QStringLiteral("alert_event_surebet_choice"));
        choices->addButton(event_surebet_choice_);
        layout->addWidget(event_surebet_choice_);
        any_surebet_choice_ =
            new QRadioButton(QStringLiteral("Любая вилка с доходом от (%)"), this);
        any_surebet_choice_->setObjectName(QStringLiteral("alert_any_surebet_choice"));
        choices->addButton(any_surebet_choice_);
        layout->addWidget(any_surebet_choice_);
        auto* row = new QHBoxLayout;
        profit_value_ = new QLineEdit(this);
        profit_value_->setObjectName(QStringLiteral("alert_profit_value"));
        profit_value_->setValidator(validator);
        profit_value_->setAccessibleName(QStringLiteral("Доход вилки, %"));
        profit_value_->setPlaceholderText(QStringLiteral("1") + setup.decimal_mark +
                                          QStringLiteral("5"));
        row->addSpacing(20);
        row->addWidget(profit_value_);
        layout->addLayout(row);
        connect(profit_value_, &QLineEdit::textEdited, this,
                [this] { any_surebet_choice_->setChecked(true); });
    }
    if (!choices->buttons().isEmpty()) choices->buttons().first()->setChecked(true);
    // The keyboard starts in the value to type.
    if (price_value_) {
        price_value_->setFocus();
    } else if (event_surebet_choice_) {
        event_surebet_choice_->setFocus();
    }

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("alert_message"));
    message_->setTextFormat(Qt::PlainText);
    // One short line, its room kept, so the dialog does not jump when it is said.
    message_->setMinimumHeight(message_->fontMetrics().height());
    layout->addWidget(message_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Следить"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        if (Condition()) accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(choices, &QButtonGroup::buttonToggled, this, [this] { Update(); });
    for (QLineEdit* field : {price_value_, profit_value_}) {
        if (!field) continue;
        connect(field, &QLineEdit::textChanged, this, [this] {
            refused_ = false;
            Update();
        });
        // A key the field refuses says why.
        connect(field, &QLineEdit::inputRejected, this, [this] {
            refused_ = true;
            // The field takes its text back after it has said so: look once it has.
            QTimer::singleShot(0, this, [this] { Update(); });
        });
    }
    Update();
}

void AlertDialog::FollowPrice() {
    if (direction_chosen_ || !setup_.price) return;
    const std::optional<table::Decimal> value =
        live::ParseAlertValue(price_value_->text().toStdString());
    if (!value) return;
    direction_->setCurrentIndex(value->scaled >= setup_.price->scaled ? kAtLeast : kAtMost);
}

void AlertDialog::Update() {
    QLineEdit* field = nullptr;
    if (price_choice_ && price_choice_->isChecked()) field = price_value_;
    if (any_surebet_choice_ && any_surebet_choice_->isChecked()) field = profit_value_;
    QString message;
    if (field && (refused_ || (!field->text().isEmpty() &&
                               !live::ParseAlertValue(field->text().toStdString())))) {
        message = QStringLiteral("Введите число больше 0 и не больше 1000");
    }
    message_->setText(message);
    message_->setAccessibleName(message);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(Condition().has_value());
}

std::optional<live::AlertCondition> AlertDialog::Condition() const {
    live::AlertCondition condition;
    if (price_choice_ && price_choice_->isChecked()) {
        condition.kind = live::AlertKind::kPrice;
        condition.field = setup_.field;
        condition.direction = direction_->currentIndex() == kAtMost
                                  ? live::AlertDirection::kAtMost
                                  : live::AlertDirection::kAtLeast;
        condition.value = live::ParseAlertValue(price_value_->text().toStdString());
        if (!condition.value) return std::nullopt;
        return condition;
    }
    condition.kind = live::AlertKind::kSurebet;
    condition.line = live::AlertLine::kCompared;
    if (event_surebet_choice_ && event_surebet_choice_->isChecked()) return condition;
    if (any_surebet_choice_ && any_surebet_choice_->isChecked()) {
        condition.value = live::ParseAlertValue(profit_value_->text().toStdString());
        if (!condition.value) return std::nullopt;
        return condition;
    }
    return std::nullopt;
}

}  // namespace lintaro::app
