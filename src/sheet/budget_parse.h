// Gumbo's HTML5 parse with a memory budget. A parser has to rebuild open formatting elements at
// every text run, so 32 KiB of markup can grow into millions of elements (16 KB of distinct <font>
// tags closed by a </div>, then "<p>x" repeated: 1.7 GB and 14 s). The parse here allocates from an
// arena of its own and gives up as soon as the arena passes its budget.
#pragma once

#include <gumbo.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace lintaro::sheet {

class ParsedHtml {
  public:
    // Parses `utf8` as an HTML document (errors are not recorded: max_errors = 0). Returns null
    // when the parser needed more than `memory_budget` bytes at once; nothing of it is left
    // allocated.
    static std::unique_ptr<ParsedHtml> Parse(std::string_view utf8, size_t memory_budget);
    ~ParsedHtml();
    ParsedHtml(const ParsedHtml&) = delete;
    ParsedHtml& operator=(const ParsedHtml&) = delete;

    // The document node; valid as long as this object lives.
    const GumboNode* Document() const { return output_->document; }
    // Bytes the parse held at its peak.
    size_t PeakBytes() const;

    struct Arena;

  private:
    ParsedHtml(std::unique_ptr<Arena> arena, GumboOutput* output);
    std::unique_ptr<Arena> arena_;
    GumboOutput* output_;
};

}  // namespace lintaro::sheet
