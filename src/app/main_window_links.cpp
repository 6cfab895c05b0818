// The main window's links made by hand between the two bookmakers' events: the popup menu's
// "Связать с событием …" and "Разорвать связь", the user's aliases file they change, and the last
// reads merged again so that the change shows at once.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <algorithm>
#include <cstdio>

#include "app/main_window.h"
#include "compare/aliases.h"
#include "compare/link_candidates.h"
#include "compare/name_words.h"
#include "compare/sport_names.h"
#include "live/event_identity.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "views/odds_grid_view.h"

namespace lintaro::app {
namespace {

using compare::AliasesChange;
using compare::MergedEvent;
using compare::MergedLine;
using table::OddsRecord;

QString Text(const std::optional<std::string>& cp1251) {
    return cp1251 ? QString::fromStdString(table::Cp1251ToUtf8(*cp1251)) : QString();
}

std::string Utf8(const std::optional<std::string>& cp1251) {
    return cp1251 ? table::Cp1251ToUtf8(*cp1251) : std::string();
}

// "Спартак — Зенит, 12.12 19:00, Премьер-лига": the start on the first bookmaker's clock, as the
// grid shows every start.
QString EventText(const OddsRecord& row, int64_t shift_ms) {
    QString text = Text(row.team_h_name) + QStringLiteral(" — ") + Text(row.team_g_name);
    if (row.sport_event_date) {
        const table::CalendarParts at = table::SplitDateTime({row.sport_event_date->ms - shift_ms});
        char start[32];
        std::snprintf(start, sizeof start, "%02d.%02d %02d:%02d", at.day, at.month, at.hour,
                      at.minute);
        text += QStringLiteral(", ") + QString::fromLatin1(start);
    }
    if (row.competition_name && !row.competition_name->empty()) {
        text += QStringLiteral(", ") + Text(row.competition_name);
    }
    return text;
}

// The lines linking a pair's teams, home with home and guest with guest, in the first's sport.
std::vector<AliasesChange> PairChanges(AliasesChange::Kind kind, const OddsRecord& first,
                                       const OddsRecord& second) {
    const std::string sport = Utf8(first.sport_type_name);
    return {{kind, {Utf8(first.team_h_name), Utf8(second.team_h_name), sport}},
            {kind, {Utf8(first.team_g_name), Utf8(second.team_g_name), sport}}};
}

// Whether a line of the user's aliases in the pair's sport links either of its teams' names: the
// pair is then a link made by hand, which the user may undo.
bool LinkedByHand(const compare::Aliases& aliases, const OddsRecord& first,
                  const OddsRecord& second) {
    if (!first.sport_type_name || !first.team_h_name || !first.team_g_name || !second.team_h_name ||
        !second.team_g_name) {
        return false;
    }
    const std::string sport = compare::SportKey(*first.sport_type_name);
    const auto linked = [&](const std::string& a, const std::string& b) {
        return aliases.LinkedInSport(compare::NormalisedName(a), compare::NormalisedName(b), sport);
    };
    return linked(*first.team_h_name, *second.team_h_name) ||
           linked(*first.team_g_name, *second.team_g_name);
}

// Runs a menu item's `handler`, reporting any failure that escapes it as the window reports its
// own (no exception crosses the event loop).
template <typename Handler>
void Reporting(TfrmMain* window, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        window->ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
        window->ReportError(QStringLiteral("Unknown failure"));
    }
}

}  // namespace

void TfrmMain::AddLinkItems() {
    user_aliases_ = std::make_shared<compare::UserAliases>(compare::DefaultAliasesPath());
    both_read_->SetUserAliases(user_aliases_);

    link_menu_ = new QMenu(QStringLiteral("Связать с событием …"), popup_menu_);
    link_menu_->setObjectName(QStringLiteral("link_menu"));
    link_menu_->setToolTipsVisible(true);
    link_menu_->menuAction()->setObjectName(QStringLiteral("actLinkEvent"));
    link_menu_->menuAction()->setVisible(false);
    popup_menu_->addMenu(link_menu_);
    unlink_action_ = new QAction(QStringLiteral("Разорвать связь"), this);
    unlink_action_->setObjectName(QStringLiteral("actUnlinkEvent"));
    unlink_action_->setVisible(false);
    connect(unlink_action_, &QAction::triggered, this,
            [this] { Reporting(this, [this] { UnlinkCurrentEvent(); }); });
    popup_menu_->addAction(unlink_action_);
    connect(popup_menu_, &QMenu::aboutToShow, this, [this] { ShowLinkItems(); });
}

