// info: who the device is and what it can do, through the device-information, channel,
// media and encode interfaces.
#include <sstream>

#include "Commands.h"
#include "IEncode.h"
#include "ILogicDeviceManager.h"
#include "IMagicBox.h"
#include "IMediaManager.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

struct IdentityRow {
    const char* key;
    bool (Zentar::Component::IMagicBox::*read)(std::string&);
};

const IdentityRow kIdentity[] = {
    {"Vendor", &Zentar::Component::IMagicBox::getVendor},
    {"Model", &Zentar::Component::IMagicBox::getDeviceType},
    {"SerialNumber", &Zentar::Component::IMagicBox::getSerialNo},
    {"HardwareId", &Zentar::Component::IMagicBox::getHardwareVersion},
};

std::string joined(const Json::Value& list)
{
    std::string text;
    for (const Json::Value& item : list)
        text += (text.empty() ? "" : ", ") + item.asString();
    return text.empty() ? "none" : text;
}

} // namespace

CommandResult runInfo(CCliHost& host)
{
    CommandResult r;
    auto* box = host.component<Zentar::Component::IMagicBox>(Zentar::Component::IMagicBox::kInterfaceName);
    auto* channels =
        host.component<Zentar::Component::ILogicDeviceManager>(Zentar::Component::ILogicDeviceManager::kInterfaceName);
    auto* media = host.component<Zentar::Component::IMediaManager>(Zentar::Component::IMediaManager::kInterfaceName);
    auto* encode = host.component<Zentar::Component::IEncode>(Zentar::Component::IEncode::kInterfaceName);
    if (!box || !channels || !media || !encode) {
        r.error = "The library did not hand out the device-information interfaces for " + host.deviceLabel() + ".";
        return r;
    }
    std::ostringstream text;
    Json::Value& identity = r.data["Identity"];
    for (const IdentityRow& row : kIdentity) {
        std::string value;
        if (!(box->*row.read)(value)) {
            r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                      " Reading its identity failed.";
            return r;
        }
        identity[row.key] = value;
        text << "  " << row.key << ": " << value << "\n";
    }
    Json::Value software;
    if (box->getSoftwareVersion(software)) {
        identity["Firmware"] = software["Version"];
        text << "  Firmware: " << software["Version"].asString() << "\n";
    }

    Json::Value& caps = r.data["Capabilities"];
    Json::Value hasPtz;
    caps["PTZ"] = box->getProductDefinition("HasPtz", hasPtz) && hasPtz.asBool();
    text << "  PTZ: " << (caps["PTZ"].asBool() ? "yes" : "this device has no PTZ service") << "\n";
    for (const char* name : {"AudioInputChannels", "AudioOutputChannels"}) {
        Json::Value count;
        caps[name] = box->getProductDefinition(name, count) ? count.asInt() : 0;
    }
    int area = 0;
    if (box->getMarketArea(area))
        caps["MarketArea"] = area;
    int inputs = 0;
    int outputs = 0;
    channels->getVideoInputChannels(inputs);
    channels->getVideoOutputChannels(outputs);
    caps["VideoInputs"] = inputs;
    caps["VideoOutputs"] = outputs;
    text << "  Video inputs: " << inputs << ", video outputs: " << outputs
         << ", audio inputs: " << caps["AudioInputChannels"].asInt() << "\n";

    Json::Value names(Json::arrayValue);
    names.append("MediaTransportType");
    Json::Value transports;
    if (media->getCaps(names, transports))
        caps["MediaTransportType"] = transports["MediaTransportType"];
    text << "  Transports: " << joined(caps["MediaTransportType"]) << "\n";
    Json::Value audioChannels;
    if (media->getAudioInEx(audioChannels))
        caps["AudioChannels"] = audioChannels;
    Json::Value encodeCaps;
    if (encode->getCaps(encodeCaps)) {
        caps["VideoEncodeDevices"] = encodeCaps["VideoEncodeDevices"];
        text << "  Channels: " << encodeCaps["VideoEncodeDevices"].size() << " (streams per channel:";
        for (const Json::Value& device : encodeCaps["VideoEncodeDevices"])
            text << " " << device["MaxExtraStream"].asInt() + 1;
        text << ")\n";
    }
    r.text = text.str();
    r.ok = true;
    return r;
}

} // namespace OnvifCli
