// The bounded writer: real sheets come out as they went in (less their classes), hostile ones keep
// their text within every bound, checked by reading the output back with an HTML parser, and the
// benchmarks' worst cases pass whole.
#include "sheet/bounded_sheet.h"

#include <gtest/gtest.h>
#include <gumbo.h>

#include <set>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "demo_test_util.h"
#include "sheet/budget_parse.h"
#include "sheet_samples.h"
#include "table/cp1251_text.h"

namespace lintaro::sheet {
namespace {

using bench::Repeat;

std::string Write(std::string_view utf8_sheet) {
    return WriteBoundedSheet(table::Utf8ToCp1251(utf8_sheet));
}

// What the viewer would show as text: the output's text nodes, joined.
void CollectText(const GumboNode* node, std::string& text) {
    std::vector<const GumboNode*> stack{node};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n->type == GUMBO_NODE_TEXT || n->type == GUMBO_NODE_WHITESPACE) text += n->v.text.text;
        const GumboVector* children = n->type == GUMBO_NODE_ELEMENT    ? &n->v.element.children
                                      : n->type == GUMBO_NODE_DOCUMENT ? &n->v.document.children
                                                                       : nullptr;
        if (children == nullptr) continue;
        for (unsigned i = children->length; i > 0; --i) {
            stack.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
        }
    }
}

struct Checked {
    std::string text;  // the output's text
    int tables = 0;    // tables written
    int deepest_table = 0;
    long weighted_slots = 0;
};

long Integer(const GumboElement& element, const char* name, long missing) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute ? std::stol(attribute->value) : missing;
}

// Reads the writer's output back and fails the test on anything outside the bounds.
Checked CheckBounds(const std::string& output) {
    static const std::set<std::string> kElements = {
        "html",   "head", "body", "p",   "br",      "hr",   "b",   "i",   "u",     "s",
        "strong", "em",   "sub",  "sup", "font",    "span", "div", "pre", "code",  "h1",
        "h2",     "h3",   "h4",   "h5",  "h6",      "ul",   "ol",  "li",  "table", "thead",
        "tbody",  "tr",   "td",   "th",  "caption", "img",  "a"};
    static const std::set<std::string> kAttributes = {
        "colspan",     "rowspan",     "align",   "valign", "width", "height", "border",
        "cellpadding", "cellspacing", "bgcolor", "color",  "size",  "alt"};
    const std::unique_ptr<ParsedHtml> parsed = ParsedHtml::Parse(output, 64 << 20);
    Checked checked;
    if (parsed == nullptr) {
        ADD_FAILURE() << "output does not parse";
        return checked;
    }
    CollectText(parsed->Document(), checked.text);
    struct Item {
        const GumboNode* node;
        int tables;    // enclosing tables
        int elements;  // enclosing elements other than table structure
    };
    std::vector<Item> stack{{parsed->Document(), 0, 0}};
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const GumboNode* node = item.node;
        const GumboVector* children = &node->v.document.children;
        int tables = item.tables;
        int elements = item.elements;
        if (node->type == GUMBO_NODE_ELEMENT) {
            const GumboElement& element = node->v.element;
            const std::string name = gumbo_normalized_tagname(element.tag);
            EXPECT_TRUE(kElements.count(name)) << name;
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                const auto* attribute =
                    static_cast<const GumboAttribute*>(element.attributes.data[i]);
                const std::string attribute_name = attribute->name;
                EXPECT_TRUE(kAttributes.count(attribute_name)) << name << " " << attribute_name;
                if (attribute_name == "alt") continue;
                const std::string value = attribute->value;
                if (attribute_name == "width" || attribute_name == "height") {
                    const long length = std::stol(value);
                    const long max = name == "img" ? kMaxImageExtent : kMaxLength;
                    EXPECT_LE(length, value.back() == '%' ? 100 : max) << value;
                } else if (attribute_name == "colspan" || attribute_name == "rowspan") {
                    EXPECT_LE(std::stol(value), kMaxSpan);
                    EXPECT_GE(std::stol(value), 1);
                } else if (attribute_name == "size") {
                    EXPECT_GE(std::stol(value), 1);
                    EXPECT_LE(std::stol(value), 7);
                } else if (attribute_name == "border" || attribute_name == "cellpadding" ||
                           attribute_name == "cellspacing") {
                    EXPECT_LE(std::stol(value), kMaxSpacing);
                }
            }
            if (element.tag == GUMBO_TAG_TABLE) {
                ++tables;
                ++checked.tables;
                checked.deepest_table = std::max(checked.deepest_table, tables);
                // The table's grid: rows (rowspans included) by columns (colspans included).
                long rows = 0, extent = 0, columns = 0;
                std::vector<const GumboNode*> walk{node};
                while (!walk.empty()) {
                    const GumboNode* n = walk.back();
                    walk.pop_back();
                    if (n->type != GUMBO_NODE_ELEMENT) continue;
                    if (n->v.element.tag == GUMBO_TAG_TR) {
                        long width = 0;
                        for (unsigned i = 0; i < n->v.element.children.length; ++i) {
                            const auto* cell =
                                static_cast<const GumboNode*>(n->v.element.children.data[i]);
                            if (cell->type != GUMBO_NODE_ELEMENT) continue;
                            width += Integer(cell->v.element, "colspan", 1);
                            extent =
                                std::max(extent, rows + Integer(cell->v.element, "rowspan", 1));
                        }
                        // Cells below a rowspan sit right of it: their row is at least as wide.
                        columns = std::max(columns, width);
                        ++rows;
                        continue;
                    }
                    if (n != node && n->v.element.tag == GUMBO_TAG_TABLE) continue;
                    // Pushed last to first, so that rows come off in document order.
                    for (unsigned i = n->v.element.children.length; i > 0; --i) {
                        walk.push_back(
                            static_cast<const GumboNode*>(n->v.element.children.data[i - 1]));
                    }
                }
                long weight = 1;
                for (int level = 1; level < tables; ++level) weight *= kNestingCost;
                checked.weighted_slots += std::max(rows, extent) * columns * weight;
            } else if (element.tag != GUMBO_TAG_TR && element.tag != GUMBO_TAG_TD &&
                       element.tag != GUMBO_TAG_TH && element.tag != GUMBO_TAG_TBODY &&
                       element.tag != GUMBO_TAG_HTML && element.tag != GUMBO_TAG_BODY) {
                ++elements;
                EXPECT_LE(elements, kMaxElementDepth) << name;
            }
            children = &element.children;
        }
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) continue;
        for (unsigned i = 0; i < children->length; ++i) {
            stack.push_back({static_cast<const GumboNode*>(children->data[i]), tables, elements});
        }
    }
    EXPECT_LE(checked.deepest_table, kMaxTableDepth);
    EXPECT_LE(checked.weighted_slots, kMaxGridSlots);
    return checked;
}

