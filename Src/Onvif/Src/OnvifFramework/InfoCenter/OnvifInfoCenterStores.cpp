// What the scripts hand the centre after a fetch, and the tables the PTZ and time
// components keep there.
#include <string>

#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace {

// Keyed slots filled by a script: where the token sits in the stored record and whether
// the token gets its own age stamp.
struct KeyedStoreRow {
    uint32_t slot;
    const char* keyMember;
    bool withTimeLast;
    uint32_t validAfter;
};

const KeyedStoreRow kKeyedStores[] = {
    {INFO_SLOT_VIDEO_ENCODER_OPTIONS, "VideoConfigurationToken", false, 1},
    // The video encoder configuration is stored for the converters but left not valid:
    // the host must always see what the device has now.
    {INFO_SLOT_VIDEO_ENCODER_CFG, "VideoConfigurationToken", true, 0},
    {INFO_SLOT_AUDIO_ENCODER_CFG, "AudioConfigurationToken", true, 1},
    {INFO_SLOT_IMAGING_OPTIONS, "VideoSourceToken", false, 1},
    {INFO_SLOT_IMAGING_SETTINGS, "VideoSourceToken", false, 1},
    {INFO_SLOT_ANALYTICS_MODULES, "ConfigurationToken", true, 1},
    {INFO_SLOT_OSD_OPTIONS, "ConfigurationToken", false, 1},
    {INFO_SLOT_MASK_OPTIONS, "ConfigurationToken", false, 1},
    {INFO_SLOT_AUDIO_ENCODER_OPTIONS, "AudioConfigurationToken", false, 1},
    {INFO_SLOT_PTZ_NODE, "NodeToken", true, 1},
    {INFO_SLOT_PRESETS, "ProfileToken", false, 1},
    {INFO_SLOT_TOURS, "ProfileToken", false, 1},
};

const KeyedStoreRow* keyedStoreRow(uint32_t slot)
{
    for (const KeyedStoreRow& row : kKeyedStores)
        if (row.slot == slot)
            return &row;
    return nullptr;
}

} // namespace

bool COnvifInfoCenter::storeWhole(const ServerInfo& info, uint32_t slot, const Json::Value& record, bool local)
{
    return withSlot(info, slot, [&](CacheSlot& s, uint64_t now) { s.store(record, local, now); });
}

bool COnvifInfoCenter::storeKeyed(const ServerInfo& info, uint32_t slot, const std::string& key,
                                  const Json::Value& record, bool local, bool withTimeLast, uint32_t validAfter)
{
    if (key.empty()) {
        ONVIF_ERRLN();
        return false;
    }
    return withSlot(info, slot,
                    [&](CacheSlot& s, uint64_t now) { s.storeKeyed(key, record, local, now, withTimeLast, validAfter); });
}

bool COnvifInfoCenter::storeByRow(const ServerInfo& info, uint32_t slot, const std::string& key,
                                  const Json::Value& record, bool local)
{
    const KeyedStoreRow* row = keyedStoreRow(slot);
    return row && storeKeyed(info, slot, key, record, local, row->withTimeLast, row->validAfter);
}

bool COnvifInfoCenter::storeByToken(const ServerInfo& info, uint32_t slot, const Json::Value& record, bool local)
{
    const KeyedStoreRow* row = keyedStoreRow(slot);
    return row && storeByRow(info, slot, memberText(record, row->keyMember), record, local);
}

// ---- Whole-slot stores ------------------------------------------------------------

bool COnvifInfoCenter::setDeviceInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeWhole(info, INFO_SLOT_DEVICE_INFO, record, local);
}

bool COnvifInfoCenter::setProfiles(const ServerInfo& info, const Json::Value& groups, bool /*local*/)
{
    // Grouped profiles exist only in the host's numbering.
    return storeWhole(info, INFO_SLOT_PROFILES, groups, true);
}

bool COnvifInfoCenter::setMarketAreaScope(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeWhole(info, INFO_SLOT_MARKET_AREA_SCOPE, record, local);
}

bool COnvifInfoCenter::setDeviceIOCaps(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeWhole(info, INFO_SLOT_DEVICEIO_CAPS, record, local);
}

bool COnvifInfoCenter::setMediaCaps(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeWhole(info, INFO_SLOT_MEDIA_CAPS, record, local);
}

bool COnvifInfoCenter::setDigitalInputsInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeWhole(info, INFO_SLOT_DIGITAL_INPUTS, record, local);
}

