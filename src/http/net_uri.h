// URLs as the client keeps them: split into protocol, host, port, directory path, document, query
// and fragment, with the resolution of relative paths that redirects need. Bytes are kept as they
// are: nothing is percent-encoded or decoded.
#pragma once

#include <string>

namespace lintaro::http {

struct TNetURI {
    std::string Protocol;
    std::string Host;
    std::string Port;      // as written, possibly not a number
    std::string Path;      // the directory; in a full location it begins and ends with "/"
    std::string Document;  // the name after the path
    std::string Params;    // the query with its leading "?"
    std::string Bookmark;  // the fragment; never sent
    std::string Username;
    std::string Password;
    bool Absolute = false;  // written with "://": names its own scheme, host and port

    // Splits `url` ("\" read as "/"). With "://" it is absolute: the path gets a leading "/" and
    // the document loses its fragment; without, it is relative (a redirect target) and the path is
    // kept as written.
    static TNetURI Split(const std::string& url);
};

// The scheme a relative reference opens with ("javascript" for "javascript:alert(1)", "mailto"
// for "mailto:a@b"): a letter followed by letters, digits, "+", "-" or ".", then ":", before any
// "/", "?" or "#". Empty when the text has none, as for "page.html" or "127.0.0.1:8080/x".
std::string LeadingScheme(const std::string& url);

// Resolves path `path` against directory `base`: an absolute path stands, a relative one is
// appended, ".." steps one directory up and doubled slashes collapse. A trailing "/" stays only
// when `path` had one or was empty.
std::string ResolvePath(const std::string& base, const std::string& path);

}  // namespace lintaro::http
