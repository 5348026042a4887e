#include "Stream/Media/JpegDepacketizer.h"

#include "Stream/Media/JpegHeader.h"
#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {
const uint16_t kJpegExtensionProfile = 0xFFD8;

// Reads SOF0 and DRI out of the marker segments of the ONVIF JPEG header extension.
void readJpegExtension(const CRtpPacket& packet, int& width, int& height, uint16_t& restartInterval)
{
    if (!packet.hasExtension() || packet.extensionProfile() != kJpegExtensionProfile)
        return;
    Utils::CByteReader e(packet.extensionData(), packet.extensionSize());
    while (e.remaining() >= 4 && *e.current() == 0xFF) {
        e.skip(1);
        const uint8_t marker = e.u8();
        const size_t len = e.be16();
        if (len < 2)
            return;
        Utils::CByteReader body = e.sub(len - 2);
        if (!e.ok())
            return;
        if (marker == 0xC0 && len >= 7) {
            body.skip(1); // precision
            height = body.be16();
            width = body.be16();
        } else if (marker == 0xDD && len >= 4) {
            restartInterval = body.be16();
        }
    }
}
} // namespace

CJpegDepacketizer::CJpegDepacketizer()
    : CDepacketizerBase(kCodecMjpeg, 90000), m_inBandTables(128 * 128), m_haveInBand(128, false)
{
}

void CJpegDepacketizer::reset()
{
    CDepacketizerBase::reset();
    discardPartial();
}

bool CJpegDepacketizer::partial(uint32_t& timestamp) const
{
    timestamp = m_ts;
    return m_active;
}

void CJpegDepacketizer::discardPartial()
{
    m_picture.clear();
    m_active = false;
    m_nextOffset = 0;
}

bool CJpegDepacketizer::beginsUnit(const CRtpPacket& packet) const
{
    // A whole main header whose fragment offset is 0.
    Utils::CByteReader in(packet.payload(), packet.payloadSize());
    in.skip(1);
    const uint32_t offset = in.be24();
    in.skip(4);
    return in.ok() && offset == 0;
}

bool CJpegDepacketizer::tablesFor(int q, const uint8_t* inBand, size_t inBandSize, const uint8_t*& tables)
{
    if (q < 128) {
        if (q != m_scaledQ) {
            if (!makeJpegQuantTables(q, m_scaledTables))
                return false;
            m_scaledQ = q;
        }
        tables = m_scaledTables;
        return true;
    }
    uint8_t* slot = &m_inBandTables[size_t(q - 128) * 128];
    if (inBandSize >= 128) {
        std::copy(inBand, inBand + 128, slot);
        m_haveInBand[size_t(q - 128)] = true;
    } else if (!m_haveInBand[size_t(q - 128)] || q == 255) {
        return false; // Q 255 tables are per picture and must come with it
    }
    tables = slot;
    return true;
}

void CJpegDepacketizer::depacketize(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    // | type-specific | fragment offset (24) | type | Q | width/8 | height/8 |
    // [ restart interval (16) | F L restart count (14) ]          types 64..127
    // [ MBZ | precision | length (16) | tables ]                   Q >= 128, offset 0
    Utils::CByteReader in(packet.payload(), packet.payloadSize());
    in.skip(1);
    const size_t offset = in.be24();
    int type = in.u8();
    const int q = in.u8();
    int width = in.u8() * 8;
    int height = in.u8() * 8;
    if (!in.ok())
        return malformed(packet, "JPEG header cut off");
    uint16_t restartInterval = 0;
    if (type >= 64 && type <= 127) {
        restartInterval = in.be16();
        in.skip(2);
        if (!in.ok())
            return malformed(packet, "restart marker header cut off");
        type -= 64;
    }
    readJpegExtension(packet, width, height, restartInterval);
    if (type != 0 && type != 1)
        return malformed(packet, "unsupported JPEG type");
    if (q == 0 || (q > 100 && q < 128))
        return malformed(packet, "reserved Q value");
    if (width == 0 || height == 0)
        return malformed(packet, "zero picture size");

    if (offset == 0) {
        if (m_active)
            discardPartial(); // the previous picture never got its marker
        const uint8_t* inBand = nullptr;
        size_t inBandSize = 0;
        if (q >= 128) {
            in.skip(1);
            const uint8_t precision = in.u8();
            inBandSize = in.be16();
            if (!in.ok())
                return malformed(packet, "quantisation table header cut off");
            inBand = in.bytes(inBandSize);
            if (!inBand)
                return malformed(packet, "quantisation tables beyond the packet");
            if (precision != 0 || (inBandSize != 0 && inBandSize < 128))
                return malformed(packet, "quantisation tables not two 8-bit tables");
        }
        const uint8_t* tables = nullptr;
        if (!tablesFor(q, inBand, inBandSize, tables))
            return malformed(packet, "no quantisation tables for this Q");
        CJpegHeaderParams params;
        params.type = type;
        params.width = width;
        params.height = height;
        params.restartInterval = restartInterval;
        params.lumaTable = tables;
        params.chromaTable = tables + 64;
        m_picture.clear();
        appendJpegHeader(params, m_picture);
        m_active = true;
        m_ts = packet.timestamp();
        m_nextOffset = 0;
        m_width = width;
        m_height = height;
    } else if (!m_active || packet.timestamp() != m_ts || offset != m_nextOffset) {
        return malformed(packet, "fragment offset does not continue the picture");
    }

    const size_t scan = in.remaining();
    if (m_picture.size() + scan + 2 > kMaxPictureSize)
        return malformed(packet, "picture too large");
    const uint8_t* data = in.bytes(scan);
    m_picture.insert(m_picture.end(), data, data + scan);
    m_nextOffset += scan;
    if (packet.marker())
        finish(sink);
}

void CJpegDepacketizer::finish(IAccessUnitSink& sink)
{
    const size_t size = m_picture.size();
    if (size < 2 || m_picture[size - 2] != 0xFF || m_picture[size - 1] != 0xD9) {
        m_picture.push_back(0xFF);
        m_picture.push_back(0xD9); // EOI
    }
    CAccessUnit unit;
    unit.codec = kCodecMjpeg;
    unit.rtpTimestamp = m_ts;
    unit.key = true;
    unit.frameType = 73;
    unit.width = m_width;
    unit.height = m_height;
    unit.data = m_picture.data();
    unit.size = m_picture.size();
    deliver(unit, sink);
    discardPartial();
}

void CJpegDepacketizer::flush(IAccessUnitSink& sink)
{
    // Without the marker the picture may be short of its last fragment.
    discardPartial();
}

} // namespace StreamSvr
} // namespace Zentar
