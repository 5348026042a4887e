#pragma once
// The host's recording finder: one search by channel, stream and time span, whose results
// the host reads as file records in batches. The host makes a finder per search, owns it
// and ends it with destroy().
#include <json/json.h>

#include <cstdint>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Storage {

class IMediaFileFind : public Zentar::Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "MediaFileFind";

    // Starts a search. condition: "Channel" (from 0), the span as "StartTimeRealUTC" and
    // "EndTimeRealUTC" ("2026-12-06T10:00:00Z") or as "StartTime" and "EndTime" in the
    // device's local time ("2026-12-06 11:00:00"), optionally "VideoStream" ("Main",
    // "Extra1", ...).
    virtual bool findFile(const Json::Value& condition) { return Component::notSupportedSlot(); }
    // A search over several channels at once; few components offer it.
    virtual bool findFileEx(const Json::Value& conditions) { return Component::notSupportedSlot(); }
    // Up to count records from the current position: records["infos"][i] with "Url",
    // "VideoStream", "Channel" and the span in the search's own form.
    virtual bool findNextFile(uint32_t count, Json::Value& records) { return Component::notSupportedSlot(); }
    // Ends the search; the finder may start another one.
    virtual bool close() { return Component::notSupportedSlot(); }
    virtual bool getCount(uint32_t& count) { return Component::notSupportedSlot(); }

    virtual void destroy() { delete this; }
};

} // namespace Storage
} // namespace Zentar
