#pragma once
// Operation rows the exchange tests run against scripted endpoints: one ordinary
// authenticated operation and one anonymous-first operation, shaped like the device
// service's GetWsdlUrl and GetCapabilities.
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace OnvifTest {

using namespace RPC::Onvif;

inline const OnvifField kWsdlUrlOut[] = {
    {"WsdlUrl", "./tds:WsdlUrl", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {nullptr, nullptr, FIELD_TEXT, 0, nullptr},
};

inline const OnvifOperation kGetWsdlUrl = {
    "GetWsdlUrl", "/tds:GetWsdlUrl", Namespaces::kDevice, nullptr, kWsdlUrlOut, OP_LOG_RESPONSE_FAIL,
    nullptr, nullptr, nullptr};

inline const OnvifField kCapabilitiesIn[] = {
    {"Category", "./tds:Category", FIELD_TEXT, FIELD_DEFAULT, "All"},
    {nullptr, nullptr, FIELD_TEXT, 0, nullptr},
};

inline const OnvifField kCapabilitiesOut[] = {
    {"Device.XAddr", "./tds:Capabilities/tt:Device/tt:XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Media.XAddr", "./tds:Capabilities/tt:Media/tt:XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {nullptr, nullptr, FIELD_TEXT, 0, nullptr},
};

inline const OnvifOperation kGetCapabilities = {
    "GetCapabilities", "/tds:GetCapabilities", Namespaces::kDevice, kCapabilitiesIn, kCapabilitiesOut,
    OP_ANONYMOUS_FIRST | OP_UNAUTH_INFO, nullptr, nullptr, nullptr};

inline std::string wsdlUrlAnswer()
{
    return "<tds:GetWsdlUrlResponse><tds:WsdlUrl>http://www.onvif.org/</tds:WsdlUrl></tds:GetWsdlUrlResponse>";
}

inline std::string capabilitiesAnswer()
{
    return "<tds:GetCapabilitiesResponse><tds:Capabilities>"
           "<tt:Device><tt:XAddr>http://10.0.0.5/onvif/device_service</tt:XAddr></tt:Device>"
           "<tt:Media><tt:XAddr>http://10.0.0.5/onvif/media</tt:XAddr></tt:Media>"
           "</tds:Capabilities></tds:GetCapabilitiesResponse>";
}

} // namespace OnvifTest
