// "MotionDetect": a channel's motion grid as the device's cell motion rules. A set
// reconciles the host's windows with the rules the device holds: rules whose window is
// gone are deleted first (devices cap the number of rules), then existing windows are
// modified and new ones created; the first window's sensitivity goes to the engine.
#include <algorithm>
#include <set>

#include "Components/ConfigManager/OnvifConfigManager.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr unsigned kFullRow22 = 0x3FFFFF;   // all 22 cells of a host row

// The table a device without any motion rule reads as: one window over the whole grid.
Json::Value defaultMotionTable()
{
    Json::Value motion(Json::objectValue);
    motion["Enable"] = true;
    motion["Row"] = 18;
    motion["Col"] = 22;
    motion["DetectVersion"] = "V3.0";
    Json::Value window(Json::objectValue);
    window["Name"] = "Region1";
    for (int r = 0; r < 18; ++r)
        window["Region"].append(kFullRow22);
    window["Threshold"] = 50;
    window["Sensitive"] = 50;
    motion["MotionDetectWindow"].append(window);
    return motion;
}

int channelOf(const Json::Value& table)
{
    int channel = 0;
    memberInt(table, "RemoteChannel", channel);
    return channel;
}

bool profileHasAnalytics(const ServerInfo& info, int channel)
{
    if (COnvifInfoCenter::instance()->fillProfile(info, channel, 0, "VideoAnalyticsConfiguration"))
        return true;
    ONVIF_LOG(LOG_WARN, "no VideoAnalyticsConfiguration in profile\n");
    return false;
}

} // namespace

bool COnvifConfigManager::getConfigMotionDetect(Json::Value& table)
{
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    const int channel = channelOf(table);
    if (!profileHasAnalytics(*m_serverInfo, channel))
        return false;
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request["RemoteChannel"] = channel;
    request["RuleType"] = "CellMotionDetector";
    if (!getMotionDetectRules(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "COnvifConfigManager::getConfig fail! argu[MotionDetect]\n");
        return false;
    }
    std::vector<std::string> names;
    for (const Json::Value& window : result["MotionDetect"]["MotionDetectWindow"])
        names.push_back(window.get("Name", "").asString());
    {
        std::lock_guard<std::mutex> lock(m_ruleMutex);
        m_ruleNames[channel] = names;
    }
    if (names.empty()) {
        ONVIF_LOG(LOG_WARN, "can not find MoetionDetect\n");
        table["MotionDetect"] = defaultMotionTable();
        return true;
    }
    table["MotionDetect"] = result["MotionDetect"];
    return true;
}

bool COnvifConfigManager::setConfigMotionDetect(Json::Value& table)
{
    const Json::Value& motion = table.isObject() ? table["MotionDetect"] : Json::Value::nullSingleton();
    if (!motion.isObject() || motion.get("DetectVersion", "").asString() != "V3.0") {
        ONVIF_LOG(LOG_WARN, "Please use V3.0\n");
        return false;
    }
    const Json::Value& windows = motion["MotionDetectWindow"];
    if (!windows.isArray()) {
        ONVIF_LOG(LOG_WARN, "MotionDetect: MotionDetectWindow is not a list\n");
        return false;
    }
    const int channel = channelOf(table);
    // The device's current rules: what a get remembered, read again so that a set without a
    // get before it (or after another client's change) reconciles with what is there.
    Json::Value current = table;
    if (!getConfigMotionDetect(current))
        return false;
    std::vector<std::string> existing;
    {
        std::lock_guard<std::mutex> lock(m_ruleMutex);
        existing = m_ruleNames[channel];
    }
    ONVIF_LOG(LOG_DEBUG, "******ruleNameMap print begin\n");
    for (const std::string& name : existing)
        ONVIF_LOG(LOG_DEBUG, "%s\n", name.c_str());
    ONVIF_LOG(LOG_DEBUG, "******ruleNameMap print end\n");

    std::set<std::string> wanted;
    Json::Value create = Json::Value(Json::arrayValue), modify = Json::Value(Json::arrayValue);
    for (const Json::Value& window : windows) {
        const std::string name = window.isObject() ? window.get("Name", "").asString() : std::string();
        if (name.empty() || !wanted.insert(name).second) {
            ONVIF_LOG(LOG_WARN, "MotionDetect: window without a name or named twice: [%s]\n", name.c_str());
            return false;
        }
        const bool known = std::find(existing.begin(), existing.end(), name) != existing.end();
        (known ? modify : create).append(window);
    }
    bool ok = true;
    Json::Value drop(Json::objectValue);
    for (size_t i = 0; i < existing.size(); ++i)
        if (!wanted.count(existing[i]))
            drop["RuleName"].append(existing[i]);
    if (drop.isMember("RuleName")) {
        Json::Value result(Json::objectValue);
        drop["RemoteChannel"] = channel;
        if (!deleteRules(*m_serverInfo, drop, result)) {
            for (Json::ArrayIndex i = 0; i < drop["RuleName"].size(); ++i)
                ONVIF_LOG(LOG_WARN, "to deleteRules fail, idx[%u], RuleName:%s\n", i, drop["RuleName"][i].asCString());
            ok = false;
        }
    }
    const struct {
        Json::Value* windows;
        bool (*write)(const ServerInfo&, Json::Value&, Json::Value&);
        const char* failure;
    } steps[] = {
        {&modify, &modifyMotionDetectRules, "to modifyMotionDetectRules fail, idx[%u], RuleName:%s\n"},
        {&create, &createMotionDetectRules, "to createMotionDetectRules fail, idx[%u], RuleName:%s\n"},
    };
    for (const auto& step : steps) {
        if (step.windows->empty())
            continue;
        Json::Value request(Json::objectValue), result(Json::objectValue);
        request["RemoteChannel"] = channel;
        request["MotionDetect"] = motion;
        request["MotionDetect"]["MotionDetectWindow"] = *step.windows;
        if (!step.write(*m_serverInfo, request, result)) {
            for (Json::ArrayIndex i = 0; i < step.windows->size(); ++i)
                ONVIF_LOG(LOG_WARN, step.failure, i, (*step.windows)[i].get("Name", "").asCString());
            ok = false;
        }
    }
    if (!windows.empty() && windows[0].isMember("Sensitive")) {
        Json::Value request(Json::objectValue), result(Json::objectValue);
        request["RemoteChannel"] = channel;
        request["Sensitive"] = windows[0]["Sensitive"];
        ok = setMotionSensitive(*m_serverInfo, request, result) && ok;
    }
    if (!ok)
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[MotionDetect], remote IP:[%s]\n", m_serverInfo->address.c_str());
    return ok;
}

} // namespace Onvif
} // namespace RPC
