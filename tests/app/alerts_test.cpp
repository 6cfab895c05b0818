// The window's alerts: "Следить…" on a price of the moving demo line fires at the read that first
// reaches the value, once, as a notification to a fake notification service on a private session
// bus, and survives a restart through its file; the value field refuses what is no value; a
// missing, slow or refusing service leaves a note in the window instead; a damaged file is kept
// aside and said.
#include "live/alerts.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QVariantMap>
#include <memory>

#include "app/alert_dialog.h"
#include "app/alerts_window.h"
#include "app/command_line.h"
#include "app/desktop_notifier.h"
#include "app/main_window.h"
#include "app/window_alerts.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "grid/grid_layout.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"

using lintaro::app::AlertDialog;
using lintaro::app::DesktopNotifier;
using lintaro::app::TfrmMain;
using lintaro::app::WindowAlerts;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::table::OddsRecord;
namespace live = lintaro::live;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// The notification service as a desktop runs it, on the test's private bus: it records what it is
// asked, and answers, refuses or stays silent as the test sets it.
class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    enum class Mode { kAnswer, kRefuse, kSilent };
    Mode mode = Mode::kAnswer;
    QStringList summaries;
    QStringList bodies;

  public slots:
    uint Notify(const QString& app_name, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        if (app_name != QStringLiteral("Lintaro")) return 0;
        summaries << summary;
        bodies << body;
        if (mode == Mode::kRefuse) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
        } else if (mode == Mode::kSilent) {
            setDelayedReply(true);  // and never replies
        }
        return static_cast<uint>(bodies.size());
    }
};

QString Utf8(const std::optional<std::string>& cp1251) {
    return QString::fromStdString(lintaro::table::Cp1251ToUtf8(cp1251.value_or("")));
}

}  // namespace

class AlertsTest : public QObject {
    Q_OBJECT

    QProcess bus_daemon_;
    QString bus_address_;
    std::unique_ptr<QDBusConnection> fake_bus_;
    FakeNotifications fake_;
    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;

    void OpenWindow() {
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        window_->SetBookmaker(lintaro::app::kFirstBookmaker, /*remember=*/false);
    }
    bool Read() {
        window_->RefreshWithoutQuestion();
        return WaitForRefresh(*window_);
    }
    void ServeNotifications(bool on) {
        if (on) {
            QVERIFY(fake_bus_->registerService(kService));
        } else {
            fake_bus_->unregisterService(kService);
        }
    }
    // Focuses the cell of `layout_column` in the event row of table row `row`.
    void FocusCell(int row, int layout_column) {
        lintaro::views::OddsGridView* grid = window_->ctl_DataGrid();
        grid->ExpandAllGroups();
        for (const lintaro::grid::NodeRef node : grid->Tree().PreOrder()) {
            if (grid->Tree().IsEvent(node) && grid->Tree().TableRow(node) == row) {
                grid->TreeView()->setCurrentIndex(
                    grid->Model()->IndexOf(node, grid->Model()->ModelColumn(layout_column)));
                return;
            }
        }
        QFAIL("no such event row");
    }

  private slots:
    void initTestCase() {
        // A session bus of the test's own: nothing of the desktop's is reached.
        bus_daemon_.start(QStringLiteral("dbus-daemon"),
                          {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
        QVERIFY2(bus_daemon_.waitForStarted(5000), "dbus-daemon did not start");
        QVERIFY(QTest::qWaitFor([this] { return bus_daemon_.canReadLine(); }, 5000));
        bus_address_ = QString::fromUtf8(bus_daemon_.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_address_.toUtf8());
        fake_bus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(bus_address_, QStringLiteral("fake_notifications")));
        QVERIFY(fake_bus_->isConnected());
        QVERIFY(fake_bus_->registerObject(kPath, &fake_, QDBusConnection::ExportAllSlots));
    }
    void cleanupTestCase() {
        fake_bus_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake_notifications"));
        bus_daemon_.kill();
        bus_daemon_.waitForFinished(5000);
    }
    void init() {
        config_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config_->path().toUtf8());
        fake_.mode = FakeNotifications::Mode::kAnswer;
        fake_.summaries.clear();
        fake_.bodies.clear();
        ServeNotifications(true);
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        fake_bus_->unregisterService(kService);
    }

