// Linking events by hand in "Обе конторы", on the demo line server: the popup menu links an event
// of one bookmaker with one of the other's, by the keyboard too; the link is written to the user's
// aliases file (the rest of it kept byte for byte), shows at once, holds at the next read and for
// a new matcher, and is undone by "Разорвать связь"; a later link of a name replaces its earlier
// one; a read-only file is said once and the link holds for the run.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/command_line.h"
#include "app/main_window.h"
#include "compare/aliases.h"
#include "compare/event_matcher.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "fake_dialogs.h"
#include "grid/grid_layout.h"
#include "live/event_identity.h"
#include "readers/line_session.h"
#include "readers/reader_context.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"

using lintaro::app::kBothBookmakers;
using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::table::OddsRecord;
namespace compare = lintaro::compare;
namespace grid = lintaro::grid;
namespace views = lintaro::views;
namespace fs = std::filesystem;

namespace {

class QuietUi : public lintaro::readers::ReaderUi {
  public:
    void ShowMessage(const std::string&) override {}
    void SetWaitCursor(bool) override {}
    lintaro::table::CivilDate Today() override { return lintaro::table::LocalToday(); }
};

std::vector<OddsRecord> ReadLine(const lintaro::demo::DemoServer& server, int bookmaker) {
    lintaro::readers::LineSession session;
    session.first_host = server.FirstHost();
    session.second_host = server.SecondHost();
    lintaro::table::OddsTable table;
    table.ResetTable();
    QuietUi ui;
    session.Load(bookmaker, table, ui);
    return table.Rows();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Utf8(const std::optional<std::string>& cp1251) {
    return lintaro::table::Cp1251ToUtf8(cp1251.value_or(""));
}

// The aliases file's line linking two rows' names of one role.
std::string Line(const std::optional<std::string>& first, const std::optional<std::string>& second,
                 const OddsRecord& sport_of) {
    return Utf8(first) + "\t" + Utf8(second) + "\t" + Utf8(sport_of.sport_type_name) + "\n";
}

}  // namespace

class ComparedLinksTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;
    std::unique_ptr<lintaro::demo::DemoServer> demo_;
    std::string aliases_path_;

    views::OddsGridView* Grid() const { return window_->ctl_DataGrid(); }
    views::OddsGridModel* Model() const { return Grid()->Model(); }
    QMenu* Popup() const { return window_->findChild<QMenu*>(QStringLiteral("PopupMenu1")); }
    QMenu* LinkMenu() const { return window_->findChild<QMenu*>(QStringLiteral("link_menu")); }
    QAction* Unlink() const {
        return window_->findChild<QAction*>(QStringLiteral("actUnlinkEvent"));
    }

