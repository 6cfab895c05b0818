// The main window with both bookmakers' lines ("Обе конторы" in the selector): the two reads,
// their end, and the compared line in the grid.
#include <QComboBox>
#include <QTime>
#include <algorithm>
#include <variant>

#include "app/command_line.h"
#include "app/main_window.h"
#include "grid/grid_layout.h"
#include "table/cp1251_text.h"
#include "views/footer_bar.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"
#include "views/surebet_stakes_window.h"

namespace lintaro::app {

bool TfrmMain::ReadsBoth() const { return ctl_bk_combo_->currentIndex() == kBothBookmakers; }

void TfrmMain::SetUpBothLines() {
    both_read_ = std::make_unique<BothLinesRead>(
        this, BothLinesRead::Callbacks{
                  [this](int side, const std::string& text) { ShowSideReaderMessage(side, text); },
                  [this](bool on) {
                      if (run_.kind != RefreshKind::kTimed) SetWaitCursor(on);
                  },
                  [this] { BothReadsFinished(); }});
}

void TfrmMain::BothReadsFinished() {
    session_ = std::move(both_read_->Outcome(BothLinesRead::kFirst).session);
    EndRun([this](RefreshKind kind) { FinishComparedRefresh(kind == RefreshKind::kTimed); });
}

void TfrmMain::ShowSideReaderMessage(int side, const std::string& text) {
    // Each bookmaker's failure is told once per read (a timed one's once until it succeeds).
    if (!compared_.Report(side)) return;
    const bool waiting = wait_cursor_;
    SetWaitCursor(false);
    dialogs_.ShowMessageBox(this,
                            MessageBoxRequest{BookmakerName(side) + QStringLiteral(": ") +
                                                  QString::fromUtf8(table::Cp1251ToUtf8(text)),
                                              QStringLiteral("Ошибка"),
                                              QMessageBox::Critical,
                                              QMessageBox::Ok,
                                              {},
                                              QMessageBox::Ok});
    SetWaitCursor(waiting);
}

void TfrmMain::FinishComparedRefresh(bool timed) {
    RefreshOutcome& first = both_read_->Outcome(BothLinesRead::kFirst);
    RefreshOutcome& second = both_read_->Outcome(BothLinesRead::kSecond);
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    const ComparedRead read =
        compared_.Finish({first.cancelled, first.failure}, {second.cancelled, second.failure},
                         time.toStdString(), both_read_->TakeMerged(), both_read_->TakeSnapshots());
    const QString failures =
        QStringList(read.failures.begin(), read.failures.end()).join(QStringLiteral(". "));
    if (timed && !read.Succeeded()) {
        // As for one line: a timed read that is not whole leaves the line on screen.
        compared_.DropRows();
        if (!failures.isEmpty()) {
            ReportError(QStringLiteral("Обновление по таймеру не удалось: ") + failures +
                        QStringLiteral(". На экране прежняя линия"));
        }
        SetReadStatus(read_status_.section(QLatin1Char('\n'), 0, 0) +
                      QStringLiteral("\nОбновление в ") + time + QStringLiteral(" не удалось"));
        return;
    }
    // Each bookmaker's failure once; the other's rows show all the same.
    for (const QString& failure : read.failures) ReportError(failure);
    {
        // One reload for the whole line, so the grid keeps the user's place.
        table::ScopedDisplaySuspension suspended(cds_data_);
        cds_data_.ResetTable();
        cds_data_.AppendRows(compared_.TakeRows());
        ctl_data_grid_->SetComparison(
            compared_.BestMargins(), compared_.Surebets(),
            [this](const table::OddsRecord& row) { return compared_.HasSurebet(row); });
    }
    if (!timed && read.AnySucceeded()) ctl_data_grid_->CollapseAllGroups();
    ShowComparison(read);
    if (!read.AnySucceeded()) return;
    KeepComparedRead(read);
    QString status = QStringLiteral("Обновлено ") + time;
    for (int side = 0; side < 2; ++side) {
        if (!read.reads[side].Succeeded()) {
            status += QStringLiteral("; ") + BookmakerName(side) + QStringLiteral(" не прочитан");
        }
    }
    SetReadStatus(status);
}

void TfrmMain::ShowComparison(const ComparedRead& read) {
    const std::string mark = ctl_data_grid_->Model()->Tree().Formats().decimal_mark;
    ctl_data_grid_->SetCellMarks(compared_.CellMarks(read, mark), compared_.RowMarks(read));
}

void TfrmMain::LeaveComparison() {
    if (!compared_.HasLine()) return;
    compared_.Clear();
    ctl_data_grid_->SetComparison({}, {}, {});
}

std::optional<ComparedEventView> TfrmMain::CurrentComparedEvent() const {
    const int row = cds_data_.CurrentRow();
    if (!ShowsComparison() || row < 0 || !ctl_data_grid_->HasCurrentEvent()) return std::nullopt;
    return compared_.EventOf(cds_data_.Rows()[row]);
}

bool TfrmMain::ShowSurebetStakes() {
    const std::optional<ComparedEventView> event = CurrentComparedEvent();
    if (!event || event->comparison.surebets.empty()) return false;
    const compare::EventComparison& comparison = event->comparison;
    const auto best = std::max_element(
        comparison.surebets.begin(), comparison.surebets.end(),
        [](const compare::Surebet& a, const compare::Surebet& b) { return a.profit < b.profit; });
    const auto text = [&](const char* field) {
        const table::StoredValue value = table::GetField(event->first, table::FieldIndex(field));
        const std::string_view* cp1251 = std::get_if<std::string_view>(&value);
        return cp1251 ? QString::fromStdString(table::Cp1251ToUtf8(*cp1251)) : QString();
    };
    const QString teams = text("team_h_name") + QStringLiteral(" — ") + text("team_g_name");
    views::ShowSurebetStakes(
        this, views::DescribeSurebet(comparison, *best, ctl_bk_combo_->itemText(kFirstBookmaker),
                                     ctl_bk_combo_->itemText(kSecondBookmaker), teams,
                                     ctl_data_grid_->Tree().Formats().decimal_mark));
    return true;
}

}  // namespace lintaro::app
