// The RTSP connection framer: answers, server requests and interleaved frames cut out of
// one byte stream, whatever the split, and hostile input refused at each limit.
#include "Stream/Rtsp/RtspFramer.h"

#include <gtest/gtest.h>

#include <string>

using namespace Zentar::StreamApp;

namespace {

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Feeds text in two pieces and collects what the framer made of it.
std::string frameAll(const std::string& text, size_t split)
{
    CRtspFramer framer;
    std::string pending, out;
    for (const std::string& piece : {text.substr(0, split), text.substr(split)}) {
        pending += piece;
        for (;;) {
            size_t used = 0;
            auto r = framer.parse(bytes(pending), pending.size(), used);
            if (r == CRtspFramer::Error)
                return out + "ERROR";
            if (r == CRtspFramer::Answer)
                out += "A" + std::to_string(framer.answer().status) + "[" + framer.answer().body + "]";
            if (r == CRtspFramer::Interleaved)
                out += "I" + std::to_string(framer.channel()) + "["
                    + std::string(reinterpret_cast<const char*>(framer.payload()), framer.payloadLength()) + "]";
            if (used == 0)
                break;
            pending.erase(0, used);
        }
    }
    return out;
}

} // namespace

TEST(RtspSessionFramer, SameResultWhereverTheBytesAreSplit)
{
    using namespace std::string_literals; // the frames hold NUL bytes
    const std::string text = "RTSP/1.0 200 OK\r\nCSeq: 2\r\nContent-Length: 5\r\n\r\nhello"
                             "$\x01\x00\x03"
                             "abc"
                             "\r\n"
                             "RTSP/1.0 401 Unauthorized\r\nCSeq: 3\r\n\r\n"
                             "$\x00\x00\x00"s;
    const std::string expected = "A200[hello]I1[abc]A401[]I0[]";
    for (size_t split = 0; split <= text.size(); ++split)
        ASSERT_EQ(frameAll(text, split), expected) << "split at " << split;
}

TEST(RtspSessionFramer, ReadsHeadersOfAnAnswer)
{
    CRtspFramer framer;
    std::string text = "RTSP/1.0 401 Unauthorized\r\nCSeq: 7\r\nWWW-Authenticate: Digest realm=\"a\"\r\n"
                       "www-authenticate: Basic realm=\"a\"\r\nX-Long: one\r\n two\r\n\r\n";
    size_t used = 0;
    ASSERT_EQ(framer.parse(bytes(text), text.size(), used), CRtspFramer::Answer);
    EXPECT_EQ(used, text.size());
    EXPECT_EQ(framer.answer().header("cseq"), "7");
    EXPECT_EQ(framer.answer().headers_("WWW-Authenticate").size(), 2u);
    EXPECT_EQ(framer.answer().header("X-Long"), "one two");
}

TEST(RtspSessionFramer, ServerRequestIsFramedAsARequest)
{
    CRtspFramer framer;
    std::string text = "ANNOUNCE rtsp://h/x RTSP/1.0\r\nCSeq: 9\r\nContent-Length: 2\r\n\r\nab";
    size_t used = 0;
    ASSERT_EQ(framer.parse(bytes(text), text.size(), used), CRtspFramer::Answer);
    EXPECT_TRUE(framer.answer().isRequest);
    EXPECT_EQ(framer.answer().method, "ANNOUNCE");
    EXPECT_EQ(framer.answer().body, "ab");
}

TEST(RtspSessionFramer, RefusesMalformedInput)
{
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"binary garbage", std::string("\x17\x03\x01\x02", 4)},
        {"status code not three digits", "RTSP/1.0 20 OK\r\n\r\n"},
        {"status code with letters", "RTSP/1.0 2x0 OK\r\n\r\n"},
        {"no space in the status line", "RTSP/1.0\r\n\r\n"},
        {"lowercase start", "hello world\r\n\r\n"},
        {"header without colon", "RTSP/1.0 200 OK\r\nCSeq 1\r\n\r\n"},
        {"negative Content-Length", "RTSP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n"},
        {"Content-Length with letters", "RTSP/1.0 200 OK\r\nContent-Length: 12abc\r\n\r\n"},
        {"Content-Length beyond the limit", "RTSP/1.0 200 OK\r\nContent-Length: 999999999\r\n\r\n"},
        {"continuation before any header", "RTSP/1.0 200 OK\r\n folded\r\n\r\n"},
        {"request line without protocol", "PLAY rtsp://x\r\n\r\n"},
        {"header block over the limit", "RTSP/1.0 200 OK\r\nX: " + std::string(20000, 'a')},
        {"too many headers", "RTSP/1.0 200 OK\r\n" + [] {
             std::string h;
             for (int i = 0; i < 70; ++i)
                 h += "H" + std::to_string(i) + ": v\r\n";
             return h + "\r\n";
         }()},
    };
    for (const auto& c : cases) {
        CRtspFramer framer;
        size_t used = 0;
        EXPECT_EQ(framer.parse(bytes(c.text), c.text.size(), used), CRtspFramer::Error) << c.why;
        EXPECT_FALSE(framer.error().empty()) << c.why;
    }
}

TEST(RtspSessionFramer, WaitsForCutMessages)
{
    const std::string cuts[] = {
        "$\x01\x00",                                                // interleaved header cut
        std::string("$\x01\x00\x10", 4) + "short",                  // payload shorter than its length
        "RTSP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc",         // body cut
        "RTSP/1.0 200 OK\r\nCSeq: 1\r\n",                           // header block cut
    };
    for (const auto& text : cuts) {
        CRtspFramer framer;
        size_t used = 0;
        EXPECT_EQ(framer.parse(bytes(text), text.size(), used), CRtspFramer::NeedMore) << text;
        EXPECT_EQ(used, 0u);
    }
}

// Each limit at its size and one over, the sizes written out so a loosened constant shows.
TEST(RtspSessionFramer, EachLimitAdmitsItsSizeAndRefusesOneMore)
{
    // A header block whose text before the blank line is exactly `size` bytes.
    auto headerOf = [](size_t size) {
        const std::string start = "RTSP/1.0 200 OK\r\nX: ";
        return start + std::string(size - start.size(), 'x') + "\r\n\r\n";
    };
    auto headers = [](int count) {
        std::string text = "RTSP/1.0 200 OK\r\n";
        for (int i = 0; i < count; ++i)
            text += "H" + std::to_string(i) + ": v\r\n";
        return text + "\r\n";
    };
    auto lengthOf = [](size_t length) {
        return "RTSP/1.0 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n" + std::string(length, 'b');
    };
    const struct {
        const char* what;
        std::string atLimit, overLimit;
    } cases[] = {
        {"header bytes", headerOf(16 * 1024), headerOf(16 * 1024 + 1)},
        {"header count", headers(64), headers(65)},
        {"body length", lengthOf(256 * 1024), lengthOf(256 * 1024 + 1)},
    };
    for (const auto& c : cases) {
        CRtspFramer at, over;
        size_t used = 0;
        EXPECT_EQ(at.parse(bytes(c.atLimit), c.atLimit.size(), used), CRtspFramer::Answer) << c.what << at.error();
        EXPECT_EQ(used, c.atLimit.size()) << c.what;
        EXPECT_EQ(over.parse(bytes(c.overLimit), c.overLimit.size(), used), CRtspFramer::Error) << c.what;
    }
}
