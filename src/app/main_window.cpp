// The main window: its layout, the actions' handlers, and a refresh that keeps the window usable.
#include "app/main_window.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <string_view>
#include <utility>

#include "app/command_line.h"
#include "app/window_alerts.h"
#include "live/event_identity.h"
#include "live/line_movement.h"
#include "live/line_snapshot.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "table/odds_display.h"
#include "views/about_window.h"
#include "views/event_sheet_window.h"
#include "views/find_bar.h"
#include "views/footer_bar.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"
#include "views/window_placement.h"

namespace lintaro::app {

using readers::ReadLimits;

namespace {

constexpr QSize kOuterSize(937, 531);

// The time of day the tooltips give a read ("10:42:05").
QString ClockText() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }

}  // namespace

TfrmMain::TfrmMain(UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), session_(std::make_unique<readers::LineSession>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Lintaro"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    resize(kOuterSize);
    refresh_worker_ = std::make_unique<RefreshWorker>(
        this, RefreshWorker::Callbacks{
                  [this](const std::string& text) { ShowReaderMessage(text); },
                  [this](bool on) {
                      if (run_.kind != RefreshKind::kTimed)
                          SetWaitCursor(on);  // a timed read does not disturb the user
                  },
                  [this](RefreshOutcome& outcome) { RefreshFinished(outcome); }});
    SetUpBothLines();

    ctl_data_grid_ = new views::OddsGridView(this);
    ctl_data_grid_->setObjectName(QStringLiteral("ctl_DataGrid"));
    ctl_data_grid_->SetTable(&cds_data_);
    setCentralWidget(ctl_data_grid_);

    MakeAction("actRefresh", "Обновить", kRefresh, 3)->setShortcut(QKeySequence(Qt::Key_F5));
    MakeAction("actFullExpand", "Развернуть группы", kExpand, 0);
    MakeAction("actFullCollaps", "Свернуть группы", kCollapse, 1);
    MakeAction("actSaveToExcel", "Конвертировать данные в Excel", kSaveToExcel, 2);
    MakeAction("actDelete", "Удалить событие", kDelete, -1);
    MakeAction("actExit", "Выход", kExit, -1);
    QAction* show_dop_info = MakeAction("actShowDopInfo", "Показать роспись", 0, 5);
    show_dop_info->setEnabled(false);
    connect(show_dop_info, &QAction::triggered, this,
            [this] { Guarded([this] { actShowDopInfoExecute(); }); });
    AddCancelAction();

    BuildToolBar();
    BuildMenus();
    // F10 opens the menu bar at its first menu, as on other desktops.
    auto* menu_key = new QAction(this);
    menu_key->setObjectName(QStringLiteral("actMenuBar"));
    menu_key->setShortcut(QKeySequence(Qt::Key_F10));
    connect(menu_key, &QAction::triggered, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
    });
    addAction(menu_key);
    // Ctrl+B puts the keyboard on the bookmaker selector with its list open.
    auto* choose_key = new QAction(this);
    choose_key->setObjectName(QStringLiteral("actChooseBookmaker"));
    choose_key->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(choose_key, &QAction::triggered, this, [this] {
        if (!ctl_bk_combo_->isEnabled()) return;
        ctl_bk_combo_->setFocus(Qt::ShortcutFocusReason);
        ctl_bk_combo_->showPopup();
    });
    addAction(choose_key);
    ctl_data_grid_->SetPopupMenu(popup_menu_);
    SetUpEventChart();
    connect(ctl_data_grid_, &views::OddsGridView::CurrentRowChanged, this,
            &TfrmMain::actShowDopInfoUpdate);
    connect(ctl_data_grid_, &views::OddsGridView::DoubleClicked, this,
            [this] { Guarded([this] { ctl_DataGridDblClick(); }); });
    // The header's menu also switches the movement marks and the timed refresh.
    connect(ctl_data_grid_, &views::OddsGridView::HeaderMenuAboutToShow, this,
            [this](QMenu* menu) { AddHeaderMenuItems(menu); });
    // Enter on an event row does what a double-click does; on a compared event with a surebet it
    // shows the surebet's stakes.
    connect(ctl_data_grid_, &views::OddsGridView::EventActivated, this, [this] {
        Guarded([this] {
            if (!ShowSurebetStakes()) ctl_DataGridDblClick();
        });
    });
    // Like an idle-time update: the action follows the current row whenever the event loop is
    // about to wait.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TfrmMain::actShowDopInfoUpdate);
    }

    // Events keep their place across timed refreshes by who plays whom, where and when: the
    // prices are what changes.
    ctl_data_grid_->SetSameEvent(live::SameIdentity);
    auto_refresh_timer_ = new QTimer(this);
    connect(auto_refresh_timer_, &QTimer::timeout, this, [this] { TimedRefresh(); });

    // The other two windows, in this order, for the whole run.
    about_ = new views::Tfsh_About(this);
    dop_info_ = new views::TFDopInfo(this);
    alerts_ = new WindowAlerts(*this);
    SetUpHistory();
}

