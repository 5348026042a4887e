#include "OnvifProtocolCore/DeviceManagement/OnvifNetwork.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifFramework/Utility/OnvifRequestRecords.h"

namespace RPC {
namespace Onvif {

namespace {

using CommonFields::kNetworkHost;

// tt:PrefixedIPv4Address and tt:PrefixedIPv6Address.
const OnvifField kPrefixedAddress[] = {textField("Address", "Address"), intField("PrefixLength", "PrefixLength"), {}};
// tt:IPAddress: DNS servers.
const OnvifField kIPAddress[] = {
    textField("Type", "Type"),
    textListField("IPv4Address", "IPv4Address[%d]"),
    textListField("IPv6Address", "IPv6Address[%d]"),
    {},
};

// ---- Network interfaces ----------------------------------------------------------------

// Parts an interface has only when the device sends them: an absent element leaves no key.
const OnvifField kInterfaceHead[] = {
    textField("token", "@token"),
    boolField("Enabled", "Enabled"),
    textField("Info.Name", "Info/Name"),
    textField("Info.HwAddress", "Info/HwAddress"),
    textField("Info.MTU", "Info/MTU"),
    boolField("Link.AdminSettings.AutoNegotiation", "Link/AdminSettings/AutoNegotiation"),
    intField("Link.AdminSettings.Speed", "Link/AdminSettings/Speed"),
    textField("Link.AdminSettings.Duplex", "Link/AdminSettings/Duplex"),
    boolField("Link.OperSettings.AutoNegotiation", "Link/OperSettings/AutoNegotiation"),
    intField("Link.OperSettings.Speed", "Link/OperSettings/Speed"),
    textField("Link.OperSettings.Duplex", "Link/OperSettings/Duplex"),
    intField("Link.InterfaceType", "Link/InterfaceType"),
    {},
};
const OnvifField kInterfaceIPv4[] = {
    boolField("IPv4.Enabled", "IPv4/Enabled"),
    recordListField("IPv4.Config.Manual", "IPv4/Config/Manual", kPrefixedAddress),
    textField("IPv4.Config.LinkLocal.Address", "IPv4/Config/LinkLocal/Address"),
    intField("IPv4.Config.LinkLocal.PrefixLength", "IPv4/Config/LinkLocal/PrefixLength"),
    textField("IPv4.Config.FromDHCP.Address", "IPv4/Config/FromDHCP/Address"),
    intField("IPv4.Config.FromDHCP.PrefixLength", "IPv4/Config/FromDHCP/PrefixLength"),
    boolField("IPv4.Config.DHCP", "IPv4/Config/DHCP"),
    {},
};
const OnvifField kInterfaceIPv6[] = {
    boolField("IPv6.Enabled", "IPv6/Enabled"),
    boolField("IPv6.Config.AcceptRouterAdvert", "IPv6/Config/AcceptRouterAdvert"),
    textField("IPv6.Config.DHCP", "IPv6/Config/DHCP"),
    recordListField("IPv6.Config.Manual", "IPv6/Config/Manual", kPrefixedAddress),
    recordListField("IPv6.Config.LinkLocal", "IPv6/Config/LinkLocal", kPrefixedAddress),
    recordListField("IPv6.Config.FromDHCP", "IPv6/Config/FromDHCP", kPrefixedAddress),
    recordListField("IPv6.Config.FromRA", "IPv6/Config/FromRA", kPrefixedAddress),
    {},
};
struct CInterfacesOut : COnvifFieldMap {
    CInterfacesOut()
    {
        addList("NetworkInterfaces", "./NetworkInterfaces", {kInterfaceHead, kInterfaceIPv4, kInterfaceIPv6});
    }
};

// Written in the schema's order of tt:NetworkInterfaceSetConfiguration: the manual
// addresses of each family come before its DHCP element, which the hook writes.
const OnvifField kSetInterfaceIn[] = {
    textField("InterfaceToken", "./tds:InterfaceToken"),
    boolField("NetworkInterface.Enabled", "./tds:NetworkInterface/tt:Enabled"),
    boolField("NetworkInterface.Link.AutoNegotiation", "./tds:NetworkInterface/tt:Link/tt:AutoNegotiation"),
    intField("NetworkInterface.Link.Speed", "./tds:NetworkInterface/tt:Link/tt:Speed"),
    textField("NetworkInterface.Link.Duplex", "./tds:NetworkInterface/tt:Link/tt:Duplex"),
    intField("NetworkInterface.MTU", "./tds:NetworkInterface/tt:MTU"),
    boolField("NetworkInterface.IPv4.Enabled", "./tds:NetworkInterface/tt:IPv4/tt:Enabled"),
    {},
};
const OnvifField kSetIPv4ManualIn[] = {
    textField("Address", "./tds:NetworkInterface/tt:IPv4/tt:Manual[%d]/tt:Address"),
    intField("PrefixLength", "./tds:NetworkInterface/tt:IPv4/tt:Manual[%d]/tt:PrefixLength"),
    {},
};
const OnvifField kSetIPv4TailIn[] = {
    boolField("NetworkInterface.IPv4.DHCP", "./tds:NetworkInterface/tt:IPv4/tt:DHCP"),
    boolField("NetworkInterface.IPv6.Enabled", "./tds:NetworkInterface/tt:IPv6/tt:Enabled"),
    boolField("NetworkInterface.IPv6.AcceptRouterAdvert", "./tds:NetworkInterface/tt:IPv6/tt:AcceptRouterAdvert"),
    {},
};
// The address and prefix of a manual IPv6 entry have always gone out without a prefix.
const OnvifField kSetIPv6ManualIn[] = {
    textField("Address", "./tds:NetworkInterface/tt:IPv6/tt:Manual[%d]/Address"),
    intField("PrefixLength", "./tds:NetworkInterface/tt:IPv6/tt:Manual[%d]/PrefixLength"),
    {},
};
const OnvifField kSetIPv6TailIn[] = {textField("NetworkInterface.IPv6.DHCP", "./tds:NetworkInterface/tt:IPv6/tt:DHCP"), {}};

int writeInterfaceAddresses(CSOAPMessage& msg, const Json::Value& req)
{
    if (writeRecordList(msg, req, "NetworkInterface.IPv4.Manual", kSetIPv4ManualIn) != 0 ||
        writeFields(msg, kSetIPv4TailIn, req) != 0 ||
        writeRecordList(msg, req, "NetworkInterface.IPv6.Manual", kSetIPv6ManualIn) != 0)
        return -1;
    return writeFields(msg, kSetIPv6TailIn, req);
}

const OnvifField kRebootNeededOut[] = {boolField("RebootNeeded", "./RebootNeeded"), {}};

// ---- Host name, DNS, NTP, dynamic DNS ----------------------------------------------------

const OnvifField kHostnameOut[] = {
    boolField("HostnameInformation.FromDHCP", "./HostnameInformation/FromDHCP"),
    textField("HostnameInformation.Name", "./HostnameInformation/Name"),
    {},
};
const OnvifField kHostnameIn[] = {textField("Name", "./tds:Name"), {}};
const OnvifField kFromDhcpIn[] = {boolField("FromDHCP", "./tds:FromDHCP"), {}};

const OnvifField kFromDhcp[] = {boolField("FromDHCP", "FromDHCP"), {}};
const OnvifField kSearchDomains[] = {textListField("SearchDomain", "SearchDomain[%d]"), {}};

struct CNtpOut : COnvifFieldMap {
    CNtpOut()
    {
        add("NTPInformation", "./NTPInformation", {kFromDhcp});
        addList("NTPInformation.NTPManual", "./NTPInformation/NTPManual", {kNetworkHost});
        addList("NTPInformation.NTPFromDHCP", "./NTPInformation/NTPFromDHCP", {kNetworkHost});
    }
};
struct CNtpManualIn : COnvifFieldMap {
    CNtpManualIn() { addRequest("", "./tds:NTPManual[%d]", {kNetworkHost}); }
};
int writeNtpManual(CSOAPMessage& msg, const Json::Value& req)
{
    return writeRecordList(msg, req, "NTPManual", fieldsOf<CNtpManualIn>());
}

struct CDnsOut : COnvifFieldMap {
    CDnsOut()
    {
        add("DNSInformation", "./DNSInformation", {kFromDhcp, kSearchDomains});
        addList("DNSInformation.DNSManual", "./DNSInformation/DNSManual", {kIPAddress});
        addList("DNSInformation.DNSFromDHCP", "./DNSInformation/DNSFromDHCP", {kIPAddress});
    }
};
// The schema wants the search domains before the servers.
const OnvifField kSetDnsIn[] = {
    boolField("FromDHCP", "./tds:FromDHCP"),
    textListField("SearchDomain", "./tds:SearchDomain[%d]"),
    {},
};
struct CDnsManualIn : COnvifFieldMap {
    CDnsManualIn() { addRequest("", "./tds:DNSManual[%d]", {kIPAddress}); }
};
int writeDnsManual(CSOAPMessage& msg, const Json::Value& req)
{
    return writeRecordList(msg, req, "DNSManual", fieldsOf<CDnsManualIn>());
}

const OnvifField kDynamicDnsOut[] = {
    textField("DynamicDNSInformation.Type", "./DynamicDNSInformation/Type"),
    textField("DynamicDNSInformation.TTL", "./DynamicDNSInformation/TTL"),
    textListField("DynamicDNSInformation.Name", "./DynamicDNSInformation/Name[%d]"),
    {},
};
const OnvifField kSetDynamicDnsIn[] = {
    textField("Type", "./tds:Type"),
    textListField("Name", "./tds:Name[%d]"),
    textField("TTL", "./tds:TTL"),
    {},
};

// ---- Protocols, gateway, zero configuration, address filters ------------------------

const OnvifField kProtocol[] = {
    textField("Name", "Name"),
    boolField("Enabled", "Enabled"),
    textListField("Port", "Port[%d]"),
    {},
};
struct CProtocolsOut : COnvifFieldMap {
    CProtocolsOut() { addList("NetworkProtocols", "./NetworkProtocols", {kProtocol}); }
};
// Ports are numbers; the list reader gives texts.
int portsAsNumbers(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    if (Json::Value* protocols = findKey(rsp, "NetworkProtocols"))
        textListToInt(*protocols, "Port");
    return 0;
}

// Name, Enabled and each port of every protocol. The children have always been written
// without a prefix; devices read them by local name.
int writeProtocols(CSOAPMessage& msg, const Json::Value& req)
{
    const Json::Value& protocols = req.get("NetworkProtocols", Json::Value());
    if (!protocols.isNull() && !protocols.isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] NetworkProtocols expects an array\n");
        return -1;
    }
    int position = 0;
    for (const Json::Value& protocol : protocols) {
        const Json::Value& name = protocol.get("Name", Json::Value());
        const Json::Value& enabled = protocol.get("Enabled", Json::Value());
        const Json::Value& ports = protocol.get("Port", Json::Value(Json::arrayValue));
        if (!name.isString() || name.asString().empty() || !enabled.isBool() || !ports.isArray()) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] NetworkProtocols[%d] needs Name, Enabled and a Port array\n", position);
            return -1;
        }
        if (msg.set("./tds:NetworkProtocols[%d]/Name", name.asCString(), true, position) != 0 ||
            msg.set("./tds:NetworkProtocols[%d]/Enabled", enabled.asBool(), position) != 0)
            return -1;
        int written = 0;
        for (const Json::Value& port : ports) {
            if (!port.isInt() || msg.set("./tds:NetworkProtocols[%d]/Port[%d]", port.asInt(), position, written) != 0) {
                ONVIF_LOG(LOG_ERROR, "[ERRLN] NetworkProtocols[%d] port not written\n", position);
                return -1;
            }
            ++written;
        }
        ++position;
    }
    return 0;
}

