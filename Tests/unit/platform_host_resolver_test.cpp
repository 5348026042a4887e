// Name resolution bounded by the caller's time: literals never wait for a resolver, a
// resolver that never answers costs the time-out and no more, a refusal says why.
#include "NetFramework/HostResolver.h"
#include "NetFramework/TcpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace Zentar::NetFramework;

namespace {

// A name server that holds every question until the test lets it go.
struct CStuckResolver {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int asked = 0;
    int answered = 0;
};
CStuckResolver g_stuck;

int stuckResolve(const char*, const char*, const addrinfo*, addrinfo** result)
{
    std::unique_lock<std::mutex> lock(g_stuck.mutex);
    ++g_stuck.asked;
    g_stuck.changed.notify_all();
    g_stuck.changed.wait_for(lock, std::chrono::seconds(30), [] { return g_stuck.released; });
    ++g_stuck.answered;
    g_stuck.changed.notify_all();
    *result = nullptr;
    return EAI_AGAIN;
}

int unknownName(const char*, const char*, const addrinfo*, addrinfo** result)
{
    *result = nullptr;
    return EAI_NONAME;
}

void freeNothing(addrinfo*) {}

class HostResolver : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_stuck.mutex);
        g_stuck.released = false;
    }
    void TearDown() override
    {
        {
            std::lock_guard<std::mutex> lock(g_stuck.mutex);
            g_stuck.released = true;
            g_stuck.changed.notify_all();
        }
        std::unique_lock<std::mutex> lock(g_stuck.mutex);
        // The abandoned lookups end before the test's globals go.
        g_stuck.changed.wait_for(lock, std::chrono::seconds(10), [] { return g_stuck.answered == g_stuck.asked; });
        setNameResolver(nullptr, nullptr);
    }
};

TEST_F(HostResolver, LiteralsAreReadWithoutAskingTheResolver)
{
    setNameResolver(stuckResolve, freeNothing);
    struct Case {
        const char* host;
        int family;
    } const cases[] = {{"127.0.0.1", AF_INET}, {"[::1]", AF_INET6}, {"::1", AF_INET6}, {"10.0.0.5", AF_INET}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        std::vector<CResolvedAddress> out;
        std::string error;
        ASSERT_EQ(EResolveResult::Ok, resolveHost(c.host, 8080, 50, out, error)) << error;
        ASSERT_EQ(1u, out.size());
        EXPECT_EQ(c.family, out[0].family);
        const uint16_t port = c.family == AF_INET ? reinterpret_cast<const sockaddr_in&>(out[0].address).sin_port
                                                  : reinterpret_cast<const sockaddr_in6&>(out[0].address).sin6_port;
        EXPECT_EQ(8080, ntohs(port));
    }
    std::lock_guard<std::mutex> lock(g_stuck.mutex);
    EXPECT_EQ(0, g_stuck.asked);
}

TEST_F(HostResolver, ANameServerThatNeverAnswersCostsTheTimeOut)
{
    setNameResolver(stuckResolve, freeNothing);
    std::vector<CResolvedAddress> out;
    std::string error;
    EXPECT_EQ(EResolveResult::TimedOut, resolveHost("camera.example", 80, 100, out, error));
    EXPECT_EQ("resolve camera.example: no answer within 100 ms", error);
    EXPECT_TRUE(out.empty());

    // The snapshot client's connect gives up the same way, as a failed resolution.
    CTcpClient client;
    EXPECT_FALSE(client.connect("camera.example", 80, false, 100, 100));
    EXPECT_EQ(CTcpClient::FAIL_RESOLVE, client.failure());
}

TEST_F(HostResolver, UnknownNamesAndRealNames)
{
    setNameResolver(unknownName, freeNothing);
    std::vector<CResolvedAddress> out;
    std::string error;
    EXPECT_EQ(EResolveResult::NoAddress, resolveHost("nowhere.invalid", 80, 1000, out, error));
    EXPECT_EQ(std::string("resolve nowhere.invalid: ") + gai_strerror(EAI_NONAME), error);
    EXPECT_EQ(EResolveResult::NoAddress, resolveHost("", 80, 1000, out, error));

    setNameResolver(nullptr, nullptr);   // the system's own, for a name every machine has
    ASSERT_EQ(EResolveResult::Ok, resolveHost("localhost", 80, 5000, out, error)) << error;
    EXPECT_FALSE(out.empty());
}

} // namespace
