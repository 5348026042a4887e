// Network interfaces, the default gateway and zero configuration, read from and written
// to the network model. A Set checks everything before it changes anything.
#include "Network/NetworkModel.h"
#include "Services/DeviceAdminOps.h"
#include "Services/DeviceOps.h"

namespace OnvifSim {
namespace {

Json::Value* FindInterface(Json::Value& model, const std::string& token)
{
    for (Json::Value& eth : model["interfaces"])
        if (eth["token"].asString() == token)
            return &eth;
    return nullptr;
}

void WriteAddresses(CXmlNode parent, const char* element, const Json::Value& entries)
{
    for (const Json::Value& entry : entries) {
        CXmlNode n = parent.add(Ns::Schema, element);
        n.add(Ns::Schema, "Address", entry["address"].asString());
        n.add(Ns::Schema, "PrefixLength", std::to_string(entry["prefixLength"].asInt()));
    }
}

void WriteInterface(CXmlNode out, const Json::Value& eth)
{
    CXmlNode n = out.sub("NetworkInterfaces");
    n.attr("token", eth["token"].asString());
    n.add(Ns::Schema, "Enabled", eth["enabled"].asBool() ? "true" : "false");
    CXmlNode info = n.add(Ns::Schema, "Info");
    info.add(Ns::Schema, "Name", eth["token"].asString());
    info.add(Ns::Schema, "HwAddress", eth["hwAddress"].asString());
    info.add(Ns::Schema, "MTU", std::to_string(eth["mtu"].asInt()));
    CXmlNode link = n.add(Ns::Schema, "Link");
    for (const char* settings : {"AdminSettings", "OperSettings"}) {
        CXmlNode s = link.add(Ns::Schema, settings);
        s.add(Ns::Schema, "AutoNegotiation", "true");
        s.add(Ns::Schema, "Speed", "100");
        s.add(Ns::Schema, "Duplex", "Full");
    }
    link.add(Ns::Schema, "InterfaceType", "6");   // IANA ethernetCsmacd

    const Json::Value& v4 = eth["ipv4"];
    CXmlNode ipv4 = n.add(Ns::Schema, "IPv4");
    ipv4.add(Ns::Schema, "Enabled", v4["enabled"].asBool() ? "true" : "false");
    CXmlNode config4 = ipv4.add(Ns::Schema, "Config");
    WriteAddresses(config4, "Manual", v4["manual"]);
    if (v4["dhcp"].asBool()) {
        Json::Value lease(Json::arrayValue);
        lease.append(v4["lease"]);
        WriteAddresses(config4, "FromDHCP", lease);
    }
    config4.add(Ns::Schema, "DHCP", v4["dhcp"].asBool() ? "true" : "false");

    const Json::Value& v6 = eth["ipv6"];
    CXmlNode ipv6 = n.add(Ns::Schema, "IPv6");
    ipv6.add(Ns::Schema, "Enabled", v6["enabled"].asBool() ? "true" : "false");
    CXmlNode config6 = ipv6.add(Ns::Schema, "Config");
    config6.add(Ns::Schema, "AcceptRouterAdvert", v6["acceptRouterAdvert"].asBool() ? "true" : "false");
    config6.add(Ns::Schema, "DHCP", v6["dhcp"].asString());
    WriteAddresses(config6, "Manual", v6["manual"]);
    WriteAddresses(config6, "LinkLocal", v6["linkLocal"]);
}

// The manual addresses of an IPv4 or IPv6 element; absent when it names none.
bool ReadManual(pugi::xml_node family, bool v6, Json::Value& out)
{
    std::vector<pugi::xml_node> entries = Children(family, "Manual");
    if (entries.empty())
        return false;
    if (entries.size() > kMaxNetworkListItems)
        throw CSoapFault::Sender({"InvalidArgVal"}, "too many manual addresses");
    out = Json::Value(Json::arrayValue);
    for (pugi::xml_node entry : entries) {
        const std::string address = ChildText(entry, "Address");
        int prefix = 0;
        const bool good = v6 ? IsIPv6Address(address) : IsIPv4Address(address);
        if (!good || !ReadNumber(entry, "PrefixLength", 0, v6 ? 128 : 32, prefix,
                                 {"InvalidArgVal", v6 ? "InvalidIPv6Address" : "InvalidIPv4Address"}))
            throw CSoapFault::Sender({"InvalidArgVal", v6 ? "InvalidIPv6Address" : "InvalidIPv4Address"},
                                     "not a usable address: " + address);
        Json::Value a(Json::objectValue);
        a["address"] = address;
        a["prefixLength"] = prefix;
        out.append(a);
    }
    return true;
}

void ApplyIPv4(pugi::xml_node ipv4, Json::Value& v4)
{
    bool flag = false;
    if (ReadFlag(ipv4, "Enabled", flag))
        v4["enabled"] = flag;
    if (ReadFlag(ipv4, "DHCP", flag))
        v4["dhcp"] = flag;
    Json::Value manual;
    if (ReadManual(ipv4, false, manual))
        v4["manual"] = manual;
    if (!v4["dhcp"].asBool() && v4["manual"].empty())
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidIPv4Address"}, "no address and no DHCP");
}

void ApplyIPv6(pugi::xml_node ipv6, Json::Value& v6)
{
    bool flag = false;
    if (ReadFlag(ipv6, "Enabled", flag))
        v6["enabled"] = flag;
    if (ReadFlag(ipv6, "AcceptRouterAdvert", flag))
        v6["acceptRouterAdvert"] = flag;
    if (Child(ipv6, "DHCP")) {
        const std::string mode = ChildText(ipv6, "DHCP");
        if (mode != "Auto" && mode != "Stateful" && mode != "Stateless" && mode != "Off")
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidDhcpv6"}, "DHCP must be Auto, Stateful, Stateless or Off");
        v6["dhcp"] = mode;
    }
    Json::Value manual;
    if (ReadManual(ipv6, true, manual))
        v6["manual"] = manual;
}

void ReadGatewayList(pugi::xml_node input, const char* element, bool v6, Json::Value& out)
{
    out = Json::Value(Json::arrayValue);
    std::vector<pugi::xml_node> entries = Children(input, element);
    if (entries.size() > kMaxNetworkListItems)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidGatewayAddress"}, "too many gateways");
    for (pugi::xml_node entry : entries) {
        const std::string address = Trimmed(entry.text().get());
        if (!(v6 ? IsIPv6Address(address) : IsIPv4Address(address)))
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidGatewayAddress"}, "not a gateway address: " + address);
        out.append(address);
    }
}

// A link-local address made from the interface's place, as zero configuration picks one.
std::string ZeroConfAddress(const Json::Value& model, const std::string& token)
{
    int index = 0;
    for (const Json::Value& eth : model["interfaces"]) {
        if (eth["token"].asString() == token)
            break;
        ++index;
    }
    return "169.254.83." + std::to_string(10 + index);
}

} // namespace

bool ReadFlag(pugi::xml_node parent, const char* local, bool& value)
{
    if (!Child(parent, local))
        return false;
    if (!ParseXsBoolean(ChildText(parent, local), value))
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(local) + " must be true or false");
    return true;
}

