// talk: sends a WAV file to a channel's speaker through the talk peer, in real time, as a
// recorder's intercom button does with its microphone.
#include <atomic>
#include <chrono>
#include <thread>

#include "CliOutput.h"
#include "Commands.h"
#include "IClient.h"
#include "IVideoTalkPeer.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"
#include "TalkAudio.h"

namespace OnvifCli {

namespace {

class CDeviceFrames : public Zentar::Stream::IFrameReceiver {
public:
    void onFrame(const Zentar::Stream::CMediaFrame& frame) override { m_frames += frame.valid() ? 1 : 0; }
    int count() const { return m_frames.load(); }

private:
    std::atomic<int> m_frames{0};
};

const size_t kFrameSamples = 160;   // 20 ms at 8 kHz

} // namespace

CommandResult runTalk(CCliHost& host, int channel, const std::string& path, const std::string& codec)
{
    CommandResult r;
    std::vector<int16_t> samples;
    if (!readWavAs8kMono(path, samples, r.error))
        return r;
    Zentar::Component::IVideoTalkPeer* talk = host.client()->getIVideoTalkPeer();
    if (!talk) {
        r.error = "The library did not hand out a talk peer for " + host.deviceLabel() + ".";
        return r;
    }
    const bool alaw = codec == "pcma";
    Json::Value options;
    options["Compression"] = alaw ? "PCMA" : "PCMU";
    options["Frequency"] = 8000;
    CDeviceFrames frames;
    if (!talk->setOption(options) || !talk->reinvite(std::to_string(channel).c_str()) || !talk->startRecv(&frames)) {
        r.error = host.deviceLabel() + " did not open its audio back channel on channel " + std::to_string(channel) +
                  "; --log-level 3 shows why.";
        return r;
    }
    // The session plays shortly after it opens; audio sent before that is not carried.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    RPC::CNativeFrameWriter writer;
    writer.setKind(RPC::NativeFrame::kKindAudio).setChannel(static_cast<uint8_t>(channel));
    uint64_t sent = 0;
    int refused = 0;
    auto next = std::chrono::steady_clock::now();
    for (size_t at = 0, sequence = 0; at < samples.size(); at += kFrameSamples, ++sequence) {
        std::vector<uint8_t> payload;
        for (size_t i = at; i < samples.size() && i < at + kFrameSamples; ++i)
            payload.push_back(alaw ? linearToALaw(samples[i]) : linearToMuLaw(samples[i]));
        std::vector<uint8_t> bytes;
        writer.setSequence(static_cast<uint32_t>(sequence)).setTimeNow().write(payload.data(), payload.size(), bytes);
        Zentar::Stream::CMediaFrame frame;
        frame.assign(bytes.data(), bytes.size());
        frame.setPts(sequence * 20);
        if (talk->put(frame))
            sent += payload.size();
        else
            ++refused;
        next += std::chrono::milliseconds(20);
        std::this_thread::sleep_until(next);
    }
    // Let the last packets leave before the session closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    talk->stop(&frames);
    r.ok = refused == 0;
    if (!r.ok)
        r.error = std::to_string(refused) + " audio frames were refused by the talk session.";
    r.data["Codec"] = alaw ? "PCMA" : "PCMU";
    r.data["SentBytes"] = static_cast<Json::UInt64>(sent);
    r.data["Seconds"] = static_cast<double>(samples.size()) / 8000.0;
    r.data["DeviceFrames"] = frames.count();
    std::string text = "  sent " + std::to_string(sent) + " bytes of " + r.data["Codec"].asString() + " (" +
                       std::to_string(samples.size() / 8000.0).substr(0, 4) + " s)\n";
    const Json::Value counted = host.embeddedBackChannelAudio();
    if (!counted.isNull()) {
        r.data["DeviceCounted"] = counted;
        text += "  the simulator counted " + std::to_string(counted[r.data["Codec"].asString()]["bytes"].asUInt64()) +
                " bytes of " + r.data["Codec"].asString() + "\n";
    }
    r.text = text;
    return r;
}

} // namespace OnvifCli
