// The search-data analysis over a compiled program: the start character, anchoring, the required
// literal, the probe character, the set of characters a match can begin with, and the loops whose
// passes have a fixed width. Every walk here keeps its own work list or follows one chain with a
// bound, so a long program needs no deep recursion.
#include "regex/search_data.h"

#include <array>
#include <map>
#include <vector>

namespace lintaro::regex {

using base::Cp1251ToggleCase;

namespace {

class Analysis {
  public:
    Analysis(Program& program, const CompileSettings& settings)
        : program_(program),
          p_(program.bytes.data()),
          size_(program.bytes.size()),
          settings_(settings) {}

    void Run(int flags) {
        CharSet start_set;
        ComputeStartSet(1, start_set);
        for (int ch = 0; ch < 256; ++ch) {
            program_.start_table[ch] = start_set.Has(static_cast<unsigned char>(ch));
        }
        size_t first_branch = 1;
        size_t after = NextNode(p_, first_branch);
        if (p_[first_branch] == kBranch && after != 0 && p_[after] == kEnd) {
            size_t scan = OperandOf(first_branch);
            FindProbe(scan);
            program_.prefix = RunFrom(scan, kMaxPrefixRun, prefix_tables_);
            if (p_[scan] == kLiteral) program_.start_char = LiteralText(p_, scan)[0];
            if (p_[scan] == kInputStart) program_.anchored = true;
            if (flags & kStarStart) FindRequiredLiteral(scan);
        }
        IndexNodes();
        ResolveTables();
        FindPair();
    }

    // The first and the last position of the start of a match that admit one character or its
    // two case forms.
    void FindPair() {
        const auto& tables = program_.prefix.tables;
        bool found_first = false;
        for (size_t i = 0; i < tables.size(); ++i) {
            unsigned char one = 0;
            unsigned char other = 0;
            int members = 0;
            for (int ch = 0; ch < 256 && members <= 2; ++ch) {
                if (!tables[i][ch]) continue;
                if (members == 0) one = static_cast<unsigned char>(ch);
                other = static_cast<unsigned char>(ch);
                ++members;
            }
            if (members == 0 || members > 2) continue;
            if (!found_first) {
                found_first = true;
                program_.screen_first = i;
                program_.screen_first_one = one;
                program_.screen_first_other = other;
            } else {
                program_.screen_second = i;
                program_.screen_second_one = one;
                program_.screen_second_other = other;
            }
        }
    }

  private:
    // The longest literal on the main chain from `scan` (the last of equal lengths): every match
    // passes through it.
    void FindRequiredLiteral(size_t scan) {
        size_t longest = 0;
        size_t longest_length = 0;
        bool found = false;
        for (; scan != 0; scan = NextNode(p_, scan)) {
            if (p_[scan] != kLiteral) continue;
            const char* text = reinterpret_cast<const char*>(LiteralText(p_, scan));
            size_t len = std::strlen(text);
            if (!found || len >= longest_length) {
                longest = OperandOf(scan);
                longest_length = len;
                found = true;
            }
        }
        if (found && longest_length > 0) {
            program_.required_offset = longest;
            program_.required_length = longest_length;
        }
    }

