#pragma once
// Video encoder and video source configurations of the Media (ver10) service: what a
// camera can encode, and the resolution, frame rate, bit rate, codec profile and
// multicast settings it encodes with.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifVideoCfg : public COnvifProtoChildCore {
public:
    explicit COnvifVideoCfg(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "VideoCfg"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
