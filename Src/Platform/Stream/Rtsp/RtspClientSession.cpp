#include "Stream/Rtsp/RtspClientSession.h"

#include "Stream/Rtsp/RtspSessionImpl.h"

#include "Infra/LogSink.h"
#include "Infra/Time.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/SvrMediaFrame.h"

#include <atomic>
#include <cstring>

namespace Zentar {
namespace StreamApp {

namespace {

std::atomic<long> g_nextSessionId{1};
std::atomic<CRtspClientSession::ClockFn> g_clock{nullptr};

template <typename T>
bool readValue(const void* value, size_t len, T& out)
{
    if (value == nullptr || len != sizeof(T))
        return false;
    memcpy(&out, value, sizeof(T));
    return true;
}

} // namespace

uint64_t rtspNowMs()
{
    CRtspClientSession::ClockFn clock = g_clock.load();
    return clock ? clock() : Infra::CTime::getCurrentMilliSecond();
}

void CRtspClientSession::setClock(ClockFn clock) { g_clock.store(clock); }

CRtspClientSession::Ptr CRtspClientSession::create(int kind, bool shareLoop)
{
    switch (kind) {
    case kRtspTransUdp:
    case kRtspTransTcp:
    case kRtspTransMulticast:
    case kRtspTransHttp:
    case kRtspTransDefault:
        return Ptr(new CRtspClientSession(kind));
    default:
        Infra::logFilter(Infra::kLogError, "rtsp: unknown transport kind %d", kind);
        return Ptr();
    }
}

CRtspClientSession::CRtspClientSession(int kind)
    : m_impl(std::make_shared<CRtspSessionImpl>(kind, g_nextSessionId.fetch_add(1)))
{
}

CRtspClientSession::~CRtspClientSession()
{
    close();
}

long CRtspClientSession::getID() const
{
    return m_impl->id();
}

int CRtspClientSession::init(const std::string& url, long handlerId, int mode, bool async, InitProc proc)
{
    return m_impl->start(url, handlerId, false, std::move(proc));
}

int CRtspClientSession::init(const std::string& url, long handlerId, int mode, bool async, InitProc proc,
                             int socketType, std::shared_ptr<void> sharedSocket, void* context)
{
    // A socket handed over by the caller is not supported: the session always dials.
    if (sharedSocket) {
        Infra::logFilter(Infra::kLogError, "rtsp[%ld] init: shared sockets are not supported", m_impl->id());
        return -1;
    }
    return m_impl->start(url, handlerId, socketType == kSocketTls, std::move(proc));
}

int CRtspClientSession::setConfig(int key, const void* value, size_t len)
{
    std::lock_guard<std::mutex> lock(m_impl->optionsMutex());
    CRtspOptions& opt = m_impl->options();
    bool ok = false;
    switch (key) {
    case kRtspCfgRtcpEnable:
    case kRtspCfgTransCheck:
    case kRtspCfgUdpConnect: {
        uint8_t b = 0;
        ok = readValue(value, len, b);
        if (ok)
            (key == kRtspCfgRtcpEnable ? opt.rtcp : key == kRtspCfgTransCheck ? opt.transCheck : opt.udpConnect) = b != 0;
        break;
    }
    case kRtspCfgVideoTalk: {
        int32_t v = 0;
        ok = readValue(value, len, v);
        if (ok)
            opt.talk = v == 1;
        break;
    }
    case kRtspCfgRecvBuffer: {
        uint32_t sizes[2] = {0, 0};
        ok = value != nullptr && len == sizeof(sizes);
        if (ok) {
            memcpy(sizes, value, sizeof(sizes));
            opt.recvBuffer[0] = sizes[0];
            opt.recvBuffer[1] = sizes[1];
        }
        break;
    }
    case kRtspCfgUdpPortRange: {
        uint32_t range[2] = {0, 0};
        ok = value != nullptr && len == sizeof(range);
        if (ok) {
            memcpy(range, value, sizeof(range));
            ok = range[0] <= range[1] && range[1] <= 65535 && (range[0] == 0 || range[1] - range[0] >= 1);
        }
        if (ok) {
            opt.portLow = static_cast<uint16_t>(range[0]);
            opt.portHigh = static_cast<uint16_t>(range[1]);
        }
        break;
    }
    case kRtspCfgRemoteTime:
        ok = readValue(value, len, opt.remoteTime);
        break;
    case kRtspCfgTimeouts: {
        CRtspTimeouts t;
        ok = readValue(value, len, t);
        if (ok) {
            if (t.connectMs) opt.connectMs = t.connectMs;
            if (t.answerMs) opt.answerMs = t.answerMs;
            if (t.dataMs) opt.dataMs = t.dataMs;
        }
        break;
    }
    default:
        break;
    }
    if (!ok) {
        Infra::logFilter(Infra::kLogError, "rtsp[%ld] setConfig: key %d with %zu bytes refused", m_impl->id(),
                         key, len);
        return -1;
    }
    return 0;
}

void CRtspClientSession::setAuthorization(const std::string& user, const std::string& password)
{
    std::lock_guard<std::mutex> lock(m_impl->optionsMutex());
    m_impl->options().user = user;
    m_impl->options().password = password;
}

int CRtspClientSession::attachDataProc(int id, DataProc proc)
{
    return m_impl->attachDataProc(id, std::move(proc));
}

int CRtspClientSession::detachDataProc(int id)
{
    return m_impl->detachDataProc(id);
}

std::shared_ptr<const StreamSvr::CSdpParser> CRtspClientSession::getSdpParser() const
{
    return m_impl->sdp();
}

int CRtspClientSession::setSdpParser(const StreamSvr::CSdpParser& sdp)
{
    return m_impl->replaceSdp(sdp);
}

int CRtspClientSession::setSetupInfo(int mediaIndex)
{
    auto sdp = m_impl->sdp();
    if (!sdp || mediaIndex < 0 || mediaIndex >= sdp->getMediaTotal() || m_impl->closing())
        return -1;
    auto impl = m_impl;
    impl->post([impl, mediaIndex] { impl->selectMedia(mediaIndex); });
    return 0;
}

int CRtspClientSession::play(int position)
{
    if (m_impl->closing())
        return -1;
    auto impl = m_impl;
    impl->post([impl, position] { impl->doPlay(position); });
    return 0;
}

int CRtspClientSession::pause()
{
    if (m_impl->closing())
        return -1;
    auto impl = m_impl;
    impl->post([impl] { impl->doPause(); });
    return 0;
}

int CRtspClientSession::setPlayInfo(const CRtspPlayRange& range, float scale, bool rateControlOff)
{
    if (range.type != CRtspPlayRange::kNpt && range.type != CRtspPlayRange::kClock)
        return -1;
    std::lock_guard<std::mutex> lock(m_impl->optionsMutex());
    m_impl->options().range = range;
    m_impl->options().scale = scale;
    m_impl->options().rateControlOff = rateControlOff;
    return 0;
}

int CRtspClientSession::setIFrame(bool onlyKeyFrames)
{
    std::lock_guard<std::mutex> lock(m_impl->optionsMutex());
    m_impl->options().onlyKeyFrames = onlyKeyFrames;
    return 0;
}

int CRtspClientSession::setRtspMsgHeadField(const char* method, const char* name, const char* value, char mode)
{
    if (!method || !name || !*name || strpbrk(name, ":\r\n") || (mode == 'r' && (!value || strpbrk(value, "\r\n"))))
        return -1;
    std::lock_guard<std::mutex> lock(m_impl->optionsMutex());
    auto& headers = m_impl->options().extraHeaders[method];
    if (mode == 'd')
        return headers.erase(name) > 0 ? 0 : -1;
    if (mode != 'r')
        return -1;
    headers[name] = value;
    return 0;
}

int CRtspClientSession::sendRtspUserMsg(int type, const char* text)
{
    if (!text || (type != 0 && type != 1) || m_impl->closing())
        return -1;
    auto impl = m_impl;
    std::string body(text);
    impl->post([impl, type, body] { impl->doUserMessage(type, body); });
    return 0;
}

int CRtspClientSession::put(StreamSvr::CMediaFrame& frame)
{
    if (!frame.valid() || m_impl->closing())
        return -1;
    const Stream::CMediaFrame& packet = frame.getPacket();
    RPC::CNativeFrameView view;
    RPC::ENativeFrameError err = RPC::readNativeFrame(packet.getBuffer(), packet.size(), view);
    if (err != RPC::ENativeFrameError::None || view.payloadLen == 0) {
        Infra::logFilter(Infra::kLogError, "rtsp[%ld] put: not a native frame (%s)", m_impl->id(),
                         RPC::nativeFrameErrorText(err));
        return -1;
    }
    auto payload = std::make_shared<std::vector<uint8_t>>(view.payload, view.payload + view.payloadLen);
    auto impl = m_impl;
    uint64_t pts = frame.getPts();
    impl->post([impl, payload, pts] { impl->doPut(payload, pts); });
    return 0;
}

int CRtspClientSession::close()
{
    m_impl->requestClose();
    return 0;
}

} // namespace StreamApp
} // namespace Zentar
