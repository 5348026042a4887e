// Composites of the device's network settings: the single operations, and the host's
// "Network", "IPv6" and port tables built from (and sent as) several of them.
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifNetworkConversions.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifNetwork.h"

namespace RPC {
namespace Onvif {

namespace {

bool callDevice(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", command);
}

// A request for one step of a composite: the caller's service address when it gave one
// (a device found by discovery has no cached address), else none, so the step looks it up.
Json::Value stepRequest(const Json::Value& request)
{
    Json::Value step(Json::objectValue);
    const Json::Value& xaddr = request.isObject() ? request.get("XAddr", Json::Value()) : Json::Value();
    if (xaddr.isString() && !xaddr.asString().empty())
        step["XAddr"] = xaddr;
    return step;
}

// One step of a composite: the operation's own request and result records.
bool step(const ServerInfo& info, const Json::Value& request, Json::Value stepReq, Json::Value& stepRsp,
          bool (*script)(const ServerInfo&, Json::Value&, Json::Value&))
{
    Json::Value req = stepRequest(request);
    for (const std::string& name : stepReq.getMemberNames())
        req[name] = stepReq[name];
    stepRsp = Json::Value(Json::objectValue);
    return script(info, req, stepRsp);
}

bool readStep(const ServerInfo& info, const Json::Value& request, Json::Value& stepRsp,
              bool (*script)(const ServerInfo&, Json::Value&, Json::Value&))
{
    return step(info, request, Json::Value(Json::objectValue), stepRsp, script);
}

std::string tokenOf(const Json::Value& interfaces, int index)
{
    const Json::Value& list = interfaces.get("NetworkInterfaces", Json::Value());
    if (!list.isArray() || index < 0 || static_cast<Json::ArrayIndex>(index) >= list.size())
        return std::string();
    return memberText(list[index], "token");
}

// SetNetworkDefaultGateway with one family replaced and the other kept as the device has it.
bool replaceGateway(const ServerInfo& info, const Json::Value& request, const Json::Value& current,
                    const char* family, const std::string& address)
{
    Json::Value set(Json::objectValue);
    for (const char* kept : {"IPv4Address", "IPv6Address"}) {
        const Json::Value& list = current.get("NetworkGateway", Json::Value()).get(kept, Json::Value());
        if (list.isArray())
            set[kept] = list;
    }
    set[family] = Json::Value(Json::arrayValue);
    set[family].append(address);
    Json::Value unused;
    return step(info, request, set, unused, setNetworkDefaultGateway);
}

std::string firstGateway(const Json::Value& gateway, const char* family)
{
    const Json::Value& list = gateway.get("NetworkGateway", Json::Value()).get(family, Json::Value());
    return list.isArray() && !list.empty() && list[0].isString() ? list[0].asString() : std::string();
}

// The interface members of a host table in index order.
template <class Fn>
bool forEachEth(const Json::Value& table, Fn fn)
{
    if (!table.isObject())
        return false;
    for (const std::string& name : table.getMemberNames()) {
        if (ethIndex(name) >= 0 && table[name].isObject() && !fn(name, ethIndex(name), table[name]))
            return false;
    }
    return true;
}

// The first non-empty text of `key` among the interfaces of a host table, and where.
std::string firstEthText(const Json::Value& table, const char* key, std::string& ethName)
{
    std::string found;
    forEachEth(table, [&](const std::string& name, int, const Json::Value& eth) {
        if (found.empty() && !memberText(eth, key).empty()) {
            found = memberText(eth, key);
            ethName = name;
        }
        return true;
    });
    return found;
}

} // namespace

bool getNetworkInterfaces(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetNetworkinterfaces");
}

bool setNetworkInterfaces(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetNetworkInterfaces");
}

bool getNetworkDefaultGateway(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetNetworkDefaultGateway");
}

bool setNetworkDefaultGateway(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetNetworkDefaultGateway");
}

bool getDNS(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetDNSSettings");
}

bool setDNS(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetDNSSettings");
}

bool getNTP(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetNTPSettings");
}

bool setNTP(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetNTPSettings");
}

bool getHostname(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetHostname");
}

bool setHostname(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return unlistedOpList(info, request, result, "Device", "DeviceManagement", COnvifNetwork::unlistedOperations(),
                          "SetHostname");
}

bool setHostnameFromDHCP(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetHostnameFromDHCP");
}

bool getNetworkProtocols(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetNetworkProtocols");
}

bool setNetworkProtocols(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetNetworkProtocols");
}

bool getZeroConfiguration(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "GetZeroCfg");
}

bool setZeroConfiguration(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "SetZeroCfg");
}

// ---- "Network" ---------------------------------------------------------------------

