#pragma once
// The native media frame the host consumes: every producer (snapshots, live and recorded
// video and audio, talk) writes it with CNativeFrameWriter, every consumer and test reads
// it with readNativeFrame. Multi-byte fields are little-endian.
//
//   0      4     5     6        7     8         12        16            20      22      23
//   +------+-----+-----+--------+-----+---------+---------+-------------+-------+-------+-------+
//   | ZTAV | kind|  0  | channel|  0  | sequence| total   | packed local| milli-| ext   | header|
//   |      |     |     |        |     | (u32)   | length  | time (u32)  | secs  | length| sum   |
//   +------+-----+-----+--------+-----+---------+---------+-------------+-------+-------+-------+
//   24: extension items (ext length bytes), each starting with its tag:
//        0x88 (8)  payload checksum:   88 c0 c1 c2 c3 00 00 00
//        0x82 (8)  picture size:       82 00 00 00 wl wh hl hh
//        0x81 (4)  frame rate:         81 01 codec fps
//        0x80 (4)  private bytes:      80 p0 p1 p2
//        0x83 (4)  audio format:       83 codec channels rate-index
//   then the payload (Annex B video, raw audio, JPEG), then "ztav" and the total length again.
//
// total length = 24 + ext length + payload length + 8. The header sum is the sum of
// bytes 0..22 modulo 256; it does not cover the extension area, so the frame-rate item may
// be rewritten in place (setNativeFrameRate) without touching the header.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

namespace RPC {

namespace NativeFrame {

const size_t kHeaderSize = 24;
const size_t kTrailerSize = 8;
const size_t kOverhead = kHeaderSize + kTrailerSize;
const size_t kMaxExtensionSize = 255;

// Byte 4: what the payload is.
const uint8_t kKindPicture = 0xFB;    // one JPEG picture
const uint8_t kKindVideoKey = 0xFD;   // video, key (I) frame
const uint8_t kKindVideoDelta = 0xFC; // video, P or B frame
const uint8_t kKindAudio = 0xF0;      // audio
const uint8_t kKindPrivate = 0xF1;    // device-private data carried in a recorded stream

// Frame types the packet is marked with (the letters I, P, B, A).
const int kFrameTypeI = 73;
const int kFrameTypeP = 80;
const int kFrameTypeB = 66;
const int kFrameTypeAudio = 65;

// Stream type a picture packet is marked with.
const int kStreamTypePicture = 4;

// Extension item tags and their sizes (tag byte included).
const uint8_t kItemPrivate = 0x80;
const uint8_t kItemFrameRate = 0x81;
const uint8_t kItemResolution = 0x82;
const uint8_t kItemAudioFormat = 0x83;
const uint8_t kItemChecksum = 0x88;

// Codec byte of the frame-rate item.
const uint8_t kVideoCodecMpeg4 = 1;
const uint8_t kVideoCodecH264 = 2;
const uint8_t kVideoCodecJpeg = 5; // pictures and MJPEG
const uint8_t kVideoCodecH265 = 12;

} // namespace NativeFrame

// Local calendar time as packed into bytes 16..19:
// (year - 2000) << 26 | month << 22 | day << 17 | hour << 12 | minute << 6 | second.
struct CNativeFrameTime {
    int year = 2000;   // 2000..2063
    int month = 1;     // 1..12
    int day = 1;       // 1..31
    int hour = 0;      // 0..23
    int minute = 0;    // 0..59
    int second = 0;    // 0..59
};

uint32_t packNativeFrameTime(const CNativeFrameTime& t); // fields are masked to their widths
CNativeFrameTime unpackNativeFrameTime(uint32_t packed);
CNativeFrameTime nativeFrameLocalTimeNow(); // the wall clock in the local zone
CNativeFrameTime nativeFrameLocalTime(time_t utc); // an instant in the local zone
uint16_t nativeFrameMillisNow();            // low 16 bits of a monotonic millisecond clock

// Sum modulo 2^32 of the payload read as little-endian 32-bit words; the last 1 to 3
// bytes count as one more word (zero-extended).
uint32_t nativeFramePayloadChecksum(const uint8_t* data, size_t len);

// Audio sample rates by the index stored in the audio-format item; -1 when not listed.
int nativeFrameAudioRateIndex(int sampleRate);
int nativeFrameAudioRate(uint8_t index); // 0 when the index is unknown

// What a frame says about itself besides its payload: the writer's input, the reader's output.
struct CNativeFrameInfo {
    uint8_t kind = NativeFrame::kKindPicture;
    uint8_t channel = 0;
    uint32_t sequence = 0;
    uint32_t packedTime = 0;
    uint16_t millis = 0;

    bool hasChecksum = false; // 0x88; the writer computes it from the payload
    uint32_t checksum = 0;    // reader: the stored value (verified)

