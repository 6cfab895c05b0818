// The cookie store: parsing of cookie lines, the rules for which host may set and receive a
// cookie, filing and replacement, expiry, and the "Cookie" value of a request.
#include "http/cookie_store.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>

#include "http/net_errors.h"
#include "http/net_text.h"

namespace lintaro::http {

namespace {

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperAscii(c);
    return result;
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(UpperAscii(x)) <
               static_cast<unsigned char>(UpperAscii(y));
    });
}

// An IPv4 address written out, as a host may be.
bool IsAddress(std::string_view text) {
    std::uint32_t address;
    return ParseDottedQuad(text, address);
}

bool IsHostName(std::string_view text) {
    return (text.empty() || text.front() != '.') && !IsAddress(text);
}

bool HasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A domain without its leading ".", if it has one.
std::string BareDomain(std::string_view domain) {
    if (!domain.empty() && domain.front() == '.') domain.remove_prefix(1);
    return std::string(domain);
}

// The host from its first "." on, or the whole host when it has none.
std::string_view DomainPart(std::string_view host) {
    std::size_t dot = host.find('.');
    return dot == std::string_view::npos ? host : host.substr(dot);
}

// The attributes of a cookie line after its name and value, as views into the line. Names
// compare without regard to ASCII letter case; for each name the first value given counts.
class Attributes {
  public:
    void Add(std::string_view item) {
        std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            flags_.push_back(item);
        } else {
            values_.emplace_back(item.substr(0, eq), item.substr(eq + 1));
        }
    }
    std::optional<std::string_view> Value(std::string_view name) const {
        for (const auto& [key, value] : values_) {
            if (EqualsNoCase(key, name)) return value;
        }
        return std::nullopt;
    }
    std::string ValueOrEmpty(std::string_view name) const {
        return std::string(Value(name).value_or(std::string_view()));
    }
    bool HasFlag(std::string_view name) const {
        return std::any_of(flags_.begin(), flags_.end(),
                           [name](std::string_view flag) { return EqualsNoCase(flag, name); });
    }

  private:
    std::vector<std::pair<std::string_view, std::string_view>> values_;
    std::vector<std::string_view> flags_;
};

// A "Port" list of a Set-cookie2 line: 80 without the attribute, the quoted comma-separated
// numbers with it, nothing when the value is not quoted.
std::vector<int> ReadPortList(const Attributes& attributes) {
    std::optional<std::string_view> value = attributes.Value("PORT");
    if (!value) return attributes.HasFlag("PORT") ? std::vector<int>{} : std::vector<int>{80};
    if (value->size() < 2 || value->front() != '"' || value->back() != '"') return {};
    std::vector<int> ports;
    std::string_view list = value->substr(1, value->size() - 2);
    while (true) {
        std::size_t comma = list.find(',');
        std::string part = TrimBlanks(list.substr(0, comma));
        if (!part.empty()) {
            std::int64_t port;
            if (!base::ParseWholeNumber(part, port) || port < std::numeric_limits<int>::min() ||
                port > std::numeric_limits<int>::max()) {
                throw EConvertError("'" + part + "' is not a valid integer value");
            }
            ports.push_back(static_cast<int>(port));
        }
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    if (ports.empty()) ports.push_back(80);
    return ports;
}

}  // namespace

