#pragma once
// What a pushed Notify body says, before any device policy sees it. No server and no device
// state here: the event centre calls it for each request, a fuzz target with any bytes.
#include <cstddef>
#include <string>
#include <vector>

#include "OnvifFramework/EventCenter/OnvifEventCharacter.h"

namespace RPC {
namespace Onvif {

// A Notify carries a handful of messages; a body claiming thousands is not worth reading.
constexpr int kMaxMessagesPerNotify = 256;

// The classified events of a Notify body from sender (named in the log lines), in order.
// Messages no host event matches, and a property's initial and final states, are dropped.
// False when the body is not a SOAP envelope.
bool readNotifyEvents(const std::string& sender, const char* body, size_t length,
                      std::vector<OnvifEventCharacter>& events);

} // namespace Onvif
} // namespace RPC
