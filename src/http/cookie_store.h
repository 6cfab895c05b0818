// The cookie store of the HTTP client. It keeps every cookie the servers set for the whole run,
// in memory only, and builds the "Cookie" line of each request. Cookies are filed by domain and
// then by name (both case-insensitive, in the order first seen); a cookie goes only to its own
// host and to the hosts below its domain.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "http/internet_date.h"

namespace lintaro::http {

// The three cookie dialects: what a cookie is read as and how it is written back.
enum class TNetCookieKind {
    kNetscape = 0,  // expiry as an "expires" date
    kRfc2109 = 1,   // from a "Set-cookie" line
    kRfc2965 = 2,   // from a "Set-cookie2" line: also comment URL, discard and ports
};

// One cookie. Every field is the text as received unless noted.
struct TNetCookie {
    std::string cookie_text;  // the last text parsed into this cookie
    std::string name;
    std::string value;  // quotes, if any, are part of it
    std::string path;   // empty: never sent
    std::string domain;
    std::string expires;  // empty: lives until the end of the run
    bool secure = false;
    TNetCookieKind kind = TNetCookieKind::kRfc2109;
    std::int64_t max_age = -1;  // seconds; -1 when absent or not a number
    std::string version;
    std::string comment;
    std::string comment_url;     // Set-cookie2 only
    bool discard = false;        // Set-cookie2 only
    std::vector<int> port_list;  // Set-cookie2 only
};

// Parses one cookie line into `cookie`, whose kind decides which attributes are read. A text equal
// to the cookie's current text changes nothing. `now` is the current clock reading, used to turn a
// "max-age" into an expiry date. Throws EConvertError for a Set-cookie2 "Port" list holding a part
// that is not a whole number; nothing else throws.
void ParseCookieText(TNetCookie& cookie, const std::string& text, const LocalClockReading& now);

// The cookie written back in server form: "name=value; path=...; domain=...; secure; ...".
std::string ServerCookieText(const TNetCookie& cookie);

// Whether a cookie with `domain` may be set by `host` (the host as written in the URL). A host
// name may only set a cookie for itself or, with a domain that begins with ".", for the domain it
// belongs to (the host from its first "." on) when that has a dot after its leading one (never
// ".com"); an address only for itself.
bool IsCookieDomainValidForHost(const std::string& domain, const std::string& host);

// Whether a cookie filed under `domain` goes to `host`: the host is the domain itself (without a
// leading ".") or, unless the domain is an IPv4 address, ends in "." and that domain. Letter case
// does not matter.
bool CookieDomainMatchesHost(const std::string& domain, const std::string& host);

// The store. Cookies are filed by domain key and then by name, both compared without regard to
// ASCII letter case and kept in the order first seen; a replaced cookie keeps its place. Indexes
// by domain key, by the bare domain (without its leading "."), by name, by path and by expiry
// make filing a cookie and building a "Cookie" line cost about the same however many cookies
// the store holds.
//
// The store holds at most kMaxCookiesPerDomain cookies under one domain key and kMaxCookies in
// all. When filing a cookie passes a limit, every expired cookie goes first; then, while the limit
// is still passed, the cookie filed earliest (under that domain key for its limit, in the whole
// store for the other) goes.
class TNetCookieManager {
  public:
    using Clock = std::function<LocalClockReading()>;

    static constexpr std::size_t kMaxCookiesPerDomain = 180;
    static constexpr std::size_t kMaxCookies = 3000;

    // A store reading the system clock.
    TNetCookieManager();
    // A store reading `clock` whenever it needs the current time (tests fix it).
    explicit TNetCookieManager(Clock clock);
    ~TNetCookieManager();

    TNetCookieManager(const TNetCookieManager&) = delete;
    TNetCookieManager& operator=(const TNetCookieManager&) = delete;

