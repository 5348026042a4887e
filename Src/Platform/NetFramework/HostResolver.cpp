#include "NetFramework/HostResolver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace Zentar {
namespace NetFramework {

namespace {

struct CResolverFns {
    ResolveFn resolve;
    FreeFn release;
};
std::atomic<ResolveFn> g_resolve{nullptr};
std::atomic<FreeFn> g_release{nullptr};

CResolverFns currentResolver()
{
    ResolveFn resolve = g_resolve.load();
    FreeFn release = g_release.load();
    if (resolve == nullptr || release == nullptr)
        return {::getaddrinfo, ::freeaddrinfo};
    return {resolve, release};
}

void collect(const addrinfo* list, std::vector<CResolvedAddress>& out)
{
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_addr == nullptr || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        CResolvedAddress entry;
        std::memcpy(&entry.address, a->ai_addr, a->ai_addrlen);
        entry.length = a->ai_addrlen;
        entry.family = a->ai_family;
        out.push_back(entry);
    }
}

// What the resolving thread and the waiting caller share; whoever leaves last frees it.
struct CLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int rc = 0;
    std::vector<CResolvedAddress> addresses;
};

} // namespace

void setNameResolver(ResolveFn resolve, FreeFn release)
{
    g_release.store(release);
    g_resolve.store(resolve);
}

EResolveResult resolveHost(const std::string& host, int port, int timeoutMs, std::vector<CResolvedAddress>& out,
                           std::string& error)
{
    out.clear();
    std::string bare = host;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (!bare.empty() && ::getaddrinfo(bare.c_str(), service.c_str(), &hints, &found) == 0) {
        collect(found, out);
        ::freeaddrinfo(found);
        return EResolveResult::Ok;
    }
    if (bare.empty()) {
        error = "resolve: empty host name";
        return EResolveResult::NoAddress;
    }

    auto lookup = std::make_shared<CLookup>();
    const CResolverFns fns = currentResolver();
    hints.ai_flags = AI_NUMERICSERV;
    std::thread([lookup, fns, bare, service, hints] {
        addrinfo* list = nullptr;
        const int rc = fns.resolve(bare.c_str(), service.c_str(), &hints, &list);
        std::vector<CResolvedAddress> addresses;
        if (rc == 0)
            collect(list, addresses);
        if (list != nullptr)
            fns.release(list);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->rc = rc;
        lookup->addresses = std::move(addresses);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();

    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                               [&] { return lookup->finished; })) {
        error = "resolve " + bare + ": no answer within " + std::to_string(timeoutMs) + " ms";
        return EResolveResult::TimedOut;
    }
    if (lookup->rc != 0 || lookup->addresses.empty()) {
        error = "resolve " + bare + ": " + (lookup->rc != 0 ? gai_strerror(lookup->rc) : "no address");
        return EResolveResult::NoAddress;
    }
    out = std::move(lookup->addresses);
    return EResolveResult::Ok;
}

} // namespace NetFramework
} // namespace Zentar