void ParseCookieText(TNetCookie& cookie, const std::string& text, const LocalClockReading& now) {
    if (text == cookie.cookie_text) return;
    TNetCookie parsed;
    parsed.cookie_text = text;
    parsed.kind = cookie.kind;

    // The text is cut at every ";" into trimmed items; what follows the last ";" is an item only
    // when it is not empty. Further "=" belong to the value; a first item without "=" gives
    // neither name nor value.
    Attributes attributes;
    std::string_view rest = text;
    for (bool first = true;; first = false) {
        const std::size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos && rest.empty()) break;
        const std::string_view item = TrimView(rest.substr(0, semicolon));
        if (!first) {
            attributes.Add(item);
        } else if (std::size_t eq = item.find('='); eq != std::string_view::npos) {
            parsed.name = item.substr(0, eq);
            parsed.value = item.substr(eq + 1);
        }
        if (semicolon == std::string_view::npos) break;
        rest.remove_prefix(semicolon + 1);
    }

    parsed.path = attributes.ValueOrEmpty("PATH");
    if (!parsed.path.empty() && parsed.path.front() == '"') parsed.path.erase(0, 1);
    if (!parsed.path.empty() && parsed.path.back() == '"') parsed.path.pop_back();
    parsed.expires = attributes.ValueOrEmpty("EXPIRES");
    parsed.domain = attributes.ValueOrEmpty("DOMAIN");
    parsed.secure = attributes.HasFlag("SECURE");

    if (parsed.kind != TNetCookieKind::kNetscape) {
        if (auto max_age = attributes.Value("MAX-AGE");
            !max_age || !base::ParseWholeNumber(*max_age, parsed.max_age)) {
            parsed.max_age = -1;
        }
        parsed.version = attributes.ValueOrEmpty("VERSION");
        parsed.comment = attributes.ValueOrEmpty("COMMENT");
        if (parsed.kind == TNetCookieKind::kRfc2965) {
            parsed.comment_url = attributes.ValueOrEmpty("COMMENTURL");
            parsed.discard = attributes.HasFlag("DISCARD");
            parsed.port_list = ReadPortList(attributes);
        }
        if (parsed.expires.empty()) {
            // Without a date the cookie is written back in the Netscape form, so an expiry taken
            // from "max-age" travels as an "expires" date. Expiries beyond the last date the
            // reader accepts are held at it rather than wrapping into the past.
            parsed.kind = TNetCookieKind::kNetscape;
            if (parsed.max_age >= 0) {
                // Compared before adding, so that no max-age can overflow the sum.
                LocalSeconds expiry = parsed.max_age >= kLatestDate - now.Local()
                                          ? kLatestDate
                                          : now.Local() + parsed.max_age;
                parsed.expires = WriteInternetDate(expiry, now.utc_offset_seconds);
            }
        }
    }
    cookie = std::move(parsed);
}

std::string ServerCookieText(const TNetCookie& cookie) {
    std::string text;
    auto add = [&text](std::string_view name, const std::string& value) {
        if (value.empty()) return;
        if (!text.empty()) text += "; ";
        text.append(name);
        text += '=';
        text += value;
    };
    add(cookie.name, cookie.value);
    add("path", cookie.path);
    if (cookie.kind == TNetCookieKind::kNetscape) add("expires", cookie.expires);
    add("domain", cookie.domain);
    if (cookie.secure) text += text.empty() ? "secure" : "; secure";
    if (cookie.kind != TNetCookieKind::kNetscape) {
        if (cookie.max_age >= 0 && cookie.expires.empty()) {
            add("max-age", std::to_string(cookie.max_age));
        }
        add("comment", cookie.comment);
        add("version", cookie.version);
    }
    return text;
}

bool IsCookieDomainValidForHost(const std::string& domain, const std::string& host) {
    // A domain of one label after its dot (".com") would send the cookie to every host under a
    // top-level domain, whatever site set it.
    if (!domain.empty() && domain.front() == '.' && domain.find('.', 1) == std::string::npos) {
        return false;
    }
    if (IsAddress(host)) return domain == host;
    if (IsHostName(host)) {
        return IsHostName(domain) ? domain == host : domain == DomainPart(host);
    }
    return EqualsNoCase(domain, DomainPart(host));
}

bool CookieDomainMatchesHost(const std::string& domain, const std::string& host) {
    std::string_view bare = domain;
    if (!bare.empty() && bare.front() == '.') bare.remove_prefix(1);
    if (EqualsNoCase(host, bare)) return true;
    // An address has no hosts below it: "evil.127.0.0.1" is a name of its own.
    if (IsAddress(bare)) return false;
    return host.size() > bare.size() && EndsWithNoCase(host, bare) &&
           host[host.size() - bare.size() - 1] == '.';
}

TNetCookieManager::TNetCookieManager() : TNetCookieManager(ReadSystemClock) {}

TNetCookieManager::TNetCookieManager(Clock clock) : clock_(std::move(clock)) {}

TNetCookieManager::~TNetCookieManager() = default;