const OnvifField kGatewayOut[] = {
    textListField("NetworkGateway.IPv4Address", "./NetworkGateway/IPv4Address[%d]"),
    textListField("NetworkGateway.IPv6Address", "./NetworkGateway/IPv6Address[%d]"),
    {},
};
const OnvifField kGatewayIn[] = {
    textListField("IPv4Address", "./tds:IPv4Address[%d]"),
    textListField("IPv6Address", "./tds:IPv6Address[%d]"),
    {},
};

const OnvifField kZeroCfgOut[] = {
    textField("ZeroConfiguration.InterfaceToken", "./ZeroConfiguration/InterfaceToken"),
    boolField("ZeroConfiguration.Enabled", "./ZeroConfiguration/Enabled"),
    textListField("ZeroConfiguration.Addresses", "./ZeroConfiguration/Addresses[%d]"),
    {},
};
const OnvifField kZeroCfgIn[] = {
    textField("InterfaceToken", "./tds:InterfaceToken"),
    boolField("Enabled", "./tds:Enabled"),
    {},
};

const OnvifField kFilterType[] = {textField("Type", "Type"), {}};
struct CAddressFilterOut : COnvifFieldMap {
    CAddressFilterOut()
    {
        add("IPAddressFilter", "./IPAddressFilter", {kFilterType});
        addList("IPAddressFilter.IPv4Address", "./IPAddressFilter/IPv4Address", {kPrefixedAddress});
        addList("IPAddressFilter.IPv6Address", "./IPAddressFilter/IPv6Address", {kPrefixedAddress});
    }
};
const OnvifField kAddressFilterIn[] = {textField("IPAddressFilter.Type", "./tds:IPAddressFilter/tt:Type"), {}};
struct CFilterIPv4In : COnvifFieldMap {
    CFilterIPv4In() { addRequest("", "./tds:IPAddressFilter/tt:IPv4Address[%d]", {kPrefixedAddress}); }
};
struct CFilterIPv6In : COnvifFieldMap {
    CFilterIPv6In() { addRequest("", "./tds:IPAddressFilter/tt:IPv6Address[%d]", {kPrefixedAddress}); }
};
int writeFilterAddresses(CSOAPMessage& msg, const Json::Value& req)
{
    if (writeRecordList(msg, req, "IPAddressFilter.IPv4Address", fieldsOf<CFilterIPv4In>()) != 0)
        return -1;
    return writeRecordList(msg, req, "IPAddressFilter.IPv6Address", fieldsOf<CFilterIPv6In>());
}

