#include "OnvifProtocolCore/EventHanding/OnvifEventHanding.h"

#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifProtocolCore/EventHanding/OnvifEventMessages.h"

namespace RPC {
namespace Onvif {

namespace {

using Zentar::SOAPFramework::SOAP_NODE_BODY;
using Zentar::SOAPFramework::SOAP_NODE_HEADER;

// ---- WS-Addressing ---------------------------------------------------------------------
// Subscription managers and pull points are addressed endpoints: the device finds the
// subscription by the To header (and checks the Action), not by the HTTP path alone.

constexpr char kSubscribeAction[] = "http://docs.oasis-open.org/wsn/bw-2/NotificationProducer/SubscribeRequest";
constexpr char kUnsubscribeAction[] = "http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/UnsubscribeRequest";
constexpr char kRenewAction[] = "http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/RenewRequest";
constexpr char kSyncPointAction[] =
    "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/SetSynchronizationPointRequest";
constexpr char kCreatePullPointAction[] =
    "http://www.onvif.org/ver10/events/wsdl/EventPortType/CreatePullPointSubscriptionRequest";
constexpr char kPullMessagesAction[] =
    "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/PullMessagesRequest";

// Which address the To header names, and how its mustUnderstand attribute is written: the
// subscription manager's requests qualify it with the envelope prefix, the pull point's
// leave it unqualified (devices accept both; each request keeps the form it was tested with).
enum ToHeader { TO_NONE, TO_SUBSCRIPTION, TO_SERVICE, TO_PULLPOINT };

const char* toAddressKey(ToHeader to)
{
    switch (to) {
    case TO_SUBSCRIPTION:
        return "SubscriptionReference.Address";
    case TO_SERVICE:
        return "XAddr";
    case TO_PULLPOINT:
        return "PullpointAddr";
    default:
        return nullptr;
    }
}

template <const char* Action, ToHeader To>
int addressingHeaders(CSOAPMessage& msg, const Json::Value& req)
{
    if (msg.setPathPrefix(SOAP_NODE_HEADER) != 0)
        return -1;
    int rc = msg.set("./wsa5:Action/@s:mustUnderstand", "1");
    rc |= msg.set("./wsa5:Action", Action);
    if (const char* key = toAddressKey(To)) {
        rc |= msg.set(To == TO_SUBSCRIPTION ? "./wsa5:To/@s:mustUnderstand" : "./wsa5:To/@mustUnderstand", "1");
        rc |= msg.set("./wsa5:To", textOr(req, key, "").c_str());
    }
    return (msg.setPathPrefix(SOAP_NODE_BODY) != 0 || rc != 0) ? -1 : 0;
}

// ---- Where a request goes --------------------------------------------------------------

// The address actually connected to: the mapped one when the caller found one.
int connectTo(Json::Value& req, const char* addressKey)
{
    const std::string mapped = textOr(req, "SubscriptionReference.MappedAddress", "");
    req["XAddr"] = mapped.empty() ? textOr(req, addressKey, "") : mapped;
    return 0;
}

int toSubscription(Json::Value& req)
{
    if (textOr(req, "SubscriptionReference.Address", "").empty()) {
        ONVIF_LOG(LOG_ERROR, "SubscriptionReference Address is empty\n");
        return -1;
    }
    return connectTo(req, "SubscriptionReference.Address");
}

int toPullPoint(Json::Value& req)
{
    if (textOr(req, "PullpointAddr", "").empty()) {
        ONVIF_LOG(LOG_ERROR, "PullpointAddr is empty\n");
        return -1;
    }
    return connectTo(req, "PullpointAddr");
}

// ---- Answers -------------------------------------------------------------------------------

int logSubscribeFail(CSOAPMessage&, const Json::Value& req, Json::Value&)
{
    ONVIF_LOG(LOG_WARN, "SubscribeResponse fail! %s\n", textOr(req, "XAddr", "").c_str());
    return -1;
}

// A pull point that refuses the time-out or message limit asked for names its own.
// SOAP 1.2 names the element Detail, SOAP 1.1 detail; devices answer in either.
int readPullFault(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    std::string base;
    for (const char* detail : {"Detail", "detail"}) {
        const std::string path = std::string("/Envelope/Body/Fault/") + detail + "/PullMessagesFaultResponse";
        if (response.getArraySize(path.c_str()) > 0)
            base = path;
    }
    if (base.empty())
        return -1;
    if (const char* timeout = response.getAsCString((base + "/MaxTimeout").c_str()))
        rsp["MaxTimeout"] = timeout;
    int limit = 0;
    if (response.get((base + "/MaxMessageLimit").c_str(), limit) == 0)
        rsp["MaxMessageLimit"] = limit;
    return -1;
}

int readNotifications(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp)
{
    const int count = response.getArraySize("./NotificationMessage");
    if (count < 1)
        return 0;
    Json::Value messages(Json::arrayValue);
    const Json::Value& topics = req.isObject() ? req : Json::Value::nullSingleton();
    for (int i = 0; i < count; ++i) {
        Json::Value message;
        readNotificationMessage(response, "./NotificationMessage[" + std::to_string(i) + "]", &topics, message);
        messages.append(message);
    }
    rsp["NotificationMessage"] = messages;
    return 0;
}

int readTopics(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    rsp["TopicSet"] = readTopicSet(response, "./TopicSet");
    return 0;
}

// ---- Fields --------------------------------------------------------------------------------

const OnvifField kSubscribeIn[] = {
    textField("Subscribe.ConsumerReference.Address", "./ConsumerReference/wsa5:Address"),
    textField("Subscribe.InitialTerminationTime", "./InitialTerminationTime"),
    {},
};
const OnvifField kSubscriptionOut[] = {
    textField("SubscriptionReference.Address", "./SubscriptionReference/Address"),
    textField("CurrentTime", "./CurrentTime"),
    textField("TerminationTime", "./TerminationTime"),
    {},
};
const OnvifField kTimesOut[] = {textField("CurrentTime", "./CurrentTime"),
                                textField("TerminationTime", "./TerminationTime"), {}};
const OnvifField kRenewIn[] = {textField("Renew.TerminationTime", "./TerminationTime"), {}};
const OnvifField kPullIn[] = {
    textField("PullMessages.Timeout", "./Timeout"),
    intField("PullMessages.MessageLimit", "./MessageLimit"),
    {},
};
const OnvifField kSeekIn[] = {textField("UtcTime", "./UtcTime"), boolField("Reverse", "./Reverse"), {}};
const OnvifField kPropertiesOut[] = {boolField("FixedTopicSet", "./FixedTopicSet").loose(), {}};
const OnvifField kCapabilitiesOut[] = {
    boolField("WSSubscriptionPolicySupport", "./Capabilities/@WSSubscriptionPolicySupport").loose(),
    boolField("WSPullPointSupport", "./Capabilities/@WSPullPointSupport").loose(),
    boolField("WSPausableSubscriptionManagerInterfaceSupport",
              "./Capabilities/@WSPausableSubscriptionManagerInterfaceSupport")
        .loose(),
    intField("MaxNotificationProducers", "./Capabilities/@MaxNotificationProducers").loose(),
    intField("MaxPullPoints", "./Capabilities/@MaxPullPoints").loose(),
    boolField("PersistentNotificationStorage", "./Capabilities/@PersistentNotificationStorage").loose(),
    {},
};

// A pull waits on the device for up to its Timeout (30 s by default, at most a minute as
// the pull-point worker asks), so its answer may take that long to begin.
constexpr OnvifTimeouts kPullTimeouts{2000, 2000, 65000, 70000};

constexpr OnvifService kTev{"tev", Namespaces::kEvent};
constexpr OnvifService kWsnt{"wsnt", Namespaces::kEvent};

const OnvifOperation kRows[] = {
    kWsnt("Subscribe")
        .in(kSubscribeIn)
        .out(kSubscriptionOut)
        .writes(&addressingHeaders<kSubscribeAction, TO_NONE>)
        .readsFault(&logSubscribeFail),
    kWsnt("Unsubscribe")
        .prepares(&toSubscription)
        .writes(&addressingHeaders<kUnsubscribeAction, TO_SUBSCRIPTION>)
        .flag(OP_TRANSPORT_MARKERS)
        .failText("UnsubscribeResponse fail\n"),
    kWsnt("Renew")
        .in(kRenewIn)
        .out(kTimesOut)
        .prepares(&toSubscription)
        .writes(&addressingHeaders<kRenewAction, TO_SUBSCRIPTION>)
        .flag(OP_TRANSPORT_MARKERS)
        .failText("RenewResponse fail!\n"),
    kTev("SetSynchronizationPoint")
        .prepares(&toSubscription)
        .writes(&addressingHeaders<kSyncPointAction, TO_SUBSCRIPTION>),
    kTev("CreatePullPointSubscription")
        .out(kSubscriptionOut)
        .writes(&addressingHeaders<kCreatePullPointAction, TO_SERVICE>)
        .failText("CreatePullPointSubscriptionResponse fail\n"),
    kTev("PullMessages")
        .in(kPullIn)
        .out(kTimesOut)
        .prepares(&toPullPoint)
        .writes(&addressingHeaders<kPullMessagesAction, TO_PULLPOINT>)
        .reads(&readNotifications)
        .readsFault(&readPullFault)
        .waits(&kPullTimeouts)
        .flag(OP_TRANSPORT_MARKERS | OP_FRESH_CONNECTION),
    kTev("Seek").in(kSeekIn),
    kTev("GetEventProperties").out(kPropertiesOut).reads(&readTopics).failText("GetEventPropertiesResponse fail\n"),
    kTev("GetServiceCapabilities").out(kCapabilitiesOut).failText("GetServiceCapabilitiesResponse fail\n"),
};

} // namespace

const COnvifOperationTable& COnvifEventHanding::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
