// "Следить…": the dialog that sets an alert on the event under the grid's focus: its price
// reaching a value (up or down), or, with both lines compared, a surebet on the event or any
// surebet above a profit. The value fields take only what an alert can wait for: a number above 0
// and at most 1000; anything else is refused as it is typed, and a plain message says why while
// what is typed is not yet a value or a key was refused.
#pragma once

#include <QDialog>
#include <QRadioButton>
#include <QString>
#include <QValidator>
#include <optional>

#include "live/alerts.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace lintaro::app {

// Takes what may still become an alert's value (IsAlertValuePrefix) and accepts a value
// (ParseAlertValue): a sign, a letter, a third decimal mark or a number above 1000 never enters.
class AlertValueValidator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// What the dialog is set up with.
struct AlertDialogSetup {
    QString event;  // "Спартак — ЦСКА" as the window names the event
    // The price under the focus: its field (an index into kOddsFields), the caption the grid
    // gives it, and its price now; no price field when the focus is on none.
    int field = -1;
    QString field_caption;
    std::optional<table::Decimal> price;
    QString decimal_mark = QStringLiteral(".");
    bool compared = false;  // both lines compared: the surebet choices are offered
};

class AlertDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AlertDialog(const AlertDialogSetup& setup, QWidget* parent = nullptr);

    // The condition chosen (its event, line and identity left for the caller to set); none while
    // the chosen value is not a value.
    std::optional<live::AlertCondition> Condition() const;
    // Whether the condition chosen is of this event (a price, or a surebet on it), not of any.
    bool OnEvent() const { return !any_surebet_choice_ || !any_surebet_choice_->isChecked(); }

    // The parts, for tests and assistive technology.
    QRadioButton* PriceChoice() const { return price_choice_; }
    QRadioButton* EventSurebetChoice() const { return event_surebet_choice_; }
    QRadioButton* AnySurebetChoice() const { return any_surebet_choice_; }
    QComboBox* DirectionBox() const { return direction_; }
    QLineEdit* PriceField() const { return price_value_; }
    QLineEdit* ProfitField() const { return profit_value_; }
    QLabel* Message() const { return message_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

  private:
    // The direction follows the value typed against the price now, until the user picks one.
    void FollowPrice();
    void Update();

    AlertDialogSetup setup_;
    QRadioButton* price_choice_ = nullptr;
    QRadioButton* event_surebet_choice_ = nullptr;
    QRadioButton* any_surebet_choice_ = nullptr;
    QComboBox* direction_ = nullptr;
    QLineEdit* price_value_ = nullptr;
    QLineEdit* profit_value_ = nullptr;
    QLabel* message_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool direction_chosen_ = false;
    bool refused_ = false;  // the last key typed was refused: the message says why  // the user
                            // picked the direction: it no longer follows
};

}  // namespace lintaro::app