    // Walks the chain from `node` over pieces that always consume the same number of characters:
    // single characters, literals, counts {n} of one character, group boundaries, comments and
    // lone Branches. For each stretch of positions that admit the same characters it calls
    // visit(members, count, literal_start), literal_start telling that the stretch is the first
    // character of a literal node; the walk ends at any other piece or when visit returns false.
    template <typename Visit>
    void WalkFixedWidth(size_t node, Visit visit) const {
        for (size_t walked = 0; node != 0 && walked < size_; ++walked) {
            unsigned char code = p_[node];
            CharSet members;
            if (IsSingleCharacterNode(code)) {
                AddMembers(node, members);
                if (!visit(members, 1, false)) return;
                node = NextNode(p_, node);
                continue;
            }
            switch (code) {
                case kLiteral:
                case kLiteralCI: {
                    const unsigned char* text = LiteralText(p_, node);
                    if (text[0] == 0) return;  // "\x00" matches nothing
                    for (const unsigned char* l = text; *l != 0; ++l) {
                        CharSet one;
                        one.Add(*l);
                        if (code == kLiteralCI) one.Add(Cp1251ToggleCase(*l));
                        if (!visit(one, 1, l == text)) return;
                    }
                    break;
                }
                case kBranch: {
                    size_t next = NextNode(p_, node);
                    if (next != 0 && p_[next] == kBranch) return;
                    node = OperandOf(node);
                    continue;
                }
                case kComment:
                case kNothing:
                    break;
                case kBraces:
                case kBracesLazy: {
                    Repetition braces = ReadRepetition(p_, node);
                    int64_t count = braces.minimum;
                    if (count != braces.maximum || !OneCharacterMembers(braces.operand, members)) {
                        return;
                    }
                    if (count > 0 && !visit(members, count, false)) return;
                    break;
                }
                default:
                    if (!IsOpen(code) && !IsClose(code)) return;
                    break;
            }
            node = NextNode(p_, node);
        }
    }

    // The lowest and the highest member of a set of one or two characters.
    static void Ends(const CharSet& set, unsigned char& low, unsigned char& high) {
        bool first = true;
        for (int word = 0; word < 4; ++word) {
            for (uint64_t bits = set.bits[word]; bits != 0; bits &= bits - 1) {
                auto ch = static_cast<unsigned char>(word * 64 + __builtin_ctzll(bits));
                if (first) low = ch;
                first = false;
                high = ch;
            }
        }
    }

    // The first literal on the main chain after pieces of fixed width gives the probe character
    // (in both its forms) and its distance from the start.
    void FindProbe(size_t node) {
        int64_t offset = 0;
        WalkFixedWidth(node, [&](const CharSet& members, int64_t count, bool literal_start) {
            if (!literal_start) {
                offset += count;
                return true;
            }
            program_.probe_offset = offset;
            Ends(members, program_.probe_one, program_.probe_other);
            return false;
        });
    }

    // The index of the table of `members` in char_tables, added when new.
    size_t TableOf(const CharSet& members) {
        std::array<uint64_t, 4> key = {members.bits[0], members.bits[1], members.bits[2],
                                       members.bits[3]};
        auto [it, added] = table_index_.try_emplace(key, 0);
        if (added) {
            std::array<bool, 256> table{};
            for (int ch = 0; ch < 256; ++ch)
                table[ch] = members.Has(static_cast<unsigned char>(ch));
            it->second = program_.char_tables.size();
            program_.char_tables.push_back(table);
            table_sets_.push_back(members);
        }
        return it->second;
    }

    // The members of a single-character node or of a literal's first character; false for any
    // other node, and for the literal "\x00", which matches nothing.
    bool OneCharacterMembers(size_t node, CharSet& members) const {
        unsigned char code = p_[node];
        if (IsSingleCharacterNode(code)) {
            AddMembers(node, members);
            return true;
        }
        if ((code == kLiteral || code == kLiteralCI) && LiteralText(p_, node)[0] != 0) {
            unsigned char ch = LiteralText(p_, node)[0];
            members.Add(ch);
            if (code == kLiteralCI) members.Add(Cp1251ToggleCase(ch));
            return true;
        }
        return false;
    }

