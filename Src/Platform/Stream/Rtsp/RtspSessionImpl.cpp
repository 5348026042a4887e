// Connection, requests and answers of an RTSP client session.
#include "Stream/Rtsp/RtspSessionImpl.h"

#include "Stream/Rtsp/MsgHandler.h"
#include "Stream/Rtsp/RtspNetLoop.h"

#include "Infra/LogSink.h"

#include <asio/bind_executor.hpp>
#include <asio/post.hpp>

#include <cstring>
#include <strings.h>

namespace Zentar {
namespace StreamApp {

namespace {

// The receive buffer starts with room for the largest interleaved frame and grows only
// for a large answer (a big description), up to what the framer accepts: hundreds of
// sessions share the process.
const size_t kRxInitialSize = 4 + 65535 + 4096;
const size_t kRxMaxSize = CRtspFramer::kMaxHeaderBytes + CRtspFramer::kMaxBodyBytes + 8192;
const size_t kMaxQueuedWriteBytes = 4 * 1024 * 1024; // talk data backlog before dropping
const char* const kUserAgent = "ZentarStream RTSP client";

} // namespace

CRtspSessionImpl::CRtspSessionImpl(int kind, long id)
    : m_kind(kind), m_id(id), m_strand(asio::make_strand(rtspIoContext())),
      m_msgStrand(asio::make_strand(rtspIoContext())), m_answerTimer(m_strand),
      m_keepAliveTimer(m_strand), m_dataTimer(m_strand), m_tickTimer(m_strand)
{
}

CRtspSessionImpl::~CRtspSessionImpl() = default;

void CRtspSessionImpl::post(std::function<void()> work)
{
    asio::post(m_strand, [self = shared_from_this(), work = std::move(work)] {
        if (self->m_state != kFinished)
            work();
    });
}

CRtspOptions CRtspSessionImpl::snapshotOptions()
{
    std::lock_guard<std::mutex> lock(m_optMutex);
    return m_options;
}

int CRtspSessionImpl::start(const std::string& url, long handlerId, bool tls,
                            CRtspClientSession::InitProc proc)
{
    CRtspUrl parsed;
    if (!parsed.parse(url)) {
        Infra::logFilter(Infra::kLogError, "rtsp[%ld] init: bad address '%s'", m_id, url.c_str());
        return -1;
    }
    if (m_closed.load() || m_started.exchange(true)) {
        Infra::logFilter(Infra::kLogError, "rtsp[%ld] init: session already started or closed", m_id);
        return -1;
    }
    asio::post(m_strand, [self = shared_from_this(), parsed, handlerId, tls, proc] {
        self->m_url = parsed;
        self->m_requestUrl = parsed.requestUrl();
        self->m_handlerId = handlerId;
        self->m_tls = tls || parsed.scheme == "rtsps" || parsed.scheme == "https";
        self->m_initProc = proc;
        self->m_opt = self->snapshotOptions();
        if (self->m_opt.user.empty() && !parsed.user.empty()) {
            self->m_opt.user = parsed.user;
            self->m_opt.password = parsed.password;
        }
        self->m_auth.setCredentials(self->m_opt.user, self->m_opt.password);
        self->m_rx.resize(kRxInitialSize);
        self->m_stream = self->m_kind == kRtspTransHttp
            ? makeHttpTunnelByteStream(self->m_strand, self->m_tls, parsed.path)
            : makeTcpByteStream(self->m_strand, self->m_tls);
        self->m_state = kConnecting;
        self->m_answerTimer.expires_after(std::chrono::milliseconds(self->m_opt.connectMs));
        self->m_answerTimer.async_wait([self](const asio::error_code& ec) {
            if (!ec && self->m_state == kConnecting)
                self->fail(kRtspErrConnect, "connect time-out");
        });
        Infra::logFilter(Infra::kLogInfo, "rtsp[%ld] connecting to %s:%u (kind %d%s)", self->m_id,
                         parsed.host.c_str(), parsed.port, self->m_kind, self->m_tls ? ", tls" : "");
        self->m_stream->connect(parsed.host, parsed.port,
                                [self](const std::string& error) { self->onConnected(error); });
    });
    return 0;
}

void CRtspSessionImpl::onConnected(const std::string& error)
{
    if (m_state != kConnecting)
        return;
    m_answerTimer.cancel();
    if (m_initProc)
        m_initProc(error.empty() ? 0 : -1);
    if (!error.empty()) {
        fail(kRtspErrConnect, error);
        return;
    }
    if (m_opt.recvBuffer[1] > 0)
        m_stream->setReceiveBuffer(m_opt.recvBuffer[1]);
    m_state = kDescribing;
    readMore();

    CRequest options;
    options.kind = kReqOptions;
    options.method = "OPTIONS";
    options.url = m_requestUrl;
    queueRequest(options);

    CRequest describe;
    describe.kind = kReqDescribe;
    describe.method = "DESCRIBE";
    describe.url = m_requestUrl;
    describe.headers.emplace_back("Accept", "application/sdp");
    std::string require;
    if (m_opt.range.type == CRtspPlayRange::kClock)
        require = "onvif-replay";
    if (m_opt.talk)
        require += std::string(require.empty() ? "" : ", ") + "www.onvif.org/ver20/backchannel";
    if (!require.empty())
        describe.headers.emplace_back("Require", require);
    queueRequest(describe);
}

// ---- reading ---------------------------------------------------------------

void CRtspSessionImpl::readMore()
{
    if (m_state == kFinished)
        return;
    auto self = shared_from_this();
    m_stream->read(m_rx.data() + m_rxLen, m_rx.size() - m_rxLen,
                   [self](const std::string& error, size_t bytes) { self->onRead(error, bytes); });
}

void CRtspSessionImpl::onRead(const std::string& error, size_t bytes)
{
    if (m_state == kFinished)
        return;
    if (!error.empty() || bytes == 0) {
        bool midFrame = m_rxLen > 0;
        fail(kRtspErrEnd, "connection closed by the server (" + error + ")"
                              + (midFrame ? ", " + std::to_string(m_rxLen) + " bytes of an unfinished message" : ""));
        return;
    }
    m_rxLen += bytes;
    size_t offset = 0;
    while (m_state != kFinished) {
        size_t consumed = 0;
        CRtspFramer::Result r = m_framer.parse(m_rx.data() + offset, m_rxLen - offset, consumed);
        offset += consumed;
        if (r == CRtspFramer::Error) {
            fail(kRtspErrProtocol, "unreadable data from the server: " + m_framer.error());
            return;
        }
        if (r == CRtspFramer::Interleaved) {
            onInterleaved(m_framer.channel(), m_framer.payload(), m_framer.payloadLength());
            continue;
        }
        if (r == CRtspFramer::Answer) {
            CRtspAnswer answer = m_framer.answer();
            if (answer.isRequest)
                onServerRequest(answer);
            else
                onAnswer(answer);
            continue;
        }
        if (consumed == 0)
            break; // NeedMore without progress
    }
    if (m_state == kFinished)
        return;
    if (offset > 0) {
        memmove(m_rx.data(), m_rx.data() + offset, m_rxLen - offset);
        m_rxLen -= offset;
    }
    if (m_rxLen == m_rx.size()) {
        if (m_rx.size() >= kRxMaxSize) {
            fail(kRtspErrProtocol, "message larger than " + std::to_string(kRxMaxSize) + " bytes");
            return;
        }
        m_rx.resize(std::min(kRxMaxSize, m_rx.size() * 2));
    }
    readMore();
}

// ---- requests --------------------------------------------------------------

void CRtspSessionImpl::queueRequest(CRequest request)
{
    m_queue.push_back(std::move(request));
    sendNext();
}

void CRtspSessionImpl::sendNext()
{
    if (m_inFlight || m_queue.empty() || m_state == kFinished || m_state == kConnecting)
        return;
    CRequest& req = m_queue.front();
    m_opt = snapshotOptions();
    if (!m_opt.user.empty())
        m_auth.setCredentials(m_opt.user, m_opt.password);

    std::string text = req.method + " " + req.url + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_cseq)
        + "\r\nUser-Agent: " + kUserAgent + "\r\n";
    if (m_auth.active())
        text += "Authorization: " + m_auth.authorization(req.method, req.url, &req.body) + "\r\n";
    if (!m_sessionId.empty() && req.kind != kReqOptions && req.kind != kReqDescribe)
        text += "Session: " + m_sessionId + "\r\n";
    for (const auto& h : req.headers)
        text += h.first + ": " + h.second + "\r\n";
    for (const char* key : {"*", req.method.c_str()}) {
        auto it = m_opt.extraHeaders.find(key);
        if (it != m_opt.extraHeaders.end())
            for (const auto& h : it->second)
                text += h.first + ": " + h.second + "\r\n";
    }
    if (!req.body.empty())
        text += "Content-Type: " + req.contentType + "\r\nContent-Length: " + std::to_string(req.body.size())
            + "\r\n";
    text += "\r\n" + req.body;
    Infra::logFilter(Infra::kLogDebug, "rtsp[%ld] >> %s %s CSeq %u", m_id, req.method.c_str(),
                     req.url.c_str(), m_cseq);
    m_inFlight = true;
    armAnswerTimer();
    writeRaw(std::make_shared<const std::string>(std::move(text)));
}

void CRtspSessionImpl::writeRaw(std::shared_ptr<const std::string> data)
{
    if (m_state == kFinished || !m_stream)
        return;
    if (m_writeBytes + data->size() > kMaxQueuedWriteBytes) {
        Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] send backlog %zu bytes: dropping %zu bytes",
                         m_id, m_writeBytes, data->size());
        return;
    }
    m_writeBytes += data->size();
    m_writes.push_back(std::move(data));
    flushWrites();
}

