#include "Events/EventHub.h"

#include "Common/Log.h"
#include "Common/TimeUtil.h"
#include "Description/Namespaces.h"
#include "Device/DeviceCore.h"
#include "DeviceIO/IoModel.h"
#include "Events/NotifySender.h"
#include "Media/MediaModel.h"

#include <asio/post.hpp>

#include <chrono>

namespace OnvifSim {
namespace {

// How long a pull with the dropping habit holds the connection before it lets go.
constexpr int kDropAfterMs = 200;

long long realNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The device's media state, built from the description when no call has built it yet.
const Json::Value& MediaOf(CDeviceState& state)
{
    Json::Value& model = state.serviceData["media"];
    if (model.isNull()) {
        std::string error;
        if (!BuildMediaModel(state.current.raw, model, error))
            model = Json::Value();
    }
    return model;
}

std::string configOfChannel(const Json::Value& media, const char* kind, int channel)
{
    for (const Json::Value& c : media["configs"][kind])
        if (c["channel"].asInt() == channel)
            return c["token"].asString();
    return std::string();
}

// The Source items of an event of one channel (1-based); false for a channel the device lacks.
bool channelSource(CDeviceState& state, const CEventKind& kind, int channel, CItemValues& source)
{
    const Json::Value& media = MediaOf(state);
    const int index = channel - 1;
    if (!media.isObject() || index < 0 || index >= static_cast<int>(media["channels"].size()))
        return false;
    const std::string sourceToken = media["channels"][index]["source"]["token"].asString();
    for (const CItemDescription& item : kind.source) {
        const std::string name = item.name;
        if (name == "VideoSourceConfigurationToken")
            source.emplace_back(name, configOfChannel(media, "VideoSource", index));
        else if (name == "VideoAnalyticsConfigurationToken")
            source.emplace_back(name, configOfChannel(media, "Analytics", index));
        else if (name == "Rule")
            source.emplace_back(name, kind.path == std::string("RuleEngine/TamperDetector/Tamper") ? "TamperDetector"
                                                                                                    : "MotionDetector");
        else
            source.emplace_back(name, sourceToken);
    }
    return true;
}

std::string stateKey(const CEventMessage& m)
{
    std::string key = m.kind->kind;
    for (const auto& item : m.source)
        key += "/" + item.second;
    return key;
}

CEventMessage makeMessage(const CEventKind& kind, const std::string& operation, long long utc, CItemValues source,
                          const std::string& value)
{
    CEventMessage m;
    m.kind = &kind;
    m.operation = kind.property ? operation : std::string();
    m.utc = utc;
    m.source = std::move(source);
    m.data.emplace_back(kind.data.front().name, value);
    return m;
}

} // namespace

CEventHub::CEventHub(asio::io_context& io, std::weak_ptr<CDeviceCore> core, CEventSettings settings)
    : m_io(io), m_core(std::move(core)), m_settings(std::move(settings)),
      m_sender(std::make_shared<CNotifySender>(io)), m_timeline(io)
{
}

CEventHub::~CEventHub() = default;

void CEventHub::start()
{
    m_started = std::chrono::steady_clock::now();
    if (!m_settings.timeline.empty())
        scheduleTimeline(0, 0);
}

void CEventHub::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_subscriptions.clear();
    }
    asio::post(m_io, [self = shared_from_this()] { self->m_timeline.cancel(); });
}

void CEventHub::scheduleTimeline(size_t next, double base)
{
    if (next >= m_settings.timeline.size()) {
        if (m_settings.repeatSeconds <= 0)
            return;
        next = 0;
        base += m_settings.repeatSeconds;
    }
    const CTimelineEntry& entry = m_settings.timeline[next];
    const auto due = m_started + std::chrono::milliseconds(static_cast<long long>((base + entry.at) * 1000));
    m_timeline.expires_at(due);
    m_timeline.async_wait([weak = weak_from_this(), next, base](const asio::error_code& ec) {
        auto self = weak.lock();
        if (ec || !self)
            return;
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (self->m_stopped)
                return;
        }
        const CTimelineEntry& e = self->m_settings.timeline[next];
        self->raise(e.kind, e.state, e.channel, e.input);
        self->scheduleTimeline(next + 1, base);
    });
}

int CEventHub::createPullPoint(long long now, int seconds, const std::vector<CEventMessage>& initial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Subscription s;
    s.pull = true;
    s.seconds = seconds;
    s.termination = now + seconds;
    s.queue.assign(initial.begin(), initial.end());
    const int id = m_nextId++;
    m_subscriptions.emplace(id, std::move(s));
    return id;
}

