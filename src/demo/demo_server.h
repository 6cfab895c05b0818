// The demo line server: serves the demo line (demo_line.h) over HTTP on two loopback ports, so that
// the readers, the HTTP client and lintaro-cli run without the internet. The first port serves the
// first bookmaker's odds page and the second bookmaker's list and soccer and baseball pages; the
// second port is the second bookmaker's fixed host, whose root redirects to the first port and
// which serves the tennis pages.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "demo/demo_line.h"

namespace lintaro::demo {

// Counters of what the server has seen, for tests.
struct DemoStats {
    uint64_t connections = 0;           // connections accepted
    uint64_t requests = 0;              // requests answered (errors included)
    uint64_t requests_with_cookie = 0;  // requests that brought back the session cookie
    uint64_t bad_requests = 0;          // requests answered with 400 or 501
    uint32_t first_generation = 0;      // the generation each line serves now
    uint32_t second_generation = 0;
};

// How long a connection may take to send a complete request head before it is dropped.
inline constexpr std::chrono::seconds kHeadTimeLimit{10};

// How long an answer may wait for a client that reads none of it before the connection is dropped.
inline constexpr std::chrono::seconds kSendStallLimit{10};

class DemoServer {
  public:
    explicit DemoServer(DemoOptions options);
    ~DemoServer();  // stops
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Listens on 127.0.0.1:port (the first host) and 127.0.0.1:port+1 (the second host) and serves
    // on threads of its own until Stop. Port 0 picks a free pair. Throws std::runtime_error with a
    // complete message when a port is busy or cannot be used, and std::logic_error when called
    // twice.
    void Start(uint16_t port = 0);

    // A connection that has not sent a complete request head within `limit` (kHeadTimeLimit by
    // default), counted from its accept or from the end of the last answer on a kept connection,
    // is closed: idle or trickling clients cannot hold all of the server's places. Set it before
    // Start.
    void SetHeadTimeLimit(std::chrono::milliseconds limit);

    // A connection whose client takes none of its answer for `limit` (kSendStallLimit by default)
    // is closed, so that clients that ask for a page and never read it cannot hold the server's
    // places for long. Set it before Start.
    void SetSendStallLimit(std::chrono::milliseconds limit);

    // A moving line: each request of a bookmaker's entry page (the first bookmaker's odds page,
    // the second's tournament list) after the first serves the next generation of that line, and
    // every other page serves the current one, so the k-th read of a line (from 0) reads
    // generation DemoOptions::generation + k. A still line (the default) serves
    // DemoOptions::generation for good. Set it before Start.
    void SetMoving(bool moving);

    // "127.0.0.1:PORT" of each host, valid after Start.
    std::string FirstHost() const;
    std::string SecondHost() const;
    uint16_t FirstPort() const;
    uint16_t SecondPort() const;

    // The date the line is published on (DemoOptions::today, or the local date at Start).
    std::chrono::year_month_day Today() const;

    DemoStats Stats() const;

    // Closes the ports and every connection, clients still connected included, and returns when all
    // of the server's threads have ended. Safe to call more than once.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lintaro::demo
