#include "Stream/Media/NalDepacketizer.h"

#include "Infra/LogSink.h"
#include "Utils/Base64.h"

namespace Zentar {
namespace StreamSvr {

namespace {
const uint8_t kStartCode[4] = {0, 0, 0, 1};
} // namespace

CNalDepacketizer::CNalDepacketizer(EMediaCodec codec, uint32_t clockRate, int paramSetKinds)
    : CDepacketizerBase(codec, clockRate), m_paramSetKinds(paramSetKinds)
{
}

void CNalDepacketizer::reset()
{
    CDepacketizerBase::reset();
    clearUnit();
}

void CNalDepacketizer::clearUnit()
{
    m_unit.clear();
    m_active = false;
    m_hasVcl = false;
    m_key = false;
    m_frameType = 0;
    m_inFragment = false;
    for (bool& b : m_inUnit)
        b = false;
}

bool CNalDepacketizer::partial(uint32_t& timestamp) const
{
    timestamp = m_ts;
    return m_active && (m_hasVcl || m_inFragment);
}

void CNalDepacketizer::discardPartial() { clearUnit(); }

void CNalDepacketizer::beginPacket(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    if (m_active && packet.timestamp() != m_ts)
        finishUnit(sink); // the sender did not mark the end of the last picture
    m_active = true;
    m_ts = packet.timestamp();
}

void CNalDepacketizer::endPacket(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    if (packet.marker())
        finishUnit(sink);
}

bool CNalDepacketizer::addNal(const uint8_t* nal, size_t size)
{
    if (size == 0 || m_unit.size() + 4 + size > kMaxUnitSize)
        return false;
    m_unit.insert(m_unit.end(), kStartCode, kStartCode + 4);
    m_unit.insert(m_unit.end(), nal, nal + size);
    onNal(nal, size);
    return true;
}

bool CNalDepacketizer::beginFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size)
{
    if (m_inFragment || m_unit.size() + 4 + headerSize + size > kMaxUnitSize)
        return false;
    m_unit.insert(m_unit.end(), kStartCode, kStartCode + 4);
    m_fragmentStart = m_unit.size();
    m_unit.insert(m_unit.end(), header, header + headerSize);
    m_unit.insert(m_unit.end(), data, data + size);
    m_inFragment = true;
    return true;
}

bool CNalDepacketizer::appendFragment(const uint8_t* data, size_t size)
{
    if (!m_inFragment || m_unit.size() + size > kMaxUnitSize)
        return false;
    m_unit.insert(m_unit.end(), data, data + size);
    return true;
}

bool CNalDepacketizer::endFragment()
{
    if (!m_inFragment)
        return false;
    m_inFragment = false;
    onNal(m_unit.data() + m_fragmentStart, m_unit.size() - m_fragmentStart);
    return true;
}

void CNalDepacketizer::markVcl(bool key, int frameType)
{
    if (!m_hasVcl && frameType != 0)
        m_frameType = frameType; // the first slice speaks for the picture
    m_hasVcl = true;
    m_key = m_key || key;
}

void CNalDepacketizer::storeParamSet(int kind, const uint8_t* nal, size_t size)
{
    if (kind < 0 || kind >= m_paramSetKinds)
        return;
    m_paramSets[kind].assign(nal, nal + size);
    if (!m_loadingSdp)
        m_inUnit[kind] = true;
}

void CNalDepacketizer::setPictureSize(int width, int height)
{
    if (width != m_width || height != m_height)
        Infra::logFilter(Infra::kLogInfo, "depacketizer %s: picture size %dx%d", codecName(codec()), width, height);
    m_width = width;
    m_height = height;
}

void CNalDepacketizer::loadParamSets(const std::string& base64List)
{
    m_loadingSdp = true;
    size_t start = 0;
    std::string decoded;
    while (start < base64List.size()) {
        size_t end = base64List.find(',', start);
        if (end == std::string::npos)
            end = base64List.size();
        std::string item = base64List.substr(start, end - start);
        while (!item.empty() && (item.back() == ' ' || item.back() == '='))
            item.pop_back();
        while (item.size() % 4 != 0) // many cameras drop the padding
            item += '=';
        decoded.clear();
        if (!item.empty() && Utils::base64Decode(item.data(), item.size(), decoded) && !decoded.empty())
            onNal(reinterpret_cast<const uint8_t*>(decoded.data()), decoded.size());
        else if (!item.empty())
            Infra::logFilter(Infra::kLogWarning, "depacketizer %s: unreadable parameter set \"%s\" in the SDP",
                             codecName(codec()), item.c_str());
        start = end + 1;
    }
    // Units seen while loading are not part of any picture.
    m_hasVcl = false;
    m_key = false;
    m_frameType = 0;
    m_loadingSdp = false;
}

void CNalDepacketizer::finishUnit(IAccessUnitSink& sink)
{
    if (m_inFragment) {
        // The picture ended inside a fragmented NAL unit: its last piece never came.
        Infra::logFilter(Infra::kLogDebug, "depacketizer %s: picture at %u ends inside a fragment, dropped",
                         codecName(codec()), m_ts);
        clearUnit();
        return;
    }
    if (!m_hasVcl) {
        if (m_unit.size() > kMaxCarrySize)
            clearUnit();
        m_active = false; // keep the bytes (parameter sets, SEI) for the next picture
        return;
    }
    CAccessUnit unit;
    unit.codec = codec();
    unit.rtpTimestamp = m_ts;
    unit.key = m_key;
    unit.frameType = m_key ? 73 : (m_frameType ? m_frameType : 80);
    unit.width = m_width;
    unit.height = m_height;
    unit.data = m_unit.data();
    unit.size = m_unit.size();

    bool missing = false;
    for (int k = 0; k < m_paramSetKinds; ++k)
        missing = missing || (!m_inUnit[k] && !m_paramSets[k].empty());
    if (m_key && missing) {
        m_out.clear();
        for (int k = 0; k < m_paramSetKinds; ++k) {
            if (m_inUnit[k] || m_paramSets[k].empty())
                continue;
            m_out.insert(m_out.end(), kStartCode, kStartCode + 4);
            m_out.insert(m_out.end(), m_paramSets[k].begin(), m_paramSets[k].end());
        }
        m_out.insert(m_out.end(), m_unit.begin(), m_unit.end());
        unit.data = m_out.data();
        unit.size = m_out.size();
    }
    deliver(unit, sink);
    clearUnit();
}

void CNalDepacketizer::flush(IAccessUnitSink& sink)
{
    if (m_active)
        finishUnit(sink);
}

} // namespace StreamSvr
} // namespace Zentar
