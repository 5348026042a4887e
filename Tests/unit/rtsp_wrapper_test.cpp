// The RTSP client wrapper's own rules: transport choice, audio names, the talk back
// channel in a description, the frame-rate stamp, and the playback range checks.
#include <gtest/gtest.h>

#include <vector>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/SdpParser.h"

using RPC::CExpRtspClient;

namespace {

// Owner of a wrapper for a test: Close() is how a wrapper goes.
struct WrapperCloser {
    void operator()(CExpRtspClient* c) const { c->Close(); }
};
using WrapperPtr = std::unique_ptr<CExpRtspClient, WrapperCloser>;

WrapperPtr makeWrapper(int protocol)
{
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    return WrapperPtr(new CExpRtspClient(info, protocol));
}

TEST(RtspWrapperTransport, ProtocolChoicesMapToSessionKinds)
{
    struct Case {
        int protocol;
        uint8_t transportByte;
        int kind;
    } cases[] = {
        {0, 0, 1}, {6, 0, 1}, {1, 0, 0}, {3, 0, 2}, {4, 0, 4}, {5, 0, 4}, {2, 0, 5}, {7, 0, 5}, {42, 0, 5},
        {-1, 0, 1}, {-1, 1, 0}, {-1, 2, 2}, {-1, 255, 1}, {-1, 9, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CExpRtspClient::transportKind(c.protocol, c.transportByte), c.kind)
            << c.protocol << "/" << int(c.transportByte);
}

TEST(RtspWrapperTalk, AudioNamesAreExactExceptG726)
{
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"PCMU", 10}, {"G.711Mu", 10}, {"PCMA", 14}, {"G.711A", 14}, {"L16", 16}, {"MPEG4-GENERIC", 26},
        {"opus", 38}, {"G.726-24", 29}, {"G726-32", 27}, {"x-G.726", 27}, {"pcmu", -1}, {"OPUS", -1}, {"", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CExpRtspClient::audioCodeOfName(c.name), c.code) << c.name;
}

const char kTalkSdp[] =
    "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=talk\r\nt=0 0\r\n"
    "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=control:trackID=1\r\na=recvonly\r\n"
    "m=audio 0 RTP/AVP 0 8 97\r\na=rtpmap:0 PCMU/8000\r\na=rtpmap:8 PCMA/8000\r\na=rtpmap:97 L16/16000\r\n"
    "a=control:trackID=5\r\na=sendonly\r\n";

TEST(RtspWrapperTalk, BackChannelNarrowedToTheMatchingPayload)
{
    Zentar::StreamSvr::CSdpParser sdp;
    ASSERT_EQ(sdp.attach(kTalkSdp), 0);
    Zentar::StreamSvr::CSdpParser edited;
    bool changed = false;
    ASSERT_TRUE(CExpRtspClient::selectBackChannel(sdp, 14, 8000, edited, changed));
    EXPECT_TRUE(changed);
    ASSERT_EQ(edited.getMediaTotal(), 2);
    EXPECT_EQ(edited.getMediaFormats(1), std::vector<int>{8});
    EXPECT_EQ(edited.getPayloadCount(1), 1);
    Zentar::StreamSvr::CSdpPayload payload;
    ASSERT_TRUE(edited.getPayload(1, 0, payload));
    EXPECT_EQ(payload.name, "PCMA");
    EXPECT_EQ(edited.getMediaTypeName(1), "audio");
    EXPECT_EQ(edited.getMediaFormats(0), std::vector<int>{96});   // the other media untouched

    // Nothing matches: L16 at 8000 Hz is not offered.
    EXPECT_FALSE(CExpRtspClient::selectBackChannel(sdp, 16, 8000, edited, changed));
}

TEST(RtspWrapperTalk, SinglePayloadOrNoBackChannel)
{
    const char single[] = "v=0\r\ns=x\r\nt=0 0\r\nm=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n"
                          "a=control:track5\r\na=sendonly\r\n";
    Zentar::StreamSvr::CSdpParser sdp;
    ASSERT_EQ(sdp.attach(single), 0);
    Zentar::StreamSvr::CSdpParser edited;
    bool changed = true;
    EXPECT_TRUE(CExpRtspClient::selectBackChannel(sdp, 10, 8000, edited, changed));
    EXPECT_FALSE(changed);

    const char receiveOnly[] = "v=0\r\ns=x\r\nt=0 0\r\nm=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n"
                               "a=control:track5\r\na=recvonly\r\n";
    ASSERT_EQ(sdp.attach(receiveOnly), 0);
    EXPECT_FALSE(CExpRtspClient::selectBackChannel(sdp, 10, 8000, edited, changed));
}

Zentar::Stream::CMediaFrame videoFrame(bool key, uint8_t frameRate)
{
    RPC::CNativeFrameWriter writer;
    writer.setKind(key ? RPC::NativeFrame::kKindVideoKey : RPC::NativeFrame::kKindVideoDelta)
        .setFrameRate(1, frameRate)
        .setResolution(640, 360);
    const uint8_t payload[] = {0, 0, 0, 1, 0x65, 0x88, 0x84};
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(writer.write(payload, sizeof payload, bytes));
    Zentar::Stream::CMediaFrame frame;
    EXPECT_TRUE(frame.assign(bytes.data(), bytes.size()));
    frame.setFrameType(key ? RPC::NativeFrame::kFrameTypeI : RPC::NativeFrame::kFrameTypeP);
    return frame;
}

TEST(RtspWrapperFrameRate, ConfiguredRateIsWrittenIntoEveryFrame)
{
    WrapperPtr wrapper = makeWrapper(0);
    wrapper->setFrameRate(12);
    Zentar::Stream::CMediaFrame frame = videoFrame(false, 25);
    wrapper->stampFrameRate(frame, 1000);
    EXPECT_EQ(RPC::getNativeFrameRate(frame.getBuffer(), frame.size()), 12);
}

TEST(RtspWrapperFrameRate, AnnouncedRateKeptUntilTheStatisticTakesOver)
{
    WrapperPtr wrapper = makeWrapper(0);
    // Without statistics the frames keep what they announce.
    Zentar::Stream::CMediaFrame key = videoFrame(true, 30);
    wrapper->stampFrameRate(key, 1000);
    EXPECT_EQ(RPC::getNativeFrameRate(key.getBuffer(), key.size()), 30);
}

TEST(RtspWrapperPlayback, RangeChecks)
{
    WrapperPtr wrapper = makeWrapper(0);
    EXPECT_FALSE(wrapper->setPlayRange("2026-01-01T00:00:00", "2026-01-01T01:00:00", 0));
    EXPECT_FALSE(wrapper->setPlayRange("2026-01-01 00:00:00", "2026-01-01T01:00:00", 1));
    EXPECT_FALSE(wrapper->setPlayRange("2026-01-01T00:00:00", "garbage", 1));
    ASSERT_TRUE(wrapper->setPlayRange("2026-01-01T00:00:00", "2026-01-01T01:00:00", 1));
    const uint64_t end = 1767229200;   // 2026-01-01T01:00:00Z, whatever this machine's zone
    EXPECT_EQ(wrapper->checkReciveDataOver(end - 1), 0);
    EXPECT_EQ(wrapper->checkReciveDataOver(end), 1);
    EXPECT_EQ(wrapper->checkReciveDataOver(end + 60), 1);
}

TEST(RtspWrapperControls, SoftFailuresWithoutASession)
{
    WrapperPtr wrapper = makeWrapper(0);
    EXPECT_EQ(wrapper->pause(), 0);   // not playing: nothing to pause
    EXPECT_FALSE(wrapper->isReady());
    Json::Value params;
    params["Compression"] = "PCMU";
    EXPECT_FALSE(wrapper->setAudioBackParams(params));
    params["Frequency"] = 8000;
    EXPECT_TRUE(wrapper->setAudioBackParams(params));
    EXPECT_EQ(wrapper->sendExtMsgToRtspClient(0, nullptr), -1);
    EXPECT_EQ(wrapper->getSessionState(), CExpRtspClient::kSessionCreated);
}

} // namespace
