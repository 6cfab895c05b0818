// URL splitting, path resolution and header folding on arbitrary text. The input is a base URL and
// a relative target separated by the first LF.
#include <cstdint>
#include <string>
#include <vector>

#include "http/net_header_list.h"
#include "http/net_uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lintaro;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = input.find('\n');
    const std::string base = input.substr(0, lf);
    const std::string target = lf == std::string::npos ? "" : input.substr(lf + 1);

    const http::TNetURI location = http::TNetURI::Split(base);
    const http::TNetURI relative = http::TNetURI::Split(target);
    const std::string path = http::ResolvePath(location.Path, relative.Path);
    // An absolute directory stays absolute.
    if (!location.Path.empty() && location.Path[0] == '/' && !path.empty() && path[0] != '/') {
        __builtin_trap();
    }
    // Resolution never adds bytes beyond one "/" per joined part.
    if (path.size() > location.Path.size() + relative.Path.size() + 1) __builtin_trap();

    // Folding only cuts at blanks and commas: dropping those, the pieces hold the line's bytes in
    // order, and every piece after the first begins with a space.
    const std::string line = "X-Fuzz: " + input;
    auto without_separators = [](const std::string& text) {
        std::string kept;
        for (char c : text) {
            if (c != ' ' && c != '\t' && c != ',' && c != '\r' && c != '\n') kept += c;
        }
        return kept;
    };
    const std::vector<std::string> pieces = http::TNetHeaderList::FoldLine(line);
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && (pieces[i].empty() || pieces[i][0] != ' ')) __builtin_trap();
        joined += pieces[i];
    }
    if (without_separators(joined) != without_separators(line)) __builtin_trap();
    http::TNetHeaderList headers;
    headers.SetValue("X-Fuzz", input);
    headers.Values("x-fuzz");
    return 0;
}
