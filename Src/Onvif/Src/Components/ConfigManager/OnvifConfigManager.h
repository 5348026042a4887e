#pragma once
// The host's configuration pages for one device. Each configuration name is a row of the
// manager's table with the functions that read and write it in the host's vocabulary.
//
// Served so far: "Base" (get), "Capability" (get), "Encode", "Image" and "VideoColor" (get,
// set), and the network tables "Network", "IPv6", "Web", "Https", "RTSP" (get, set), which
// are each one pair of composite scripts (a second, data-only table). Every other name is
// refused with its log line; every other operation of the interface reports "not
// supported".
#include <memory>
#include <string>

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

private:
    // The configuration names served, with their readers and writers.
    struct NameRow {
        const char* name;
        bool (COnvifConfigManager::*get)(Json::Value& table);
        bool (COnvifConfigManager::*set)(Json::Value& table);   // null: read only
    };
    static const NameRow* findName(const std::string& name);

    // Tables that are one get script and one set script with their failure texts.
    struct ScriptRow;
    static const ScriptRow* findScriptName(const std::string& name);
    bool getByScript(const ScriptRow& row, Json::Value& table);
    bool setByScript(const ScriptRow& row, Json::Value& table);

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

    // The host form of one stream's encoders; false when its video cannot be read.
    bool readStreamEncode(int channel, int stream, Json::Value& format);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