void CRtspSessionImpl::flushWrites()
{
    if (m_writing || m_writes.empty() || !m_stream)
        return;
    m_writing = true;
    auto self = shared_from_this();
    auto data = m_writes.front();
    m_stream->write(data, [self, data](const std::string& error) {
        self->m_writing = false;
        self->m_writeBytes -= data->size();
        self->m_writes.pop_front();
        if (self->m_state == kFinished)
            return;
        if (!error.empty()) {
            self->fail(kRtspErrEnd, "send failed: " + error);
            return;
        }
        self->flushWrites();
    });
}

void CRtspSessionImpl::armAnswerTimer()
{
    auto self = shared_from_this();
    uint32_t cseq = m_cseq;
    m_answerTimer.expires_after(std::chrono::milliseconds(m_opt.answerMs));
    m_answerTimer.async_wait([self, cseq](const asio::error_code& ec) {
        if (ec || self->m_state == kFinished || !self->m_inFlight || self->m_cseq != cseq)
            return;
        const CRequest& req = self->m_queue.front();
        self->fail(kRtspErrTimeout, "no answer to " + req.method + " within "
                                        + std::to_string(self->m_opt.answerMs) + " ms");
    });
}

// ---- answers ---------------------------------------------------------------

void CRtspSessionImpl::onServerRequest(const CRtspAnswer& request)
{
    // Devices send ANNOUNCE, GET_PARAMETER or SET_PARAMETER of their own; answering keeps
    // them content. A TEARDOWN from the server ends the stream.
    std::string cseq = request.header("CSeq");
    writeRaw(std::make_shared<const std::string>("RTSP/1.0 200 OK\r\nCSeq: " + cseq + "\r\n\r\n"));
    if (strcasecmp(request.method.c_str(), "TEARDOWN") == 0)
        fail(kRtspErrEnd, "the server sent TEARDOWN");
}

