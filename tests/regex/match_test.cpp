// Matching: the semantics of every construct as a table of pattern, modifiers, subject and the
// matches found by Exec and ExecNext; search entry points and run-time errors; subjects long
// enough to overflow any matcher that recurses per iteration; loops that could repeat an empty
// match forever; inputs the fuzzer once found troublesome.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "regex/pattern.h"

namespace lintaro::regex {
namespace {

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

// "[s,e]" per match, followed by "(s,e)" or "(-)" for groups 1 up to the highest one set;
// matches separated by spaces, "none" when there is none.
std::string Slots(const TPattern& p) {
    std::string out = "[" + std::to_string(p.MatchPos(0)) + "," +
                      std::to_string(p.MatchPos(0) + p.MatchLen(0)) + "]";
    int highest = 0;
    for (int n = 1; n < TPattern::kCaptureSlots; ++n) {
        if (p.MatchPos(n) >= 0) highest = n;
    }
    for (int n = 1; n <= highest; ++n) {
        if (p.MatchPos(n) < 0 || p.MatchLen(n) < 0) {
            out += "(-)";
        } else {
            out += "(" + std::to_string(p.MatchPos(n)) + "," +
                   std::to_string(p.MatchPos(n) + p.MatchLen(n)) + ")";
        }
    }
    return out;
}

std::string AllMatches(TPattern& p, const std::string& subject) {
    std::string out;
    for (bool found = p.Exec(subject); found; found = p.ExecNext()) {
        if (!out.empty()) out += " ";
        out += Slots(p);
        if (out.size() > 2000) break;
    }
    return out.empty() ? "none" : out;
}

std::string AllMatches(const std::string& pattern, const std::string& modifiers,
                       const std::string& subject) {
    TPattern p;
    p.SetExpression(pattern);
    ApplyModifiers(p, modifiers);
    return AllMatches(p, subject);
}

struct MatchCase {
    const char* pattern;
    const char* modifiers;
    std::string subject;
    const char* matches;
};

void RunCases(const std::vector<MatchCase>& cases) {
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(std::string("pattern ") + c.pattern + " modifiers " + c.modifiers);
        EXPECT_EQ(AllMatches(c.pattern, c.modifiers, c.subject), c.matches);
    }
}

TEST(PatternMatchTest, RepetitionAlternativesAndCaptures) {
    RunCases({
        // Iteration: an empty match moves the next search one character on.
        {"a*", "", "baaa", "[0,0] [1,4] [4,4]"},
        {"a{2,3}", "", "aaaaa", "[0,3] [3,5]"},
        {"a{2,3}?", "", "aaaaa", "[0,2] [2,4]"},
        {"a{2}", "", "aaaaa", "[0,2] [2,4]"},
        {"a{2,}", "", "aaaaa", "[0,5]"},
        {".{0,10}b", "", "aaab", "[0,4]"},  // gives back one character at a time
        {"ab??", "", "ab", "[0,1]"},
        {"ab?", "", "ab", "[0,2]"},
        {"a+?", "", "aa", "[0,1] [1,2]"},
        {"a+", "-g", "aa", "[0,1] [1,2]"},  // g off: every quantifier is lazy
        {"a+?", "-g", "aa", "[0,1] [1,2]"},
        {"a|ab", "", "ab", "[0,1]"},  // alternatives in order, not the longest
        {"(a)|(b)", "", "b", "[0,1](-)(0,1)"},
        {"(a)b|ac", "", "ac", "[0,2]"},  // the failed alternative's capture is undone
        {"(a)*", "", "aaa", "[0,3](2,3) [3,3]"},
        {"(ab)*c", "", "ababc", "[0,5](2,4)"},
        {"((a)|b)+", "", "ab", "[0,2](1,2)(0,1)"},
        {"(a|ab)(c|bcd)(d*)", "", "abcd", "[0,4](0,1)(1,4)(4,4)"},
        {"(a|bc){2,3}d", "", "abcad", "[0,5](3,4)"},
        {"(a|bc){2,3}?d", "", "abcad", "[0,5](3,4)"},
        {"(a|b)*?c", "", "abbc", "[0,4](2,3)"},
        // Counted and lazy loops over a group of fixed width.
        {"(ab){2,3}c", "", "abababc ababc", "[0,7](4,6) [8,13](10,12)"},
        {"(ab){2,}", "", "abababa", "[0,6](4,6)"},
        {"(ab){3}", "", "ababab", "[0,6](4,6)"},
        {"(ab)*?c", "", "ababc", "[0,5](2,4)"},
        {"(a(b)){0,5}?x", "", "ababx", "[0,5](2,4)(3,4)"},
        {"(ab){2}?a", "", "ababa", "[0,5](2,4)"},
        {"(a|b)+?b", "", "aabb", "[0,3](1,2)"},
        {"(ab|a)??b", "", "ab", "[0,2](0,1)"},
        {"x(\\d+)y", "", "x123y", "[0,5](1,4)"},
        {"a*ab", "", "aaab", "[0,4]"},
        // A literal at a fixed distance from the start: only starts that far before it are tried.
        {"\\d{2}(<)x", "i", "1<x 12<X 34<x", "[4,8](6,7) [9,13](11,12)"},
        {".\xE0", "i",
         "a\xC0"
         "b\xE0\xE0",
         "[0,2] [2,4]"},
        {"(a|b)c", "", "acbc", "[0,2](0,1) [2,4](2,3)"},
        {"ab", "i", "ab AB aB Ab ab", "[0,2] [3,5] [6,8] [9,11] [12,14]"},
        {"a*?ab", "", "aaab", "[0,4]"},
        {"[^\\<]+", "", "ab<c", "[0,2] [3,4]"},
        {"([0-9\\s\\/]{6})", "ir", "x25/12 <", "[1,7](1,7)"},
        {"(.*?)\r", "", "ab\rcd\r", "[0,3](0,2) [3,6](3,5)"},
        // Back references, repeated ones counted in whole repetitions.
        {"(a+)b\\1", "", "aabaa", "[0,5](0,2)"},
        {"(ab)\\1*c", "", "abababc", "[0,7](0,2)"},
        {"(ab)\\1{1,2}?x", "", "abababx", "[0,7](0,2)"},
        {"(ab)\\1", "i", "abAB", "[0,4](0,2)"},
        {"(a)\\2", "", "aa", "none"},  // a group that took no part
        {"\\1(a)", "", "aa", "none"},
        // Anchors and word boundaries.
        {"\\bab\\b", "", "ab xab ab_ ab", "[0,2] [11,13]"},
        {"\\Bb", "", "ab b", "[1,2]"},
        {"\\Aa|b\\Z", "", "aab", "[0,1] [2,3]"},
        {"^a", "", "aa", "[0,1]"},
        // Escapes and classes.
        {"\\x41\\x{42}\\t\\.", "", "AB\t.", "[0,4]"},
        {"\\d\\D\\s\\S\\w\\W", "", "1a b_.", "[0,6]"},
        {"\\s", "", "\xA0 ", "[1,2]"},        // no-break space is not a blank
        {"\\w+", "", "\xE0\xE1z9", "[2,4]"},  // no Cyrillic letter is a word character
        {"[\\x00]", "", "ab", "none"},        // code 0 never occurs in a subject
        {"[^\\x00]", "", "a", "[0,1]"},
        {"\\x00", "", "ab", "none"},
        // Modifier groups hold to the end of their group.
        {"(?i)abc", "", "xABC", "[1,4]"},
        {"((?i)a)b", "", "Ab AB", "[0,2](0,1)"},
        {"a(?i)b|c", "", "aB C", "[0,2] [3,4]"},
        {"(?x) a b # comment\n c", "", "abc", "[0,3]"},
        {"(?#note)a", "", "a", "[0,1]"},
        // Literal text around an ill-formed count.
        {"a{,3}", "", "a{,3}", "[0,5]"},
        {"x{3", "", "x{3", "[0,3]"},
        {"{3}", "", "{3}", "[0,3]"},
    });
}

// The shortcuts the matcher takes must not change what it finds: counts skipped because what
// follows cannot stand after them (fixed-width pieces, classes and groups included), runs that
// keep no choice because their character cannot start what follows, starts screened 16 at a time
// (matches near block edges and the subject end), and alternatives not kept where none of them
// can begin.
TEST(PatternMatchTest, SearchShortcutsFindTheSameMatches) {
    const std::string padded = std::string(13, '.') + "12-x" + std::string(16, '.') + "34-x";
    RunCases({
        {".{0,10}([0-9]{2})x", "", "aa12x34x", "[0,8](5,7)"},
        {".{0,10}?([0-9]{2})x", "", "aa12x34x", "[0,5](2,4) [5,8](5,7)"},
        {"(.*)(<b )", "i", "<B x<b y<b", "[0,7](0,4)(4,7)"},
        {"(.*?)<DIV", "i", "x<di<div<div", "[0,8](0,4) [8,12](8,8)"},
        {".{0,4}\\)x", "", "a)b)x)", "[0,5]"},
        {"[^<]+<b", "", "ab<c<b", "[3,6]"},
        {"([^=]+)=>", "", "a=b=>c", "[2,5](2,3)"},
        {"x+y", "i", "xxXxY", "[0,5]"},
        {"\\d\\d-x", "", padded, "[13,17] [33,37]"},
        {"\\d\\d-x", "", std::string(30, '.') + "12-x", "[30,34]"},
        {"\\d\\d-x", "", std::string(30, '.') + "12-", "none"},
        {"^(ab|c)*$", "", "abcabcc", "[0,7](6,7)"},
        {"^(ab|c)*$", "", "abcab", "[0,5](3,5)"},
        {"^(ab|c)*$", "", "abca", "none"},
        {"(ab|a)*b", "", "aab", "[0,3](1,2)"},
        {"(c|ab|a)*$", "", "cab", "[0,3](1,3) [3,3]"},
        // Chains of literals, classes and group marks checked as one: one that runs past the
        // subject end, one in either case, and one after a run that gives back characters.
        {"x+(a)b\\dc", "", "xab1", "none"},
        {"(a)b\\dc", "", "ab1cxab1c", "[0,4](0,1) [5,9](5,6)"},
        {"(a)(B)\\s()\xE0", "i", "Ab \xC0", "[0,4](0,1)(1,2)(3,3)"},
        {".{0,4}(a)(b)c", "", "abxabc", "[0,6](3,4)(4,5)"},
    });
}

TEST(PatternMatchTest, LineSeparators) {
    const std::string text = "a\nb\rc\r\nd";  // LF at 1, lone CR at 3, CR LF at 5-6
    RunCases({
        {"$", "", "a\r\n", "[3,3]"},
        {"^", "m", text, "[0,0] [2,2] [4,4] [7,7]"},
        {"$", "m", text, "[1,1] [3,3] [5,5] [8,8]"},
        {"^\\w", "m", text, "[0,1] [2,3] [4,5] [7,8]"},
        {".", "", "\r\n", "[0,1] [1,2]"},
        {".+", "-s", "ab\r\ncd", "[0,2] [4,6]"},
        {".+", "-s", "a\rb", "[0,1] [2,3]"},
        {"(.)+", "-s", "ab\ncd", "[0,2](1,2) [3,5](4,5)"},
        {".*?d", "-s", "ab\r\ncd", "[4,6]"},
        {".{2}", "-s", "ab\ncd", "[0,2] [3,5]"},
        {"(?m)$", "", "a\nb", "[1,1] [3,3]"},  // m switched on inside the pattern only
        {"(?m)^b", "", "a\nb", "[2,3]"},
    });
    // Without the pair, CR and LF each end a line on their own.
    TPattern p;
    p.SetExpression("^");
    p.SetModifierByIndex(5, true);
    p.SetLinePairedSeparator("");
    EXPECT_EQ(AllMatches(p, text), "[0,0] [2,2] [4,4] [6,6] [7,7]");
    // Another pair: LF then CR.
    p.SetLinePairedSeparator("\n\r");
    EXPECT_EQ(AllMatches(p, "a\n\rb\r\nc"), "[0,0] [3,3] [5,5] [6,6]");
    // A pair of ordinary characters ends a line before it too.
    p.SetExpression("$");
    p.SetLinePairedSeparator("ab");
    EXPECT_EQ(AllMatches(p, "xaby\n"), "[1,1] [4,4] [5,5]");
}

TEST(PatternMatchTest, CaseFoldingOfWindows1251Letters) {
    RunCases({
        {"class=cap>", "i", "x CLASS=Cap>", "[2,12]"},
        {"\xE0\xE1\xE2", "i", "\xC0\xC1\xC2", "[0,3]"},  // абв / АБВ
        {"\xB8", "i", "\xA8\xB8", "[0,1] [1,2]"},        // ё / Ё
        {"\xA8+", "i", "\xB8\xA8", "[0,2]"},
        {"\xBF\xB3\xBA\xB4\x9A\xA2", "i", "\xAF\xB2\xAA\xA5\x8A\xA1",
         "[0,6]"},  // її іі єє ґґ љљ ўў
        {"\xE0", "", "\xC0", "none"},
        {"[\xE0-\xFF]+", "", "\xB8\xE6", "[0,2]"},    // r on: ё is in а-я
        {"[\xE0-\xFF]+", "-r", "\xB8\xE6", "[1,2]"},  // r off: the plain code range
        {"[\xC0-\xDF]", "", "\xA8", "[0,1]"},
        {"[\xE0-\xDF]+", "", "\xA8\xB8\xE0\xDF", "[0,4]"},
        {"[\xE0-\xFF]", "i", "\xA8", "[0,1]"},
        {"[^a]+", "i", "xAay", "[0,1] [3,4]"},
        {"\\w", "i", "\xE0", "none"},
    });
}

TEST(PatternMatchTest, SearchEntryPointsAndOffsets) {
    TPattern p;
    p.SetExpression("a*");
    EXPECT_TRUE(p.Exec("baaa"));
    EXPECT_TRUE(p.ExecPos(5));  // length + 1: an empty match at the end
    EXPECT_EQ(p.MatchPos(0), 4);
    EXPECT_EQ(p.MatchLen(0), 0);
    EXPECT_FALSE(p.ExecPos(6));
    EXPECT_EQ(p.MatchPos(0), -1);
    try {
        p.ExecPos(0);
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1006);
        EXPECT_STREQ(e.what(), "TPattern(exec): Offset Must Be Greater Then 0");
    }
    EXPECT_TRUE(p.ExecPos(3));
    EXPECT_EQ(p.Match(0), "aa");

