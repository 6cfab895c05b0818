// Random patterns from the part of our dialect whose meaning PCRE2 shares, each written twice: in
// our own syntax and as a PCRE2 pattern with the same meaning. The differential test runs both
// engines on the same subjects and compares every capture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lintaro::regex {

// Modifiers of one generated case, as the matcher's indexes 1 to 5 take them (x stays off).
struct CaseModifiers {
    bool caseless = false;        // i: ASCII letters only, since PCRE2 knows no Windows-1251 pairs
    bool cyrillic_ranges = true;  // r
    bool dot_all = true;          // s
    bool greedy = true;           // g
    bool multi_line = false;      // m
};

// What a family of cases leans on; the probabilities are in percent.
struct GeneratorProfile {
    int caseless_percent = 0;
    int cyrillic_ranges_percent = 50;
    int dot_all_percent = 100;
    int greedy_percent = 100;
    int multi_line_percent = 0;
    int anchor_percent = 4;  // ^ $ \A \Z \b \B among atoms
    int group_percent = 18;
    int backref_percent = 4;
    int class_percent = 15;
    int cyrillic_percent = 0;  // Cyrillic letters in literals, classes and subjects (never with i)
    int line_break_percent = 8;  // CR, LF and CR LF in subjects
    int max_depth = 3;
    int max_subject_length = 20;
    int fixed_prefix_percent = 0;  // patterns that open with fixed-width runs and then a literal
};

struct GeneratedPattern {
    std::string ours;   // our dialect
    std::string pcre2;  // PCRE2 syntax, compiled with PCRE2_CASELESS when modifiers.caseless
    CaseModifiers modifiers;
    std::vector<char> alphabet;  // characters the pattern's literals and classes lean on
};

// A small deterministic generator (xorshift), so every run sees the same cases.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next();
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    bool Percent(int p) { return Below(100) < p; }

  private:
    uint64_t state_;
};

class PatternGenerator {
  public:
    PatternGenerator(const GeneratorProfile& profile, uint64_t seed);

    GeneratedPattern NextPattern();
    // A subject built mostly from the pattern's own alphabet, with line breaks as the profile asks.
    std::string NextSubject(const GeneratedPattern& pattern);

  private:
    struct Piece;
    struct GroupInfo {
        bool closed = false;
        bool nullable = false;
    };

    Piece Alternation(int depth);
    Piece Sequence(int depth);
    Piece Quantified(int depth);
    Piece Atom(int depth);
    Piece Literal();
    Piece Class();
    Piece Anchor();
    Piece FixedPrefix();
    Piece Quantify(Piece atom, bool simple);
    unsigned char LiteralChar();

    GeneratorProfile profile_;
    Random random_;
    CaseModifiers modifiers_;
    bool cyrillic_ = false;
    std::vector<GroupInfo> groups_;
    int loops_ = 0;
    std::vector<char> alphabet_;
};

// Writes bytes readably for failure reports: printable ASCII as is, everything else as \xHH.
std::string Printable(const std::string& bytes);

}  // namespace lintaro::regex
