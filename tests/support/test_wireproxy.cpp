// The proxy's count of round trips, on which the round-trip goals are judged: requests
// sent together before one answer are one round trip, and a request nobody answers is none.

#include "wireproxy.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace kvp::test {

namespace {


// A server that answers "!" whenever what it has read ends a request with '?'; requests
// ending with '.' get no answer, as a closing connection's goodbye gets none.
class AnsweringServer {
public:
    AnsweringServer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listen, 4);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            for (int fd; (fd = ::accept(m_listen, nullptr, nullptr)) >= 0;) {
                char b[256];
                for (ssize_t n; (n = ::recv(fd, b, sizeof b, 0)) > 0;)
                    if (b[n - 1] == '?')
                        ::send(fd, "!", 1, MSG_NOSIGNAL);
                ::close(fd);
            }
        });
    }
    ~AnsweringServer()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    int port = 0;

private:
    int m_listen;
    std::thread m_thread;
};

}  // namespace

TEST(WireProxy, CountsAnsweredRequestsAsRoundTrips)
{
    struct Case {
        const char* what;
        // Each inner list is sent at once; a '?' at its end waits for the answer.
        std::vector<std::vector<std::string>> exchanges;
        long roundTrips;
    };
    const Case cases[] = {
        {"one request", {{"q?"}}, 1},
        {"three requests sent before the answer", {{"a.", "b.", "c?"}}, 1},
        {"two requests, each answered", {{"a?"}, {"b?"}}, 2},
        {"a goodbye after the answer", {{"a?"}, {"bye."}}, 1},
    };
    AnsweringServer server;
    WireProxy proxy(server.port);
    long long sent = 0;
    for (const Case& c : cases) {
        const WireCounts before = proxy.counts();
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = loopback(proxy.port());
        ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        for (const auto& exchange : c.exchanges) {
            for (const std::string& request : exchange)
                sent += ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
            char answer;
            if (exchange.back().back() == '?') {
                ASSERT_EQ(::recv(fd, &answer, 1, 0), 1) << c.what;
            }
        }
        // Everything sent has passed the proxy before the count is read.
        for (int i = 0; i < 500 && proxy.counts().bytesToServer < sent; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ::close(fd);
        const WireCounts d = proxy.counts() - before;
        EXPECT_EQ(d.roundTrips, c.roundTrips) << c.what;
        EXPECT_EQ(d.connections, 1) << c.what;
    }
    EXPECT_EQ(proxy.roundTripsPerConnection(), (std::vector<long>{1, 1, 2, 1}));
}

}  // namespace kvp::test
