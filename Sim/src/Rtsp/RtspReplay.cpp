// Replay of recordings over RTSP as ONVIF recorders do it: "Require: onvif-replay",
// absolute clock ranges, the Speed, Scale, Rate-Control and Frames headers, PAUSE and a later
// PLAY resuming where the stream stood, a PLAY with a new range seeking, and the end of the
// range ending the session.
#include "Common/Log.h"
#include "Common/TimeUtil.h"
#include "Device/DeviceCore.h"
#include "Media/ClipLibrary.h"
#include "Recording/RecordingModel.h"
#include "Rtsp/RtspConnection.h"
#include "Rtsp/RtspServer.h"

#include <asio/post.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace OnvifSim {
namespace {

// "20261206T100000Z" or "20261206T100000.25Z" (RFC 2326 section 3.7), in ms since 1970.
bool ParseClock(const std::string& text, long long& ms)
{
    CCivilTime t;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d%2d%2dT%2d%2d%2d%n", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second,
                    &used) != 6)
        return false;
    double fraction = 0;
    std::string rest = text.substr(static_cast<size_t>(used));
    if (!rest.empty() && rest[0] == '.') {
        char* end = nullptr;
        fraction = std::strtod(rest.c_str(), &end);
        rest = end;
    }
    long long seconds = 0;
    if (rest != "Z" || !CivilToEpoch(t, seconds))
        return false;
    ms = seconds * 1000 + std::llround(fraction * 1000);
    return true;
}

std::string FormatClock(long long ms)
{
    const CCivilTime t = EpochToCivil(ms / 1000);
    char text[40];
    if (ms % 1000)
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d.%03lldZ", t.year, t.month, t.day, t.hour,
                      t.minute, t.second, ms % 1000);
    else
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
    return text;
}

// "clock=a-b", "clock=a-" or "npt=x-y" (seconds from the first recorded moment). False for
// anything else; an absent range leaves both at -1.
bool ParseRange(const std::string& range, long long recordingStartMs, long long& startMs, long long& endMs)
{
    startMs = endMs = -1;
    if (range.empty())
        return true;
    const size_t dash = range.find('-', range.find('=') + 1);
    if (range.rfind("clock=", 0) == 0 && dash != std::string::npos) {
        const std::string a = range.substr(6, dash - 6), b = range.substr(dash + 1);
        return ParseClock(a, startMs) && (b.empty() || ParseClock(b, endMs));
    }
    if (range.rfind("npt=", 0) == 0 && dash != std::string::npos) {
        char* end = nullptr;
        const std::string a = range.substr(4, dash - 4), b = range.substr(dash + 1);
        const double from = a == "now" ? 0 : std::strtod(a.c_str(), &end);
        startMs = recordingStartMs + std::llround(from * 1000);
        if (!b.empty())
            endMs = recordingStartMs + std::llround(std::strtod(b.c_str(), &end) * 1000);
        return from >= 0;
    }
    return false;
}

// A positive decimal number of a header (Speed, Scale); 0 when absent or unreadable.
double HeaderNumber(const CHttpRequest& request, const char* name)
{
    const std::string text = request.header(name);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return text.empty() || *end != '\0' || !std::isfinite(value) ? 0 : value;
}

} // namespace

