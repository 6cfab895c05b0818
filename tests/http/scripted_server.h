// A loopback HTTP server for tests that plays a fixed script of raw bytes.
// Each accepted connection follows the next entry of the script: read a request head, answer with
// exactly the bytes given (optionally in delayed pieces), then keep the connection, close it,
// reset it, or never answer at all. Every request head is recorded byte for byte.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lintaro::testing_util {

// One write of an answer: wait `delay`, then send `bytes`.
struct ScriptedPiece {
    std::chrono::milliseconds delay{0};
    std::string bytes;
};

// What the server does with a connection once an answer has been written.
enum class ScriptedAfter {
    kKeepOpen,  // wait for the next request head on the same connection
    kClose,     // orderly close (FIN)
    kReset,     // abortive close (RST)
};

// One request and its answer. The server reads one request head (up to and including the empty
// line) and then writes `pieces` in order. With `never_answer` it reads the head and then holds the
// connection silently until the client closes it or the server stops.
struct ScriptedExchange {
    std::vector<ScriptedPiece> pieces;
    ScriptedAfter after = ScriptedAfter::kKeepOpen;
    bool never_answer = false;
    // When false, the answer is written right after the connection is accepted, without waiting for
    // a request (a server that speaks first or closes at once).
    bool read_head = true;
};

// The exchanges of one connection, in order.
using ScriptedConnection = std::vector<ScriptedExchange>;

// Builds an exchange that answers with `raw` in one write.
ScriptedExchange Reply(std::string raw, ScriptedAfter after = ScriptedAfter::kKeepOpen);
// Builds an exchange that reads a head and never answers.
ScriptedExchange NoAnswer();

// The ways an answer with `page` as its body breaks off: the server falls silent after the head or
// in the middle of the body (for a minute, or until it stops), or closes the connection short of
// the Content-Length or inside a chunk.
enum class BrokenAnswer { kStallAfterHead, kStallInBody, kClosedBeforeLength, kClosedInChunk };
inline constexpr BrokenAnswer kBrokenAnswers[] = {
    BrokenAnswer::kStallAfterHead, BrokenAnswer::kStallInBody, BrokenAnswer::kClosedBeforeLength,
    BrokenAnswer::kClosedInChunk};
ScriptedExchange Broken(BrokenAnswer kind, const std::string& page);
const char* BrokenAnswerName(BrokenAnswer kind);

// A request head as received, with the 0-based number of the connection that carried it.
struct RecordedRequest {
    int connection = 0;
    std::string head;
};

class ScriptedServer {
  public:
    // Listens on 127.0.0.1:`port` (0: a free port chosen by the system) and starts serving at once.
    // The i-th accepted connection plays script[i]. Connections beyond the script, and requests
    // beyond a connection's exchanges, get the default exchange when one is set; otherwise the
    // connection stays open until the next head arrives, which is recorded and answered by closing.
    // Throws std::runtime_error when the socket cannot be set up.
    explicit ScriptedServer(std::vector<ScriptedConnection> script, std::uint16_t port = 0);
    // Stops serving and joins every thread, even while clients hold connections open.
    ~ScriptedServer();

    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // The exchange played for requests the script does not cover. Set it before clients connect.
    void SetDefaultExchange(ScriptedExchange exchange);

    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT".
    std::string HostPort() const;
    // "http://127.0.0.1:PORT" followed by `path_and_query`.
    std::string Url(const std::string& path_and_query = "/") const;

    // Every complete request head received so far, in arrival order, byte for byte.
    std::vector<std::string> RequestHeads() const;
    std::vector<RecordedRequest> Requests() const;
    int AcceptedConnections() const { return accepted_.load(); }

    // Waits until at least `count` request heads have arrived; false on timeout.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

    // Stops accepting, closes every connection and joins the threads. Idempotent.
    void Stop();

  private:
    void AcceptLoop();
    void Serve(int fd, int index);
    // Waits for `events` on `fd` or for the stop signal; false when stopping or on timeout.
    bool WaitFor(int fd, short events, int timeout_ms) const;
    bool SleepUnlessStopped(std::chrono::milliseconds delay) const;
    bool SendAll(int fd, const std::string& bytes) const;
    // Reads one request head into `head`, keeping bytes after it in `pending`; false when the
    // peer closed first or the server is stopping.
    bool ReadHead(int fd, std::string& pending, std::string& head) const;
    void Record(int connection, std::string head);

    std::vector<ScriptedConnection> script_;
    std::optional<ScriptedExchange> default_exchange_;
    std::uint16_t port_ = 0;
    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    std::atomic<bool> stopped_{false};
    std::atomic<int> accepted_{0};

    mutable std::mutex mutex_;  // guards requests_, workers_ and default_exchange_
    mutable std::condition_variable request_arrived_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace lintaro::testing_util
