// The bounded writer: one walk over Gumbo's tree (never recursive: a 32 KiB sheet can nest ten
// thousand elements deep) that writes the elements and attributes the viewer may see, charges every
// table row to the sheet's grid budget before it is written, and turns what passes a bound into
// text.
#include "sheet/bounded_sheet.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "sheet/budget_parse.h"
#include "sheet/sheet_attributes.h"
#include "table/cp1251_text.h"

namespace lintaro::sheet {

namespace {

// What the writer does with an element.
enum class Treatment {
    kKeep,    // written with its bounded attributes
    kDiv,     // a block container the viewer lacks: written as <div>, so its lines stay apart
    kUnwrap,  // the tag is dropped, its content written
    kSkip,    // dropped with its content: code, metadata, frames, things never shown as text
    kTable,   // table structure: bounded as a grid
    kRow,
    kCell,
    kCaption,
    kTableGroup,  // thead, tbody, tfoot: the rows are written without the group
};

Treatment TreatmentOf(const GumboElement& element) {
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML) {
        // SVG and MathML: their text is kept, their scripts and styles are not.
        const bool code = element.tag == GUMBO_TAG_SCRIPT || element.tag == GUMBO_TAG_STYLE;
        return code ? Treatment::kSkip : Treatment::kUnwrap;
    }
    switch (element.tag) {
        case GUMBO_TAG_P:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_B:
        case GUMBO_TAG_I:
        case GUMBO_TAG_U:
        case GUMBO_TAG_S:
        case GUMBO_TAG_STRONG:
        case GUMBO_TAG_EM:
        case GUMBO_TAG_SUB:
        case GUMBO_TAG_SUP:
        case GUMBO_TAG_FONT:
        case GUMBO_TAG_SPAN:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_CODE:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_A:
            return Treatment::kKeep;
        case GUMBO_TAG_ADDRESS:
        case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_ASIDE:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_CENTER:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_DETAILS:
        case GUMBO_TAG_DIR:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_FIELDSET:
        case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_FORM:
        case GUMBO_TAG_HEADER:
        case GUMBO_TAG_HGROUP:
        case GUMBO_TAG_LEGEND:
        case GUMBO_TAG_LISTING:
        case GUMBO_TAG_MAIN:
        case GUMBO_TAG_MENU:
        case GUMBO_TAG_NAV:
        case GUMBO_TAG_PLAINTEXT:
        case GUMBO_TAG_SECTION:
        case GUMBO_TAG_SUMMARY:
        case GUMBO_TAG_XMP:
            return Treatment::kDiv;
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_FRAMESET:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_PARAM:
        case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK:
        case GUMBO_TAG_AREA:
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_DATALIST:
        case GUMBO_TAG_BASEFONT:
        case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_COLGROUP:
        case GUMBO_TAG_COL:
            return Treatment::kSkip;
        case GUMBO_TAG_TABLE:
            return Treatment::kTable;
        case GUMBO_TAG_TR:
            return Treatment::kRow;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            return Treatment::kCell;
        case GUMBO_TAG_CAPTION:
            return Treatment::kCaption;
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_TFOOT:
            return Treatment::kTableGroup;
        default:
            return Treatment::kUnwrap;
    }
}

bool IsVoid(GumboTag tag) {
    return tag == GUMBO_TAG_BR || tag == GUMBO_TAG_HR || tag == GUMBO_TAG_IMG;
}

bool IsHeading(GumboTag tag) { return tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6; }

bool IsTableStructure(GumboTag tag) {
    return tag == GUMBO_TAG_TABLE || tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TBODY ||
           tag == GUMBO_TAG_TFOOT || tag == GUMBO_TAG_TR;
}

// The bounded value of attribute `name` on `tag`, or nothing when the element does not keep it.
std::optional<std::string> BoundAttribute(GumboTag tag, std::string_view name,
                                          std::string_view value) {
    const bool table = tag == GUMBO_TAG_TABLE;
    const bool cell = tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH;
    const bool row = tag == GUMBO_TAG_TR;
    const bool image = tag == GUMBO_TAG_IMG;
    if (name == "colspan" || name == "rowspan") {
        if (cell) return BoundSpan(value, kMaxSpan);
    } else if (name == "align") {
        if (table || row || cell || image || IsHeading(tag) || tag == GUMBO_TAG_P ||
            tag == GUMBO_TAG_DIV || tag == GUMBO_TAG_CAPTION || tag == GUMBO_TAG_HR) {
            return BoundAlign(value);
        }
    } else if (name == "valign") {
        if (row || cell) return BoundVerticalAlign(value);
    } else if (name == "width") {
        if (image) return BoundLength(value, kMaxImageExtent, false);
        if (table || cell || tag == GUMBO_TAG_HR) return BoundLength(value, kMaxLength, true);
    } else if (name == "height") {
        if (image) return BoundLength(value, kMaxImageExtent, false);
        if (table || row || cell) return BoundLength(value, kMaxLength, true);
    } else if (name == "border" || name == "cellpadding" || name == "cellspacing") {
        if (table) return BoundSpacing(value, kMaxSpacing);
    } else if (name == "bgcolor") {
        if (table || row || cell) return BoundColour(value);
    } else if (name == "color") {
        if (tag == GUMBO_TAG_FONT) return BoundColour(value);
    } else if (name == "size") {
        if (tag == GUMBO_TAG_FONT) return BoundFontSize(value);
    } else if (name == "alt") {
        if (image) return std::string(value);
    }
    return std::nullopt;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
}

// "<name a="v" ...>" with the attributes the element keeps.
std::string StartTag(const GumboElement& element, const char* name) {
    std::string tag = "<";
    tag += name;
    const GumboVector& attributes = element.attributes;
    for (unsigned i = 0; i < attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
        const std::optional<std::string> value =
            BoundAttribute(element.tag, attribute->name, attribute->value);
        if (!value) continue;
        tag += ' ';
        tag += attribute->name;
        tag += "=\"";
        AppendEscaped(tag, *value);
        tag += '"';
    }
    tag += '>';
    return tag;
}

int SpanOf(const GumboElement& cell, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&cell.attributes, name);
    if (attribute == nullptr) return 1;
    const std::optional<std::string> span = BoundSpan(attribute->value, kMaxSpan);
    return span ? std::stoi(*span) : 1;
}