TfrmMain::~TfrmMain() {
    history_.reset();         // writes what waits
    refresh_worker_.reset();  // a read still under way ends on its own, unheard
    both_read_.reset();
    qApp->removeEventFilter(this);
    ctl_data_grid_->SetTable(nullptr);
    SetWaitCursor(false);
}

void TfrmMain::ActionExecute(QAction* sender) {
    Guarded([this, sender] {
        switch (sender->data().toInt()) {
            case kRefresh:
                Refresh(/*ask=*/true);
                break;
            case kExpand:
                ctl_data_grid_->ExpandAllGroups();
                break;
            case kCollapse:
                ctl_data_grid_->CollapseAllGroups();
                break;
            case kSaveToExcel:
                SaveToExcel();
                break;
            case kDelete:
                DeleteEvent();
                break;
            case kExit:
                close();
                break;
            default:
                break;
        }
    });
}

void TfrmMain::RefreshWithoutQuestion() {
    Guarded([this] { Refresh(/*ask=*/false); });
}

bool TfrmMain::AskRefresh() {
    const MessageBoxRequest question{QStringLiteral("Обновить данные?"),
                                     QStringLiteral("Confirm"),
                                     QMessageBox::Question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     {QStringLiteral("&Yes"), QStringLiteral("&No")},
                                     QMessageBox::Yes};
    return dialogs_.ShowMessageBox(this, question) == QMessageBox::Yes;
}

void TfrmMain::SetBookmaker(int choice, bool remember) {
    if (choice < 0 || choice >= kBookmakerChoiceCount) return;
    ctl_bk_combo_->setCurrentIndex(choice);
    if (remember) {
        // A choice that cannot be saved still holds for the run.
        views::WriteUserSetting(QStringLiteral("bookmaker"),
                                QString::fromLatin1(BookmakerChoiceName(choice)));
    }
}

void TfrmMain::BookmakerChosen(int choice) {
    if (choice == line_bookmaker_) return;  // that line is on screen already
    if (run_.closing || run_.kind == RefreshKind::kManual) return;
    if (line_bookmaker_ >= 0 && !AskRefresh()) {
        // The selector keeps naming the line on screen.
        ctl_bk_combo_->setCurrentIndex(line_bookmaker_);
        return;
    }
    SetBookmaker(choice, /*remember=*/true);
    // Before the first read there is no line to lose, yet a refresh is what the choice asks for:
    // the question comes as for F5.
    if (line_bookmaker_ < 0) {
        Refresh(/*ask=*/true);
    } else {
        Refresh(/*ask=*/false);
    }
}

void TfrmMain::FollowLineOf(int choice) {
    if (choice != line_bookmaker_) {
        follower_ = live::LineFollower();
        follower_.SetBaseline(marks_baseline_);
    }
    line_bookmaker_ = choice;
}

void TfrmMain::Refresh(bool ask) {
    if (run_.closing || run_.kind == RefreshKind::kManual) return;
    if (ask && !AskRefresh()) return;
    if (run_.closing || run_.kind == RefreshKind::kManual) return;
    if (run_.kind == RefreshKind::kTimed) {
        // The user's refresh replaces the timed read under way: it starts once that has stopped.
        run_.manual_next = true;
        CancelRefresh();
        return;
    }
    cds_data_.ResetTable();
    FollowLineOf(ctl_bk_combo_->currentIndex());
    run_.both = ReadsBoth();
    if (run_.both) {
        compared_.Begin(live::LineFollower::Telling::kEvery);
    } else {
        follower_.Begin(live::LineFollower::Telling::kEvery);
    }
    SetRefreshing(RefreshKind::kManual);
    SetWaitCursor(true);
    StartRead({});
}

