// The window's history of reads: reads appended to a file lintaro-cli watch began and read back
// equal to the moving line's generations; the switch off makes no file; a file that cannot be kept
// is said once while the window goes on and the file stays as it was; and marks that compare with
// the first read of the run.
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <map>
#include <memory>

#include "app/main_window.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "live/event_history.h"
#include "live/line_movement.h"
#include "live/line_snapshot.h"
#include "live/read_recorder.h"
#include "table/date_time.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::live::LineFollower;
using lintaro::table::OddsRecord;

namespace {

OddsRecord WithoutReadingOrder(OddsRecord row) {
    row.Key_ID.reset();
    return row;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class HistoryTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<QTemporaryDir> folders_;
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    lintaro::demo::DemoOptions options_;
    std::unique_ptr<lintaro::demo::DemoServer> demo_;

    std::vector<OddsRecord> Generation(uint32_t generation) const {
        lintaro::demo::DemoOptions options = options_;
        options.generation = generation;
        return lintaro::demo::PublishedFirstRows(options, *options.today);
    }
    bool Refresh() {
        window_->RefreshWithoutQuestion();
        return WaitForRefresh(*window_);
    }
    std::string Path() const {
        return QFile::encodeName(lintaro::views::HistoryPath()).toStdString();
    }
    int Notes() const {
        return static_cast<int>(
            window_->findChildren<QMessageBox*>(QStringLiteral("history_note")).size());
    }

  private slots:
    void init() {
        folders_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(folders_->filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folders_->filePath(QStringLiteral("config"))));
        options_ = {};
        options_.events = 200;
        options_.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        demo_ = std::make_unique<lintaro::demo::DemoServer>(options_);
        demo_->SetMoving(true);
        demo_->Start();
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        window_->SetFirstHost(demo_->FirstHost());
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        demo_.reset();
        folders_.reset();
    }

    // lintaro-cli watch's recorder began the file; the window appends its reads (changes only)
    // and each event's history reads back as the line of each generation.
    void ReadsGoOnAFileWatchBegan() {
        QVERIFY(window_->KeepsHistory());
        QDir().mkpath(QFileInfo(lintaro::views::HistoryPath()).path());
        {
            lintaro::live::ReadRecorder watch(Path());
            watch.Append({"2026-12-10T10:00:00+03:00", "first", "watch", "ok", ""}, Generation(0));
        }
        constexpr uint32_t kReads = 3;
        for (uint32_t g = 0; g < kReads; ++g) QVERIFY(Refresh());
        QVERIFY(window_->History());
        window_->History()->WaitUntilIdle();
        QCOMPARE(window_->History()->Written(), int64_t{kReads});
        QVERIFY(window_->HistoryNote().isEmpty());

        // Read 1 is watch's (generation 0), reads 2 to 4 the window's (generations 0 to 2).
        std::vector<std::vector<OddsRecord>> lines = {Generation(0)};
        for (uint32_t g = 0; g < kReads; ++g) lines.push_back(Generation(g));
        std::map<int64_t, std::map<size_t, OddsRecord>> expected;
        for (size_t read = 0; read < lines.size(); ++read) {
            for (const OddsRecord& row : lines[read]) {
                expected[lintaro::live::EventKeyOf(row)].emplace(read, WithoutReadingOrder(row));
            }
        }
        for (const auto& [key, rows] : expected) {
            const std::vector<lintaro::live::HistoryPoint> points =
                lintaro::live::ReadEventHistory(Path(), "first", key);
            QCOMPARE(points.size(), rows.size());
            size_t i = 0;
            for (const auto& [read, row] : rows) {
                QVERIFY(WithoutReadingOrder(points[i++].row) == row);
            }
        }
        // Nothing on screen tells of it.
        QVERIFY(dialogs_->boxes.isEmpty());
        QCOMPARE(Notes(), 0);
    }

    void TheSwitchOffMakesNoFileAndIsRemembered() {
        window_->SetKeepHistory(false);
        QVERIFY(!window_->History());
        QVERIFY(Refresh());
        QVERIFY(window_->cds_Data().RowCount() > 0);
        QVERIFY(!QFileInfo::exists(lintaro::views::HistoryPath()));
        QVERIFY(!QDir(folders_->filePath(QStringLiteral("data/lintaro"))).exists());
        TfrmMain again(*dialogs_);
        QVERIFY(!again.KeepsHistory());
        QVERIFY(!again.History());
    }

