#pragma once
// Stream operations of the Media2 (ver20) service: stream and snapshot URIs, multicast
// start and stop, synchronization points.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Strream : public COnvifProtoChildCore {
public:
    explicit COnvifMedia2Strream(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "Media2Strream"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
