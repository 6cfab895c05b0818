// The main window: toolbar, the bookmaker selector, the odds grid, the main and popup
// menus, and the seven actions. It owns the odds table, the refresh's HTTP client (handed to the
// worker for each read, app/refresh_worker.h), the about window and the event-sheet window. A
// refresh never blocks the user: the reader runs on a worker thread while the window keeps painting
// and answering, Esc cancels it keeping the rows read so far, and closing the window hides it at
// once and ends quietly when the worker has stopped. What each read came to (success, the marks,
// the counts, whether a failure is told) is the line follower's decision (live/line_follower.h);
// the window renders it.
#pragma once

#include <QMainWindow>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/both_lines_read.h"
#include "app/compared_line.h"
#include "app/history_writer.h"
#include "app/refresh_worker.h"
#include "app/user_dialogs.h"
#include "compare/aliases_file.h"
#include "compare/event_matcher.h"
#include "compare/user_aliases.h"
#include "live/line_follower.h"
#include "readers/line_session.h"
#include "table/odds_table.h"

class QAction;
class QTimer;
class QComboBox;
class QMenu;
class QToolBar;

namespace lintaro::views {
class EventChartWindow;
class OddsGridView;
class TFDopInfo;
class Tfsh_About;
}  // namespace lintaro::views

namespace lintaro::app {

class WindowAlerts;

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    // Tags of the actions that share ActionExecute.
    enum Tag {
        kRefresh = 1,
        kExpand = 2,
        kCollapse = 3,
        kSaveToExcel = 6,
        kDelete = 8,
        kExit = 10
    };