void TfrmMain::SetAutoRefreshMinutes(int minutes) {
    auto_refresh_minutes_ = std::max(0, minutes);
    if (auto_refresh_minutes_ == 0) {
        auto_refresh_timer_->stop();
    } else {
        auto_refresh_timer_->start(auto_refresh_minutes_ * 60 * 1000);
    }
}

void TfrmMain::TimedRefresh() {
    // Never two at once; the next tick tries again.
    if (IsRefreshing() || run_.closing) return;
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        // A box, dialog or menu is open: read once it has closed.
        QTimer::singleShot(1000, this, [this] {
            if (auto_refresh_minutes_ > 0) TimedRefresh();
        });
        return;
    }
    // A timed read's failure is told once; after that only the tooltips tell, until one succeeds.
    FollowLineOf(ctl_bk_combo_->currentIndex());
    run_.both = ReadsBoth();
    if (run_.both) {
        compared_.Begin(live::LineFollower::Telling::kOnce);
    } else {
        follower_.Begin(live::LineFollower::Telling::kOnce);
    }
    SetRefreshing(RefreshKind::kTimed);
    StartRead(TimedReadLimits());
}

void TfrmMain::StartRead(ReadLimits limits) {
    // A read given up on when the window closed took its session along: a new one takes over.
    if (!session_) session_ = std::make_unique<readers::LineSession>();
    session_->first_host = first_host_;
    session_->second_host = second_host_;
    session_->SetReadLimits(limits);
    if (run_.both) {
        session_ = both_read_->Start(std::move(session_), first_host_, second_host_, limits);
        return;
    }
    session_ = refresh_worker_->Start(std::move(session_), ctl_bk_combo_->currentIndex());
}

void TfrmMain::SetTimedReadLimits(std::optional<int> stall_ms, std::optional<int> whole_ms) {
    timed_stall_ms_ = stall_ms;
    timed_whole_ms_ = whole_ms;
}

ReadLimits TfrmMain::TimedReadLimits() const {
    ReadLimits limits;
    limits.stall_ms = std::max(0, timed_stall_ms_.value_or(kTimedStallMs));
    if (timed_whole_ms_) {
        limits.whole_ms = std::max(0, *timed_whole_ms_);
    } else {
        limits.whole_ms = kTimedWholeMs;
        if (auto_refresh_minutes_ > 0) {
            limits.whole_ms = std::min(limits.whole_ms, auto_refresh_minutes_ * 60 * 1000);
        }
    }
    return limits;
}

void TfrmMain::FinishTimedRefresh(RefreshOutcome& outcome) {
    const QString time = ClockText();
    const live::FollowedRead read = follower_.Finish({outcome.cancelled, outcome.failure},
                                                     outcome.rows.Rows(), time.toStdString());
    if (!read.Succeeded()) {
        QString why;
        switch (read.verdict) {
            case live::ReadVerdict::kCancelled:
                why = QStringLiteral("прервано");
                break;
            case live::ReadVerdict::kReported:
                why = QStringLiteral("ошибка чтения линии");
                break;
            case live::ReadVerdict::kFailed:
                why = QString::fromUtf8(*outcome.failure);
                break;
            default:
                why = QStringLiteral("линия пришла пустой");
                break;
        }
        if (read.tell_failure) {
            ReportError(QStringLiteral("Обновление по таймеру не удалось: ") + why +
                        QStringLiteral(". На экране прежняя линия"));
        }
        SetReadStatus(read_status_.section(QLatin1Char('\n'), 0, 0) +
                      QStringLiteral("\nОбновление в ") + time + QStringLiteral(" не удалось: ") +
                      why);
        return;
    }
    LeaveComparison();
    {
        // One reload for the whole new line, so the grid keeps the user's place.
        table::ScopedDisplaySuspension suspended(cds_data_);
        cds_data_.ResetTable();
        cds_data_.TakeRowsFrom(outcome.rows);
    }
    SetReadStatus(QStringLiteral("Обновлено ") + time + MarkMovement(read));
    KeepRead();
}

