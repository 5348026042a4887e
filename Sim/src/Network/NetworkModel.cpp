#include "Network/NetworkModel.h"

#include "Common/Log.h"
#include "Services/ServiceHandler.h"

#include <asio/ip/address.hpp>

namespace OnvifSim {
namespace {

Json::Value AddressEntry(const char* address, int prefixLength)
{
    Json::Value entry(Json::objectValue);
    entry["address"] = address;
    entry["prefixLength"] = prefixLength;
    return entry;
}

Json::Value List(std::initializer_list<Json::Value> items)
{
    Json::Value list(Json::arrayValue);
    for (const auto& item : items)
        list.append(item);
    return list;
}

Json::Value DefaultInterface()
{
    Json::Value eth(Json::objectValue);
    eth["token"] = "eth0";
    eth["enabled"] = true;
    eth["hwAddress"] = "02:53:49:4d:00:01";
    eth["mtu"] = 1500;
    Json::Value& v4 = eth["ipv4"];
    v4["enabled"] = true;
    v4["dhcp"] = false;
    v4["manual"] = List({AddressEntry("192.168.1.64", 24)});
    v4["lease"] = AddressEntry("192.168.1.200", 24);
    Json::Value& v6 = eth["ipv6"];
    v6["enabled"] = false;
    v6["acceptRouterAdvert"] = false;
    v6["dhcp"] = "Off";
    v6["manual"] = Json::Value(Json::arrayValue);
    v6["linkLocal"] = List({AddressEntry("fe80::53:49ff:fe4d:1", 64)});
    return eth;
}

Json::Value Protocol(const char* name, bool enabled, int port)
{
    Json::Value p(Json::objectValue);
    p["name"] = name;
    p["enabled"] = enabled;
    p["ports"] = List({port});
    return p;
}

Json::Value Defaults()
{
    Json::Value m(Json::objectValue);
    m["hostname"] = "sim-camera";
    m["hostnameFromDHCP"] = false;
    m["rebootNeeded"] = false;
    m["interfaces"] = List({DefaultInterface()});
    m["dns"]["fromDHCP"] = false;
    m["dns"]["searchDomain"] = Json::Value(Json::arrayValue);
    m["dns"]["manual"] = List({"192.168.1.1"});
    m["dns"]["fromDHCPServers"] = List({"192.168.1.1"});
    m["ntp"]["fromDHCP"] = false;
    m["ntp"]["manual"] = List({"pool.ntp.org"});
    m["gateway"]["ipv4"] = List({"192.168.1.1"});
    m["gateway"]["ipv6"] = Json::Value(Json::arrayValue);
    m["protocols"] = List({Protocol("HTTP", true, 80), Protocol("HTTPS", false, 443), Protocol("RTSP", true, 554)});
    m["zeroConfiguration"]["interfaceToken"] = "eth0";
    m["zeroConfiguration"]["enabled"] = false;
    return m;
}

// Members of `over` replace those of `base`; records are merged member by member.
void Overlay(Json::Value& base, const Json::Value& over)
{
    for (const std::string& name : over.getMemberNames()) {
        if (base[name].isObject() && over[name].isObject())
            Overlay(base[name], over[name]);
        else
            base[name] = over[name];
    }
}

// ---- Checks, each naming the member that is wrong ----------------------------------

struct CCheck {
    std::string& error;