    // After a failed search ExecNext has nothing to go on from.
    EXPECT_FALSE(p.ExecPos(6));
    try {
        p.ExecNext();
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1007);
        EXPECT_STREQ(e.what(), "TPattern(exec): ExecNext Without Exec[Pos]");
    }
    TPattern q;
    q.SetExpression("a");
    try {
        q.ExecPos(1);
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1005);
        EXPECT_STREQ(e.what(), "TPattern(exec): No Input String Specified");
    }
    EXPECT_THROW(q.ExecNext(), EPattern);

    // A stored subject without a search; anchors still see the whole subject.
    q.SetExpression("^b");
    q.SetInputString("bb");
    EXPECT_FALSE(q.ExecPos(2));
    EXPECT_TRUE(q.ExecPos(1));

    // Match() for slots outside the pattern or out of range.
    q.SetExpression("(a)|(b)");
    ASSERT_TRUE(q.Exec("b"));
    EXPECT_EQ(q.Match(1), "");
    EXPECT_EQ(q.Match(2), "b");
    EXPECT_EQ(q.Match(3), "");
    EXPECT_EQ(q.Match(20), "");
    EXPECT_EQ(q.Match(-1), "");
    EXPECT_EQ(q.MatchPos(20), -1);

    // The subject ends at its first NUL.
    q.SetExpression("b.*");
    ASSERT_TRUE(q.Exec(std::string("ab\0cd", 5)));
    EXPECT_EQ(q.Match(0), "b");

    // A failing compile during a search leaves no captures.
    q.SetExpression("(");
    EXPECT_THROW(q.Exec("b"), EPattern);
    EXPECT_EQ(q.MatchPos(0), -1);
}

