#include "OnvifFramework/FunctionScripts/OnvifNetworkConversions.h"

#include <cstdint>
#include <cstdlib>

#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

// Four decimal parts of 0..255 with nothing around them.
bool parseDottedIPv4(const std::string& text, uint32_t& value)
{
    value = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        const size_t begin = pos;
        unsigned number = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - begin < 3)
            number = number * 10 + static_cast<unsigned>(text[pos++] - '0');
        if (pos == begin || number > 255)
            return false;
        value = (value << 8) | number;
    }
    return pos == text.size();
}

const Json::Value& member(const Json::Value& record, const char* dottedKey)
{
    static const Json::Value kNull;
    const Json::Value* v = findKey(record, dottedKey);
    return v ? *v : kNull;
}

// Host tables come from the host and device records from devices: neither is trusted to
// hold the kind of value a member should, and jsoncpp throws on a wrong conversion.
bool flagOf(const Json::Value& v)
{
    return v.isBool() && v.asBool();
}

std::string textOf(const Json::Value& v)
{
    return v.isString() ? v.asString() : std::string();
}

std::string firstText(const Json::Value& list)
{
    return list.isArray() && !list.empty() && list[0].isString() ? list[0].asString() : std::string();
}

bool addressEntry(const Json::Value& entry, std::string& address, int& prefixLength)
{
    const Json::Value& a = member(entry, "Address");
    const Json::Value& p = member(entry, "PrefixLength");
    if (!a.isString() || a.asString().empty())
        return false;
    address = a.asString();
    prefixLength = p.isInt() ? p.asInt() : 0;
    return true;
}

Json::Value prefixedAddress(const std::string& address, int prefixLength)
{
    Json::Value entry(Json::objectValue);
    entry["Address"] = address;
    entry["PrefixLength"] = prefixLength;
    return entry;
}

bool refuse(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// Every server address of the DNS entries in use (the DHCP ones when DNS comes from DHCP).
Json::Value dnsServers(const Json::Value& dnsInformation)
{
    Json::Value servers(Json::arrayValue);
    const bool fromDhcp = flagOf(member(dnsInformation, "FromDHCP"));
    const Json::Value& entries = member(dnsInformation, fromDhcp ? "DNSFromDHCP" : "DNSManual");
    for (const Json::Value& entry : entries)
        for (const char* family : {"IPv4Address", "IPv6Address"})
            for (const Json::Value& address : member(entry, family))
                if (address.isString() && !address.asString().empty())
                    servers.append(address);
    return servers;
}

const char* const kIPv6Origins[] = {"Manual", "LinkLocal", "FromDHCP", "FromRA"};

bool validIPv6Dhcp(const std::string& mode)
{
    return mode == "Auto" || mode == "Stateful" || mode == "Stateless" || mode == "Off";
}

const Json::Value& interfaceList(const Json::Value& interfaces)
{
    static const Json::Value kEmpty(Json::arrayValue);
    const Json::Value& list = member(interfaces, "NetworkInterfaces");
    return list.isArray() ? list : kEmpty;
}

} // namespace

int prefixLengthOfMask(const std::string& mask)
{
    uint32_t bits = 0;
    if (!parseDottedIPv4(mask, bits))
        return -1;
    int length = 0;
    while (length < 32 && (bits & (0x80000000u >> length)))
        ++length;
    // Whatever follows the leading ones must be zero: 255.0.255.0 is no mask.
    const uint32_t expected = length == 0 ? 0 : 0xFFFFFFFFu << (32 - length);
    return bits == expected ? length : -1;
}

std::string maskOfPrefixLength(int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return std::string();
    const uint32_t bits = prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - prefixLength);
    return std::to_string(bits >> 24) + "." + std::to_string((bits >> 16) & 255) + "." +
           std::to_string((bits >> 8) & 255) + "." + std::to_string(bits & 255);
}

int ethIndex(const std::string& memberName)
{
    if (memberName.size() < 4 || memberName.size() > 6 || memberName.compare(0, 3, "eth") != 0)
        return -1;
    int index = 0;
    for (size_t i = 3; i < memberName.size(); ++i) {
        if (memberName[i] < '0' || memberName[i] > '9')
            return -1;
        index = index * 10 + (memberName[i] - '0');
    }
    return index;
}