    void Read() {
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_, 60000));
        QVERIFY(dialogs_->boxes.isEmpty());
        Grid()->ExpandAllGroups();
    }
    // The date cell's badge: "М" or "П" for an event of one bookmaker, empty for a matched one.
    QString Badge(grid::NodeRef node) const {
        return Model()
            ->IndexOf(node, Model()->ModelColumn(grid::kColDate))
            .data(views::OddsGridModel::kCellBadgeRole)
            .toString();
    }
    std::vector<grid::NodeRef> Events(const QString& badge) const {
        std::vector<grid::NodeRef> events;
        for (const grid::NodeRef node : Grid()->Tree().PreOrder()) {
            if (Grid()->Tree().IsEvent(node) && Badge(node) == badge) events.push_back(node);
        }
        return events;
    }
    std::optional<grid::NodeRef> EventOf(const OddsRecord& row) const {
        for (const grid::NodeRef node : Grid()->Tree().PreOrder()) {
            if (Grid()->Tree().IsEvent(node) &&
                lintaro::live::SameIdentity(*Grid()->Tree().Record(node), row)) {
                return node;
            }
        }
        return std::nullopt;
    }
    void Focus(grid::NodeRef node) {
        Grid()->TreeView()->setCurrentIndex(Model()->IndexOf(node, 1));
    }
    // The popup menu's items for the focused event, as opening it shows them.
    QList<QAction*> Candidates() {
        emit Popup()->aboutToShow();
        QList<QAction*> offered;
        if (!LinkMenu()->menuAction()->isVisible()) return offered;
        for (QAction* item : LinkMenu()->actions()) {
            if (item->isEnabled()) offered << item;
        }
        return offered;
    }

  private slots:
    void init() {
        aliases_path_ = compare::DefaultAliasesPath();
        QVERIFY(!aliases_path_.empty());
        std::error_code ec;
        fs::remove(aliases_path_, ec);
        lintaro::demo::DemoOptions options;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        options.events = 300;
        demo_ = std::make_unique<lintaro::demo::DemoServer>(options);
        demo_->Start();
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        window_->SetFirstHost(demo_->FirstHost());
        window_->SetSecondHost(demo_->SecondHost());
        window_->ctl_BKCombo()->setCurrentIndex(kBothBookmakers);
        window_->show();
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
        demo_.reset();
        std::error_code ec;
        fs::permissions(aliases_path_, fs::perms::owner_read | fs::perms::owner_write, ec);
        fs::remove(aliases_path_, ec);
    }

    // Linked by the keyboard (Shift+F10, arrows, Enter): written to the file after the user's own
    // lines, shown at once with the focus on the pair, matched by the next read and by a new
    // matcher; "Разорвать связь" gives back the file and the line as they were.
    void ALinkIsWrittenShownKeptAndUndone() {
        const std::string mine = "# мои связи\n\nЦСКА\tCSKA Moscow\n";
        WriteFile(aliases_path_, mine);
        Read();
        const size_t first_only = Events(QStringLiteral("М")).size();
        const size_t second_only = Events(QStringLiteral("П")).size();
        const int events = Grid()->Tree().EventCount();
        // An event of the first alone that has a partner to offer.
        std::optional<OddsRecord> event;
        for (const grid::NodeRef node : Events(QStringLiteral("М"))) {
            Focus(node);
            if (!Candidates().isEmpty()) {
                event = *Grid()->Tree().Record(node);
                break;
            }
        }
        QVERIFY2(event, "the demo line has an event of the first alone with a candidate");
        QVERIFY(!Unlink()->isVisible());

        QTest::keyClick(Grid()->TreeView(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(Popup()->isVisible());
        QTest::keyClick(Popup(), Qt::Key_Up);  // the last item: the links
        QCOMPARE(Popup()->activeAction(), LinkMenu()->menuAction());
        QCOMPARE(LinkMenu()->menuAction()->text(), QStringLiteral("Связать с событием …"));
        QVERIFY(LinkMenu()->accessibleName().startsWith(QStringLiteral("Связать с событием")));
        QTest::keyClick(Popup(), Qt::Key_Right);
        QTRY_VERIFY(LinkMenu()->isVisible());
        const QString chosen = LinkMenu()->activeAction()->text();
        QVERIFY2(chosen.contains(QStringLiteral(" — ")), qPrintable(chosen));
        QTest::keyClick(LinkMenu(), Qt::Key_Return);
        QTRY_VERIFY(!Popup()->isVisible());

        // Shown at once, the focus on the pair.
        const std::optional<lintaro::app::ComparedEventView> pair = window_->CurrentComparedEvent();
        QVERIFY(pair);
        QVERIFY(lintaro::live::SameIdentity(pair->first, *event));
        QVERIFY(chosen.startsWith(QString::fromStdString(Utf8(pair->second.team_h_name))));
        QCOMPARE(Grid()->Tree().EventCount(), events - 1);
        QVERIFY(dialogs_->boxes.isEmpty());
        const std::string linked = mine +
                                   Line(event->team_h_name, pair->second.team_h_name, *event) +
                                   Line(event->team_g_name, pair->second.team_g_name, *event);
        QCOMPARE(ReadFile(aliases_path_), linked);

        // A new matcher reading the file pairs them.
        const std::vector<OddsRecord> first = ReadLine(*demo_, 0);
        const std::vector<OddsRecord> second = ReadLine(*demo_, 1);
        const compare::AliasesLoad aliases = compare::LoadAliases(aliases_path_);
        QVERIFY(aliases.error.empty());
        compare::MatchOptions options;
        options.aliases = &aliases.aliases;
        bool paired = false;
        for (const compare::EventPair& found : compare::MatchEvents(first, second, options).pairs) {
            paired |= lintaro::live::SameIdentity(first[found.first], *event) &&
                      lintaro::live::SameIdentity(second[found.second], pair->second);
        }
        QVERIFY(paired);

        // The next read matches them too.
        Read();
        const std::optional<grid::NodeRef> again = EventOf(*event);
        QVERIFY(again);
        QCOMPARE(Badge(*again), QString());
        Focus(*again);
        QVERIFY(Candidates().isEmpty());
        QVERIFY(Unlink()->isVisible());
        QCOMPARE(Unlink()->text(), QStringLiteral("Разорвать связь"));

        // Undone: the file and the line as they were, the focus where it was.
        Unlink()->trigger();
        QCOMPARE(ReadFile(aliases_path_), mine);
        QCOMPARE(Grid()->Tree().EventCount(), events);
        QCOMPARE(Events(QStringLiteral("М")).size(), first_only);
        QCOMPARE(Events(QStringLiteral("П")).size(), second_only);
        QVERIFY(Grid()->HasCurrentEvent());
        QVERIFY(lintaro::live::SameIdentity(
            window_->cds_Data().Rows()[window_->cds_Data().CurrentRow()], *event));
        // A match the matcher makes by itself cannot be unlinked.
        for (const grid::NodeRef node : Events(QString())) {
            Focus(node);
            QVERIFY(Candidates().isEmpty());
            QVERIFY(!Unlink()->isVisible());
            break;
        }
    }

    // A name linked before is linked anew: the earlier lines go, the later stay, and the true
    // partner is offered first.
    void ALaterLinkReplacesTheEarlierOne() {
        Read();
        const std::vector<grid::NodeRef> matched = Events(QString());
        QVERIFY(!matched.empty());
        Focus(matched.front());
        const std::optional<lintaro::app::ComparedEventView> truth =
            window_->CurrentComparedEvent();
        QVERIFY(truth);
        const OddsRecord& a = truth->first;
        const std::string mine = "# мои\r\n";
        const std::string earlier = Line(a.team_h_name, std::string("Old Home"), a) +
                                    Line(a.team_g_name, std::string("Old Guest"), a);
        WriteFile(aliases_path_, mine + earlier);
        Read();
        const std::optional<grid::NodeRef> alone = EventOf(a);
        QVERIFY(alone);
        QCOMPARE(Badge(*alone), QStringLiteral("М"));
        Focus(*alone);
        const QList<QAction*> offered = Candidates();
        QVERIFY(!offered.isEmpty());
        QVERIFY2(offered.front()->text().startsWith(
                     QString::fromStdString(Utf8(truth->second.team_h_name))),
                 qPrintable(offered.front()->text()));
        offered.front()->trigger();
        // Appended as the file's lines end.
        const auto crlf = [](std::string line) { return line.insert(line.size() - 1, "\r"); };
        QCOMPARE(ReadFile(aliases_path_),
                 mine + crlf(Line(a.team_h_name, truth->second.team_h_name, a)) +
                     crlf(Line(a.team_g_name, truth->second.team_g_name, a)));
        const std::optional<lintaro::app::ComparedEventView> now = window_->CurrentComparedEvent();
        QVERIFY(now);
        QVERIFY(lintaro::live::SameIdentity(now->second, truth->second));
    }

    // A read-only file: said once, naming the file; the links hold for the run, at the next read
    // too; the file is left as it was.
    void AReadOnlyFileIsSaidOnceAndTheLinkHoldsForTheRun() {
        const std::string mine = "# только для чтения\n";
        WriteFile(aliases_path_, mine);
        fs::permissions(aliases_path_, fs::perms::owner_read);
        Read();
        std::vector<OddsRecord> linked;
        for (const grid::NodeRef node : Events(QStringLiteral("П"))) {
            Focus(node);
            const QList<QAction*> offered = Candidates();
            if (offered.isEmpty()) continue;
            offered.front()->trigger();
            const std::optional<lintaro::app::ComparedEventView> pair =
                window_->CurrentComparedEvent();
            QVERIFY(pair);
            linked.push_back(pair->first);
            if (linked.size() == 2) break;
        }
        QCOMPARE(int(linked.size()), 2);
        QCOMPARE(dialogs_->boxes.size(), 1);
        QVERIFY2(dialogs_->boxes[0].text.contains(QString::fromStdString(aliases_path_)),
                 qPrintable(dialogs_->boxes[0].text));
        QVERIFY(dialogs_->boxes[0].text.contains(QStringLiteral("read-only")));
        QCOMPARE(dialogs_->boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(ReadFile(aliases_path_), mine);
        dialogs_->boxes.clear();
        Read();
        for (const OddsRecord& row : linked) {
            const std::optional<grid::NodeRef> node = EventOf(row);
            QVERIFY(node);
            QCOMPARE(Badge(*node), QString());
        }
    }
};

QTEST_MAIN(ComparedLinksTest)
#include "compared_links_test.moc"