void TfrmMain::ShowLinkItems() {
    link_menu_->clear();
    link_menu_->menuAction()->setVisible(false);
    unlink_action_->setVisible(false);
    const std::shared_ptr<const MergedLine> line = compared_.Shown();
    const int current = cds_data_.CurrentRow();
    // While a read runs its merge may come after a link: the line stays as it is until then.
    if (!line || IsRefreshing() || current < 0 || !ctl_data_grid_->HasCurrentEvent()) return;
    const MergedEvent* event = line->Find(cds_data_.Rows()[current]);
    if (event == nullptr) return;

    if (event->Matched()) {
        unlink_action_->setVisible(LinkedByHand(user_aliases_->Load().aliases,
                                                *line->FirstRow(*event), *line->SecondRow(*event)));
        return;
    }
    const bool at_first = event->first >= 0;
    std::vector<int> unmatched;
    for (const MergedEvent& other : line->events) {
        if (other.Matched()) continue;
        if (at_first && other.second >= 0) unmatched.push_back(other.second);
        if (!at_first && other.first >= 0) unmatched.push_back(other.first);
    }
    const std::vector<OddsRecord>& others = at_first ? line->second_rows : line->first_rows;
    const OddsRecord& own = at_first ? *line->FirstRow(*event) : *line->SecondRow(*event);
    const std::vector<compare::LinkCandidate> candidates =
        compare::LikeliestPartners({&own, at_first, others, unmatched, line->offset_ms, 5});
    link_menu_->menuAction()->setVisible(true);
    const QString other_name = BookmakerName(at_first ? 1 : 0);
    link_menu_->setAccessibleName(
        QStringLiteral("Связать с событием ") +
        (at_first ? QStringLiteral("Пинакла") : QStringLiteral("Марафона")));
    if (candidates.empty()) {
        link_menu_->addAction(QStringLiteral("Нет событий того же вида спорта в это время"))
            ->setEnabled(false);
        return;
    }
    for (const compare::LinkCandidate& candidate : candidates) {
        const OddsRecord& other = others[static_cast<size_t>(candidate.row)];
        QAction* item = link_menu_->addAction(EventText(other, at_first ? line->offset_ms : 0));
        item->setToolTip(
            other_name +
            QStringLiteral(", сходство названий %1%").arg(qRound(candidate.score * 100)));
        const int row = candidate.row;
        connect(item, &QAction::triggered, this,
                [this, row] { Reporting(this, [this, row] { LinkCurrentEvent(row); }); });
    }
    // Opened from the keyboard, the first choice is ready for Enter.
    link_menu_->setActiveAction(link_menu_->actions().first());
}

void TfrmMain::LinkCurrentEvent(int other) {
    const std::shared_ptr<const MergedLine> line = compared_.Shown();
    const int current = cds_data_.CurrentRow();
    if (!line || IsRefreshing() || current < 0) return;
    const OddsRecord was = cds_data_.Rows()[current];
    const MergedEvent* event = line->Find(was);
    if (event == nullptr || event->Matched()) return;
    const bool at_first = event->first >= 0;
    const compare::EventPair pair{at_first ? event->first : other, at_first ? other : event->second,
                                  1.0};
    if (pair.first < 0 || pair.first >= static_cast<int>(line->first_rows.size()) ||
        pair.second < 0 || pair.second >= static_cast<int>(line->second_rows.size())) {
        return;
    }
    ChangeAliases(PairChanges(AliasesChange::Kind::kLink, line->first_rows[pair.first],
                              line->second_rows[pair.second]));
    MergeAgain(was, pair);
}

