// Whatever a camera sends, parsing and depacketising never crash, never hang, and keep
// working for the valid data that follows.
#include <gtest/gtest.h>

#include <vector>

#include "Stream/Media/Depacketizer.h"
#include "Stream/Media/SdpParser.h"

using namespace Zentar::StreamSvr;

namespace {

class CCount : public IAccessUnitSink {
public:
    void onAccessUnit(const CAccessUnit& u) override
    {
        EXPECT_NE(nullptr, u.data);
        EXPECT_GT(u.size, 0u);
        ++count;
    }
    size_t count = 0;
};

uint32_t next(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

} // namespace

TEST(StreamGarbage, RandomPayloadsThroughEveryDepacketizer)
{
    const std::map<std::string, std::string> aac = {{"sizelength", "13"}, {"indexlength", "3"},
                                                     {"indexdeltalength", "3"}, {"config", "1190"}};
    const char* encodings[] = {"H264", "H265", "JPEG", "MPEG4-GENERIC", "PCMU", "PCMA", "G726-24", "L16"};
    for (const char* encoding : encodings) {
        SCOPED_TRACE(encoding);
        auto d = createDepacketizer(encoding, 90000, 1, aac);
        ASSERT_NE(nullptr, d);
        CCount sink;
        uint32_t state = 7;
        uint16_t seq = 0;
        uint32_t ts = 0;
        for (int i = 0; i < 4000; ++i) {
            std::vector<uint8_t> payload(next(state) % 64);
            for (uint8_t& b : payload)
                b = static_cast<uint8_t>(next(state));
            // Mostly in order, sometimes a gap, a repeat or a step back.
            const uint32_t r = next(state) % 16;
            seq = static_cast<uint16_t>(seq + (r == 0 ? 5 : r == 1 ? 0 : r == 2 ? -3 : 1));
            if (next(state) % 4 == 0)
                ts += 3000;
            CRtpHeader h;
            h.sequence = seq;
            h.timestamp = ts;
            h.marker = next(state) % 3 == 0;
            std::vector<uint8_t> bytes;
            buildRtpPacket(h, payload.data(), payload.size(), bytes);
            CRtpPacket packet;
            ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
            d->input(packet, sink);
            if (i % 1000 == 999)
                d->lost(1);
        }
        d->flush(sink);
        EXPECT_GT(d->malformedCount() + d->deliveredCount(), 0u);
    }
}

TEST(StreamGarbage, RandomTextThroughTheSdpParser)
{
    uint32_t state = 99;
    const char alphabet[] = "vmacbst=: /\r\n0123456789rtpmapfmtpcontrolIP4";
    for (int i = 0; i < 2000; ++i) {
        std::string text(next(state) % 300, ' ');
        for (char& c : text)
            c = alphabet[next(state) % (sizeof alphabet - 1)];
        CSdpParser sdp;
        if (sdp.attach(text) != 0) {
            EXPECT_EQ(0, sdp.getMediaTotal());
            continue;
        }
        for (int m = 0; m < sdp.getMediaTotal(); ++m) {
            CSdpPayload p;
            for (int k = 0; k < sdp.getPayloadCount(m); ++k)
                EXPECT_TRUE(sdp.getPayload(m, k, p));
            CSdpConnection c;
            sdp.getConnection(m, c);
            sdp.getMediaUrl(m);
            sdp.getTrackId(m);
            sdp.getBandwidth(m);
        }
        // What was parsed serialises to something that parses to the same.
        CSdpParser again;
        ASSERT_EQ(0, again.attach(sdp.toString()));
        EXPECT_EQ(sdp.toString(), again.toString());
    }
}
