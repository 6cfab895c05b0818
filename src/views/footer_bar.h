// The summary footer under the rows: the count text ("Всего: 250") under the home team column,
// following that column's place, width and the horizontal scroll, and a status text to its right
// that tells the keyboard user what the focused cell holds beyond its text (what a moved price was)
// and why a key did nothing.
#pragma once

#include <QLabel>
#include <QWidget>

class QHeaderView;

namespace lintaro::views {

class FooterBar : public QWidget {
    Q_OBJECT
  public:
    explicit FooterBar(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;
    // Places the count under `column` of `header`; `x_origin` as for BandHeader::Follow.
    void Follow(const QHeaderView& header, int column, int x_origin);
    QLabel* CountLabel() const { return label_; }

    // The status text (empty: none). A new non-empty text is also announced to assistive
    // technology.
    void SetStatus(const QString& text);
    QString Status() const;
    QLabel* StatusLabel() const { return status_; }

    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceStatus();

    QLabel* label_;
    QLabel* status_;
};

}  // namespace lintaro::views