void CRtspSessionImpl::onAnswer(const CRtspAnswer& answer)
{
    if (!m_inFlight) {
        Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] answer %d without a request, ignored", m_id,
                         answer.status);
        return;
    }
    std::string cseq = answer.header("CSeq");
    if (!cseq.empty() && cseq != std::to_string(m_cseq)) {
        // A late answer to a request already given up (keep-alive after a time-out).
        Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] answer CSeq %s while waiting for %u, ignored",
                         m_id, cseq.c_str(), m_cseq);
        return;
    }
    m_answerTimer.cancel();
    m_inFlight = false;
    CRequest req = m_queue.front();
    m_queue.pop_front();
    Infra::logFilter(Infra::kLogDebug, "rtsp[%ld] << %d %s (%s)", m_id, answer.status,
                     answer.reason.c_str(), req.method.c_str());

    if (answer.status == 401) {
        if (!req.authRetried && m_auth.hasCredentials() && m_auth.takeChallenge(answer.headers_("WWW-Authenticate"))) {
            req.authRetried = true;
            m_queue.push_front(req);
            sendNext();
            return;
        }
        fail(kRtspErrStatusBase + 401, req.method + " refused: 401 " + answer.reason
                                           + (m_auth.hasCredentials() ? "" : " (no credentials)"));
        return;
    }
    if (answer.status >= 200 && answer.status < 300) {
        onRequestDone(req, answer);
    } else if (req.kind == kReqKeepAlive || req.kind == kReqOptions || req.kind == kReqTeardown
               || req.kind == kReqUser) {
        // Not worth ending a stream for; a device without GET_PARAMETER gets OPTIONS.
        Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] %s answered %d %s", m_id, req.method.c_str(),
                         answer.status, answer.reason.c_str());
        if (req.kind == kReqKeepAlive && req.method == "GET_PARAMETER")
            m_getParameterOk = false;
    } else {
        std::string why = req.method + " answered " + std::to_string(answer.status) + " " + answer.reason;
        if (answer.status >= 300 && answer.status < 400)
            why += " (redirect to '" + answer.header("Location") + "' not followed)";
        fail(kRtspErrStatusBase + static_cast<uint32_t>(answer.status), why);
        return;
    }
    sendNext();
}

