#include "Components/OSD/OnvifOSDOptions.h"

#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

bool readChannelSourceConfiguration(const Zentar::Component::ServerInfo& info, int channel, std::string& token)
{
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = channel < 0 ? 0 : channel;
    profile["StreamType"] = 0;
    if (!COnvifInfoCenter::instance()->getProfile(info, profile) || !profile.isMember("VideoSourceConfiguration")) {
        ONVIF_ERRLN();
        return false;
    }
    if (getLogPrinterLevel() >= LOG_INFO)
        ONVIF_LOG(LOG_INFO, "profileTable:\n%s\n", profile.toStyledString().c_str());
    token = memberText(profile, "VideoSourceConfiguration", "token");
    return !token.empty();
}

bool readChannelOSDOptions(const Zentar::Component::ServerInfo& info, int channel, Json::Value& options,
                           const char* failLog)
{
    std::string token;
    if (!readChannelSourceConfiguration(info, channel, token))
        return false;
    Json::Value request(Json::objectValue);
    request["ConfigurationToken"] = token;
    if (!COnvifInfoCenter::instance()->getOSDOptions(info, request, false)) {
        ONVIF_LOG(LOG_WARN, "%s", failLog);
        return false;
    }
    if (getLogPrinterLevel() >= LOG_INFO)
        ONVIF_LOG(LOG_INFO, "videoSrcCfgToken:%s, getOSDOptions:\n%s\n", token.c_str(), request.toStyledString().c_str());
    options = request;
    return true;
}

} // namespace Onvif
} // namespace RPC
