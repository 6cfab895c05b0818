// The pre-decoded records of a compiled program (Op, program.h): built once, after the search data,
// from the node bytes and the tables the analysis derived; read-only from then on like the rest.
#include "regex/decode.h"

#include <cstring>
#include <map>

#include "base/cp1251_case.h"

namespace lintaro::regex {
namespace {

class Decoder {
  public:
    explicit Decoder(Program& program)
        : program_(program), p_(program.bytes.data()), size_(program.bytes.size()) {}

    void Run() {
        program_.ops.clear();
        program_.literal_forms.clear();
        program_.op_at.assign(size_, 0);
        program_.ops.push_back(Op{});  // record 0: no node
        Number();
        for (size_t i = 1; i < program_.ops.size(); ++i) Decode(program_.ops[i]);
        FindStretches();
        program_.first_op = program_.op_at[program_.pass_to[1]];
    }

  private:
    // Gives every node the walk can reach a record, in the order of the offsets, through the
    // links the matcher follows: next links, operands and loop bodies.
    void Number() {
        std::vector<bool> visited(size_, false);
        std::vector<size_t> work{1};
        while (!work.empty()) {
            size_t node = work.back();
            work.pop_back();
            if (node == 0 || node >= size_ || visited[node]) continue;
            visited[node] = true;
            unsigned char code = p_[node];
            work.push_back(NextNode(p_, node));
            if (code == kBranch || code == kLoopEntry) {
                work.push_back(OperandOf(node));
            } else if (code == kLoop || code == kLoopLazy) {
                work.push_back(LoopBody(p_, node));
            } else if (IsRepetition(code)) {
                work.push_back(RepeatedNode(p_, node));
            }
        }
        for (size_t node = 1; node < size_; ++node) {
            if (!visited[node]) continue;
            program_.op_at[node] = static_cast<uint32_t>(program_.ops.size());
            Op op{};
            op.node = static_cast<uint32_t>(node);
            op.code = p_[node];
            program_.ops.push_back(op);
        }
    }

    void Decode(Op& op) {
        const size_t node = op.node;
        const unsigned char code = op.code;
        op.kind = kOpFail;  // no other code is ever emitted
        op.next = program_.op_at[program_.forward_of[node]];
        switch (code) {
            case kBranch:
                op.kind = kOpBranch;
                return;
            case kBack:
                op.kind = kOpBack;
                return;
            case kBackRef:
            case kBackRefCI:
                op.kind = kOpBackRef;
                return;
            case kNothing:
            case kComment:
                op.kind = kOpPass;
                return;
            case kLoopEntry:
                op.kind = kOpLoopEntry;
                return;
            case kLoop:
            case kLoopLazy:
                op.kind = kOpLoop;
                return;
            case kEnd:
                op.kind = kOpEnd;
                return;
            case kInputStart:
            case kInputEnd:
            case kLineStart:
            case kLineEnd:
            case kWordBound:
            case kNotWordBound:
                op.kind = kOpAssertion;
                return;
            case kLiteral:
            case kLiteralCI:
                DecodeLiteral(op);
                return;
            case kAnyNotLineSep:
                op.kind = kOpNotLineSep;
                return;
            default:
                break;
        }
        if (IsSingleCharacterNode(code)) {
            op.kind = kOpSingle;
            op.table = program_.CharTableAt(node);
        } else if (IsOpen(code)) {
            op.kind = kOpOpen;
            op.arg = static_cast<uint8_t>(kSlotCaptureStart + (code - kOpenBase));
        } else if (IsClose(code)) {
            op.kind = kOpClose;
            op.arg = static_cast<uint8_t>(kSlotCaptureEnd + (code - kCloseBase));
        } else if (IsRepetition(code)) {
            DecodeRun(op);
        }
    }

    void DecodeLiteral(Op& op) {
        const unsigned char* text = LiteralText(p_, op.node);
        size_t length = std::strlen(reinterpret_cast<const char*>(text));
        if (length == 0) {
            op.kind = kOpFail;  // "\x00": no subject holds that character
            return;
        }
        op.kind = op.code == kLiteral ? kOpLiteral : kOpLiteralCI;
        op.minimum = static_cast<int32_t>(length);
        op.text = static_cast<uint32_t>(program_.literal_forms.size());
        auto& forms = program_.literal_forms;
        forms.insert(forms.end(), text, text + length);
        if (op.kind == kOpLiteralCI) {
            for (size_t i = 0; i < length; ++i) forms.push_back(base::kCp1251ToggleCase[text[i]]);
        }
    }