// ---- Wi-Fi ---------------------------------------------------------------------------

const OnvifField kDot11CapabilitiesOut[] = {
    boolField("TKIP", "./TKIP"),
    boolField("ScanAvailableNetworks", "./ScanAvailableNetworks"),
    boolField("MultipleConfiguration", "./MultipleConfiguration"),
    boolField("AdHocStationMode", "./AdHocStationMode"),
    boolField("WEP", "./WEP"),
    {},
};
const OnvifField kInterfaceTokenIn[] = {textField("InterfaceToken", "./tds:InterfaceToken"), {}};
// The cipher and signal fields are read as flags, as callers have always taken them.
const OnvifField kDot11StatusOut[] = {
    textField("Status.SSID", "./Status/SSID"),
    textField("Status.BSSID", "./Status/BSSID"),
    boolField("Status.PairCipher", "./Status/PairCipher"),
    boolField("Status.GroupCipher", "./Status/GroupCipher"),
    boolField("Status.SignalStrength", "./Status/SignalStrength"),
    textField("Status.ActiveConfigAlias", "./Status/ActiveConfigAlias"),
    {},
};
// "Mangement" is the schema's own spelling.
const OnvifField kDot11Network[] = {
    textField("SSID", "SSID"),
    textField("BSSID", "BSSID"),
    textField("SignalStrength", "SignalStrength"),
    textListField("AuthAndMangementSuite", "AuthAndMangementSuite[%d]"),
    textListField("PairCipher", "PairCipher[%d]"),
    textListField("GroupCipher", "GroupCipher[%d]"),
    {},
};
struct CDot11NetworksOut : COnvifFieldMap {
    CDot11NetworksOut() { addList("Networks", "./Networks", {kDot11Network}); }
};

