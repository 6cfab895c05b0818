// The second bookmaker's tournament list and the refresh that walks it. The bookmaker's root page
// may redirect to another host; the host that answered is learned from the request heads the HTTP
// client reports, and the list and the soccer and baseball pages are asked of it.
#include <exception>
#include <vector>

#include "http/net_errors.h"
#include "http/net_log_event.h"
#include "readers/reader_failure.h"
#include "readers/search_budget.h"
#include "readers/second_bookmaker.h"
#include "readers/text_conversions.h"
#include "regex/pattern.h"
#include "table/odds_table.h"

namespace lintaro::readers {

using http::ENetCancelled;
using http::TNetLogEvent;

namespace {

// Soccer and baseball tournaments: the sport is named in the link's query.
constexpr char kLinkPattern1[] = R"re(<a href\=\"(vwguestlines\.asp\?[^\"]+)\"[^\>]+>([^\<]+)<)re";
// Tennis tournaments.
constexpr char kLinkPattern2[] =
    R"re(<a href\=\"(guestContestLines\.asp\?ContestType\=Tennis[^\"]+)\"[^\>]+>([^\<]+)<)re";

struct Tournament {
    std::string sport;
    std::string name;
    std::string url;
};

bool Contains(std::string_view text, std::string_view word) { return Find(text, word) != 0; }

// A link that spans lines or holds other control bytes would carry them into the request line,
// where a CR LF starts a header of the page's choosing; such a link is passed over.
bool HasControlByte(std::string_view link) {
    for (char c : link) {
        if (static_cast<unsigned char>(c) < 32) return true;
    }
    return false;
}

// Reads the kept tournaments from the list text, soccer and baseball first, then tennis, each in
// page order.
std::vector<Tournament> ReadTournamentList(std::string_view list_text,
                                           const std::string& request_host,
                                           const std::string& fixed_host) {
    std::vector<Tournament> tournaments;
    regex::TPattern links;
    links.SetModifierByIndex(regex::kModifierI, true);
    links.SetModifierByIndex(regex::kModifierR, true);

    links.SetExpression(kLinkPattern1);
    for (bool found = ExecWithBudget(links, list_text); found; found = links.ExecNext()) {
        const std::string link = links.Match(1);
        if (HasControlByte(link)) continue;
        const int p = Find(AsciiLower(link), "sporttype=");
        // Without "sporttype=" the key is read from inside the page name, so it is never kept.
        const std::string key =
            AsciiLower(ReplaceAll(CopyUntilChar(link, p + 10, '&'), "%20", " "));
        if (key != "soccer" && key != "baseball") continue;
        const std::string name = ReplaceAll(links.Match(2), "&amp;", "&");
        const std::string lower_name = AsciiLower(name);
        if (Contains(lower_name, "halfs") || Contains(lower_name, "reduced margin")) continue;
        tournaments.push_back(
            {key, name, "http://" + request_host + "/" + ReplaceAll(link, "&amp;", "&")});
    }

    links.SetExpression(kLinkPattern2);
    for (bool found = ExecWithBudget(links, list_text); found; found = links.ExecNext()) {
        if (HasControlByte(links.Match(1))) continue;
        const std::string name = ReplaceAll(links.Match(2), "&amp;", "&");
        if (Contains(AsciiLower(name), "flushing meadows")) continue;
        // Tennis pages are always asked of the bookmaker's own host.
        tournaments.push_back(
            {"tennis", name,
             "http://" + fixed_host + "/" + ReplaceAll(links.Match(1), "&amp;", "&")});
    }
    return tournaments;
}

}  // namespace

void RequestHostTracker::LogDebugSent(TNetLogEvent&, const std::string& text,
                                      const std::string& data) {
    LogDebugSent(text, data);
}

void RequestHostTracker::Follow(TNetLogEvent& log) {
    log.OnSent = [this](TNetLogEvent& sender, const std::string& text, const std::string& data) {
        LogDebugSent(sender, text, data);
    };
}

void RequestHostTracker::LogDebugSent(const std::string& text, const std::string& data) {
    const std::string head = AsciiLower(text + data);
    // Skip "host:" and the blank after it; without a Host line this reads from the sixth byte,
    // which never happens with this program's request heads.
    const int p = Find(head, "host:");
    request_host_ = Trim(CopyUntilChar(head, p + 6, '\r'));
}

void LoadSecondBookmaker(const ReaderContext& context, RequestHostTracker& hosts,
                         const std::string& host) {
    try {
        std::vector<Tournament> tournaments;
        {
            std::string list_text;
            try {
                hosts.Clear();
                context.fetch_text("http://" + host);  // only to learn the host that answers
                list_text = NormalizeLines(
                    context.fetch_text("http://" + hosts.RequestHost() + "/decimal.asp?"));
            } catch (const ENetCancelled&) {
                throw;
            } catch (const std::exception& e) {
                if (EndsTheRead(e)) throw EReaderFailure(IncompleteReadMessage(e.what()));
                throw EReaderFailure(ListFetchFailedMessage());
            }
            tournaments = ReadTournamentList(list_text, hosts.RequestHost(), host);
        }
        const table::CivilDate today = context.ui.Today();
        for (const Tournament& tournament : tournaments) {
            std::string page_lines;
            try {
                page_lines = NormalizeLines(context.fetch_text(tournament.url));
            } catch (const ENetCancelled&) {
                throw;
            } catch (const std::exception& e) {
                // A page cut short or a read out of time ends the read: the line would lack this
                // tournament unseen. Any other failure costs this tournament's rows only.
                if (EndsTheRead(e)) throw EReaderFailure(IncompleteReadMessage(e.what()));
            }
            try {
                ParseSecondBookmakerPage(page_lines, tournament.sport, tournament.name,
                                         context.table, today);
            } catch (const std::exception&) {
                // The rows read from this page so far stay; the next page is read.
            }
        }
    } catch (const ENetCancelled&) {
        // The user stopped the refresh: the rows read so far stay, no message.
    } catch (const std::exception& e) {
        context.ui.ShowMessage(e.what());
    }
}

}  // namespace lintaro::readers
