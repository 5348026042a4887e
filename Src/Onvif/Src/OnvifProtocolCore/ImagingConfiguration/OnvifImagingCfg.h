#pragma once
// The imaging (ver20) service object of one device: a video source's picture settings
// (brightness, contrast, exposure, focus, white balance, wide dynamic range, IR cut filter),
// the ranges the device accepts for them, and the focus motor.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifImagingCfg : public COnvifProtoCore {
public:
    explicit COnvifImagingCfg(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "ImagingCfg"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
