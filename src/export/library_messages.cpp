// Standard error held back in an anonymous in-memory file while a library runs: a file, not a pipe,
// so that a writer never blocks on it however much it writes, and nothing needs to read it until
// the last filter ends.
#include "export/library_messages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#if defined(__SANITIZE_ADDRESS__)
#define LINTARO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LINTARO_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef LINTARO_ADDRESS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif

namespace lintaro::worksheet {
namespace {

// AddressSanitizer's reports go to the real standard error while it is held back: the abort that
// follows a report would otherwise take the report with it.
void PointSanitizerReportsAt([[maybe_unused]] int fd) {
#ifdef LINTARO_ADDRESS_SANITIZER
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<uintptr_t>(fd)));
#endif
}

struct Held {
    std::mutex mutex;
    int users = 0;        // filters alive
    int saved_fd = -1;    // the real standard error while it is held back
    int capture_fd = -1;  // where descriptor 2 points meanwhile
};

Held& TheHeld() {
    static Held held;
    return held;
}

bool IsLibraryLine(std::string_view line) {
    return line.starts_with("[ERROR]") || line.starts_with("[WARNING]");
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // nowhere else to report it
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

// Writes what was held back in `capture_fd` to `out_fd`, less the library's lines.
void PassOn(int capture_fd, int out_fd) {
    std::string held;
    char block[4096];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(capture_fd, block, sizeof block, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        held.append(block, static_cast<size_t>(got));
        at += got;
    }
    std::string kept;
    for (std::string_view rest = held; !rest.empty();) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end == std::string_view::npos ? end : end + 1);
        rest.remove_prefix(line.size());
        if (!IsLibraryLine(line)) kept += line;
    }
    WriteAll(out_fd, kept);
}

}  // namespace

ScopedLibraryMessageFilter::ScopedLibraryMessageFilter() {
    Held& held = TheHeld();
    const std::lock_guard lock(held.mutex);
    if (held.users++ > 0 || held.saved_fd >= 0) return;
    const int saved_errno = errno;
    std::fflush(stderr);
    const int capture = ::memfd_create("lintaro-stderr", MFD_CLOEXEC);
    const int saved = capture >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
    if (saved >= 0 && ::dup2(capture, STDERR_FILENO) >= 0) {
        held.saved_fd = saved;
        held.capture_fd = capture;
        PointSanitizerReportsAt(saved);
    } else {
        if (saved >= 0) ::close(saved);
        if (capture >= 0) ::close(capture);
    }
    errno = saved_errno;
}

ScopedLibraryMessageFilter::~ScopedLibraryMessageFilter() {
    Held& held = TheHeld();
    const std::lock_guard lock(held.mutex);
    if (--held.users > 0 || held.saved_fd < 0) return;
    const int saved_errno = errno;
    std::fflush(stderr);
    ::dup2(held.saved_fd, STDERR_FILENO);
    PointSanitizerReportsAt(STDERR_FILENO);
    ::close(held.saved_fd);
    held.saved_fd = -1;
    PassOn(held.capture_fd, STDERR_FILENO);
    ::close(held.capture_fd);
    held.capture_fd = -1;
    errno = saved_errno;
}

}  // namespace lintaro::worksheet
