// Readers of the raw clip formats: H.264/H.265 Annex B, concatenated JPEG images, ADTS.
// They trust no length field: every read is checked against what is left.
#include "Media/Clip.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace OnvifSim {
namespace {

uint8_t At(const std::string& s, size_t i) { return static_cast<uint8_t>(s[i]); }

std::vector<std::string> NalUnits(const std::string& data)
{
    std::vector<std::string> out;
    size_t start = std::string::npos;
    for (size_t i = 0; i + 2 < data.size(); ++i) {
        if (At(data, i) != 0 || At(data, i + 1) != 0 || At(data, i + 2) != 1)
            continue;
        if (start != std::string::npos)
            out.push_back(data.substr(start, i - start));
        start = i + 3;
        i += 2;
    }
    if (start != std::string::npos && start < data.size())
        out.push_back(data.substr(start));
    // A zero before a start code is the fourth byte of that start code (or trailing
    // padding), not part of the unit before it.
    for (auto& nal : out)
        while (!nal.empty() && nal.back() == '\0')
            nal.pop_back();
    out.erase(std::remove_if(out.begin(), out.end(), [](const std::string& n) { return n.size() < 2; }), out.end());
    return out;
}

struct CNalKind {
    bool vcl;
    bool firstSlice;   // first slice of a picture
    bool prefix;       // a non-VCL unit that opens the next access unit (SPS, SEI, AUD ...)
};

CNalKind Classify(const std::string& nal, bool h265)
{
    if (h265) {
        int type = (At(nal, 0) >> 1) & 0x3F;
        bool vcl = type < 32;
        return {vcl, vcl && nal.size() > 2 && (At(nal, 2) & 0x80), !vcl && type != 40 && type != 38};
    }
    int type = At(nal, 0) & 0x1F;
    bool vcl = type >= 1 && type <= 5;
    // first_mb_in_slice is ue(v); 0 codes as a single 1 bit.
    return {vcl, vcl && (At(nal, 1) & 0x80), !vcl && type != 10 && type != 11 && type != 12};
}

} // namespace

bool SplitAnnexB(const std::string& data, bool h265, std::vector<std::vector<std::string>>& accessUnits,
                 std::string& error)
{
    accessUnits.clear();
    bool haveVcl = false;
    for (auto& nal : NalUnits(data)) {
        CNalKind kind = Classify(nal, h265);
        bool opensNext = haveVcl && (kind.prefix || kind.firstSlice);
        if (accessUnits.empty() || opensNext) {
            accessUnits.emplace_back();
            haveVcl = false;
        }
        haveVcl = haveVcl || kind.vcl;
        accessUnits.back().push_back(std::move(nal));
    }
    // A trailing unit without a picture (end of stream, filler) cannot be shown alone.
    if (!accessUnits.empty() && !haveVcl)
        accessUnits.pop_back();
    if (accessUnits.empty())
        error = "no coded pictures in the Annex B stream";
    return !accessUnits.empty();
}

