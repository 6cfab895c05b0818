// lintaro-cli fetch: fetches URLs in turn with one HTTP client set up as the main window sets up
// its own (cookie store, traffic intercept reporting request heads byte for byte, idle hook).
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "http/configured_client.h"
#include "http/net_errors.h"
#include "http/net_http.h"
#include "http/net_idle_hook.h"
#include "http/net_log_event.h"

namespace lintaro::cli {

const char kFetchUsage[] =
    R"(usage: lintaro-cli fetch [--out-dir DIR] [--heads FILE] [--max-size BYTES]
                         [--timeout SECONDS] [--] URL...

Fetches each URL in turn with one HTTP client set up as the window sets up its own (cookie store,
request heads reported). With one URL and no --out-dir the body goes raw to standard output.

options:
  --out-dir DIR       write the body of the i-th URL (from 1) to DIR/i.body and print "i ok LENGTH"
                      or "i error CLASS: MESSAGE" for each URL
  --heads FILE        append every request head sent, byte for byte, to FILE
  --max-size BYTES    fail a fetch whose response body is longer than BYTES, as soon as it passes
                      them (default 67108864, that is 64 MiB; 0: no limit)
  --timeout SECONDS   fail a fetch that takes longer than SECONDS in all, redirects included, with
                      ENetFetchTimeout (default and 0: no limit)
  --help              show this help and exit

exit status: 0 every fetch succeeded; 1 a fetch failed (without --out-dir its "i error" line goes to
standard error) or a file cannot be written; 2 a usage mistake.
)";

namespace {

// "CLASS" or "CLASS(CODE)".
std::string FailureClass(const http::ENetException& failure) {
    std::string name = failure.ClassName();
    if (const auto code = failure.Code()) name += "(" + std::to_string(*code) + ")";
    return name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    errno = 0;  // so that the reason is the one of the call that fails here
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error(FileFailure("create", path));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(FileFailure("write", path));
}

}  // namespace

int RunFetch(const std::vector<std::string>& args) {
    const Args parsed = ParseArgs(args, {"--out-dir", "--heads", "--max-size", "--timeout"}, {});
    const std::vector<std::string>& urls = parsed.positional;
    if (urls.empty()) throw UsageError("fetch needs at least one URL");
    const std::string out_dir = parsed.Value("--out-dir");
    const bool to_dir = parsed.Has("--out-dir");

    std::ofstream heads;
    if (parsed.Has("--heads")) {
        const std::string heads_path = parsed.Value("--heads");
        errno = 0;
        heads.open(heads_path, std::ios::binary | std::ios::app);
        if (!heads) throw std::runtime_error(FileFailure("open", heads_path));
    }

    // No window to serve, but the hook gives connects the same time limit as in the program.
    http::TNetIdleHook idle_hook;
    http::ConfiguredHttpClient client;
    client.log_debug.OnSent = [&heads](http::TNetLogEvent&, const std::string&,
                                       const std::string& data) {
        if (heads.is_open()) {
            heads.write(data.data(), static_cast<std::streamsize>(data.size()));
            heads.flush();
        }
    };
    http::TNetHTTP& http = client.http;
    http.SetIdleHook(&idle_hook);
    http.MaxBodySize = MaxSizeOption(parsed, http.MaxBodySize);
    http::TNetTimeLimits limits = http.TimeLimits();
    limits.fetch_ms = TimeoutOption(parsed);
    http.SetTimeLimits(limits);

    bool all_ok = true;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        std::string body;
        try {
            body = http.FetchText(urls[i]);
        } catch (const http::ENetException& failure) {
            all_ok = false;
            const std::string line =
                number + " error " + FailureClass(failure) + ": " + OneLine(failure.what());
            (to_dir ? std::cout : std::cerr) << line << std::endl;
            continue;
        }
        if (to_dir) {
            WriteFile(out_dir + "/" + number + ".body", body);
            std::cout << number << " ok " << body.size() << std::endl;
        } else {
            std::cout.write(body.data(), static_cast<std::streamsize>(body.size()));
            std::cout.flush();
        }
    }
    return all_ok ? 0 : 1;
}

}  // namespace lintaro::cli
