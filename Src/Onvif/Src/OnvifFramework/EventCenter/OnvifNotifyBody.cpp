#include "OnvifFramework/EventCenter/OnvifNotifyBody.h"

#include <algorithm>

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/EventHanding/OnvifEventMessages.h"
#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {

bool readNotifyEvents(const std::string& sender, const char* body, size_t length,
                      std::vector<OnvifEventCharacter>& events)
{
    Zentar::SOAPFramework::CSOAPMessage message(static_cast<const char*>(nullptr));
    if (message.parse(body, length) != 0) {
        ONVIF_LOG(LOG_WARN, "event from ip<%s>, body is no SOAP envelope\n", sender.c_str());
        return false;
    }
    const int count = std::min(message.getArraySize("/Envelope/Body/Notify/NotificationMessage"),
                               kMaxMessagesPerNotify);
    for (int i = 0; i < count; ++i) {
        Json::Value record;
        readNotificationMessage(message, "/Envelope/Body/Notify/NotificationMessage[" + std::to_string(i) + "]",
                                nullptr, record);
        OnvifEventCharacter event = OnvifEventCharacter::fromNotification(record);
        if (event.classify().empty()) {
            ONVIF_LOG(LOG_INFO, "event drop! IP:%s, Topic:%s\n", sender.c_str(), event.topic().c_str());
            continue;
        }
        // A subscription starts with the state of every property, and a property that goes
        // away says so: neither is an alarm.
        const std::string& operation = event.propertyOperation();
        if (operation == "Initialized" || operation == "Deleted") {
            ONVIF_LOG(LOG_INFO, "event drop! IP:%s, Topic:%s, PropertyOperation:%s\n", sender.c_str(),
                      event.topic().c_str(), operation.c_str());
            continue;
        }
        const OnvifItemList& source = event.source();
        const OnvifItemList& data = event.data();
        ONVIF_LOG(LOG_INFO,
                  "event callback! IP:%s, Topic:%s, SourceName:%s, SourceValue:%s, DataName:%s, DataValue:%s, "
                  "Index:%d\n",
                  sender.c_str(), event.topic().c_str(), source.empty() ? "" : source.front().first.c_str(),
                  source.empty() ? "" : source.front().second.c_str(), data.empty() ? "" : data.front().first.c_str(),
                  data.empty() ? "" : data.front().second.c_str(), i);
        events.push_back(std::move(event));
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
