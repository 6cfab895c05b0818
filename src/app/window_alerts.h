// The window's alerts: "Следить…" in the grid's popup menu sets one on the focused price or event,
// "Оповещения…" (popup and header menus) lists them and removes them, every read's end checks
// them (CheckAfterRead, one call at the end of a read), and one that fires is told as a desktop
// notification, or in a note in the window when no notification service takes it. The list is kept
// between runs in alerts.json beside the settings file; a file that cannot be read is kept aside
// as alerts.json.damaged and said once, never overwritten unseen.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "live/alerts.h"

class QAction;
class QMenu;
class QMessageBox;

namespace lintaro::app {

class AlertDialog;
class AlertsWindow;
class DesktopNotifier;
class TfrmMain;

class WindowAlerts : public QObject {
    Q_OBJECT
  public:
    // Adds the items to the window's popup and header menus and reads the saved alerts.
    explicit WindowAlerts(TfrmMain& window);
    ~WindowAlerts() override;

    // After a read has ended and its line is shown: checks every waiting alert against it.
    void CheckAfterRead();

    // Opens "Следить…" on the focused cell's event; null when there is no event, or nothing to
    // watch there (no price under the focus with one line shown).
    AlertDialog* OpenAlertDialog();
    // Opens the list of alerts.
    AlertsWindow* OpenAlertsWindow();

    const std::vector<live::Alert>& Alerts() const { return alerts_; }
    void Add(live::Alert alert);
    void Remove(int index);
    DesktopNotifier* Notifier() const { return notifier_; }
    // The note in the window that says what no notification said (and a file's trouble), if open.
    QMessageBox* Note() const { return note_; }

    // alerts.json beside the settings file; empty when there is no configuration folder.
    static QString FilePath();

  private:
    void Load();
    void Save();
    void ShowNote(const QString& text);
    void Tell(const live::Alert& alert);
    void RefreshList();
    // The line the window shows now, as the alerts name lines; none before a read.
    std::optional<live::AlertLine> ShownLine() const;

    TfrmMain& window_;
    std::vector<live::Alert> alerts_;
    DesktopNotifier* notifier_ = nullptr;
    QAction* watch_ = nullptr;
    QAction* list_in_popup_ = nullptr;  // shown in the popup menu while there are alerts
    QPointer<AlertsWindow> list_;
    QPointer<QMessageBox> note_;
    bool file_kept_aside_failed_ = false;  // a damaged file could not be kept: nothing is saved
    bool save_failure_told_ = false;
};

}  // namespace lintaro::app