    // Builds the window hidden, the table closed and the grid empty, then the about window and the
    // event-sheet window. `dialogs` answers every box and dialog; it must outlive the window.
    explicit TfrmMain(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The shared handler of the six tagged actions; dispatches on the action's Tag.
    void ActionExecute(QAction* sender);
    void actShowDopInfoExecute();
    // Enables actShowDopInfo exactly when the table is open, no refresh runs, there is a current
    // event and its event sheet is not the empty text; actDelete follows the current event too.
    void actShowDopInfoUpdate();
    // False while the grid shows rows but its focus is on a group row or nowhere.
    bool HasCurrentEvent() const;
    // A double-click in the grid: runs actShowDopInfo when it is enabled right now.
    void ctl_DataGridDblClick();
    // "О программе": the about window, modally.
    void N9Click();

    // A refresh without the question (the command line's --refresh). Like every refresh it
    // returns at once; RefreshEnded() follows when the rows are shown.
    void RefreshWithoutQuestion();

    // The timed refresh: every `minutes` (0 switches it off) the line is read again without a
    // question, while the grid keeps showing the line before and keeps the user's place (groups
    // open, sort, filters, grouping, scroll, the focused event). While it reads, Esc cancels it
    // (once the find bar is closed) and Refresh replaces it by the user's own refresh; a read
    // that stalls or runs too long fails (SetTimedReadLimits). A read that reports a message, is
    // cancelled or brings no rows is thrown away: the line on screen stays, and the failure is
    // said once (the first time in a box, then only in the tooltips) until a read succeeds. It
    // never overlaps another refresh and waits while a modal window is open.
    void SetAutoRefreshMinutes(int minutes);
    int AutoRefreshMinutes() const { return auto_refresh_minutes_; }
    // One timed refresh now (what the timer runs).
    void TimedRefresh();
    // The limits of a timed read: no byte received for the stall limit, or more than the whole
    // limit in all, ends it as failed (the line on screen stays). Unset, they are kTimedStallMs and
    // kTimedWholeMs or the period when that is shorter; 0 is no limit. A manual refresh has none:
    // Esc ends it.
    void SetTimedReadLimits(std::optional<int> stall_ms, std::optional<int> whole_ms);
    readers::ReadLimits TimedReadLimits() const;
    static constexpr int kTimedStallMs = 60 * 1000;
    static constexpr int kTimedWholeMs = 10 * 60 * 1000;
    bool IsTimedRefresh() const { return run_.kind == RefreshKind::kTimed; }
    // When the line on screen was read, what the tooltips of the refresh button and the footer
    // say ("Обновлено 10:42:05"); empty before the first read.
    QString ReadStatus() const { return read_status_; }
    // Asks the running refresh to stop at its next network wait; the rows read so far stay.
    void CancelRefresh();
    bool IsRefreshing() const { return run_.kind != RefreshKind::kNone; }
    // How long closing waits for a refresh that cannot be interrupted (a host-name lookup) before
    // the window closes without it.
    static constexpr int kCloseWaitMs = 10000;

  signals:
    // A refresh has ended and its rows are in the table and the grid.
    void RefreshEnded();
    // The window has closed for good (the program ends).
    void Closed();

  public:
    // The application's default error report: the message with "." appended unless it already
    // ends in "." or a character that sorts before it, the error icon, the caption "Lintaro".
    void ReportError(const QString& message);
    static QString WithFullStop(const QString& message);

    // Components, by their names in the window.
    table::OddsTable& cds_Data() { return cds_data_; }
    views::OddsGridView* ctl_DataGrid() const { return ctl_data_grid_; }
    QComboBox* ctl_BKCombo() const { return ctl_bk_combo_; }
    QToolBar* ToolBar() const { return tool_bar_; }
    QMenu* PopupMenu() const { return popup_menu_; }
    QAction* Action(const char* name) const;  // "actRefresh", ..., "actCancelRefresh"
    // The refresh's client between reads; null while a read runs (the worker has it then).
    const readers::LineSession* FHTTP() const { return session_.get(); }
    // The hosts the readers ask ("name" or "name:port"); a change reaches the next read.
    // The selector's choice, as the user's choice is remembered between runs; `remember` false
    // sets it for this run only (the command line's --bookmaker).
    void SetBookmaker(int choice, bool remember);
    void SetFirstHost(std::string host) { first_host_ = std::move(host); }
    void SetSecondHost(std::string host) { second_host_ = std::move(host); }
    views::Tfsh_About* AboutWindow() const { return about_; }
    // Two bookmakers' lines shown together ("Обе конторы"): the current event at both (its
    // surebets at a bank of 100; compare::CompareEvent gives them at another), for the stakes
    // window; none for an event of one bookmaker only, a group row, or one line shown.
    std::optional<ComparedEventView> CurrentComparedEvent() const;
    // Opens the stakes of the current event's best surebet in a window of their own; false, and
    // nothing opens, when the current row is no compared event with a surebet.
    bool ShowSurebetStakes();
    bool ShowsComparison() const { return compared_.HasLine(); }
    // Linking events by hand (main_window_links.cpp). The popup menu offers, on an event of one
    // bookmaker only, "Связать с событием …", a submenu of the five likeliest unmatched events of
    // the other (same sport, a start the matcher accepts, best first); on a matched event whose
    // names a line of the user's aliases file links in its sport, "Разорвать связь". Either change
    // goes to the aliases file (a file that cannot take it is said once, and the change holds for
    // the run) and shows at once: the last reads merged anew, the user's place kept.
    // The aliases the comparison reads: the user's file with what this run could not save.
    const compare::UserAliases& UserAliases() const { return *user_aliases_; }
    // Both lines' comparison as shown, and the selector's choice the line on screen was read with
    // (-1 before the first read).
    const ComparedLine& Compared() const { return compared_; }
    int LineBookmaker() const { return line_bookmaker_; }
    // The alerts on prices and surebets ("Следить…", "Оповещения…").
    WindowAlerts* Alerts() const { return alerts_; }

    // The history of reads (main_window_history.cpp): every successful read is appended to the
    // history database off the window's thread, while "Хранить историю" is on (the default,
    // remembered between runs; off, no file is made), within limits the user sets ("История…").
    // A file that cannot be kept is said once in a non-modal note and the window goes on.
    void SetKeepHistory(bool on);
    bool KeepsHistory() const { return keep_history_; }
    void SetHistoryLimits(HistoryLimits limits);
    HistoryLimits GetHistoryLimits() const { return history_limits_; }
    HistoryWriter* History() const { return history_.get(); }
    // The note said when the history could not be kept; empty while it could.
    QString HistoryNote() const { return history_note_; }
    // What the movement marks compare with: the previous read (the default) or the first of this
    // run ("с начала сеанса"); the line on screen is marked anew at once. Remembered.
    void SetMarksBaseline(live::LineFollower::Baseline baseline);
    live::LineFollower::Baseline MarksBaseline() const { return marks_baseline_; }
    views::TFDopInfo* EventSheetWindow() const { return dop_info_; }
    // "График" (Ctrl+G, and the popup menu's item at an event once there is a history): the current
    // event's prices over time from the history of reads, each bookmaker's in a comparison, in a
    // window of its own (main_window_chart.cpp). Without a history, or when it cannot be read, the
    // window says so. Returns the window; nullptr, and nothing opens, without a current event.
    views::EventChartWindow* ShowEventChart();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

  private:
    // Which refresh runs: none, one the user asked for, or the timed one.
    enum class RefreshKind : uint8_t { kNone, kManual, kTimed };
    // What a run needs besides its kind.
    struct RefreshRun {
        RefreshKind kind = RefreshKind::kNone;
        bool manual_next = false;  // F5 cancelled the timed read: a manual one follows it
        bool both = false;         // both bookmakers' lines are being read
        QString started;           // when the running read began (HH:MM:SS)
        // Closed during a run: hidden, the window ends when the worker has stopped. Stays set.
        bool closing = false;
    };

    QAction* MakeAction(const char* name, const char* caption, int tag, int image);
    // actCancelRefresh: Esc stops a running refresh.
    void AddCancelAction();
    void BuildToolBar();
    void BuildMenus();
    void Refresh(bool ask);
    // "Обновить данные?"; true on Yes.
    bool AskRefresh();
    // The user chose `choice` in the selector: a refresh of that line, after the question. On No
    // the selector goes back to the line on screen.
    void BookmakerChosen(int choice);
    // A read of `choice` starts: one follower follows one line, so another bookmaker's line
    // starts afresh (no marks against the line before).
    void FollowLineOf(int choice);
    // On the window's thread, when the worker's read has ended: hands its rows to the table.
    void RefreshFinished(RefreshOutcome& outcome);
    // The reader's failure box, asked for by the worker.
    void ShowReaderMessage(const std::string& text);
    // Ends the run after its read or reads: the actions, a refresh that follows, then `finish`
    // with the run's kind (unless the window is closing).
    void EndRun(const std::function<void(RefreshKind kind)>& finish);
    void FinishManualRefresh(RefreshOutcome& outcome);
    // Both lines (main_window_both.cpp): the second worker's wiring, the end of both reads, a
    // reader's message naming its bookmaker, the compared line's marks and columns, and leaving
    // the comparison for one line.
    void SetUpBothLines();
    void BothReadsFinished();
    void ShowSideReaderMessage(int side, const std::string& text);
    void FinishComparedRefresh(bool timed);
    void ShowComparison(const ComparedRead& read);
    void LeaveComparison();
    bool ReadsBoth() const;
    // Linking by hand: the popup menu's items, shown as the current event allows.
    void AddLinkItems();
    void ShowLinkItems();
    // Links the current event with the other bookmaker's row `other` (an index into the shown
    // line's rows of that bookmaker), or undoes the current event's link; then MergeAgain.
    void LinkCurrentEvent(int other);
    void UnlinkCurrentEvent();
    // Saves `changes` to the user's aliases; says once that the file cannot take them.
    void ChangeAliases(const std::vector<compare::AliasesChange>& changes);
    // The last reads merged again with the user's aliases as they are now, shown in place of the
    // line on screen; the focus on `was` moves to the row of `becomes` when it is gone.
    void MergeAgain(const table::OddsRecord& was, const compare::EventPair& becomes);
    void FinishTimedRefresh(RefreshOutcome& outcome);
    // The chart's key and its popup menu item.
    void SetUpEventChart();
    // The window's items in the grid's header menu: the movement marks on or off, and the period
    // of the timed refresh.
    void AddHeaderMenuItems(QMenu* menu);
    // After rows of a read are shown: marks what moved since the last read that succeeded, as the
    // follower compared them. Returns what the tooltips say of it.
    QString MarkMovement(const live::FollowedRead& read);
    // The tooltips of the refresh button and the footer follow `status`; while a read runs, the
    // button's also says since when ("идёт обновление с 10:42:05").
    void SetReadStatus(const QString& status);
    void DeleteEvent();
    void SaveToExcel();
    // The worksheet export of the grid's rows to `file_name`, every row when `all_rows`.
    void SaveGridAsWorksheet(const QString& file_name, bool all_rows);
    // Starts a run of `kind`, or ends the running one (kNone): the actions, Esc and the tooltips.
    void SetRefreshing(RefreshKind kind);
    // Hands the session to the worker for a read of the chosen bookmaker under `limits`.
    void StartRead(readers::ReadLimits limits);
    void SetWaitCursor(bool on);
    // The history's steps: settings read at the start, the writer (re)started, a read of one line
    // or of both kept, the header menu's items, the limits' dialog, the note said once.
    void SetUpHistory();
    void StartHistory();
    void KeepRead();
    void KeepComparedRead(const ComparedRead& read);
    void AddHistoryMenuItems(QMenu* menu);
    void ShowHistoryDialog();
    void ShowHistoryNote(const QString& message);
    // Runs `handler`, reporting any failure that escapes it (no exception crosses the event loop).
    template <typename Handler>
    void Guarded(Handler&& handler);

    UserDialogs& dialogs_;
    table::OddsTable cds_data_;
    std::unique_ptr<readers::LineSession> session_;  // null while the worker reads with it
    std::string first_host_ = readers::kFirstBookmakerHost;
    std::string second_host_ = readers::kSecondBookmakerHost;
    std::unique_ptr<RefreshWorker> refresh_worker_;
    std::unique_ptr<BothLinesRead> both_read_;  // "Обе конторы": both lines on two workers
    ComparedLine compared_;                     // what both lines' reads came to, and their marks
    std::shared_ptr<compare::UserAliases> user_aliases_;  // what the comparison matches with
    bool aliases_failure_told_ = false;  // the aliases file could not take the last change
    QMenu* link_menu_ = nullptr;         // "Связать с событием …"
    QAction* unlink_action_ = nullptr;   // "Разорвать связь"

    views::OddsGridView* ctl_data_grid_ = nullptr;
    QComboBox* ctl_bk_combo_ = nullptr;
    QToolBar* tool_bar_ = nullptr;
    QMenu* popup_menu_ = nullptr;
    views::Tfsh_About* about_ = nullptr;
    views::TFDopInfo* dop_info_ = nullptr;
    WindowAlerts* alerts_ = nullptr;  // owned as a child

    RefreshRun run_;
    // The selector's choice the line on screen was read with; -1 before the first read.
    int line_bookmaker_ = -1;
    // What the reads came to: the last that succeeded, the marks, the failures told.
    live::LineFollower follower_;
    std::optional<int> timed_stall_ms_;
    std::optional<int> timed_whole_ms_;
    int auto_refresh_minutes_ = 0;
    QTimer* auto_refresh_timer_ = nullptr;
    QString read_status_;
    bool wait_cursor_ = false;
    bool placed_ = false;
    std::unique_ptr<HistoryWriter> history_;  // null while the history is off
    HistoryLimits history_limits_;
    bool keep_history_ = true;
    QString history_note_;
    live::LineFollower::Baseline marks_baseline_ = live::LineFollower::Baseline::kPreviousRead;
};

template <typename Handler>
void TfrmMain::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown failure"));
    }
}

}  // namespace lintaro::app
