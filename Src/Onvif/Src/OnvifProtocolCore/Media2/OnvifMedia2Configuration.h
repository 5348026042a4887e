#pragma once
// Configuration operations of the Media2 (ver20) service: video and audio encoder, source,
// decoder and analytics configurations, their options, and the service capabilities.
// Records keep Media's member names (and "MPEG4" for Media2's "MPV4-ES") so that a
// composite can read either service alike. Names the service registers without an
// exchange behind them answer -1 with "not implementing!".
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Configuration : public COnvifProtoChildCore {
public:
    explicit COnvifMedia2Configuration(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "Media2Configuration"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