TEST(PatternMatchTest, RequiredLiteralStaysCorrectAcrossIteration) {
    // "x*" at the start makes "abc" a required literal; ExecNext must still find every match and
    // none after the last occurrence.
    TPattern p;
    p.SetExpression("x*abc");
    std::string subject;
    std::string expected;
    for (int i = 0; i < 50; ++i) {
        int at = static_cast<int>(subject.size());
        subject += "..xabc";
        if (!expected.empty()) expected += " ";
        expected += "[" + std::to_string(at + 2) + "," + std::to_string(at + 6) + "]";
    }
    subject += "..ab";
    EXPECT_EQ(AllMatches(p, subject), expected);
    EXPECT_FALSE(p.ExecPos(static_cast<int>(subject.size()) - 3));
    // A new subject forgets where the literal was.
    EXPECT_TRUE(p.Exec("abc"));
    EXPECT_FALSE(p.Exec("ab"));
}

TEST(PatternMatchTest, LoopStackLimitAndConsistency) {
    // Ten nested counted loops are allowed; an eleventh open at once is an error.
    auto nested = [](int depth) {
        std::string pattern;
        for (int i = 0; i < depth; ++i) pattern += "(";
        pattern += "a";
        for (int i = 0; i < depth; ++i) pattern += ")+?";
        return pattern + "$";
    };
    TPattern p;
    p.SetExpression(nested(10));
    EXPECT_TRUE(p.Exec("aa"));
    p.SetExpression(nested(11));
    try {
        p.Exec("aa");
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1014);
        EXPECT_STREQ(e.what(), "TPattern(exec): Loop Stack Exceeded");
    }
    EXPECT_EQ(p.MatchPos(0), -1);

    // Backing into an alternative inside a counted loop after a failed exit meets the loop with
    // its own counter again.
    RunCases({
        {"(a|ab){1,2}c", "", "abc", "[0,3](0,2)"},
        {"(a|ab){1,2}?c", "", "abc", "[0,3](0,2)"},
        {"((a|ab){2}?x|(a|ab)c)*d", "", "abcd", "[0,4](0,3)(-)(0,2)"},
        {"(ab|a)(x|y){0,3}?(b|c)", "", "abxyc", "[0,5](0,2)(3,4)(4,5)"},
    });
}

