#include "Components/Client/OnvifClientFactory.h"

#include <mutex>

#include "Component/ClientContext.h"

namespace RPC {
namespace Onvif {

namespace {
const Zentar::Component::CVersion kClientVersion{"OnvifClient", 2, 4, 1, "Onvif_VERSION_SVN_REVISION", __DATE__};
std::mutex g_factoryMutex;
} // namespace

COnvifClient::CFactory::CFactory()
    : IFactoryUnknown(Zentar::Component::IClient::kInterfaceName, "Onvif", kClientVersion)
{
}

Zentar::Component::IUnknown* COnvifClient::CFactory::create(const Zentar::Component::ServerInfo* serverInfo)
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    if (serverInfo)
        return new (std::nothrow) COnvifClient(*serverInfo);
    // No record: the client the host is working with on this thread.
    return dynamic_cast<COnvifClient*>(Zentar::Component::getCurrentClient());
}

Zentar::Component::IFactoryUnknown* COnvifClient::CFactory::make()
{
    return new (std::nothrow) CFactory();
}

} // namespace Onvif
} // namespace RPC
