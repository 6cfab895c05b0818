// Header lookup with continuation lines, and the folding of long lines.
#include "http/net_header_list.h"

#include "http/net_text.h"

namespace lintaro::http {

namespace {

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

}  // namespace

std::size_t TNetHeaderList::Find(const std::string& name, std::size_t from) const {
    // A line is named `name` when its first ":" follows exactly that text. Testing the byte after
    // the name first keeps a lookup to one comparison per line of other names, which counts in a
    // head of tens of thousands of lines that is searched for several names.
    if (name.find(':') != std::string::npos) return lines_.size();
    for (std::size_t i = from; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.size() > name.size() && line[name.size()] == ':' &&
            EqualsNoCase(std::string_view(line).substr(0, name.size()), name))
            return i;
    }
    return lines_.size();
}

std::string TNetHeaderList::ValueAt(std::size_t index) const {
    const std::string& line = lines_[index];
    std::string value = TrimBlanks(std::string_view(line).substr(line.find(':') + 1));
    for (std::size_t i = index + 1; i < lines_.size() && IsContinuation(lines_[i]); ++i) {
        // The value so far is trimmed again before each continuation joins it after one space.
        // Done in place: rebuilding the value for each of thousands of continuation lines would
        // cost the square of their number.
        while (!value.empty() && IsBlank(value.back())) value.pop_back();
        std::size_t leading = 0;
        while (leading < value.size() && IsBlank(value[leading])) ++leading;
        value.erase(0, leading);
        value += ' ';
        value.append(TrimView(lines_[i]));
    }
    return value;
}

std::string TNetHeaderList::Values(const std::string& name) const {
    const std::size_t index = Find(name);
    return index < lines_.size() ? ValueAt(index) : std::string();
}

std::vector<std::string> TNetHeaderList::AllValues(const std::string& name) const {
    std::vector<std::string> values;
    for (std::size_t i = Find(name); i < lines_.size(); i = Find(name, i + 1)) {
        values.push_back(ValueAt(i));
    }
    return values;
}

void TNetHeaderList::SetValue(const std::string& name, const std::string& value) {
    const std::vector<std::string> pieces = FoldLine(name + ": " + value);
    const std::size_t index = Find(name);
    if (index == lines_.size()) {
        lines_.insert(lines_.end(), pieces.begin(), pieces.end());
        return;
    }
    std::size_t end = index + 1;
    while (end < lines_.size() && IsContinuation(lines_[end])) ++end;
    lines_.erase(lines_.begin() + index, lines_.begin() + end);
    lines_.insert(lines_.begin() + index, pieces.begin(), pieces.end());
}

std::vector<std::string> TNetHeaderList::FoldLine(const std::string& line) {
    if (line.size() <= kFoldLength) return {line};
    std::vector<std::string> pieces;
    // What is left to fold is the line from `start` on, preceded after the first piece by the one
    // space that marks a continuation. It is never copied: a Cookie line of megabytes folds into
    // thousands of pieces. Positions below count in that text, the marking space included.
    std::size_t start = 0;
    for (;;) {
        const std::string_view tail = std::string_view(line).substr(start);
        const std::size_t mark = pieces.empty() ? 0 : 1;
        bool in_quotes = false;
        std::size_t last_break = std::string::npos;
        std::size_t cut = std::string::npos;
        // A continuation's leading space marks the fold; it is no place to cut again.
        for (std::size_t i = mark; i < mark + tail.size(); ++i) {
            const char c = tail[i - mark];
            if (c == '"') {
                in_quotes = !in_quotes;
            } else if (!in_quotes && (c == ' ' || c == '\t' || c == ',')) {
                last_break = i;
            }
            if (i + 1 > kFoldLength && last_break != std::string::npos) {
                cut = last_break;
                break;
            }
        }
        std::string piece = mark == 0 ? std::string() : std::string(" ");
        if (cut == std::string::npos) {
            piece.append(tail);
            pieces.push_back(std::move(piece));
            break;
        }
        piece.append(tail.substr(0, cut + 1 - mark));
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.pop_back();
        pieces.push_back(std::move(piece));
        std::size_t next = cut + 1 - mark;
        while (next < tail.size() &&
               (tail[next] == ' ' || tail[next] == '\t' || tail[next] == ',' ||
                tail[next] == '\r' || tail[next] == '\n')) {
            ++next;
        }
        if (next >= tail.size()) break;
        start += next;
    }
    for (std::string& piece : pieces) {
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.pop_back();
    }
    return pieces;
}

}  // namespace lintaro::http
