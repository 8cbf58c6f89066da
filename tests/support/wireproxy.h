#pragma once

// A TCP proxy on loopback in front of a database server's port, which counts what crosses
// the wire: round trips (a request the server answered; one that gets no answer, like the
// goodbye of a closing connection, waits for nothing and does not count), connections and
// bytes each way. It can hold each request back delayMs before passing it on, so that a
// loopback server behaves like one across a shop's network. Benchmarks and tests point
// the code under test at port() instead of the server's own port.

#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>

namespace kvp::test {

// The loopback address with that port (0: any free one).
sockaddr_in loopback(int port);

struct WireCounts {
    long roundTrips = 0;
    long connections = 0;
    long long bytesToServer = 0;
    long long bytesToClient = 0;
};
WireCounts operator-(const WireCounts& later, const WireCounts& earlier);

class WireProxy {
public:
    // Listens on a free port of 127.0.0.1 and forwards to 127.0.0.1:upstreamPort.
    // Throws std::runtime_error when it cannot listen.
    explicit WireProxy(int upstreamPort, int delayMs = 0);
    ~WireProxy();
    WireProxy(const WireProxy&) = delete;
    WireProxy& operator=(const WireProxy&) = delete;

    int port() const { return m_port; }
    int delayMs() const { return m_delayMs; }

    WireCounts counts() const;
    long roundTrips() const { return counts().roundTrips; }
    // Round trips of each connection made so far, in the order they were made.
    std::vector<long> roundTripsPerConnection() const;

    // Ends every connection and stops listening; the destructor does it too.
    void stop();

private:
    void acceptLoop();
    void pump(int client, std::size_t index);

    int m_upstream;
    int m_delayMs;
    int m_listen = -1;
    int m_port = 0;
    // Readable once stop() has written to it: wakes every thread's poll.
    int m_wake[2] = {-1, -1};
    bool m_stopped = false;

    mutable std::mutex m_mutex;
    WireCounts m_counts;
    std::vector<long> m_perConnection;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

}  // namespace kvp::test
