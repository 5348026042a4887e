// Session descriptions: what a camera sends, what the client reads from it, and the
// back-channel rewrite the talk path performs.
#include <gtest/gtest.h>

#include "Stream/Media/SdpParser.h"

using namespace Zentar::StreamSvr;

namespace {

// A camera with video, audio, metadata and an ONVIF audio back channel (sendonly, track 5).
const char* kCameraSdp =
    "v=0\r\n"
    "o=- 1 1 IN IP4 192.168.1.10\r\n"
    "s=Media Presentation\r\n"
    "c=IN IP4 0.0.0.0\r\n"
    "b=AS:5100\r\n"
    "t=0 0\r\n"
    "a=control:*\r\n"
    "a=range:npt=0-\r\n"
    "m=video 0 RTP/AVP 96\r\n"
    "b=AS:5000\r\n"
    "a=control:trackID=1\r\n"
    "a=rtpmap:96 H264/90000\r\n"
    "a=fmtp:96 profile-level-id=420029; packetization-mode=1; sprop-parameter-sets=Z0IAHtoLBLI=,aM48gA==\r\n"
    "a=recvonly\r\n"
    "m=audio 0 RTP/AVP 0\r\n"
    "a=control:trackID=2\r\n"
    "a=recvonly\r\n"
    "m=application 0 RTP/AVP 107\r\n"
    "a=control:trackID=3\r\n"
    "a=rtpmap:107 vnd.onvif.metadata/90000\r\n"
    "m=audio 0 RTP/AVP 0 8 97\r\n"
    "a=control:trackID=5\r\n"
    "a=rtpmap:0 PCMU/8000\r\n"
    "a=rtpmap:8 PCMA/8000\r\n"
    "a=rtpmap:97 G726-32/8000\r\n"
    "a=sendonly\r\n";

CSdpParser parsed(const std::string& text, const std::string& base = "rtsp://192.168.1.10/live")
{
    CSdpParser sdp;
    EXPECT_EQ(0, sdp.attach(text));
    sdp.setContentBase(base);
    return sdp;
}

} // namespace

TEST(StreamSdp, ReadsMediaTypesDirectionsTracksAndUrls)
{
    CSdpParser sdp = parsed(kCameraSdp);
    ASSERT_EQ(4, sdp.getMediaTotal());
    const struct {
        int type;
        int direction;
        int track;
        const char* url;
    } expected[] = {
        {kSdpMediaVideo, kSdpRecvOnly, 1, "rtsp://192.168.1.10/live/trackID=1"},
        {kSdpMediaAudio, kSdpRecvOnly, 2, "rtsp://192.168.1.10/live/trackID=2"},
        {kSdpMediaApplication, kSdpSendRecv, 3, "rtsp://192.168.1.10/live/trackID=3"},
        {kSdpMediaAudio, kSdpSendOnly, 5, "rtsp://192.168.1.10/live/trackID=5"},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].type, sdp.getMediaType(i));
        EXPECT_EQ(expected[i].direction, sdp.getSendRecvAttr(i));
        EXPECT_EQ(expected[i].track, sdp.getTrackId(i));
        EXPECT_EQ(expected[i].url, sdp.getMediaUrl(i));
    }
    EXPECT_EQ("rtsp://192.168.1.10/live", sdp.getSessionUrl());
    EXPECT_EQ("Media Presentation", sdp.getSessionName());
    EXPECT_EQ("npt=0-", sdp.getRange());
    EXPECT_EQ(5000, sdp.getBandwidth(0));
    EXPECT_EQ(5100, sdp.getBandwidth(1)); // falls back to the session's b=
    EXPECT_EQ(-1, sdp.getMediaType(4));
    EXPECT_EQ("", sdp.getMediaUrl(-1));
}

