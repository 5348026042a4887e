#pragma once
// The device management service object of one device ("DeviceManagement"). It has no
// operations of its own: execute() hands each name to the area that implements it, so
// callers address every device-service operation through this one object.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifDeviceManagement : public COnvifProtoCore {
public:
    explicit COnvifDeviceManagement(const COnvifLoginInfo& login);

    const char* getServiceName() const override { return "DeviceManagement"; }
};

} // namespace Onvif
} // namespace RPC