constexpr OnvifService kTds{"tds", Namespaces::kDevice};

// Operations that only acknowledge have no response fields: the engine's check of the
// response element is all they need.
const OnvifOperation kRows[] = {
    kTds("GetHostname").out(kHostnameOut),
    kTds("GetNTPSettings", "GetNTP").out(fieldsOf<CNtpOut>()),
    // Callers spell it with a lower-case i. Some firmware only answers the interface
    // requests when every namespace it knows is declared.
    kTds("GetNetworkinterfaces", "GetNetworkInterfaces").out(fieldsOf<CInterfacesOut>()).declares(Namespaces::kFull),
    kTds("SetNetworkInterfaces").in(kSetInterfaceIn).writes(writeInterfaceAddresses).out(kRebootNeededOut)
        .declares(Namespaces::kFull),
    kTds("GetDNSSettings", "GetDNS").out(fieldsOf<CDnsOut>()),
    kTds("SetDNSSettings", "SetDNS").in(kSetDnsIn).writes(writeDnsManual),
    kTds("SetNTPSettings", "SetNTP").in(kFromDhcpIn).writes(writeNtpManual),
    kTds("GetDynamicDNSSettings", "GetDynamicDNS").out(kDynamicDnsOut),
    kTds("SetDynamicDNSSettings", "SetDynamicDNS").in(kSetDynamicDnsIn),
    kTds("GetNetworkProtocols").out(fieldsOf<CProtocolsOut>()).reads(portsAsNumbers),
    kTds("SetNetworkProtocols").writes(writeProtocols),
    kTds("GetNetworkDefaultGateway").out(kGatewayOut),
    kTds("SetNetworkDefaultGateway").in(kGatewayIn),
    kTds("GetZeroCfg", "GetZeroConfiguration").out(kZeroCfgOut),
    kTds("SetZeroCfg", "SetZeroConfiguration").in(kZeroCfgIn),
    kTds("GetIPAddressFilter").out(fieldsOf<CAddressFilterOut>()),
    kTds("SetIPAddressFilter").in(kAddressFilterIn).writes(writeFilterAddresses),
    kTds("AddIPAddressFilter").in(kAddressFilterIn).writes(writeFilterAddresses),
    kTds("RemoveIPAddressFilter").in(kAddressFilterIn).writes(writeFilterAddresses),
    kTds("SetHostnameFromDHCP").in(kFromDhcpIn).out(kRebootNeededOut),
    kTds("GetDot11Capabilities").out(kDot11CapabilitiesOut),
    kTds("GetDot11Status").in(kInterfaceTokenIn).out(kDot11StatusOut),
    kTds("ScanAvailableDot11Networks").in(kInterfaceTokenIn).out(fieldsOf<CDot11NetworksOut>()),
};

const OnvifOperation kUnlistedRows[] = {
    kTds("SetHostname").in(kHostnameIn),
};

} // namespace

const COnvifOperationTable& COnvifNetwork::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

const COnvifOperationTable& COnvifNetwork::unlistedOperations()
{
    static const COnvifOperationTable table(kUnlistedRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
