// The two discovery entry points. Hosts of different generations call one or the other (or
// both); each keeps its own factory, and the registry takes whichever comes first.
#include <memory>
#include <mutex>

#include "Component/FactoryRegistry.h"
#include "Discovery/Onvif/RPCOnvifDeviceDiscovery.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifLog.h"

using RPC::Onvif::CRPCOnvifDeviceDiscovery;

namespace {

// Destroyed at process exit, which unregisters the factory and stops its discovery.
void registerOnce(std::once_flag& flag, std::unique_ptr<CRPCOnvifDeviceDiscovery::CIFactory>& factory,
                  const char* caller)
{
    std::call_once(flag, [&] {
        factory.reset(new (std::nothrow) CRPCOnvifDeviceDiscovery::CIFactory());
        if (!factory || !Zentar::Component::registerFactory(factory.get())) {
            ONVIF_LOG(RPC::Onvif::LOG_WARN, "%s: discovery factory not registered (already present)\n", caller);
            factory.reset();
        }
    });
}

} // namespace

extern "C" {

void initOnvifDiscoveryComponentLibrary()
{
    static std::once_flag once;
    static std::unique_ptr<CRPCOnvifDeviceDiscovery::CIFactory> factory;
    ONVIF_LOG(RPC::Onvif::LOG_ERROR, "%s()! [Compiled at %s-%s]\n", __func__, __DATE__, __TIME__);
    registerOnce(once, factory, __func__);
}

void initOnvifDeviceDiscoveryComponentLibrary()
{
    static std::once_flag once;
    static std::unique_ptr<CRPCOnvifDeviceDiscovery::CIFactory> factory;
    ONVIF_LOG(RPC::Onvif::LOG_ERROR, "%s()! [Compiled at %s-%s]\n", __func__, __DATE__, __TIME__);
    registerOnce(once, factory, __func__);
}

} // extern "C"