// The table a row belongs to: its parent, or its group's parent.
const GumboNode* OwningTable(const GumboNode* row) {
    const GumboNode* parent = row->parent;
    if (parent != nullptr && parent->type == GUMBO_NODE_ELEMENT &&
        TreatmentOf(parent->v.element) == Treatment::kTableGroup) {
        parent = parent->parent;
    }
    return parent;
}

const GumboVector* ChildrenOf(const GumboNode* node) {
    if (node->type == GUMBO_NODE_DOCUMENT) return &node->v.document.children;
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
        return &node->v.element.children;
    }
    return nullptr;
}

// The grid budget counts in eighths of a slot: a paragraph or a line costs Qt's layout about an
// eighth of what a cell does.
constexpr long kUnitsPerSlot = 8;
constexpr long kBudget = kMaxGridSlots * kUnitsPerSlot;
// A cell's text beyond this many bytes costs a unit for each further this many bytes.
constexpr size_t kTextBytesPerUnit = 16;

// What a table's cells hold beyond their grid, in units: one for each block or line (paragraphs,
// breaks, list items, images, nested rows), one for every kTextBytesPerUnit bytes of a text past
// its first kTextBytesPerUnit. Counting stops once past `limit`.
long ContentUnits(const GumboNode* table, long limit) {
    long units = 0;
    std::vector<const GumboNode*> stack{table};
    while (!stack.empty() && units <= limit) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA) {
            const size_t length = std::strlen(node->v.text.text);
            if (length > kTextBytesPerUnit) {
                units += static_cast<long>((length - 1) / kTextBytesPerUnit);
            }
            continue;
        }
        if (node->type != GUMBO_NODE_ELEMENT) continue;
        const GumboElement& element = node->v.element;
        const Treatment treatment = TreatmentOf(element);
        if (treatment == Treatment::kSkip) continue;
        if (node != table && (treatment == Treatment::kDiv || treatment == Treatment::kRow ||
                              treatment == Treatment::kCaption || IsVoid(element.tag) ||
                              element.tag == GUMBO_TAG_P || element.tag == GUMBO_TAG_DIV ||
                              element.tag == GUMBO_TAG_LI || element.tag == GUMBO_TAG_PRE ||
                              element.tag == GUMBO_TAG_UL || element.tag == GUMBO_TAG_OL ||
                              IsHeading(element.tag))) {
            // The table's own rows are in its grid; rows of tables inside it are its content.
            const bool own_row = treatment == Treatment::kRow && OwningTable(node) == table;
            if (!own_row) ++units;
        }
        for (unsigned i = 0; i < element.children.length; ++i) {
            stack.push_back(static_cast<const GumboNode*>(element.children.data[i]));
        }
    }
    return units;
}

