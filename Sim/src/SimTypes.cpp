#include "OnvifSim/SimTypes.h"

#include <strings.h>

namespace OnvifSim {

std::string CRecordedRequest::header(const std::string& name) const
{
    for (const auto& [key, value] : headers)
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    return {};
}

const char* ToString(EAuthMode mode)
{
    static const char* const names[] = {"wsse", "digest", "either", "none"};
    return names[static_cast<int>(mode)];
}

const char* ToString(ERefusalStyle style)
{
    static const char* const names[] = {"http401", "http400", "fault200", "fault500"};
    return names[static_cast<int>(style)];
}

const char* ToString(EUserLevel level)
{
    static const char* const names[] = {"Administrator", "Operator", "User", "Anonymous"};
    return names[static_cast<int>(level)];
}

} // namespace OnvifSim
