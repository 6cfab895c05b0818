// The custom filter dialog's controls and the condition they make.
#include "views/filter_custom_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lintaro::views {
namespace {

// The operators that need no operand.
bool NeedsOperand(grid::CompareOp op) {
    return op != grid::CompareOp::kBlank && op != grid::CompareOp::kNonBlank;
}

QComboBox* ValueBox(const std::vector<std::string>& values, const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const std::string& value : values) box->addItem(QString::fromStdString(value));
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    box->setAccessibleName(name);
    return box;
}

}  // namespace

QStringList CustomFilterDialog::OperatorTexts() {
    return {QStringLiteral("equals"),          QStringLiteral("does not equal"),
            QStringLiteral("is less than"),    QStringLiteral("is less than or equal to"),
            QStringLiteral("is greater than"), QStringLiteral("is greater than or equal to"),
            QStringLiteral("is like"),         QStringLiteral("is not like"),
            QStringLiteral("is blank"),        QStringLiteral("is not blank")};
}

CustomFilterDialog::CustomFilterDialog(const QString& caption,
                                       const std::vector<std::string>& values,
                                       const grid::ColumnFilter& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Custom AutoFilter"));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("custom_filter_dialog"));

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Show rows where:"), this);
    layout->addWidget(title);
    auto* group = new QGroupBox(caption, this);
    group->setAccessibleName(caption);
    auto* grid_layout = new QGridLayout(group);

    first_op_ = new QComboBox(group);
    first_op_->addItems(OperatorTexts());
    first_op_->setAccessibleName(QStringLiteral("Первое условие"));
    first_value_ = ValueBox(values, QStringLiteral("Первое значение"), group);
    second_op_ = new QComboBox(group);
    second_op_->addItem(QString());  // no second comparison
    second_op_->addItems(OperatorTexts());
    second_op_->setAccessibleName(QStringLiteral("Второе условие"));
    second_value_ = ValueBox(values, QStringLiteral("Второе значение"), group);
    and_ = new QRadioButton(QStringLiteral("&And"), group);
    or_ = new QRadioButton(QStringLiteral("&Or"), group);
    and_->setChecked(true);

    auto* join = new QHBoxLayout;
    join->addWidget(and_);
    join->addWidget(or_);
    join->addStretch();
    grid_layout->addWidget(first_op_, 0, 0);
    grid_layout->addWidget(first_value_, 0, 1);
    grid_layout->addLayout(join, 1, 0, 1, 2);
    grid_layout->addWidget(second_op_, 2, 0);
    grid_layout->addWidget(second_value_, 2, 1);
    layout->addWidget(group);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    if (current.kind == grid::ColumnFilter::Kind::kCustom) {
        first_op_->setCurrentIndex(static_cast<int>(current.first.op));
        first_value_->setEditText(QString::fromStdString(current.first.operand));
        if (current.second) {
            second_op_->setCurrentIndex(static_cast<int>(current.second->op) + 1);
            second_value_->setEditText(QString::fromStdString(current.second->operand));
        }
        or_->setChecked(current.join_with_or);
    }
    auto enable_values = [this] {
        first_value_->setEnabled(
            NeedsOperand(static_cast<grid::CompareOp>(first_op_->currentIndex())));
        const int second = second_op_->currentIndex();
        second_value_->setEnabled(second > 0 &&
                                  NeedsOperand(static_cast<grid::CompareOp>(second - 1)));
    };
    connect(first_op_, &QComboBox::currentIndexChanged, this, enable_values);
    connect(second_op_, &QComboBox::currentIndexChanged, this, enable_values);
    enable_values();
}

grid::ColumnFilter CustomFilterDialog::Filter() const {
    grid::Comparison first{static_cast<grid::CompareOp>(first_op_->currentIndex()),
                           NeedsOperand(static_cast<grid::CompareOp>(first_op_->currentIndex()))
                               ? first_value_->currentText().toStdString()
                               : std::string()};
    std::optional<grid::Comparison> second;
    if (second_op_->currentIndex() > 0) {
        const auto op = static_cast<grid::CompareOp>(second_op_->currentIndex() - 1);
        second = grid::Comparison{
            op, NeedsOperand(op) ? second_value_->currentText().toStdString() : std::string()};
    }
    return grid::ColumnFilter::Custom(std::move(first), std::move(second), or_->isChecked());
}

}  // namespace lintaro::views