TEST(PatternMatchTest, LoopsThatCouldRepeatAnEmptyMatchEnd) {
    RunCases({
        {"(a{0,2})*", "", "aaaaa", "[0,5](5,5) [5,5](5,5)"},
        {"(a{0,2})*b", "", "aaab", "[0,4](3,3)"},
        {"(a{0,2})+", "", "aaaaa", "[0,5](5,5) [5,5](5,5)"},
        {"(a{0,2})*?$", "", "b", "[1,1]"},
        {"(a{0,2}){2,}x", "", "ax", "[0,2](1,1)"},
        {"(a{0,2}|b)*c", "", "abbc", "[0,4](3,3)"},
        {"(a{0,1})\\1*b", "", "b", "[0,1](0,0)"},
        {"()\\1*x", "", "x", "[0,1](0,0)"},
        {"(x{0,1})\\1{0,99999999}y", "", "y", "[0,1](0,0)"},
        // A counted loop whose body can pass without consuming: what follows it can start a
        // match, and the mandatory passes all happen at the same place.
        {"(a{0,1}){2}b", "", "cb", "[1,2](1,1)"},
        {"(a{0,1}|b){9999}", "", "cc", "[0,0](0,0) [1,1](1,1) [2,2](2,2)"},
    });
}

TEST(PatternMatchTest, LongSubjectsUseNoCallStack) {
    // Each pass of a group with alternatives is a choice point; a matcher that recursed per
    // choice would overflow the stack long before these ends.
    {
        std::string subject;
        subject.reserve(4 << 20);
        while (subject.size() < (4u << 20)) subject += "abc";
        TPattern p;
        p.SetExpression("^(ab|c)*$");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), static_cast<int>(subject.size()));
        // The same loop backing off all the way to find what follows it.
        p.SetExpression("^(ab|c)*\\A");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), 0);
        EXPECT_EQ(p.MatchPos(1), -1);
    }
    // Loops whose passes all have one width and hold no choice, and "." under s off, keep one
    // choice for the whole run, however long.
    {
        std::string subject;
        subject.reserve(50u << 20);
        while (subject.size() < (50u << 20)) subject += "ab";
        TPattern p;
        p.SetExpression("^(a(b))*$");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), static_cast<int>(subject.size()));
        EXPECT_EQ(p.MatchPos(1), static_cast<int>(subject.size()) - 2);
        EXPECT_EQ(p.MatchPos(2), static_cast<int>(subject.size()) - 1);
        p.SetExpression("(ab)+(abx|a)");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), static_cast<int>(subject.size()) - 1);
        EXPECT_EQ(p.MatchPos(1), static_cast<int>(subject.size()) - 4);
    }
    {
        std::string subject(50u << 20, 'a');
        subject += "\r\nb";
        TPattern p;
        p.SetExpression("^.*a$");
        p.SetModifierByIndex(3, false);
        p.SetModifierByIndex(5, true);
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), 50 << 20);
        p.SetExpression("^(.+)+?\\r");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(1), 50 << 20);
        // Greedy star over a simple operand: one choice for the whole run.
        p.SetExpression("[a\\r\\n]*b");
        ASSERT_TRUE(p.Exec(subject));
        EXPECT_EQ(p.MatchLen(0), static_cast<int>(subject.size()));
    }
}

