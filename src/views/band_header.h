// The band header row above the column headers: one caption per visible band, each as wide as the
// band's visible columns, following column resizing, moving and horizontal scrolling. Dragging a
// band's right edge resizes the band through its last visible column.
#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

#include "grid/grid_layout.h"

class QHeaderView;

namespace lintaro::views {

class OddsGridModel;

class BandHeader : public QWidget {
    Q_OBJECT
  public:
    explicit BandHeader(QWidget* parent = nullptr);

    // Captions, fonts and colours of the bands.
    void SetBands(const grid::GridLayout& layout, const QFont& font, const QColor& text_colour,
                  const QColor& background);
    // Places each band over its columns as `header` shows `model`'s columns; `x_origin` is the x
    // of the header's viewport in this widget's coordinates.
    void Follow(QHeaderView& header, const OddsGridModel& model, int x_origin);

    // The caption label of `band` (hidden when the band has no visible column).
    QLabel* BandLabel(int band) const;

    QSize sizeHint() const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QHeaderView* header_ = nullptr;
    std::vector<QLabel*> labels_;
    std::vector<int> last_sections_;  // per band: the header section at its right edge, or -1
    int resizing_section_ = -1;
    int resize_start_x_ = 0;
    int resize_start_size_ = 0;
};

}  // namespace lintaro::views
