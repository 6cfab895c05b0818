// The filter drop-down list.
#include "views/filter_popup.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace lintaro::views {

FilterPopup::FilterPopup(const QString& caption, std::vector<grid::FilterListEntry> entries,
                         QWidget* parent)
    : QFrame(parent, Qt::Popup), list_(new QListWidget(this)), entries_(std::move(entries)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    const QString name = QStringLiteral("Фильтр: ") + caption;
    setAccessibleName(name);
    list_->setAccessibleName(name);
    list_->setObjectName(QStringLiteral("filter_list"));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const grid::FilterListEntry& entry : entries_) {
        list_->addItem(QString::fromStdString(entry.text));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Choose(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { Choose(list_->row(item)); });
    list_->setFocus();
}

void FilterPopup::Choose(int row) {
    if (chosen_ || row < 0 || row >= static_cast<int>(entries_.size())) return;
    chosen_ = true;
    const grid::FilterListEntry entry = entries_[row];
    close();
    emit EntryChosen(entry);
}

}  // namespace lintaro::views

namespace lintaro::views {

void FilterPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

}  // namespace lintaro::views
