// Host name, DNS, NTP and the network protocols with their ports.
#include "Network/NetworkModel.h"
#include "Services/DeviceAdminOps.h"
#include "Services/DeviceOps.h"

namespace OnvifSim {
namespace {

const char* FlagText(const Json::Value& v)
{
    return v.asBool() ? "true" : "false";
}

// The addresses of repeated tt:IPAddress / tt:NetworkHost elements, whatever their Type
// says (clients disagree on it); host names only where namesToo.
Json::Value ReadServers(pugi::xml_node input, const char* element, bool namesToo)
{
    Json::Value servers(Json::arrayValue);
    for (pugi::xml_node entry : Children(input, element)) {
        for (const char* family : {"IPv4Address", "IPv6Address", "DNSname"}) {
            for (pugi::xml_node n : Children(entry, family)) {
                const std::string text = Trimmed(n.text().get());
                const bool good = IsIPv4Address(text) || IsIPv6Address(text) || (namesToo && IsHostName(text));
                if (!good || (!namesToo && std::string(family) == "DNSname"))
                    throw CSoapFault::Sender({"InvalidArgVal", namesToo ? "InvalidDnsName" : "InvalidIPv4Address"},
                                             "not a server address: " + text);
                servers.append(text);
            }
        }
    }
    if (servers.size() > kMaxNetworkListItems)
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string("too many ") + element);
    return servers;
}

bool RequiredFlag(pugi::xml_node input, const char* local)
{
    bool value = false;
    if (!ReadFlag(input, local, value))
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(local) + " is required");
    return value;
}

// One server as a tt:NetworkHost (NTP) or tt:IPAddress (DNS): its Type, then the address
// element of that type.
void WriteServer(CXmlNode parent, const char* element, const std::string& server)
{
    CXmlNode n = parent.add(Ns::Schema, element);
    const bool v4 = IsIPv4Address(server), v6 = !v4 && IsIPv6Address(server);
    n.add(Ns::Schema, "Type", v4 ? "IPv4" : v6 ? "IPv6" : "DNS");
    n.add(Ns::Schema, v4 ? "IPv4Address" : v6 ? "IPv6Address" : "DNSname", server);
}

Json::Value* FindProtocol(Json::Value& protocols, const std::string& name)
{
    for (Json::Value& p : protocols)
        if (p["name"].asString() == name)
            return &p;
    return nullptr;
}

} // namespace

void GetHostname(CCallContext& ctx)
{
    const Json::Value& model = NetworkModelOf(ctx);
    CXmlNode info = ctx.respond().sub("HostnameInformation");
    info.add(Ns::Schema, "FromDHCP", FlagText(model["hostnameFromDHCP"]));
    info.add(Ns::Schema, "Name", model["hostname"].asString());
}

void SetHostname(CCallContext& ctx)
{
    Json::Value& model = NetworkModelOf(ctx);
    const std::string name = ChildText(ctx.input(), "Name");
    if (!IsHostName(name))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidHostname"}, "not a host name: " + name);
    model["hostname"] = name;
    model["hostnameFromDHCP"] = false;
    ctx.respond();
}

void SetHostnameFromDHCP(CCallContext& ctx)
{
    Json::Value& model = NetworkModelOf(ctx);
    model["hostnameFromDHCP"] = RequiredFlag(ctx.input(), "FromDHCP");
    ctx.respond().sub("RebootNeeded", FlagText(model["rebootNeeded"]));
}

void GetDNS(CCallContext& ctx)
{
    const Json::Value& dns = NetworkModelOf(ctx)["dns"];
    CXmlNode info = ctx.respond().sub("DNSInformation");
    info.add(Ns::Schema, "FromDHCP", FlagText(dns["fromDHCP"]));
    for (const Json::Value& domain : dns["searchDomain"])
        info.add(Ns::Schema, "SearchDomain", domain.asString());
    if (dns["fromDHCP"].asBool())
        for (const Json::Value& server : dns["fromDHCPServers"])
            WriteServer(info, "DNSFromDHCP", server.asString());
    for (const Json::Value& server : dns["manual"])
        WriteServer(info, "DNSManual", server.asString());
}

