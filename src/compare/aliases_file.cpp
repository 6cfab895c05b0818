// The aliases file changed line by line, and replaced through a temporary file and a rename.
#include "compare/aliases_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "compare/aliases.h"
#include "compare/name_words.h"
#include "compare/sport_names.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {

using table::Utf8ToCp1251;

namespace {

// One line of the file: its bytes with their end, and what it links when it is a link.
struct FileLine {
    std::string bytes;
    bool link = false;
    std::string first, second, sport;  // normalised names and the sport's key ("" for every sport)
};

struct LinkKey {
    std::string first, second, sport;
};

LinkKey KeyOf(const AliasesLink& link) {
    return {NormalisedName(Utf8ToCp1251(link.first)), NormalisedName(Utf8ToCp1251(link.second)),
            SportKey(Utf8ToCp1251(link.sport))};
}

std::vector<FileLine> SplitLines(std::string_view text) {
    std::vector<FileLine> lines;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        end = end == std::string_view::npos ? text.size() : end + 1;
        FileLine line;
        line.bytes = std::string(text.substr(from, end - from));
        std::string content = line.bytes;
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
            content.pop_back();
        }
        if (from == 0 && content.starts_with("\xEF\xBB\xBF")) content.erase(0, 3);
        from = end;
        const size_t first_text = content.find_first_not_of(" \t");
        if (first_text != std::string::npos && content[first_text] != '#') {
            std::vector<std::string> fields;
            for (size_t at = 0;;) {
                const size_t tab = content.find('\t', at);
                fields.push_back(content.substr(at, tab - at));
                if (tab == std::string::npos) break;
                at = tab + 1;
            }
            if (fields.size() == 2 || fields.size() == 3) {
                line.link = true;
                line.first = NormalisedName(Utf8ToCp1251(fields[0]));
                line.second = NormalisedName(Utf8ToCp1251(fields[1]));
                line.sport = fields.size() == 3 ? SportKey(Utf8ToCp1251(fields[2])) : "";
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// A field as a line can hold it: no tab or line break inside, no "#" that would start a comment.
std::string FieldText(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    const size_t start = text.find_first_not_of(" #");
    return start == std::string::npos ? std::string() : text.substr(start);
}

std::string SystemError(int error) { return std::strerror(error); }

}  // namespace

std::string ChangeAliasesText(std::string_view text, std::span<const AliasesChange> changes) {
    std::vector<FileLine> lines = SplitLines(text);
    const std::string eol =
        !lines.empty() && lines.front().bytes.ends_with("\r\n") ? "\r\n" : std::string("\n");
    for (const AliasesChange& change : changes) {
        const LinkKey key = KeyOf(change.link);
        bool present = false;
        std::vector<FileLine> kept;
        for (FileLine& line : lines) {
            if (line.link && line.sport == key.sport) {
                const bool same_first = line.first == key.first;
                const bool same_second = line.second == key.second;
                if (same_first && same_second) {
                    if (change.kind == AliasesChange::Kind::kUnlink) continue;
                    present = true;
                } else if (change.kind == AliasesChange::Kind::kLink &&
                           (same_first || same_second)) {
                    continue;  // an earlier link of one of the names: the later wins
                }
            }
            kept.push_back(std::move(line));
        }
        lines = std::move(kept);
        if (change.kind == AliasesChange::Kind::kLink && !present) {
            if (!lines.empty() && !lines.back().bytes.ends_with('\n')) lines.back().bytes += eol;
            FileLine line;
            line.bytes = FieldText(change.link.first) + '\t' + FieldText(change.link.second) +
                         '\t' + FieldText(change.link.sport) + eol;
            line.link = true;
            line.first = key.first;
            line.second = key.second;
            line.sport = key.sport;
            lines.push_back(std::move(line));
        }
    }
    std::string out;
    for (const FileLine& line : lines) out += line.bytes;
    return out;
}

AliasesSave SaveAliasesChanges(const std::string& path, std::span<const AliasesChange> changes) {
    namespace fs = std::filesystem;
    AliasesSave result;
    const auto fail = [&](const std::string& why) {
        result.error = why;
        return result;
    };
    if (path.empty())
        return fail("no folder for the aliases file (neither XDG_CONFIG_HOME nor HOME)");
    // A symbolic link stays one: the file it points to is what changes.
    fs::path target = path;
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(target, ec) && hops < 40; ++hops) {
        const fs::path points_to = fs::read_symlink(target, ec);
        if (ec) return fail(path + ": " + ec.message());
        target = points_to.is_absolute() ? points_to : target.parent_path() / points_to;
    }
    const std::string file = target.string();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return fail("cannot create the folder " + folder.string() + ": " + ec.message());
    }

    std::string text;
    mode_t mode = 0644;
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0) {
        mode = status.st_mode & 07777;
        std::ifstream in(file, std::ios::binary);
        std::ostringstream read;
        if (in) read << in.rdbuf();
        if (!in || in.bad()) return fail(file + ": cannot be read");
        text = read.str();
        const AliasesLoad load = ParseAliases(text, file);
        if (!load.error.empty()) {
            std::string why = load.error;
            const std::string ignored = "; the aliases file is ignored";
            if (why.ends_with(ignored)) why.erase(why.size() - ignored.size());
            return fail(why + "; the file is damaged and was left as it is");
        }
        // Replacing through a rename would ignore the file's own protection. A file nobody may
        // write is the user's "leave it alone", whoever runs the program.
        if (::access(file.c_str(), W_OK) != 0) return fail(file + ": " + SystemError(errno));
        if ((mode & 0222) == 0) return fail(file + ": the file is read-only");
    } else if (errno != ENOENT) {
        return fail(file + ": " + SystemError(errno));
    }
    const std::string changed = ChangeAliasesText(text, changes);

    std::string temporary = (folder / ".aliases.tsv.XXXXXX").string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail("cannot write in the folder " + folder.string() + ": " + SystemError(errno));
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    for (size_t done = 0; error == 0 && done < changed.size();) {
        const ssize_t n = ::write(fd, changed.data() + done, changed.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return fail(file + ": " + SystemError(error));
    }
    result.saved = true;
    return result;
}

}  // namespace lintaro::compare