void TNetCookieManager::AddServerCookie(const std::string& cookie_text, const std::string& host) {
    Add(cookie_text, host, TNetCookieKind::kRfc2109, clock_());
}

void TNetCookieManager::AddServerCookie2(const std::string& cookie_text, const std::string& host) {
    Add(cookie_text, host, TNetCookieKind::kRfc2965, clock_());
}

void TNetCookieManager::AddServerCookies(const std::vector<std::string>& set_cookie,
                                         const std::vector<std::string>& set_cookie2,
                                         const std::string& host) {
    // Reading the system clock costs about as much as filing a cookie.
    const LocalClockReading now = clock_();
    for (const std::string& text : set_cookie) Add(text, host, TNetCookieKind::kRfc2109, now);
    for (const std::string& text : set_cookie2) Add(text, host, TNetCookieKind::kRfc2965, now);
}

TNetCookieManager::Domain& TNetCookieManager::FindOrAddDomain(const std::string& key) {
    std::string upper_key = UpperCase(key);
    if (auto found = domain_by_key_.find(upper_key); found != domain_by_key_.end()) {
        return *found->second;
    }
    auto domain = std::make_unique<Domain>();
    domain->key = key;
    domain->position = domains_.size();
    std::string bare = BareDomain(upper_key);
    longest_bare_ = std::max(longest_bare_, bare.size());
    domains_by_bare_[std::move(bare)].push_back(domain.get());
    domain_by_key_.emplace(std::move(upper_key), domain.get());
    domains_.push_back(std::move(domain));
    return *domains_.back();
}

void TNetCookieManager::Add(const std::string& cookie_text, const std::string& host,
                            TNetCookieKind kind, const LocalClockReading& now) {
    TNetCookie cookie;
    cookie.kind = kind;
    ParseCookieText(cookie, cookie_text, now);
    // A name or value with a control byte would break the "Cookie" line it is sent in (a CR LF
    // starts a header of the server's choosing), or reach whatever shows it: refused.
    if (HasControlByte(cookie.name) || HasControlByte(cookie.value)) return;
    if (cookie.domain.empty()) cookie.domain = host;
    if (!IsCookieDomainValidForHost(cookie.domain, host)) return;
    if (OnNewCookie && !OnNewCookie(cookie)) return;

    std::unique_lock lock(lock_);
    Domain& domain = FindOrAddDomain(cookie.domain);
    std::string name_key = UpperCase(cookie.name);
    if (auto named = domain.by_name.find(name_key); named != domain.by_name.end()) {
        Replace(*named->second, cookie, now);
        return;
    }
    // A new cookie's filing number is the greatest yet: every ordered index takes it at its end.
    const Filed filed = next_filed_++;
    StoredCookie& stored = cookies_.emplace_back();
    stored.cookie = std::move(cookie);
    stored.filed = filed;
    stored.domain = &domain;
    stored.name_key = name_key;
    stored.in_store = std::prev(cookies_.end());
    stored.in_domain = domain.by_filing.insert(domain.by_filing.end(), &stored);
    domain.by_name.emplace(std::move(name_key), &stored);
    IndexPathAndExpiry(stored);
    KeepWithinLimits(domain, now);
}

void TNetCookieManager::Replace(StoredCookie& stored, const TNetCookie& incoming,
                                const LocalClockReading& /*now*/) {
    // The incoming cookie's fields are taken as they are. Written back and read again they would
    // not survive: a host holding ";" splits into attributes, a nameless cookie reads its path as
    // its name.
    UnindexPathAndExpiry(stored);
    stored.cookie = incoming;
    IndexPathAndExpiry(stored);
}

void TNetCookieManager::IndexPathAndExpiry(StoredCookie& stored) {
    CookiesByFiling& group = stored.domain->by_path[stored.cookie.path];
    group.emplace_hint(group.end(), stored.filed, &stored);
    if (stored.cookie.expires.empty()) {
        stored.expiry.reset();
        return;
    }
    // Read at offset 0, the date is UTC; a local reading only adds the offset in force to both
    // sides of the comparison with the current time. kZeroDate stays kZeroDate: always passed.
    stored.expiry = ReadInternetDate(stored.cookie.expires, 0);
    expiries_.emplace(std::pair(*stored.expiry, stored.filed), &stored);
}