void SetDNS(CCallContext& ctx)
{
    Json::Value& dns = NetworkModelOf(ctx)["dns"];
    const bool fromDhcp = RequiredFlag(ctx.input(), "FromDHCP");
    Json::Value domains(Json::arrayValue);
    for (pugi::xml_node n : Children(ctx.input(), "SearchDomain")) {
        const std::string domain = Trimmed(n.text().get());
        if (!IsHostName(domain))
            throw CSoapFault::Sender({"InvalidArgVal"}, "not a search domain: " + domain);
        domains.append(domain);
    }
    if (domains.size() > kMaxNetworkListItems)
        throw CSoapFault::Sender({"InvalidArgVal"}, "too many search domains");
    Json::Value servers = ReadServers(ctx.input(), "DNSManual", false);
    dns["fromDHCP"] = fromDhcp;
    dns["searchDomain"] = domains;
    dns["manual"] = servers;
    ctx.respond();
}

void GetNTP(CCallContext& ctx)
{
    const Json::Value& ntp = NetworkModelOf(ctx)["ntp"];
    CXmlNode info = ctx.respond().sub("NTPInformation");
    info.add(Ns::Schema, "FromDHCP", FlagText(ntp["fromDHCP"]));
    for (const Json::Value& server : ntp["manual"])
        WriteServer(info, "NTPManual", server.asString());
}

void SetNTP(CCallContext& ctx)
{
    Json::Value& ntp = NetworkModelOf(ctx)["ntp"];
    const bool fromDhcp = RequiredFlag(ctx.input(), "FromDHCP");
    Json::Value servers = ReadServers(ctx.input(), "NTPManual", true);
    ntp["fromDHCP"] = fromDhcp;
    ntp["manual"] = servers;
    ctx.respond();
}

void GetNetworkProtocols(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    for (const Json::Value& protocol : NetworkModelOf(ctx)["protocols"]) {
        CXmlNode n = out.sub("NetworkProtocols");
        n.add(Ns::Schema, "Name", protocol["name"].asString());
        n.add(Ns::Schema, "Enabled", FlagText(protocol["enabled"]));
        for (const Json::Value& port : protocol["ports"])
            n.add(Ns::Schema, "Port", std::to_string(port.asInt()));
    }
}

// Only the protocols named change; a port may serve one protocol only.
void SetNetworkProtocols(CCallContext& ctx)
{
    Json::Value protocols = NetworkModelOf(ctx)["protocols"];
    std::vector<pugi::xml_node> entries = Children(ctx.input(), "NetworkProtocols");
    if (entries.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "at least one NetworkProtocols is required");
    for (pugi::xml_node entry : entries) {
        const std::string name = ChildText(entry, "Name");
        Json::Value* protocol = FindProtocol(protocols, name);
        if (!protocol)
            throw CSoapFault::Sender({"InvalidArgVal", "ServiceNotSupported"}, "no protocol " + name);
        Json::Value ports(Json::arrayValue);
        for (pugi::xml_node n : Children(entry, "Port")) {
            int port = 0;
            if (!ParseDecimal(Trimmed(n.text().get()), port) || port < 1 || port > 65535)
                throw CSoapFault::Sender({"InvalidArgVal"}, name + ": not a port");
            ports.append(port);
        }
        if (ports.empty() || ports.size() > kMaxNetworkListItems)
            throw CSoapFault::Sender({"InvalidArgVal"}, name + ": 1 to 8 ports");
        (*protocol)["enabled"] = RequiredFlag(entry, "Enabled");
        (*protocol)["ports"] = ports;
    }
    for (Json::ArrayIndex a = 0; a < protocols.size(); ++a)
        for (Json::ArrayIndex b = a + 1; b < protocols.size(); ++b)
            for (const Json::Value& port : protocols[a]["ports"])
                for (const Json::Value& other : protocols[b]["ports"])
                    if (port == other)
                        throw CSoapFault::Sender({"InvalidArgVal", "PortAlreadyInUse"},
                                                 "port " + std::to_string(port.asInt()) + " is in use");
    NetworkModelOf(ctx)["protocols"] = protocols;
    ctx.respond();
}

} // namespace OnvifSim
