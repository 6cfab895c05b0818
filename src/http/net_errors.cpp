// Socket error codes and texts: POSIX errno and getaddrinfo() failures mapped onto the Windows
// Sockets numbers and descriptions that the client's messages have always used.
#include "http/net_errors.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace lintaro {

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kDescriptions[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
    // Lookup failures other than a missing name; without a text they would read as nothing.
    {11002, "Nonauthoritative host not found."},
    {11003, "Non-recoverable lookup error."},
    {11004, "Valid name, no data record of requested type."},
};

struct ErrnoCode {
    int posix;
    int code;
};

constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},           {EBADF, 10009},        {EACCES, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},       {EMFILE, 10024},
    {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},  {EALREADY, 10037},
    {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},        {ENETUNREACH, 10051},  {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {ENOBUFS, 10055},
    {EISCONN, 10056},         {ENOTCONN, 10057},     {EPIPE, 10058},
    {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059}, {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},    {ELOOP, 10062},        {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},
};

}  // namespace

ENetSocketError::ENetSocketError(int code) : ENetException(SocketErrorMessage(code)), code_(code) {}

int SocketErrorCode(int posix_errno) {
    for (const ErrnoCode& entry : kErrnoCodes) {
        if (entry.posix == posix_errno) return entry.code;
    }
    return posix_errno;
}

int LookupErrorCode(int eai_error, int posix_errno) {
    switch (eai_error) {
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_SYSTEM:
            return SocketErrorCode(posix_errno);
        default:
            return 11003;
    }
}

std::string SocketErrorDescription(int code) {
    for (const CodeText& entry : kDescriptions) {
        if (entry.code == code) return entry.text;
    }
    // An errno that has no Windows Sockets number keeps its own value; say what it is.
    if (code > 0 && code < 10000) return std::strerror(code);
    return "";
}

std::string SocketErrorMessage(int code) {
    return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorDescription(code);
}

std::string InvalidIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

}  // namespace lintaro