TEST(StreamSdp, PayloadsCarryRtpmapFmtpAndStaticDefaults)
{
    CSdpParser sdp = parsed(kCameraSdp);
    CSdpPayload p;
    ASSERT_TRUE(sdp.getPayload(0, 0, p));
    EXPECT_EQ(96, p.payloadType);
    EXPECT_EQ("H264", p.name);
    EXPECT_EQ(90000, p.rate);
    EXPECT_EQ("1", p.fmtp["packetization-mode"]);
    EXPECT_EQ("Z0IAHtoLBLI=,aM48gA==", p.fmtp["sprop-parameter-sets"]); // '=' inside values kept

    // Static payload type 0 without an rtpmap line.
    ASSERT_TRUE(sdp.getPayload(1, 0, p));
    EXPECT_EQ("PCMU", p.name);
    EXPECT_EQ(8000, p.rate);

    ASSERT_EQ(3, sdp.getPayloadCount(3));
    const char* names[] = {"PCMU", "PCMA", "G726-32"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sdp.getPayload(3, i, p));
        EXPECT_EQ(names[i], p.name);
        EXPECT_EQ(8000, p.rate);
    }
    EXPECT_FALSE(sdp.getPayload(3, 3, p));
}

// The talk path keeps one payload of the back channel: every rtpmap goes, one is added,
// and the media line names only the chosen payload.
TEST(StreamSdp, BackChannelRewriteKeepsEverythingElse)
{
    CSdpParser sdp = parsed(kCameraSdp);
    EXPECT_EQ(3, sdp.removeAttribute(3, "rtpmap"));
    EXPECT_EQ(0, sdp.addAttribute(3, "rtpmap", "8 PCMA/8000"));
    EXPECT_EQ(0, sdp.setMediaLine(3, "audio", sdp.getMediaPort(3), sdp.getMediaProto(3), {8}));

    const std::string text = sdp.toString();
    const std::string expectedTail = "m=audio 0 RTP/AVP 8\r\n"
                                     "a=control:trackID=5\r\n"
                                     "a=sendonly\r\n"
                                     "a=rtpmap:8 PCMA/8000\r\n";
    ASSERT_GE(text.size(), expectedTail.size());
    EXPECT_EQ(expectedTail, text.substr(text.size() - expectedTail.size()));

    // The edited text parses back to the same answers.
    CSdpParser again = parsed(text);
    ASSERT_EQ(4, again.getMediaTotal());
    CSdpPayload p;
    ASSERT_EQ(1, again.getPayloadCount(3));
    ASSERT_TRUE(again.getPayload(3, 0, p));
    EXPECT_EQ("PCMA", p.name);
    EXPECT_EQ(kSdpSendOnly, again.getSendRecvAttr(3));
    EXPECT_EQ(5, again.getTrackId(3));
    EXPECT_EQ(again.toString(), text);
}

TEST(StreamSdp, RoundTripIsExactWithCrlfAndNormalisesBareLf)
{
    CSdpParser sdp = parsed(kCameraSdp);
    EXPECT_EQ(kCameraSdp, sdp.toString());

    std::string lf = kCameraSdp;
    for (size_t pos; (pos = lf.find("\r\n")) != std::string::npos;)
        lf.replace(pos, 2, "\n");
    CSdpParser fromLf = parsed(lf);
    EXPECT_EQ(kCameraSdp, fromLf.toString());
}

TEST(StreamSdp, ControlUrlResolution)
{
    const struct {
        const char* base;
        const char* sessionControl;
        const char* mediaControl;
        const char* expected;
    } cases[] = {
        {"rtsp://cam/live", "*", "trackID=1", "rtsp://cam/live/trackID=1"},       // appended as a segment
        {"rtsp://cam/live/", "*", "trackID=1", "rtsp://cam/live/trackID=1"},      // base already ends in '/'
        {"rtsp://cam/live", "*", "rtsp://other:8554/x/t1", "rtsp://other:8554/x/t1"}, // absolute stays
        {"rtsp://cam:554/live/ch0", "*", "/media/t2", "rtsp://cam:554/media/t2"},     // absolute path
        {"", "rtsp://cam/agg", "track3", "rtsp://cam/agg/track3"},                    // session control as base
        {"rtsp://cam/live", "*", "*", "rtsp://cam/live"},                             // aggregate only
        {"", "*", "trackID=4", "trackID=4"},                                          // nothing to resolve with
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mediaControl);
        const std::string text = std::string("v=0\r\na=control:") + c.sessionControl +
                                 "\r\nm=video 0 RTP/AVP 96\r\na=control:" + c.mediaControl + "\r\n";
        CSdpParser sdp = parsed(text, c.base);
        EXPECT_EQ(c.expected, sdp.getMediaUrl(0));
    }
}