void TfrmMain::UnlinkCurrentEvent() {
    const std::shared_ptr<const MergedLine> line = compared_.Shown();
    const int current = cds_data_.CurrentRow();
    if (!line || IsRefreshing() || current < 0) return;
    const OddsRecord was = cds_data_.Rows()[current];
    const MergedEvent* event = line->Find(was);
    if (event == nullptr || !event->Matched()) return;
    ChangeAliases(PairChanges(AliasesChange::Kind::kUnlink, *line->FirstRow(*event),
                              *line->SecondRow(*event)));
    // The focus stays on the first's own row of the event, which keeps its identity.
    MergeAgain(was, {event->first, -1, 0.0});
}

void TfrmMain::ChangeAliases(const std::vector<AliasesChange>& changes) {
    const compare::AliasesSave save = user_aliases_->Change(changes);
    if (save.saved) {
        aliases_failure_told_ = false;
        return;
    }
    // Said once while the file keeps refusing; every change holds for the run all the same.
    if (std::exchange(aliases_failure_told_, true)) return;
    dialogs_.ShowMessageBox(
        this, MessageBoxRequest{QStringLiteral("Связь не сохранена в файле связей ") +
                                    QString::fromStdString(user_aliases_->Path()) +
                                    QStringLiteral(": ") + QString::fromStdString(save.error) +
                                    QStringLiteral(".\nСвязь действует до закрытия программы."),
                                QStringLiteral("Lintaro"),
                                QMessageBox::Warning,
                                QMessageBox::Ok,
                                {},
                                QMessageBox::Ok});
}

void TfrmMain::MergeAgain(const OddsRecord& was, const compare::EventPair& becomes) {
    const std::shared_ptr<const MergedLine> line = compared_.Shown();
    if (!line) return;
    // The rows as read, less the events the user deleted from the grid since.
    std::vector<char> shown(line->events.size(), 0);
    for (const OddsRecord& row : cds_data_.Rows()) {
        if (row.Key_ID && *row.Key_ID >= 1 && *row.Key_ID <= static_cast<int>(shown.size())) {
            shown[static_cast<size_t>(*row.Key_ID - 1)] = 1;
        }
    }
    std::vector<OddsRecord> first, second;
    int becomes_first = -1, becomes_second = -1;
    for (size_t i = 0; i < line->events.size(); ++i) {
        if (!shown[i]) continue;
        const MergedEvent& event = line->events[i];
        if (event.first >= 0) {
            if (event.first == becomes.first) becomes_first = static_cast<int>(first.size());
            first.push_back(line->first_rows[static_cast<size_t>(event.first)]);
        }
        if (event.second >= 0) {
            if (event.second == becomes.second) becomes_second = static_cast<int>(second.size());
            second.push_back(line->second_rows[static_cast<size_t>(event.second)]);
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const compare::AliasesLoad aliases = user_aliases_->Load();
    compare::LineOptions options;
    if (!aliases.aliases.Empty()) options.match.aliases = &aliases.aliases;
    auto merged = std::make_unique<MergedLine>(
        compare::MergeLines(std::move(first), std::move(second), options));
    QApplication::restoreOverrideCursor();
    // The row the focus goes to: the pair's, or the first's own event.
    std::optional<OddsRecord> becomes_row;
    for (size_t i = 0; i < merged->events.size(); ++i) {
        const MergedEvent& event = merged->events[i];
        if (event.first == becomes_first && becomes_first >= 0 &&
            (becomes_second < 0 || event.second == becomes_second)) {
            becomes_row = merged->rows[i];
        }
    }
    compared_.Replace(std::move(merged));
    if (becomes_row) {
        ctl_data_grid_->SetSameEvent(
            [was, row = *becomes_row](const OddsRecord& saved, const OddsRecord& candidate) {
                if (live::SameIdentity(saved, candidate)) return true;
                return live::SameIdentity(saved, was) && live::SameIdentity(candidate, row);
            });
    }
    {
        // One reload for the whole line, so the grid keeps the user's place.
        table::ScopedDisplaySuspension suspended(cds_data_);
        cds_data_.ResetTable();
        cds_data_.AppendRows(compared_.TakeRows());
        ctl_data_grid_->SetComparison(
            compared_.BestMargins(), compared_.Surebets(),
            [this](const OddsRecord& row) { return compared_.HasSurebet(row); });
    }
    ctl_data_grid_->SetSameEvent(live::SameIdentity);
    ShowComparison(compared_.ShownRead());
    actShowDopInfoUpdate();
}

}  // namespace lintaro::app