    // Walks the chain from `node` over pieces that always consume the same number of characters
    // and records, position by position, which characters can stand there: the indexes of their
    // tables go to `tables` (at most `limit`), the run's other facts to the result.
    FixedRun RunFrom(size_t node, size_t limit, std::vector<size_t>& tables) {
        FixedRun run;
        tables.clear();
        WalkFixedWidth(node, [&](const CharSet& members, int64_t count, bool) {
            size_t table = TableOf(members);
            for (int64_t i = 0; i < count && tables.size() < limit; ++i) tables.push_back(table);
            return tables.size() < limit;
        });
        if (!tables.empty()) {
            // One character, or one in its two case forms: the bulk scans look for it.
            const CharSet& first = table_sets_[tables[0]];
            int count = first.Count();
            if (count == 1 || count == 2) {
                Ends(first, run.first_one, run.first_other);
                run.first_is_char =
                    count == 1 || Cp1251ToggleCase(run.first_one) == run.first_other;
            }
        }
        return run;
    }

    // Adds the members of the single-character node at `node` to `set`.
    void AddMembers(size_t node, CharSet& set) const {
        const unsigned char* operand = p_ + OperandOf(node);
        CharSet members;
        switch (p_[node]) {
            case kAnyChar:
            case kAnyNotLineSep:
                members.AddAll();
                break;
            case kDigit:
            case kNotDigit:
                for (unsigned char ch = '0'; ch <= '9'; ++ch) members.Add(ch);
                if (p_[node] == kNotDigit) members.Invert();
                break;
            case kAnyOfTiny:
            case kAnyButTiny:
                for (int i = 0; i < 3; ++i) members.Add(operand[i]);
                if (p_[node] == kAnyButTiny) members.Invert();
                break;
            case kAnyOfSet:
                for (int ch = 0; ch < 256; ch += 8) {
                    unsigned char byte = operand[ch >> 3];
                    members.bits[ch >> 6] |= uint64_t(byte) << (ch & 63);
                }
                break;
        }
        for (int i = 0; i < 4; ++i) set.bits[i] |= members.bits[i];
    }

    // Collects the characters a match can begin with from `start` on (0 standing for the subject
    // end). The walk keeps its own work list and visits each node once, so loops in the program
    // (a repeated group that can match the empty string) end and long programs need no deep
    // recursion; the union it builds is the same. From a node `inside` the program, a counted
    // loop's end may be reached after its minimum, so leaving the loop counts too; and such a walk
    // gives up (all characters) after `kMaxInsideVisits` nodes, which bounds the compile.
    void ComputeStartSet(size_t start, CharSet& set, bool inside = false) {
        constexpr size_t kMaxInsideVisits = 256;
        if (visit_marks_.size() != size_) visit_marks_.assign(size_, 0);
        const uint32_t mark = ++visit_generation_;
        size_t visits = 0;
        std::vector<size_t> work{start};
        auto push = [&work](size_t node) {
            if (node != 0) work.push_back(node);
        };
        while (!work.empty()) {
            size_t node = work.back();
            work.pop_back();
            while (node != 0 && node < size_) {
                if (inside && ++visits > kMaxInsideVisits) {
                    set.AddAll();
                    return;
                }
                if (visit_marks_[node] == mark) {
                    // Coming back to a counted loop's end from its body means the body can pass
                    // without consuming (as "(a{0,1}){2}" can), so what follows the loop can
                    // start a match even when the loop's minimum is above 0.
                    if (p_[node] == kLoop || p_[node] == kLoopLazy) push(NextNode(p_, node));
                    break;
                }
                visit_marks_[node] = mark;
                node = AddStartsOf(node, set, inside, push);
            }
        }
    }