bool getConfigNetwork(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    Json::Value interfaces, dns, gateway;
    if (!readStep(info, request, interfaces, getNetworkInterfaces) || !readStep(info, request, dns, getDNS)) {
        ONVIF_LOG(LOG_WARN, "getConfigNetwork failed!\n");
        return false;
    }
    if (!readStep(info, request, gateway, getNetworkDefaultGateway)) {
        ONVIF_LOG(LOG_WARN, "getConfigDefaultGateway failed!\n");
        return false;
    }
    result = networkTableFromDevice(interfaces, dns, gateway);
    return true;
}

namespace {

// Sends SetNetworkInterfaces for every "eth<n>" member of a host table, each request made
// by `build` from the member and the token of the device's n-th interface; the device's
// "RebootNeeded" goes to the result.
using InterfaceRequestBuilder = bool (*)(const Json::Value& eth, const std::string& token, Json::Value& request,
                                         std::string* error);

bool setInterfacesFromTable(const ServerInfo& info, Json::Value& request, Json::Value& result,
                            InterfaceRequestBuilder build)
{
    Json::Value interfaces;
    if (!readStep(info, request, interfaces, getNetworkInterfaces)) {
        ONVIF_LOG(LOG_WARN, "getConfigNetwork failed!\n");
        return false;
    }
    bool rebootNeeded = false;
    const bool done = forEachEth(request, [&](const std::string& name, int index, const Json::Value& eth) {
        const std::string token = tokenOf(interfaces, index);
        Json::Value set, answer;
        std::string why = "the device has no such interface";
        if (token.empty() || !build(eth, token, set, &why)) {
            if (build == interfaceRequestFromHost && !token.empty())
                ONVIF_LOG(LOG_WARN, "setNetworkInterface SubnetMask is invaild, SubnetMask:[%s]!!\n",
                          memberText(eth, "SubnetMask").c_str());
            ONVIF_LOG(LOG_WARN, "setNetworkInterface failed, ethName:[%s]!! %s\n", name.c_str(), why.c_str());
            return false;
        }
        if (!step(info, request, set, answer, setNetworkInterfaces)) {
            ONVIF_LOG(LOG_WARN, "setNetworkInterface failed, ethName:[%s]!!\n", name.c_str());
            return false;
        }
        rebootNeeded = rebootNeeded || answer.get("RebootNeeded", false).asBool();
        return true;
    });
    result["RebootNeeded"] = rebootNeeded;
    return done;
}

// The gateway of one family, when the host table names one.
bool setGatewayFromTable(const ServerInfo& info, const Json::Value& request, const char* family,
                         const std::string& address, const std::string& ethName)
{
    if (address.empty())
        return true;
    Json::Value gateway;
    if (!readStep(info, request, gateway, getNetworkDefaultGateway) ||
        !replaceGateway(info, request, gateway, family, address)) {
        ONVIF_LOG(LOG_WARN, "setNetworkDefaultGateway failed!!, ethName:[%s]\n", ethName.c_str());
        return false;
    }
    return true;
}

} // namespace

// Interfaces first, then DNS, then the gateway, in the order a camera's own web page
// applies them.
bool setConfigNetwork(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!setInterfacesFromTable(info, request, result, interfaceRequestFromHost))
        return false;
    const Json::Value dns = dnsRequestFromHost(request);
    Json::Value unused;
    if (!dns.isNull() && !step(info, request, dns, unused, setDNS)) {
        ONVIF_LOG(LOG_WARN, "setDNS failed!!\n");
        return false;
    }
    std::string ethName;
    const std::string gateway = firstEthText(request, "DefaultGateway", ethName);
    return setGatewayFromTable(info, request, "IPv4Address", gateway, ethName);
}

// ---- "IPv6" ------------------------------------------------------------------------

bool getConfigIPv6(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    Json::Value interfaces, gateway;
    if (!readStep(info, request, interfaces, getNetworkInterfaces)) {
        ONVIF_LOG(LOG_WARN, "getConfigIPv6 failed!\n");
        return false;
    }
    if (!readStep(info, request, gateway, getNetworkDefaultGateway)) {
        ONVIF_LOG(LOG_WARN, "getConfigDefaultGateway failed!\n");
        return false;
    }
    result = ipv6TableFromDevice(interfaces, gateway);
    return true;
}

bool setConfigIPv6(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return setInterfacesFromTable(info, request, result, ipv6RequestFromHost) &&
           setGatewayFromTable(info, request, "IPv6Address", memberText(request, "DefaultGateway"), "DefaultGateway");
}

// ---- Ports ---------------------------------------------------------------------------

bool getConfigDevicePort(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    Json::Value protocols;
    if (!readStep(info, request, protocols, getNetworkProtocols))
        return false;
    result = portsFromDevice(protocols);
    return true;
}

