#pragma once
// The "Capabilities" area of the device management service: which services a device
// offers, where they are, and what the device service itself supports.
//
// Names served by execute: "GetCapabilities", "GetWsdlUrl", "GetServices",
// "GetServiceCapabilities" and "SendMgmtAuxiliaryCommand" (the ONVIF SendAuxiliaryCommand).
// Every request carries "XAddr", the device service address.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifCapabilities : public COnvifProtoChildCore {
public:
    explicit COnvifCapabilities(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}

    const char* getServiceName() const override { return "Capabilities"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