TEST(StreamSdp, TrackIdForms)
{
    const struct {
        const char* control;
        int expected;
    } cases[] = {
        {"trackID=5", 5}, {"track5", 5}, {"streamid=12", 12}, {"rtsp://cam/live/trackID=7/", 7},
        {"rtsp://cam:554", -1}, // the digits are a port
        {"video", -1}, {"", -1}, {"track99999999999", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        CSdpParser sdp = parsed(std::string("v=0\r\nm=audio 0 RTP/AVP 0\r\na=control:") + c.control + "\r\n");
        EXPECT_EQ(c.expected, sdp.getTrackId(0));
    }
}

TEST(StreamSdp, ConnectionLines)
{
    const struct {
        const char* line;
        const char* address;
        bool multicast;
        int ttl;
        int count;
    } cases[] = {
        {"c=IN IP4 239.1.2.3/64", "239.1.2.3", true, 64, 1},
        {"c=IN IP4 224.2.1.1/127/3", "224.2.1.1", true, 127, 3},
        {"c=IN IP4 192.168.1.10", "192.168.1.10", false, 0, 1},
        {"c=IN IP6 FF15::101/3", "FF15::101", true, 0, 3},
        {"c=IN IP6 fe80::1", "fe80::1", false, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CSdpParser sdp = parsed(std::string("v=0\r\nc=IN IP4 0.0.0.0\r\nm=video 5000 RTP/AVP 96\r\n") + c.line + "\r\n");
        CSdpConnection conn;
        ASSERT_TRUE(sdp.getConnection(0, conn));
        EXPECT_EQ(c.address, conn.address);
        EXPECT_EQ(c.multicast, conn.multicast);
        EXPECT_EQ(c.ttl, conn.ttl);
        EXPECT_EQ(c.count, conn.addressCount);
    }
    // Without a media-level line the session's applies.
    CSdpParser sdp = parsed("v=0\r\nc=IN IP4 232.0.0.9/16\r\nm=video 5000/2 RTP/AVP 96\r\n");
    CSdpConnection conn;
    ASSERT_TRUE(sdp.getConnection(0, conn));
    EXPECT_EQ("232.0.0.9", conn.address);
    EXPECT_EQ(5000, sdp.getMediaPort(0));
    EXPECT_EQ(2, sdp.getMediaPortCount(0));
}

TEST(StreamSdp, SessionDirectionAppliesWhenMediaHasNone)
{
    CSdpParser sdp = parsed("v=0\r\na=sendonly\r\nm=audio 0 RTP/AVP 0\r\nm=audio 0 RTP/AVP 0\r\na=inactive\r\n");
    EXPECT_EQ(kSdpSendOnly, sdp.getSendRecvAttr(0));
    EXPECT_EQ(kSdpInactive, sdp.getSendRecvAttr(1));
}

TEST(StreamSdp, RefusesNonDescriptionsAndTolerates)
{
    const struct {
        const char* why;
        std::string text;
        int result;
        int media;
    } cases[] = {
        {"empty", "", -1, 0},
        {"HTML error page", "<html><body>404</body></html>", -1, 0},
        {"media line without type", "v=0\r\nm=\r\n", -1, 0},
        {"too many media", "v=0\r\n" + [] { std::string s; for (int i = 0; i < 65; ++i) s += "m=video 0 RTP/AVP 96\r\n"; return s; }(), -1, 0},
        {"too large", "v=0\r\n" + std::string(70000, 'x'), -1, 0},
        {"no version but media", "m=video 0 RTP/AVP 96\r\n", 0, 1},
        {"junk lines and NUL tail", std::string("v=0\r\nGARBAGE\r\n\r\n  \r\nm=video 0 RTP/AVP 96\r\nX=upper\r\n") + '\0', 0, 1},
        {"media line with type only", "v=0\nm=video\n", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CSdpParser sdp;
        EXPECT_EQ(c.result, sdp.attach(c.text));
        EXPECT_EQ(c.media, sdp.getMediaTotal());
    }
    CSdpParser sdp;
    ASSERT_EQ(0, sdp.attach("v=0\nm=video\n"));
    EXPECT_EQ(0, sdp.getMediaPort(0));
    EXPECT_EQ("", sdp.getMediaProto(0));
    EXPECT_EQ(0, sdp.getPayloadCount(0));
}

// Each limit of a description at its size and one over, the sizes written out.
TEST(StreamSdp, EachLimitAdmitsItsSizeAndRefusesOneMore)
{
    auto ofBytes = [](size_t total) { return "v=0\r\n" + std::string(total - 5, 'x'); };
    auto ofLines = [](int count) {
        std::string text = "v=0\r\n";
        for (int i = 1; i < count; ++i)
            text += "a=x\r\n";
        return text;
    };
    auto ofMedia = [](int count) {
        std::string text = "v=0\r\n";
        for (int i = 0; i < count; ++i)
            text += "m=video 0 RTP/AVP 96\r\n";
        return text;
    };
    const struct {
        const char* what;
        std::string atLimit, overLimit;
    } cases[] = {
        {"bytes", ofBytes(65536), ofBytes(65537)},
        {"lines", ofLines(2048), ofLines(2049)},
        {"media", ofMedia(64), ofMedia(65)},
    };
    for (const auto& c : cases) {
        CSdpParser at, over;
        EXPECT_EQ(0, at.attach(c.atLimit)) << c.what;
        EXPECT_EQ(-1, over.attach(c.overLimit)) << c.what;
    }
    std::string params;
    for (int i = 0; i <= 64; ++i)
        params += "p" + std::to_string(i) + "=" + std::to_string(i) + ";";
    const auto kept = parseFmtpParameters(params);
    EXPECT_EQ(64u, kept.size());
    EXPECT_EQ(1u, kept.count("p63"));
    EXPECT_EQ(0u, kept.count("p64")) << "the 65th parameter is not read";
}

TEST(StreamSdp, EditsRefuseBadArguments)
{
    CSdpParser sdp = parsed(kCameraSdp);
    const std::string before = sdp.toString();
    EXPECT_EQ(-1, sdp.removeAttribute(9, "rtpmap"));
    EXPECT_EQ(-1, sdp.addAttribute(9, "x", "y"));
    EXPECT_EQ(-1, sdp.addAttribute(0, "bad\r\nname", ""));
    EXPECT_EQ(-1, sdp.addAttribute(0, "ok", "injected\r\nm=video 1 RTP/AVP 1"));
    EXPECT_EQ(-1, sdp.setMediaLine(0, "video", 70000, "RTP/AVP", {96}));
    EXPECT_EQ(-1, sdp.setMediaLine(0, "video", 0, "RTP/AVP", {128}));
    EXPECT_EQ(before, sdp.toString());
    // Session-level edits use media index -1.
    EXPECT_EQ(1, sdp.removeAttribute(-1, "range"));
    EXPECT_EQ("", sdp.getRange());
    EXPECT_EQ(0, sdp.addAttribute(-1, "range", "clock=20240101T000000Z-"));
    EXPECT_EQ("clock=20240101T000000Z-", sdp.getRange());
}

TEST(StreamSdp, FmtpParameterSplitting)
{
    auto params = parseFmtpParameters(" streamtype=5; profile-level-id=15;mode=AAC-hbr;config=1408; SizeLength=13;flag;;");
    EXPECT_EQ("5", params["streamtype"]);
    EXPECT_EQ("AAC-hbr", params["mode"]);
    EXPECT_EQ("13", params["sizelength"]); // keys are lower-cased
    EXPECT_EQ(1u, params.count("flag"));
    EXPECT_EQ(6u, params.size());
}