QString TfrmMain::MarkMovement(const live::FollowedRead& read) {
    const std::shared_ptr<const live::LineMovement> movement = read.movement;
    const QString since = QString::fromStdString(read.since);
    // The same marks counted per event: closed groups tell them, "Только изменения" keeps them.
    views::RowMarkSource counted = [movement](const table::OddsRecord& row) {
        views::MarkCounts counts;
        const std::optional<live::EventMarks> marks = movement->Find(row);
        if (!marks) return counts;
        if (marks->Change() == live::EventChange::kNew) {
            counts.new_events = 1;
            return counts;
        }
        const live::MoveTally tally = marks->Tally();
        counts.up = tally.up;
        counts.down = tally.down;
        counts.line_changed = tally.line_changed;
        return counts;
    };
    const views::OddsGridModel* model = ctl_data_grid_->Model();
    ctl_data_grid_->SetCellMarks(
        [movement, since, model](const table::OddsRecord& row, int field) -> views::CellMark {
            const std::optional<live::EventMarks> marks = movement->Find(row);
            if (!marks) return {};
            if (marks->Change() == live::EventChange::kNew) {
                if (field != table::FieldIndex("sport_event_date")) return {};
                return {views::CellMarkKind::kNew, QStringLiteral("новое")};
            }
            views::CellMarkKind kind = views::CellMarkKind::kNone;
            switch (marks->Move(field)) {
                case live::PriceMove::kUp:
                    kind = views::CellMarkKind::kUp;
                    break;
                case live::PriceMove::kDown:
                    kind = views::CellMarkKind::kDown;
                    break;
                case live::PriceMove::kLineChanged:
                    kind = views::CellMarkKind::kLineChanged;
                    break;
                default:
                    return {};
            }
            const std::optional<table::Decimal> before = marks->Previous(field);
            QString text = kind == views::CellMarkKind::kLineChanged
                               ? QStringLiteral("линия изменилась; ")
                               : QString();
            // The old value as its cell showed it ("было 2.00", "было -0.75").
            const std::string shown =
                table::DecimalFieldText(field, before, model->Tree().Formats().decimal_mark);
            text += QStringLiteral("было ") +
                    (shown.empty() ? QStringLiteral("—") : QString::fromStdString(shown));
            if (!since.isEmpty()) text += QStringLiteral(" (в ") + since + QLatin1Char(')');
            return {kind, text};
        },
        std::move(counted));
    QString told;
    if (movement->HasPrevious()) {
        const live::MovementCounts& counts = movement->Counts();
        told = QStringLiteral("; с %1: цен изменилось %2, новых событий %3, ушло %4")
                   .arg(since)
                   .arg(counts.prices_moved + counts.lines_moved)
                   .arg(counts.events_new)
                   .arg(counts.events_gone);
    }
    return told;
}

void TfrmMain::SetReadStatus(const QString& status) {
    read_status_ = status;
    QAction* refresh = Action("actRefresh");
    QString tip = status.isEmpty() ? refresh->text() : refresh->text() + QLatin1Char('\n') + status;
    if (IsRefreshing()) tip += QStringLiteral("\nидёт обновление с ") + run_.started;
    refresh->setToolTip(tip);
    ctl_data_grid_->Footer()->setToolTip(status);
}

void TfrmMain::RefreshFinished(RefreshOutcome& outcome) {
    session_ = std::move(outcome.session);
    EndRun([&](RefreshKind kind) {
        if (kind == RefreshKind::kTimed) {
            FinishTimedRefresh(outcome);
        } else {
            FinishManualRefresh(outcome);
        }
    });
}

void TfrmMain::EndRun(const std::function<void(RefreshKind kind)>& finish) {
    const RefreshKind kind = run_.kind;
    if (kind == RefreshKind::kManual) SetWaitCursor(false);
    const bool manual_next = std::exchange(run_.manual_next, false);
    SetRefreshing(RefreshKind::kNone);
    if (run_.closing) {
        close();  // hands over nothing
        return;
    }
    if (manual_next) {
        // The timed read was superseded by the user's own refresh, which starts now; the
        // question was asked.
        Guarded([this] { Refresh(/*ask=*/false); });
        return;
    }
    Guarded([&] { finish(kind); });
    Guarded([this] { alerts_->CheckAfterRead(); });
    actShowDopInfoUpdate();
    emit RefreshEnded();
}

void TfrmMain::FinishManualRefresh(RefreshOutcome& outcome) {
    LeaveComparison();
    cds_data_.TakeRowsFrom(outcome.rows);
    const QString time = ClockText();
    const live::FollowedRead read = follower_.Finish({outcome.cancelled, outcome.failure},
                                                     cds_data_.Rows(), time.toStdString());
    if (outcome.failure && read.tell_failure) {
        ReportError(QString::fromUtf8(*outcome.failure));
    } else if (!outcome.failure) {
        ctl_data_grid_->CollapseAllGroups();
    }
    const QString moved = MarkMovement(read);
    if (read.Succeeded()) SetReadStatus(QStringLiteral("Обновлено ") + time + moved);
    if (read.Succeeded()) KeepRead();
}

