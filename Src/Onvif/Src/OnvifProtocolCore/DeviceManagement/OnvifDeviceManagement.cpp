#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"

#include <memory>

#include "OnvifProtocolCore/DeviceManagement/OnvifCapabilities.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifNetwork.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSecurity.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSystem.h"

namespace RPC {
namespace Onvif {

COnvifDeviceManagement::COnvifDeviceManagement(const COnvifLoginInfo& login) : COnvifProtoCore(login)
{
    // Areas are asked in this order; no two share an operation name.
    addChild(std::make_unique<COnvifCapabilities>(login));
    addChild(std::make_unique<COnvifSystem>(login));
    addChild(std::make_unique<COnvifSecurity>(login));
    addChild(std::make_unique<COnvifNetwork>(login));
    // The relay/IO area is added here as it is written.
}

} // namespace Onvif
} // namespace RPC