void CRtspSessionImpl::takeSessionHeader(const CRtspAnswer& answer)
{
    std::string value = answer.header("Session");
    if (value.empty())
        return;
    size_t semi = value.find(';');
    std::string id = value.substr(0, semi);
    id.erase(id.find_last_not_of(" \t") + 1);
    if (m_sessionId.empty())
        m_sessionId = id;
    if (semi != std::string::npos) {
        size_t t = value.find("timeout=", semi);
        if (t != std::string::npos) {
            long seconds = strtol(value.c_str() + t + 8, nullptr, 10);
            if (seconds >= 1 && seconds <= 3600)
                m_sessionTimeoutS = static_cast<uint32_t>(seconds);
        }
    }
}

void CRtspSessionImpl::onRequestDone(const CRequest& req, const CRtspAnswer& answer)
{
    switch (req.kind) {
    case kReqOptions: {
        std::string pub = answer.header("Public");
        if (!pub.empty() && strcasestr(pub.c_str(), "GET_PARAMETER") == nullptr)
            m_getParameterOk = false;
        break;
    }
    case kReqDescribe:
        onDescribed(req, answer);
        break;
    case kReqSetup:
        if (!onSetUp(req, answer))
            return;
        break;
    case kReqPlay:
        onPlaying(answer);
        break;
    case kReqPause:
        m_state = kPaused;
        m_dataTimer.cancel();
        postMessage(kRtspMsgPaused, 0);
        break;
    case kReqTeardown:
    case kReqKeepAlive:
    case kReqUser:
        break;
    }
}