// One table being written: its place in the grid budget and how its rows are written.
struct TableState {
    long weight = 1;       // what one of its slots costs the budget, in slots
    bool as_text = false;  // too deep or no budget left: every row is text
    bool closed = false;   // a row passed the budget: the table is ended, the rest is text
    bool started = false;  // its start tag is written (deferred until a row or caption fits)
    bool row_as_text = false;
    std::string start_tag;
    long rows = 0;        // rows written
    long row_extent = 0;  // rows covered, rowspans included
    long columns = 0;
    std::vector<int> carried;  // per column: rows still covered by a rowspan from above
};

class Writer {
  public:
    std::string Write(const GumboNode* document);

  private:
    enum class Leave { kNothing, kEndTag, kEndTable, kEndCellAsText, kLineBreak };
    struct Frame {
        const GumboNode* node;
        unsigned next_child = 0;
        Leave leave = Leave::kNothing;
        const char* end_tag = nullptr;
        bool counted = false;  // holds one level of kMaxElementDepth
    };

    void Enter(const GumboNode* node, const GumboNode* parent);
    void EnterElement(const GumboNode* node);
    void EnterTable(const GumboNode* node);
    void EnterRow(const GumboNode* node);
    void EnterCell(const GumboNode* node);
    void EnterCaption(const GumboNode* node);
    void LeaveFrame(const Frame& frame);
    bool FitRow(TableState& table, const GumboElement& row);
    void StartTable(TableState& table);
    void Push(const GumboNode* node, Leave leave, const char* end_tag = nullptr,
              bool counted = false);

    std::string out_;
    std::vector<Frame> stack_;
    std::vector<TableState> tables_;
    long units_used_ = 0;  // of kBudget
    int element_depth_ = 0;
};

std::string Writer::Write(const GumboNode* document) {
    Push(document, Leave::kNothing);
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        const GumboVector* children = ChildrenOf(frame.node);
        if (children != nullptr && frame.next_child < children->length) {
            const GumboNode* parent = frame.node;
            Enter(static_cast<const GumboNode*>(children->data[frame.next_child++]), parent);
            continue;
        }
        const Frame done = frame;
        stack_.pop_back();
        LeaveFrame(done);
    }
    return std::move(out_);
}

void Writer::Push(const GumboNode* node, Leave leave, const char* end_tag, bool counted) {
    stack_.push_back(Frame{node, 0, leave, end_tag, counted});
}

