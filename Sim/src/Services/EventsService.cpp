// The event service: topics, pull points and push subscriptions (Events/EventHub.h). Every
// subscription is addressed "<event service>?sub=N"; a lapsed or unknown one is refused with
// the WS-ResourceFramework ResourceUnknownFault, as devices do.
#include "Common/TimeUtil.h"
#include "Events/EventHub.h"
#include "Events/NotifySender.h"
#include "Services/ServiceHandler.h"

#include <cmath>
#include <cstdlib>

namespace OnvifSim {
namespace {

constexpr const char* kWsrfR = "http://docs.oasis-open.org/wsrf/r-2";
constexpr const char* kWsrfBf = "http://docs.oasis-open.org/wsrf/bf-2";

CEventHub& Hub(CCallContext& ctx)
{
    if (!ctx.state().events)
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device raises no events");
    return *ctx.state().events;
}

// "PT60S", or an absolute time; seconds from now. Refused outside 1 s .. 1 day.
int LifetimeSeconds(CCallContext& ctx, const char* element, int fallback, const char* fault)
{
    const std::string text = ChildText(ctx.input(), element);
    if (text.empty())
        return fallback;
    double seconds = 0;
    long long when = 0;
    if (ParseXsDuration(text, seconds)) {
        // a duration
    } else if (ParseXsDateTime(text, when)) {
        seconds = static_cast<double>(when - ctx.state().now());
    } else {
        seconds = -1;
    }
    if (seconds < 1 || seconds > 86400)
        throw CSoapFault::Sender({"InvalidArgVal", fault}, "termination time \"" + text + "\" is not acceptable");
    return static_cast<int>(std::ceil(seconds));
}

CAnswerStyle StyleOf(CCallContext& ctx)
{
    const CDeviceDescription& d = ctx.description();
    CAnswerStyle style;
    style.prefixes = d.prefixes;
    style.defaultNamespaces = d.defaultNamespaces;
    style.chunked = d.transfer == ETransfer::Chunked;
    style.terminationBeforeCurrent = Hub(ctx).settings().terminationBeforeCurrent;
    style.clockOffset = d.clockOffsetSeconds;
    return style;
}

std::string SubscriptionAddress(CCallContext& ctx, int id)
{
    return ctx.xaddr("events") + "?sub=" + std::to_string(id);
}

[[noreturn]] void ResourceUnknown(CCallContext& ctx)
{
    CSoapFault fault = CSoapFault::Sender({"InvalidArgVal"}, "no such subscription (it may have lapsed)");
    const std::string now = FormatXsDateTime(ctx.state().now());
    fault.detail = [now](CXmlNode& detail) {
        detail.add(kWsrfR, "ResourceUnknownFault").add(kWsrfBf, "Timestamp", now);
    };
    throw fault;
}

// The subscription a request is addressed to, lapsed ones forgotten.
int RequireSubscription(CCallContext& ctx)
{
    const std::string& target = ctx.http().target;
    const size_t at = target.find("sub=");
    int id = 0;
    if (at != std::string::npos)
        id = std::atoi(target.c_str() + at + 4);
    if (id <= 0 || !Hub(ctx).exists(id, ctx.state().now()))
        ResourceUnknown(ctx);
    return id;
}

void WriteReference(CXmlNode out, const char* ns, const std::string& address, long long now, long long termination,
                    const CEventSettings& settings)
{
    out.add(ns, "SubscriptionReference").add(Ns::Wsa, "Address", address);
    out.add(Ns::Wsnt, "CurrentTime", FormatXsDateTime(now));
    out.add(Ns::Wsnt, "TerminationTime",
            FormatXsDateTime(settings.terminationBeforeCurrent ? now - 10 : termination));
}

std::vector<CEventMessage> Initial(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    return hub.settings().initializedFirst ? hub.initialMessages(ctx.state()) : std::vector<CEventMessage>();
}

void GetServiceCapabilities(CCallContext& ctx)
{
    ctx.respond()
        .sub("Capabilities")
        .attr("WSSubscriptionPolicySupport", "false")
        .attr("WSPullPointSupport", "true")
        .attr("WSPausableSubscriptionManagerInterfaceSupport", "false")
        .attr("MaxNotificationProducers", "10")
        .attr("MaxPullPoints", "10")
        .attr("PersistentNotificationStorage", "false");
}

void GetEventProperties(CCallContext& ctx)
{
    Hub(ctx);
    CXmlNode out = ctx.respond();
    out.sub("TopicNamespaceLocation", "http://www.onvif.org/onvif/ver10/topics/topicns.xml");
    out.add(Ns::Wsnt, "FixedTopicSet", "true");
    WriteTopicSet(out);
    out.add(Ns::Wsnt, "TopicExpressionDialect", "http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet");
    out.sub("MessageContentFilterDialect", "http://www.onvif.org/ver10/tev/messageContentFilter/ItemFilter");
    out.sub("MessageContentSchemaLocation", "http://www.onvif.org/onvif/ver10/schema/onvif.xsd");
}

void CreatePullPointSubscription(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    const int seconds = LifetimeSeconds(ctx, "InitialTerminationTime", hub.settings().subscriptionSeconds,
                                        "UnacceptableTerminationTime");
    const long long now = ctx.state().now();
    const int id = hub.createPullPoint(now, seconds, Initial(ctx));
    WriteReference(ctx.respond(), Ns::Events, SubscriptionAddress(ctx, id), now, hub.termination(id), hub.settings());
}

void PullMessages(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    const int id = RequireSubscription(ctx);
    if (!hub.isPullPoint(id))
        ResourceUnknown(ctx);
    double timeout = 0;
    const std::string limitText = ChildText(ctx.input(), "MessageLimit");
    const int limit = limitText.empty() ? 1 : std::atoi(limitText.c_str());
    if (!ParseXsDuration(ChildText(ctx.input(), "Timeout"), timeout) || limit < 1)
        throw CSoapFault::Sender({"InvalidArgVal"},
                                 "PullMessages needs a Timeout duration and a MessageLimit of 1 or more");
    const CEventSettings& settings = hub.settings();
    if (timeout > settings.maxPullTimeoutSeconds || limit > settings.maxMessageLimit) {
        // The pull point says what it can do, for the client's next pull.
        CSoapFault fault = CSoapFault::Receiver({"InvalidArgVal"}, "Timeout or MessageLimit too large");
        const std::string maxTimeout = FormatXsDuration(settings.maxPullTimeoutSeconds);
        const std::string maxLimit = std::to_string(settings.maxMessageLimit);
        fault.detail = [maxTimeout, maxLimit](CXmlNode& detail) {
            CXmlNode limits = detail.add(Ns::Events, "PullMessagesFaultResponse");
            limits.sub("MaxTimeout", maxTimeout);
            limits.sub("MaxMessageLimit", maxLimit);
        };
        throw fault;
    }
    const long long now = ctx.state().now();
    int pullNumber = 0;
    std::vector<CEventMessage> ready = hub.take(id, now, limit, &pullNumber);
    const std::string address = SubscriptionAddress(ctx, id);
    const bool drop = settings.dropPullEvery > 0 && pullNumber % settings.dropPullEvery == 0;
    if (!ready.empty() || (settings.emptyPullAtOnce && !drop) || timeout <= 0) {
        WritePullAnswer(ctx.respond(), now, hub.termination(id), settings.terminationBeforeCurrent, ready, address);
        return;
    }
    ctx.defer(hub.waitFor(id, limit, static_cast<int>(timeout * 1000), drop, StyleOf(ctx), address));
}

// Every property's state again, as "Initialized", to this subscription.
void SetSynchronizationPoint(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    const int id = RequireSubscription(ctx);
    hub.resend(id, hub.initialMessages(ctx.state()));
    ctx.respond();
}

void Subscribe(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    const std::string consumer = ChildText(Child(ctx.input(), "ConsumerReference"), "Address");
    bool tls = false;
    std::string host, path;
    unsigned short port = 0;
    if (!SplitHttpUrl(consumer, tls, host, port, path) || !IsLoopbackHost(host))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ConsumerReference must be an http(s) address on loopback");
    const int seconds = LifetimeSeconds(ctx, "InitialTerminationTime", hub.settings().subscriptionSeconds,
                                        "UnacceptableTerminationTime");
    const long long now = ctx.state().now();
    const int id = hub.createPush(now, seconds, consumer, StyleOf(ctx), ctx.xaddr("events"), Initial(ctx));
    WriteReference(ctx.respond(), Ns::Wsnt, SubscriptionAddress(ctx, id), now, hub.termination(id), hub.settings());
}

void Renew(CCallContext& ctx)
{
    CEventHub& hub = Hub(ctx);
    const int id = RequireSubscription(ctx);
    const int seconds = LifetimeSeconds(ctx, "TerminationTime", hub.settings().subscriptionSeconds,
                                        "UnacceptableTerminationTime");
    const long long now = ctx.state().now();
    long long termination = 0;
    if (!hub.renew(id, now, seconds, &termination))
        ResourceUnknown(ctx);
    CXmlNode out = ctx.respond();
    out.sub("TerminationTime", FormatXsDateTime(hub.settings().terminationBeforeCurrent ? now - 10 : termination));
    out.sub("CurrentTime", FormatXsDateTime(now));
}

void Unsubscribe(CCallContext& ctx)
{
    const int id = RequireSubscription(ctx);
    Hub(ctx).remove(id);
    ctx.respond();
}

void WriteCaps(CCallContext& ctx, CXmlNode parent)
{
    parent.add(Ns::Events, "Capabilities")
        .attr("WSSubscriptionPolicySupport", "false")
        .attr("WSPullPointSupport", "true")
        .attr("WSPausableSubscriptionManagerInterfaceSupport", "false");
}

} // namespace

const CServiceHandler& EventsService()
{
    static const CServiceHandler handler{
        "events",
        {
            {"GetServiceCapabilities", EUserLevel::User, &GetServiceCapabilities},
            {"GetEventProperties", EUserLevel::User, &GetEventProperties},
            {"CreatePullPointSubscription", EUserLevel::User, &CreatePullPointSubscription},
            {"PullMessages", EUserLevel::User, &PullMessages},
            {"SetSynchronizationPoint", EUserLevel::User, &SetSynchronizationPoint},
            {"Subscribe", EUserLevel::User, &Subscribe, Ns::Wsnt},
            {"Renew", EUserLevel::User, &Renew, Ns::Wsnt},
            {"Unsubscribe", EUserLevel::User, &Unsubscribe, Ns::Wsnt},
        },
        &WriteCaps,
    };
    return handler;
}

} // namespace OnvifSim