    bool fail(const std::string& where, const std::string& reason)
    {
        if (error.empty())
            error = "network." + where + ": " + reason;
        return false;
    }
    bool kind(const Json::Value& v, const std::string& where, bool ok, const char* expected)
    {
        return ok || fail(where, std::string("must be ") + expected);
    }
    bool list(const Json::Value& v, const std::string& where)
    {
        return kind(v, where, v.isArray(), "an array") &&
               (v.size() <= kMaxNetworkListItems || fail(where, "too many entries"));
    }
    bool addresses(const Json::Value& v, const std::string& where, bool v6)
    {
        if (!list(v, where))
            return false;
        for (Json::ArrayIndex i = 0; i < v.size(); ++i) {
            const std::string at = where + "[" + std::to_string(i) + "]";
            if (!v[i].isObject() || !v[i]["address"].isString() || !v[i]["prefixLength"].isInt())
                return fail(at, "needs address and prefixLength");
            const bool good = v6 ? IsIPv6Address(v[i]["address"].asString()) : IsIPv4Address(v[i]["address"].asString());
            const int prefix = v[i]["prefixLength"].asInt();
            if (!good || prefix < 0 || prefix > (v6 ? 128 : 32))
                return fail(at, "not a valid address and prefix length");
        }
        return true;
    }
    bool servers(const Json::Value& v, const std::string& where, bool namesToo)
    {
        if (!list(v, where))
            return false;
        for (Json::ArrayIndex i = 0; i < v.size(); ++i) {
            const std::string text = v[i].isString() ? v[i].asString() : std::string();
            if (!IsIPv4Address(text) && !IsIPv6Address(text) && !(namesToo && IsHostName(text)))
                return fail(where + "[" + std::to_string(i) + "]", "not an address");
        }
        return true;
    }
    bool interface(const Json::Value& eth, const std::string& where)
    {
        const Json::Value& v4 = eth["ipv4"];
        const Json::Value& v6 = eth["ipv6"];
        const std::string dhcp6 = v6["dhcp"].isString() ? v6["dhcp"].asString() : "";
        return kind(eth["token"], where + ".token", eth["token"].isString() && !eth["token"].asString().empty(),
                    "a token") &&
               kind(eth["mtu"], where + ".mtu", eth["mtu"].isInt() && eth["mtu"].asInt() >= 68 &&
                                                    eth["mtu"].asInt() <= 9000, "68..9000") &&
               kind(v4["dhcp"], where + ".ipv4.dhcp", v4["dhcp"].isBool(), "true or false") &&
               addresses(v4["manual"], where + ".ipv4.manual", false) &&
               addresses(List({v4["lease"]}), where + ".ipv4.lease", false) &&
               kind(v6["dhcp"], where + ".ipv6.dhcp",
                    dhcp6 == "Auto" || dhcp6 == "Stateful" || dhcp6 == "Stateless" || dhcp6 == "Off",
                    "Auto, Stateful, Stateless or Off") &&
               addresses(v6["manual"], where + ".ipv6.manual", true) &&
               addresses(v6["linkLocal"], where + ".ipv6.linkLocal", true);
    }
    bool model(const Json::Value& m)
    {
        for (const char* group : {"dns", "ntp", "gateway", "zeroConfiguration"})
            if (!m[group].isObject())
                return fail(group, "must be an object");
        if (!kind(m["hostname"], "hostname", m["hostname"].isString() && IsHostName(m["hostname"].asString()),
                  "a host name") ||
            !list(m["interfaces"], "interfaces"))
            return false;
        if (m["interfaces"].empty())
            return fail("interfaces", "needs at least one interface");
        for (Json::ArrayIndex i = 0; i < m["interfaces"].size(); ++i) {
            const std::string where = "interfaces[" + std::to_string(i) + "]";
            const Json::Value& eth = m["interfaces"][i];
            if (!eth.isObject() || !eth["ipv4"].isObject() || !eth["ipv6"].isObject())
                return fail(where, "must be an object with ipv4 and ipv6");
            if (!interface(eth, where))
                return false;
        }
        if (!servers(m["dns"]["manual"], "dns.manual", false) || !servers(m["ntp"]["manual"], "ntp.manual", true) ||
            !servers(m["gateway"]["ipv4"], "gateway.ipv4", false) || !servers(m["gateway"]["ipv6"], "gateway.ipv6", false))
            return false;
        if (!list(m["protocols"], "protocols"))
            return false;
        for (const Json::Value& p : m["protocols"])
            if (!p.isObject() || !p["name"].isString() || !p["enabled"].isBool() || !p["ports"].isArray() ||
                p["ports"].empty())
                return fail("protocols", "each needs name, enabled and ports");
        return true;
    }
};

} // namespace

bool IsIPv4Address(const std::string& text)
{
    asio::error_code ec;
    asio::ip::make_address_v4(text, ec);
    return !ec && text.find_first_not_of("0123456789.") == std::string::npos;
}

bool IsIPv6Address(const std::string& text)
{
    asio::error_code ec;
    asio::ip::make_address_v6(text, ec);
    return !ec && text.find('%') == std::string::npos;
}

bool IsHostName(const std::string& text)
{
    if (text.empty() || text.size() > 253)
        return false;
    size_t label = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (label == 0 || label > 63 || text[i - 1] == '-')
                return false;
            label = 0;
            continue;
        }
        const char c = text[i];
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && !(c == '-' && label > 0))
            return false;
        ++label;
    }
    return true;
}

bool BuildNetworkModel(const Json::Value& description, Json::Value& model, std::string& error)
{
    model = Defaults();
    const Json::Value& network = description.isObject() ? description["network"] : Json::Value::nullSingleton();
    if (!network.isNull()) {
        if (!network.isObject()) {
            error = "network: must be an object";
            return false;
        }
        Json::Value given = network;
        if (given["interfaces"].isArray()) {
            // Each described interface is complete: the default one fills what it leaves out.
            Json::Value interfaces(Json::arrayValue);
            for (const Json::Value& eth : given["interfaces"]) {
                Json::Value full = DefaultInterface();
                if (eth.isObject())
                    Overlay(full, eth);
                else
                    full = eth;
                interfaces.append(full);
            }
            given["interfaces"] = interfaces;
        }
        Overlay(model, given);
    }
    CCheck check{error};
    return check.model(model);
}

Json::Value& NetworkModelOf(CCallContext& ctx)
{
    Json::Value& model = ctx.state().serviceData["network"];
    if (model.isNull()) {
        std::string error;
        if (!BuildNetworkModel(ctx.device().raw, model, error)) {
            LogLine(ctx.device().name + ": network state: " + error);
            model = Json::Value();
            throw CSoapFault::Receiver({"Action"}, "network configuration unavailable");
        }
    }
    return model;
}

} // namespace OnvifSim