    bool hasResolution = false; // 0x82
    uint16_t width = 0;
    uint16_t height = 0;

    bool hasFrameRate = false; // 0x81
    uint8_t codec = 0;
    uint8_t frameRate = 0;

    bool hasPrivate = false; // 0x80
    uint8_t privateBytes[3] = {0, 0, 0};

    bool hasAudioFormat = false; // 0x83
    uint8_t audioCodec = 0;      // the host's audio code (7 G.711 ... 38 opus)
    uint8_t audioChannels = 0;
    uint8_t audioRateIndex = 0;  // see nativeFrameAudioRate
};

// Builds frames; one writer may build many (set the sequence and time per frame).
// Items are written in the order 0x88, 0x82, 0x81, 0x80, 0x83, each only when set.
class CNativeFrameWriter {
public:
    CNativeFrameWriter() = default;
    explicit CNativeFrameWriter(const CNativeFrameInfo& info) : m_info(info) {}

    CNativeFrameInfo& info() { return m_info; }
    const CNativeFrameInfo& info() const { return m_info; }

    CNativeFrameWriter& setKind(uint8_t kind);
    CNativeFrameWriter& setChannel(uint8_t channel);
    CNativeFrameWriter& setSequence(uint32_t sequence);
    CNativeFrameWriter& setTime(uint32_t packedTime, uint16_t millis);
    CNativeFrameWriter& setTimeNow(); // local wall clock and the millisecond clock
    CNativeFrameWriter& setChecksum(bool on);
    CNativeFrameWriter& setResolution(uint16_t width, uint16_t height);
    CNativeFrameWriter& setFrameRate(uint8_t codec, uint8_t frameRate);
    CNativeFrameWriter& setPrivate(uint8_t b0, uint8_t b1, uint8_t b2);
    CNativeFrameWriter& setAudioFormat(uint8_t codec, uint8_t channels, uint8_t rateIndex);

    size_t extensionSize() const;
    // Whole frame size for a payload of len bytes; 0 when it would not fit the u32 length.
    size_t frameSize(size_t payloadLen) const;

    // Writes one frame into out (replacing its contents). False when the payload is
    // null with a non-zero length or the frame would be too large.
    bool write(const uint8_t* payload, size_t len, std::vector<uint8_t>& out) const;
    // Writes into a caller's buffer; returns the frame size, or 0 when cap is too small
    // or the input is invalid (nothing is written then).
    size_t writeTo(const uint8_t* payload, size_t len, uint8_t* out, size_t cap) const;

private:
    CNativeFrameInfo m_info;
};

// The picture frame the snapshot manager delivers: kind 0xFB, sequence 0, the checksum,
// the size and frame rate 25 (codec JPEG) items, in that order.
bool writeNativePictureFrame(const uint8_t* jpeg, size_t len, uint8_t channel, uint16_t width,
                             uint16_t height, uint32_t packedTime, uint16_t millis,
                             std::vector<uint8_t>& out);

enum class ENativeFrameError {
    None = 0,
    Truncated,          // fewer bytes than the header or than the total length says
    BadMagic,           // not "ZTAV"
    BadHeaderChecksum,  // byte 23 is not the sum of bytes 0..22
    BadLength,          // total length smaller than header + extension + trailer
    BadExtension,       // an item runs past the extension area, or appears twice
    BadPayloadChecksum, // the 0x88 item does not match the payload
    BadTrailer,         // not "ztav" followed by the same total length
};
const char* nativeFrameErrorText(ENativeFrameError error);

// One frame read in place: payload points into the caller's buffer.
struct CNativeFrameView {
    CNativeFrameInfo info;
    const uint8_t* payload = nullptr;
    size_t payloadLen = 0;
    size_t frameLen = 0; // total length; the next frame of a stream starts here
};

// Reads the frame at the start of data (len may hold more after it). Checks the magic,
// header sum, lengths, items, payload checksum when present, and the trailer. An item with
// an unknown tag ends the item walk (devices pad the area); the rest of the area is skipped.
ENativeFrameError readNativeFrame(const uint8_t* data, size_t len, CNativeFrameView& out);

// Rewrites the fps byte of the frame-rate item in place; false when the frame has no such
// item or its header and extension area are not readable.
bool setNativeFrameRate(uint8_t* frame, size_t len, uint8_t frameRate);
// The fps byte of the frame-rate item, or -1.
int getNativeFrameRate(const uint8_t* frame, size_t len);
// Rewrites the packed time and milliseconds (and the header sum) in place: a recorded frame
// carries the time it was recorded instead of the time it arrived. False when the frame has
// no native header.
bool setNativeFrameTime(uint8_t* frame, size_t len, uint32_t packedTime, uint16_t millis);

} // namespace RPC