// A subject of 2 GiB or more is refused: positions and offsets are 32-bit. The subject is one
// MiB of text mapped again and again, so the test needs address space, not memory.
TEST(PatternMatchTest, SubjectsOf2GiBAreRefused) {
    constexpr size_t kPiece = 1 << 20;
    constexpr size_t kTotal = (size_t(2) << 30) + kPiece;
    int fd = memfd_create("subject", 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, kPiece), 0);
    std::string text(kPiece, 'a');
    ASSERT_EQ(pwrite(fd, text.data(), kPiece, 0), static_cast<ssize_t>(kPiece));
    void* area = mmap(nullptr, kTotal, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(area, MAP_FAILED);
    char* base = static_cast<char*>(area);
    for (size_t at = 0; at < kTotal; at += kPiece) {
        ASSERT_NE(mmap(base + at, kPiece, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0), MAP_FAILED);
    }
    TPattern p;
    p.SetExpression("a");
    ASSERT_TRUE(p.Exec("xa"));
    try {
        p.Exec(std::string_view(base, kTotal));
        ADD_FAILURE() << "a subject of 2 GiB was searched";
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1018);
    }
    // The refused subject left no subject and no captures behind.
    EXPECT_EQ(p.MatchPos(0), -1);
    EXPECT_THROW(p.ExecPos(1), EPattern);
    // Cut at a NUL inside the first 2 GiB, the same text is an ordinary subject.
    munmap(base, kPiece);
    ASSERT_NE(
        mmap(base, kPiece, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0),
        MAP_FAILED);
    std::memset(base, 'b', 100);
    base[100] = '\0';
    EXPECT_FALSE(p.Exec(std::string_view(base, kTotal)));
    p.SetExpression("b+");
    ASSERT_TRUE(p.Exec(std::string_view(base, kTotal)));
    EXPECT_EQ(p.MatchLen(0), 100);
    munmap(base, kTotal);
    close(fd);
}