bool SplitJpegs(const std::string& data, std::vector<CJpegFrame>& frames, std::string& error)
{
    frames.clear();
    size_t pos = 0;
    while (pos + 1 < data.size()) {
        if (At(data, pos) != 0xFF || At(data, pos + 1) != 0xD8) {
            error = "expected SOI at byte " + std::to_string(pos);
            return false;
        }
        pos += 2;
        CJpegFrame frame;
        std::map<int, std::string> tables;
        bool scanned = false;
        while (!scanned) {
            if (pos + 4 > data.size() || At(data, pos) != 0xFF) {
                error = "truncated or malformed JPEG header at byte " + std::to_string(pos);
                return false;
            }
            uint8_t marker = At(data, pos + 1);
            size_t length = (At(data, pos + 2) << 8) | At(data, pos + 3);
            size_t body = pos + 4;
            if (length < 2 || pos + 2 + length > data.size()) {
                error = "JPEG segment runs past the end at byte " + std::to_string(pos);
                return false;
            }
            size_t end = pos + 2 + length;
            if (marker == 0xDB) {
                for (size_t t = body; t < end;) {
                    if ((At(data, t) >> 4) != 0 || t + 65 > end) {
                        error = "only complete 8-bit quantisation tables can be sent";
                        return false;
                    }
                    tables[At(data, t) & 0x0F] = data.substr(t + 1, 64);
                    t += 65;
                }
            } else if (marker == 0xC0) {
                if (length < 17 || At(data, body + 5) != 3) {
                    error = "only baseline three-component images can be sent";
                    return false;
                }
                frame.height = (At(data, body + 1) << 8) | At(data, body + 2);
                frame.width = (At(data, body + 3) << 8) | At(data, body + 4);
                uint8_t sampling = At(data, body + 7);
                if (sampling != 0x21 && sampling != 0x22) {
                    error = "only 4:2:2 and 4:2:0 sampling can be sent";
                    return false;
                }
                frame.type = sampling == 0x21 ? 0 : 1;
            } else if (marker == 0xDD || (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8)) {
                error = "restart intervals and non-baseline coding cannot be sent";
                return false;
            } else if (marker == 0xDA) {
                size_t scan = end;
                size_t eoi = scan;
                while (eoi + 1 < data.size() && !(At(data, eoi) == 0xFF && At(data, eoi + 1) == 0xD9))
                    ++eoi;
                if (eoi + 1 >= data.size()) {
                    error = "JPEG without EOI";
                    return false;
                }
                frame.scan = data.substr(scan, eoi - scan);
                pos = eoi + 2;
                scanned = true;
                continue;
            }
            pos = end;
        }
        for (const auto& [id, table] : tables)
            frame.quantTables += table;
        // Receivers rebuild a luma and a chroma table; an image whose components all use
        // one table sends it for both.
        if (tables.size() == 1)
            frame.quantTables += frame.quantTables;
        if (frame.width == 0 || frame.width > 2040 || frame.height > 2040 || frame.quantTables.empty()) {
            error = "JPEG without a frame header or tables, or larger than 2040 pixels";
            return false;
        }
        frames.push_back(std::move(frame));
    }
    if (frames.empty())
        error = "no JPEG images";
    return !frames.empty();
}

bool SplitAdts(const std::string& data, std::vector<std::string>& accessUnits, CAdtsInfo& info, std::string& error)
{
    static const unsigned kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000, 7350};
    accessUnits.clear();
    size_t pos = 0;
    while (pos + 7 <= data.size()) {
        if (At(data, pos) != 0xFF || (At(data, pos + 1) & 0xF6) != 0xF0) {
            error = "lost ADTS sync at byte " + std::to_string(pos);
            return false;
        }
        bool crc = !(At(data, pos + 1) & 0x01);
        int objectType = (At(data, pos + 2) >> 6) + 1;
        int rateIndex = (At(data, pos + 2) >> 2) & 0x0F;
        int channels = ((At(data, pos + 2) & 0x01) << 2) | (At(data, pos + 3) >> 6);
        size_t length = ((At(data, pos + 3) & 0x03) << 11) | (At(data, pos + 4) << 3) | (At(data, pos + 5) >> 5);
        size_t header = crc ? 9 : 7;
        if (rateIndex > 12 || channels == 0 || (At(data, pos + 6) & 0x03) != 0 || length <= header ||
            pos + length > data.size()) {
            error = "unusable ADTS frame at byte " + std::to_string(pos);
            return false;
        }
        if (accessUnits.empty()) {
            info.sampleRate = kRates[rateIndex];
            info.channels = channels;
            unsigned config = (objectType << 11) | (rateIndex << 7) | (channels << 3);
            static const char hex[] = "0123456789abcdef";
            for (int shift = 12; shift >= 0; shift -= 4)
                info.configHex += hex[(config >> shift) & 0xF];
        }
        accessUnits.push_back(data.substr(pos + header, length - header));
        pos += length;
    }
    if (accessUnits.empty())
        error = "no ADTS frames";
    return !accessUnits.empty();
}

} // namespace OnvifSim
