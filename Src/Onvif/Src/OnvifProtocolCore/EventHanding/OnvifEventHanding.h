#pragma once
// The event service object of one device ("EventHanding"): the ONVIF event service and the
// WS-BaseNotification subscription manager behind it.
//
// Names served by execute, in registration order:
//   "Subscribe"        "XAddr", "Subscribe" {"ConsumerReference" {"Address"}, "InitialTerminationTime"}
//                      -> "SubscriptionReference"."Address", "CurrentTime", "TerminationTime"
//   "Unsubscribe"      "SubscriptionReference" {"Address", "MappedAddress"}
//   "Renew"            "SubscriptionReference", "Renew"."TerminationTime" -> "CurrentTime", "TerminationTime"
//   "SetSynchronizationPoint"  "SubscriptionReference"
//   "CreatePullPointSubscription"  "XAddr" -> as Subscribe
//   "PullMessages"     "PullpointAddr", "PullMessages" {"Timeout", "MessageLimit"},
//                      "SubscriptionReference"."MappedAddress", "TopicSet" (of GetEventProperties)
//                      -> "CurrentTime", "TerminationTime", "NotificationMessage"[i];
//                      a pull-point fault -> "MaxTimeout", "MaxMessageLimit"
//   "Seek"             "XAddr", "UtcTime", "Reverse"
//   "GetEventProperties"  -> "FixedTopicSet", "TopicSet"[i] (OnvifEventMessages.h)
//   "GetServiceCapabilities" -> the capability attributes by their names
//
// A subscription's requests go to its "MappedAddress" when one is set (the same endpoint
// reached through the host's port mapping) and to "Address" otherwise, while the WS-Addressing
// To header always names "Address", as the device knows itself. Unsubscribe, PullMessages
// and Renew mark a connection that broke down with "SendError" or "RecvError" = "true".
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifEventHanding : public COnvifProtoCore {
public:
    explicit COnvifEventHanding(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "EventHanding"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