    // One node of the start-set walk: adds what the node at `node` can begin a match with to
    // `set`, hands the other paths from it to `push`, and returns the node the walk goes on with
    // when the node can be passed without consuming (0 when it cannot).
    template <typename Push>
    size_t AddStartsOf(size_t node, CharSet& set, bool inside, Push push) {
        unsigned char code = p_[node];
        size_t next = NextNode(p_, node);
        bool go_on = false;
        if (IsSingleCharacterNode(code)) {
            AddMembers(node, set);
            return 0;
        }
        switch (code) {
            case kEnd:
            case kBackRef:
            case kBackRefCI:
                set.AddAll();
                break;
            case kInputEnd:
            case kLineEnd:
                set.Add(0);
                // A line end can also come before a separator or the pair. That holds for
                // every LineEnd node, including one that "(?m)" made while the object's
                // own m modifier is off.
                if ((settings_.modifiers & kModM) || code == kLineEnd) {
                    for (unsigned char ch : settings_.line_separator_characters) set.Add(ch);
                    if (settings_.pair_assigned) set.Add(settings_.pair_first);
                }
                break;
            case kInputStart:
            case kLineStart:
            case kWordBound:
            case kNotWordBound:
            case kNothing:
            case kComment:
            case kBack:
            case kLoopEntry:
                go_on = true;
                break;
            case kLiteral:
                set.Add(LiteralText(p_, node)[0]);
                break;
            case kLiteralCI:
                set.Add(LiteralText(p_, node)[0]);
                set.Add(Cp1251ToggleCase(LiteralText(p_, node)[0]));
                break;
            case kBranch:
                if (next == 0 || p_[next] != kBranch) {
                    next = OperandOf(node);
                    go_on = true;
                } else {
                    for (size_t alt = node; alt != 0 && p_[alt] == kBranch;
                         alt = NextNode(p_, alt)) {
                        push(OperandOf(alt));
                    }
                }
                break;
            case kStar:
            case kStarLazy:
            case kPlus:
            case kPlusLazy:
            case kBraces:
            case kBracesLazy: {
                Repetition repetition = ReadRepetition(p_, node);
                push(repetition.operand);
                go_on = repetition.minimum == 0;
                break;
            }
            case kLoop:
            case kLoopLazy:
                push(LoopBody(p_, node));
                if (ReadCountedLoop(p_, node).minimum == 0 || inside) push(next);
                break;
            default:
                if (IsOpen(code) || IsClose(code)) go_on = true;
                break;
        }
        return go_on ? next : 0;
    }

    // Fills the per-node side data: for every Branch that heads a greedy "x*" or "x+" and every
    // counted loop node, whether its pass has a fixed width without choices; for every
    // repetition and loop, the literal text that follows it; for every single-character node and
    // literal, its table of characters. Every node the matcher can reach is visited once, through
    // the links it follows: next links, operands and loop bodies.
    void IndexNodes() {
        program_.fixed_loop_of.assign(size_, -1);
        program_.follow_of.assign(size_, -1);
        program_.char_table_at.assign(size_, nullptr);
        program_.next_of.assign(size_, 0);
        for (size_t node = 1; node + kNodeHeaderSize <= size_; ++node) {
            program_.next_of[node] = static_cast<uint32_t>(NextNode(p_, node));
        }
        std::vector<bool> visited(size_, false);
        std::vector<size_t> work{1};
        while (!work.empty()) {
            size_t node = work.back();
            work.pop_back();
            if (node == 0 || node >= size_ || visited[node]) continue;
            visited[node] = true;
            unsigned char code = p_[node];
            size_t next = NextNode(p_, node);
            work.push_back(next);
            switch (code) {
                case kBranch:
                case kLoopEntry:
                    work.push_back(OperandOf(node));
                    break;
                case kLoop:
                case kLoopLazy:
                    work.push_back(LoopBody(p_, node));
                    break;
                default:
                    if (IsRepetition(code)) work.push_back(RepeatedNode(p_, node));
                    break;
            }
            if (IsSingleCharacterNode(code) || code == kLiteral || code == kLiteralCI) {
                IndexCharTable(node);
            }
            bool loop_head = code == kLoop || code == kLoopLazy ||
                             (code == kBranch && next != 0 && p_[next] == kBranch);
            if (code == kBranch && next != 0 && p_[next] == kBranch) IndexAlternatives(node);
            if (IsRepetition(code) || code == kLoop || code == kLoopLazy) {
                IndexFollow(node, next);
            } else if (loop_head) {
                IndexFollow(node, OperandOf(next));  // the rest after the loop
            }
            if (!loop_head) continue;
            FixedLoop loop;
            if (ExamineLoop(node, &loop)) {
                program_.fixed_loop_of[node] = static_cast<int32_t>(program_.fixed_loops.size());
                program_.fixed_loops.push_back(std::move(loop));
            }
        }
        IndexPassThrough(visited);
    }

