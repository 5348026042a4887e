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
    explicit COnvifCapabilities(const COnvifLoginInfo& login) : COnvifProtoChildCore(login) {}

    const char* getServiceName() const override { return "Capabilities"; }

    // Runs a row under a registered name that differs from its ONVIF operation name.
    template <const OnvifOperation& Row>
    int runAs(const Json::Value& req, Json::Value& rsp)
    {
        return runOperation(Row, m_loginInfo, req, rsp);
    }

protected:
    int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp) override;
};

} // namespace Onvif
} // namespace RPC