bool currentIPv4Address(const Json::Value& interface, std::string& address, int& prefixLength)
{
    const Json::Value& config = member(interface, "IPv4.Config");
    if (flagOf(member(config, "DHCP")) && addressEntry(member(config, "FromDHCP"), address, prefixLength))
        return true;
    const Json::Value& manual = member(config, "Manual");
    if (manual.isArray() && !manual.empty() && addressEntry(manual[0], address, prefixLength))
        return true;
    return addressEntry(member(config, "LinkLocal"), address, prefixLength) ||
           addressEntry(member(config, "FromDHCP"), address, prefixLength);
}

Json::Value networkTableFromDevice(const Json::Value& interfaces, const Json::Value& dns, const Json::Value& gateway)
{
    Json::Value table(Json::objectValue);
    const Json::Value& dnsInformation = member(dns, "DNSInformation");
    const std::string ipv4Gateway = firstText(member(gateway, "NetworkGateway.IPv4Address"));
    const Json::Value& list = interfaceList(interfaces);
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& device = list[i];
        Json::Value eth(Json::objectValue);
        eth["InterfaceToken"] = textOf(member(device, "token"));
        const Json::Value& hw = member(device, "Info.HwAddress");
        if (hw.isString())
            eth["PhysicalAddress"] = hw;
        const Json::Value& mtu = member(device, "Info.MTU");
        if (mtu.isString() && !mtu.asString().empty())
            eth["MTU"] = std::atoi(mtu.asCString());
        eth["DhcpEnable"] = flagOf(member(device, "IPv4.Config.DHCP"));
        std::string address;
        int prefixLength = 0;
        if (currentIPv4Address(device, address, prefixLength)) {
            eth["IPAddress"] = address;
            eth["SubnetMask"] = maskOfPrefixLength(prefixLength);
        }
        if (!gateway.isNull())
            eth["DefaultGateway"] = ipv4Gateway;
        if (dnsInformation.isObject()) {
            eth["DnsServers"] = dnsServers(dnsInformation);
            eth["DnsAutoGet"] = flagOf(member(dnsInformation, "FromDHCP"));
        }
        table["eth" + std::to_string(i)] = eth;
    }
    if (dnsInformation.isObject())
        table["Domain"] = firstText(member(dnsInformation, "SearchDomain"));
    return table;
}

bool interfaceRequestFromHost(const Json::Value& eth, const std::string& token, Json::Value& request,
                              std::string* error)
{
    const bool dhcp = flagOf(member(eth, "DhcpEnable"));
    Json::Value ipv4(Json::objectValue);
    ipv4["Enabled"] = true;
    ipv4["DHCP"] = dhcp;
    if (!dhcp) {
        const std::string address = textOf(member(eth, "IPAddress"));
        const std::string mask = textOf(member(eth, "SubnetMask"));
        uint32_t unused = 0;
        if (!parseDottedIPv4(address, unused))
            return refuse(error, "IPAddress [" + address + "] is not a dotted IPv4 address");
        const int prefixLength = prefixLengthOfMask(mask);
        if (prefixLength < 0)
            return refuse(error, "SubnetMask [" + mask + "] is not a mask");
        ipv4["Manual"].append(prefixedAddress(address, prefixLength));
    }
    request = Json::Value(Json::objectValue);
    request["InterfaceToken"] = token;
    request["NetworkInterface"]["Enabled"] = true;
    const Json::Value& mtu = member(eth, "MTU");
    if (mtu.isInt() && mtu.asInt() > 0)
        request["NetworkInterface"]["MTU"] = mtu.asInt();
    request["NetworkInterface"]["IPv4"] = ipv4;
    return true;
}

Json::Value dnsRequestFromHost(const Json::Value& table)
{
    Json::Value request(Json::objectValue);
    if (!table.isObject())
        return Json::Value();
    for (const std::string& name : table.getMemberNames()) {
        const Json::Value& eth = table[name];
        if (ethIndex(name) < 0 || !eth.isObject() || (!eth.isMember("DnsAutoGet") && !eth.isMember("DnsServers")))
            continue;
        request["FromDHCP"] = flagOf(member(eth, "DnsAutoGet"));
        Json::Value manual(Json::arrayValue);
        for (const Json::Value& server : member(eth, "DnsServers")) {
            if (!server.isString() || server.asString().empty())
                continue;
            const bool v6 = server.asString().find(':') != std::string::npos;
            Json::Value entry(Json::objectValue);
            entry["Type"] = v6 ? "IPv6" : "IPv4";
            entry[v6 ? "IPv6Address" : "IPv4Address"].append(server);
            manual.append(entry);
        }
        if (!manual.empty())
            request["DNSManual"] = manual;
        break;
    }
    const Json::Value& domain = member(table, "Domain");
    if (domain.isString() && !domain.asString().empty())
        request["SearchDomain"].append(domain);
    if (!request.empty() && !request.isMember("FromDHCP"))
        request["FromDHCP"] = false;
    return request.empty() ? Json::Value() : request;
}

