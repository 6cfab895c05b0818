// Event sheets that test the bounded writer and the viewer: hostile ones (what a server could send)
// and the worst ones the bounds let through whole. The sheet tests check what each shows; the
// sheet benchmarks time each from the writer to a painted viewer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sheet/bounded_sheet.h"
#include "table/cp1251_text.h"

namespace lintaro::bench {

struct SampleSheet {
    std::string name;
    std::string sheet;                // UTF-8; the viewer gets it as Windows-1251
    std::vector<std::string> shown;   // texts the viewer shows
    std::vector<std::string> hidden;  // in neither the text nor the markup written
    int tables = -1;                  // tables written; -1: not checked
};

inline std::string Repeat(std::string_view piece, size_t count) {
    std::string out;
    out.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

inline std::string NestedTables(int levels) {
    std::string sheet;
    for (int level = 0; level < levels; ++level) {
        sheet += "<table><tr><td>L" + std::to_string(level) + " ";
    }
    return sheet;
}

// Distinct formatting elements closed at once, then a paragraph after paragraph: the parser
// rebuilds every one of them for each paragraph.
inline std::string RebuiltFormatting(size_t paragraphs) {
    std::string sheet = "<div>";
    for (int i = 0; sheet.size() < 16'000; ++i) sheet += "<font size=" + std::to_string(i) + ">";
    return sheet + "</div>" + Repeat("<p>x", paragraphs);
}

inline std::vector<SampleSheet> HostileSheets() {
    std::string ten_mb = "<table>";
    for (int row = 0; ten_mb.size() < 10'000'000; ++row) {
        ten_mb += "<tr><td>Фора " + std::to_string(row) + "</td><td>2.10</td></tr>";
    }
    std::string high_bytes;
    for (int byte = 128; byte < 256; ++byte) high_bytes += static_cast<char>(byte);
    return {
        {"nesting 5", NestedTables(5), {"L0", "L4"}, {}, 5},
        {"nesting 20", NestedTables(20), {"L0", "L6", "L7", "L19"}, {}, 5},
        {"nesting 260", NestedTables(260), {"L0", "L100", "L259"}, {}, 3},
        {"huge spans",
         "<table>" +
             Repeat("<tr>" + Repeat("<td colspan=100000 rowspan=100000>s</td>", 10) + "</tr>", 9) +
             "</table>",
         {"s"},
         {"100000"},
         1},
        {"10 MB", ten_mb, {"Фора 0", "Фора 700"}, {"Фора 100000"}, 1},
        {"broken markup",
         "<table><tr><td><b><i>open</table></p></td><font size=\"7>x</i>",
         {"open"},
         {},
         1},
        {"scripts",
         "<script>alert('s')</script><p>a<script src=x.js></script>b</p>"
         "<svg><script>evil()</script><text>svg text</text></svg>",
         {"a", "b", "svg text"},
         {"alert", "evil", "script", "x.js"},
         0},
        {"style",
         "<style>p{color:red}</style><p style=\"font-size:900pt\" class=big>s</p>",
         {"s"},
         {"color", "900", "big", "style"},
         0},
        {"frames",
         "<p>before</p><iframe src=\"file:///etc/passwd\">inside</iframe>"
         "<frameset><frame src=\"/etc/passwd\"></frameset><p>after</p>",
         {"before", "after"},
         {"passwd", "inside", "frame"},
         0},
        {"forms",
         "<form action=\"http://127.0.0.1:9/\">Ставка<input name=a value=v>"
         "<button onclick=\"go()\">Ок</button><select><option>Да</select></form>",
         {"Ставка", "Ок", "Да"},
         {"127.0.0.1", "input", "onclick", "go()", "form"},
         0},
        {"event handlers and links",
         "<p onmouseover=\"x()\"><a href=\"javascript:x()\" onclick=y()>a</a>"
         "<img src=\"http://127.0.0.1:9/i.png\" onerror=z() width=5000 height=50% alt=\"pic\"></p>"
         "<base href=\"http://127.0.0.1:9/\"><meta http-equiv=refresh content=\"0;url=x\">"
         "<link rel=stylesheet href=x.css><object data=x.swf>fallback</object>",
         {"a", "fallback"},
         {"javascript", "onclick", "onerror", "x()", "127.0.0.1", "href", "src", "refresh", "x.css",
          "x.swf"},
         0},
        {"huge images",
         Repeat("<img src=x.png width=100000 height=100000>", 500),
         {},
         {"x.png"},
         0},
        {"every byte 128-255",
         table::Cp1251ToUtf8(high_bytes),
         {"Ђ", "€", "Ё", "№", "А", "я"},
         {},
         0},
        {"formatting rebuilt at every paragraph", RebuiltFormatting(4'000), {"x"}, {}, 0},
        {"inline nesting", Repeat("<b>", 10'000) + "deep", {"deep"}, {}, 0},
        {"list nesting", Repeat("<ul><li>", 4'000) + "item", {"item"}, {}, 0},
        {"div nesting", Repeat("<div>", 6'000) + "block", {"block"}, {}, 0},
        {"paragraphs deep in tables",
         Repeat("<table><tr><td>", 8) + Repeat("<p>Фора", 4'000),
         {"Фора"},
         {},
         1},
        {"text deep in tables",
         Repeat("<table><tr><td>", 8) + Repeat("Тотал больше 2.5 ", 1'800),
         {"Тотал"},
         {},
         1},
    };
}

// A table of `rows` × `columns` cells (end tags left out, as pages do, to fit more in the input).
inline std::string Grid(int rows, int columns, std::string_view cell_attributes = "") {
    std::string table = "<table>";
    for (int row = 0; row < rows; ++row) {
        table += "<tr>";
        for (int column = 0; column < columns; ++column) {
            table += "<td";
            table += cell_attributes;
            table += '>';
            table += std::to_string(row * columns + column);
        }
    }
    return table + "</table>";
}

// One-cell tables nested `depth` - 1 deep around `inner`.
inline std::string Wrapped(int depth, const std::string& inner) {
    return Repeat("<table><tr><td>", depth - 1) + inner + Repeat("</td></tr></table>", depth - 1);
}

inline size_t Count(std::string_view text, std::string_view piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string_view::npos;
         at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// Whether the writer lets `utf8_sheet` through whole: all of it read, its `tables` tables written
// as tables, no row or table turned to text (which would add line breaks).
inline bool PassesWhole(const std::string& utf8_sheet, size_t tables) {
    const std::string sheet = table::Utf8ToCp1251(utf8_sheet);
    if (sheet.size() > sheet::kMaxSheetBytes) return false;
    const std::string written = sheet::WriteBoundedSheet(sheet);
    return Count(written, "<table") == tables && Count(written, "<br") == Count(utf8_sheet, "<br");
}

// The sheet `make(n)` for the largest n that passes whole (a shape grows with n), as a sample
// whose text shows the n-th piece, `shown(n)`.
template <class Make, class Shown>
SampleSheet Largest(std::string name, size_t tables, Make make, Shown shown) {
    int passes = 1, fails = 1;
    while (PassesWhole(make(fails), tables)) {
        passes = fails;
        fails *= 2;
    }
    while (fails - passes > 1) {
        const int middle = passes + (fails - passes) / 2;
        (PassesWhole(make(middle), tables) ? passes : fails) = middle;
    }
    return {name + " (" + std::to_string(passes) + ")",
            make(passes),
            {shown(passes)},
            {},
            static_cast<int>(tables)};
}

// The worst sheets the bounds let through whole, each the largest of its shape: the most cells,
// cells at the largest sizes, the most cells and the most content at each depth of nesting, spans,
// images and plain text.
inline std::vector<SampleSheet> WorstAllowedSheets() {
    const auto last = [](int columns) {
        return [columns](int n) { return std::to_string(n * columns - 1); };
    };
    const auto text = [](std::string piece) { return [piece](int) { return piece; }; };
    std::vector<SampleSheet> sheets;
    sheets.push_back(Largest(
        "rows of 2 cells", 1, [](int n) { return Grid(n, 2); }, last(2)));
    sheets.push_back(Largest(
        "rows of 50 cells", 1, [](int n) { return Grid(n, 50); }, last(50)));
    sheets.push_back(Largest(
        "rows of 2 cells at the largest sizes", 1,
        [](int n) {
            return "<table border=16 cellpadding=16 cellspacing=16 width=2000>" +
                   Grid(n, 2, " width=2000 height=2000 bgcolor=#fedcba").substr(7);
        },
        last(2)));
    for (int depth = 2; depth <= 7; ++depth) {
        const int columns = depth < 7 ? 2 : 1;
        sheets.push_back(Largest(
            "rows at depth " + std::to_string(depth), depth,
            [depth, columns](int n) { return Wrapped(depth, Grid(n, columns)); }, last(columns)));
    }
    for (int depth : {1, 2, 3, 5, 7}) {
        sheets.push_back(Largest(
            "paragraphs at depth " + std::to_string(depth), depth,
            [depth](int n) { return Wrapped(depth + 1, Repeat("<p>Фора", n)); }, text("Фора")));
    }
    for (int depth : {1, 2, 3}) {
        sheets.push_back(Largest(
            "text at depth " + std::to_string(depth), depth,
            [depth](int n) { return Wrapped(depth + 1, Repeat("Тотал больше 2.5 ", n)); },
            text("Тотал")));
    }
    sheets.push_back(Largest(
        "line breaks at depth 2", 2, [](int n) { return Wrapped(3, Repeat("1.85<br>", n)); },
        text("1.85")));
    // Bands of 8 rows under 5 cells that span 8 × 8 each.
    sheets.push_back(Largest(
        "8 x 8 spans", 1,
        [](int n) {
            std::string spans = "<table>";
            for (int band = 0; band < n; ++band) {
                spans += "<tr>" + Repeat("<td colspan=8 rowspan=8>s", 5) + Repeat("<tr>", 7);
            }
            return spans + "</table>";
        },
        text("s")));
    sheets.push_back(Largest(
        "200 x 200 images", 0, [](int n) { return Repeat("<img width=200 height=200>", n); },
        text("")));
    sheets.push_back(Largest(
        "text", 0, [](int n) { return Repeat("Тотал больше 2.5 ", n); }, text("Тотал")));
    sheets.push_back(Largest(
        "paragraphs", 0, [](int n) { return Repeat("<p>Фора", n); }, text("Фора")));
    sheets.push_back(Largest(
        "list items", 0, [](int n) { return Repeat("<li>Да", n); }, text("Да")));
    return sheets;
}

}  // namespace lintaro::bench