int CEventHub::createPush(long long now, int seconds, const std::string& consumer, const CAnswerStyle& style,
                          const std::string& serviceAddress, const std::vector<CEventMessage>& initial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int id = m_nextId++;
    Subscription s;
    s.pull = false;
    s.seconds = seconds;
    s.termination = now + seconds;
    s.consumer = consumer;
    s.style = style;
    s.reference = serviceAddress + "?sub=" + std::to_string(id);
    for (const CEventMessage& m : initial)
        post(s, m);
    m_subscriptions.emplace(id, std::move(s));
    return id;
}

bool CEventHub::exists(int id, long long now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    if (it != m_subscriptions.end() && it->second.termination < now)
        m_subscriptions.erase(it);   // lapsed: the device has forgotten it
    return m_subscriptions.count(id) > 0;
}

bool CEventHub::isPullPoint(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    return it != m_subscriptions.end() && it->second.pull;
}

bool CEventHub::renew(int id, long long now, int seconds, long long* termination)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    if (it == m_subscriptions.end() || it->second.termination < now)
        return false;
    it->second.seconds = seconds;
    it->second.termination = now + seconds;
    if (termination)
        *termination = it->second.termination;
    return true;
}

void CEventHub::resend(int id, const std::vector<CEventMessage>& messages)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    if (it == m_subscriptions.end())
        return;
    for (const CEventMessage& m : messages) {
        if (it->second.pull)
            it->second.queue.push_back(m);
        else
            post(it->second, m);
    }
    if (auto waiter = it->second.waiter.lock(); waiter && it->second.pull && !messages.empty())
        waiter->wake();
}

bool CEventHub::remove(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_subscriptions.erase(id) > 0;
}

long long CEventHub::termination(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    return it == m_subscriptions.end() ? 0 : it->second.termination;
}

// A pull keeps its pull point alive: it now lives its whole lifetime from this pull on.
std::vector<CEventMessage> CEventHub::take(int id, long long now, int limit, int* pullCount)
{
    std::vector<CEventMessage> out;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    if (it == m_subscriptions.end())
        return out;
    Subscription& s = it->second;
    s.termination = now + s.seconds;
    if (pullCount)
        *pullCount = ++s.pulls;
    while (!s.queue.empty() && static_cast<int>(out.size()) < limit) {
        out.push_back(std::move(s.queue.front()));
        s.queue.pop_front();
    }
    return out;
}

std::shared_ptr<CPullWait> CEventHub::waitFor(int id, int limit, int waitMs, bool dropConnection, CAnswerStyle style,
                                              std::string address)
{
    auto wait = std::make_shared<CPullWait>(weak_from_this(), id, limit, waitMs, dropConnection, std::move(style),
                                            std::move(address));
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_subscriptions.find(id);
    if (it != m_subscriptions.end()) {
        if (auto old = it->second.waiter.lock())
            old->wake();   // a client that pulls twice at once gets the first answered
        it->second.waiter = wait;
        if (!it->second.queue.empty())
            wait->wake();
    }
    return wait;
}

std::vector<CEventMessage> CEventHub::initialMessages(CDeviceState& state)
{
    std::vector<CEventMessage> out;
    const long long now = state.now();
    const Json::Value& media = MediaOf(state);
    const int channels = media.isObject() ? static_cast<int>(media["channels"].size()) : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const CEventKind& kind : EventKinds()) {
        if (!kind.property)
            continue;
        if (kind.kind == std::string("digitalInput")) {
            for (const Json::Value& input : IoModel(state)["inputs"])
                out.push_back(makeMessage(kind, "Initialized", now, {{"InputToken", input["token"].asString()}},
                                          input["active"].asBool() ? "true" : "false"));
            continue;
        }
        for (int channel = 1; channel <= channels; ++channel) {
            CItemValues source;
            if (!channelSource(state, kind, channel, source))
                continue;
            CEventMessage m = makeMessage(kind, "Initialized", now, source, "false");
            auto known = m_states.find(stateKey(m));
            m.data.front().second = known != m_states.end() && known->second ? "true" : "false";
            out.push_back(std::move(m));
        }
    }
    return out;
}

