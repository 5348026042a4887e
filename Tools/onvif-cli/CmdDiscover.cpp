// discover: WS-Discovery through the library's discovery export, as a recorder's "search
// devices" button does it; discover readdress moves a found device to a new address.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "CliOutput.h"
#include "Commands.h"
#include "Component/FactoryRegistry.h"
#include "IDeviceDiscovery.h"
#include "OnvifExports.h"

namespace OnvifCli {

namespace {

using Zentar::NetApp::IDeviceDiscovery;

class CFoundList : public Zentar::NetApp::IDiscoveryReceiver {
public:
    void onDiscovery(const Json::Value& report) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Json::Value& item : report)
            (item.isMember("Operation") ? m_outcomes : m_devices).append(item);
        m_changed.notify_all();
    }
    Json::Value devices()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_devices;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Json::Value m_devices{Json::arrayValue};
    Json::Value m_outcomes{Json::arrayValue};
};

IDeviceDiscovery* discovery(const CliOptions& options, std::string& error)
{
    initOnvifComponentLibrary();
    initOnvifDeviceDiscoveryComponentLibrary();
    initLogPrinterLevel(options.logLevel >= 0 ? options.logLevel : 2);
    setOnvifMsgTimeout(options.timeoutMs < 2000 ? options.timeoutMs : 2000, options.timeoutMs, options.timeoutMs);
    auto* found = dynamic_cast<IDeviceDiscovery*>(
        Zentar::Component::getComponentInstance(IDeviceDiscovery::kInterfaceName, "Local.Onvif", nullptr));
    if (!found)
        error = "The library did not hand out its device discovery.";
    return found;
}

// One pass on the chosen interfaces or targets; the devices that answered in time.
bool probe(IDeviceDiscovery& discovery, CFoundList& found, const DiscoverArgs& args, std::string& error)
{
    std::vector<const char*> cards;
    for (const std::string& address : args.interfaces)
        cards.push_back(address.c_str());
    if (!cards.empty() && !discovery.startSpecificCard(cards.data(), static_cast<int>(cards.size()))) {
        error = "--interface takes the IPv4 address of one of this machine's interfaces.";
        return false;
    }
    Json::Value targets(Json::objectValue);
    for (const std::string& target : args.targets)
        targets["Addresses"].append(target);
    targets["Port"] = args.probePort;
    if (!discovery.setProbeTargets(args.targets.empty() && args.probePort == 3702 ? Json::Value() : targets)) {
        error = "--target takes IPv4 addresses or ranges such as 127.0.0.2-127.0.0.65 (at most 1024).";
        return false;
    }
    if (!discovery.attach(&found, 0) || !discovery.start(args.seconds)) {
        error = "The library refused to start a discovery pass.";
        return false;
    }
    CProgressLine line("probing for " + std::to_string(args.seconds) + " s");
    std::this_thread::sleep_for(std::chrono::seconds(args.seconds));
    return true;
}

} // namespace

CommandResult runDiscover(const CliOptions& options, const DiscoverArgs& args)
{
    CommandResult r;
    IDeviceDiscovery* finder = discovery(options, r.error);
    CFoundList found;
    if (!finder || !probe(*finder, found, args, r.error))
        return r;
    finder->detach(&found);
    const Json::Value devices = found.devices();
    std::ostringstream text;
    for (const Json::Value& d : devices)
        text << "  " << d["IPv4Address"]["IPAddress"].asString() << "\t" << d["Vendor"].asString() << "\t"
             << d["MachineName"].asString() << "\t" << d["XAddr"].asString() << "\n";
    text << "  " << devices.size() << " device(s) answered within " << args.seconds << " s.\n";
    r.ok = true;
    r.data["Devices"] = devices;
    r.text = text.str();
    return r;
}

CommandResult runReaddress(const CliOptions& options, const DiscoverArgs& args)
{
    CommandResult r;
    IDeviceDiscovery* finder = discovery(options, r.error);
    CFoundList found;
    if (!finder || !probe(*finder, found, args, r.error))
        return r;
    Json::Value config, outcome;
    Json::Value& ipv4 = config["IPv4Address"];
    ipv4["IPAddressOld"] = args.oldAddress;
    ipv4["IPAddress"] = args.ip;
    ipv4["SubnetMask"] = args.mask;
    if (!args.gateway.empty())
        ipv4["DefaultGateway"] = args.gateway;
    const bool done = finder->setConfig(options.user.c_str(), options.password.c_str(), args.oldAddress.c_str(),
                                        config, outcome);
    finder->detach(&found);
    if (!done) {
        bool seen = false;
        for (const Json::Value& d : found.devices())
            seen = seen || d["IPv4Address"]["IPAddress"].asString() == args.oldAddress;
        r.error = seen ? args.oldAddress + " refused the new address; check --user and --password (--log-level 2 "
                                           "shows the device's answer)."
                       : "No device answered from " + args.oldAddress + " within " + std::to_string(args.seconds) +
                             " s; run discover to see what answers.";
        return r;
    }
    r.ok = true;
    r.data = outcome;
    r.text = "  " + args.oldAddress + " now has " + args.ip + "/" + args.mask +
             (args.gateway.empty() ? "" : " via " + args.gateway) + "\n";
    return r;
}

} // namespace OnvifCli
