#include "OnvifFramework/Utility/AsyncLoginLimit.h"

#include <atomic>

namespace RPC {
namespace Onvif {

namespace {
std::atomic<int> g_asyncLoginLimit{kDefaultAsyncLoginLimit};
}

int getAsyncLoginLimit()
{
    return g_asyncLoginLimit.load(std::memory_order_relaxed);
}

bool setAsyncLoginLimit(int count)
{
    if (count <= kDefaultAsyncLoginLimit || count >= 1000)
        return false;
    int expected = kDefaultAsyncLoginLimit;
    return g_asyncLoginLimit.compare_exchange_strong(expected, count);
}

void resetAsyncLoginLimit()
{
    g_asyncLoginLimit.store(kDefaultAsyncLoginLimit);
}

} // namespace Onvif
} // namespace RPC
