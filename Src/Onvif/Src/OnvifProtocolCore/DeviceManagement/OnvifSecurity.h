#pragma once
// The "Security" area of the device management service: device users, the access policy,
// the remote user, certificates and IEEE 802.1X configurations.
//
// Names served by execute: "GetAccessPolicy", "SetAccessPolicy", "GetUsers", "CreateUsers",
// "DeleteUsers", "SetUser", "CreateDot1XConfiguration", "SetDot1XConfiguration",
// "GetDot1XConfiguration", "GetDot1XConfigurations", "DeleteDot1XConfigurations" (the
// ONVIF DeleteDot1XConfiguration), "CreateCertificate", "GetCertificates",
// "GetCACertificates", "GetCertificatesStatus", "SetCertificatesStatus", "GetPkcs10Request",
// "GetClientCertificateMode", "SetClientCertificateMode", "LoadCACertificates",
// "DeleteCertificates", "GetRemoteUser", "SetRemoteUser", "GetEndpointReference".
//
// Users travel as "User": [{"Username", "Password", "UserLevel"}] (ONVIF's level texts
// "Administrator", "Operator", "User", "Anonymous", "Extended"); DeleteUsers takes
// "Username": [names]. An answer without its response element logs "<Element>Response fail".
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifSecurity : public COnvifProtoChildCore {
public:
    explicit COnvifSecurity(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}

    const char* getServiceName() const override { return "Security"; }

    static const COnvifOperationTable& operationTable();
    // Operations execute() does not offer by name: "GetCertificateInformation",
    // "LoadCertificateWithPrivateKey", "LoadCertificates".
    static const COnvifOperationTable& unlistedOperations();
};

} // namespace Onvif
} // namespace RPC
