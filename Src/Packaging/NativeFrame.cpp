#include "Packaging/NativeFrame.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <limits>

#include "Platform/Utils/ByteReader.h"

namespace RPC {

namespace {

const uint8_t kMagic[4] = {'Z', 'T', 'A', 'V'};
const uint8_t kTrailerMagic[4] = {'z', 't', 'a', 'v'};

const int kAudioRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};
const size_t kAudioRateCount = sizeof(kAudioRates) / sizeof(kAudioRates[0]);

void putU16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void putU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

uint8_t headerSum(const uint8_t* p)
{
    unsigned sum = 0;
    for (size_t i = 0; i < NativeFrame::kHeaderSize - 1; ++i)
        sum += p[i];
    return uint8_t(sum);
}

// Size of an item by its tag, tag byte included; 0 for a tag we do not know.
size_t itemSize(uint8_t tag)
{
    switch (tag) {
    case NativeFrame::kItemPrivate:
    case NativeFrame::kItemFrameRate:
    case NativeFrame::kItemAudioFormat:
        return 4;
    case NativeFrame::kItemResolution:
    case NativeFrame::kItemChecksum:
        return 8;
    default:
        return 0;
    }
}

// Finds the frame-rate item; the header must be readable and the area inside len.
uint8_t* findFrameRateItem(uint8_t* frame, size_t len)
{
    if (!frame || len < NativeFrame::kHeaderSize || std::memcmp(frame, kMagic, 4) != 0)
        return nullptr;
    size_t ext = frame[22];
    if (NativeFrame::kHeaderSize + ext > len)
        return nullptr;
    uint8_t* item = frame + NativeFrame::kHeaderSize;
    uint8_t* end = item + ext;
    while (item < end) {
        size_t size = itemSize(*item);
        if (size == 0 || size > size_t(end - item))
            return nullptr;
        if (*item == NativeFrame::kItemFrameRate)
            return item;
        item += size;
    }
    return nullptr;
}

} // namespace

uint32_t packNativeFrameTime(const CNativeFrameTime& t)
{
    return (uint32_t((t.year - 2000) & 0x3f) << 26) | (uint32_t(t.month & 0x0f) << 22) |
           (uint32_t(t.day & 0x1f) << 17) | (uint32_t(t.hour & 0x1f) << 12) |
           (uint32_t(t.minute & 0x3f) << 6) | uint32_t(t.second & 0x3f);
}

CNativeFrameTime unpackNativeFrameTime(uint32_t packed)
{
    CNativeFrameTime t;
    t.year = 2000 + int(packed >> 26);
    t.month = int((packed >> 22) & 0x0f);
    t.day = int((packed >> 17) & 0x1f);
    t.hour = int((packed >> 12) & 0x1f);
    t.minute = int((packed >> 6) & 0x3f);
    t.second = int(packed & 0x3f);
    return t;
}

CNativeFrameTime nativeFrameLocalTimeNow()
{
    return nativeFrameLocalTime(std::time(nullptr));
}

CNativeFrameTime nativeFrameLocalTime(std::time_t now)
{
    std::tm tmLocal{};
#ifdef _WIN32
    localtime_s(&tmLocal, &now);
#else
    localtime_r(&now, &tmLocal);
#endif
    CNativeFrameTime t;
    t.year = tmLocal.tm_year + 1900;
    t.month = tmLocal.tm_mon + 1;
    t.day = tmLocal.tm_mday;
    t.hour = tmLocal.tm_hour;
    t.minute = tmLocal.tm_min;
    t.second = tmLocal.tm_sec > 59 ? 59 : tmLocal.tm_sec; // a leap second would carry into minute
    return t;
}

uint16_t nativeFrameMillisNow()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return uint16_t(uint64_t(ms.count()) & 0xffff);
}

