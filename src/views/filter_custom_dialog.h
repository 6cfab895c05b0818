// The "Custom AutoFilter" dialog: two comparisons on one column, joined by "&And" or "&Or". The
// value boxes offer the column's values and take any typed text.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <vector>

#include "grid/grid_filter.h"

namespace lintaro::views {

class CustomFilterDialog : public QDialog {
    Q_OBJECT
  public:
    CustomFilterDialog(const QString& caption, const std::vector<std::string>& values,
                       const grid::ColumnFilter& current, QWidget* parent = nullptr);

    // The custom filter the dialog's controls describe. An empty second operator means one
    // comparison; an empty operand compares with the empty text (equals matches blank cells).
    grid::ColumnFilter Filter() const;

    QComboBox* FirstOperator() const { return first_op_; }
    QComboBox* FirstValue() const { return first_value_; }
    QComboBox* SecondOperator() const { return second_op_; }
    QComboBox* SecondValue() const { return second_value_; }
    QRadioButton* AndButton() const { return and_; }
    QRadioButton* OrButton() const { return or_; }

    // The operator list's texts, in CompareOp order.
    static QStringList OperatorTexts();

  private:
    QComboBox* first_op_;
    QComboBox* first_value_;
    QComboBox* second_op_;
    QComboBox* second_value_;
    QRadioButton* and_;
    QRadioButton* or_;
};

}  // namespace lintaro::views