TEST(PatternMatchTest, BacktrackLimitStopsAnExponentialSearch) {
    // Found by fuzzing: a repeated group of a repeated class before a back reference tries
    // exponentially many splits of a subject it cannot match.
    TPattern p;
    p.SetExpression("d|.([^\\<]+)*\\1");
    p.SetBacktrackLimit(100000);
    try {
        p.Exec("ab\\)([^\\<([0-9\\--0/b9\\s\\/]{6})r.{5,60}x>5</dv>(.*)<?");
        FAIL() << "the search should have hit the limit";
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1016);
        EXPECT_STREQ(e.what(), "TPattern(exec): Backtrack Limit Exceeded");
    }
    EXPECT_EQ(p.MatchPos(0), -1);
    // Millions of mandatory empty passes, each leaving an alternative to come back to (the "b"
    // that stands there), would only exhaust memory.
    TPattern q;
    q.SetExpression("(a{0,1}|b){99999999}");
    try {
        q.Exec("b");
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1016);
    }
    // Mandatory empty passes of nested counted loops are work without backing up.
    q.SetExpression("((a{0,1}){99999999}){99999999}");
    q.SetBacktrackLimit(100000);
    EXPECT_THROW(q.Exec("b"), EPattern);
    // A bound the search stays within changes nothing.
    p.SetExpression("(a|b)*c");
    EXPECT_EQ(AllMatches(p, "abababx abc"), "[8,11](9,10)");
}

