#include "wireproxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kvp::test {

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

namespace {


int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_in a = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, ssize_t n)
{
    while (n > 0) {
        const ssize_t w = ::send(fd, data, static_cast<size_t>(n), MSG_NOSIGNAL);
        if (w <= 0)
            return false;
        data += w;
        n -= w;
    }
    return true;
}

// Requests and answers are small; without this the kernel would hold them back and add
// delays of its own to what is measured.
void noDelay(int fd)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace

WireCounts operator-(const WireCounts& later, const WireCounts& earlier)
{
    return {later.roundTrips - earlier.roundTrips, later.connections - earlier.connections,
            later.bytesToServer - earlier.bytesToServer,
            later.bytesToClient - earlier.bytesToClient};
}

WireProxy::WireProxy(int upstreamPort, int delayMs) : m_upstream(upstreamPort), m_delayMs(delayMs)
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("wire proxy: no pipe");
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 64) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        for (int fd : {m_listen, m_wake[0], m_wake[1]})
            if (fd >= 0)
                ::close(fd);
        throw std::runtime_error("wire proxy: cannot listen on loopback");
    }
    m_port = ntohs(a.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

WireProxy::~WireProxy()
{
    stop();
}

void WireProxy::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
    }
    const char byte = 0;
    static_cast<void>(::write(m_wake[1], &byte, 1));
    m_acceptor.join();
    // The acceptor has ended: nothing adds threads any more.
    for (std::thread& t : m_threads)
        t.join();
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        ::close(fd);
}

WireCounts WireProxy::counts() const
{
    std::lock_guard lock(m_mutex);
    return m_counts;
}

std::vector<long> WireProxy::roundTripsPerConnection() const
{
    std::lock_guard lock(m_mutex);
    return m_perConnection;
}

void WireProxy::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0)
            return;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(m_mutex);
        ++m_counts.connections;
        m_perConnection.push_back(0);
        const std::size_t index = m_perConnection.size() - 1;
        m_threads.emplace_back([this, client, index] { pump(client, index); });
    }
}

void WireProxy::pump(int client, std::size_t index)
{
    const int server = connectTo(m_upstream);
    noDelay(client);
    if (server >= 0)
        noDelay(server);
    // A request is pending from its first bytes until the server's first answer to it.
    bool pending = false;
    char buffer[65536];
    while (server >= 0) {
        pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 || fds[2].revents != 0)
            break;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            if (!pending && m_delayMs > 0) {
                // The request's way to the server; stop() cuts the wait short.
                pollfd wake{m_wake[0], POLLIN, 0};
                if (::poll(&wake, 1, m_delayMs) != 0)
                    break;
            }
            pending = true;
            {
                std::lock_guard lock(m_mutex);
                m_counts.bytesToServer += n;
            }
            if (!sendAll(server, buffer, n))
                break;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            {
                // Counted before the client can see the answer, so a caller that reads the
                // counts after its step has returned finds the step's round trips in them.
                std::lock_guard lock(m_mutex);
                m_counts.bytesToClient += n;
                if (pending) {
                    ++m_counts.roundTrips;
                    ++m_perConnection[index];
                }
            }
            pending = false;
            if (!sendAll(client, buffer, n))
                break;
        }
    }
    ::close(client);
    if (server >= 0)
        ::close(server);
}

}  // namespace kvp::test
