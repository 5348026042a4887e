#include <cctype>

#include "Infra/LogSink.h"
#include "Stream/Media/AacDepacketizer.h"
#include "Stream/Media/AudioDepacketizer.h"
#include "Stream/Media/Depacketizer.h"
#include "Stream/Media/H264Depacketizer.h"
#include "Stream/Media/H265Depacketizer.h"
#include "Stream/Media/JpegDepacketizer.h"

namespace Zentar {
namespace StreamSvr {

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "G726-32", "AAL2-G726-32" (same bits, other packing order; delivered as they come).
int g726BitRate(const std::string& name)
{
    static const struct {
        const char* suffix;
        int bitRate;
    } kRates[] = {{"G726-16", 16000}, {"G726-24", 24000}, {"G726-32", 32000}, {"G726-40", 40000}};
    for (const auto& r : kRates) {
        const std::string suffix = r.suffix;
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return r.bitRate;
    }
    return 0;
}

} // namespace

std::unique_ptr<IDepacketizer> createDepacketizer(const std::string& encodingName, uint32_t clockRate, int channels,
                                                  const std::map<std::string, std::string>& fmtp)
{
    const std::string name = upper(encodingName);
    if (name == "H264")
        return std::unique_ptr<IDepacketizer>(new CH264Depacketizer(fmtp));
    if (name == "H265" || name == "HEVC")
        return std::unique_ptr<IDepacketizer>(new CH265Depacketizer(fmtp));
    if (name == "JPEG")
        return std::unique_ptr<IDepacketizer>(new CJpegDepacketizer());
    if (name == "MPEG4-GENERIC") {
        std::unique_ptr<CAacDepacketizer> aac(new CAacDepacketizer(clockRate ? clockRate : 8000, channels, fmtp));
        if (aac->valid())
            return std::unique_ptr<IDepacketizer>(aac.release());
        Infra::logFilter(Infra::kLogWarning, "depacketizer: mpeg4-generic without a usable sizelength");
        return nullptr;
    }
    if (name == "PCMU")
        return std::unique_ptr<IDepacketizer>(new CAudioDepacketizer(kCodecG711U, clockRate ? clockRate : 8000, channels));
    if (name == "PCMA")
        return std::unique_ptr<IDepacketizer>(new CAudioDepacketizer(kCodecG711A, clockRate ? clockRate : 8000, channels));
    if (name == "L16")
        return std::unique_ptr<IDepacketizer>(new CAudioDepacketizer(kCodecL16, clockRate ? clockRate : 44100, channels));
    if (const int bitRate = g726BitRate(name))
        return std::unique_ptr<IDepacketizer>(new CAudioDepacketizer(kCodecG726, clockRate ? clockRate : 8000, channels, bitRate));
    Infra::logFilter(Infra::kLogInfo, "depacketizer: encoding \"%s\" not supported", encodingName.c_str());
    return nullptr;
}

std::unique_ptr<IDepacketizer> createStaticDepacketizer(int payloadType)
{
    static const struct {
        int payloadType;
        const char* name;
        uint32_t rate;
        int channels;
    } kStatic[] = {{0, "PCMU", 8000, 1}, {8, "PCMA", 8000, 1}, {26, "JPEG", 90000, 0}, {11, "L16", 44100, 1}, {10, "L16", 44100, 2}};
    for (const auto& s : kStatic)
        if (s.payloadType == payloadType)
            return createDepacketizer(s.name, s.rate, s.channels, {});
    return nullptr;
}

} // namespace StreamSvr
} // namespace Zentar