bool ReadNumber(pugi::xml_node parent, const char* local, int min, int max, int& value,
                const std::vector<std::string>& subcodes)
{
    if (!Child(parent, local))
        return false;
    if (!ParseDecimal(ChildText(parent, local), value) || value < min || value > max)
        throw CSoapFault::Sender(subcodes, std::string(local) + " out of range");
    return true;
}

void GetNetworkInterfaces(CCallContext& ctx)
{
    const Json::Value& model = NetworkModelOf(ctx);
    CXmlNode out = ctx.respond();
    for (const Json::Value& eth : model["interfaces"])
        WriteInterface(out, eth);
}

void SetNetworkInterfaces(CCallContext& ctx)
{
    Json::Value& model = NetworkModelOf(ctx);
    const std::string token = ChildText(ctx.input(), "InterfaceToken");
    Json::Value* eth = FindInterface(model, token);
    pugi::xml_node settings = Child(ctx.input(), "NetworkInterface");
    if (!eth)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidNetworkInterface"}, "no interface " + token);
    if (!settings)
        throw CSoapFault::Sender({"InvalidArgVal"}, "NetworkInterface is required");
    Json::Value next = *eth;
    bool flag = false;
    if (ReadFlag(settings, "Enabled", flag))
        next["enabled"] = flag;
    int mtu = 0;
    if (ReadNumber(settings, "MTU", 68, 9000, mtu, {"InvalidArgVal", "InvalidMtuValue"}))
        next["mtu"] = mtu;
    if (pugi::xml_node ipv4 = Child(settings, "IPv4"))
        ApplyIPv4(ipv4, next["ipv4"]);
    if (pugi::xml_node ipv6 = Child(settings, "IPv6"))
        ApplyIPv6(ipv6, next["ipv6"]);
    *eth = next;
    ctx.respond().sub("RebootNeeded", model["rebootNeeded"].asBool() ? "true" : "false");
}

void GetNetworkDefaultGateway(CCallContext& ctx)
{
    const Json::Value& gateway = NetworkModelOf(ctx)["gateway"];
    CXmlNode out = ctx.respond().sub("NetworkGateway");
    for (const Json::Value& address : gateway["ipv4"])
        out.add(Ns::Schema, "IPv4Address", address.asString());
    for (const Json::Value& address : gateway["ipv6"])
        out.add(Ns::Schema, "IPv6Address", address.asString());
}

void SetNetworkDefaultGateway(CCallContext& ctx)
{
    Json::Value& model = NetworkModelOf(ctx);
    Json::Value ipv4, ipv6;
    ReadGatewayList(ctx.input(), "IPv4Address", false, ipv4);
    ReadGatewayList(ctx.input(), "IPv6Address", true, ipv6);
    model["gateway"]["ipv4"] = ipv4;
    model["gateway"]["ipv6"] = ipv6;
    ctx.respond();
}

void GetZeroConfiguration(CCallContext& ctx)
{
    const Json::Value& model = NetworkModelOf(ctx);
    const Json::Value& zero = model["zeroConfiguration"];
    CXmlNode out = ctx.respond().sub("ZeroConfiguration");
    out.add(Ns::Schema, "InterfaceToken", zero["interfaceToken"].asString());
    out.add(Ns::Schema, "Enabled", zero["enabled"].asBool() ? "true" : "false");
    if (zero["enabled"].asBool())
        out.add(Ns::Schema, "Addresses", ZeroConfAddress(model, zero["interfaceToken"].asString()));
}

void SetZeroConfiguration(CCallContext& ctx)
{
    Json::Value& model = NetworkModelOf(ctx);
    const std::string token = ChildText(ctx.input(), "InterfaceToken");
    bool enabled = false;
    if (!FindInterface(model, token))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidNetworkInterface"}, "no interface " + token);
    if (!ReadFlag(ctx.input(), "Enabled", enabled))
        throw CSoapFault::Sender({"InvalidArgVal"}, "Enabled is required");
    model["zeroConfiguration"]["interfaceToken"] = token;
    model["zeroConfiguration"]["enabled"] = enabled;
    ctx.respond();
}

} // namespace OnvifSim
