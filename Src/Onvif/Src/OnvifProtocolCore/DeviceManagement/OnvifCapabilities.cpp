#include "OnvifProtocolCore/DeviceManagement/OnvifCapabilities.h"

#include <string>

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifServiceType.h"

namespace RPC {
namespace Onvif {

namespace {

// A missing Category asks for everything; an empty one leaves the choice to the device.
const OnvifField kCapabilitiesIn[] = {textField("Category", "./tds:Category").defaultsTo("All"), {}};

// Only the service addresses: the information centre finds every other service by them.
const OnvifField kServiceAddress[] = {textField("XAddr", "XAddr"), {}};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap()
    {
        for (const char* service : {"Device", "Events", "Media", "PTZ", "Imaging", "Analytics"})
            add(std::string("Capabilities.") + service, std::string("./Capabilities/") + service, {kServiceAddress});
        for (const char* service : {"DeviceIO", "Recording", "Search", "Replay"})
            add(std::string("Capabilities.Extension.") + service, std::string("./Capabilities/Extension/") + service,
                {kServiceAddress});
    }
};

const OnvifField kServicesIn[] = {boolField("IncludeCapability", "./tds:IncludeCapability").defaultsTo("false"), {}};

// "Capabilities" is the text the SOAP library gives for the element. The element holds
// child elements with attributes, so that is only its direct text, mostly empty; the
// service addresses are what callers use.
const OnvifField kServiceRecord[] = {
    textField("Namespace", "./Service[%d]/Namespace"),
    textField("XAddr", "./Service[%d]/XAddr"),
    textField("Capabilities", "./Service[%d]/Capabilities"),
    intField("Version.Major", "./Service[%d]/Version/Major").always(),
    intField("Version.Minor", "./Service[%d]/Version/Minor").always(),
    {},
};

const OnvifField kServicesOut[] = {recordListField("Service", "./Service", kServiceRecord), {}};

// The address type of each service comes from its namespace, so the information centre
// can file "http://www.onvif.org/ver20/media/wsdl" under "Media2".
int classifyServices(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    if (!rsp.isObject() || !rsp.isMember("Service") || !rsp["Service"].isArray())
        return 0;
    for (Json::Value& service : rsp["Service"]) {
        if (!service.isObject())
            continue;   // a caller's own record, not one read from this answer
        const Json::Value* ns = service.find("Namespace", "Namespace" + 9);
        service["ServiceType"] = getServiceTypeByNamespace(ns && ns->isString() ? ns->asCString() : nullptr);
    }
    return 0;
}

// Every flag is written, false when the device leaves it out: callers test them without a
// presence check. Attribute names as they travel ("TLS1.0") become keys with the dot
// escaped ("TLS1_x002e0"), the form callers use; a dot in a key would nest the record.
const OnvifField kNetworkCaps[] = {
    boolField("IPFilter", "@IPFilter").always(),
    boolField("ZeroConfiguration", "@ZeroConfiguration").always(),
    boolField("IPVersion6", "@IPVersion6").always(),
    boolField("DynDNS", "@DynDNS").always(),
    boolField("Dot11Configuration", "@Dot11Configuration").always(),
    boolField("HostnameFromDHCP", "@HostnameFromDHCP").always(),
    boolField("DHCPv6", "@DHCPv6").always(),
    intField("Dot1XConfigurations", "@Dot1XConfigurations").always(),
    intField("NTP", "@NTP").always(),
    {},
};
const OnvifField kSecurityCaps[] = {
    boolField("TLS1_x002e0", "@TLS1.0").always(),
    boolField("TLS1_x002e1", "@TLS1.1").always(),
    boolField("TLS1_x002e2", "@TLS1.2").always(),
    boolField("OnboardKeyGeneration", "@OnboardKeyGeneration").always(),
    boolField("AccessPolicyConfig", "@AccessPolicyConfig").always(),
    boolField("DefaultAccessPolicy", "@DefaultAccessPolicy").always(),
    boolField("Dot1X", "@Dot1X").always(),
    boolField("RemoteUserHandling", "@RemoteUserHandling").always(),
    boolField("X_x002e509Token", "@X.509Token").always(),
    boolField("SAMLToken", "@SAMLToken").always(),
    boolField("KerberosToken", "@KerberosToken").always(),
    boolField("UsernameToken", "@UsernameToken").always(),
    boolField("HttpDigest", "@HttpDigest").always(),
    boolField("RELToken", "@RELToken").always(),
    textField("SupportedEAPMethods", "@SupportedEAPMethods"),
    {},
};
const OnvifField kSystemCaps[] = {
    boolField("DiscoveryResolve", "@DiscoveryResolve").always(),
    boolField("DiscoveryBye", "@DiscoveryBye").always(),
    boolField("RemoteDiscovery", "@RemoteDiscovery").always(),
    boolField("SystemBackup", "@SystemBackup").always(),
    boolField("SystemLogging", "@SystemLogging").always(),
    boolField("FirmwareUpgrade", "@FirmwareUpgrade").always(),
    boolField("HttpFirmwareUpgrade", "@HttpFirmwareUpgrade").always(),
    boolField("HttpSystemBackup", "@HttpSystemBackup").always(),
    boolField("HttpSystemLogging", "@HttpSystemLogging").always(),
    boolField("HttpSupportInformation", "@HttpSupportInformation").always(),
    {},
};
// Only written when the device names its auxiliary commands.
const OnvifField kMiscCaps[] = {textField("AuxiliaryCommands", "@AuxiliaryCommands"), {}};
struct CServiceCapabilitiesMap : COnvifFieldMap {
    CServiceCapabilitiesMap()
    {
        add("Capabilities.Network", "./Capabilities/Network", {kNetworkCaps});
        add("Capabilities.Security", "./Capabilities/Security", {kSecurityCaps});
        add("Capabilities.System", "./Capabilities/System", {kSystemCaps});
        add("Capabilities.Misc", "./Capabilities/Misc", {kMiscCaps});
    }
};

const OnvifField kWsdlUrlOut[] = {textField("WsdlUrl", "./WsdlUrl"), {}};
const OnvifField kAuxiliaryIn[] = {textField("AuxiliaryCommand", "./tds:AuxiliaryCommand"), {}};
const OnvifField kAuxiliaryOut[] = {textField("AuxiliaryCommandResponse", "./AuxiliaryCommandResponse"), {}};

constexpr OnvifService kTds{"tds", Namespaces::kDevice};

// GetCapabilities, GetServices: asked before we know whether the device wants
// credentials. Only a refused GetCapabilities reports "UNAUTH": login reads it as wrong
// credentials, while GetServices failing just means falling back to GetCapabilities.
const OnvifOperation kRows[] = {
    kTds("GetCapabilities").in(kCapabilitiesIn).out(fieldsOf<CCapabilitiesMap>())
        .flag(OP_ANONYMOUS_FIRST | OP_UNAUTH_INFO),
    kTds("GetWsdlUrl").out(kWsdlUrlOut),
    kTds("GetServices").in(kServicesIn).out(kServicesOut).flag(OP_ANONYMOUS_FIRST).reads(classifyServices),
    kTds("GetServiceCapabilities").out(fieldsOf<CServiceCapabilitiesMap>()).flag(OP_LOG_RESPONSE_FAIL),
    kTds("SendMgmtAuxiliaryCommand", "SendAuxiliaryCommand").in(kAuxiliaryIn).out(kAuxiliaryOut)
        .flag(OP_LOG_RESPONSE_FAIL),
};

} // namespace

const COnvifOperationTable& COnvifCapabilities::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