bool CRtspServer::resolveReplay(const std::string& path, CRtspProfile& profile, std::string& error) const
{
    const std::string token = path.substr(std::string(kReplayPath).size());
    auto timeline = std::make_shared<CReplayTimeline>();
    std::string encoding;
    int width = 0, height = 0;
    {
        auto lock = m_core->lock();
        Json::Value& model = RecordingModel(m_core->state());
        const Json::Value* r = FindRecording(model, token);
        if (!r) {
            error = "no recording " + token;
            return false;
        }
        if (!(*r)["video"].isObject() || (*r)["segments"].empty()) {
            error = "recording " + token + " holds no media";
            return false;
        }
        for (const auto& s : (*r)["segments"])
            timeline->segments.push_back({s[0].asInt64() * 1000, s[1].asInt64() * 1000});
        encoding = (*r)["video"]["encoding"].asString();
        width = (*r)["video"]["width"].asInt();
        height = (*r)["video"]["height"].asInt();
        profile.name = (*r)["name"].asString();
    }
    // MPEG-4 Part 2 has no clip of its own; its recordings show the H.264 one.
    timeline->clip = FindClip(encoding == "MPEG4" ? "H264" : encoding, width, height, m_options.benchmarkClip, &error);
    if (!timeline->clip)
        return false;
    profile.token = std::string(kReplayPath) + token;
    profile.tracks.push_back({1, timeline->clip});
    profile.timeline = timeline;
    return true;
}

std::shared_ptr<CReplayStream> CRtspServer::makeReplayStream(const CRtspProfile& profile,
                                                             std::shared_ptr<IRtpSink> sink,
                                                             const std::string& sessionId)
{
    std::weak_ptr<CRtspServer> weak = shared_from_this();
    return std::make_shared<CReplayStream>(m_strand, *profile.timeline, std::move(sink), [weak, sessionId] {
        if (auto self = weak.lock())
            asio::post(self->m_strand, [self, sessionId] { self->replayEnded(sessionId); });
    }, m_fault);
}

CRtspResponse CRtspServer::playReplay(CRtspSession& session, const CHttpRequest& request)
{
    CRtspResponse r;
    CReplayStream& stream = *session.tracks.front().replay;
    const CReplayTimeline& timeline = stream.timeline();
    CReplayRequest play;
    if (!ParseRange(request.header("Range"), timeline.segments.front().first, play.startMs, play.endMs)) {
        r.status = 457;
        return r;
    }
    const double speed = HeaderNumber(request, "Speed");
    const double scale = HeaderNumber(request, "Scale");
    if (!m_options.replayIgnoresSpeed) {
        play.speed = speed > 0 ? speed : scale != 0 ? std::fabs(scale) : 1.0;
        play.reverse = scale < 0;
    }
    play.rateControl = request.header("Rate-Control") != "no";
    play.intraOnly = play.reverse || request.header("Frames").rfind("intra", 0) == 0;
    play.cseq = static_cast<uint8_t>(std::atoi(request.header("CSeq").c_str()) & 0xFF);
    // Immediate or not, a new PLAY takes over at once: the simulator queues no ranges.
    if (!stream.play(play)) {
        LogLine("rtsp: replay " + session.profile + ": nothing recorded in " + request.header("Range"));
        r.status = 457;
        return r;
    }
    session.playing = true;
    r.headers.emplace_back("Session", sessionHeader(session));
    r.headers.emplace_back("Range", "clock=" + FormatClock(stream.positionMs()) + "-" +
                                        (play.endMs >= 0 ? FormatClock(play.endMs) : std::string()));
    if (speed > 0 && !m_options.replayIgnoresSpeed)
        r.headers.emplace_back("Speed", request.header("Speed"));
    if (scale != 0 && !m_options.replayIgnoresSpeed)
        r.headers.emplace_back("Scale", request.header("Scale"));
    r.headers.emplace_back("RTP-Info", "url=" + session.tracks.front().url + ";seq=" +
                                           std::to_string(stream.nextSequence()) + ";rtptime=" +
                                           std::to_string(stream.nextTimestamp()));
    return r;
}

// The range is done: the session ends and its connection closes once the last packets
// (and the BYE) have gone, so the client learns it even when the range ended in a gap.
void CRtspServer::replayEnded(const std::string& sessionId)
{
    auto it = m_sessions.find(sessionId);
    if (it == m_sessions.end())
        return;
    auto connection = it->second->connection.lock();
    endSession(sessionId, "end of the replayed range");
    if (connection)
        connection->close();
}

} // namespace OnvifSim
