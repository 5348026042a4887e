// Composites of the per-source media settings that Media2 and Media both offer in their
// own way: OSDs (Media2 first, Media after a failure), privacy masks (Media2 only),
// analytics configurations and audio decoder options.
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifMediaSelect.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

using P = EMediaPattern;

const COnvifMediaOp kCreateOSD = {"createOSD", P::Media2Fallback, "CreateOSD", "CreateOSD", nullptr, nullptr,
                                  "createOSD by media\n"};
const COnvifMediaOp kDeleteOSD = {"deleteOSD", P::Media2Fallback, "DeleteOSD", "DeleteOSD", nullptr, nullptr,
                                  "deleteOSD by media\n"};
const COnvifMediaOp kSetOSD = {"setOSD", P::Media2Fallback, "SetOSD", "SetOSD", nullptr, nullptr, "setOSD by media\n"};
const COnvifMediaOp kGetOSDs = {"getOSDs", P::Media2Fallback, "GetOSDs", "GetOSDs", nullptr, nullptr,
                                "getOSDs by media\n"};
const COnvifMediaOp kGetOSDOptions = {"getOSDOptions", P::Media2Fallback, "GetOSDOptions", "GetOSDOptions", nullptr,
                                      nullptr, "getOSDOptions by media\n"};

// Media2 has no "get one OSD": its list filtered by the token, answered as Media does.
void oneOsdFromList(const Json::Value&, Json::Value& result)
{
    const Json::Value& list = result.get("OSDs", Json::Value());
    if (list.isArray() && !list.empty())
        result["OSD"] = list[0];
    result.removeMember("OSDs");
}
const COnvifMediaOp kGetOSD = {"getOSD", P::Media2Fallback, "GetOSD", "GetOSDs", nullptr, oneOsdFromList,
                               "getOSD by media\n"};

const COnvifMediaOp kMaskOptions = {"getMaskOptions", P::Media2Only, nullptr, "GetMaskOptions", nullptr, nullptr,
                                    nullptr};
const COnvifMediaOp kAnalyticsCfgs = {"getVideoAnalyticsCfgs", P::Either, "GetVideoAnalyticsCfgs",
                                      "GetVideoAnalyticsCfgs", nullptr, nullptr, nullptr};
const COnvifMediaOp kAudioDecoderOptions = {"getAudioDecoderCfgOptions", P::Media2Fallback, "GetAudioDecoderCfgOptions",
                                            "GetAudioDecoderCfgOptions", nullptr, nullptr,
                                            "getAudioDecoderCfgOptions by media\n"};

} // namespace

bool createOSD(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kCreateOSD);
}

bool deleteOSD(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kDeleteOSD);
}

bool setOSD(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kSetOSD);
}

bool getOSDs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kGetOSDs);
}

bool getOSD(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kGetOSD);
}

bool getOSDOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!runMediaOp(info, request, result, kGetOSDOptions))
        return false;
    // Kept per video source configuration: the centre files the record by its own token.
    result["ConfigurationToken"] = memberText(request, "ConfigurationToken");
    if (getLogPrinterLevel() >= LOG_INFO)
        ONVIF_LOG(LOG_INFO, "getOSDOptions:\n%s\n", result.toStyledString().c_str());
    return COnvifInfoCenter::instance()->setOSDOptionsInfo(info, result, false);
}

bool getMaskOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!runMediaOp(info, request, result, kMaskOptions))
        return false;
    result["ConfigurationToken"] = memberText(request, "ConfigurationToken");
    return COnvifInfoCenter::instance()->setMaskOptionsInfo(info, result, true);
}

bool getVideoAnalyticsCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAnalyticsCfgs);
}

// The channel's profile names the configurations the options are about.
bool getAudioDecoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    if (request.isMember("RemoteChannel") && request.isMember("StreamType")) {
        Json::Value profile = request;
        if (!COnvifInfoCenter::instance()->getProfile(info, profile)) {
            ONVIF_LOG(LOG_ERROR, "getAudioDecoderCfgOptions failed!\n");
            return false;
        }
        request["ProfileToken"] = memberText(profile, "token");
        const std::string decoder = memberText(profile, "AudioDecoderConfiguration", "token");
        if (!decoder.empty() && memberText(request, "ConfigurationToken").empty())
            request["ConfigurationToken"] = decoder;
    }
    if (!runMediaOp(info, request, result, kAudioDecoderOptions)) {
        ONVIF_LOG(LOG_ERROR, "getAudioDecoderCfgOptions failed!\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