void CRtspSessionImpl::onDescribed(const CRequest& req, const CRtspAnswer& answer)
{
    auto sdp = std::make_shared<StreamSvr::CSdpParser>();
    if (answer.body.empty() || sdp->attach(answer.body) != 0) {
        fail(kRtspErrProtocol, "DESCRIBE answer without a readable description ("
                                   + std::to_string(answer.body.size()) + " bytes)");
        return;
    }
    m_contentBase = answer.header("Content-Base");
    if (m_contentBase.empty())
        m_contentBase = answer.header("Content-Location");
    if (m_contentBase.empty())
        m_contentBase = req.url;
    sdp->setContentBase(m_contentBase);
    {
        std::lock_guard<std::mutex> lock(m_sdpMutex);
        m_sdp = sdp;
    }
    m_state = kDescribed;
    Infra::logFilter(Infra::kLogInfo, "rtsp[%ld] described: %d media, base %s", m_id, sdp->getMediaTotal(),
                     m_contentBase.c_str());
    postMessage(kRtspMsgReady, 0);
    if (m_playPending)
        doPlay(m_playPosition);
}

void CRtspSessionImpl::onPlaying(const CRtspAnswer& answer)
{
    takeSessionHeader(answer);
    m_state = kPlaying;
    m_lastDataMs = rtspNowMs();
    armKeepAlive();
    armDataWatchdog();
    armMediaTick();
    postMessage(kRtspMsgPlaying, 0);
}

// ---- play, pause, user messages ---------------------------------------------

void CRtspSessionImpl::addPlayHeaders(CRequest& req, int position)
{
    m_opt = snapshotOptions();
    const CRtspPlayRange& r = m_opt.range;
    char text[160];
    if (position >= 0) {
        snprintf(text, sizeof(text), "npt=%d.000-", position);
        req.headers.emplace_back("Range", text);
    } else if (r.type == CRtspPlayRange::kClock) {
        // clock=19961108T143720.25Z- (RFC 2326 3.7; ONVIF replay uses UTC absolute times)
        auto clock = [](const int32_t* t, char* out, size_t size) {
            if (t[0] <= 0) {
                out[0] = 0;
                return;
            }
            if (t[6] > 0)
                snprintf(out, size, "%04d%02d%02dT%02d%02d%02d.%03dZ", t[0], t[1], t[2], t[3], t[4], t[5], t[6]);
            else
                snprintf(out, size, "%04d%02d%02dT%02d%02d%02dZ", t[0], t[1], t[2], t[3], t[4], t[5]);
        };
        char start[64], end[64];
        clock(r.clock.start, start, sizeof(start));
        clock(r.clock.end, end, sizeof(end));
        if (start[0]) {
            snprintf(text, sizeof(text), "clock=%s-%s", start, end);
            req.headers.emplace_back("Range", text);
        }
    } else if (r.npt.start >= 0) {
        if (r.npt.end > r.npt.start)
            snprintf(text, sizeof(text), "npt=%.3f-%.3f", r.npt.start, r.npt.end);
        else
            snprintf(text, sizeof(text), "npt=%.3f-", r.npt.start);
        req.headers.emplace_back("Range", text);
    }
    if (m_opt.scale != 1.0f && m_opt.scale != 0.0f) {
        snprintf(text, sizeof(text), "%.2f", m_opt.scale);
        req.headers.emplace_back("Scale", text);
    }
    if (r.type == CRtspPlayRange::kClock) {
        req.headers.emplace_back("Require", "onvif-replay");
        req.headers.emplace_back("Rate-Control", m_opt.rateControlOff ? "no" : "yes");
        if (m_opt.onlyKeyFrames)
            req.headers.emplace_back("Frames", "intra");
    }
}

