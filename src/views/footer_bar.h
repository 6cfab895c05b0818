// The summary footer under the rows: the count text ("Всего: 250") under the home team column,
// following that column's place, width and the horizontal scroll.
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

    QSize sizeHint() const override;

  private:
    QLabel* label_;
};

}  // namespace lintaro::views
