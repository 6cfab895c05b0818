// The main window's history of reads: each successful read handed to the history writer
// (app/history_writer.h), the header menu's switch and the dialog of its limits, the one note when
// the history cannot be kept, and what the movement marks compare with.
#include <QActionGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/command_line.h"
#include "app/main_window.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

namespace lintaro::app {

namespace {

const QString kKeepKey = QStringLiteral("history/keep");
const QString kDaysKey = QStringLiteral("history/days");
const QString kMegabytesKey = QStringLiteral("history/max_mb");
const QString kMarksKey = QStringLiteral("marks/since");
constexpr int64_t kMegabyte = 1000 * 1000;

// The history file's size with its write-ahead log, as the dialog tells it.
QString SizeText(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists()) return QStringLiteral("файла ещё нет");
    const qint64 bytes = file.size() + QFileInfo(path + QStringLiteral("-wal")).size();
    return QLocale(QLocale::Russian).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

}  // namespace

void TfrmMain::SetUpHistory() {
    history_limits_.days =
        std::clamp(views::ReadUserSetting(kDaysKey, history_limits_.days).toInt(), 1, 3650);
    history_limits_.max_bytes =
        std::clamp<int64_t>(views::ReadUserSetting(kMegabytesKey, 500).toLongLong(), 1, 1000000) *
        kMegabyte;
    keep_history_ = views::ReadUserSetting(kKeepKey, true).toBool();
    marks_baseline_ = views::ReadUserSetting(kMarksKey).toString() == QLatin1String("start")
                          ? live::LineFollower::Baseline::kFirstRead
                          : live::LineFollower::Baseline::kPreviousRead;
    follower_.SetBaseline(marks_baseline_);
    compared_.SetBaseline(marks_baseline_);
    StartHistory();
}

void TfrmMain::StartHistory() {
    history_.reset();
    const QString path = views::HistoryPath();
    if (!keep_history_ || path.isEmpty()) return;
    // The writer's thread tells a failure; the window says it on its own thread.
    history_ = std::make_unique<HistoryWriter>(
        QFile::encodeName(path).toStdString(), history_limits_, [this](const std::string& message) {
            QMetaObject::invokeMethod(
                this, [this, text = QString::fromUtf8(message)] { ShowHistoryNote(text); },
                Qt::QueuedConnection);
        });
}

void TfrmMain::SetKeepHistory(bool on) {
    keep_history_ = on;
    views::WriteUserSetting(kKeepKey, on);
    StartHistory();
}

void TfrmMain::SetHistoryLimits(HistoryLimits limits) {
    history_limits_ = limits;
    views::WriteUserSetting(kDaysKey, limits.days);
    views::WriteUserSetting(kMegabytesKey, static_cast<qlonglong>(limits.max_bytes / kMegabyte));
    if (history_) history_->SetLimits(limits);
}

void TfrmMain::KeepRead() {
    if (!history_ || line_bookmaker_ < 0 || line_bookmaker_ == kBothBookmakers) return;
    // The copy is the window's only work for the history; the writer takes it from here.
    const bool first = line_bookmaker_ == kFirstBookmaker;
    history_->Append(live::ReadRecord{HistoryWriter::NowText(), first ? "first" : "second",
                                      first ? first_host_ : second_host_, "ok", ""},
                     std::make_shared<const std::vector<table::OddsRecord>>(cds_data_.Rows()));
}

void TfrmMain::KeepComparedRead(const ComparedRead& read) {
    const std::shared_ptr<const compare::MergedLine> line = compared_.Line();
    if (!history_ || !line) return;
    const std::string time = HistoryWriter::NowText();
    live::ReadRecord reads[2] = {{time, "first", first_host_, "ok", ""},
                                 {time, "second", second_host_, "ok", ""}};
    if (read.Succeeded()) {
        history_->AppendBoth(reads[0], reads[1], line);
        return;
    }
    // Only a whole line is kept: the bookmaker whose read succeeded.
    for (int side = 0; side < 2; ++side) {
        if (!read.reads[side].Succeeded()) continue;
        history_->Append(reads[side],
                         std::shared_ptr<const std::vector<table::OddsRecord>>(
                             line, side == 0 ? &line->first_rows : &line->second_rows));
    }
}

void TfrmMain::ShowHistoryNote(const QString& message) {
    // Once a run: the window goes on without history, and a box per read would only be in the way.
    if (!history_note_.isEmpty()) return;
    history_note_ = message;
    auto* note = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Lintaro"),
        QStringLiteral("История обновлений не сохраняется: ") + WithFullStop(message) +
            QStringLiteral("\nЛиния обновляется как прежде; файл истории не изменён."),
        QMessageBox::Ok, this);
    note->setObjectName(QStringLiteral("history_note"));
    note->setWindowModality(Qt::NonModal);
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->show();
}