    // Whether arriving at the node does nothing but go on to another, and to which.
    bool PassesThrough(size_t node, size_t* to) const {
        size_t next = NextNode(p_, node);
        switch (p_[node]) {
            case kNothing:
            case kComment:
                *to = next;
                return next != 0;
            case kBranch:
                *to = OperandOf(node);
                return next == 0 || p_[next] != kBranch;
            default:
                return false;
        }
    }

    // Fills pass_to and forward_of for the nodes the matcher can reach (every other offset keeps
    // itself and its next link). Links only go back through Back and loop nodes, which do not
    // pass through, so each chain ends; the bound guards against a program that says otherwise.
    void IndexPassThrough(const std::vector<bool>& visited) {
        program_.pass_to.resize(size_);
        for (size_t node = 0; node < size_; ++node) {
            size_t at = node;
            size_t to = 0;
            if (visited[node]) {
                for (size_t hops = 0; hops < size_ && PassesThrough(at, &to); ++hops) at = to;
            }
            program_.pass_to[node] = static_cast<uint32_t>(at);
        }
        program_.forward_of = program_.next_of;
        for (size_t node = 1; node < size_; ++node) {
            if (visited[node]) program_.forward_of[node] = program_.pass_to[program_.next_of[node]];
        }
    }

    // The characters the alternatives after the Branch `branch` can begin with, what follows them
    // included: where none of them can, the matcher keeps no choice for them.
    void IndexAlternatives(size_t branch) {
        CharSet members;
        for (size_t alt = NextNode(p_, branch); alt != 0 && p_[alt] == kBranch;
             alt = NextNode(p_, alt)) {
            ComputeStartSet(OperandOf(alt), members, /*inside=*/true);
        }
        alternative_tables_.emplace_back(branch, TableOf(members));
    }

    void IndexCharTable(size_t node) {
        CharSet members;
        OneCharacterMembers(node, members);
        node_tables_.emplace_back(node, TableOf(members));
    }

    // What must stand after the repetition or loop `owner`, whose rest begins at `node`.
    void IndexFollow(size_t owner, size_t node) {
        std::vector<size_t> tables;
        FixedRun run = RunFrom(node, kMaxFollowRun, tables);
        if (tables.empty()) return;
        size_t operand = IsRepetition(p_[owner]) ? RepeatedNode(p_, owner) : 0;
        CharSet members;
        if (operand != 0 && OneCharacterMembers(operand, members)) {
            const CharSet& first = table_sets_[tables[0]];
            run.exclusive = true;
            for (int i = 0; i < 4; ++i) {
                if (first.bits[i] & members.bits[i]) run.exclusive = false;
            }
        }
        program_.follow_of[owner] = static_cast<int32_t>(program_.follows.size());
        program_.follows.push_back(std::move(run));
        follow_tables_.push_back(std::move(tables));
    }

    // Points the runs and nodes at their tables, now that no more are added.
    void ResolveTables() {
        auto resolve = [this](FixedRun& run, const std::vector<size_t>& tables) {
            for (size_t index : tables) run.tables.push_back(program_.char_tables[index].data());
        };
        resolve(program_.prefix, prefix_tables_);
        for (size_t i = 0; i < program_.follows.size(); ++i) {
            resolve(program_.follows[i], follow_tables_[i]);
        }
        for (auto [node, index] : node_tables_) {
            program_.char_table_at[node] = program_.char_tables[index].data();
        }
        program_.alternatives_start_at.assign(size_, nullptr);
        for (auto [node, index] : alternative_tables_) {
            program_.alternatives_start_at[node] = program_.char_tables[index].data();
        }
    }