    // Set from the popup menu on a P1 cell, the alert waits for a price the event's P1 reaches
    // only at the third read of the moving line; it fires then, once, and its state comes back
    // with the next run.
    void firesOnceOnTheMovingLineAndSurvivesARestart() {
        lintaro::demo::DemoOptions options;
        options.events = 60;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        std::vector<std::vector<OddsRecord>> generations;
        for (uint32_t g = 0; g < 3; ++g) {
            options.generation = g;
            generations.push_back(lintaro::demo::PublishedFirstRows(options, *options.today));
        }
        // A row of generation 0 whose P1 is below its generation-2 price at 0 and 1.
        int target = -1;
        lintaro::table::Decimal price{};
        for (size_t r = 0; r < generations[0].size() && target < 0; ++r) {
            const OddsRecord& first = generations[0][r];
            int below = 0;
            std::optional<lintaro::table::Decimal> later;
            for (const OddsRecord& row : generations[2]) {
                if (live::SameIdentity(row, first) && lintaro::table::IsQuotedPrice(row.P1)) {
                    later = row.P1;
                }
            }
            if (!later) continue;
            for (int g = 0; g < 2; ++g) {
                for (const OddsRecord& row : generations[g]) {
                    below += live::SameIdentity(row, first) &&
                             lintaro::table::IsQuotedPrice(row.P1) &&
                             row.P1->scaled < later->scaled;
                }
            }
            if (below == 2) {
                target = static_cast<int>(r);
                price = *later;
            }
        }
        QVERIFY2(target >= 0, "the demo line should move some P1 up at generation 2");

        options.generation = 0;
        lintaro::demo::DemoServer server(options);
        server.SetMoving(true);
        server.Start();
        OpenWindow();
        window_->SetFirstHost(server.FirstHost());
        window_->show();
        QVERIFY(Read());
        FocusCell(target, lintaro::grid::kColP1);
        QMenu* popup = window_->PopupMenu();
        emit popup->aboutToShow();
        QAction* watch = window_->findChild<QAction*>(QStringLiteral("actWatchPrice"));
        QVERIFY(watch && watch->isVisible());
        // Nothing to list yet: the popup menu has no such item.
        QAction* listed = window_->findChild<QAction*>(QStringLiteral("actAlertsInPopup"));
        QVERIFY(listed && !listed->isVisible());
        AlertDialog* dialog = window_->Alerts()->OpenAlertDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->PriceChoice()->isChecked());
        QTest::keyClicks(dialog->PriceField(),
                         QString::fromStdString(lintaro::table::FormatDecimal(
                             price, lintaro::table::DecimalFormat::kPrice, ".")));
        // Above the price now: the dialog says the price is to rise to it.
        QCOMPARE(dialog->DirectionBox()->currentIndex(), 0);
        QTest::mouseClick(dialog->Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(window_->Alerts()->Alerts().size(), size_t{1});
        QVERIFY(listed->isVisible());
        const live::Alert& set = window_->Alerts()->Alerts().front();
        QVERIFY(set.condition.event == live::EventIdentity::Of(generations[0][target]));
        QCOMPARE(set.condition.line, live::AlertLine::kFirst);

        QVERIFY(Read());  // generation 1: not yet
        QTest::qWait(100);
        QVERIFY(fake_.bodies.isEmpty());
        QVERIFY(!window_->Alerts()->Alerts().front().fired);
        QVERIFY(Read());  // generation 2: reached
        QTRY_COMPARE(fake_.bodies.size(), 1);
        const QString body = fake_.bodies.front();
        QVERIFY2(body.contains(Utf8(generations[0][target].team_h_name)), qPrintable(body));
        QVERIFY2(body.contains(Utf8(generations[0][target].team_g_name)), qPrintable(body));
        QVERIFY2(body.contains(QStringLiteral("П1 ") +
                               QString::fromStdString(lintaro::table::FormatDecimal(
                                   price, lintaro::table::DecimalFormat::kPrice, "."))),
                 qPrintable(body));
        QVERIFY(window_->Alerts()->Alerts().front().fired);
        QVERIFY(Read());  // fired already: never again
        QTest::qWait(200);
        QCOMPARE(fake_.bodies.size(), 1);
        QVERIFY(!window_->Alerts()->Note());

        // The list shows it fired; after a restart it is still there, fired.
        lintaro::app::AlertsWindow* list = window_->Alerts()->OpenAlertsWindow();
        QCOMPARE(list->List()->topLevelItemCount(), 1);
        QVERIFY(list->List()->topLevelItem(0)->text(2).startsWith(QStringLiteral("сработало")));
        const std::vector<live::Alert> before = window_->Alerts()->Alerts();
        window_.reset();
        OpenWindow();
        QVERIFY(window_->Alerts()->Alerts() == before);
        // Removed from the list, it is gone from the file too.
        list = window_->Alerts()->OpenAlertsWindow();
        list->List()->setFocus();
        QTest::keyClick(list->List(), Qt::Key_Delete);
        QVERIFY(window_->Alerts()->Alerts().empty());
        window_.reset();
        OpenWindow();
        QVERIFY(window_->Alerts()->Alerts().empty());
    }

