// Fuzz target of the event sheet's bounded writer: any bytes as a Windows-1251 sheet. The output
// is scanned tag by tag: only the kept elements and attributes, every value quoted and escaped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "sheet/bounded_sheet.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckTags(std::string_view html) {
    static const std::set<std::string_view> kElements = {
        "p",    "br",   "hr",  "b",     "i",    "u",  "s",  "strong",  "em",  "sub", "sup",
        "font", "span", "div", "pre",   "code", "h1", "h2", "h3",      "h4",  "h5",  "h6",
        "ul",   "ol",   "li",  "table", "tr",   "td", "th", "caption", "img", "a"};
    static const std::set<std::string_view> kAttributes = {
        "colspan",     "rowspan",     "align",   "valign", "width", "height", "border",
        "cellpadding", "cellspacing", "bgcolor", "color",  "size",  "alt"};
    size_t at = 0;
    while ((at = html.find('<', at)) != std::string_view::npos) {
        ++at;
        if (at < html.size() && html[at] == '/') ++at;
        const size_t name_end = html.find_first_of(" >", at);
        Check(name_end != std::string_view::npos);
        Check(kElements.count(html.substr(at, name_end - at)) == 1);
        at = name_end;
        while (at < html.size() && html[at] == ' ') {
            const size_t equals = html.find("=\"", at);
            Check(equals != std::string_view::npos);
            Check(kAttributes.count(html.substr(at + 1, equals - at - 1)) == 1);
            const size_t close = html.find('"', equals + 2);
            Check(close != std::string_view::npos);
            Check(html.substr(equals + 2, close - equals - 2).find('<') == std::string_view::npos);
            at = close + 1;
        }
        Check(at < html.size() && html[at] == '>');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view sheet(reinterpret_cast<const char*>(data), size);
    CheckTags(lintaro::sheet::WriteBoundedSheet(sheet));
    return 0;
}