    // Stores the value of one "Set-cookie" line received from `host`. A cookie that is not valid
    // for the host, or that OnNewCookie refuses, is dropped silently; one whose name is already
    // filed under its domain replaces the stored cookie in place.
    void AddServerCookie(const std::string& cookie_text, const std::string& host);
    // The same for a "Set-cookie2" line. Throws EConvertError for a malformed "Port" list.
    void AddServerCookie2(const std::string& cookie_text, const std::string& host);
    // Stores the values of every "Set-cookie" line and then of every "Set-cookie2" line of one
    // response from `host`, as the calls above would one by one, on one reading of the clock.
    // Throws as AddServerCookie2 does; the lines before the failing one stay stored.
    void AddServerCookies(const std::vector<std::string>& set_cookie,
                          const std::vector<std::string>& set_cookie2, const std::string& host);

    // The value of the "Cookie" line for a request to `host` whose directory is `path` (beginning
    // and ending with "/"): "name=value" pairs joined by "; ", longer cookie paths first, then by
    // domain key in filing order, then the names filed later first; empty when no cookie applies.
    // Removes expired cookies first.
    std::string CookieHeader(const std::string& host, const std::string& path, bool secure);

    // Every stored cookie, by domain and then by name in filing order. For tests and tools.
    std::vector<TNetCookie> Cookies() const;

    // Asked before a valid new cookie is stored; returning false drops it. Unset: accept all.
    std::function<bool(const TNetCookie&)> OnNewCookie;

  private:
    struct Domain;
    struct StoredCookie;
    // Filing numbers grow with every cookie filed: a cookie's number is its place in the store.
    using Filed = std::uint64_t;
    using CookiesByFiling = std::map<Filed, StoredCookie*>;

    struct StoredCookie {
        TNetCookie cookie;
        Filed filed = 0;
        Domain* domain = nullptr;
        std::string name_key;  // the name first filed under, in capitals
        // The expiry in UTC seconds while the cookie has an expiry date (kZeroDate when the date
        // cannot be read, which has always passed).
        std::optional<std::int64_t> expiry;
        std::list<StoredCookie>::iterator in_store;    // its place in cookies_
        std::list<StoredCookie*>::iterator in_domain;  // its place in its domain's name list
    };
    struct Domain {
        std::string key;                                         // the domain key as first filed
        std::size_t position = 0;                                // in the domain list
        std::unordered_map<std::string, StoredCookie*> by_name;  // by name in capitals
        std::list<StoredCookie*> by_filing;                      // the name list
        std::map<std::string, CookiesByFiling> by_path;          // exact path, name-list order
    };

    void Add(const std::string& cookie_text, const std::string& host, TNetCookieKind kind,
             const LocalClockReading& now);
    Domain& FindOrAddDomain(const std::string& key);
    // Replaces `stored` by `incoming`, keeping its place.
    void Replace(StoredCookie& stored, const TNetCookie& incoming, const LocalClockReading& now);
    // Enters the cookie's path and expiry into their indexes, or takes them out.
    void IndexPathAndExpiry(StoredCookie& stored);
    void UnindexPathAndExpiry(StoredCookie& stored);
    void Remove(StoredCookie& stored);
    void RemoveExpired(const LocalClockReading& now);
    // After `domain` gained a cookie: brings both counts back within their limits.
    void KeepWithinLimits(Domain& domain, const LocalClockReading& now);
    // The domain keys whose cookies go to `host`, in domain-list order.
    std::vector<const Domain*> DomainsFor(const std::string& host) const;

    Clock clock_;
    mutable std::shared_mutex lock_;  // shared while matching, exclusive while changing
    std::vector<std::unique_ptr<Domain>> domains_;  // the domain list; keys are never dropped
    std::unordered_map<std::string, Domain*> domain_by_key_;  // key in capitals
    // Domain keys by their bare domain in capitals: "example.com" and ".example.com" both live
    // under "EXAMPLE.COM".
    std::unordered_map<std::string, std::vector<Domain*>> domains_by_bare_;
    std::size_t longest_bare_ = 0;  // the longest bare domain filed; longer host suffixes miss
    // Cookies are only ever filed at the end of a list, so lists in filing order need no sorting.
    std::list<StoredCookie> cookies_;  // every cookie, earliest filed first
    std::map<std::pair<std::int64_t, Filed>, StoredCookie*> expiries_;  // dated cookies by expiry
    Filed next_filed_ = 0;
};

}  // namespace lintaro::http
