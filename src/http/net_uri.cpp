// Splitting URLs and resolving relative paths. The query begins at the first "?" or, without one,
// at the first "=", so "a/b=c" keeps "b=c" as its query, just as the servers we talk to expect.
#include "http/net_uri.h"

#include <algorithm>

namespace lintaro::http {

namespace {

// Fills path, document, params (and, for absolute URLs, the bookmark) from the text after the
// authority.
void SplitRemainder(const std::string& rest, bool absolute, TNetURI& uri) {
    std::size_t query = rest.find('?');
    if (query == std::string::npos) query = rest.find('=');
    // The directory ends at the last "/" before the query (or in the whole text without one).
    std::size_t slash_end = 0;
    const std::size_t last_slash = query == std::string::npos ? rest.rfind('/')
                                   : query == 0               ? std::string::npos
                                                              : rest.rfind('/', query - 1);
    if (last_slash != std::string::npos) slash_end = last_slash + 1;
    uri.Path = absolute ? "/" + rest.substr(0, slash_end) : rest.substr(0, slash_end);
    std::string document = query == std::string::npos ? rest : rest.substr(0, query);
    uri.Document = document.substr(std::min(slash_end, document.size()));
    uri.Params = query == std::string::npos ? "" : rest.substr(query);
    if (absolute) {
        const std::size_t hash = uri.Document.find('#');
        if (hash != std::string::npos) {
            uri.Bookmark = uri.Document.substr(hash + 1);
            uri.Document.erase(hash);
        }
    }
}

}  // namespace

TNetURI TNetURI::Split(const std::string& url) {
    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');
    TNetURI uri;
    const std::size_t scheme_end = text.find("://");
    if (scheme_end != std::string::npos) {
        uri.Absolute = true;
        uri.Protocol = text.substr(0, scheme_end);
        std::string rest = text.substr(scheme_end + 3);
        std::string authority;
        const std::size_t slash = rest.find('/');
        if (slash == std::string::npos) {
            authority = rest;
            rest.clear();
        } else {
            authority = rest.substr(0, slash);
            rest.erase(0, slash + 1);
        }
        const std::size_t at = authority.find('@');
        if (at != std::string::npos) {
            const std::string user_info = authority.substr(0, at);
            const std::size_t colon = user_info.find(':');
            uri.Username = user_info.substr(0, colon);
            if (colon != std::string::npos) uri.Password = user_info.substr(colon + 1);
            if (uri.Username.empty()) uri.Password.clear();
            authority.erase(0, at + 1);
        }
        const std::size_t colon = authority.find(':');
        uri.Host = authority.substr(0, colon);
        if (colon != std::string::npos) uri.Port = authority.substr(colon + 1);
        SplitRemainder(rest, true, uri);
    } else {
        SplitRemainder(text, false, uri);
    }
    if (uri.Bookmark.empty()) {
        const std::size_t hash = uri.Params.find('#');
        if (hash != std::string::npos) {
            uri.Bookmark = uri.Params.substr(hash + 1);
            uri.Params.erase(hash);
        }
    }
    return uri;
}

std::string LeadingScheme(const std::string& url) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (url.empty() || !letter(url[0])) return "";
    for (std::size_t i = 1; i < url.size(); ++i) {
        const char c = url[i];
        if (c == ':') return url.substr(0, i);
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return "";
    }
    return "";
}

std::string ResolvePath(const std::string& base, const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const bool keep_trail = path.empty() || path.back() == '/';
    std::string whole = base;
    if (!base.empty() && base.back() != '/') whole += '/';
    whole += path;
    std::string result;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const char c = whole[i];
        if (c == '/') {
            if (i == 0) {
                result = "/";
            } else if (result.empty() || result.back() != '/') {
                result += '/';
            }
        } else if (c == '.' && !result.empty() && result.back() == '/' && i + 1 < whole.size() &&
                   whole[i + 1] == '.') {
            // "..": drop the last directory of the result, its "/" included. The root stays, so
            // a path never climbs out of "/" into a target without its leading slash.
            if (result != "/") {
                result.pop_back();
                while (!result.empty() && result.back() != '/') result.pop_back();
            }
            ++i;
        } else {
            result += c;
        }
    }
    if (result.size() > 1 && result.back() == '/' && !keep_trail) result.pop_back();
    return result;
}

}  // namespace lintaro::http