    void TheLimitsAreSetInTheDialogAndRemembered() {
        dialogs_->on_modal = [](QDialog& dialog) {
            dialog.findChild<QSpinBox*>(QStringLiteral("history_days"))->setValue(3);
            dialog.findChild<QSpinBox*>(QStringLiteral("history_megabytes"))->setValue(40);
            QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("history_path"))->text().isEmpty());
            dialog.accept();
        };
        QMenu menu;
        emit window_->ctl_DataGrid()->HeaderMenuAboutToShow(&menu, 0);
        QAction* limits = menu.findChild<QAction*>(QStringLiteral("actHistoryLimits"));
        QVERIFY(limits);
        limits->trigger();
        QCOMPARE(window_->GetHistoryLimits().days, 3);
        QCOMPARE(window_->GetHistoryLimits().max_bytes, int64_t{40} * 1000 * 1000);
        TfrmMain again(*dialogs_);
        QCOMPARE(again.GetHistoryLimits().days, 3);
    }

    // A file that is not SQLite, one that is read-only, a disk that fills: said once in a note,
    // the window goes on reading, and the file keeps what it held.
    void AFileThatCannotBeKeptIsSaidOnce_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("not SQLite") << QStringLiteral("text");
        QTest::newRow("read-only") << QStringLiteral("read-only");
        QTest::newRow("full") << QStringLiteral("full");
    }
    void AFileThatCannotBeKeptIsSaidOnce() {
        QFETCH(QString, fault);
        const QString path = lintaro::views::HistoryPath();
        QDir().mkpath(QFileInfo(path).path());
        if (fault == QLatin1String("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("these are the user's notes, not a database\n");
        } else {
            lintaro::live::ReadRecorder watch(Path());
            watch.Append({"2026-12-10T10:00:00+03:00", "first", "watch", "ok", ""}, Generation(0));
        }
        if (fault == QLatin1String("read-only")) ::chmod(Path().c_str(), 0444);
        // Restarted, so that it meets the file as it now is.
        window_.reset();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        window_->SetFirstHost(demo_->FirstHost());
        const QByteArray before = FileBytes(path);
        rlimit old_limit{};
        ::getrlimit(RLIMIT_FSIZE, &old_limit);
        if (fault == QLatin1String("full")) {
            // Room for the file as it is and little more: the window's first read does not fit.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = old_limit;
            limit.rlim_cur = static_cast<rlim_t>(QFileInfo(path).size() + 64 * 1024);
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(Refresh());
            if (window_->History()) window_->History()->WaitUntilIdle();
            QTest::qWait(20);  // the note is posted to the window's thread
        }
        ::setrlimit(RLIMIT_FSIZE, &old_limit);
        QVERIFY(window_->cds_Data().RowCount() > 0);
        QVERIFY(dialogs_->boxes.isEmpty());
        QVERIFY2(!window_->HistoryNote().isEmpty(), qPrintable(fault));
        QCOMPARE(Notes(), 1);
        if (fault != QLatin1String("full")) QCOMPARE(FileBytes(path), before);
        // The reads held before are all there (and on a full disk those that fitted).
        if (fault != QLatin1String("text")) {
            ::chmod(Path().c_str(), 0644);
            const size_t points = lintaro::live::ReadEventHistory(
                                      Path(), "first", lintaro::live::EventKeyOf(Generation(0)[0]))
                                      .size();
            QVERIFY(fault == QLatin1String("full") ? points >= 1 && points < 4 : points == 1);
        }
    }

    // Marks since the start of the run: the third read is compared with the first (the counts
    // are those of the first line against the third), and switching back marks it against the
    // second at once.
    void MarksSinceTheStartOfTheRun() {
        window_->SetKeepHistory(false);
        window_->SetMarksBaseline(LineFollower::Baseline::kFirstRead);
        for (int i = 0; i < 3; ++i) QVERIFY(Refresh());
        const auto counted = [&](uint32_t from, uint32_t to) {
            const lintaro::live::LineMovement movement(
                std::make_shared<lintaro::live::LineSnapshot>(Generation(from)),
                std::make_shared<lintaro::live::LineSnapshot>(Generation(to)));
            const lintaro::live::MovementCounts& counts = movement.Counts();
            return QStringLiteral("цен изменилось %1, новых событий %2, ушло %3")
                .arg(counts.prices_moved + counts.lines_moved)
                .arg(counts.events_new)
                .arg(counts.events_gone);
        };
        QVERIFY(counted(0, 2) != counted(1, 2));
        QVERIFY2(window_->ReadStatus().contains(counted(0, 2)), qPrintable(window_->ReadStatus()));
        window_->SetMarksBaseline(LineFollower::Baseline::kPreviousRead);
        QVERIFY2(window_->ReadStatus().contains(counted(1, 2)), qPrintable(window_->ReadStatus()));
        // Remembered for the next run.
        window_->SetMarksBaseline(LineFollower::Baseline::kFirstRead);
        TfrmMain again(*dialogs_);
        QCOMPARE(again.MarksBaseline(), LineFollower::Baseline::kFirstRead);
    }
};

QTEST_MAIN(HistoryTest)
#include "history_test.moc"
