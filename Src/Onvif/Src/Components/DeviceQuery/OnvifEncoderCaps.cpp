#include "Components/DeviceQuery/OnvifEncoderCaps.h"

#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

bool readEncoderCapability(const Zentar::Component::ServerInfo& info, int channel, Json::Value& caps)
{
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    const int streams = centre->getProfileCount(info, channel);
    if (streams <= 0) {
        ONVIF_LOG(LOG_INFO, "channel:%d no stream\n", channel);
        return false;
    }
    Json::Value out(Json::objectValue);
    out["MainFormat"] = Json::Value(Json::arrayValue);
    out["ExtraFormat"] = Json::Value(Json::arrayValue);
    out["Audio"] = Json::Value(Json::arrayValue);
    for (int stream = 0; stream < streams; ++stream) {
        Json::Value video(Json::objectValue);
        video["RemoteChannel"] = channel;
        video["StreamType"] = stream;
        Json::Value audio = video;
        if (!centre->getVideoEncodeCapsInfo(info, video, true)) {
            ONVIF_LOG(LOG_WARN, "get video encoder caps failed. channel:%d, stream:%d\n", channel, stream);
            if (stream == 0)
                return false;
            continue;
        }
        out[stream == 0 ? "MainFormat" : "ExtraFormat"].append(video);
        // Most streams carry no audio: that is not worth more than an information line.
        if (centre->getAudioEncodeCapsInfo(info, audio, true))
            out["Audio"].append(audio);
        else
            ONVIF_LOG(LOG_INFO, "get audio encoder caps failed. channel:%d, stream:%d\n", channel, stream);
    }
    out["VideoFormat"] = "PAL";
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "Caps:\n%s\n", out.toStyledString().c_str());
    caps = out;
    return true;
}

} // namespace Onvif
} // namespace RPC