    // The value field takes a number above 0 and at most 1000 and nothing else.
    void valueFieldRefusesWhatIsNoValue_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("said");  // the message says what the field takes
        QTest::newRow("price") << "2.5"
                               << "2.5" << true << false;
        QTest::newRow("comma") << "2,75"
                               << "2,75" << true << false;
        QTest::newRow("a thousand") << "1000"
                                    << "1000" << true << false;
        QTest::newRow("zero") << "0"
                              << "0" << false << true;
        QTest::newRow("negative") << "-3"
                                  << "3" << true << false;
        QTest::newRow("text") << "abc"
                              << "" << false << true;
        QTest::newRow("above a thousand") << "1001"
                                          << "100" << true << true;
        QTest::newRow("five decimals") << "1.23456"
                                       << "1.2345" << true << true;
    }
    void valueFieldRefusesWhatIsNoValue() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(bool, accepted);
        QFETCH(bool, said);
        lintaro::app::AlertDialogSetup setup;
        setup.event = QStringLiteral("А — Б");
        setup.field = lintaro::table::FieldIndex("P1");
        setup.field_caption = QStringLiteral("П1");
        setup.price = lintaro::table::Decimal{20000};
        setup.compared = true;
        AlertDialog dialog(setup);
        QVERIFY(dialog.Message()->text().isEmpty());  // nothing typed yet, nothing to say
        for (QLineEdit* field : {dialog.PriceField(), dialog.ProfitField()}) {
            field->clear();
            QTest::keyClicks(field, typed);
            QCOMPARE(field->text(), kept);
            QTRY_COMPARE(dialog.Buttons()->button(QDialogButtonBox::Ok)->isEnabled(), accepted);
            QTRY_COMPARE(!dialog.Message()->text().isEmpty(), said);
        }
        // A surebet on the event needs no value.
        dialog.EventSurebetChoice()->setChecked(true);
        QVERIFY(dialog.Buttons()->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(dialog.Message()->text().isEmpty());
    }

    // Delivered, refused, unanswered, or no service at all: only a delivered notification leaves
    // no note to the window.
    void notDeliveredWhenTheServiceIsMissingSlowOrRefuses_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("served");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("answered") << int(FakeNotifications::Mode::kAnswer) << true << true;
        QTest::newRow("refused") << int(FakeNotifications::Mode::kRefuse) << true << false;
        QTest::newRow("silent") << int(FakeNotifications::Mode::kSilent) << true << false;
        QTest::newRow("missing") << int(FakeNotifications::Mode::kAnswer) << false << false;
    }
    void notDeliveredWhenTheServiceIsMissingSlowOrRefuses() {
        QFETCH(int, mode);
        QFETCH(bool, served);
        QFETCH(bool, delivered);
        fake_.mode = static_cast<FakeNotifications::Mode>(mode);
        ServeNotifications(served);
        DesktopNotifier notifier(QDBusConnection::connectToBus(bus_address_, QStringLiteral("n")),
                                 nullptr);
        notifier.SetTimeoutMs(300);
        QSignalSpy done(&notifier, &DesktopNotifier::Delivered);
        QSignalSpy failed(&notifier, &DesktopNotifier::NotDelivered);
        QElapsedTimer clock;
        clock.start();
        notifier.Notify(QStringLiteral("Оповещение"), QStringLiteral("А — Б: П1 2.50"));
        QVERIFY(clock.elapsed() < 250);  // the call never waits for the service
        QTRY_COMPARE(done.size() + failed.size(), 1);
        QCOMPARE(done.size(), delivered ? 1 : 0);
        if (!delivered) QCOMPARE(failed.front().at(1).toString(), QStringLiteral("А — Б: П1 2.50"));
        QCOMPARE(fake_.bodies.size(), served ? 1 : 0);
        QDBusConnection::disconnectFromBus(QStringLiteral("n"));
    }

    // Without the service, an alert that fires is told in a note in the window, which stays
    // usable.
    void firedAlertWithoutServiceIsANoteInTheWindow() {
        ServeNotifications(false);
        lintaro::demo::DemoOptions options;
        options.events = 20;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        lintaro::demo::DemoServer server(options);
        server.Start();
        OpenWindow();
        window_->SetFirstHost(server.FirstHost());
        window_->show();
        window_->Alerts()->Add({live::ParseAlertCondition("first:P1>=1.01"), std::nullopt});
        QVERIFY(Read());
        QTRY_VERIFY(window_->Alerts()->Note() != nullptr);
        QMessageBox* note = window_->Alerts()->Note();
        QVERIFY(!note->isModal());
        QVERIFY2(note->text().contains(QStringLiteral("нет службы уведомлений")),
                 qPrintable(note->text()));
        QVERIFY(note->text().contains(QStringLiteral("П1 поднимется до 1.01")));
        QVERIFY(window_->Action("actRefresh")->isEnabled());
    }

    // Both lines compared: an alert on any surebet fires at the read that shows one, and one set
    // from the popup menu on an event with a surebet fires at the next read; a profit no surebet
    // reaches waits.
    void surebetAlertsFireOnTheComparedLine() {
        lintaro::demo::DemoOptions options;
        options.events = 300;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        lintaro::demo::DemoServer server(options);
        server.Start();
        OpenWindow();
        window_->SetFirstHost(server.FirstHost());
        window_->SetSecondHost(server.SecondHost());
        window_->SetBookmaker(lintaro::app::kBothBookmakers, /*remember=*/false);
        window_->show();
        window_->Alerts()->Add({live::ParseAlertCondition("surebet"), std::nullopt});
        window_->Alerts()->Add({live::ParseAlertCondition("surebet>=1000"), std::nullopt});
        QVERIFY(Read());
        QVERIFY(window_->ShowsComparison());
        QTRY_COMPARE(fake_.bodies.size(), 1);
        QVERIFY2(fake_.bodies.front().contains(QStringLiteral(": вилка ")),
                 qPrintable(fake_.bodies.front()));
        QVERIFY(window_->Alerts()->Alerts()[0].fired);
        QVERIFY(!window_->Alerts()->Alerts()[1].fired);

        const lintaro::grid::RowNumberSource surebets = window_->Compared().Surebets();
        const std::vector<OddsRecord>& rows = window_->cds_Data().Rows();
        int with_surebet = -1;
        for (size_t r = 0; r < rows.size() && with_surebet < 0; ++r) {
            if (surebets(rows[r])) with_surebet = static_cast<int>(r);
        }
        QVERIFY(with_surebet >= 0);
        FocusCell(with_surebet, lintaro::grid::kColHomeTeam);
        AlertDialog* dialog = window_->Alerts()->OpenAlertDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->PriceChoice());  // no price under the focus
        QVERIFY(dialog->EventSurebetChoice()->isChecked());
        dialog->Buttons()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(window_->Alerts()->Alerts().size(), size_t{3});
        const live::Alert& on_event = window_->Alerts()->Alerts()[2];
        QCOMPARE(on_event.condition.kind, live::AlertKind::kSurebet);
        QVERIFY(on_event.condition.event == live::EventIdentity::Of(rows[with_surebet]));
        QVERIFY(Read());
        QTRY_COMPARE(fake_.bodies.size(), 2);
        QVERIFY(fake_.bodies[1].contains(Utf8(window_->Alerts()->Alerts()[2].fired->event.home)));
        QVERIFY(!window_->Alerts()->Alerts()[1].fired);
    }

    // A file that cannot be read is kept aside whole and said once; the alerts go on in a new one.
    void damagedFileIsKeptAsideAndSaid() {
        const QString path = WindowAlerts::FilePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("{\"version\": 1, \"alerts\": [ {\"condition\": \"P1>=2\"");
        damaged.close();
        OpenWindow();
        QTRY_VERIFY(window_->Alerts()->Note() != nullptr);
        QVERIFY(window_->Alerts()->Note()->text().contains(path + QStringLiteral(".damaged")));
        window_->Alerts()->Add({live::ParseAlertCondition("P2<=3"), std::nullopt});
        QFile aside(path + QStringLiteral(".damaged"));
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(),
                 QByteArray("{\"version\": 1, \"alerts\": [ {\"condition\": \"P1>=2\""));
        window_.reset();
        OpenWindow();
        QCOMPARE(window_->Alerts()->Alerts().size(), size_t{1});
        QTest::qWait(50);
        QVERIFY(window_->Alerts()->Note() == nullptr);  // said once, with the damaged file
    }
};

QTEST_MAIN(AlertsTest)
#include "alerts_test.moc"
