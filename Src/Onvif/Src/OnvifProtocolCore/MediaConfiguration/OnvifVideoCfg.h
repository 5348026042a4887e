#pragma once
// Video encoder and video source configurations of the Media (ver10) service: what a
// camera can encode, and the resolution, frame rate, bit rate, codec profile and
// multicast settings it encodes with.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifVideoCfg : public COnvifCommandChild {
public:
    explicit COnvifVideoCfg(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "VideoCfg"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
