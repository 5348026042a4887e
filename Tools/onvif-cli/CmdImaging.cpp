// imaging: a channel's picture settings on the host's 0..100 scale, read and changed
// through the host's configuration tables; focus: the lens of a dome's channel.
#include <cstdio>
#include <sstream>

#include "Commands.h"
#include "IConfigManager.h"
#include "IPtz.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IConfigManager;

std::string tableName(const char* name, int channel)
{
    return std::string(name) + "[" + std::to_string(channel) + "]";
}

// The settings as "Key: value" lines, nested records indented.
void describe(const Json::Value& record, const std::string& indent, std::ostringstream& text)
{
    for (const std::string& key : record.getMemberNames()) {
        const Json::Value& v = record[key];
        if (v.isObject()) {
            text << indent << key << ":\n";
            describe(v, indent + "  ", text);
        } else if (v.isDouble()) {
            char number[32];
            std::snprintf(number, sizeof number, "%.1f", v.asDouble());
            text << indent << key << ": " << number << "\n";
        } else {
            text << indent << key << ": " << v.asString() << "\n";
        }
    }
}

CommandResult readImaging(CCliHost& host, IConfigManager* config, int channel)
{
    CommandResult r;
    Json::Value table(Json::objectValue);
    if (!config->getConfig(tableName("Image", channel).c_str(), table)) {
        r.error = "The picture settings of channel " + std::to_string(channel) + " could not be read from " +
                  host.deviceLabel() + ": it may have no imaging service (see the log).";
        return r;
    }
    r.data = table;
    std::ostringstream text;
    text << "  Video source " << table["VideoSourceToken"].asString() << " (colour and focus values on 0..100):\n";
    describe(table["ImagingSettings"], "    ", text);
    r.text = text.str();
    r.ok = true;
    return r;
}

} // namespace

CommandResult runImaging(CCliHost& host, const ImagingArgs& args)
{
    CommandResult r;
    auto* config = host.component<IConfigManager>(IConfigManager::kInterfaceName);
    if (!config) {
        r.error = "The library did not hand out the configuration interface for " + host.deviceLabel() + ".";
        return r;
    }
    if (args.set) {
        Json::Value colour(Json::objectValue);
        std::string asked;
        for (const auto& [name, value] : args.values) {
            colour[name] = value;
            asked += (asked.empty() ? "" : ", ") + name + " " + std::to_string(static_cast<int>(value));
        }
        if (colour.empty()) {
            r.error = "Nothing to set: give --brightness, --contrast, --saturation or --sharpness (0..100).";
            return r;
        }
        if (!config->setConfig(tableName("VideoColor", args.channel).c_str(), colour, 0)) {
            r.error = "The device " + host.deviceLabel() + " refused " + asked +
                      ": on the host's scale 0 and 100 are the ends of the device's own range, and the device "
                      "refuses anything beyond them.";
            return r;
        }
    }
    return readImaging(host, config, args.channel);
}

CommandResult runFocus(CCliHost& host, int channel, const std::string& direction)
{
    CommandResult r;
    Zentar::Comm::IPtz* ptz = host.client()->getIPtz(channel);
    if (!ptz) {
        r.error = "The library did not hand out the PTZ interface for " + host.deviceLabel() + ".";
        return r;
    }
    Zentar::Infra::setLastError(0);
    const bool ok = direction == "stop"
                        ? ptz->stopMove()
                        : ptz->setFocusMode(true) && ptz->focusManually(direction == "far" ? 0.5f : -0.5f);
    if (!ok) {
        const uint32_t code = Zentar::Infra::getLastError();
        r.error = "The focus of channel " + std::to_string(channel) + " did not " +
                  (direction == "stop" ? "stop" : "move") + ". " +
                  (code ? CCliHost::explainError(code, host.deviceLabel())
                        : "The device may not focus by hand (see the log).");
        return r;
    }
    r.data["Channel"] = channel;
    r.data["Focus"] = direction;
    r.text = direction == "stop" ? "  focus stopped\n" : "  focusing " + direction + " until `focus " +
                                                             std::to_string(channel) + " stop`\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