void CRtspSessionImpl::doPlay(int position)
{
    if (m_state == kConnecting || m_state == kDescribing || m_state == kIdle) {
        m_playPending = true; // plays as soon as the description is in
        m_playPosition = position;
        return;
    }
    m_playPending = false;
    if (m_state == kDescribed) {
        buildTracks();
        if (m_state == kFinished)
            return;
        m_state = kSettingUp;
        for (size_t i = 0; i < m_tracks.size(); ++i) {
            CRequest setup;
            setup.kind = kReqSetup;
            setup.method = "SETUP";
            setup.url = m_tracks[i].url;
            setup.track = static_cast<int>(i);
            std::string error;
            std::string transport = transportFor(m_tracks[i], static_cast<int>(i), error);
            if (transport.empty()) {
                fail(kRtspErrTransport, "media " + std::to_string(m_tracks[i].media) + ": " + error);
                return;
            }
            setup.headers.emplace_back("Transport", transport);
            if (m_opt.range.type == CRtspPlayRange::kClock)
                setup.headers.emplace_back("Require", "onvif-replay");
            if (m_tracks[i].backChannel)
                setup.headers.emplace_back("Require", "www.onvif.org/ver20/backchannel");
            queueRequest(setup);
        }
    }
    if (m_state != kSettingUp && m_state != kPlaying && m_state != kPaused)
        return;
    CRequest play;
    play.kind = kReqPlay;
    play.method = "PLAY";
    play.url = m_aggregateUrl.empty() ? m_contentBase : m_aggregateUrl;
    addPlayHeaders(play, position);
    for (auto& track : m_tracks) {
        track.reorder.reset();
        if (track.depacketizer)
            track.depacketizer->reset();
    }
    queueRequest(play);
}

void CRtspSessionImpl::doPause()
{
    if (m_state != kPlaying)
        return;
    CRequest pause;
    pause.kind = kReqPause;
    pause.method = "PAUSE";
    pause.url = m_aggregateUrl.empty() ? m_contentBase : m_aggregateUrl;
    queueRequest(pause);
}

void CRtspSessionImpl::doUserMessage(int type, const std::string& text)
{
    if (m_state == kIdle || m_state == kConnecting)
        return;
    CRequest req;
    req.kind = kReqUser;
    req.method = type == 1 ? "GET_PARAMETER" : "SET_PARAMETER";
    req.url = m_aggregateUrl.empty() ? (m_contentBase.empty() ? m_requestUrl : m_contentBase) : m_aggregateUrl;
    req.contentType = "text/parameters";
    req.body = text;
    queueRequest(req);
}

// ---- timers ------------------------------------------------------------------

void CRtspSessionImpl::armKeepAlive()
{
    // Half the server's time-out leaves room for one lost or slow keep-alive.
    uint32_t periodMs = std::max<uint32_t>(500, m_sessionTimeoutS * 1000 / 2);
    auto self = shared_from_this();
    m_keepAliveTimer.expires_after(std::chrono::milliseconds(periodMs));
    m_keepAliveTimer.async_wait([self](const asio::error_code& ec) {
        if (ec || (self->m_state != kPlaying && self->m_state != kPaused))
            return;
        if (!self->m_inFlight && self->m_queue.empty()) {
            CRequest ka;
            ka.kind = kReqKeepAlive;
            ka.method = self->m_getParameterOk ? "GET_PARAMETER" : "OPTIONS";
            ka.url = self->m_aggregateUrl.empty() ? self->m_contentBase : self->m_aggregateUrl;
            self->queueRequest(ka);
        }
        self->armKeepAlive();
    });
}

void CRtspSessionImpl::armDataWatchdog()
{
    uint32_t checkMs = std::min<uint32_t>(1000, std::max<uint32_t>(100, m_opt.dataMs / 4));
    auto self = shared_from_this();
    m_dataTimer.expires_after(std::chrono::milliseconds(checkMs));
    m_dataTimer.async_wait([self](const asio::error_code& ec) {
        if (ec || self->m_state != kPlaying)
            return;
        uint64_t idle = rtspNowMs() - self->m_lastDataMs;
        if (idle > self->m_opt.dataMs) {
            self->fail(kRtspErrNoData, "no media for " + std::to_string(idle) + " ms");
            return;
        }
        self->armDataWatchdog();
    });
}

