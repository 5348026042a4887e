#include "OnvifFramework/EventCenter/OnvifEventPolicy.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

const char* const kSourceNames[] = {"token",       "InputToken",       "VideoSourceConfigurationToken",
                                    "SourceToken", "RelayToken",       "AudioSourceConfigurationToken",
                                    "VideoSourceToken"};

std::string textAt(const Json::Value& record, const char* group, const char* name)
{
    const Json::Value& g = record.isObject() ? record[group] : Json::Value::nullSingleton();
    const Json::Value& v = g.isObject() ? g[name] : Json::Value::nullSingleton();
    return v.isString() ? v.asString() : std::string();
}

// The position of the entry whose "token" is value in the list at key of the record.
int positionIn(const Json::Value& record, const char* key, const std::string& value)
{
    const Json::Value& list = record.isObject() ? record[key] : Json::Value::nullSingleton();
    if (!list.isArray())
        return -1;
    for (Json::ArrayIndex i = 0; i < list.size(); ++i)
        if (list[i].isObject() && list[i]["token"].isString() && list[i]["token"].asString() == value)
            return static_cast<int>(i);
    return -1;
}

// Channel c is the c-th video source; any profile of it may carry the token looked for.
int channelOf(const Json::Value& channels, const std::string& value)
{
    if (!channels.isArray())
        return -1;
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        if (!channels[c].isArray())
            continue;
        for (const Json::Value& profile : channels[c])
            for (const char* group : {"VideoSourceConfiguration", "AudioSourceConfiguration"})
                if (textAt(profile, group, "token") == value || textAt(profile, group, "SourceToken") == value)
                    return static_cast<int>(c);
    }
    return -1;
}

} // namespace

std::string alarmSourceOf(const OnvifEventCharacter& event, std::string* value)
{
    for (const auto& item : event.source())
        for (const char* name : kSourceNames)
            if (item.first == name) {
                if (value)
                    *value = item.second;
                return item.first;
            }
    return std::string();
}

int lookupAlarmIndex(const Zentar::Component::ServerInfo& info, const std::string& sourceName,
                     const std::string& sourceValue)
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (sourceName == "InputToken") {
        if (!COnvifInfoCenter::instance()->getDigitalInputsInfo(info, result, true)) {
            ONVIF_LOG(LOG_WARN, "getDigitalInputs failed\n");
            return -1;
        }
        return positionIn(result, "DigitalInputs", sourceValue);
    }
    if (sourceName == "RelayToken") {
        if (!getRelayOutputs(info, request, result))
            return -1;
        return positionIn(result, "RelayOutputs", sourceValue);
    }
    if (!COnvifInfoCenter::instance()->getProfile(info, request)) {
        ONVIF_LOG(LOG_WARN, "getMediaProfilesInfo failed\n");
        return -1;
    }
    return channelOf(request["Profiles"], sourceValue);
}

CEventPolicy::CEventPolicy(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                           std::shared_ptr<COnvifEventSignal> signal, ClockProc clock, IndexLookup lookup)
    : m_serverInfo(std::move(serverInfo)), m_signal(std::move(signal)), m_clock(std::move(clock)),
      m_lookup(lookup ? std::move(lookup) : IndexLookup(&lookupAlarmIndex))
{
}

int CEventPolicy::alarmIndex(const OnvifEventCharacter& event)
{
    std::string value;
    const std::string name = alarmSourceOf(event, &value);
    if (name.empty()) {
        ONVIF_LOG(LOG_DEBUG, "sourceName no matched!\n");
        return 0;
    }
    const std::string key = name + "=" + value;
    const uint64_t now = m_clock();
    {
        std::lock_guard<std::mutex> lock(m_cacheMutex);
        auto it = m_indexCache.find(key);
        if (it != m_indexCache.end() && (it->second.index >= 0 || now - it->second.time < kMissRetryMs))
            return it->second.index < 0 ? 0 : it->second.index;
    }
    // The lookup may ask the device; no lock is held meanwhile.
    const int index = m_lookup(*m_serverInfo, name, value);
    {
        std::lock_guard<std::mutex> lock(m_cacheMutex);
        // A device with many sources names only so many; a hostile one must not grow this.
        if (m_indexCache.size() >= 256)
            m_indexCache.clear();
        m_indexCache[key] = CachedIndex{index, now};
    }
    if (index < 0) {
        ONVIF_LOG(LOG_DEBUG, "sourceName no matched!\n");
        return 0;
    }
    ONVIF_LOG(LOG_DEBUG, "SourceName:%s,SourceValue:%s,Index:%d\n", name.c_str(), value.c_str(), index);
    return index;
}

bool CEventPolicy::execute(const OnvifEventCharacter& event)
{
    if (event.eventType().empty())
        return false;
    const int index = alarmIndex(event);
    const int action = event.isActive(true) ? 0 : 1;
    Json::Value detail;
    const std::string& type = event.eventType();
    // Line crossing, intrusion and temperature alarms say which object they are about.
    if (type == "CrossLineDetection" || type == "CrossRegionDetection" || type == "HeatImagingTemper") {
        const OnvifItemList& items = type == "CrossLineDetection" ? event.key() : event.data();
        detail["Channel"] = index;
        detail["Object"]["ObjectID"] = OnvifEventCharacter::valueOf(items, "ObjectId");
    }
    ONVIF_LOG(LOG_INFO, "event:%s,index:%d,alarm:%d,data:%s\n", type.c_str(), index, action,
              OnvifEventCharacter::joinValues(event.data()).c_str());
    m_signal->emit(type, index, action, detail, Json::Value());
    return true;
}

} // namespace Onvif
} // namespace RPC
