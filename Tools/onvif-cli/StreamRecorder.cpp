#include "StreamRecorder.h"

#include <chrono>
#include <iostream>

#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

namespace OnvifCli {

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
        ++m_audioFrames;
        return;
    }
    if (kind != RPC::NativeFrame::kKindVideoKey && kind != RPC::NativeFrame::kKindVideoDelta &&
        kind != RPC::NativeFrame::kKindPicture)
        return;
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
    m_keySeen = m_keySeen || key;
    if (m_out && m_keySeen)
        fwrite(view.payload, 1, view.payloadLen, m_out);
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
    if (!m_outPath.empty())
        s["File"] = m_outPath;
    return s;
}

std::string CStreamRecorder::statusText(const Json::Value& s)
{
    char text[256];
    std::snprintf(text, sizeof text, "%.1f frames/s, %.0f kbit/s, %lld key frames, %dx%d, %lld audio frames",
                  s["FramesPerSecond"].asDouble(), s["KbitPerSecond"].asDouble(),
                  static_cast<long long>(s["KeyFrames"].asInt64()), s["Width"].asInt(), s["Height"].asInt(),
                  static_cast<long long>(s["AudioFrames"].asInt64()));
    return text;
}

bool CStreamRecorder::run(int seconds)
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
