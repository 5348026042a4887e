// The cache getters. Whole-slot getters (pattern A) and keyed getters (pattern B) differ
// only in slot, key, profile member and the script that fills them, so each pattern is one
// function driven by a table row. Validity is tested and data copied under the slot mutex;
// the script runs outside it, and stores through the centre's own store operations.
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenterFillers.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using OnvifFiller = bool (*)(const Zentar::Component::ServerInfo& info, Json::Value& request, Json::Value& result);

struct WholeSlotGetterRow {
    uint32_t slot;
    OnvifFiller filler;
    bool logFillFailure;
    bool logEmpty;
};

struct KeyedGetterRow {
    uint32_t slot;
    const char* keyMember;      // in the request, in the filler request and in the stored record
    const char* profileCfg;     // where the profile keeps the key; null: no profile fallback
    const char* profileMember;
    OnvifFiller filler;
    bool passProfileToken;      // the filler also wants the profile's own token
    bool strictEntry;           // a missing or empty entry after the fill is an error
    bool fillIntoResult;        // the filler writes into the caller's result record
    const char* profileFailMsg; // logged at info level when getProfile fails
    const char* noTokenMsg;     // logged at info level when the profile lacks the key
};

namespace {

const WholeSlotGetterRow kDeviceInfoRow = {INFO_SLOT_DEVICE_INFO, &getDeviceInformation, false, false};
const WholeSlotGetterRow kMediaCapsRow = {INFO_SLOT_MEDIA_CAPS, &getMediaServiceCaps, true, false};
const WholeSlotGetterRow kDeviceIOCapsRow = {INFO_SLOT_DEVICEIO_CAPS, &getDeviceIOServiceCaps, true,
                                             false};
const WholeSlotGetterRow kScopeRow = {INFO_SLOT_MARKET_AREA_SCOPE, &getScopes, true, false};
const WholeSlotGetterRow kDigitalInputsRow = {INFO_SLOT_DIGITAL_INPUTS, &getDigitalInputs, true, true};

const KeyedGetterRow kVideoEncoderOptionsRow = {
    INFO_SLOT_VIDEO_ENCODER_OPTIONS, "VideoConfigurationToken", "VideoEncoderConfiguration", "token",
    &getVideoEncoderCfgOptions, true, true, false, nullptr, nullptr};
const KeyedGetterRow kVideoEncoderCfgRow = {
    INFO_SLOT_VIDEO_ENCODER_CFG, "VideoConfigurationToken", "VideoEncoderConfiguration", "token",
    &getVideoEncoderCfg, false, true, false, nullptr, nullptr};
const KeyedGetterRow kAudioEncoderCfgRow = {
    INFO_SLOT_AUDIO_ENCODER_CFG, "AudioConfigurationToken", "AudioEncoderConfiguration", "token",
    &getAudioEncoderCfg, false, true, false, "getprofile failed\n", "audio encoder cfg token does not exist\n"};
const KeyedGetterRow kAudioEncoderOptionsRow = {
    INFO_SLOT_AUDIO_ENCODER_OPTIONS, "AudioConfigurationToken", "AudioEncoderConfiguration", "token",
    &getAudioEncoderCfgOptions, true, true, false, nullptr, "audio encoder does not exist\n"};
const KeyedGetterRow kImagingOptionsRow = {
    INFO_SLOT_IMAGING_OPTIONS, "VideoSourceToken", "VideoSourceConfiguration", "SourceToken",
    &getImagingOptions, false, false, false, nullptr, nullptr};
const KeyedGetterRow kOSDOptionsRow = {
    INFO_SLOT_OSD_OPTIONS, "ConfigurationToken", "VideoSourceConfiguration", "token",
    &getOSDOptions, false, false, false, nullptr, nullptr};
const KeyedGetterRow kMaskOptionsRow = {
    INFO_SLOT_MASK_OPTIONS, "ConfigurationToken", "VideoSourceConfiguration", "token",
    &getMaskOptions, false, false, true, nullptr, nullptr};
const KeyedGetterRow kAnalyticsModulesRow = {
    INFO_SLOT_ANALYTICS_MODULES, "ConfigurationToken", "VideoAnalyticsConfiguration", "token",
    &InfoCenterFill::analyticsModules, false, false, false, nullptr, nullptr};
const KeyedGetterRow kPTZNodeRow = {
    INFO_SLOT_PTZ_NODE, "NodeToken", nullptr, nullptr, &getNode, false, true, false, nullptr, nullptr};

} // namespace

