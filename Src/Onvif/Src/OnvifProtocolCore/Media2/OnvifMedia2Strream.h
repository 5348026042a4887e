#pragma once
// Stream operations of the Media2 (ver20) service: stream and snapshot URIs, multicast
// start and stop, synchronization points.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Strream : public COnvifCommandChild {
public:
    explicit COnvifMedia2Strream(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "Media2Strream"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
