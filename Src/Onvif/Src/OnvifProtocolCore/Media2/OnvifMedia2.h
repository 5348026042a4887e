#pragma once
// The Media2 (ver20) service object of one device. Commands go to the profile area, then
// the stream area, the configuration area and the OSD and mask area; callers use the same
// command names as for the Media service, so a composite can pick either service without
// renaming.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2 : public COnvifProtoCore {
public:
    explicit COnvifMedia2(const COnvifLoginInfo& login);
    const char* getServiceName() const override { return "Media2"; }
};

} // namespace Onvif
} // namespace RPC