// The step limit counts scanning too: a class that runs to the end of the subject from every start
// never backs up, yet takes time quadratic in the subject's length.
TEST(PatternMatchTest, BacktrackLimitCountsCharactersScanned) {
    // (The dot in front keeps the required-literal test from failing the search at once.)
    const std::string subject = "." + std::string(200000, 'a');
    TPattern p;
    p.SetExpression("[^.]+\\.");
    p.SetBacktrackLimit(1000000);
    try {
        p.Exec(subject);
        FAIL() << "the search should have hit the limit";
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1016);
    }
    p.SetBacktrackLimit(0);
    EXPECT_FALSE(p.Exec(std::string(2000, 'a')));
}

// A work budget is shared by Exec and every ExecNext over one subject, filled again for the next
// subject, and stops the walk that exhausts it with its own error and no captures.
TEST(PatternMatchTest, WorkBudgetBoundsAWholeWalkOverOneSubject) {
    TPattern p;
    p.SetExpression("a+b");
    std::string subject;
    for (int i = 0; i < 100; ++i) subject += "aaaaab";
    // Unbounded first, to learn what the walk costs.
    p.SetWorkBudget(1ULL << 40);
    int matches = 0;
    for (bool found = p.Exec(subject); found; found = p.ExecNext()) ++matches;
    EXPECT_EQ(matches, 100);
    const unsigned long long walk = p.WorkSpent();
    EXPECT_GT(walk, 100u);

    p.SetWorkBudget(walk / 2);
    matches = 0;
    try {
        for (bool found = p.Exec(subject); found; found = p.ExecNext()) ++matches;
        FAIL() << "the walk should have exhausted its budget";
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1017);
        EXPECT_STREQ(e.what(), "TPattern(exec): Work Budget Exceeded");
    }
    EXPECT_GT(matches, 10);  // the matches before it were found
    EXPECT_LT(matches, 100);
    EXPECT_EQ(p.MatchPos(0), -1);
    EXPECT_THROW(p.ExecNext(), EPattern);  // nothing to go on from

    // A new subject has the whole budget again; a walk within it is unchanged.
    EXPECT_TRUE(p.Exec("aaab"));
    EXPECT_EQ(Slots(p), "[0,4]");
    EXPECT_LE(p.WorkSpent(), walk / 2);

    // Quadratic scanning is bounded the same way: "[^.]+\." from every start of a text whose only
    // dot comes first.
    p.SetExpression("[^.]+\\.");
    const std::string dot_first = "." + std::string(100000, 'a');
    p.SetWorkBudget(32 * dot_first.size());
    try {
        p.Exec(dot_first);
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1017);
    }
    // A per-search limit below the budget reports itself.
    p.SetBacktrackLimit(1000);
    try {
        p.Exec(dot_first);
        FAIL();
    } catch (const EPattern& e) {
        EXPECT_EQ(e.Code, 1016);
    }
}

}  // namespace
}  // namespace lintaro::regex
