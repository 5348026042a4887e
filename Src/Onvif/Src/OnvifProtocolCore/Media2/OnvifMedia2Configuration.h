#pragma once
// Configuration operations of the Media2 (ver20) service. Only the service capabilities
// are read here so far; the encoder, source, OSD and mask configurations join this table.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Configuration : public COnvifCommandChild {
public:
    explicit COnvifMedia2Configuration(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "Media2Configuration"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
