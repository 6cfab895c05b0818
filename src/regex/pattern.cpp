// TPattern's face: settings, lazy compilation, the search entry points, captures and the error
// texts. Compilation is in compile.cpp, the search-data analysis in search_data.cpp, where a search
// tries in search.cpp and one attempt, the node walk, in match.cpp.
#include "regex/pattern.h"

#include <string>

#include "regex/pattern_state.h"

namespace lintaro::regex {
namespace {

const char* ErrorText(int code) {
    switch (code) {
        case kPatternTooManyGroups:
            return "TPattern(comp): ParseReg Too Many ()";
        case kPatternGroupNotClosed:
            return "TPattern(comp): ParseReg Unmatched ()";
        case kPatternCloseWithoutOpen:
            return "TPattern(comp): ParseReg Unmatched ()";
        case kPatternRepeatOfEmpty:
            return "TPattern(comp): *+ Operand Could Be Empty";
        case kPatternNestedRepeat:
            return "TPattern(comp): Nested *?+";
        case kPatternBadHexDigit:
            return "TPattern(comp): Bad Hex Digit";
        case kPatternInvalidRange:
            return "TPattern(comp): Invalid [] Range";
        case kPatternClassTrailingEscape:
            return "TPattern(comp): Parse Atom Trailing \\";
        case kPatternNoHexCode:
            return "TPattern(comp): No Hex Code After \\x";
        case kPatternHexCodeTooBig:
            return "TPattern(comp): Hex Code After \\x Is Too Big";
        case kPatternClassNotClosed:
            return "TPattern(comp): Unmatched []";
        case kPatternRepeatOfNothing:
            return "TPattern(comp): ?+*{ Follows Nothing";
        case kPatternTrailingEscape:
            return "TPattern(comp): Trailing \\";
        case kPatternBracesTooBig:
            return "TPattern(comp): BRACES Argument Too Big";
        case kPatternBracesMinAboveMax:
            return "TPattern(comp): BRACE Min Param Greater then Max";
        case kPatternCommentNotClosed:
            return "TPattern(comp): Unclosed (?#Comment)";
        case kPatternUnknownModifier:
            return "TPattern(comp): Urecognized Modifier";
        case kPatternBadLinePair:
            return "TPattern(comp): LinePairedSeparator must countain two different chars or no "
                   "chars at all";
        case kPatternNoExpression:
            return "TPattern(exec): Not Assigned Expression Property";
        case kPatternCorruptProgram:
            return "TPattern(exec): Corrupted Program";
        case kPatternNoInput:
            return "TPattern(exec): No Input String Specified";
        case kPatternOffsetBelowOne:
            return "TPattern(exec): Offset Must Be Greater Then 0";
        case kPatternExecNextWithoutExec:
            return "TPattern(exec): ExecNext Without Exec[Pos]";
        case kPatternLoopStackExceeded:
            return "TPattern(exec): Loop Stack Exceeded";
        case kPatternLoopWithoutEntry:
            return "TPattern(exec): Loop Without LoopEntry !";
        case kPatternBacktrackLimit:
            return "TPattern(exec): Backtrack Limit Exceeded";
        case kPatternSubjectBudget:
            return "TPattern(exec): Work Budget Exceeded";
        case kPatternSubjectTooLong:
            return "TPattern(exec): Subject Too Long";
        default:
            return "Unknown error";
    }
}

int ModifierBitOfIndex(int index) {
    if (index < kModifierI || index > kModifierX) RaiseError(kPatternBadModifierIndex, 0);
    return 1 << (index - 1);
}

// Text up to its first NUL byte: nothing after it is ever seen.
std::string_view CutAtNul(std::string_view text) {
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

}  // namespace

void RaiseError(int code, int position) {
    std::string message = ErrorText(code);
    if (code < kPatternNoExpression) message += " (pos " + std::to_string(position) + ")";
    throw EPattern(message, code, position);
}

TPattern::TPattern() : state_(std::make_unique<PatternState>()) {}
TPattern::~TPattern() = default;

void TPattern::SetExpression(std::string_view expression) {
    // An empty text leaves no expression; the old program goes too, so that a search reports the
    // missing expression instead of running a pattern that is no longer set.
    std::string_view text = CutAtNul(expression);
    if (text != state_->expression || state_->program == nullptr) {
        state_->expression.assign(text);
        state_->DiscardProgram();
    }
}

const std::string& TPattern::Expression() const { return state_->expression; }

void TPattern::SetModifierByIndex(int index, bool on) {
    int bit = ModifierBitOfIndex(index);
    if (on) {
        state_->settings.modifiers |= bit;
    } else {
        state_->settings.modifiers &= ~bit;
    }
}

bool TPattern::GetModifierByIndex(int index) const {
    return (state_->settings.modifiers & ModifierBitOfIndex(index)) != 0;
}

void TPattern::SetLinePairedSeparator(std::string_view pair) {
    PatternState& s = *state_;
    CompileSettings& settings = s.settings;
    if (pair.size() == 2 && pair[0] != pair[1]) {
        unsigned char first = static_cast<unsigned char>(pair[0]);
        unsigned char second = static_cast<unsigned char>(pair[1]);
        if (!(settings.pair_assigned && settings.pair_first == first &&
              settings.pair_second == second)) {
            settings.pair_assigned = true;
            settings.pair_first = first;
            settings.pair_second = second;
            s.DiscardProgram();
        }
    } else if (pair.empty()) {
        if (settings.pair_assigned) {
            settings.pair_assigned = false;
            s.DiscardProgram();
        }
    } else {
        RaiseError(kPatternBadLinePair, 0);
    }
}

void TPattern::SetInputString(std::string_view subject) {
    SearchState& s = state_->search;
    std::string_view text = CutAtNul(subject);
    if (text.size() > kMaxSubjectLength) {
        s.input.clear();
        s.input.shrink_to_fit();
        s.has_input = false;
        s.ForgetOccurrences();
        s.ClearCaptures();
        RaiseError(kPatternSubjectTooLong, 0);
    }
    s.input.assign(text);
    s.has_input = true;
    s.work_left = s.work_budget;
    s.ForgetOccurrences();
    s.ClearCaptures();
}

void TPattern::EnsureCompiled() {
    PatternState& s = *state_;
    if (s.program != nullptr && s.settings.modifiers != s.program->modifiers) s.DiscardProgram();
    if (s.program == nullptr) {
        if (s.expression.empty()) RaiseError(kPatternNoExpression, 0);
        s.program = CompileExpression(s.expression, s.settings);
    }
    if (s.program->bytes[0] != kProgramSignature) {
        RaiseError(kPatternCorruptProgram, 0);
    }
}

void TPattern::Compile() { EnsureCompiled(); }

void TPattern::SetBacktrackLimit(unsigned long long limit) {
    state_->search.backtrack_limit = limit;
}

void TPattern::SetWorkBudget(unsigned long long steps) {
    state_->search.work_budget = steps;
    state_->search.work_left = steps;
}

unsigned long long TPattern::WorkSpent() const {
    const SearchState& s = state_->search;
    return s.work_budget - s.work_left;
}

bool TPattern::Exec(std::string_view subject) {
    SetInputString(subject);
    return ExecPos(1);
}

bool TPattern::ExecNext() {
    SearchState& s = state_->search;
    int64_t start = s.captures[0];
    int64_t end = s.captures[kCaptureSlots];
    if (start < 0 || end < 0) RaiseError(kPatternExecNextWithoutExec, 0);
    int64_t offset = end + 1 + (start == end ? 1 : 0);
    if (offset > static_cast<int64_t>(s.input.size()) + 1) {
        // Past the end: the search would find nothing; keep the slots cleared as it would.
        s.ClearCaptures();
        EnsureCompiled();
        return false;
    }
    return ExecPos(static_cast<int>(offset));
}

bool TPattern::ExecPos(int offset) {
    SearchState& s = state_->search;
    s.ClearCaptures();
    EnsureCompiled();
    if (!s.has_input) RaiseError(kPatternNoInput, 0);
    if (offset < 1) RaiseError(kPatternOffsetBelowOne, 0);
    if (static_cast<size_t>(offset) > s.input.size() + 1) return false;
    return SearchFrom(*state_->program, s, static_cast<size_t>(offset - 1));
}

std::string TPattern::Match(int n) const {
    int pos = MatchPos(n);
    int len = MatchLen(n);
    if (pos < 0 || len < 0) return std::string();
    return state_->search.input.substr(static_cast<size_t>(pos), static_cast<size_t>(len));
}

int TPattern::MatchPos(int n) const {
    const SearchState& s = state_->search;
    if (n < 0 || n >= kCaptureSlots || !s.has_input) return -1;
    int64_t start = s.captures[n];
    return start < 0 ? -1 : static_cast<int>(start);
}

int TPattern::MatchLen(int n) const {
    const SearchState& s = state_->search;
    if (n < 0 || n >= kCaptureSlots || !s.has_input) return -1;
    int64_t start = s.captures[n];
    int64_t end = s.captures[kCaptureSlots + n];
    if (start < 0 || end < start) return -1;
    return static_cast<int>(end - start);
}

// The accessors below describe the last successful compile; without one there is nothing to say.

std::string_view TPattern::ProgramBytes() const {
    if (state_->program == nullptr) return std::string_view();
    const auto& bytes = state_->program->bytes;
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

unsigned char TPattern::StartChar() const {
    return state_->program == nullptr ? 0 : state_->program->start_char;
}

bool TPattern::Anchored() const { return state_->program != nullptr && state_->program->anchored; }

std::string_view TPattern::RequiredLiteral() const {
    const Program* program = state_->program.get();
    if (program == nullptr || program->required_length == 0) return std::string_view();
    return std::string_view(
        reinterpret_cast<const char*>(program->bytes.data()) + program->required_offset,
        program->required_length);
}

bool TPattern::InStartCharSet(unsigned char ch) const {
    return state_->program != nullptr && state_->program->start_table[ch];
}

}  // namespace lintaro::regex