void TfrmMain::SetMarksBaseline(live::LineFollower::Baseline baseline) {
    if (baseline == marks_baseline_) return;
    marks_baseline_ = baseline;
    views::WriteUserSetting(kMarksKey, baseline == live::LineFollower::Baseline::kFirstRead
                                           ? QStringLiteral("start")
                                           : QStringLiteral("previous"));
    follower_.SetBaseline(baseline);
    compared_.SetBaseline(baseline);
    // The line on screen is marked anew at once; the counts and "Только изменения" follow.
    if (IsRefreshing() && run_.kind == RefreshKind::kManual) return;
    if (ShowsComparison()) {
        ShowComparison(compared_.Remark());
    } else if (follower_.HasPrevious()) {
        const QString moved = MarkMovement(follower_.Remark());
        SetReadStatus(read_status_.section(QLatin1Char(';'), 0, 0) + moved);
    }
}

void TfrmMain::AddHistoryMenuItems(QMenu* menu) {
    QMenu* since = menu->addMenu(QStringLiteral("Изменения считать"));
    since->setObjectName(QStringLiteral("marks_since_menu"));
    auto* choices = new QActionGroup(since);
    for (const auto& [baseline, text, name] :
         {std::tuple(live::LineFollower::Baseline::kPreviousRead,
                     QStringLiteral("с прошлого обновления"),
                     QStringLiteral("actMarksSincePrevious")),
          std::tuple(live::LineFollower::Baseline::kFirstRead, QStringLiteral("с начала сеанса"),
                     QStringLiteral("actMarksSinceStart"))}) {
        QAction* choice = since->addAction(text);
        choice->setObjectName(name);
        choice->setCheckable(true);
        choice->setChecked(marks_baseline_ == baseline);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this,
                [this, baseline] { SetMarksBaseline(baseline); });
    }
    menu->addSeparator();
    QAction* keep = menu->addAction(QStringLiteral("Хранить историю"));
    keep->setObjectName(QStringLiteral("actKeepHistory"));
    keep->setCheckable(true);
    keep->setChecked(keep_history_);
    connect(keep, &QAction::toggled, this, [this](bool on) { SetKeepHistory(on); });
    QAction* limits = menu->addAction(QStringLiteral("История…"));
    limits->setObjectName(QStringLiteral("actHistoryLimits"));
    connect(limits, &QAction::triggered, this, [this] { ShowHistoryDialog(); });
}

void TfrmMain::ShowHistoryDialog() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("history_dialog"));
    dialog.setWindowTitle(QStringLiteral("История обновлений"));
    auto* form = new QFormLayout;
    const QString path = views::HistoryPath();
    auto* file = new QLabel(path.isEmpty() ? QStringLiteral("нет папки данных") : path);
    file->setObjectName(QStringLiteral("history_path"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    file->setAccessibleName(QStringLiteral("Файл истории"));
    form->addRow(QStringLiteral("Файл:"), file);
    auto* size = new QLabel(path.isEmpty() ? QString() : SizeText(path));
    size->setObjectName(QStringLiteral("history_size"));
    size->setAccessibleName(QStringLiteral("Размер файла истории"));
    form->addRow(QStringLiteral("Размер:"), size);
    auto* days = new QSpinBox;
    days->setObjectName(QStringLiteral("history_days"));
    days->setRange(1, 3650);
    days->setValue(history_limits_.days);
    days->setSuffix(QStringLiteral(" дн."));
    days->setAccessibleName(QStringLiteral("Хранить обновления за последние дни"));
    form->addRow(QStringLiteral("Хранить &дней:"), days);
    auto* megabytes = new QSpinBox;
    megabytes->setObjectName(QStringLiteral("history_megabytes"));
    megabytes->setRange(1, 1000000);
    megabytes->setValue(static_cast<int>(history_limits_.max_bytes / kMegabyte));
    megabytes->setSuffix(QStringLiteral(" МБ"));
    megabytes->setAccessibleName(QStringLiteral("Наибольший размер истории, мегабайт"));
    form->addRow(QStringLiteral("Не больше &чем:"), megabytes);
    for (QWidget* field : {static_cast<QWidget*>(days), static_cast<QWidget*>(megabytes)}) {
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(field))) label->setBuddy(field);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    auto* rule = new QLabel(
        QStringLiteral("Старые обновления удаляются при запуске и когда файл вырастает сверх "
                       "предела."));
    rule->setWordWrap(true);
    layout->addWidget(rule);
    layout->addWidget(buttons);
    days->setFocus();
    dialogs_.ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    SetHistoryLimits(HistoryLimits{days->value(), int64_t{megabytes->value()} * kMegabyte});
}

}  // namespace lintaro::app
