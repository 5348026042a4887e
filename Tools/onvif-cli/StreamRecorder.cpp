#include "StreamRecorder.h"

#include <iostream>

#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

namespace OnvifCli {

namespace {

// The host's audio codes as frames carry them.
const char* audioCodecName(uint8_t code)
{
    switch (code) {
    case 10: return "G.711 mu-law";
    case 14: return "G.711 A-law";
    case 16: return "L16";
    case 26: return "AAC";
    case 27: case 28: case 29: case 30: return "G.726";
    default: return "unknown";
    }
}

// How late a first key frame may come before the status line points it out.
constexpr double kLateKeyFrameSeconds = 1.0;

} // namespace

CStreamRecorder::CStreamRecorder(const std::string& outPath, bool statusLines)
    : m_outPath(outPath), m_statusLines(statusLines)
{
}

CStreamRecorder::~CStreamRecorder()
{
    if (m_out)
        fclose(m_out);
}

bool CStreamRecorder::openOutput(std::string* error)
{
    if (m_outPath.empty())
        return true;
    m_out = fopen(m_outPath.c_str(), "wb");
    if (!m_out) {
        *error = "The file " + m_outPath + " cannot be written.";
        return false;
    }
    return true;
}

void CStreamRecorder::onFrame(const Zentar::Stream::CMediaFrame& frame)
{
    if (!frame.valid()) {
        m_ended = true;
        m_endedWake.notify_all();
        return;
    }
    RPC::CNativeFrameView view;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (RPC::readNativeFrame(frame.getBuffer(), frame.size(), view) != RPC::ENativeFrameError::None) {
        ++m_badFrames;
        return;
    }
    const uint8_t kind = view.info.kind;
    if (kind == RPC::NativeFrame::kKindAudio) {
        onAudio(view.payload, view.payloadLen, view.info.hasAudioFormat ? view.info.audioCodec : 0);
        return;
    }
    if (kind != RPC::NativeFrame::kKindVideoKey && kind != RPC::NativeFrame::kKindVideoDelta &&
        kind != RPC::NativeFrame::kKindPicture)
        return;
    if (m_output == EOutput::Undecided) {
        m_output = EOutput::Video;
        m_heldAudio.clear();
    }
    if (m_firstVideoSeconds < 0)
        m_firstVideoSeconds = secondsSinceStart();
    ++m_frames;
    m_bytes += static_cast<long long>(view.payloadLen);
    const bool key = kind != RPC::NativeFrame::kKindVideoDelta;
    if (kind == RPC::NativeFrame::kKindVideoKey)
        ++m_keyFrames;
    if (view.info.hasResolution) {
        m_width = view.info.width;
        m_height = view.info.height;
    }
    if (view.info.hasFrameRate)
        m_announcedRate = view.info.frameRate;
    if (key && m_firstKeySeconds < 0)
        m_firstKeySeconds = secondsSinceStart();
    m_keySeen = m_keySeen || key;
    if (m_out && m_keySeen && m_output == EOutput::Video)
        fwrite(view.payload, 1, view.payloadLen, m_out);
}

// The caller holds m_mutex.
void CStreamRecorder::onAudio(const uint8_t* payload, size_t size, uint8_t codec)
{
    ++m_audioFrames;
    m_audioCodec = codec;
    if (!m_out || m_output == EOutput::Video)
        return;
    if (m_output == EOutput::Undecided) {
        m_heldAudio.insert(m_heldAudio.end(), payload, payload + size);
        const bool waitedLongEnough = secondsSinceStart() * 1000.0 >= kAudioOnlyAfterMs;
        if (!waitedLongEnough && m_heldAudio.size() < kMaxHeldAudioBytes)
            return;
        m_output = EOutput::Audio;
        fwrite(m_heldAudio.data(), 1, m_heldAudio.size(), m_out);
        std::vector<uint8_t>().swap(m_heldAudio);
        return;
    }
    // AAC units come with their ADTS header; G.711 samples are written as they are.
    fwrite(payload, 1, size, m_out);
}

double CStreamRecorder::secondsSinceStart() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

Json::Value CStreamRecorder::summary(double seconds) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Json::Value s;
    s["Seconds"] = seconds;
    s["Frames"] = static_cast<Json::Int64>(m_frames);
    s["KeyFrames"] = static_cast<Json::Int64>(m_keyFrames);
    s["AudioFrames"] = static_cast<Json::Int64>(m_audioFrames);
    s["UnreadableFrames"] = static_cast<Json::Int64>(m_badFrames);
    s["Bytes"] = static_cast<Json::Int64>(m_bytes);
    s["FramesPerSecond"] = seconds > 0 ? static_cast<double>(m_frames) / seconds : 0.0;
    s["KbitPerSecond"] = seconds > 0 ? static_cast<double>(m_bytes) * 8.0 / 1000.0 / seconds : 0.0;
    s["Width"] = m_width;
    s["Height"] = m_height;
    s["AnnouncedFrameRate"] = m_announcedRate;
    s["Ended"] = m_ended.load();
    s["FirstKeyFrameSeconds"] = m_firstKeySeconds;
    s["WaitingForKeyFrame"] = m_frames > 0 && m_firstKeySeconds < 0;
    if (m_audioFrames > 0)
        s["AudioCodec"] = audioCodecName(m_audioCodec);
    s["AudioOnly"] = m_frames == 0 && m_audioFrames > 0;
    if (!m_outPath.empty())
        s["File"] = m_outPath;
    return s;
}