uint32_t nativeFramePayloadChecksum(const uint8_t* data, size_t len)
{
    if (!data)
        return 0;
    uint32_t sum = 0;
    size_t whole = len & ~size_t(3);
    Zentar::Utils::CByteReader words(data, whole);
    for (size_t i = 0; i < whole; i += 4)
        sum += words.le32();
    uint32_t tail = 0;
    for (size_t i = whole; i < len; ++i)
        tail |= uint32_t(data[i]) << (8 * (i - whole));
    return sum + tail;
}

int nativeFrameAudioRateIndex(int sampleRate)
{
    for (size_t i = 0; i < kAudioRateCount; ++i)
        if (kAudioRates[i] == sampleRate)
            return int(i);
    return -1;
}

int nativeFrameAudioRate(uint8_t index) { return index < kAudioRateCount ? kAudioRates[index] : 0; }

// ---- writer ----------------------------------------------------------------

CNativeFrameWriter& CNativeFrameWriter::setKind(uint8_t kind)
{
    m_info.kind = kind;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setChannel(uint8_t channel)
{
    m_info.channel = channel;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setSequence(uint32_t sequence)
{
    m_info.sequence = sequence;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setTime(uint32_t packedTime, uint16_t millis)
{
    m_info.packedTime = packedTime;
    m_info.millis = millis;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setTimeNow()
{
    return setTime(packNativeFrameTime(nativeFrameLocalTimeNow()), nativeFrameMillisNow());
}

CNativeFrameWriter& CNativeFrameWriter::setChecksum(bool on)
{
    m_info.hasChecksum = on;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setResolution(uint16_t width, uint16_t height)
{
    m_info.hasResolution = true;
    m_info.width = width;
    m_info.height = height;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setFrameRate(uint8_t codec, uint8_t frameRate)
{
    m_info.hasFrameRate = true;
    m_info.codec = codec;
    m_info.frameRate = frameRate;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setPrivate(uint8_t b0, uint8_t b1, uint8_t b2)
{
    m_info.hasPrivate = true;
    m_info.privateBytes[0] = b0;
    m_info.privateBytes[1] = b1;
    m_info.privateBytes[2] = b2;
    return *this;
}

CNativeFrameWriter& CNativeFrameWriter::setAudioFormat(uint8_t codec, uint8_t channels, uint8_t rateIndex)
{
    m_info.hasAudioFormat = true;
    m_info.audioCodec = codec;
    m_info.audioChannels = channels;
    m_info.audioRateIndex = rateIndex;
    return *this;
}

size_t CNativeFrameWriter::extensionSize() const
{
    return (m_info.hasChecksum ? 8 : 0) + (m_info.hasResolution ? 8 : 0) + (m_info.hasFrameRate ? 4 : 0) +
           (m_info.hasPrivate ? 4 : 0) + (m_info.hasAudioFormat ? 4 : 0);
}

size_t CNativeFrameWriter::frameSize(size_t payloadLen) const
{
    size_t fixed = NativeFrame::kOverhead + extensionSize();
    if (payloadLen > size_t(std::numeric_limits<uint32_t>::max()) - fixed)
        return 0;
    return fixed + payloadLen;
}

size_t CNativeFrameWriter::writeTo(const uint8_t* payload, size_t len, uint8_t* out, size_t cap) const
{
    size_t total = frameSize(len);
    if (total == 0 || !out || cap < total || (!payload && len != 0))
        return 0;

    uint8_t* p = out;
    std::memcpy(p, kMagic, 4);
    p[4] = m_info.kind;
    p[5] = 0;
    p[6] = m_info.channel;
    p[7] = 0;
    putU32(p + 8, m_info.sequence);
    putU32(p + 12, uint32_t(total));
    putU32(p + 16, m_info.packedTime);
    putU16(p + 20, m_info.millis);
    p[22] = uint8_t(extensionSize());
    p[23] = headerSum(p);

    uint8_t* item = p + NativeFrame::kHeaderSize;
    if (m_info.hasChecksum) {
        std::memset(item, 0, 8);
        item[0] = NativeFrame::kItemChecksum;
        putU32(item + 1, nativeFramePayloadChecksum(payload, len));
        item += 8;
    }
    if (m_info.hasResolution) {
        std::memset(item, 0, 8);
        item[0] = NativeFrame::kItemResolution;
        putU16(item + 4, m_info.width);
        putU16(item + 6, m_info.height);
        item += 8;
    }
    if (m_info.hasFrameRate) {
        const uint8_t rate[4] = {NativeFrame::kItemFrameRate, 1, m_info.codec, m_info.frameRate};
        std::memcpy(item, rate, 4);
        item += 4;
    }
    if (m_info.hasPrivate) {
        item[0] = NativeFrame::kItemPrivate;
        std::memcpy(item + 1, m_info.privateBytes, 3);
        item += 4;
    }
    if (m_info.hasAudioFormat) {
        const uint8_t fmt[4] = {NativeFrame::kItemAudioFormat, m_info.audioCodec, m_info.audioChannels,
                                m_info.audioRateIndex};
        std::memcpy(item, fmt, 4);
        item += 4;
    }
    if (len)
        std::memcpy(item, payload, len);
    item += len;
    std::memcpy(item, kTrailerMagic, 4);
    putU32(item + 4, uint32_t(total));
    return total;
}

bool CNativeFrameWriter::write(const uint8_t* payload, size_t len, std::vector<uint8_t>& out) const
{
    size_t total = frameSize(len);
    if (total == 0 || (!payload && len != 0))
        return false;
    out.resize(total);
    return writeTo(payload, len, out.data(), out.size()) == total;
}

bool writeNativePictureFrame(const uint8_t* jpeg, size_t len, uint8_t channel, uint16_t width,
                             uint16_t height, uint32_t packedTime, uint16_t millis,
                             std::vector<uint8_t>& out)
{
    CNativeFrameWriter writer;
    writer.setKind(NativeFrame::kKindPicture)
        .setChannel(channel)
        .setSequence(0)
        .setTime(packedTime, millis)
        .setChecksum(true)
        .setResolution(width, height)
        .setFrameRate(NativeFrame::kVideoCodecJpeg, 25);
    return writer.write(jpeg, len, out);
}

// ---- reader ----------------------------------------------------------------

const char* nativeFrameErrorText(ENativeFrameError error)
{
    switch (error) {
    case ENativeFrameError::None: return "ok";
    case ENativeFrameError::Truncated: return "truncated frame";
    case ENativeFrameError::BadMagic: return "bad magic";
    case ENativeFrameError::BadHeaderChecksum: return "bad header checksum";
    case ENativeFrameError::BadLength: return "bad total length";
    case ENativeFrameError::BadExtension: return "bad extension item";
    case ENativeFrameError::BadPayloadChecksum: return "bad payload checksum";
    case ENativeFrameError::BadTrailer: return "bad trailer";
    }
    return "unknown error";
}

namespace {

// Reads the items of the extension area into info.
ENativeFrameError readItems(Zentar::Utils::CByteReader area, CNativeFrameInfo& info)
{
    while (area.remaining() > 0) {
        const uint8_t tag = *area.current();
        const size_t size = itemSize(tag);
        if (size == 0)
            break; // unknown tag: padding or a producer's own data; ends the walk
        Zentar::Utils::CByteReader item = area.sub(size);
        if (!area.ok())
            return ENativeFrameError::BadExtension;
        item.skip(1);
        bool* seen = nullptr;
        switch (tag) {
        case NativeFrame::kItemChecksum:
            seen = &info.hasChecksum;
            info.checksum = item.le32();
            break;
        case NativeFrame::kItemResolution:
            seen = &info.hasResolution;
            item.skip(3);
            info.width = item.le16();
            info.height = item.le16();
            break;
        case NativeFrame::kItemFrameRate:
            seen = &info.hasFrameRate;
            item.skip(1);
            info.codec = item.u8();
            info.frameRate = item.u8();
            break;
        case NativeFrame::kItemPrivate:
            seen = &info.hasPrivate;
            std::memcpy(info.privateBytes, item.bytes(3), 3);
            break;
        case NativeFrame::kItemAudioFormat:
            seen = &info.hasAudioFormat;
            info.audioCodec = item.u8();
            info.audioChannels = item.u8();
            info.audioRateIndex = item.u8();
            break;
        }
        if (*seen)
            return ENativeFrameError::BadExtension;
        *seen = true;
    }
    return ENativeFrameError::None;
}

} // namespace

ENativeFrameError readNativeFrame(const uint8_t* data, size_t len, CNativeFrameView& out)
{
    out = CNativeFrameView();
    Zentar::Utils::CByteReader in(data, len);
    const uint8_t* header = in.bytes(NativeFrame::kHeaderSize);
    if (!header)
        return ENativeFrameError::Truncated;
    if (std::memcmp(header, kMagic, 4) != 0)
        return ENativeFrameError::BadMagic;
    if (headerSum(header) != header[NativeFrame::kHeaderSize - 1])
        return ENativeFrameError::BadHeaderChecksum;

    //  magic(4) kind, -, channel, - | sequence(32) | total(32) | time(32) | ms(16) | ext | sum
    Zentar::Utils::CByteReader fields(header + 4, NativeFrame::kHeaderSize - 4);
    CNativeFrameInfo info;
    info.kind = fields.u8();
    fields.skip(1);
    info.channel = fields.u8();
    fields.skip(1);
    info.sequence = fields.le32();
    const size_t total = fields.le32();
    info.packedTime = fields.le32();
    info.millis = fields.le16();
    const size_t ext = fields.u8();
    if (total < NativeFrame::kOverhead + ext)
        return ENativeFrameError::BadLength;
    if (total > len)
        return ENativeFrameError::Truncated;

    ENativeFrameError err = readItems(in.sub(ext), info);
    if (err != ENativeFrameError::None)
        return err;

    const size_t payloadLen = total - NativeFrame::kOverhead - ext;
    const uint8_t* payload = in.bytes(payloadLen);
    Zentar::Utils::CByteReader trailer = in.sub(NativeFrame::kTrailerSize);
    const uint8_t* trailerMagic = trailer.bytes(4);
    if (!trailerMagic || std::memcmp(trailerMagic, kTrailerMagic, 4) != 0 || trailer.le32() != total)
        return ENativeFrameError::BadTrailer;
    if (info.hasChecksum && nativeFramePayloadChecksum(payload, payloadLen) != info.checksum)
        return ENativeFrameError::BadPayloadChecksum;

    out.info = info;
    out.payload = payload;
    out.payloadLen = payloadLen;
    out.frameLen = total;
    return ENativeFrameError::None;
}

bool setNativeFrameRate(uint8_t* frame, size_t len, uint8_t frameRate)
{
    uint8_t* item = findFrameRateItem(frame, len);
    if (!item)
        return false;
    item[3] = frameRate;
    return true;
}

int getNativeFrameRate(const uint8_t* frame, size_t len)
{
    // The search only reads; the cast lets both share one walk.
    const uint8_t* item = findFrameRateItem(const_cast<uint8_t*>(frame), len);
    return item ? item[3] : -1;
}

bool setNativeFrameTime(uint8_t* frame, size_t len, uint32_t packedTime, uint16_t millis)
{
    if (!frame || len < NativeFrame::kHeaderSize || std::memcmp(frame, "ZTAV", 4) != 0)
        return false;
    putU32(frame + 16, packedTime);
    putU16(frame + 20, millis);
    frame[23] = headerSum(frame);
    return true;
}

} // namespace RPC
