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

namespace lintaro {

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

// The host from its first "." on, or the whole host when it has none.
std::string_view DomainPart(std::string_view host) {
    std::size_t dot = host.find('.');
    return dot == std::string_view::npos ? host : host.substr(dot);
}

// The attributes of a cookie line after its name and value: upper-case names; for each name the
// first value given counts.
class Attributes {
  public:
    void Add(const std::string& item) {
        std::size_t eq = item.find('=');
        if (eq == std::string::npos) {
            flags_.push_back(UpperCase(item));
        } else {
            values_.push_back(
                {UpperCase(std::string_view(item).substr(0, eq)), item.substr(eq + 1)});
        }
    }
    std::optional<std::string> Value(std::string_view name) const {
        for (const auto& [key, value] : values_) {
            if (key == name) return value;
        }
        return std::nullopt;
    }
    std::string ValueOrEmpty(std::string_view name) const { return Value(name).value_or(""); }
    bool HasFlag(std::string_view name) const {
        return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
    }

  private:
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> flags_;
};

// A "Port" list of a Set-cookie2 line: 80 without the attribute, the quoted comma-separated
// numbers with it, nothing when the value is not quoted.
std::vector<int> ReadPortList(const Attributes& attributes) {
    std::optional<std::string> value = attributes.Value("PORT");
    if (!value) return attributes.HasFlag("PORT") ? std::vector<int>{} : std::vector<int>{80};
    if (value->size() < 2 || value->front() != '"' || value->back() != '"') return {};
    std::vector<int> ports;
    std::string_view list = std::string_view(*value).substr(1, value->size() - 2);
    while (true) {
        std::size_t comma = list.find(',');
        std::string part = TrimBlanks(list.substr(0, comma));
        if (!part.empty()) {
            std::int64_t port;
            if (!ParseWholeNumber(part, port) || port < std::numeric_limits<int>::min() ||
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

    std::vector<std::string> items;
    std::string_view rest = text;
    for (std::size_t semicolon; (semicolon = rest.find(';')) != std::string_view::npos;) {
        items.push_back(TrimBlanks(rest.substr(0, semicolon)));
        rest.remove_prefix(semicolon + 1);
    }
    if (!rest.empty()) items.push_back(TrimBlanks(rest));

    Attributes attributes;
    if (!items.empty()) {
        // Further "=" belong to the value; a first item without "=" gives neither name nor value.
        std::size_t eq = items.front().find('=');
        if (eq != std::string::npos) {
            parsed.name = items.front().substr(0, eq);
            parsed.value = items.front().substr(eq + 1);
        }
        for (std::size_t i = 1; i < items.size(); ++i) attributes.Add(items[i]);
    }

    parsed.path = attributes.ValueOrEmpty("PATH");
    if (!parsed.path.empty() && parsed.path.front() == '"') parsed.path.erase(0, 1);
    if (!parsed.path.empty() && parsed.path.back() == '"') parsed.path.pop_back();
    parsed.expires = attributes.ValueOrEmpty("EXPIRES");
    parsed.domain = attributes.ValueOrEmpty("DOMAIN");
    parsed.secure = attributes.HasFlag("SECURE");

    if (parsed.kind != TNetCookieKind::kNetscape) {
        if (auto max_age = attributes.Value("MAX-AGE");
            !max_age || !ParseWholeNumber(*max_age, parsed.max_age)) {
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
    Add(cookie_text, host, TNetCookieKind::kRfc2109);
}

void TNetCookieManager::AddServerCookie2(const std::string& cookie_text, const std::string& host) {
    Add(cookie_text, host, TNetCookieKind::kRfc2965);
}

void TNetCookieManager::Add(const std::string& cookie_text, const std::string& host,
                            TNetCookieKind kind) {
    const LocalClockReading now = clock_();
    auto cookie = std::make_unique<TNetCookie>();
    cookie->kind = kind;
    ParseCookieText(*cookie, cookie_text, now);
    // A name or value with a control byte would break the "Cookie" line it is sent in (a CR LF
    // starts a header of the server's choosing), or reach whatever shows it: refused.
    if (HasControlByte(cookie->name) || HasControlByte(cookie->value)) return;
    if (cookie->domain.empty()) cookie->domain = host;
    if (!IsCookieDomainValidForHost(cookie->domain, host)) return;
    if (OnNewCookie && !OnNewCookie(*cookie)) return;

    std::unique_lock lock(lock_);
    auto domain = std::find_if(domains_.begin(), domains_.end(), [&](const DomainCookies& d) {
        return EqualsNoCase(d.domain, cookie->domain);
    });
    if (domain == domains_.end()) {
        domain = domains_.insert(domains_.end(), DomainCookies{cookie->domain, {}});
    }
    auto named =
        std::find_if(domain->cookies.begin(), domain->cookies.end(),
                     [&](const NamedCookie& n) { return EqualsNoCase(n.name, cookie->name); });
    if (named != domain->cookies.end()) {
        Replace(*named->cookie, *cookie, now);
    } else {
        std::string name = cookie->name;
        domain->cookies.push_back({std::move(name), std::move(cookie)});
    }
}

void TNetCookieManager::Replace(TNetCookie& stored, const TNetCookie& incoming,
                                const LocalClockReading& now) {
    ParseCookieText(stored, ServerCookieText(incoming), now);
    stored.kind = incoming.kind;
    // The server form of a cookie that carried its own "expires" date has no date, so the expiry is
    // taken over directly: a replacement meant to delete a cookie must delete it.
    stored.expires = incoming.expires;
}

void TNetCookieManager::RemoveExpired(const LocalClockReading& now) {
    const LocalSeconds local_now = now.Local();
    for (DomainCookies& domain : domains_) {
        std::erase_if(domain.cookies, [&](const NamedCookie& named) {
            const std::string& expires = named.cookie->expires;
            // An expiry in the current second counts as passed, so "max-age=0" takes effect at
            // once.
            return !expires.empty() &&
                   ReadInternetDate(expires, now.utc_offset_seconds) <= local_now;
        });
    }
}

std::string TNetCookieManager::CookieHeader(const std::string& host, const std::string& path,
                                            bool secure) {
    const LocalClockReading now = clock_();
    {
        std::unique_lock lock(lock_);
        RemoveExpired(now);
    }
    std::shared_lock lock(lock_);
    std::vector<const TNetCookie*> matching;
    for (const DomainCookies& domain : domains_) {
        if (!CookieDomainMatchesHost(domain.domain, host)) continue;
        for (auto named = domain.cookies.rbegin(); named != domain.cookies.rend(); ++named) {
            const TNetCookie& cookie = *named->cookie;
            if (!cookie.path.empty() && path.starts_with(cookie.path) &&
                (!cookie.secure || secure) && !cookie.value.empty()) {
                matching.push_back(&cookie);
            }
        }
    }
    // Longer (later-sorting) paths first; equal paths in the order found above.
    std::stable_sort(matching.begin(), matching.end(),
                     [](const TNetCookie* a, const TNetCookie* b) {
                         return LessIgnoringCase(b->path, a->path);
                     });
    std::string header;
    for (const TNetCookie* cookie : matching) {
        if (!header.empty()) header += "; ";
        header += cookie->name;
        header += '=';
        header += cookie->value;
    }
    return header;
}

std::vector<TNetCookie> TNetCookieManager::Cookies() const {
    std::shared_lock lock(lock_);
    std::vector<TNetCookie> cookies;
    for (const DomainCookies& domain : domains_) {
        for (const NamedCookie& named : domain.cookies) cookies.push_back(*named.cookie);
    }
    return cookies;
}

}  // namespace lintaro