bool setConfigDevicePort(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject())
        return false;
    Json::Value entries(Json::arrayValue);
    if (request.isMember("Name"))
        entries.append(request);
    else if (request.get("NetworkProtocols", Json::Value()).isArray())
        entries = request["NetworkProtocols"];
    Json::Value set(Json::objectValue);
    set["NetworkProtocols"] = Json::Value(Json::arrayValue);
    for (const Json::Value& entry : entries) {
        if (!entry.isObject()) {
            ONVIF_LOG(LOG_WARN, "setConfigDevicePort: a protocol is not a record\n");
            return false;
        }
        const Json::Value& name = entry.get("Name", Json::Value());
        const Json::Value& port = entry.get("Port", Json::Value());
        const Json::Value& enabled = entry.get("Enabled", true);
        if (!name.isString() || name.asString().empty() || !port.isInt() || port.asInt() < 1 ||
            port.asInt() > 65535 || !enabled.isBool()) {
            ONVIF_LOG(LOG_WARN, "setConfigDevicePort: a protocol needs a Name and a Port of 1..65535\n");
            return false;
        }
        Json::Value protocol(Json::objectValue);
        protocol["Name"] = name;
        protocol["Enabled"] = enabled;
        protocol["Port"].append(port);
        set["NetworkProtocols"].append(protocol);
    }
    if (set["NetworkProtocols"].empty()) {
        ONVIF_LOG(LOG_WARN, "setConfigDevicePort: no protocol given\n");
        return false;
    }
    return step(info, request, set, result, setNetworkProtocols);
}

// ---- Re-addressing a found device ----------------------------------------------------------

namespace {

bool holdsAddress(const Json::Value& interface, const std::string& address)
{
    const Json::Value& config = interface.get("IPv4", Json::Value()).get("Config", Json::Value());
    if (!config.isObject())
        return false;
    for (const Json::Value& manual : config.get("Manual", Json::Value()))
        if (memberText(manual, "Address") == address)
            return true;
    for (const char* single : {"FromDHCP", "LinkLocal"})
        if (memberText(config, single, "Address") == address)
            return true;
    return false;
}

} // namespace

bool changeIPv4Address(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject())
        return false;
    const std::string oldAddress = memberText(request, "IPAddressOld");
    const std::string newAddress = memberText(request, "IPAddress");
    const int prefixLength = prefixLengthOfMask(memberText(request, "SubnetMask"));
    if (oldAddress.empty() || newAddress.empty() || prefixLength < 0) {
        ONVIF_LOG(LOG_WARN, "config info incorrect!\n");
        return false;
    }
    Json::Value interfaces, gateway;
    if (!readStep(info, request, interfaces, getNetworkInterfaces)) {
        ONVIF_LOG(LOG_WARN, "getConfigNetwork failed!\n");
        return false;
    }
    ONVIF_LOG(LOG_INFO, "getNetworkInterface\n%s", interfaces.toStyledString().c_str());
    if (!readStep(info, request, gateway, getNetworkDefaultGateway)) {
        ONVIF_LOG(LOG_WARN, "getNetworkDefaultGateway failed!\n");
        return false;
    }
    ONVIF_LOG(LOG_INFO, "getNetworkDefaultGateway:\n%s", gateway.toStyledString().c_str());

    std::string token;
    for (const Json::Value& interface : interfaces.get("NetworkInterfaces", Json::Value()))
        if (token.empty() && holdsAddress(interface, oldAddress))
            token = memberText(interface, "token");
    if (token.empty()) {
        ONVIF_LOG(LOG_WARN, "can not find the token of same ip address with device!\n");
        return false;
    }
    Json::Value set(Json::objectValue);
    set["InterfaceToken"] = token;
    Json::Value& ipv4 = set["NetworkInterface"]["IPv4"];
    set["NetworkInterface"]["Enabled"] = true;
    ipv4["Enabled"] = true;
    if (request["DhcpEnable"].isBool())
        ipv4["DHCP"] = request["DhcpEnable"];
    ipv4["Manual"][0]["Address"] = newAddress;
    ipv4["Manual"][0]["PrefixLength"] = prefixLength;
    if (!step(info, request, set, result, setNetworkInterfaces)) {
        ONVIF_LOG(LOG_WARN, "setNetworkInterface failed!!\n");
        return false;
    }
    const std::string wanted = memberText(request, "DefaultGateway");
    if (wanted.empty() || wanted == firstGateway(gateway, "IPv4Address")) {
        ONVIF_LOG(LOG_INFO, "no need to setNetworkDefaultGateway!\n");
        return true;
    }
    if (!replaceGateway(info, request, gateway, "IPv4Address", wanted)) {
        ONVIF_LOG(LOG_WARN, "setNetworkDefaultGateway failed!\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
