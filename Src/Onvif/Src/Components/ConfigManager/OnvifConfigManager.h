#pragma once
// The host's configuration pages for one device. Each configuration name is one row of the
// manager's table: the name, how it is read and how it is written (a method of the manager,
// or a get and a set composite with the texts logged when they fail). getConfig and
// setConfig split the channel off the name, find the row, log the call and refuse a name
// the table does not have.
//
// Names: "Base", "Capability" (get only), "Encode", "Image", "VideoColor", "VideoWidget",
// "ChannelTitle", "MotionDetect", "Network", "IPv6", "ExAlarm", "Alarm", "Web", "Https",
// "RTSP". Every other operation of the interface reports "not supported".
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Component/ServerInfo.h"
#include "IConfigManager.h"

namespace RPC {

// "Encode[1]" -> name "Encode" and table "RemoteChannel" 1 (element 0 of an array table).
// A name without a well-formed channel is the whole text, and the table keeps its own.
std::string splitNameAndChann(const char* text, Json::Value& table);

namespace Onvif {

class COnvifConfigManager : public Zentar::Component::IConfigManager {
public:
    explicit COnvifConfigManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getConfig(const char* name, Json::Value& table) override;
    bool setConfig(const char* name, const Json::Value& table, int options) override;

    // Forgets the OSD options read for the video-widget pages (the device may have
    // changed, or the session logged out).
    void clearOSDCfg();

    struct NameRow;

private:
    static const NameRow* findName(const std::string& name);
    bool runGet(const NameRow& row, Json::Value& table);
    bool runSet(const NameRow& row, Json::Value& table);

    // Rows served by one get and one set composite (OnvifConfigNetwork.cpp).
    bool getByScript(const NameRow& row, Json::Value& table);
    bool setByScript(const NameRow& row, Json::Value& table);

    bool getBaseInfo(Json::Value& table);
    bool getCapabilityInfo(Json::Value& table);
    bool getConfigEncode(Json::Value& table);
    bool setConfigEncode(Json::Value& table);
    // The picture settings on the host's 0..100 scale: "Image" as the imaging record,
    // "VideoColor" as the four colour values.
    bool getConfigImage(Json::Value& table);
    bool setConfigImage(Json::Value& table);
    bool getConfigVideoColor(Json::Value& table);
    bool setConfigVideoColor(Json::Value& table);
    // Privacy masks and OSDs of a channel ("Covers", "OSDs"), and its title.
    bool getConfigVideoWidget(Json::Value& table);
    bool setConfigVideoWidget(Json::Value& table);
    bool getConfigChannelTitle(Json::Value& table);
    bool setConfigChannelTitle(Json::Value& table);
    // The motion grid of a channel as the device's cell motion rules.
    bool getConfigMotionDetect(Json::Value& table);
    bool setConfigMotionDetect(Json::Value& table);
    // Alarm outputs: the device's relay outputs.
    bool getConfigAlarmOut(Json::Value& table);
    bool setConfigAlarmOut(Json::Value& table);

    // The host form of one stream's encoders; false when its video cannot be read.
    bool readStreamEncode(int channel, int stream, Json::Value& format);
    // The OSD options of a channel, read from the device once and kept until clearOSDCfg.
    bool osdOptions(int channel, Json::Value& options);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;

    std::mutex m_osdMutex;
    std::map<int, Json::Value> m_osdCfg;   // channel -> {"OSDOptions": {...}}

    std::mutex m_ruleMutex;
    std::map<int, std::vector<std::string>> m_ruleNames;   // channel -> the device's motion rules
};

} // namespace Onvif
} // namespace RPC
