// network and ports: the device's IPv4 settings and its protocol ports, read and changed
// through the configuration manager's "Network", "Web", "Https" and "RTSP" tables.
#include <sstream>

#include "Commands.h"
#include "IConfigManager.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IConfigManager;

struct PortTable {
    const char* table;   // the configuration name
    const char* label;
};
const PortTable kPortTables[] = {{"Web", "HTTP"}, {"Https", "HTTPS"}, {"RTSP", "RTSP"}};

IConfigManager* configManager(CCliHost& host, CommandResult& r)
{
    auto* config = host.component<IConfigManager>(IConfigManager::kInterfaceName);
    if (!config)
        r.error = "The library did not hand out the configuration manager for " + host.deviceLabel() + ".";
    return config;
}

std::string joined(const Json::Value& list)
{
    std::string text;
    for (const Json::Value& item : list)
        text += (text.empty() ? "" : ", ") + item.asString();
    return text.empty() ? "-" : text;
}

std::string networkText(const Json::Value& table)
{
    std::ostringstream text;
    for (const std::string& name : table.getMemberNames()) {
        const Json::Value& eth = table[name];
        if (!eth.isObject())
            continue;
        text << "  " << name << " (" << eth.get("InterfaceToken", "").asString() << ")  MAC "
             << eth.get("PhysicalAddress", "-").asString() << "  MTU " << eth.get("MTU", 0).asInt() << "\n"
             << "    IPv4     " << eth.get("IPAddress", "-").asString() << " / " << eth.get("SubnetMask", "-").asString()
             << (eth.get("DhcpEnable", false).asBool() ? "  (DHCP)" : "  (manual)") << "\n"
             << "    gateway  " << eth.get("DefaultGateway", "-").asString() << "\n"
             << "    DNS      " << joined(eth.get("DnsServers", Json::Value())) << "  "
             << (eth.get("DnsAutoGet", false).asBool() ? "(from DHCP)" : "(manual)") << "\n";
    }
    text << "  domain     " << (table.get("Domain", "").asString().empty() ? "-" : table["Domain"].asString()) << "\n";
    return text.str();
}

// The "Network" table; false with r.error (ending in `consequence`) when it cannot be read.
bool readNetwork(CCliHost& host, CommandResult& r, IConfigManager*& config, Json::Value& table,
                 const std::string& consequence)
{
    config = configManager(host, r);
    if (config && !config->getConfig("Network", table))
        r.error = "The network settings of " + host.deviceLabel() + " could not be read" + consequence + ".";
    return config && r.error.empty();
}

} // namespace

CommandResult runNetwork(CCliHost& host)
{
    CommandResult r;
    IConfigManager* config = nullptr;
    Json::Value table;
    if (!readNetwork(host, r, config, table, ""))
        return r;
    r.ok = true;
    r.data = table;
    r.text = networkText(table);
    return r;
}

CommandResult runNetworkSet(CCliHost& host, const NetworkArgs& args)
{
    CommandResult r;
    IConfigManager* config = nullptr;
    Json::Value table;
    if (!readNetwork(host, r, config, table, ", so nothing was changed"))
        return r;
    const std::string eth = "eth" + std::to_string(args.interfaceIndex);
    if (!table.isMember(eth)) {
        r.error = host.deviceLabel() + " has no interface " + eth + ".";
        return r;
    }
    // Only what was asked for changes; the rest goes back as the device reported it.
    Json::Value wanted(Json::objectValue);
    wanted[eth] = table[eth];
    if (!args.ip.empty())
        wanted[eth]["IPAddress"] = args.ip;
    if (!args.mask.empty())
        wanted[eth]["SubnetMask"] = args.mask;
    if (!args.gateway.empty())
        wanted[eth]["DefaultGateway"] = args.gateway;
    if (!args.dhcp.empty())
        wanted[eth]["DhcpEnable"] = args.dhcp == "on";
    if (!args.dns.empty()) {
        wanted[eth]["DnsServers"] = Json::Value(Json::arrayValue);
        for (const std::string& server : args.dns)
            wanted[eth]["DnsServers"].append(server);
        wanted[eth]["DnsAutoGet"] = false;
    }
    if (table.isMember("Domain"))
        wanted["Domain"] = table["Domain"];
    if (!config->setConfig("Network", wanted, 0)) {
        r.error = host.deviceLabel() + " refused the network settings (a valid address and mask, and an " +
                  "administrator's account, are needed; --log-level 2 shows the device's answer).";
        return r;
    }
    CommandResult after = runNetwork(host);
    if (!after.ok) {
        r.error = "The settings were sent, but reading them back failed: " + after.error;
        return r;
    }
    after.text = "Changed. The device now reports:\n" + after.text;
    return after;
}

CommandResult runPorts(CCliHost& host)
{
    CommandResult r;
    IConfigManager* config = configManager(host, r);
    if (!config)
        return r;
    std::ostringstream text;
    for (const PortTable& row : kPortTables) {
        Json::Value table;
        if (!config->getConfig(row.table, table)) {
            r.error = "The " + std::string(row.label) + " port of " + host.deviceLabel() + " could not be read.";
            return r;
        }
        r.data[row.label] = table;
        text << "  " << row.label << "\t" << table.get("Port", 0).asInt() << "\t"
             << (table.get("Enabled", false).asBool() ? "enabled" : "disabled") << "\n";
    }
    r.ok = true;
    r.text = text.str();
    return r;
}

CommandResult runPortsSet(CCliHost& host, int http, int rtsp, int https)
{
    CommandResult r;
    IConfigManager* config = configManager(host, r);
    if (!config)
        return r;
    const int ports[] = {http, https, rtsp};   // in kPortTables order
    for (size_t i = 0; i < sizeof ports / sizeof ports[0]; ++i) {
        if (ports[i] <= 0)
            continue;
        Json::Value table(Json::objectValue);
        table["Enabled"] = true;
        table["Port"] = ports[i];
        if (!config->setConfig(kPortTables[i].table, table, 0)) {
            r.error = host.deviceLabel() + " refused " + kPortTables[i].label + " port " + std::to_string(ports[i]) +
                      " (in use by another protocol, or the account may not change settings).";
            return r;
        }
    }
    CommandResult after = runPorts(host);
    if (after.ok)
        after.text = "Changed. The device now reports:\n" + after.text;
    return after;
}

} // namespace OnvifCli
