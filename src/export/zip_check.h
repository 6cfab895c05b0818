// A check of a finished .xlsx container: every XML part is read back and must be complete. The
// workbook library stages each part in a temporary file and does not notice when writing that file
// fails (a full /tmp, a file size limit), which would leave a cut-off worksheet in a file that
// looks finished; this check turns that into an error.
#pragma once

#include <optional>
#include <string>

namespace lintaro::worksheet {

// Reads the zip container at `path` and inflates every ".xml" and ".rels" part. Returns a
// description of the first problem (a part shorter than its recorded size, a checksum mismatch, a
// document that stops before its root element is closed, an unreadable container), or nullopt
// when every part is whole.
std::optional<std::string> FindIncompleteXmlPart(const std::string& path);

}  // namespace lintaro::worksheet
