// One depacketiser (chosen when the target is built: FUZZ_ENCODING, FUZZ_CLOCK_RATE) fed
// the input's records as RTP packets in arrival order, with losses now and then.
#include <map>
#include <string>

#include "FuzzInput.h"
#include "Stream/Media/Depacketizer.h"

namespace {

class CTouchingSink : public Zentar::StreamSvr::IAccessUnitSink {
public:
    void onAccessUnit(const Zentar::StreamSvr::CAccessUnit& unit) override
    {
        m_sum += OnvifFuzz::touch(unit.data, unit.size);
    }
    unsigned m_sum = 0;
};

std::map<std::string, std::string> fmtpOf(const std::string& encoding)
{
    // AAC needs its AU header layout; the common high-bit-rate layout (13/3/3).
    if (encoding == "MPEG4-GENERIC")
        return {{"mode", "AAC-hbr"}, {"sizelength", "13"}, {"indexlength", "3"}, {"indexdeltalength", "3"},
                {"config", "1210"}};
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zentar::StreamSvr;
    auto depacketizer = createDepacketizer(FUZZ_ENCODING, FUZZ_CLOCK_RATE, 1, fmtpOf(FUZZ_ENCODING));
    if (!depacketizer)
        __builtin_trap(); // the build names an encoding the factory must know
    CTouchingSink sink;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    while (records.next(bytes, length)) {
        CRtpPacket packet;
        if (!packet.parse(bytes, length))
            continue;
        // A sequence number ending in 0xFF stands for a loss reported by the reorder buffer.
        if ((packet.sequence() & 0xFF) == 0xFF)
            depacketizer->lost(1);
        depacketizer->input(packet, sink);
    }
    depacketizer->flush(sink);
    return sink.m_sum == 0xFFFFFFFFu ? 1 : 0;
}