std::string CStreamRecorder::statusText(const Json::Value& s)
{
    char text[320];
    if (s["AudioOnly"].asBool()) {
        std::snprintf(text, sizeof text, "audio only: %lld %s frames, no video",
                      static_cast<long long>(s["AudioFrames"].asInt64()), s["AudioCodec"].asCString());
        return text;
    }
    std::snprintf(text, sizeof text, "%.1f frames/s, %.0f kbit/s, %lld key frames, %dx%d, %lld audio frames",
                  s["FramesPerSecond"].asDouble(), s["KbitPerSecond"].asDouble(),
                  static_cast<long long>(s["KeyFrames"].asInt64()), s["Width"].asInt(), s["Height"].asInt(),
                  static_cast<long long>(s["AudioFrames"].asInt64()));
    std::string line = text;
    const double firstKey = s["FirstKeyFrameSeconds"].asDouble();
    if (s["WaitingForKeyFrame"].asBool()) {
        std::snprintf(text, sizeof text, ", no key frame yet after %.1f s", s["Seconds"].asDouble());
        line += text;
    } else if (firstKey >= kLateKeyFrameSeconds) {
        std::snprintf(text, sizeof text, ", first key frame late: after %.1f s", firstKey);
        line += text;
    }
    return line;
}

bool CStreamRecorder::run(int seconds)
{
    const bool complete = waitAndReport(seconds);
    std::lock_guard<std::mutex> lock(m_mutex);
    // A short run that only heard audio still leaves the audio it held back.
    if (m_out && m_output == EOutput::Undecided && !m_heldAudio.empty()) {
        m_output = EOutput::Audio;
        fwrite(m_heldAudio.data(), 1, m_heldAudio.size(), m_out);
        std::vector<uint8_t>().swap(m_heldAudio);
    }
    return complete;
}

bool CStreamRecorder::waitAndReport(int seconds)
{
    const auto start = std::chrono::steady_clock::now();
    for (int second = 1; second <= seconds; ++second) {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto until = start + std::chrono::seconds(second);
        if (m_endedWake.wait_until(lock, until, [this] { return m_ended.load(); }))
            return false;
        lock.unlock();
        if (m_statusLines) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::cerr << "  " << statusText(summary(elapsed)) << std::endl;
        }
    }
    return true;
}

} // namespace OnvifCli
