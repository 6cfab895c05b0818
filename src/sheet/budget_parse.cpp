// The arena behind ParsedHtml: every block Gumbo asks for carries a header that links it into the
// arena's list, so the whole parse is released at once (and the parser's own recursive release of
// its tree is never needed), and a parse over budget is left with a jump back to its start.
#include "sheet/budget_parse.h"

#include <csetjmp>
#include <cstdlib>
#include <new>

namespace lintaro::sheet {

struct ParsedHtml::Arena {
    // Precedes every block; 32 bytes keep the block 16-byte aligned as malloc's are.
    struct alignas(16) Header {
        Header* prev;
        Header* next;
        size_t size;
    };
    Header* blocks = nullptr;
    size_t live = 0;
    size_t peak = 0;
    size_t budget = 0;
    std::jmp_buf escape;

    ~Arena() {
        while (blocks != nullptr) {
            Header* next = blocks->next;
            std::free(blocks);
            blocks = next;
        }
    }
};

namespace {

using Arena = ParsedHtml::Arena;

// Gumbo's allocator. Over the budget (or out of memory) it jumps back to ParseOrEscape: only the
// parser's C frames lie between, and the arena still owns every block they hold.
void* Allocate(void* userdata, size_t size) {
    Arena* arena = static_cast<Arena*>(userdata);
    if (size > arena->budget || arena->live + size > arena->budget) std::longjmp(arena->escape, 1);
    auto* header = static_cast<Arena::Header*>(std::malloc(sizeof(Arena::Header) + size));
    if (header == nullptr) std::longjmp(arena->escape, 1);
    header->prev = nullptr;
    header->next = arena->blocks;
    header->size = size;
    if (arena->blocks != nullptr) arena->blocks->prev = header;
    arena->blocks = header;
    arena->live += size;
    if (arena->live > arena->peak) arena->peak = arena->live;
    return header + 1;
}

void Deallocate(void* userdata, void* block) {
    if (block == nullptr) return;
    Arena* arena = static_cast<Arena*>(userdata);
    Arena::Header* header = static_cast<Arena::Header*>(block) - 1;
    if (header->prev != nullptr) {
        header->prev->next = header->next;
    } else {
        arena->blocks = header->next;
    }
    if (header->next != nullptr) header->next->prev = header->prev;
    arena->live -= header->size;
    std::free(header);
}

// Holds nothing but plain values between setjmp and a jump back, so leaving by the jump skips no
// destructor.
GumboOutput* ParseOrEscape(const GumboOptions* options, const char* data, size_t size,
                           Arena* arena) {
    if (setjmp(arena->escape) != 0) return nullptr;
    return gumbo_parse_with_options(options, data, size);
}

}  // namespace

std::unique_ptr<ParsedHtml> ParsedHtml::Parse(std::string_view utf8, size_t memory_budget) {
    auto arena = std::make_unique<Arena>();
    arena->budget = memory_budget;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = Allocate;
    options.deallocator = Deallocate;
    options.userdata = arena.get();
    // Recording errors costs more than the parse on broken markup (64 KiB of "<b>": 3.7 GB).
    options.max_errors = 0;
    GumboOutput* output = ParseOrEscape(&options, utf8.data(), utf8.size(), arena.get());
    if (output == nullptr) return nullptr;
    return std::unique_ptr<ParsedHtml>(new ParsedHtml(std::move(arena), output));
}

ParsedHtml::ParsedHtml(std::unique_ptr<Arena> arena, GumboOutput* output)
    : arena_(std::move(arena)), output_(output) {}

// The arena releases every block the output holds.
ParsedHtml::~ParsedHtml() = default;

size_t ParsedHtml::PeakBytes() const { return arena_->peak; }

}  // namespace lintaro::sheet