    // A repetition of one character; one of a back reference stays with the node bytes.
    void DecodeRun(Op& op) {
        Repetition rep = ReadRepetition(p_, op.node);
        const unsigned char operand = p_[rep.operand];
        if (operand == kBackRef || operand == kBackRefCI) {
            op.kind = kOpRepeat;
            return;
        }
        op.kind = kOpRun;
        op.minimum = static_cast<int32_t>(rep.minimum);
        op.maximum = static_cast<int32_t>(rep.maximum);
        op.follow = program_.FollowAt(op.node);
        if (rep.lazy) op.flags |= kOpLazy;
        if (!rep.lazy && op.follow != nullptr && op.follow->exclusive) op.flags |= kOpExclusive;
        if (rep.minimum == rep.maximum) op.flags |= kOpOneCount;
        const unsigned char* t = p_ + OperandOf(rep.operand);
        if (operand == kAnyChar) {
            op.arg = kScanAll;
        } else if (operand == kAnyButTiny && t[0] == t[1] && t[1] == t[2]) {
            op.arg = kScanUntil;
            op.text = t[0];
        } else {
            op.arg = kScanTable;
            op.table = program_.CharTableAt(rep.operand);
        }
    }

    // The longest run a stretch takes in as positions of its own.
    static constexpr int32_t kMostRunPositions = 32;

    static bool InStretch(const Op& op) {
        if (op.kind == kOpRun) {
            return op.minimum == op.maximum && op.arg == kScanTable &&
                   op.maximum <= kMostRunPositions;
        }
        return op.kind == kOpLiteral || op.kind == kOpLiteralCI || op.kind == kOpSingle ||
               op.kind == kOpOpen || op.kind == kOpClose;
    }

    // Makes the head of every chain of two records or more that InStretch admits a stretch. A
    // record that another of the chain leads to is no head; a chain of more records than a
    // stretch takes goes on in a stretch of its own.
    void FindStretches() {
        std::vector<Op>& ops = program_.ops;
        std::vector<bool> led_to(ops.size(), false);
        for (const Op& op : ops) {
            if (InStretch(op) && InStretch(ops[op.next])) led_to[op.next] = true;
        }
        for (size_t i = 1; i < ops.size(); ++i) {
            if (led_to[i] || !InStretch(ops[i])) continue;
            for (uint32_t head = static_cast<uint32_t>(i); head != 0;) head = MakeStretch(head);
        }
    }

    // Builds the stretch headed by `head`; returns the record a further stretch of the same
    // chain begins with, or 0. The steps follow what each record's own step counts: one for
    // entering it (the head's is counted by the walk); a run one more per character scanned and
    // one past them, checked against the limits, and one for its look ahead when it has one.
    uint32_t MakeStretch(uint32_t head) {
        std::vector<Op>& ops = program_.ops;
        constexpr int kMostRecords = 255;
        Stretch stretch;
        StretchSteps spent;  // up to the record at hand
        auto add_position = [&](const bool* table, StretchSteps failed) {
            stretch.tables.push_back(table);
            stretch.failed.push_back(failed);
            ++stretch.width;
        };
        int records = 0;
        uint32_t at = head;
        for (; InStretch(ops[at]) && records < kMostRecords; at = ops[at].next) {
            const Op& op = ops[at];
            if (records++ > 0) ++spent.unchecked;
            switch (op.kind) {
                case kOpOpen:
                case kOpClose:
                    stretch.writes.emplace_back(stretch.width, op.arg);
                    break;
                case kOpSingle:
                    add_position(op.table, spent);
                    break;
                case kOpRun: {
                    // Failing at its k-th character, the scan counted k + 1.
                    const uint32_t before = spent.checked + spent.unchecked;
                    for (int32_t k = 0; k < op.minimum; ++k) {
                        add_position(op.table, {before + static_cast<uint32_t>(k) + 1, 0});
                    }
                    spent = {before + static_cast<uint32_t>(op.minimum) + 1, 0};
                    if (!(op.flags & kOpExclusive) && op.follow != nullptr) ++spent.checked;
                    break;
                }
                default: {
                    const unsigned char* text = program_.literal_forms.data() + op.text;
                    for (int32_t j = 0; j < op.minimum; ++j) {
                        unsigned char other =
                            op.kind == kOpLiteralCI ? text[op.minimum + j] : text[j];
                        add_position(LetterTable(text[j], other), spent);
                    }
                    break;
                }
            }
        }
        if (records < 2) return 0;
        stretch.matched = spent;
        Op& first = ops[head];
        first.kind = kOpStretch;
        first.text = static_cast<uint32_t>(program_.stretches.size());
        first.next = at;
        program_.stretches.push_back(std::move(stretch));
        return InStretch(ops[at]) && InStretch(ops[ops[at].next]) ? at : 0;
    }

    // The table that admits `one` and `other` alone, shared by every position that does.
    const bool* LetterTable(unsigned char one, unsigned char other) {
        auto key = std::make_pair(std::min(one, other), std::max(one, other));
        auto it = letter_tables_.find(key);
        if (it != letter_tables_.end()) return it->second;
        std::array<bool, 256>& table = program_.stretch_tables.emplace_back();
        table.fill(false);
        table[one] = table[other] = true;
        letter_tables_.emplace(key, table.data());
        return table.data();
    }

    Program& program_;
    std::map<std::pair<unsigned char, unsigned char>, const bool*> letter_tables_;
    const unsigned char* p_;
    size_t size_;
};

}  // namespace

void DecodeProgram(Program& program) { Decoder(program).Run(); }

}  // namespace lintaro::regex