void Writer::Enter(const GumboNode* node, const GumboNode* parent) {
    switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            // Text between rows and cells is never shown (the parser moves real text out of
            // tables).
            if (parent->type == GUMBO_NODE_ELEMENT && IsTableStructure(parent->v.element.tag)) {
                return;
            }
            AppendEscaped(out_, node->v.text.text);
            return;
        case GUMBO_NODE_ELEMENT:
            EnterElement(node);
            return;
        case GUMBO_NODE_DOCUMENT:
        case GUMBO_NODE_COMMENT:
        case GUMBO_NODE_TEMPLATE:
            return;
    }
}

void Writer::EnterElement(const GumboNode* node) {
    const GumboElement& element = node->v.element;
    switch (TreatmentOf(element)) {
        case Treatment::kSkip:
            return;
        case Treatment::kUnwrap:
        case Treatment::kTableGroup:
            Push(node, Leave::kNothing);
            return;
        case Treatment::kKeep:
        case Treatment::kDiv: {
            const bool div = TreatmentOf(element) == Treatment::kDiv;
            if (IsVoid(element.tag)) {
                out_ += StartTag(element, gumbo_normalized_tagname(element.tag));
                return;
            }
            if (element_depth_ >= kMaxElementDepth) {
                Push(node, Leave::kNothing);
                return;
            }
            const char* name = div ? "div" : gumbo_normalized_tagname(element.tag);
            out_ += element.tag == GUMBO_TAG_CENTER ? std::string("<div align=\"center\">")
                    : div                           ? std::string("<div>")
                                                    : StartTag(element, name);
            ++element_depth_;
            Push(node, Leave::kEndTag, name, true);
            return;
        }
        case Treatment::kTable:
            EnterTable(node);
            return;
        case Treatment::kRow:
            EnterRow(node);
            return;
        case Treatment::kCell:
            EnterCell(node);
            return;
        case Treatment::kCaption:
            EnterCaption(node);
            return;
    }
}

void Writer::EnterTable(const GumboNode* node) {
    TableState table;
    const size_t depth = tables_.size() + 1;
    for (size_t level = 1; level < depth && level <= kMaxTableDepth; ++level) {
        table.weight *= kNestingCost;
    }
    table.as_text = depth > kMaxTableDepth || units_used_ + kUnitsPerSlot * table.weight > kBudget;
    if (!table.as_text) {
        // What its cells hold is laid out once more for each level of nesting around it.
        const long content_weight = table.weight * kNestingCost;
        const long room = (kBudget - units_used_ - kUnitsPerSlot * table.weight) / content_weight;
        const long content = ContentUnits(node, room);
        if (content > room) {
            table.as_text = true;
        } else {
            units_used_ += content * content_weight;
        }
    }
    if (table.as_text) {
        // A table is a block: its text starts on a line of its own.
        if (!out_.empty() && out_.back() != '>') out_ += "<br>";
    } else {
        table.start_tag = StartTag(node->v.element, "table");
    }
    tables_.push_back(std::move(table));
    Push(node, Leave::kEndTable);
}

// Charges the row to the budget if the table's grid with it still fits; records its rowspans.
bool Writer::FitRow(TableState& table, const GumboElement& row) {
    std::vector<int> carried = table.carried;
    std::vector<int> added;
    long column = 0;
    long extent = table.rows + 1;
    const auto covered = [&](long c) {
        return c < static_cast<long>(carried.size()) && carried[c] > 0;
    };
    for (unsigned i = 0; i < row.children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(row.children.data[i]);
        if (child->type != GUMBO_NODE_ELEMENT ||
            TreatmentOf(child->v.element) != Treatment::kCell) {
            continue;
        }
        while (covered(column)) ++column;
        const int colspan = SpanOf(child->v.element, "colspan");
        const int rowspan = SpanOf(child->v.element, "rowspan");
        if (column + colspan > static_cast<long>(added.size())) added.resize(column + colspan, 0);
        for (long c = column; c < column + colspan; ++c) added[c] = rowspan - 1;
        column += colspan;
        extent = std::max(extent, table.rows + rowspan);
    }
    long width = column;
    for (long c = static_cast<long>(carried.size()) - 1; c >= width; --c) {
        if (carried[c] > 0) {
            width = c + 1;
            break;
        }
    }
    const long columns = std::max(table.columns, width);
    const long row_extent = std::max(table.row_extent, extent);
    const long cost =
        (row_extent * columns - table.row_extent * table.columns) * table.weight * kUnitsPerSlot;
    if (units_used_ + cost > kBudget) return false;
    units_used_ += cost;
    table.columns = columns;
    table.row_extent = row_extent;
    ++table.rows;
    carried.resize(std::max(carried.size(), added.size()), 0);
    for (size_t c = 0; c < carried.size(); ++c) {
        carried[c] = std::max(carried[c] - 1, 0);
        if (c < added.size() && added[c] > 0) carried[c] = added[c];
    }
    table.carried = std::move(carried);
    return true;
}

