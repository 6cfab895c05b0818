// The grid's find bar: a text field and a close button shown above the grid on Ctrl+F. It only
// reports what the user does; the grid decides what a search shows (odds_grid_view.h).
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace lintaro::views {

class FindBar : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(QWidget* parent = nullptr);

    QLineEdit* Field() const { return field_; }
    QToolButton* CloseButton() const { return close_; }
    QString Text() const { return field_->text(); }

    // Says "Ничего не найдено" beside the field, or nothing.
    void SetNothingFound(bool nothing);
    bool SaysNothingFound() const { return !nothing_found_->isHidden(); }

    // Shows the bar (when hidden) and puts the keyboard in the field with its text selected, so
    // that typing replaces the last search.
    void Open();

  signals:
    // The text changed, by typing, pasting or the field's clear button (every keystroke).
    void TextChanged(const QString& text);
    // Enter in the field.
    void Accepted();
    // Esc in the field or the close button.
    void CloseRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* field_;
    QToolButton* close_;
    QLabel* nothing_found_;
};

}  // namespace lintaro::views
