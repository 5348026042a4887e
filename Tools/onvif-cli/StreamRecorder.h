#pragma once
// A host frame receiver that counts what arrives, prints a live status line once a second
// and, when asked, writes the elementary stream (Annex B video or JPEG pictures) to a file
// that standard tools read. A stream without video writes its audio instead (ADTS for AAC,
// raw samples for G.711), which is what a microphone-only encoder or an intercom sends.
#include <json/json.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "IStreamSource.h"

namespace OnvifCli {

class CStreamRecorder : public Zentar::Stream::IFrameReceiver {
public:
    // outPath empty: count only. statusLines: print the live line on stderr.
    CStreamRecorder(const std::string& outPath, bool statusLines);
    ~CStreamRecorder() override;

    bool openOutput(std::string* error);
    void onFrame(const Zentar::Stream::CMediaFrame& frame) override;

    // Waits until `seconds` have passed or the stream ended; prints the status line
    // every second meanwhile. True when it ran the whole time.
    bool run(int seconds);
    bool ended() const { return m_ended.load(); }
    Json::Value summary(double seconds) const;
    static std::string statusText(const Json::Value& summary);

    // Audio arriving before any video is held back this long before the file becomes an
    // audio file: cameras often send their first audio ahead of the first video frame.
    static constexpr int kAudioOnlyAfterMs = 2500;
    static constexpr size_t kMaxHeldAudioBytes = 1 << 20;

private:
    enum class EOutput { Undecided, Video, Audio };
    void onAudio(const uint8_t* payload, size_t size, uint8_t codec);
    bool waitAndReport(int seconds);
    double secondsSinceStart() const;

    std::string m_outPath;
    bool m_statusLines;
    FILE* m_out = nullptr;
    bool m_keySeen = false;   // the file starts at a key frame, so decoders can start there
    EOutput m_output = EOutput::Undecided;
    std::vector<uint8_t> m_heldAudio;   // audio before the file's kind is decided
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();

    mutable std::mutex m_mutex;
    std::condition_variable m_endedWake;
    std::atomic<bool> m_ended{false};
    long long m_frames = 0;
    long long m_keyFrames = 0;
    long long m_audioFrames = 0;
    long long m_badFrames = 0;
    long long m_bytes = 0;
    int m_width = 0;
    int m_height = 0;
    int m_announcedRate = 0;
    uint8_t m_audioCodec = 0;           // the host's audio code of the last audio frame
    double m_firstVideoSeconds = -1;
    double m_firstKeySeconds = -1;
};

} // namespace OnvifCli