bool COnvifInfoCenter::setZoneAndDSTCfg(const ServerInfo& info, const Json::Value& config, bool local)
{
    return storeWhole(info, INFO_SLOT_ZONE_DST, config, local);
}

bool COnvifInfoCenter::getZoneAndDSTCfg(const ServerInfo& info, Json::Value& config, bool local)
{
    bool found = false;
    withSlot(info, INFO_SLOT_ZONE_DST, [&](CacheSlot& s, uint64_t) {
        const Json::Value& side = s.side(local);
        found = !side.empty();
        if (found)
            config = side;
    });
    if (!found)
        ONVIF_ERRLN();
    return found;
}

// ---- Keyed stores -----------------------------------------------------------------

bool COnvifInfoCenter::setVideoEncodeCfgInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_VIDEO_ENCODER_CFG, record, local);
}

bool COnvifInfoCenter::setAudioEncodeCfgInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_AUDIO_ENCODER_CFG, record, local);
}

bool COnvifInfoCenter::setImagingOptionsInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_IMAGING_OPTIONS, record, local);
}

bool COnvifInfoCenter::setImagingSettingsInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_IMAGING_SETTINGS, record, local);
}

bool COnvifInfoCenter::setAnalyticsModulesInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_ANALYTICS_MODULES, record, local);
}

bool COnvifInfoCenter::setOSDOptionsInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_OSD_OPTIONS, record, local);
}

bool COnvifInfoCenter::setMaskOptionsInfo(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_MASK_OPTIONS, record, local);
}

bool COnvifInfoCenter::setPTZNode(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_PTZ_NODE, record, local);
}

bool COnvifInfoCenter::storePresets(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_PRESETS, record, local);
}

bool COnvifInfoCenter::storeTours(const ServerInfo& info, const Json::Value& record, bool local)
{
    return storeByToken(info, INFO_SLOT_TOURS, record, local);
}

bool COnvifInfoCenter::setVideoEncodeCapsInfo(const ServerInfo& info, const Json::Value& options, bool local)
{
    std::string key = memberText(options, "VideoConfigurationToken");
    const std::string profile = memberText(options, "ProfileToken");
    if (key.empty() && !profile.empty()) {
        Json::Value request(Json::objectValue);
        request["ProfileToken"] = profile;
        std::string ignored;
        if (!profileToken(info, request, "VideoEncoderConfiguration", "token", ignored, key))
            return false;
    }
    return storeByRow(info, INFO_SLOT_VIDEO_ENCODER_OPTIONS, key, options, local);
}

bool COnvifInfoCenter::setAudioEncodeCapsInfo(const ServerInfo& info, const Json::Value& options, bool local)
{
    std::string key = memberText(options, "AudioConfigurationToken");
    const std::string profile = memberText(options, "ProfileToken");
    if (key.empty() && !profile.empty()) {
        Json::Value request(Json::objectValue);
        request["ProfileToken"] = profile;
        std::string ignored;
        if (!profileToken(info, request, "AudioEncoderConfiguration", "token", ignored, key))
            return false;
        if (key.empty()) {
            ONVIF_LOG(LOG_INFO, "audio encoder does not exist\n");
            return false;
        }
    }
    return storeByRow(info, INFO_SLOT_AUDIO_ENCODER_OPTIONS, key, options, local);
}

// ---- Preset and tour tables -------------------------------------------------------

bool COnvifInfoCenter::loadByProfile(const ServerInfo& info, uint32_t slot, Json::Value& record, bool local)
{
    const std::string key = memberText(record, "ProfileToken");
    if (key.empty()) {
        ONVIF_ERRLN();
        return false;
    }
    Json::Value stored;
    withSlot(info, slot, [&](CacheSlot& s, uint64_t) {
        const Json::Value& side = s.side(local);
        if (side.isObject() && side.isMember(key))
            stored = side[key];
    });
    record = stored; // null when nothing was stored for this profile yet
    return true;
}

bool COnvifInfoCenter::loadPresets(const ServerInfo& info, Json::Value& record, bool local)
{
    return loadByProfile(info, INFO_SLOT_PRESETS, record, local);
}

bool COnvifInfoCenter::loadTours(const ServerInfo& info, Json::Value& record, bool local)
{
    return loadByProfile(info, INFO_SLOT_TOURS, record, local);
}

} // namespace Onvif
} // namespace RPC