Json::Value ipv6TableFromDevice(const Json::Value& interfaces, const Json::Value& gateway)
{
    Json::Value table(Json::objectValue);
    const Json::Value& list = interfaceList(interfaces);
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& device = list[i];
        Json::Value eth(Json::objectValue);
        eth["InterfaceToken"] = textOf(member(device, "token"));
        const Json::Value& ipv6 = member(device, "IPv6");
        if (ipv6.isObject()) {
            eth["Enabled"] = flagOf(member(ipv6, "Enabled"));
            eth["AcceptRouterAdvert"] = flagOf(member(ipv6, "Config.AcceptRouterAdvert"));
            eth["DHCP"] = member(ipv6, "Config.DHCP").isString() ? textOf(member(ipv6, "Config.DHCP")) : "Off";
            Json::Value addresses(Json::arrayValue);
            for (const char* origin : kIPv6Origins) {
                for (const Json::Value& entry : member(member(ipv6, "Config"), origin)) {
                    std::string address;
                    int prefixLength = 0;
                    if (!addressEntry(entry, address, prefixLength))
                        continue;
                    Json::Value out = prefixedAddress(address, prefixLength);
                    out["Origin"] = origin;
                    addresses.append(out);
                }
            }
            eth["Addresses"] = addresses;
        }
        table["eth" + std::to_string(i)] = eth;
    }
    if (!gateway.isNull())
        table["DefaultGateway"] = firstText(member(gateway, "NetworkGateway.IPv6Address"));
    return table;
}

bool ipv6RequestFromHost(const Json::Value& eth, const std::string& token, Json::Value& request, std::string* error)
{
    Json::Value ipv6(Json::objectValue);
    ipv6["Enabled"] = flagOf(member(eth, "Enabled"));
    if (member(eth, "AcceptRouterAdvert").isBool())
        ipv6["AcceptRouterAdvert"] = member(eth, "AcceptRouterAdvert");
    const Json::Value& dhcp = member(eth, "DHCP");
    if (!dhcp.isNull()) {
        if (!dhcp.isString() || !validIPv6Dhcp(dhcp.asString()))
            return refuse(error, "DHCP must be Auto, Stateful, Stateless or Off");
        ipv6["DHCP"] = dhcp;
    }
    // Only manual addresses can be set; those the device learnt stay its own business.
    for (const Json::Value& entry : member(eth, "Addresses")) {
        const Json::Value& origin = member(entry, "Origin");
        if (!origin.isNull() && textOf(origin) != "Manual")
            continue;
        std::string address;
        int prefixLength = 0;
        if (!addressEntry(entry, address, prefixLength) || address.find(':') == std::string::npos ||
            prefixLength < 1 || prefixLength > 128)
            return refuse(error, "each manual IPv6 address needs an Address and a PrefixLength of 1..128");
        ipv6["Manual"].append(prefixedAddress(address, prefixLength));
    }
    request = Json::Value(Json::objectValue);
    request["InterfaceToken"] = token;
    request["NetworkInterface"]["IPv6"] = ipv6;
    return true;
}

Json::Value portsFromDevice(const Json::Value& protocols)
{
    Json::Value ports(Json::objectValue);
    for (const Json::Value& protocol : member(protocols, "NetworkProtocols")) {
        const Json::Value& name = member(protocol, "Name");
        if (!name.isString() || name.asString().empty())
            continue;
        Json::Value entry(Json::objectValue);
        entry["Enabled"] = flagOf(member(protocol, "Enabled"));
        const Json::Value& list = member(protocol, "Port");
        if (list.isArray() && !list.empty() && list[0].isInt())
            entry["Port"] = list[0];
        ports[name.asString()] = entry;
    }
    return ports;
}

} // namespace Onvif
} // namespace RPC
