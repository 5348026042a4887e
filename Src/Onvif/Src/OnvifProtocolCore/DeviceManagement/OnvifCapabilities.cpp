#include "OnvifProtocolCore/DeviceManagement/OnvifCapabilities.h"

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifServiceType.h"

namespace RPC {
namespace Onvif {

namespace {

// Field lists end with an empty row ({}: key == nullptr).

// A missing Category asks for everything; an empty one leaves the choice to the device.
const OnvifField kCapabilitiesIn[] = {
    {"Category", "./tds:Category", FIELD_TEXT, FIELD_DEFAULT, "All"},
    {},
};

// Only the service addresses: the information centre finds every other service by them.
const OnvifField kCapabilitiesOut[] = {
    {"Capabilities.Device.XAddr", "./Capabilities/Device/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.Events.XAddr", "./Capabilities/Events/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.Media.XAddr", "./Capabilities/Media/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.PTZ.XAddr", "./Capabilities/PTZ/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.Imaging.XAddr", "./Capabilities/Imaging/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.Analytics.XAddr", "./Capabilities/Analytics/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities.Extension.DeviceIO.XAddr", "./Capabilities/Extension/DeviceIO/XAddr", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    {"Capabilities.Extension.Recording.XAddr", "./Capabilities/Extension/Recording/XAddr", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    {"Capabilities.Extension.Search.XAddr", "./Capabilities/Extension/Search/XAddr", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    {"Capabilities.Extension.Replay.XAddr", "./Capabilities/Extension/Replay/XAddr", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kServicesIn[] = {
    {"IncludeCapability", "./tds:IncludeCapability", FIELD_BOOL, FIELD_DEFAULT, "false"},
    {},
};

// "Capabilities" is the text the SOAP library gives for the element. The element holds
// child elements with attributes, so that is only its direct text, mostly empty; the
// service addresses are what callers use.
const OnvifField kServiceRecord[] = {
    {"Namespace", "./Service[%d]/Namespace", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"XAddr", "./Service[%d]/XAddr", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Capabilities", "./Service[%d]/Capabilities", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {"Version.Major", "./Service[%d]/Version/Major", FIELD_INT, FIELD_ALWAYS, nullptr},
    {"Version.Minor", "./Service[%d]/Version/Minor", FIELD_INT, FIELD_ALWAYS, nullptr},
    {},
};

const OnvifField kServicesOut[] = {
    {"Service", "./Service", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kServiceRecord},
    {},
};

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

// Attribute names as they travel ("TLS1.0") become keys with the dot escaped
// ("TLS1_x002e0"), the form callers use; a dot in a key would nest the record.
#define CAPS_FLAG(group, key, attr) \
    {"Capabilities." group "." key, "./Capabilities/" group "/@" attr, FIELD_BOOL, FIELD_ALWAYS, nullptr}
#define CAPS_INT(group, key) \
    {"Capabilities." group "." key, "./Capabilities/" group "/@" key, FIELD_INT, FIELD_ALWAYS, nullptr}

const OnvifField kServiceCapabilitiesOut[] = {
    CAPS_FLAG("Network", "IPFilter", "IPFilter"),
    CAPS_FLAG("Network", "ZeroConfiguration", "ZeroConfiguration"),
    CAPS_FLAG("Network", "IPVersion6", "IPVersion6"),
    CAPS_FLAG("Network", "DynDNS", "DynDNS"),
    CAPS_FLAG("Network", "Dot11Configuration", "Dot11Configuration"),
    CAPS_FLAG("Network", "HostnameFromDHCP", "HostnameFromDHCP"),
    CAPS_FLAG("Network", "DHCPv6", "DHCPv6"),
    CAPS_INT("Network", "Dot1XConfigurations"),
    CAPS_INT("Network", "NTP"),
    CAPS_FLAG("Security", "TLS1_x002e0", "TLS1.0"),
    CAPS_FLAG("Security", "TLS1_x002e1", "TLS1.1"),
    CAPS_FLAG("Security", "TLS1_x002e2", "TLS1.2"),
    CAPS_FLAG("Security", "OnboardKeyGeneration", "OnboardKeyGeneration"),
    CAPS_FLAG("Security", "AccessPolicyConfig", "AccessPolicyConfig"),
    CAPS_FLAG("Security", "DefaultAccessPolicy", "DefaultAccessPolicy"),
    CAPS_FLAG("Security", "Dot1X", "Dot1X"),
    CAPS_FLAG("Security", "RemoteUserHandling", "RemoteUserHandling"),
    CAPS_FLAG("Security", "X_x002e509Token", "X.509Token"),
    CAPS_FLAG("Security", "SAMLToken", "SAMLToken"),
    CAPS_FLAG("Security", "KerberosToken", "KerberosToken"),
    CAPS_FLAG("Security", "UsernameToken", "UsernameToken"),
    CAPS_FLAG("Security", "HttpDigest", "HttpDigest"),
    CAPS_FLAG("Security", "RELToken", "RELToken"),
    {"Capabilities.Security.SupportedEAPMethods", "./Capabilities/Security/@SupportedEAPMethods", FIELD_TEXT,
     FIELD_DEFAULT, nullptr},
    CAPS_FLAG("System", "DiscoveryResolve", "DiscoveryResolve"),
    CAPS_FLAG("System", "DiscoveryBye", "DiscoveryBye"),
    CAPS_FLAG("System", "RemoteDiscovery", "RemoteDiscovery"),
    CAPS_FLAG("System", "SystemBackup", "SystemBackup"),
    CAPS_FLAG("System", "SystemLogging", "SystemLogging"),
    CAPS_FLAG("System", "FirmwareUpgrade", "FirmwareUpgrade"),
    CAPS_FLAG("System", "HttpFirmwareUpgrade", "HttpFirmwareUpgrade"),
    CAPS_FLAG("System", "HttpSystemBackup", "HttpSystemBackup"),
    CAPS_FLAG("System", "HttpSystemLogging", "HttpSystemLogging"),
    CAPS_FLAG("System", "HttpSupportInformation", "HttpSupportInformation"),
    // Only written when the device names its auxiliary commands.
    {"Capabilities.Misc.AuxiliaryCommands", "./Capabilities/Misc/@AuxiliaryCommands", FIELD_TEXT, FIELD_DEFAULT,
     nullptr},
    {},
};

#undef CAPS_FLAG
#undef CAPS_INT

const OnvifField kWsdlUrlOut[] = {
    {"WsdlUrl", "./WsdlUrl", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kAuxiliaryIn[] = {
    {"AuxiliaryCommand", "./tds:AuxiliaryCommand", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const OnvifField kAuxiliaryOut[] = {
    {"AuxiliaryCommandResponse", "./AuxiliaryCommandResponse", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

// GetCapabilities, GetServices: asked before we know whether the device wants
// credentials. Only a refused GetCapabilities reports "UNAUTH": login reads it as wrong
// credentials, while GetServices failing just means falling back to GetCapabilities.
const OnvifOperation kCapabilitiesRows[] = {
    {"GetCapabilities", "/tds:GetCapabilities", Namespaces::kDevice, kCapabilitiesIn, kCapabilitiesOut,
     OP_ANONYMOUS_FIRST | OP_UNAUTH_INFO, nullptr, nullptr, nullptr},
    {"GetWsdlUrl", "/tds:GetWsdlUrl", Namespaces::kDevice, nullptr, kWsdlUrlOut, OP_DEFAULT, nullptr, nullptr,
     nullptr},
    {"GetServices", "/tds:GetServices", Namespaces::kDevice, kServicesIn, kServicesOut, OP_ANONYMOUS_FIRST, nullptr,
     nullptr, classifyServices},
    {"GetServiceCapabilities", "/tds:GetServiceCapabilities", Namespaces::kDevice, nullptr,
     kServiceCapabilitiesOut, OP_LOG_RESPONSE_FAIL, nullptr, nullptr, nullptr},
};

// Sends SendAuxiliaryCommand; callers name it "SendMgmtAuxiliaryCommand".
const OnvifOperation kSendAuxiliaryCommand = {
    "SendAuxiliaryCommand", "/tds:SendAuxiliaryCommand", Namespaces::kDevice, kAuxiliaryIn, kAuxiliaryOut,
    OP_LOG_RESPONSE_FAIL, nullptr, nullptr, nullptr};

const COnvifOperationTable<COnvifCapabilities>& capabilitiesTable()
{
    static const COnvifOperationTable<COnvifCapabilities> table(
        kCapabilitiesRows, sizeof kCapabilitiesRows / sizeof kCapabilitiesRows[0],
        {{"SendMgmtAuxiliaryCommand", &COnvifCapabilities::runAs<kSendAuxiliaryCommand>}});
    return table;
}

} // namespace

int COnvifCapabilities::dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp)
{
    return capabilitiesTable().dispatch(*this, name, req, rsp);
}

} // namespace Onvif
} // namespace RPC
