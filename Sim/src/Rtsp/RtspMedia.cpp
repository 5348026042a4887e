// What the RTSP server streams: request URLs matched against the profiles' stream URIs,
// the clips behind each profile's encoders, the SDP that announces them, and the device's
// users guarding it all.
#include "Common/Log.h"
#include "Device/DeviceCore.h"
#include "Media/ClipLibrary.h"
#include "Media/MediaModel.h"
#include "Media/MediaUris.h"
#include "Rtsp/RtspServer.h"

#include <algorithm>

namespace OnvifSim {
namespace {

const Json::Value* FindConfig(const Json::Value& model, const char* kind, const Json::Value& profile)
{
    const Json::Value& token = profile["refs"][kind];
    for (const auto& config : model["configs"][kind])
        if (!token.isNull() && config["token"] == token)
            return &config;
    return nullptr;
}

// Clip codec for an encoding; MPEG-4 Part 2 and G.726 have no clip of their own.
std::string ClipCodec(const std::string& encoding)
{
    if (encoding == "H264" || encoding == "MPEG4")
        return "H264";
    if (encoding == "G711" || encoding == "G726")
        return "PCMU";
    return encoding;   // H265, JPEG, AAC
}

struct CWantedTrack {
    std::string codec;
    int width = 0;
    int height = 0;
};

// "url/trackID=2" -> ("url", 2); a URL without a track keeps trackId 0.
std::string SplitTrack(std::string path, int& trackId)
{
    trackId = 0;
    size_t slash = path.rfind("/trackID=");
    if (slash != std::string::npos) {
        trackId = std::atoi(path.c_str() + slash + 9);
        path.erase(slash);
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

bool CRtspServer::resolve(const std::string& url, CRtspProfile& profile, int& trackId, std::string& error) const
{
    std::string path = SplitTrack(UriPathPart(url), trackId);
    if (path.rfind(kReplayPath, 0) == 0)
        return resolveReplay(path, profile, error);
    std::vector<CWantedTrack> wanted;
    {
        auto lock = m_core->lock();
        Json::Value model = m_core->state().serviceData["media"];
        if (model.isNull() && !BuildMediaModel(m_core->state().current.raw, model, error))
            return false;
        int index = 0;
        for (const auto& p : model["profiles"]) {
            bool match = false;
            for (EStreamKind kind : {EStreamKind::RtspUnicast, EStreamKind::RtspMulticast}) {
                int ignored = 0;
                match = match || SplitTrack(StreamUriPath(model, p, kind), ignored) == path;
            }
            if (match) {
                profile.token = p["token"].asString();
                profile.name = p["name"].asString();
                profile.index = index;
                if (const Json::Value* video = FindConfig(model, "VideoEncoder", p))
                    wanted.push_back({ClipCodec((*video)["encoding"].asString()), (*video)["width"].asInt(),
                                      (*video)["height"].asInt()});
                if (const Json::Value* audio = FindConfig(model, "AudioEncoder", p))
                    wanted.push_back({ClipCodec((*audio)["encoding"].asString()), 0, 0});
                break;
            }
            ++index;
        }
    }
    if (profile.token.empty()) {
        error = "no profile streams at " + path;
        return false;
    }
    for (const auto& w : wanted) {
        CRtspTrack track;
        track.id = static_cast<int>(profile.tracks.size()) + 1;
        track.clip = FindClip(w.codec, w.width, w.height, m_options.benchmarkClip, &error);
        if (!track.clip)
            return false;
        profile.tracks.push_back(track);
    }
    if (profile.tracks.empty()) {
        error = "profile " + profile.token + " has no encoder";
        return false;
    }
    return true;
}

bool CRtspServer::authorised(const CHttpRequest& request, CRtspResponse& refusal)
{
    if (!m_options.authenticate)
        return true;
    auto lock = m_core->lock();
    const CDeviceDescription& device = m_core->state().current;
    if (device.authMode == EAuthMode::None || device.users.empty())
        return true;
    bool basic = std::find(device.challenges.begin(), device.challenges.end(), "Basic") != device.challenges.end();
    CAuthOutcome who = m_core->digest().verify(request.header("Authorization"), request.method, request.target,
                                               device.users, device.realm, basic, device.digestNonceLifetimeSeconds);
    if (who.ok)
        return true;
    if (who.present)
        LogLine("rtsp: " + request.method + " " + request.target + " refused: " + who.why);
    refusal.status = 401;
    std::vector<std::string> schemes = device.challenges;
    if (schemes.empty())
        schemes.push_back("Digest MD5");
    for (const auto& challenge : m_core->digest().challenges(schemes, device.realm, who.stale))
        refusal.headers.emplace_back("WWW-Authenticate", challenge);
    return false;
}

std::string CRtspServer::sdp(const CRtspProfile& profile, const std::string& base) const
{
    std::string out = "v=0\r\n"
                      "o=- " + std::to_string(1000 + profile.index) + " 1 IN IP4 " + m_address + "\r\n"
                      "s=" + (profile.name.empty() ? profile.token : profile.name) + "\r\n"
                      "c=IN IP4 0.0.0.0\r\n"
                      "t=0 0\r\n"
                      "a=control:" + base + "\r\n"
                      "a=range:npt=0-\r\n";
    for (const auto& track : profile.tracks) {
        const CClip& clip = *track.clip;
        std::string pt = std::to_string(clip.payloadType);
        out += std::string("m=") + (clip.video ? "video" : "audio") + " 0 RTP/AVP " + pt + "\r\n";
        out += "a=rtpmap:" + pt + " " + clip.encodingName + "/" + std::to_string(clip.clockRate) +
               (clip.codec == EClipCodec::Aac ? "/" + std::to_string(clip.channels) : "") + "\r\n";
        if (!clip.fmtp.empty())
            out += "a=fmtp:" + pt + " " + clip.fmtp + "\r\n";
        if (clip.video) {
            out += "a=framesize:" + pt + " " + std::to_string(clip.width) + "-" + std::to_string(clip.height) + "\r\n";
            out += "a=x-dimensions:" + std::to_string(clip.width) + "," + std::to_string(clip.height) + "\r\n";
            out += "a=framerate:" + std::to_string(static_cast<int>(clip.fps + 0.5)) + "\r\n";
        }
        out += "a=control:" + base + "/trackID=" + std::to_string(track.id) + "\r\n";
    }
    return out;
}

} // namespace OnvifSim
