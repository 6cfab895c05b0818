// Compilation of patterns: error codes, texts and positions, the program bytes of representative
// constructs, the search data derived from a program, and the settings that force a recompile.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "regex/pattern.h"

namespace lintaro::regex {
namespace {

// Switches modifiers by letters: those before a "-" on, those after it off ("ir", "-s", "i-g").
void ApplyModifiers(TPattern& p, const std::string& modifiers) {
    bool on = true;
    for (char m : modifiers) {
        if (m == '-') {
            on = false;
        } else {
            p.SetModifierByIndex(static_cast<int>(std::string("irsgmx").find(m)) + 1, on);
        }
    }
}

// Compiles `pattern` under `modifiers`; returns the EPattern raised, if any.
struct CompileOutcome {
    bool failed = false;
    int code = 0;
    int position = 0;
    std::string message;
};

CompileOutcome CompileWith(const std::string& pattern, const std::string& on = "") {
    TPattern p;
    p.SetExpression(pattern);
    ApplyModifiers(p, on);
    CompileOutcome out;
    try {
        p.Compile();
    } catch (const EPattern& e) {
        out = {true, e.Code, e.Position, e.what()};
    }
    return out;
}

TEST(PatternCompileTest, ErrorsCarryCodeAndPosition) {
    struct Case {
        std::string pattern;
        std::string on;
        int code;
        int position;
    };
    std::string twenty_groups;
    for (int i = 0; i < 20; ++i) twenty_groups += "(a)";
    const std::vector<Case> cases = {
        {"*a", "", 115, 1},
        {"?", "", 115, 1},
        {"a)", "", 104, 1},
        {"(a", "", 103, 2},
        {"(a*)*", "", 106, 4},
        {"(\\b)+", "", 106, 4},
        {"^*", "", 106, 1},
        {"^{2}", "", 106, 1},
        {"a**", "", 107, 2},
        {"a*?*", "", 107, 3},
        {"a{2}{3}", "", 107, 4},
        {"[z-a]", "", 109, 4},
        {"[\xE0-\xDF]", "-r", 109, 4},  // а-Я is a range only with r on
        {"\\x{100}", "", 112, 6},
        {"\\x4", "", 111, 3},
        {"\\x", "", 111, 2},
        {"\\x{4", "", 111, 4},
        {"\\xg1", "", 108, 3},
        {"x{123456789}", "", 122, 11},
        {"x{2,1}", "", 124, 5},
        {"(?:x)", "", 127, 3},
        {"(?i", "", 127, 3},
        {"(?#abc", "", 125, 6},
        {"[abc", "", 113, 4},
        {"[a\\", "", 110, 3},
        {"a\\", "", 116, 2},
        {twenty_groups, "", 102, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        CompileOutcome out = CompileWith(c.pattern, c.on);
        ASSERT_TRUE(out.failed);
        EXPECT_EQ(out.code, c.code);
        EXPECT_EQ(out.position, c.position);
    }
}

TEST(PatternCompileTest, ErrorMessagesAreExactAndOnlyCompileErrorsNameAPosition) {
    EXPECT_EQ(CompileWith("*a").message, "TPattern(comp): ?+*{ Follows Nothing (pos 1)");
    EXPECT_EQ(CompileWith("a)").message, "TPattern(comp): ParseReg Unmatched () (pos 1)");
    EXPECT_EQ(CompileWith("a\\").message, "TPattern(comp): Trailing \\ (pos 2)");
    EXPECT_EQ(CompileWith("x{2,1}").message,
              "TPattern(comp): BRACE Min Param Greater then Max (pos 5)");
    EXPECT_EQ(CompileWith("(?:x)").message, "TPattern(comp): Urecognized Modifier (pos 3)");

    TPattern p;
    try {
        p.Exec("x");
        FAIL() << "a search without an expression must fail";
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1003);
        EXPECT_EQ(e.Position, 0);
        EXPECT_STREQ(e.what(), "TPattern(exec): Not Assigned Expression Property");
    }
    try {
        p.SetModifierByIndex(7, true);
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1013);
        EXPECT_STREQ(e.what(), "Unknown error");
    }
    EXPECT_THROW(p.GetModifierByIndex(0), EPattern);
    for (const char* bad : {"a", "aa", "abc"}) {
        SCOPED_TRACE(bad);
        try {
            p.SetLinePairedSeparator(bad);
            FAIL();
        } catch (const EPattern& e) {
            EXPECT_EQ(e.Code, 128);
            EXPECT_STREQ(e.what(),
                         "TPattern(comp): LinePairedSeparator must countain two different chars "
                         "or no chars at all (pos 0)");
        }
    }
}

TEST(PatternCompileTest, OddLookingPatternsThatCompile) {
    std::string nineteen_groups;
    for (int i = 0; i < 19; ++i) nineteen_groups += "(a)";
    for (const std::string& pattern :
         {std::string("a{,3}"), std::string("x{3"), std::string("{3}"), std::string("(a*)?"),
          std::string("a{"), std::string("]}"), std::string("\\0"), std::string("[]a]"),
          std::string("[\\x00]"), nineteen_groups}) {
        SCOPED_TRACE(pattern);
        EXPECT_FALSE(CompileWith(pattern).failed);
    }
}

// Program bytes: a node is its code, a 4-byte little-endian link and its operand.
std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}
std::string Node(int code, int link) {
    return Bytes({code, link & 0xFF, (link >> 8) & 0xFF, (link >> 16) & 0xFF, (link >> 24) & 0xFF});
}
std::string Int(int v) { return Node(v & 0xFF, v >> 8).substr(0, 4); }