bool COnvifInfoCenter::getWholeSlot(const ServerInfo& info, const WholeSlotGetterRow& row, Json::Value& result,
                                    bool local)
{
    if (!isSlotValid(info, row.slot, local)) {
        Json::Value request(Json::objectValue);
        Json::Value fetched(Json::objectValue);
        if (!row.filler(info, request, fetched)) {
            if (row.logFillFailure)
                ONVIF_ERRLN();
            return false;
        }
    }
    bool found = false;
    withSlot(info, row.slot, [&](CacheSlot& s, uint64_t) {
        const Json::Value& side = s.side(local);
        found = !side.empty();
        if (found)
            result = side;
    });
    if (!found && row.logEmpty)
        ONVIF_ERRLN();
    return found;
}

bool COnvifInfoCenter::profileToken(const ServerInfo& info, const Json::Value& request, const char* cfg,
                                    const char* member, std::string& profileTokenOut, std::string& token)
{
    Json::Value profile = request.isObject() ? request : Json::Value(Json::objectValue);
    if (!getProfile(info, profile))
        return false;
    profileTokenOut = memberText(profile, "token");
    token = memberText(profile, cfg, member);
    return true;
}

bool COnvifInfoCenter::getKeyed(const ServerInfo& info, const KeyedGetterRow& row, const Json::Value& request,
                                Json::Value& out, bool local)
{
    std::string key = memberText(request, row.keyMember);
    std::string profile;
    if (key.empty() && row.profileCfg) {
        if (!profileToken(info, request, row.profileCfg, row.profileMember, profile, key)) {
            if (row.profileFailMsg)
                ONVIF_LOG(LOG_INFO, "%s", row.profileFailMsg);
            return false;
        }
        if (key.empty() && row.noTokenMsg)
            ONVIF_LOG(LOG_INFO, "%s", row.noTokenMsg);
    }
    if (key.empty()) {
        ONVIF_ERRLN();
        return false;
    }

    if (!isKeyValid(info, row.slot, key, local)) {
        Json::Value fillRequest(Json::objectValue);
        if (row.passProfileToken && !profile.empty())
            fillRequest["ProfileToken"] = profile;
        fillRequest[row.keyMember] = key;
        Json::Value fetched(Json::objectValue);
        if (!row.filler(info, fillRequest, row.fillIntoResult ? out : fetched)) {
            ONVIF_ERRLN();
            return false;
        }
    }

    bool present = false;
    Json::Value entry;
    withSlot(info, row.slot, [&](CacheSlot& s, uint64_t) {
        const Json::Value& side = s.side(local);
        present = side.isObject() && side.isMember(key);
        if (present)
            entry = side[key];
    });
    if (!present || (row.strictEntry && entry.empty())) {
        ONVIF_ERRLN();
        return false;
    }
    out = entry;
    return true;
}

// ---- Whole-slot getters -----------------------------------------------------------

bool COnvifInfoCenter::getDeviceInfo(const ServerInfo& info, Json::Value& result, bool local)
{
    return getWholeSlot(info, kDeviceInfoRow, result, local);
}

bool COnvifInfoCenter::getMediaCaps(const ServerInfo& info, Json::Value& result, bool local)
{
    return getWholeSlot(info, kMediaCapsRow, result, local);
}

bool COnvifInfoCenter::getDeviceIOCaps(const ServerInfo& info, Json::Value& result, bool local)
{
    return getWholeSlot(info, kDeviceIOCapsRow, result, local);
}

bool COnvifInfoCenter::getMarketAreaScope(const ServerInfo& info, Json::Value& result, bool local)
{
    return getWholeSlot(info, kScopeRow, result, local);
}

bool COnvifInfoCenter::getDigitalInputsInfo(const ServerInfo& info, Json::Value& result, bool local)
{
    return getWholeSlot(info, kDigitalInputsRow, result, local);
}

// ---- Keyed getters ----------------------------------------------------------------

bool COnvifInfoCenter::getVideoEncodeCapsInfo(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kVideoEncoderOptionsRow, request, request, local);
}

bool COnvifInfoCenter::getVideoEncodeCfgInfo(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kVideoEncoderCfgRow, request, request, local);
}

bool COnvifInfoCenter::getAudioEncodeCfgInfo(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kAudioEncoderCfgRow, request, request, local);
}

bool COnvifInfoCenter::getAudioEncodeCapsInfo(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kAudioEncoderOptionsRow, request, request, local);
}

bool COnvifInfoCenter::getImagingOptions(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kImagingOptionsRow, request, request, local);
}

bool COnvifInfoCenter::getOSDOptions(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kOSDOptionsRow, request, request, local);
}

bool COnvifInfoCenter::getAnalyticsModules(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kAnalyticsModulesRow, request, request, local);
}

bool COnvifInfoCenter::getPTZNode(const ServerInfo& info, Json::Value& request, bool local)
{
    return getKeyed(info, kPTZNodeRow, request, request, local);
}

bool COnvifInfoCenter::getMaskOptions(const ServerInfo& info, const Json::Value& request, Json::Value& result,
                                      bool local)
{
    return getKeyed(info, kMaskOptionsRow, request, result, local);
}

} // namespace Onvif
} // namespace RPC