void TfrmMain::ShowReaderMessage(const std::string& text) {
    // A timed read's failure is told once; after that only the tooltips tell.
    if (!follower_.Report()) return;
    // The wait cursor does not stand over the box.
    const bool waiting = wait_cursor_;
    SetWaitCursor(false);
    dialogs_.ShowMessageBox(this, MessageBoxRequest{QString::fromUtf8(table::Cp1251ToUtf8(text)),
                                                    QStringLiteral("Ошибка"),
                                                    QMessageBox::Critical,
                                                    QMessageBox::Ok,
                                                    {},
                                                    QMessageBox::Ok});
    SetWaitCursor(waiting);
}

void TfrmMain::CancelRefresh() {
    if (!IsRefreshing()) return;
    if (run_.both) {
        both_read_->Cancel();
    } else {
        refresh_worker_->Cancel();
    }
}

void TfrmMain::SetRefreshing(RefreshKind kind) {
    const bool on = kind != RefreshKind::kNone;
    const bool timed = kind == RefreshKind::kTimed;
    if (on != IsRefreshing()) {
        // While a refresh the user started runs, the first Esc cancels it wherever the keyboard
        // is, a menu or the menu bar included; the window's own shortcut does not reach those. A
        // timed refresh leaves Esc to whatever the user is doing (the find bar, a menu).
        if (on && !timed) {
            qApp->installEventFilter(this);
        } else {
            qApp->removeEventFilter(this);
        }
    }
    const bool started = on && !IsRefreshing();
    run_.kind = kind;
    for (const char* name :
         {"actRefresh", "actDelete", "actFullExpand", "actFullCollaps", "actSaveToExcel"}) {
        // A timed refresh leaves the line on screen in the user's hands; F5 replaces it by the
        // user's own refresh.
        Action(name)->setEnabled(!on || timed);
    }
    ctl_bk_combo_->setEnabled(!on || timed);
    // Esc stops any read; during a timed one a menu or the find field keeps its own Esc.
    Action("actCancelRefresh")->setEnabled(on);
    if (started) run_.started = ClockText();
    SetReadStatus(read_status_);
    actShowDopInfoUpdate();
}

void TfrmMain::AddHeaderMenuItems(QMenu* menu) {
    menu->addSeparator();
    QAction* marks = menu->addAction(QStringLiteral("Отметки изменений"));
    marks->setObjectName(QStringLiteral("actShowMarks"));
    marks->setCheckable(true);
    marks->setChecked(ctl_data_grid_->Model()->CellMarksShown());
    connect(marks, &QAction::toggled, this,
            [this](bool on) { ctl_data_grid_->Model()->SetCellMarksShown(on); });
    menu->addAction(ctl_data_grid_->OnlyChangesAction());
    if (ShowsComparison()) menu->addAction(ctl_data_grid_->OnlySurebetsAction());
    QMenu* every = menu->addMenu(QStringLiteral("Обновлять каждые …"));
    every->setObjectName(QStringLiteral("auto_refresh_menu"));
    auto* choices = new QActionGroup(every);
    for (const int minutes : {1, 2, 5, 10, 0}) {
        QAction* choice = every->addAction(minutes == 0 ? QStringLiteral("не обновлять")
                                                        : QStringLiteral("%1 мин").arg(minutes));
        choice->setCheckable(true);
        choice->setChecked(auto_refresh_minutes_ == minutes);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this,
                [this, minutes] { SetAutoRefreshMinutes(minutes); });
    }
    AddHistoryMenuItems(menu);
}

