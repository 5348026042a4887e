// Time texts devices send: POSIX TZ strings (the first record) and ISO 8601 durations
// (the second), each also read as the other.
#include <string>

#include <json/json.h>

#include "FuzzInput.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    unsigned sum = 0;
    for (int n = 0; n < 2 && records.next(bytes, length); ++n) {
        const std::string text(reinterpret_cast<const char*>(bytes), length); // stops at a NUL, as C text does
        int offset = 0;
        Json::Value rules;
        if (RPC::Onvif::parseTimeZone(text.c_str(), offset, rules))
            sum += static_cast<unsigned>(offset) + static_cast<unsigned>(rules.size());
        sum += static_cast<unsigned>(RPC::Onvif::durationToSeconds(text.c_str()));
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
