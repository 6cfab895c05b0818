// Header lines kept in order as "Name: value". Names are matched without regard to letter case,
// the first matching line wins, and lines that begin with a space or TAB continue the one before.
#pragma once

#include <string>
#include <vector>

namespace lintaro::http {

class TNetHeaderList {
  public:
    // Lines longer than this are folded when set.
    static constexpr std::size_t kFoldLength = 1024;

    // The value of the first line named `name`, trimmed, with its continuation lines appended after
    // one space each; empty when there is none.
    std::string Values(const std::string& name) const;
    // The values of every line named `name`, in order.
    std::vector<std::string> AllValues(const std::string& name) const;
    // Replaces the first line named `name` (with its continuations) in place, or appends one.
    void SetValue(const std::string& name, const std::string& value);

    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Cuts a line longer than kFoldLength after a space, TAB or comma outside double quotes, into
    // pieces of which every one after the first begins with a space. A line without such a break
    // stays whole.
    static std::vector<std::string> FoldLine(const std::string& line);

  private:
    // Index of the first line named `name`, or lines_.size().
    std::size_t Find(const std::string& name, std::size_t from = 0) const;
    std::string ValueAt(std::size_t index) const;

    std::vector<std::string> lines_;
};

}  // namespace lintaro::http