void TNetCookieManager::UnindexPathAndExpiry(StoredCookie& stored) {
    auto& by_path = stored.domain->by_path;
    auto group = by_path.find(stored.cookie.path);
    group->second.erase(stored.filed);
    if (group->second.empty()) by_path.erase(group);
    if (stored.expiry) expiries_.erase({*stored.expiry, stored.filed});
}

void TNetCookieManager::Remove(StoredCookie& stored) {
    UnindexPathAndExpiry(stored);
    Domain& domain = *stored.domain;
    domain.by_name.erase(stored.name_key);
    domain.by_filing.erase(stored.in_domain);
    cookies_.erase(stored.in_store);
}

void TNetCookieManager::RemoveExpired(const LocalClockReading& now) {
    // An expiry in the current second counts as passed, so "max-age=0" takes effect at once.
    while (!expiries_.empty() && expiries_.begin()->first.first <= now.utc_seconds) {
        Remove(*expiries_.begin()->second);
    }
}

void TNetCookieManager::KeepWithinLimits(Domain& domain, const LocalClockReading& now) {
    if (domain.by_filing.size() <= kMaxCookiesPerDomain && cookies_.size() <= kMaxCookies) return;
    RemoveExpired(now);
    while (domain.by_filing.size() > kMaxCookiesPerDomain) {
        Remove(*domain.by_filing.front());
    }
    while (cookies_.size() > kMaxCookies) Remove(cookies_.front());
}

std::vector<const TNetCookieManager::Domain*> TNetCookieManager::DomainsFor(
    const std::string& host) const {
    // A cookie goes to the host its bare domain names and to the hosts below it, so only the
    // host and what follows each of its dots can name a domain that applies.
    const std::string upper_host = UpperCase(host);
    std::vector<const Domain*> found;
    for (std::size_t start = 0; start <= upper_host.size();) {
        if (upper_host.size() - start <= longest_bare_) {
            auto bare = domains_by_bare_.find(upper_host.substr(start));
            if (bare != domains_by_bare_.end()) {
                for (const Domain* domain : bare->second) {
                    if (CookieDomainMatchesHost(domain->key, host)) found.push_back(domain);
                }
            }
        }
        const std::size_t dot = upper_host.find('.', start);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    std::sort(found.begin(), found.end(),
              [](const Domain* a, const Domain* b) { return a->position < b->position; });
    return found;
}

std::string TNetCookieManager::CookieHeader(const std::string& host, const std::string& path,
                                            bool secure) {
    const LocalClockReading now = clock_();
    {
        std::unique_lock lock(lock_);
        RemoveExpired(now);
    }
    std::shared_lock lock(lock_);
    // The groups of cookies that share a path which begins the request's directory, domain by
    // domain in list order.
    struct Group {
        const std::string* path;
        const CookiesByFiling* cookies;
    };
    std::vector<Group> groups;
    for (const Domain* domain : DomainsFor(host)) {
        for (const auto& [cookie_path, cookies] : domain->by_path) {
            if (!cookie_path.empty() && path.starts_with(cookie_path)) {
                groups.push_back({&cookie_path, &cookies});
            }
        }
    }
    // Longer (later-sorting) paths first; equal paths in domain order, and within a domain the
    // names filed later first.
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return LessIgnoringCase(*b.path, *a.path);
    });
    std::string header;
    for (const Group& group : groups) {
        for (auto it = group.cookies->rbegin(); it != group.cookies->rend(); ++it) {
            const TNetCookie& cookie = it->second->cookie;
            if ((cookie.secure && !secure) || cookie.value.empty()) continue;
            if (!header.empty()) header += "; ";
            header += cookie.name;
            header += '=';
            header += cookie.value;
        }
    }
    return header;
}

std::vector<TNetCookie> TNetCookieManager::Cookies() const {
    std::shared_lock lock(lock_);
    std::vector<TNetCookie> cookies;
    cookies.reserve(cookies_.size());
    for (const auto& domain : domains_) {
        for (const StoredCookie* stored : domain->by_filing) cookies.push_back(stored->cookie);
    }
    return cookies;
}

}  // namespace lintaro::http
