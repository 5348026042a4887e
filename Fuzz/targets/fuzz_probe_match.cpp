// A datagram on the discovery socket read as a ProbeMatches reply, and the device report
// the host would be handed for it.
#include <json/json.h>

#include <string>

#include "Discovery/Onvif/ProbeMessage.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace RPC::Onvif;
    // Longer datagrams are dropped before they reach the parser.
    if (size > kMaxProbeReplyBytes)
        return 0;
    Json::Value record;
    std::string why;
    const ProbeReply reply = parseProbeReply(reinterpret_cast<const char*>(data), size, "192.0.2.7", record, why);
    unsigned sum = OnvifFuzz::touch(why);
    if (reply == ProbeReply::Match) {
        const Json::Value report = discoveryReport(record, "192.0.2.1");
        sum += OnvifFuzz::touch(report.toStyledString());
    } else if (reply == ProbeReply::Malformed && why.empty()) {
        // A refusal always says why: the discovery log line is all a user gets.
        __builtin_trap();
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
