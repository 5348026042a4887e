#pragma once
// Profile operations of the Media (ver10) service: list, read, create and delete media
// profiles, and add or remove the configurations they are composed of.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifMediaProfiles : public COnvifCommandChild {
public:
    explicit COnvifMediaProfiles(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "MediaProfiles"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
