// H.264 (RFC 6184) and H.265 (RFC 7798) payloads. The two differ in header size and type
// numbers only, so one routine serves both from a small per-codec table.
#include "Media/Packetiser.h"

#include <cstdint>

namespace OnvifSim {
namespace {

struct CNalRules {
    size_t headerSize;                 // 1 (H.264) or 2 (H.265) bytes
    int (*type)(const std::string&);   // NAL unit type
    bool (*isParameterSet)(int type);
    void (*aggregateHeader)(std::string& out, const std::string& first);
    void (*fragmentHeader)(std::string& out, const std::string& nal, bool start, bool end);
};

int H264Type(const std::string& nal) { return static_cast<uint8_t>(nal[0]) & 0x1F; }
int H265Type(const std::string& nal) { return (static_cast<uint8_t>(nal[0]) >> 1) & 0x3F; }

bool H264ParameterSet(int type) { return type == 7 || type == 8; }
bool H265ParameterSet(int type) { return type >= 32 && type <= 34; }

// STAP-A: F and NRI of the first unit, type 24.
void H264Aggregate(std::string& out, const std::string& first)
{
    out += static_cast<char>((static_cast<uint8_t>(first[0]) & 0xE0) | 24);
}

// AP: type 48 with the first unit's layer id and temporal id.
void H265Aggregate(std::string& out, const std::string& first)
{
    out += static_cast<char>((static_cast<uint8_t>(first[0]) & 0x81) | (48 << 1));
    out += first[1];
}

//  FU indicator        FU header
// +-+--+-----+       +-+-+-+---------+
// |F|NRI| 28  |       |S|E|R|  type   |
void H264Fragment(std::string& out, const std::string& nal, bool start, bool end)
{
    out += static_cast<char>((static_cast<uint8_t>(nal[0]) & 0xE0) | 28);
    out += static_cast<char>((start ? 0x80 : 0) | (end ? 0x40 : 0) | H264Type(nal));
}

// PayloadHdr (type 49, layer and temporal id kept) then |S|E| 6-bit type|.
void H265Fragment(std::string& out, const std::string& nal, bool start, bool end)
{
    out += static_cast<char>((static_cast<uint8_t>(nal[0]) & 0x81) | (49 << 1));
    out += nal[1];
    out += static_cast<char>((start ? 0x80 : 0) | (end ? 0x40 : 0) | H265Type(nal));
}

const CNalRules kH264{1, &H264Type, &H264ParameterSet, &H264Aggregate, &H264Fragment};
const CNalRules kH265{2, &H265Type, &H265ParameterSet, &H265Aggregate, &H265Fragment};

void AddSized(std::string& out, const std::string& nal)
{
    out += static_cast<char>((nal.size() >> 8) & 0xFF);
    out += static_cast<char>(nal.size() & 0xFF);
    out += nal;
}

void Fragment(const CNalRules& rules, const std::string& nal, size_t maxPayload, CPayloadList& out)
{
    size_t fuHeader = rules.headerSize + 1;
    size_t chunk = maxPayload - fuHeader;
    for (size_t pos = rules.headerSize; pos < nal.size(); pos += chunk) {
        CRtpPayload p;
        size_t n = std::min(chunk, nal.size() - pos);
        rules.fragmentHeader(p.bytes, nal, pos == rules.headerSize, pos + n == nal.size());
        p.bytes.append(nal, pos, n);
        out.push_back(std::move(p));
    }
}

CPayloadList Packetise(const CNalRules& rules, const std::vector<std::string>& nalUnits, size_t maxPayload)
{
    CPayloadList out;
    std::string aggregate;
    size_t aggregated = 0;
    for (const auto& nal : nalUnits) {
        if (nal.size() <= rules.headerSize)
            continue;   // an empty unit carries nothing a receiver could use
        if (rules.isParameterSet(rules.type(nal)) && aggregate.size() + nal.size() + 2 <= maxPayload) {
            if (aggregate.empty())
                rules.aggregateHeader(aggregate, nal);
            AddSized(aggregate, nal);
            ++aggregated;
            continue;
        }
        if (nal.size() <= maxPayload)
            out.push_back({nal, false});
        else
            Fragment(rules, nal, maxPayload, out);
    }
    if (aggregated == 1) {
        // A lone parameter set goes as it is: an aggregate of one only adds bytes.
        out.insert(out.begin(), CRtpPayload{aggregate.substr(rules.headerSize + 2), false});
    } else if (aggregated > 1) {
        out.insert(out.begin(), CRtpPayload{aggregate, false});
    }
    if (!out.empty())
        out.back().marker = true;
    return out;
}

} // namespace

CPayloadList PacketiseH264(const std::vector<std::string>& nalUnits, size_t maxPayload)
{
    return Packetise(kH264, nalUnits, maxPayload);
}

CPayloadList PacketiseH265(const std::vector<std::string>& nalUnits, size_t maxPayload)
{
    return Packetise(kH265, nalUnits, maxPayload);
}

} // namespace OnvifSim