    // Whether the loop headed by `head` (a Branch with a second alternative, or a counted loop
    // node) has a fixed-width pass without choices. Both the "x*" form (Branch -> x -> Back ->
    // Branch) and the "x+" form (x -> Branch -> Back -> x -> Branch) are recognised.
    bool ExamineLoop(size_t head, FixedLoop* loop) const {
        if (p_[head] == kLoop || p_[head] == kLoopLazy) {
            // A counted loop: the body runs from its first node back to the loop node.
            return ExamineChain(LoopBody(p_, head), head, false, loop);
        }
        size_t rest = NextNode(p_, head);
        if (rest == 0 || p_[rest] != kBranch) return false;
        size_t after_rest = NextNode(p_, rest);
        if (after_rest != 0 && p_[after_rest] == kBranch) return false;
        size_t node = OperandOf(head);
        if (p_[node] == kBack) return ExamineChain(NextNode(p_, node), head, false, loop);
        return ExamineChain(node, head, true, loop);
    }

    // Walks one pass from `node` to its end: reaching `end` itself, or with `back_to_end` a Back
    // node leading to `end`. True when every node on the way has a fixed width and no choice.
    bool ExamineChain(size_t node, size_t end, bool back_to_end, FixedLoop* loop) const {
        for (size_t walked = 0; walked < size_; ++walked) {
            if (node == 0) return false;
            unsigned char code = p_[node];
            if (!back_to_end && node == end) break;
            if (back_to_end && code == kBack) {
                if (NextNode(p_, node) != end) return false;
                break;
            }
            if (IsSingleCharacterNode(code)) {
                loop->steps.emplace_back(node, loop->width);
                loop->width += 1;
                node = NextNode(p_, node);
                continue;
            }
            switch (code) {
                case kBranch: {
                    size_t next = NextNode(p_, node);
                    if (next != 0 && p_[next] == kBranch) return false;  // alternatives
                    node = OperandOf(node);
                    continue;
                }
                case kNothing:
                case kComment:
                    break;
                case kLiteral:
                case kLiteralCI: {
                    size_t length =
                        std::strlen(reinterpret_cast<const char*>(LiteralText(p_, node)));
                    if (length == 0) return false;
                    loop->steps.emplace_back(node, loop->width);
                    loop->width += static_cast<int64_t>(length);
                    break;
                }
                default:
                    if (IsOpen(code)) {
                        loop->writes.emplace_back(kSlotCaptureStart + (code - kOpenBase),
                                                  loop->width);
                    } else if (IsClose(code)) {
                        loop->writes.emplace_back(kSlotCaptureEnd + (code - kCloseBase),
                                                  loop->width);
                    } else {
                        return false;
                    }
                    break;
            }
            node = NextNode(p_, node);
        }
        return loop->width > 0;
    }

    Program& program_;
    const unsigned char* p_;
    size_t size_;
    const CompileSettings& settings_;
    std::map<std::array<uint64_t, 4>, size_t> table_index_;
    std::vector<CharSet> table_sets_;  // the members of each table in char_tables
    // The tables found, by index while char_tables still grows: of the prefix, of each follow (in
    // the order of program_.follows) and of each node.
    std::vector<size_t> prefix_tables_;
    std::vector<std::vector<size_t>> follow_tables_;
    std::vector<std::pair<size_t, size_t>> node_tables_;
    std::vector<std::pair<size_t, size_t>> alternative_tables_;  // of each Branch with alternatives
    // Marks of the nodes a start-set walk has visited: equal to the walk's generation.
    std::vector<uint32_t> visit_marks_;
    uint32_t visit_generation_ = 0;
};

}  // namespace

void DeriveSearchData(Program& program, int flags, const CompileSettings& settings) {
    Analysis(program, settings).Run(flags);
}

}  // namespace lintaro::regex