std::string ProgramOf(const std::string& pattern, const std::string& on = "") {
    TPattern p;
    p.SetExpression(pattern);
    ApplyModifiers(p, on);
    p.Compile();
    return std::string(p.ProgramBytes());
}

TEST(PatternCompileTest, ProgramBytesOfRepresentativeConstructs) {
    const std::string sig = Bytes({216});
    struct Case {
        std::string pattern;
        std::string on;
        std::string program;
    };
    const std::vector<Case> cases = {
        // "a", then Star over "b", then "c": the quantifier takes only the run's last character.
        {"ab*c", "",
         sig + Node(6, 31) + Node(8, 7) + "a" + Bytes({0}) + Node(10, 12) + Node(8, 0) + "b" +
             Bytes({0}) + Node(8, 7) + "c" + Bytes({0}) + Node(0, 0)},
        // Two alternatives; the group holds its own single Branch.
        {"(a)|b", "",
         sig + Node(6, 27) + Node(40, 5) + Node(6, 12) + Node(8, 7) + "a" + Bytes({0}) +
             Node(60, 17) + Node(6, 12) + Node(8, 7) + "b" + Bytes({0}) + Node(0, 0)},
        // Greedy star of a group: Branch, the group, Back to the Branch, Branch with Nothing.
        {"(a)*", "",
         sig + Node(6, 47) + Node(6, 32) + Node(40, 5) + Node(6, 12) + Node(8, 7) + "a" +
             Bytes({0}) + Node(60, 5) + Node(7, -27) + Node(6, 5) + Node(9, 5) + Node(0, 0)},
        // A counted loop of a group: LoopEntry, the group, Loop with min, max, offset back.
        {"(a){2}", "",
         sig + Node(6, 49) + Node(23, 27) + Node(40, 5) + Node(6, 12) + Node(8, 7) + "a" +
             Bytes({0}) + Node(60, 5) + Node(24, 17) + Int(2) + Int(2) + Int(-22) + Node(0, 0)},
        {"a{2,3}", "",
         sig + Node(6, 25) + Node(18, 20) + Int(2) + Int(3) + Node(8, 0) + "a" + Bytes({0}) +
             Node(0, 0)},
        {"a??", "",
         sig + Node(6, 25) + Node(32, 20) + Int(0) + Int(1) + Node(8, 0) + "a" + Bytes({0}) +
             Node(0, 0)},
        {"\\2", "i", sig + Node(6, 11) + Node(29, 6) + Bytes({2}) + Node(0, 0)},
        {"[^\\<]", "i", sig + Node(6, 13) + Node(26, 8) + "<<<" + Node(0, 0)},
        {"[\\r\\n]", "i", sig + Node(6, 13) + Node(25, 8) + Bytes({10, 13, 13}) + Node(0, 0)},
        {"[a]", "i", sig + Node(6, 13) + Node(25, 8) + "Aaa" + Node(0, 0)},
        {"AB", "i", sig + Node(6, 13) + Node(20, 8) + "AB" + Bytes({0}) + Node(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(ProgramOf(c.pattern, c.on), c.program);
    }
}

// The members of the one class node of a pattern compiled to a single AnyOfSet.
std::string SetMembers(const std::string& pattern, const std::string& on) {
    std::string program = ProgramOf(pattern, on);
    EXPECT_EQ(static_cast<unsigned char>(program[6]), 27) << "not an AnyOfSet";
    std::string members;
    for (int ch = 0; ch < 256; ++ch) {
        if ((static_cast<unsigned char>(program[11 + ch / 8]) >> (ch % 8)) & 1) {
            members.push_back(static_cast<char>(ch));
        }
    }
    return members;
}

TEST(PatternCompileTest, ClassMembers) {
    EXPECT_EQ(SetMembers("[0-9\\s\\/]", "i"), "\t\n\f\r /0123456789");
    EXPECT_EQ(SetMembers("[a-\\d]", ""), "-0123456789a");
    EXPECT_EQ(SetMembers("[]a-c]", ""), "]abc");
    EXPECT_EQ(SetMembers("[-abc]", ""), "-abc");
    EXPECT_EQ(SetMembers("[abc-]", ""), "-abc");
    EXPECT_EQ(SetMembers("[a-c-e]", ""), "-abce");
    EXPECT_EQ(SetMembers("[\\x41-\\x{44}]", ""), "ABCD");
    EXPECT_EQ(SetMembers("[\\D\\S\\W\\b]", ""), "DSWb");  // no class escapes but \d \s \w
    // ё (184) and Ё (168) join the Cyrillic ranges with r on only.
    std::string lower = SetMembers("[\xE0-\xFF]", "r");
    EXPECT_EQ(lower.size(), 33u);
    EXPECT_NE(lower.find('\xB8'), std::string::npos);
    EXPECT_EQ(SetMembers("[\xE0-\xFF]", "-r").find('\xB8'), std::string::npos);
    std::string upper = SetMembers("[\xC0-\xDF]", "r");
    EXPECT_EQ(upper.size(), 33u);
    EXPECT_NE(upper.find('\xA8'), std::string::npos);
    EXPECT_EQ(SetMembers("[\xE0-\xDF]", "r").size(), 66u);
    // Case doubling in a class with i on, including the letters outside the alphabets.
    EXPECT_EQ(SetMembers("[\xB8\xBFq\xE6]", "i"), "Qq\xA8\xAF\xB8\xBF\xC6\xE6");
    // A negated class of more than three members is stored complemented.
    std::string negated = SetMembers("[^abcd]", "");
    EXPECT_EQ(negated.size(), 252u);
    EXPECT_EQ(negated.find('a'), std::string::npos);
}

TEST(PatternCompileTest, SearchData) {
    TPattern p;
    p.SetExpression("abc");
    p.Compile();
    EXPECT_EQ(p.StartChar(), 'a');
    EXPECT_FALSE(p.Anchored());
    EXPECT_TRUE(p.RequiredLiteral().empty());  // no repetition at the start

    p.SetModifierByIndex(1, true);  // with i on a literal gives no start character
    p.Compile();
    EXPECT_EQ(p.StartChar(), 0);

    p.SetExpression("class=cap>");
    p.Compile();
    for (int ch = 0; ch < 256; ++ch) {
        EXPECT_EQ(p.InStartCharSet(static_cast<unsigned char>(ch)), ch == 'c' || ch == 'C') << ch;
    }

    TPattern q;
    q.SetExpression("^ab");
    q.Compile();
    EXPECT_TRUE(q.Anchored());
    q.SetExpression("x*abc(de)fg+h");
    q.Compile();
    EXPECT_EQ(q.RequiredLiteral(), "abc");  // the longest literal on the main chain
    q.SetExpression("a*bc(de)fg");
    q.Compile();
    EXPECT_EQ(q.RequiredLiteral(), "fg");  // a later literal wins a tie
    q.SetExpression("a|b*cd");
    q.Compile();
    EXPECT_TRUE(q.RequiredLiteral().empty());  // two alternatives
    EXPECT_EQ(q.StartChar(), 0);
    q.SetExpression("[ab]?\\d");
    q.Compile();
    std::string starts;
    for (int ch = 0; ch < 256; ++ch) {
        if (q.InStartCharSet(static_cast<unsigned char>(ch)))
            starts.push_back(static_cast<char>(ch));
    }
    EXPECT_EQ(starts, "0123456789ab");
    // A loop that can come back to itself without consuming: the walk still ends.
    q.SetExpression("(a{0,2})*b");
    q.Compile();
    EXPECT_TRUE(q.InStartCharSet('a'));
    EXPECT_TRUE(q.InStartCharSet('b'));
    EXPECT_FALSE(q.InStartCharSet('c'));
}

TEST(PatternCompileTest, RecompilesOnlyWhenSomethingChanged) {
    TPattern p;
    p.SetExpression("a.c");
    EXPECT_TRUE(p.Exec("a\nc"));
    const std::string with_s = std::string(p.ProgramBytes());
    p.SetModifierByIndex(3, false);  // s off: "." no longer takes a line break
    EXPECT_FALSE(p.Exec("a\nc"));
    EXPECT_NE(std::string(p.ProgramBytes()), with_s);
    p.SetModifierByIndex(3, true);
    EXPECT_TRUE(p.Exec("a\nc"));

    // A compile error leaves no program; the next search tries again and fails the same way.
    p.SetExpression("(a");
    EXPECT_THROW(p.Exec("a"), EPattern);
    EXPECT_TRUE(p.ProgramBytes().empty());
    EXPECT_THROW(p.Exec("a"), EPattern);
    EXPECT_EQ(p.Match(0), "");

    // An empty expression means none, even after an earlier one compiled.
    p.SetExpression("a");
    EXPECT_TRUE(p.Exec("a"));
    p.SetExpression("");
    EXPECT_EQ(p.Expression(), "");
    try {
        p.Exec("a");
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1003);
    }

    // The pattern ends at its first NUL.
    p.SetExpression(std::string("ab\0c", 4));
    EXPECT_EQ(p.Expression(), "ab");
    EXPECT_TRUE(p.Exec("xab"));

    // Modifier defaults: r, s and g on.
    TPattern d;
    const bool defaults[] = {false, true, true, true, false, false};
    for (int index = 1; index <= 6; ++index) {
        EXPECT_EQ(d.GetModifierByIndex(index), defaults[index - 1]) << index;
    }
}

}  // namespace
}  // namespace lintaro::regex