void Writer::StartTable(TableState& table) {
    if (table.started) return;
    out_ += table.start_tag;
    table.started = true;
}

void Writer::EnterRow(const GumboNode* node) {
    if (tables_.empty()) {
        Push(node, Leave::kLineBreak);
        return;
    }
    TableState& table = tables_.back();
    table.row_as_text = table.as_text || table.closed;
    if (!table.row_as_text && !FitRow(table, node->v.element)) {
        if (table.started) out_ += "</table>";
        table.closed = true;
        table.row_as_text = true;
    }
    if (table.row_as_text) {
        Push(node, Leave::kLineBreak);
        return;
    }
    StartTable(table);
    out_ += StartTag(node->v.element, "tr");
    Push(node, Leave::kEndTag, "tr");
}

void Writer::EnterCell(const GumboNode* node) {
    if (tables_.empty() || tables_.back().row_as_text) {
        Push(node, Leave::kEndCellAsText);
        return;
    }
    const char* name = gumbo_normalized_tagname(node->v.element.tag);
    out_ += StartTag(node->v.element, name);
    Push(node, Leave::kEndTag, name);
}

void Writer::EnterCaption(const GumboNode* node) {
    if (tables_.empty() || tables_.back().as_text || tables_.back().closed) {
        Push(node, Leave::kLineBreak);
        return;
    }
    StartTable(tables_.back());
    out_ += StartTag(node->v.element, "caption");
    Push(node, Leave::kEndTag, "caption");
}

void Writer::LeaveFrame(const Frame& frame) {
    switch (frame.leave) {
        case Leave::kNothing:
            break;
        case Leave::kEndTag:
            out_ += "</";
            out_ += frame.end_tag;
            out_ += '>';
            if (frame.counted) --element_depth_;
            break;
        case Leave::kEndTable:
            if (tables_.back().started && !tables_.back().closed) out_ += "</table>";
            tables_.pop_back();
            break;
        case Leave::kLineBreak:
            out_ += "<br>";
            break;
        case Leave::kEndCellAsText:
            out_ += ' ';
            break;
    }
}

// The text of markup the parser gave up on: tags removed, nothing else interpreted.
std::string TextWithoutMarkup(std::string_view utf8) {
    std::string out = "<p>";
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '<') {
            const size_t end = utf8.find('>', i);
            if (end == std::string_view::npos) break;
            out += ' ';
            i = end;
            continue;
        }
        AppendEscaped(out, utf8.substr(i, 1));
    }
    out += "</p>";
    return out;
}

}  // namespace

std::string WriteBoundedSheet(std::string_view cp1251_sheet) {
    const std::string utf8 = table::Cp1251ToUtf8(cp1251_sheet.substr(0, kMaxSheetBytes));
    const std::unique_ptr<ParsedHtml> parsed = ParsedHtml::Parse(utf8, kMaxParseBytes);
    if (parsed == nullptr) return TextWithoutMarkup(utf8);
    return Writer().Write(parsed->Document());
}

}  // namespace lintaro::sheet