TEST(BoundedSheetTest, RealSheetsComeOutAsTheyWentInLessTheirClasses) {
    const demo::FirstLine line =
        demo::BuildFirstLine(testing_util::DemoTestOptions(300), testing_util::kDemoToday);
    int tables = 0;
    for (const table::OddsRecord& row : line.rows) {
        const std::string sheet = row.dop_info.value_or("");
        SCOPED_TRACE(sheet);
        std::string expected = table::Cp1251ToUtf8(sheet);
        for (const std::string_view cls : {" class=\"dop\"", " class=m"}) {
            for (size_t at; (at = expected.find(cls)) != std::string::npos;) {
                expected.erase(at, cls.size());
            }
        }
        const std::string output = WriteBoundedSheet(sheet);
        EXPECT_EQ(output, expected);
        tables += CheckBounds(output).tables;
    }
    EXPECT_GT(tables, 250);
}

TEST(BoundedSheetTest, HostileSheetsKeepTheirTextWithinTheBounds) {
    for (const bench::SampleSheet& sample : bench::HostileSheets()) {
        SCOPED_TRACE(sample.name);
        const std::string output = Write(sample.sheet);
        const Checked checked = CheckBounds(output);
        for (const std::string& shown : sample.shown) {
            EXPECT_NE(checked.text.find(shown), std::string::npos) << shown;
        }
        for (const std::string& hidden : sample.hidden) {
            EXPECT_EQ(output.find(hidden), std::string::npos) << hidden;
        }
        EXPECT_EQ(checked.tables, sample.tables);
    }
}

// The benchmarks' worst cases are the largest of their shapes that pass whole, within the bounds.
TEST(BoundedSheetTest, WorstSheetsTheBoundsAllowPassWhole) {
    const std::vector<bench::SampleSheet> samples = bench::WorstAllowedSheets();
    EXPECT_GE(samples.size(), 20u);
    for (const bench::SampleSheet& sample : samples) {
        SCOPED_TRACE(sample.name);
        EXPECT_TRUE(bench::PassesWhole(sample.sheet, sample.tables));
        const Checked checked = CheckBounds(Write(sample.sheet));
        for (const std::string& shown : sample.shown) {
            EXPECT_NE(checked.text.find(shown), std::string::npos) << shown;
        }
        EXPECT_EQ(checked.tables, sample.tables);
    }
}

