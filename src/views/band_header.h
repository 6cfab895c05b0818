// The band header row above the column headers: one caption per visible band, each as wide as the
// band's visible columns, following column resizing, moving and horizontal scrolling.
#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

#include "grid/grid_layout.h"

class QHeaderView;

namespace lintaro::views {

class BandHeader : public QWidget {
    Q_OBJECT
  public:
    explicit BandHeader(QWidget* parent = nullptr);

    // Captions, fonts and colours of the bands.
    void SetBands(const grid::GridLayout& layout, const QFont& font, const QColor& text_colour,
                  const QColor& background);
    // Places each band over its columns as `header` shows them; `x_origin` is the x of the
    // header's viewport in this widget's coordinates.
    void Follow(const QHeaderView& header, const grid::GridLayout& layout, int x_origin);

    // The caption label of `band` (hidden when the band has no visible column).
    QLabel* BandLabel(int band) const;

    QSize sizeHint() const override;

  private:
    std::vector<QLabel*> labels_;
};

}  // namespace lintaro::views