void CRtspSessionImpl::armMediaTick()
{
    // Releases packets held behind a UDP gap, and sends the RTCP receiver reports.
    // Packets held behind a UDP gap are due within tens of milliseconds; without UDP the
    // tick only paces the receiver reports.
    bool udp = false;
    for (const auto& track : m_tracks)
        udp = udp || track.udp != nullptr;
    auto self = shared_from_this();
    m_tickTimer.expires_after(std::chrono::milliseconds(udp ? 50 : 1000));
    m_tickTimer.async_wait([self](const asio::error_code& ec) {
        if (ec || (self->m_state != kPlaying && self->m_state != kPaused))
            return;
        uint64_t now = rtspNowMs();
        for (auto& track : self->m_tracks)
            self->drainReorder(track, now);
        // The first report goes out as soon as there is something to report on.
        if (self->m_opt.rtcp && now - self->m_lastRtcpMs >= 5000 && self->sendReceiverReports())
            self->m_lastRtcpMs = now;
        self->armMediaTick();
    });
}

// ---- ending ------------------------------------------------------------------

void CRtspSessionImpl::postMessage(int type, long attach)
{
    if (m_msgErrorPosted || m_closed.load())
        return;
    if (type == kRtspMsgError)
        m_msgErrorPosted = true;
    long handler = m_handlerId;
    long sender = m_id;
    asio::post(m_msgStrand, [handler, sender, type, attach] {
        CMsgHandler::deliver(handler, sender, type, attach);
    });
}

void CRtspSessionImpl::fail(uint32_t code, const std::string& why)
{
    if (m_state == kFinished)
        return;
    Infra::logFilter(Infra::kLogError, "rtsp[%ld] %s: %s (error 0x%x)", m_id, m_requestUrl.c_str(),
                     why.c_str(), code);
    postMessage(kRtspMsgError, static_cast<long>(code));
    shutdown(false);
}

void CRtspSessionImpl::shutdown(bool teardown)
{
    if (m_state == kFinished)
        return;
    bool canTeardown = teardown && m_stream && !m_sessionId.empty()
        && (m_state == kSettingUp || m_state == kPlaying || m_state == kPaused);
    m_state = kFinished;
    m_answerTimer.cancel();
    m_keepAliveTimer.cancel();
    m_dataTimer.cancel();
    m_tickTimer.cancel();
    for (auto& track : m_tracks)
        if (track.udp)
            track.udp->close();
    if (!canTeardown) {
        if (m_stream)
            m_stream->close();
        return;
    }
    // TEARDOWN is sent without waiting for its answer: a closing recorder must not hang on
    // a dead device. The connection closes once it is written, or after a short grace.
    std::string text = "TEARDOWN " + (m_aggregateUrl.empty() ? m_contentBase : m_aggregateUrl)
        + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_cseq) + "\r\nUser-Agent: " + kUserAgent
        + "\r\nSession: " + m_sessionId + "\r\n";
    if (m_auth.active())
        text += "Authorization: "
            + m_auth.authorization("TEARDOWN", m_aggregateUrl.empty() ? m_contentBase : m_aggregateUrl) + "\r\n";
    text += "\r\n";
    auto self = shared_from_this();
    auto data = std::make_shared<const std::string>(std::move(text));
    m_answerTimer.expires_after(std::chrono::milliseconds(1000));
    m_answerTimer.async_wait([self](const asio::error_code&) { self->m_stream->close(); });
    auto finish = [self, data](const std::string&) {
        self->m_answerTimer.cancel();
        self->m_stream->close();
    };
    if (m_writing) {
        // A write is still on the wire (a large talk backlog): no room for a clean
        // TEARDOWN behind it; the device drops the session with the connection.
        m_stream->close();
        return;
    }
    m_stream->write(data, finish);
}

void CRtspSessionImpl::requestClose()
{
    if (m_closed.exchange(true))
        return;
    asio::post(m_strand, [self = shared_from_this()] {
        self->shutdown(true);
        self->m_initProc = nullptr;
    });
}

} // namespace StreamApp
} // namespace Zentar
