// The failures of the HTTP client and the connection beneath it. Every one derives from
// ENetException, carries its complete message, names its own class (for reports such as
// lintaro-cli fetch's "CLASS(CODE): MESSAGE") and, where it has one, a numeric code.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace lintaro::http {

// Base of every client failure.
class ENetException : public std::runtime_error {
  public:
    explicit ENetException(const std::string& message) : std::runtime_error(message) {}
    virtual const char* ClassName() const { return "ENetException"; }
    // The code a report prints after the class name, when the failure has one.
    virtual std::optional<int> Code() const { return std::nullopt; }
};

#define LINTARO_NET_EXCEPTION(Name, Base)                        \
    class Name : public Base {                                   \
      public:                                                    \
        using Base::Base;                                        \
        const char* ClassName() const override { return #Name; } \
    }

// A status outside 200..299 that is not a redirect. The message is the status line as received,
// ErrorCode() the status code (-1 when the line held none), ErrorMessage() the response body.
class ENetHTTPProtocolException : public ENetException {
  public:
    ENetHTTPProtocolException(const std::string& status_line, int error_code, std::string body)
        : ENetException(status_line), error_code_(error_code), error_message_(std::move(body)) {}
    const char* ClassName() const override { return "ENetHTTPProtocolException"; }
    std::optional<int> Code() const override { return error_code_; }
    int ErrorCode() const { return error_code_; }
    const std::string& ErrorMessage() const { return error_message_; }

  private:
    int error_code_;
    std::string error_message_;
};

// A failure of the socket layer: "Socket Error # CODE" CR LF and the code's description. Codes
// are the Windows Sockets numbers that SocketErrorCode() maps POSIX errors onto.
class ENetSocketError : public ENetException {
  public:
    // Builds the standard message for `code`.
    explicit ENetSocketError(int code);
    ENetSocketError(int code, const std::string& message) : ENetException(message), code_(code) {}
    const char* ClassName() const override { return "ENetSocketError"; }
    std::optional<int> Code() const override { return code_; }
    int LastError() const { return code_; }

  private:
    int code_;
};

// A connect that the peer refused or that could not reach it; message as ENetSocketError.
LINTARO_NET_EXCEPTION(ENetConnectException, ENetSocketError);

LINTARO_NET_EXCEPTION(ENetConnectTimeout, ENetException);        // "Connect timed out."
LINTARO_NET_EXCEPTION(ENetReadTimeout, ENetException);           // "Read Timeout"
LINTARO_NET_EXCEPTION(ENetConnClosedGracefully, ENetException);  // "Connection Closed Gracefully."
LINTARO_NET_EXCEPTION(ENetNotConnected, ENetException);          // "Not Connected"
LINTARO_NET_EXCEPTION(ENetAlreadyConnected, ENetException);      // "Already connected."
LINTARO_NET_EXCEPTION(ENetReadLnMaxLineLengthExceeded,
                      ENetException);                            // "Max line length exceeded."
LINTARO_NET_EXCEPTION(ENetUnknownProtocol, ENetException);       // empty message
LINTARO_NET_EXCEPTION(ENetIOHandlerPropInvalid, ENetException);  // "IOHandler value is not valid"
// A text that should have been a number: "'%s' is not a valid integer value", or a time out of
// range.
LINTARO_NET_EXCEPTION(EConvertError, ENetException);
// A URL (or redirect target) holding a control character, which would add lines of its own to
// the request head; nothing is sent for it.
LINTARO_NET_EXCEPTION(ENetInvalidURL, ENetException);
// A response head larger than the client accepts (a hostile or broken server).
LINTARO_NET_EXCEPTION(ENetResponseHeadTooLarge, ENetException);
// A response body larger than the client's limit, announced or as it arrives: "Response body
// larger than N bytes."
LINTARO_NET_EXCEPTION(ENetResponseBodyTooLarge, ENetException);
// A body that ended before its announced end: the peer closed the connection short of the
// Content-Length ("The server closed the connection after N of M bytes.") or before the last chunk
// of a chunked body. What did arrive is not a page.
LINTARO_NET_EXCEPTION(ENetBodyIncomplete, ENetException);
// The whole fetch took longer than the overall time limit its owner set.
LINTARO_NET_EXCEPTION(ENetFetchTimeout, ENetReadTimeout);
// The owner asked the responsiveness hook to cancel the running fetch. Readers end quietly on it.
LINTARO_NET_EXCEPTION(ENetCancelled, ENetException);

#undef LINTARO_NET_EXCEPTION

// The socket error codes: the Windows Sockets numbers that SocketErrorCode() maps POSIX errors
// onto and that the messages have always shown ("Socket Error # 10061").
enum NetSocketCode : int {
    kSocketInterrupted = 10004,
    kSocketBadFile = 10009,
    kSocketAccessDenied = 10013,
    kSocketBadAddress = 10014,
    kSocketInvalidArgument = 10022,
    kSocketTooManyFiles = 10024,
    kSocketWouldBlock = 10035,
    kSocketInProgress = 10036,
    kSocketAlreadyInProgress = 10037,
    kSocketNotASocket = 10038,
    kSocketAddressRequired = 10039,
    kSocketMessageTooLong = 10040,
    kSocketWrongProtocolType = 10041,
    kSocketBadProtocolOption = 10042,
    kSocketProtocolNotSupported = 10043,
    kSocketTypeNotSupported = 10044,
    kSocketOperationNotSupported = 10045,
    kSocketFamilyNotSupported = 10046,
    kSocketAddressFamilyNotSupported = 10047,
    kSocketAddressInUse = 10048,
    kSocketAddressNotAvailable = 10049,
    kSocketNetworkDown = 10050,
    kSocketNetworkUnreachable = 10051,
    kSocketNetworkReset = 10052,
    kSocketConnectionAborted = 10053,
    kSocketConnectionReset = 10054,
    kSocketNoBufferSpace = 10055,
    kSocketAlreadyConnected = 10056,
    kSocketNotConnected = 10057,
    kSocketShutDown = 10058,
    kSocketTooManyReferences = 10059,
    kSocketTimedOut = 10060,
    kSocketConnectionRefused = 10061,
    kSocketLoop = 10062,
    kSocketNameTooLong = 10063,
    kSocketHostDown = 10064,
    kSocketHostUnreachable = 10065,
    kSocketNotEmpty = 10066,
    kSocketHostNotFound = 11001,
    kSocketLookupTryAgain = 11002,
    kSocketLookupFailed = 11003,
    kSocketNoAddress = 11004,
};

// Maps a POSIX errno value onto the Windows Sockets code the messages use (ECONNREFUSED -> 10061,
// ETIMEDOUT -> 10060, ...). An errno without a counterpart is returned unchanged.
int SocketErrorCode(int posix_errno);

// Maps a getaddrinfo() failure onto a code: a name that does not exist is kSocketHostNotFound
// (11001, "Host not found.").
int LookupErrorCode(int eai_error, int posix_errno);

// The description of a Windows Sockets code; for a code outside the table, the system's text for
// an errno of that value (empty when there is none).
std::string SocketErrorDescription(int code);

// "Socket Error # CODE" CR LF DESCRIPTION.
std::string SocketErrorMessage(int code);

// "'TEXT' is not a valid integer value".
std::string InvalidIntegerMessage(const std::string& text);

}  // namespace lintaro::http
