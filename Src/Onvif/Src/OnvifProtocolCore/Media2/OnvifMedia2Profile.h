#pragma once
// Profile operations of the Media2 (ver20) service: list, create and delete profiles and
// add or remove their configurations by type and token.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Profile : public COnvifCommandChild {
public:
    explicit COnvifMedia2Profile(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "Media2Profile"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
