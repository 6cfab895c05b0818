// The blocking HTTP/1.0 GET client the line readers fetch every page with. FetchText follows
// redirects, keeps a connection alive when the server allows it, hands cookies to and from the
// cookie store, shows each request head to the traffic intercept as one block, and returns the
// final body byte for byte (Windows-1251 text is never converted or decoded).
//
// One fetch at a time: the connection, the current location and the request and response records
// are shared by all fetches of a client. Every failure is an exception derived from ENetException.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "http/net_connection.h"
#include "http/net_header_list.h"
#include "http/net_uri.h"

namespace lintaro::http {

class TNetCookieManager;
class TNetConnectionIntercept;
class TNetIdleHook;

enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };

// Credentials answered to a "Basic" challenge: "Basic " and the Base64 of "user:password".
struct TNetBasicAuthentication {
    std::string Username;
    std::string Password;
    std::string Authentication() const;
};

// What the next request sends, and the header lines as last sent.
struct TNetHTTPRequest {
    std::string Target;  // the text after "GET "
    std::string Host;    // the "Host" value: host, plus ":" and the port unless it is "80"
    std::string Connection;
    std::string Accept = "text/html, */*";
    std::string UserAgent = "Mozilla/3.0 (compatible; Lintaro)";
    std::string ContentType = "text/html";
    std::int64_t ContentLength = -1;  // -1: none; a GET sends no body
    std::string Username;             // from a URL's user information; never sent
    std::string Password;
    bool BasicAuthentication = false;
    // Attached by the first 401 that offers "Basic"; from then on sent with every request.
    std::optional<TNetBasicAuthentication> Authentication;
    // Likewise for a 407 that offers "Basic" first.
    std::optional<TNetBasicAuthentication> ProxyAuthentication;
    TNetHeaderList RawHeaders;
};

// The last response head read.
struct TNetHTTPResponse {
    std::string ResponseText;  // the status line
    int ResponseCode = -1;     // -1 when the status line holds no number
    TNetHeaderList RawHeaders;
    std::string Location;
    std::string Connection;
    std::string ProxyConnection;
    std::string TransferEncoding;
    std::int64_t ContentLength = -1;  // -1 when missing or not a number
};

// Time limits, all in milliseconds. The defaults are the client's normal behaviour; tests and
// callers that must not wait long inject shorter ones.
struct TNetTimeLimits {
    int connect_ms = 120000;      // connect limit while the responsiveness hook is in use
    int error_body_ms = 2000;     // longest silence while an error status's body is read
    int redirect_body_ms = 4000;  // longest silence while a redirect's body is drained
    int fetch_ms = 0;             // the whole FetchText, redirects included; 0: no overall limit
};

class TNetHTTP {
  public:
    TNetHTTP();
    ~TNetHTTP();
    TNetHTTP(const TNetHTTP&) = delete;
    TNetHTTP& operator=(const TNetHTTP&) = delete;

    TNetHTTPProtocolVersion ProtocolVersion = TNetHTTPProtocolVersion::pv1_0;
    bool HandleRedirects = true;
    int RedirectMaximum = 15;  // requests per fetch after which a redirect is not followed
    bool AllowCookies = true;  // without a store attached, the client keeps one of its own
    int ReadTimeout = 0;       // longest wait for incoming data in ms; 0: without limit
    int RecvBufferSize = 1024;
    int MaxLineLength = 16384;
    // The largest response head accepted, all lines and interim heads together.
    std::size_t MaxHeadSize = 1 << 20;
    // The largest response body accepted, in bytes (0: no limit). It holds for every body read,
    // error pages and the redirects' discarded bodies included: a longer one fails the fetch with
    // ENetResponseBodyTooLarge as soon as its length is announced or its bytes pass the limit, so
    // a fetch never holds much more than twice the limit in memory.
    std::uint64_t MaxBodySize = std::uint64_t{64} << 20;

    // Fetches `url` (absolute "http://"; relative ones resolve against the last location) and
    // returns the body of the final response. A redirect beyond RedirectMaximum ends the fetch
    // with an empty text. Throws ENetHTTPProtocolException for an error status and the connection's
    // failures; ENetCancelled when the idle hook's owner cancels; ENetFetchTimeout past fetch_ms.
    std::string FetchText(const std::string& url);

    // The cookie store, not owned; nullptr detaches it.
    void SetCookieManager(TNetCookieManager* store) { cookie_manager_ = store; }
    TNetCookieManager* CookieManager() const;
    // The traffic intercept, not owned; it must outlive the client or be detached first.
    void SetIntercept(TNetConnectionIntercept* intercept) { connection_.SetIntercept(intercept); }
    // The responsiveness hook, not owned; it must outlive the client or be detached first.
    void SetIdleHook(TNetIdleHook* hook) { connection_.SetIdleHook(hook); }
    void SetTimeLimits(const TNetTimeLimits& limits) { limits_ = limits; }
    // A limit over many fetches (a whole read of a line): each fetch also ends by `deadline`,
    // failing with ENetFetchTimeout and `message` once it has passed. std::nullopt removes it.
    void SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline,
                         std::string message = {}) {
        read_deadline_ = deadline;
        read_deadline_message_ = std::move(message);
    }
    const TNetTimeLimits& TimeLimits() const { return limits_; }

    TNetHTTPRequest& Request() { return request_; }
    const TNetHTTPResponse& Response() const { return response_; }
    const TNetURI& URL() const { return url_; }
    // The connection beneath; tests and fuzzers give it a transport factory.
    TNetTCPConnection& Connection() { return connection_; }

  private:
    enum class NextStep { kFollow, kFinish };

    void MergeURL(const std::string& url);
    void ChooseConnection();
    void SendRequestHead();
    void ReadResponseHead();
    void ReadHeadBlock(std::size_t& head_size);
    NextStep ProcessResponse(std::string& body);
    void ReadBody(std::string& out);
    void ReadChunkedBody(std::string& out);
    [[noreturn]] void BodyTooLarge() const;
    void StoreCookies();
    void CheckDateAndRangeHeaders() const;
    bool KeepAlive();
    // After an exchange: keeps the connection only when the keep-alive rule holds and nothing
    // beyond the response has arrived.
    void ReleaseConnection();
    TNetCookieManager* CookieStoreForResponse();

    TNetTCPConnection connection_;
    std::optional<std::chrono::steady_clock::time_point> read_deadline_;
    std::string read_deadline_message_;
    TNetURI url_;
    TNetHTTPRequest request_;
    TNetHTTPResponse response_;
    TNetTimeLimits limits_;
    TNetCookieManager* cookie_manager_ = nullptr;
    std::unique_ptr<TNetCookieManager> own_cookie_manager_;
    int redirect_count_ = 0;
};

}  // namespace lintaro::http
