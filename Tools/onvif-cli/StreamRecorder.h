#pragma once
// A host frame receiver that counts what arrives, prints a live status line once a second
// and, when asked, writes the elementary stream (Annex B video or JPEG pictures) to a file
// that standard tools read.
#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

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

private:
    std::string m_outPath;
    bool m_statusLines;
    FILE* m_out = nullptr;
    bool m_keySeen = false;   // the file starts at a key frame, so decoders can start there

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
};

} // namespace OnvifCli
