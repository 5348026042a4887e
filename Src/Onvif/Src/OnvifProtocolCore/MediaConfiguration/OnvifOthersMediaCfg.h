#pragma once
// Stream operations of the Media (ver10) service: stream and snapshot URIs, multicast
// start and stop, synchronization points.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifOthersMediaCfg : public COnvifProtoChildCore {
public:
    explicit COnvifOthersMediaCfg(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "OthersMediaCfg"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
