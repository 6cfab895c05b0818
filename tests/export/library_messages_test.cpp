// The filter that keeps libxlsxwriter's own "[ERROR]" and "[WARNING]" lines off standard error:
// the library's lines go, every other line still arrives, also from other threads.
#include "export/library_messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace lintaro::worksheet {
namespace {

// Points standard error at a file of its own for the test's lifetime and reads what reached it.
class StandardErrorCapture {
  public:
    StandardErrorCapture() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        std::fclose(file_);
    }
    std::string Text() const {
        std::string text;
        char block[4096];
        for (off_t at = 0;;) {
            const ssize_t got = pread(fileno(file_), block, sizeof block, at);
            if (got <= 0) return text;
            text.append(block, static_cast<size_t>(got));
            at += got;
        }
    }

  private:
    std::FILE* file_;
    int saved_;
};

void Say(std::string_view text) { (void)!write(STDERR_FILENO, text.data(), text.size()); }

TEST(LibraryMessageFilterTest, DropsTheLibraryLinesAndPassesTheRestOnAtTheEnd) {
    StandardErrorCapture capture;
    Say("before\n");
    {
        const ScopedLibraryMessageFilter filter;
        Say("[ERROR][./src/packager.c:1541]: Error in closing member in the zipfile\n");
        Say("ours\n");
        std::fprintf(stderr, "[WARNING]: worksheet_set_column(): column too wide\n");
        Say("an [ERROR] inside a line stays\n");
        EXPECT_EQ(capture.Text(), "before\n");  // held back meanwhile
        Say("[ERROR] a last line without its end");
    }
    Say("after\n");
    EXPECT_EQ(capture.Text(), "before\nours\nan [ERROR] inside a line stays\nafter\n");
}

TEST(LibraryMessageFilterTest, OverlappingFiltersOnTwoThreadsHoldUntilTheLastEnds) {
    StandardErrorCapture capture;
    std::optional<ScopedLibraryMessageFilter> first(std::in_place);
    Say("[ERROR] first\nfrom the first\n");
    std::thread other([&] {
        const ScopedLibraryMessageFilter second;
        Say("[WARNING]: second\nfrom the second\n");
        first.reset();  // the first ends while the second still runs
        Say("[ERROR] second again\n");
    });
    other.join();
    EXPECT_EQ(capture.Text(), "from the first\nfrom the second\n");
    {
        const ScopedLibraryMessageFilter again;  // a later filter starts afresh
        Say("[ERROR] third\nthird\n");
    }
    EXPECT_EQ(capture.Text(), "from the first\nfrom the second\nthird\n");
}

}  // namespace
}  // namespace lintaro::worksheet