bool CEventHub::raise(const std::string& kindName, bool state, int channel, const std::string& input)
{
    const CEventKind* kind = FindEventKind(kindName);
    auto core = m_core.lock();
    if (!kind || !core)
        return false;
    CEventMessage message;
    long long now = 0;
    {
        auto lock = core->lock();
        CDeviceState& device = core->state();
        now = device.now();
        CItemValues source;
        if (kind->kind == std::string("digitalInput")) {
            Json::Value* found = FindDigitalInput(device, input);
            if (!found)
                return false;
            (*found)["active"] = state;
            source.emplace_back("InputToken", input);
        } else if (kind->property && !channelSource(device, *kind, channel, source)) {
            return false;
        }
        const std::string value = kind->property ? (state ? "true" : "false") : std::to_string(channel);
        message = makeMessage(*kind, "Changed", now, std::move(source), value);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return false;
    if (kind->property)
        m_states[stateKey(message)] = state;
    deliver(message, now);
    return true;
}

void CEventHub::deliver(const CEventMessage& message, long long now)
{
    for (auto it = m_subscriptions.begin(); it != m_subscriptions.end();) {
        Subscription& s = it->second;
        if (s.termination < now) {
            it = m_subscriptions.erase(it);
            continue;
        }
        if (s.pull) {
            s.queue.push_back(message);
            while (static_cast<int>(s.queue.size()) > m_settings.queueLimit)
                s.queue.pop_front();
            if (auto waiter = s.waiter.lock())
                waiter->wake();
        } else {
            post(s, message);
        }
        ++it;
    }
}

void CEventHub::post(const Subscription& push, const CEventMessage& message)
{
    CXmlAnswer xml(push.style.prefixes, push.style.defaultNamespaces);
    CXmlNode notify = xml.body().add(Ns::Wsnt, "Notify");
    WriteNotificationMessage(notify, message, push.reference);
    m_sender->post(push.consumer, xml.str());
}

void CEventHub::expireAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_subscriptions)
        entry.second.termination = 0;
}

int CEventHub::subscriptionCount()
{
    auto core = m_core.lock();
    long long now = realNow();
    if (core) {
        auto lock = core->lock();
        now = core->state().now();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    int count = 0;
    for (const auto& entry : m_subscriptions)
        count += entry.second.termination >= now ? 1 : 0;
    return count;
}

int CEventHub::notificationsPosted() const { return m_sender->posted(); }
int CEventHub::notificationFailures() const { return m_sender->failed(); }

void WritePullAnswer(CXmlNode out, long long now, long long termination, bool terminationBeforeCurrent,
                     const std::vector<CEventMessage>& messages, const std::string& address)
{
    out.sub("CurrentTime", FormatXsDateTime(now));
    // Some devices' clocks write the end of the pull point before the time of the answer.
    out.sub("TerminationTime", FormatXsDateTime(terminationBeforeCurrent ? now - 10 : termination));
    for (const CEventMessage& m : messages)
        WriteNotificationMessage(out, m, address);
}

// ---- A waiting pull ----------------------------------------------------------------------

CPullWait::CPullWait(std::weak_ptr<CEventHub> hub, int id, int limit, int waitMs, bool dropConnection,
                     CAnswerStyle style, std::string address)
    : m_hub(std::move(hub)), m_id(id), m_limit(limit), m_waitMs(waitMs), m_drop(dropConnection),
      m_style(std::move(style)), m_address(std::move(address))
{
}

void CPullWait::wait(const asio::any_io_executor& executor, std::function<void(CHttpAnswer)> done)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_executor = executor;
    m_done = std::move(done);
    if (m_woken && !m_drop) {
        asio::post(m_executor, [self = shared_from_this()] { self->finish(); });
        return;
    }
    m_timer = std::make_unique<asio::steady_timer>(m_executor);
    m_timer->expires_after(std::chrono::milliseconds(m_drop ? std::min(m_waitMs, kDropAfterMs) : m_waitMs));
    m_timer->async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec)
            self->finish();
    });
}

void CPullWait::wake()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_woken || m_drop)
        return;
    m_woken = true;
    if (m_done)
        asio::post(m_executor, [self = shared_from_this()] { self->finish(); });
}

void CPullWait::cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_done = nullptr;
    if (m_timer)
        m_timer->cancel();
}

void CPullWait::finish()
{
    std::function<void(CHttpAnswer)> done;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finished || !m_done)
            return;
        m_finished = true;
        done = std::move(m_done);
        if (m_timer)
            m_timer->cancel();
    }
    CHttpAnswer answer;
    if (m_drop) {
        answer.action = CHttpAnswer::EAction::Close;
        done(std::move(answer));
        return;
    }
    auto hub = m_hub.lock();
    const long long now = realNow() + m_style.clockOffset;
    std::vector<CEventMessage> messages;
    long long termination = now;
    if (hub) {
        messages = hub->take(m_id, now, m_limit, nullptr);
        termination = hub->termination(m_id);
    }
    CXmlAnswer xml(m_style.prefixes, m_style.defaultNamespaces);
    WritePullAnswer(xml.body().add(Ns::Events, "PullMessagesResponse"), now, termination,
                    m_style.terminationBeforeCurrent, messages, m_address);
    answer.body = xml.str();
    answer.chunked = m_style.chunked;
    done(std::move(answer));
}

} // namespace OnvifSim