void TfrmMain::SetWaitCursor(bool on) {
    if (on == wait_cursor_) return;
    wait_cursor_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void TfrmMain::DeleteEvent() {
    if (!HasCurrentEvent()) return;
    const MessageBoxRequest question{QStringLiteral("Удалить событие?"),
                                     QStringLiteral("Запрос"),
                                     QMessageBox::Question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     {},
                                     QMessageBox::Yes};
    if (dialogs_.ShowMessageBox(this, question) == QMessageBox::No) return;
    try {
        // A row the user deleted is not counted among the events gone at the next refresh.
        const int row = cds_data_.CurrentRow();
        if (row >= 0 && ShowsComparison()) {
            compared_.MarkDeleted(cds_data_.Rows()[row]);
        } else if (row >= 0) {
            follower_.MarkDeleted(cds_data_.Rows()[row]);
        }
        cds_data_.DeleteCurrentRow();
    } catch (const std::exception& e) {
        dialogs_.ShowMessageBox(this, MessageBoxRequest{QString::fromUtf8(e.what()),
                                                        QStringLiteral("Ошибка"),
                                                        QMessageBox::Critical,
                                                        QMessageBox::Ok,
                                                        {},
                                                        QMessageBox::Ok});
    }
    actShowDopInfoUpdate();
}

void TfrmMain::actShowDopInfoExecute() {
    const int row = cds_data_.CurrentRow();
    if (ShowsComparison() && row >= 0) {
        // Both bookmakers' sheets of the event, each under its bookmaker's name.
        dop_info_->WriteEventSheet(compared_.EventSheet(cds_data_.Rows()[row]));
    } else {
        dop_info_->WriteEventSheet(cds_data_.FieldText("dop_info"));
    }
    dialogs_.ShowModal(*dop_info_);
}

bool TfrmMain::HasCurrentEvent() const {
    // With rows in the grid, the current event is the focused event row; a focused group row (or
    // none) leaves none, so nothing acts on an event the user cannot see. A closed or empty table
    // keeps its own answers (the delete's messages).
    if (!cds_data_.IsOpen() || cds_data_.RowCount() == 0) return true;
    return ctl_data_grid_->HasCurrentEvent();
}

void TfrmMain::actShowDopInfoUpdate() {
    QAction* action = Action("actShowDopInfo");
    if (action == nullptr) return;
    const bool busy = run_.kind == RefreshKind::kManual;
    action->setEnabled(!busy && cds_data_.IsOpen() && HasCurrentEvent() &&
                       !cds_data_.FieldText("dop_info").empty());
    if (QAction* remove = Action("actDelete")) remove->setEnabled(!busy && HasCurrentEvent());
}

void TfrmMain::ctl_DataGridDblClick() {
    actShowDopInfoUpdate();
    QAction* action = Action("actShowDopInfo");
    if (action->isEnabled()) action->trigger();
}

void TfrmMain::N9Click() { dialogs_.ShowModal(*about_); }

QString TfrmMain::WithFullStop(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void TfrmMain::ReportError(const QString& message) {
    SetWaitCursor(false);
    dialogs_.ShowMessageBox(this, MessageBoxRequest{WithFullStop(message),
                                                    QStringLiteral("Lintaro"),
                                                    QMessageBox::Critical,
                                                    QMessageBox::Ok,
                                                    {},
                                                    QMessageBox::Ok});
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (IsRefreshing()) {
        // Every window goes at once; the program ends when the worker reports it has stopped,
        // at its next network wait. A host-name lookup cannot be interrupted: past kCloseWaitMs
        // the window closes without waiting for it.
        if (!run_.closing) {
            run_.closing = true;
            CancelRefresh();
            about_->hide();
            dop_info_->hide();
            hide();
            QTimer::singleShot(kCloseWaitMs, this, [this] {
                if (!IsRefreshing()) return;
                refresh_worker_->Abandon();
                both_read_->Abandon();
                SetWaitCursor(false);
                SetRefreshing(RefreshKind::kNone);
                close();
            });
        }
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit Closed();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ctl_bk_combo_) {
        if (event->type() == QEvent::Wheel) return true;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
                case Qt::Key_Up:
                case Qt::Key_Down:
                case Qt::Key_PageUp:
                case Qt::Key_PageDown:
                case Qt::Key_Home:
                case Qt::Key_End:
                    if (key->modifiers() == Qt::NoModifier) {
                        ctl_bk_combo_->showPopup();
                        return true;
                    }
                    break;
                default:
                    break;
            }
        }
    }
    if (IsRefreshing() && event->type() == QEvent::KeyPress &&
        QApplication::activeModalWidget() == nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            menuBar()->setActiveAction(nullptr);
            CancelRefresh();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placed_) return;
    placed_ = true;
    // The outer size counts the window manager's frame, known once the window is on screen.
    views::SetOuterSizeCentred(this, kOuterSize);
    QTimer::singleShot(0, this, [this] { views::SetOuterSizeCentred(this, kOuterSize); });
}

}  // namespace lintaro::app
