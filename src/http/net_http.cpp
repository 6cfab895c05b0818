// FetchText: the request loop over redirects, the request head, the response head and the three
// body framings (counted, chunked, until close).
#include "http/net_http.h"

#include <chrono>
#include <climits>
#include <cstdio>

#include "http/cookie_store.h"
#include "http/net_errors.h"
#include "http/net_text.h"

namespace lintaro::http {

namespace {

// A whole decimal number with an optional sign and leading blanks, nothing after it.
bool TryParseInt64(std::string_view text, std::int64_t& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return base::ParseWholeNumber(text, value);
}

bool TryParseInt(const std::string& text, int& value) {
    std::int64_t wide = 0;
    if (!TryParseInt64(text, wide) || wide < INT_MIN || wide > INT_MAX) return false;
    value = static_cast<int>(wide);
    return true;
}

// A chunk-size line: the hexadecimal number before the first space, 0 when it is not one (an
// extension after ";" makes the whole line unreadable, hence 0 too).
std::int64_t ChunkSize(const std::string& line) {
    const std::string digits = line.substr(0, line.find(' '));
    if (digits.empty() || digits.size() > 15) return 0;
    std::int64_t size = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return 0;
        }
        size = size * 16 + digit;
    }
    return size;
}

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        text += kAlphabet[(n >> 18) & 63];
        text += kAlphabet[(n >> 12) & 63];
        text += kAlphabet[(n >> 6) & 63];
        text += kAlphabet[n & 63];
    }
    if (i < bytes.size()) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += kAlphabet[(n >> 18) & 63];
        text += kAlphabet[(n >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::string FirstWord(const std::string& text) { return text.substr(0, text.find(' ')); }

// The URL goes onto the request line as it stands, so a CR or LF in it (from a hostile page's
// link or a redirect) would inject header lines of its own. Every control character is refused.
void CheckURLSafe(const std::string& url) {
    for (std::size_t i = 0; i < url.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(url[i]);
        if (c < 32 || c == 127) {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", c);
            throw ENetInvalidURL("Invalid URL: control character 0x" + std::string(code) +
                                 " at position " + std::to_string(i + 1) +
                                 " would break the request head.");
        }
    }
}

// Sets the connection's read limit for one part of the exchange.
class ReadTimeoutScope {
  public:
    ReadTimeoutScope(TNetTCPConnection& connection, int timeout_ms)
        : connection_(connection), saved_(connection.ReadTimeout) {
        connection_.ReadTimeout = timeout_ms;
    }
    ~ReadTimeoutScope() { connection_.ReadTimeout = saved_; }
    ReadTimeoutScope(const ReadTimeoutScope&) = delete;
    ReadTimeoutScope& operator=(const ReadTimeoutScope&) = delete;

  private:
    TNetTCPConnection& connection_;
    int saved_;
};

}  // namespace

std::string TNetBasicAuthentication::Authentication() const {
    return "Basic " + Base64(Username + ":" + Password);
}

TNetHTTP::TNetHTTP() = default;
TNetHTTP::~TNetHTTP() = default;

TNetCookieManager* TNetHTTP::CookieManager() const {
    return cookie_manager_ != nullptr ? cookie_manager_ : own_cookie_manager_.get();
}

TNetCookieManager* TNetHTTP::CookieStoreForResponse() {
    if (cookie_manager_ != nullptr) return cookie_manager_;
    if (!AllowCookies) return own_cookie_manager_.get();
    if (!own_cookie_manager_) own_cookie_manager_ = std::make_unique<TNetCookieManager>();
    return own_cookie_manager_.get();
}

std::string TNetHTTP::FetchText(const std::string& url) {
    connection_.ReadTimeout = ReadTimeout;
    connection_.RecvBufferSize = RecvBufferSize;
    connection_.MaxLineLength = MaxLineLength;
    connection_.ConnectLimit = limits_.connect_ms;
    const auto fetch_deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(limits_.fetch_ms);
    if (read_deadline_ && (limits_.fetch_ms <= 0 || *read_deadline_ < fetch_deadline)) {
        connection_.SetDeadline(read_deadline_, read_deadline_message_);
    } else if (limits_.fetch_ms > 0) {
        connection_.SetDeadline(fetch_deadline, limits_.fetch_ms);
    } else {
        connection_.SetDeadline(std::nullopt, 0);
    }
    struct DeadlineReset {
        TNetTCPConnection& connection;
        ~DeadlineReset() { connection.SetDeadline(std::nullopt, 0); }
    } deadline_reset{connection_};

    CheckURLSafe(url);
    redirect_count_ = 0;
    std::string body;
    std::string target = url;
    try {
        for (;;) {
            ++redirect_count_;
            body.clear();
            MergeURL(target);
            ChooseConnection();
            SendRequestHead();
            ReadResponseHead();
            if (ProcessResponse(body) == NextStep::kFinish) break;
            CheckURLSafe(response_.Location);
            target = response_.Location;
        }
    } catch (const ENetHTTPProtocolException&) {
        // The error body has been read whole, so a kept connection is still in step.
        ReleaseConnection();
        throw;
    } catch (...) {
        // Any other failure may leave part of a response unread, which a kept connection would
        // hand to the next request as its answer.
        connection_.Disconnect();
        throw;
    }
    ReleaseConnection();
    return body;
}

void TNetHTTP::ReleaseConnection() {
    // Bytes beyond the end of the response (past its Content-Length or its last chunk) answer
    // nothing that was asked: kept, they would be read as the answer to the next request.
    if (!KeepAlive() || !connection_.InputBuffer().empty()) connection_.Disconnect();
}

void TNetHTTP::MergeURL(const std::string& url) {
    const TNetURI parts = TNetURI::Split(url);
    // Only http is spoken here (https is refused when the connection is chosen). Any other scheme,
    // written with "://" or as a bare "javascript:" or "mailto:" reference, is refused before it
    // touches the location: read as a path or a port of the current host it would ask the wrong
    // server for the wrong thing.
    const std::string scheme = parts.Absolute ? parts.Protocol : LeadingScheme(url);
    if ((parts.Absolute || !scheme.empty()) && !EqualsNoCase(scheme, "http") &&
        !EqualsNoCase(scheme, "https")) {
        throw ENetUnknownProtocol("");
    }
    if (!parts.Username.empty()) {
        request_.Username = parts.Username;
        request_.Password = parts.Password;
    }
    url_.Path = ResolvePath(url_.Path, parts.Path);
    url_.Document = parts.Document;
    url_.Params = parts.Params;
    url_.Bookmark = parts.Bookmark;
    if (!parts.Host.empty()) url_.Host = parts.Host;
    url_.Protocol = parts.Protocol.empty() ? "http" : parts.Protocol;
    const std::string default_port = EqualsNoCase(url_.Protocol, "https") ? "443" : "80";
    if (!parts.Port.empty()) {
        url_.Port = parts.Port;
    } else if (parts.Absolute) {
        // A URL that names its host without a port means the scheme's port, never the port the
        // previous request happened to use.
        url_.Port = default_port;
    } else {
        // A relative reference stays on the current server, port included, unless that port is
        // unset or a default.
        int current = 0;
        if (!TryParseInt(url_.Port, current)) current = 0;
        if (current == 0 || current == 80 || current == 443) url_.Port = default_port;
    }
    request_.Target = url_.Path + url_.Document + url_.Params;
    request_.ContentLength = -1;
    request_.Host = url_.Port == "80" ? url_.Host : url_.Host + ":" + url_.Port;
}

bool TNetHTTP::KeepAlive() {
    if (!connection_.Connected()) return false;
    const std::string connection = TrimBlanks(response_.Connection);
    const std::string proxy_connection = TrimBlanks(response_.ProxyConnection);
    if (ProtocolVersion == TNetHTTPProtocolVersion::pv1_1) {
        return !EqualsNoCase(connection, "close") && !EqualsNoCase(proxy_connection, "close");
    }
    return EqualsNoCase(connection, "keep-alive") || EqualsNoCase(proxy_connection, "keep-alive");
}

void TNetHTTP::ChooseConnection() {
    int port = 0;
    if (!TryParseInt(url_.Port, port)) throw EConvertError(InvalidIntegerMessage(url_.Port));
    if (!EqualsNoCase(connection_.Host, url_.Host) || connection_.Port != port) {
        if (connection_.Connected()) connection_.Disconnect();
        connection_.Host = url_.Host;
        connection_.Port = port;
    }
    if (EqualsNoCase(url_.Protocol, "https")) {
        throw ENetIOHandlerPropInvalid("IOHandler value is not valid");
    }
    if (request_.Connection.empty()) request_.Connection = "keep-alive";
    if (!KeepAlive()) {
        connection_.Disconnect();
    } else {
        connection_.CheckForDisconnect();
        // Bytes that came while the connection was idle were never asked for either.
        if (!connection_.InputBuffer().empty()) connection_.Disconnect();
    }
    if (!connection_.Connected()) connection_.Connect(ReadTimeout);
}

void TNetHTTP::SendRequestHead() {
    TNetHeaderList& headers = request_.RawHeaders;
    headers.Clear();
    auto set = [&headers](const char* name, const std::string& value) {
        if (!value.empty()) headers.SetValue(name, value);
    };
    set("Connection", request_.Connection);
    set("Content-Type", request_.ContentType);
    set("Host", request_.Host);
    set("Accept", request_.Accept);
    set("User-Agent", request_.UserAgent);
    if (request_.Authentication) set("Authorization", request_.Authentication->Authentication());
    if (request_.ProxyAuthentication) {
        set("Proxy-Authorization", request_.ProxyAuthentication->Authentication());
    }
    if (TNetCookieManager* store = CookieManager()) {
        set("Cookie", store->CookieHeader(url_.Host, url_.Path, false));
    }

    const char* version = ProtocolVersion == TNetHTTPProtocolVersion::pv1_1 ? "1.1" : "1.0";
    // Through the write buffer, so the head reaches the intercept and the socket as one block.
    connection_.OpenWriteBuffer();
    try {
        connection_.WriteText("GET " + request_.Target + " HTTP/" + version + "\r\n");
        for (const std::string& line : headers.Lines()) {
            if (!line.empty()) connection_.WriteText(line + "\r\n");
        }
        connection_.WriteText("\r\n");
    } catch (...) {
        connection_.CancelWriteBuffer();
        throw;
    }
    connection_.CloseWriteBuffer();
}

void TNetHTTP::ReadResponseHead() {
    std::size_t head_size = 0;
    do {
        ReadHeadBlock(head_size);
    } while (response_.ResponseCode == 100);
}

void TNetHTTP::ReadHeadBlock(std::size_t& head_size) {
    auto count = [this, &head_size](const std::string& line) {
        head_size += line.size() + 2;
        if (head_size > MaxHeadSize) {
            throw ENetResponseHeadTooLarge("Response head larger than " +
                                           std::to_string(MaxHeadSize) + " bytes.");
        }
    };
    response_ = TNetHTTPResponse{};
    response_.ResponseText = connection_.ReadLine();
    count(response_.ResponseText);
    for (;;) {
        std::string line;
        try {
            line = connection_.ReadLine();
        } catch (const ENetConnClosedGracefully&) {
            // A head cut short by the peer's close: go on with the lines that came.
            connection_.Disconnect();
            break;
        }
        if (line.empty()) break;
        count(line);
        response_.RawHeaders.Add(std::move(line));
    }

    const TNetHeaderList& headers = response_.RawHeaders;
    response_.Location = headers.Values("Location");
    response_.Connection = headers.Values("Connection");
    response_.ProxyConnection = headers.Values("Proxy-Connection");
    response_.TransferEncoding = headers.Values("Transfer-Encoding");
    if (!TryParseInt64(TrimBlanks(headers.Values("Content-Length")), response_.ContentLength)) {
        response_.ContentLength = -1;
    }
    CheckDateAndRangeHeaders();
    StoreCookies();

    const std::string& status = response_.ResponseText;
    const std::size_t space = status.find(' ');
    int code = -1;
    if (space != std::string::npos) {
        const std::string rest = TrimBlanks(status.substr(space + 1));
        if (!TryParseInt(rest.substr(0, rest.find(' ')), code)) code = -1;
    }
    response_.ResponseCode = code;
}

void TNetHTTP::CheckDateAndRangeHeaders() const {
    // An "Expires" given as a number is a time of day in seconds; -1 means none.
    int expires = 0;
    if (TryParseInt(TrimBlanks(response_.RawHeaders.Values("Expires")), expires) && expires != -1 &&
        (expires < 0 || expires > 86399)) {
        throw EConvertError("Invalid argument to time encode");
    }
    std::string range = response_.RawHeaders.Values("Content-Range");
    if (range.empty()) return;
    // "bytes FIRST-LAST/LENGTH": both positions must be numbers.
    const std::size_t space = range.find(' ');
    if (space != std::string::npos) range.erase(0, space + 1);
    const std::size_t dash = range.find('-');
    const std::string first = TrimBlanks(range.substr(0, dash));
    const std::string rest = dash == std::string::npos ? "" : range.substr(dash + 1);
    const std::string last = TrimBlanks(rest.substr(0, rest.find('/')));
    std::int64_t position = 0;
    if (!TryParseInt64(first, position)) throw EConvertError(InvalidIntegerMessage(first));
    if (!TryParseInt64(last, position)) throw EConvertError(InvalidIntegerMessage(last));
}

void TNetHTTP::StoreCookies() {
    TNetCookieManager* store = CookieStoreForResponse();
    if (store == nullptr) return;
    store->AddServerCookies(response_.RawHeaders.AllValues("Set-cookie"),
                            response_.RawHeaders.AllValues("Set-cookie2"), url_.Host);
}

TNetHTTP::NextStep TNetHTTP::ProcessResponse(std::string& body) {
    const int code = response_.ResponseCode;
    if ((code / 100 == 3 && code != 304) || !response_.Location.empty()) {
        const bool follow = HandleRedirects && redirect_count_ < RedirectMaximum;
        if (connection_.Connected()) {
            ReadTimeoutScope scope(connection_, limits_.redirect_body_ms);
            std::string discarded;
            try {
                ReadBody(discarded);
            } catch (const ENetCancelled&) {
                throw;
            } catch (const ENetFetchTimeout&) {
                throw;
            } catch (const ENetException&) {
                // The redirect's own body does not matter, but what is left of it must not be
                // read as the next answer.
                connection_.Disconnect();
            }
        }
        return follow ? NextStep::kFollow : NextStep::kFinish;
    }
    if (code < 200 || code > 299) {
        if (code == 401 && !request_.Authentication) {
            for (const std::string& challenge :
                 response_.RawHeaders.AllValues("WWW-Authenticate")) {
                if (EqualsNoCase(FirstWord(challenge), "Basic")) {
                    request_.Authentication = TNetBasicAuthentication{};
                    break;
                }
            }
        }
        if (code == 407 && !request_.ProxyAuthentication) {
            const auto challenges = response_.RawHeaders.AllValues("Proxy-Authenticate");
            if (!challenges.empty() && EqualsNoCase(FirstWord(challenges[0]), "Basic")) {
                request_.ProxyAuthentication = TNetBasicAuthentication{};
            }
        }
        std::string error_body;
        {
            ReadTimeoutScope scope(connection_, limits_.error_body_ms);
            try {
                ReadBody(error_body);
            } catch (const ENetBodyIncomplete&) {
                // The status is the failure; the part of its page that came goes with it.
                connection_.Disconnect();
            }
        }
        throw ENetHTTPProtocolException(response_.ResponseText, code, std::move(error_body));
    }
    if (!connection_.Connected()) throw ENetException("Undefined situation");
    if (code != 204) ReadBody(body);
    return NextStep::kFinish;
}

void TNetHTTP::BodyTooLarge() const {
    throw ENetResponseBodyTooLarge("Response body larger than " + std::to_string(MaxBodySize) +
                                   " bytes.");
}

void TNetHTTP::ReadBody(std::string& out) {
    const std::uint64_t limit = MaxBodySize == 0 ? UINT64_MAX : MaxBodySize;
    if (response_.ContentLength >= 1) {
        // An announced length past the limit fails before a byte of it is read.
        if (static_cast<std::uint64_t>(response_.ContentLength) > limit) BodyTooLarge();
        const std::size_t before = out.size();
        try {
            connection_.ReadBytes(out, response_.ContentLength);
        } catch (const ENetConnClosedGracefully&) {
            // A body cut short by the peer's close is not the page the server meant to send.
            throw ENetBodyIncomplete("The server closed the connection after " +
                                     std::to_string(out.size() - before) + " of " +
                                     std::to_string(response_.ContentLength) + " bytes.");
        }
    } else if (response_.TransferEncoding.find("chunked") != std::string::npos) {
        ReadChunkedBody(out);
    } else if (response_.ContentLength == -1) {
        if (!connection_.ReadUntilClose(out, limit)) BodyTooLarge();
    }
}

void TNetHTTP::ReadChunkedBody(std::string& out) {
    const std::uint64_t limit = MaxBodySize == 0 ? UINT64_MAX : MaxBodySize;
    const std::size_t before = out.size();
    auto cut_short = [&] {
        return ENetBodyIncomplete("The server closed the connection after " +
                                  std::to_string(out.size() - before) +
                                  " bytes of a chunked body, before its last chunk.");
    };
    // A size line cut by the close reads as empty, which must not pass for the last chunk.
    auto size_line = [&] {
        std::string line = connection_.ReadLine();
        if (connection_.ReadLnTimedOut()) throw cut_short();
        return ChunkSize(line);
    };
    try {
        std::int64_t size = size_line();
        while (size > 0) {
            if (static_cast<std::uint64_t>(size) > limit - out.size()) BodyTooLarge();
            connection_.ReadBytes(out, size);
            connection_.ReadLine();
            size = size_line();
        }
    } catch (const ENetConnClosedGracefully&) {
        throw cut_short();
    }
    try {
        connection_.ReadLine();
    } catch (const ENetConnClosedGracefully&) {
        // The last chunk has come; a server that closes before the final empty line has still
        // sent the whole body.
    }
}

}  // namespace lintaro::http
