// The refresh worker on its own, with reads given in place of a bookmaker's: a cancel or the end of
// the read that comes while the reader's message is shown waits for it to close; an abandoned read
// never reaches the receiver, not even after the receiver is gone, and a new read can start at
// once; a read that throws ends as failed; the session always comes back, and a second start while
// a read runs hands its session back untouched.
#include "app/refresh_worker.h"

#include <QObject>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "readers/line_session.h"
#include "readers/reader_context.h"

using lintaro::app::RefreshOutcome;
using lintaro::app::RefreshWorker;
using lintaro::readers::LineSession;
using lintaro::readers::ReaderUi;
using lintaro::table::OddsTable;

namespace {

// Holds a read until the test opens it.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened_cv;
    bool opened = false;
    void Open() {
        {
            std::lock_guard lock(mutex);
            opened = true;
        }
        opened_cv.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex);
        opened_cv.wait(lock, [&] { return opened; });
    }
};

// A read of one row (the bookmaker's index as its sport).
void OneRow(int index, OddsTable& rows) {
    rows.InsertRow({std::string(1, static_cast<char>('0' + index))});
}

// What reached the receiver.
struct Seen {
    std::vector<std::string> messages;
    std::vector<std::string> finished_rows;  // the first row's sport of each finished read
    std::vector<RefreshOutcome> outcomes;
    bool finished_during_message = false;
    bool in_message = false;
};

RefreshWorker::Callbacks Record(Seen& seen, std::function<void()> in_box = {}) {
    return {[&seen, in_box](const std::string& text) {
                seen.messages.push_back(text);
                seen.in_message = true;
                if (in_box) in_box();
                seen.in_message = false;
            },
            [](bool) {},
            [&seen](RefreshOutcome& outcome) {
                if (seen.in_message) seen.finished_during_message = true;
                seen.finished_rows.push_back(outcome.rows.RowCount() > 0
                                                 ? *outcome.rows.Rows()[0].sport_type_name
                                                 : std::string());
                seen.outcomes.push_back(std::move(outcome));
            }};
}

}  // namespace

class RefreshWorkerTest : public QObject {
    Q_OBJECT
  private slots:
    void CancelDuringAMessageTakesEffectWhenTheBoxCloses() {
        QObject receiver;
        Seen seen;
        RefreshWorker* worker = nullptr;
        // The box stays open a while, its own event loop running, and a cancel comes meanwhile.
        RefreshWorker own(&receiver,
                          Record(seen,
                                 [&] {
                                     worker->Cancel();
                                     QTest::qWait(200);
                                 }),
                          [](LineSession&, int index, OddsTable& rows, ReaderUi& ui) {
                              OneRow(index, rows);
                              ui.ShowMessage("first");
                              ui.ShowMessage("second");  // after the cancel: not shown
                          });
        worker = &own;
        auto session = std::make_unique<LineSession>();
        LineSession* const given = session.get();
        QVERIFY(!own.Start(std::move(session), 0));
        QTRY_COMPARE(seen.outcomes.size(), size_t{1});
        QVERIFY(!seen.finished_during_message);
        QCOMPARE(seen.messages, std::vector<std::string>{"first"});
        QVERIFY(seen.outcomes[0].cancelled);
        QCOMPARE(seen.outcomes[0].session.get(), given);
        QCOMPARE(seen.outcomes[0].rows.RowCount(), 1);
    }

    void AbandonedReadNeverArrivesAndANewOneStarts() {
        QObject receiver;
        Seen seen;
        auto gate = std::make_shared<Gate>();
        RefreshWorker worker(&receiver, Record(seen),
                             [gate](LineSession&, int index, OddsTable& rows, ReaderUi&) {
                                 if (index == 0) gate->Wait();
                                 OneRow(index, rows);
                             });
        QVERIFY(!worker.Start(std::make_unique<LineSession>(), 0));
        // While it runs, a second start hands its session back.
        auto spare = std::make_unique<LineSession>();
        LineSession* const spare_given = spare.get();
        QCOMPARE(worker.Start(std::move(spare), 1).get(), spare_given);
        worker.Abandon();
        auto session = std::make_unique<LineSession>();
        LineSession* const given = session.get();
        QVERIFY(!worker.Start(std::move(session), 1));
        QTRY_COMPARE(seen.outcomes.size(), size_t{1});
        gate->Open();
        QTest::qWait(200);
        QCOMPARE(seen.finished_rows, std::vector<std::string>{"1"});
        QCOMPARE(seen.outcomes[0].session.get(), given);
        QVERIFY(!seen.outcomes[0].cancelled);
    }

    void ReadEndingAfterTheReceiverIsGoneReachesNothing() {
        Seen seen;
        auto gate = std::make_shared<Gate>();
        auto ended = std::make_shared<std::atomic<bool>>(false);
        {
            auto receiver = std::make_unique<QObject>();
            auto worker = std::make_unique<RefreshWorker>(
                receiver.get(), Record(seen),
                [gate, ended](LineSession&, int index, OddsTable& rows, ReaderUi& ui) {
                    gate->Wait();
                    OneRow(index, rows);
                    ui.SetWaitCursor(false);
                    ui.ShowMessage("late");  // nobody to show it: answered at once
                    *ended = true;
                });
            QVERIFY(!worker->Start(std::make_unique<LineSession>(), 0));
            worker.reset();
            receiver.reset();
        }
        gate->Open();
        QTRY_VERIFY(ended->load());
        QTest::qWait(100);
        QVERIFY(seen.outcomes.empty());
        QVERIFY(seen.messages.empty());
    }

    void ReadThatThrowsEndsAsFailed_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("failure");
        QTest::newRow("std::exception") << 0 << QStringLiteral("the reader broke");
        QTest::newRow("anything else") << 1 << QStringLiteral("Unknown failure");
    }
    void ReadThatThrowsEndsAsFailed() {
        QFETCH(int, kind);
        QFETCH(QString, failure);
        QObject receiver;
        Seen seen;
        RefreshWorker worker(&receiver, Record(seen),
                             [kind](LineSession&, int index, OddsTable& rows, ReaderUi&) {
                                 OneRow(index, rows);
                                 if (kind == 0) throw std::runtime_error("the reader broke");
                                 throw 42;
                             });
        auto session = std::make_unique<LineSession>();
        LineSession* const given = session.get();
        QVERIFY(!worker.Start(std::move(session), 0));
        QTRY_COMPARE(seen.outcomes.size(), size_t{1});
        const RefreshOutcome& outcome = seen.outcomes[0];
        QCOMPARE(QString::fromStdString(outcome.failure.value_or("")), failure);
        QVERIFY(!outcome.cancelled);
        QCOMPARE(outcome.rows.RowCount(), 1);  // what was read before it threw
        QCOMPARE(outcome.session.get(), given);
        // The worker is free again.
        QVERIFY(!worker.Start(std::make_unique<LineSession>(), 1));
        QTRY_COMPARE(seen.outcomes.size(), size_t{2});
    }
};

QTEST_GUILESS_MAIN(RefreshWorkerTest)
#include "refresh_worker_test.moc"
