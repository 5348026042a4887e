#pragma once
// Stream operations of the Media (ver10) service: stream and snapshot URIs, multicast
// start and stop, synchronization points.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifOthersMediaCfg : public COnvifCommandChild {
public:
    explicit COnvifOthersMediaCfg(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "OthersMediaCfg"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
