// Feeds arbitrary server bytes to FetchText through an in-memory transport: status lines, heads,
// redirects (each new connection reads on from the same bytes), chunked, counted and
// close-delimited bodies, cookies. The first byte picks the receive piece size.
#include <cstdint>
#include <memory>
#include <string>

#include "http/net_errors.h"
#include "http/net_http.h"
#include "http/net_log_event.h"
#include "http/net_memory_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lintaro;
    if (size == 0) return 0;
    auto peer = std::make_shared<http::MemoryPeer>();
    peer->piece_size = 1 + data[0] % 64;
    peer->incoming.assign(reinterpret_cast<const char*>(data) + 1, size - 1);

    http::TNetLogEvent log;
    log.Active = true;
    std::size_t seen = 0;
    log.OnReceived = [&seen](http::TNetLogEvent&, const std::string&, const std::string& text) {
        seen += text.size();
    };
    http::TNetHTTP http;
    http.SetIntercept(&log);
    http.MaxLineLength = 4096;
    http.Connection().SetTransportFactory(
        [peer](const std::string&, int) { return std::make_unique<http::MemoryTransport>(peer); });
    try {
        const std::string body = http.FetchText("http://fuzz.example/dir/page.html?q=1");
        // The body never holds more than the server sent.
        if (body.size() > size) __builtin_trap();
    } catch (const http::ENetException&) {
    }
    // A second fetch on the same client reuses or replaces whatever the first one left.
    try {
        http.FetchText("next.html");
    } catch (const http::ENetException&) {
    }
    return 0;
}
