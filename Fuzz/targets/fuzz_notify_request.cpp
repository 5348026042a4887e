// The notification server's side of a connection: bytes cut into HTTP messages the way a
// session receives them (in the pieces the input's records give), each request routed by
// its URL and its body read as a Notify into classified events.
#include <string>
#include <vector>

#include "Base/RPCUtility/EventRequestFramer.h"
#include "Base/RPCUtility/ServiceManager.h"
#include "FuzzInput.h"
#include "OnvifFramework/EventCenter/OnvifNotifyBody.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using RPC::CEventRequestFramer;
    using namespace RPC::Onvif;
    CEventRequestFramer framer;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* piece = nullptr;
    size_t length = 0;
    unsigned sum = 0;
    while (records.next(piece, length)) {
        const char* text = reinterpret_cast<const char*>(piece);
        // Bounded: every round consumes bytes, ends the piece or ends the connection.
        while (length > 0) {
            size_t used = 0;
            const CEventRequestFramer::Result found = framer.feed(text, length, used);
            if (used > length)
                __builtin_trap();
            if (found == CEventRequestFramer::BAD)
                return 0;
            if (found == CEventRequestFramer::MORE)
                break;
            if (found == CEventRequestFramer::REQUEST) {
                const std::string url = framer.url();
                if (url.size() > CEventRequestFramer::kMaxUrlLength)
                    __builtin_trap();
                sum += OnvifFuzz::touch(RPC::CServiceManager::routeOf(url));
                std::vector<OnvifEventCharacter> events;
                readNotifyEvents("192.0.2.7", framer.message().GetContent(), framer.message().GetContentLength(),
                                 events);
                for (const OnvifEventCharacter& event : events)
                    sum += OnvifFuzz::touch(event.classificationText()) + (event.isActive(true) ? 1u : 0u);
            }
            framer.next();
            text += used;
            length -= used;
        }
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
