#pragma once
// Operation rows the exchange tests run against scripted endpoints: one ordinary
// authenticated operation and one anonymous-first operation, shaped like the device
// service's GetWsdlUrl and GetCapabilities.
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace OnvifTest {

using namespace RPC::Onvif;

constexpr OnvifService kTestDevice{"tds", Namespaces::kDevice};

inline const OnvifField kWsdlUrlOut[] = {textField("WsdlUrl", "./tds:WsdlUrl"), {}};

inline const OnvifOperation kGetWsdlUrl = kTestDevice("GetWsdlUrl").out(kWsdlUrlOut).flag(OP_LOG_RESPONSE_FAIL);

inline const OnvifField kCapabilitiesIn[] = {textField("Category", "./tds:Category").defaultsTo("All"), {}};

inline const OnvifField kCapabilitiesOut[] = {
    textField("Device.XAddr", "./tds:Capabilities/tt:Device/tt:XAddr"),
    textField("Media.XAddr", "./tds:Capabilities/tt:Media/tt:XAddr"),
    {},
};

inline const OnvifOperation kGetCapabilities =
    kTestDevice("GetCapabilities").in(kCapabilitiesIn).out(kCapabilitiesOut).flag(OP_ANONYMOUS_FIRST | OP_UNAUTH_INFO);

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
