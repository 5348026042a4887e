#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"

#include <memory>

#include "OnvifProtocolCore/DeviceManagement/OnvifCapabilities.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSystem.h"

namespace RPC {
namespace Onvif {

COnvifDeviceManagement::COnvifDeviceManagement(const COnvifLoginInfo& login) : COnvifProtoCore(login)
{
    // Areas are asked in this order; no two share an operation name.
    addChild(std::make_unique<COnvifCapabilities>(login));
    addChild(std::make_unique<COnvifSystem>(login));
    // The security (users, access policy, certificates), network and relay/IO areas
    // are added here, after these two, as they are written.
}

} // namespace Onvif
} // namespace RPC
