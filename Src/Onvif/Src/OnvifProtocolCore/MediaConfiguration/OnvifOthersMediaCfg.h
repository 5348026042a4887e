#pragma once
// The Media (ver10) service's operations beside profiles and encoders: stream and snapshot
// URIs, multicast start and stop, synchronization points, the service capabilities, OSDs
// ("OSD" records, answers "OSDs"[i]) and video analytics configurations.
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
