// A column's filter drop-down: a pop-up list of "(All)", "(Custom...)", "(Blanks)",
// "(NonBlanks)" and the column's values. Choosing an entry (click, Enter) reports it and closes.
#pragma once

#include <QFrame>
#include <QListWidget>
#include <vector>

#include "grid/grid_filter.h"

namespace lintaro::views {

class FilterPopup : public QFrame {
    Q_OBJECT
  public:
    // `caption`: the column's caption, for the accessible name ("Фильтр: " and the caption).
    FilterPopup(const QString& caption, std::vector<grid::FilterListEntry> entries,
                QWidget* parent = nullptr);

    QListWidget* List() const { return list_; }
    const std::vector<grid::FilterListEntry>& Entries() const { return entries_; }
    // Chooses entry `row` as a click would.
    void Choose(int row);

  signals:
    void EntryChosen(const grid::FilterListEntry& entry);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QListWidget* list_;
    std::vector<grid::FilterListEntry> entries_;
    bool chosen_ = false;
};

}  // namespace lintaro::views