TEST(BoundedSheetTest, AttributesAreClampedOrDropped) {
    struct Case {
        const char* sheet;
        const char* output;
    };
    const Case cases[] = {
        {"<table border=100 cellpadding=-3 cellspacing=7 width=99999 height=250% bgcolor=\"red;x\">"
         "<tr bgcolor=#ABCDEF valign=TOP><td colspan=0 rowspan=9 width=33.3% align=Center "
         "valign=sideways bgcolor=navy>c</td></tr></table>",
         "<table border=\"16\" cellpadding=\"0\" cellspacing=\"7\" width=\"2000\" height=\"100%\">"
         "<tr bgcolor=\"#abcdef\" valign=\"top\"><td colspan=\"1\" rowspan=\"8\" width=\"33%\" "
         "align=\"center\" bgcolor=\"navy\">c</td></tr></table>"},
        {"<font size=+9 color=\"#12\">a</font><font size=-1 color=Red>b</font><font "
         "size=0>c</font>",
         "<font size=\"7\">a</font><font size=\"2\" color=\"red\">b</font><font "
         "size=\"1\">c</font>"},
        {"<img src=x.png width=1000 height=20px alt='a\"b'><img width=50% height=-4>",
         "<img width=\"200\" height=\"20\" alt=\"a&quot;b\"><img>"},
        {"<p align=right id=x>p</p><h2 align=justify>h</h2><hr width=5000 size=9>",
         "<p align=\"right\">p</p><h2 align=\"justify\">h</h2><hr width=\"2000\">"},
        {"<center>c</center><blockquote>q</blockquote><strike>s</strike>",
         "<div align=\"center\">c</div><div>q</div>s"},
        {"x < y &amp; \"z\" &lt;b&gt;", "x &lt; y &amp; &quot;z&quot; &lt;b&gt;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        EXPECT_EQ(Write(c.sheet), c.output);
    }
}

// Every table row is charged before it is written, and a table's content when it starts; the first
// row that would pass the budget, and the rest of its table, become text.
TEST(BoundedSheetTest, RowsPastTheGridBudgetBecomeText) {
    const auto rows = [](int count, int columns) {
        std::string table = "<table>";
        for (int row = 0; row < count; ++row) {
            table += "<tr>";
            for (int column = 0; column < columns; ++column) table += "<td>c</td>";
            table += "</tr>";
        }
        return table + "</table>";
    };
    struct Case {
        const char* name;
        std::string sheet;
        long rows_kept;
        bool rows_as_text;
    };
    // In eighths of a slot: the outer cell (8), each inner row as the outer table's content (one
    // eighth, three times over at depth 1), each inner row's two slots at depth 2 (2 × 8 × 3).
    const long inner_rows = 400;
    const long nested_rows = (kMaxGridSlots * 8 - 8 - inner_rows * kNestingCost) / (2 * 8 * 3);
    const Case cases[] = {
        {"exactly the budget", rows(kMaxGridSlots / 2, 2), kMaxGridSlots / 2, false},
        {"one row more", rows(kMaxGridSlots / 2 + 1, 2), kMaxGridSlots / 2, true},
        {"nested one deep costs three a slot",
         "<table><tr><td>" + rows(inner_rows, 2) + "</td></tr></table>", nested_rows + 1, true},
        {"rowspans count the rows they cover",
         "<table><tr><td rowspan=8>r</td><td>c</td></tr></table>" + rows(kMaxGridSlots / 2, 2),
         1 + (kMaxGridSlots - 16) / 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = Write(c.sheet);
        CheckBounds(output);
        long kept = 0;
        for (size_t at = 0; (at = output.find("<tr>", at)) != std::string::npos; ++at) ++kept;
        EXPECT_EQ(kept, c.rows_kept);
        EXPECT_EQ(output.find("c c <br>") != std::string::npos, c.rows_as_text);
    }
}

TEST(BoundedSheetTest, ParseOverItsMemoryBudgetGivesUpAndShowsTheText) {
    const std::string fonts = bench::RebuiltFormatting(100);
    EXPECT_EQ(ParsedHtml::Parse(fonts, kMaxParseBytes), nullptr);
    const std::unique_ptr<ParsedHtml> small = ParsedHtml::Parse("<p>a</p>", kMaxParseBytes);
    ASSERT_NE(small, nullptr);
    EXPECT_LT(small->PeakBytes(), 64u * 1024);

    const std::string output = Write(fonts + "<b>fin</b>");
    EXPECT_EQ(output.rfind("<p>", 0), 0u);
    EXPECT_NE(output.find(" x "), std::string::npos);
    EXPECT_NE(output.find("fin"), std::string::npos);
    EXPECT_EQ(output.find("<font"), std::string::npos);
}

}  // namespace
}  // namespace lintaro::sheet
