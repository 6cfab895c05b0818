// Socket error codes and texts: POSIX errno and getaddrinfo() failures mapped onto the Windows
// Sockets numbers and descriptions that the client's messages have always used.
#include "http/net_errors.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace lintaro::http {

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kDescriptions[] = {
    {kSocketInterrupted, "Interrupted system call."},
    {kSocketBadFile, "Bad file number."},
    {kSocketAccessDenied, "Access denied."},
    {kSocketBadAddress, "Bad address."},
    {kSocketInvalidArgument, "Invalid argument."},
    {kSocketTooManyFiles, "Too many open files."},
    {kSocketWouldBlock, "Operation would block. "},
    {kSocketInProgress, "Operation now in progress."},
    {kSocketAlreadyInProgress, "Operation already in progress."},
    {kSocketNotASocket, "Socket operation on non-socket."},
    {kSocketAddressRequired, "Destination address required."},
    {kSocketMessageTooLong, "Message too long."},
    {kSocketWrongProtocolType, "Protocol wrong type for socket."},
    {kSocketBadProtocolOption, "Bad protocol option."},
    {kSocketProtocolNotSupported, "Protocol not supported."},
    {kSocketTypeNotSupported, "Socket type not supported."},
    {kSocketOperationNotSupported, "Operation not supported on socket."},
    {kSocketFamilyNotSupported, "Protocol family not supported."},
    {kSocketAddressFamilyNotSupported, "Address family not supported by protocol family."},
    {kSocketAddressInUse, "Address already in use."},
    {kSocketAddressNotAvailable, "Cannot assign requested address."},
    {kSocketNetworkDown, "Network is down."},
    {kSocketNetworkUnreachable, "Network is unreachable."},
    {kSocketNetworkReset, "Net dropped connection or reset."},
    {kSocketConnectionAborted, "Software caused connection abort."},
    {kSocketConnectionReset, "Connection reset by peer."},
    {kSocketNoBufferSpace, "No buffer space available."},
    {kSocketAlreadyConnected, "Socket is already connected."},
    {kSocketNotConnected, "Socket is not connected."},
    {kSocketShutDown, "Cannot send or receive after socket is closed."},
    {kSocketTooManyReferences, "Too many references, cannot splice."},
    {kSocketTimedOut, "Connection timed out."},
    {kSocketConnectionRefused, "Connection refused."},
    {kSocketLoop, "Too many levels of symbolic links."},
    {kSocketNameTooLong, "File name too long."},
    {kSocketHostDown, "Host is down."},
    {kSocketHostUnreachable, "No route to host."},
    {kSocketNotEmpty, "Directory not empty"},
    {kSocketHostNotFound, "Host not found."},
    // Lookup failures other than a missing name; without a text they would read as nothing.
    {kSocketLookupTryAgain, "Nonauthoritative host not found."},
    {kSocketLookupFailed, "Non-recoverable lookup error."},
    {kSocketNoAddress, "Valid name, no data record of requested type."},
};

struct ErrnoCode {
    int posix;
    int code;
};

constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, kSocketInterrupted},
    {EBADF, kSocketBadFile},
    {EACCES, kSocketAccessDenied},
    {EFAULT, kSocketBadAddress},
    {EINVAL, kSocketInvalidArgument},
    {EMFILE, kSocketTooManyFiles},
    {EWOULDBLOCK, kSocketWouldBlock},
    {EINPROGRESS, kSocketInProgress},
    {EALREADY, kSocketAlreadyInProgress},
    {ENOTSOCK, kSocketNotASocket},
    {EDESTADDRREQ, kSocketAddressRequired},
    {EMSGSIZE, kSocketMessageTooLong},
    {EPROTOTYPE, kSocketWrongProtocolType},
    {ENOPROTOOPT, kSocketBadProtocolOption},
    {EPROTONOSUPPORT, kSocketProtocolNotSupported},
    {ESOCKTNOSUPPORT, kSocketTypeNotSupported},
    {EOPNOTSUPP, kSocketOperationNotSupported},
    {EPFNOSUPPORT, kSocketFamilyNotSupported},
    {EAFNOSUPPORT, kSocketAddressFamilyNotSupported},
    {EADDRINUSE, kSocketAddressInUse},
    {EADDRNOTAVAIL, kSocketAddressNotAvailable},
    {ENETDOWN, kSocketNetworkDown},
    {ENETUNREACH, kSocketNetworkUnreachable},
    {ENETRESET, kSocketNetworkReset},
    {ECONNABORTED, kSocketConnectionAborted},
    {ECONNRESET, kSocketConnectionReset},
    {ENOBUFS, kSocketNoBufferSpace},
    {EISCONN, kSocketAlreadyConnected},
    {ENOTCONN, kSocketNotConnected},
    {EPIPE, kSocketShutDown},
    {ESHUTDOWN, kSocketShutDown},
    {ETOOMANYREFS, kSocketTooManyReferences},
    {ETIMEDOUT, kSocketTimedOut},
    {ECONNREFUSED, kSocketConnectionRefused},
    {ELOOP, kSocketLoop},
    {ENAMETOOLONG, kSocketNameTooLong},
    {EHOSTDOWN, kSocketHostDown},
    {EHOSTUNREACH, kSocketHostUnreachable},
    {ENOTEMPTY, kSocketNotEmpty},
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
            return kSocketHostNotFound;
        case EAI_AGAIN:
            return kSocketLookupTryAgain;
        case EAI_SYSTEM:
            return SocketErrorCode(posix_errno);
        default:
            return kSocketLookupFailed;
    }
}

std::string SocketErrorDescription(int code) {
    for (const CodeText& entry : kDescriptions) {
        if (entry.code == code) return entry.text;
    }
    // An errno that has no Windows Sockets number keeps its own value; say what it is.
    if (code > 0 && code < kSocketInterrupted) return std::strerror(code);
    return "";
}

std::string SocketErrorMessage(int code) {
    return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorDescription(code);
}

std::string InvalidIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

}  // namespace lintaro::http
