// "Оповещения": the small window that lists the user's alerts, what each waits for and whether it
// has fired (when, at what price), and removes them. The list is the window alerts' own
// (app/window_alerts.h); this window only shows it and asks for removals.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace lintaro::app {

// One alert as the list shows it.
struct AlertListItem {
    QString condition;  // "P1 поднимется до 2.50"
    QString event;      // "Спартак — ЦСКА", or "любое событие"
    QString state;      // "ждёт", or "сработало 11.12.2026 10:42:05: 2.55"
};

class AlertsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit AlertsWindow(QWidget* parent = nullptr);

    // Shows `items` in place of the list before, keeping the focused row where it can.
    void SetItems(const std::vector<AlertListItem>& items);
    QTreeWidget* List() const { return list_; }
    QPushButton* RemoveButton() const { return remove_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    // The user asked to remove the alert at `index` (Delete, or the button).
    void RemoveRequested(int index);

  private:
    void RemoveCurrent();

    QTreeWidget* list_ = nullptr;
    QPushButton* remove_ = nullptr;
};

}  // namespace lintaro::app
