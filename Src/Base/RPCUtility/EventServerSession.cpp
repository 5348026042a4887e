#include "Base/RPCUtility/EventServerSession.h"

#include "Base/RPCUtility/ServiceManager.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;
using namespace Zentar::NetProtocol;

CEventServerSession::CEventServerSession(std::shared_ptr<Zentar::NetFramework::CSockStream> stream,
                                         CServiceManager& services, uint32_t idleLimitMs,
                                         std::function<void(long)> onGone)
    : m_stream(std::move(stream)), m_services(services), m_idleLimitMs(idleLimitMs), m_onGone(std::move(onGone)),
      m_id(m_stream->id())
{
    ONVIF_LOG(LOG_DEBUG, "CEventServerSession[%p] construct, sock:[%p], TLS:[%d]\n", static_cast<void*>(this),
              static_cast<void*>(m_stream.get()), m_stream->isTls() ? 1 : 0);
}

CEventServerSession::~CEventServerSession()
{
    ONVIF_LOG(LOG_DEBUG, "CEventServerSession[%p] destruct, sock:[%p], TLS:[%d]\n", static_cast<void*>(this),
              static_cast<void*>(m_stream.get()), m_stream->isTls() ? 1 : 0);
}

bool CEventServerSession::start()
{
    if (m_started) {
        ONVIF_LOG(LOG_WARN, "CEventServerSession already started\n");
        return false;
    }
    m_started = true;
    ONVIF_LOG(LOG_DEBUG, "CEventServerSession[%p] , psock:[%p] start\n", static_cast<void*>(this),
              static_cast<void*>(m_stream.get()));
    // A peer that connects and then says nothing, or trickles a byte now and then, must
    // not hold one of the few sessions for ever: each message has the idle limit to
    // arrive in whole, counted from the connection or from the previous message.
    m_stream->setDeadline(m_idleLimitMs);
    m_stream->start(shared_from_this());
    return true;
}

void CEventServerSession::stop()
{
    ONVIF_LOG(LOG_DEBUG, "CEventServerSession[%p] , psock:[%p] stop\n", static_cast<void*>(this),
              static_cast<void*>(m_stream.get()));
    m_stream->close();
}

CEventServerSession::FindResult CEventServerSession::findHttpMsg(const char* data, size_t length, size_t& used)
{
    const int status = m_parser.Append(data, length);
    used = m_parser.GetConsumed();
    switch (status) {
    case HTTP_PARSE_MORE:
        return FIND_MORE;
    case HTTP_PARSE_SUCCESS:
        return m_parser.IsRequest() ? FIND_REQUEST : FIND_RESPONSE;
    default:
        return FIND_BAD;
    }
}

void CEventServerSession::handleInput(const char* data, size_t length)
{
    while (length > 0 && !m_ended) {
        size_t used = 0;
        const FindResult found = findHttpMsg(data, length, used);
        m_fill += used;
        if (found == FIND_BAD) {
            ONVIF_LOG(LOG_WARN, "CEventServerSession findHttpMsg failed, parse httpmsg failed\n");
            m_ended = true;
            break;
        }
        if (m_fill > kBufferSize) {
            ONVIF_LOG(LOG_WARN, "CEventServerSession handle_input, error!\n");
            m_ended = true;
            break;
        }
        if (found == FIND_MORE)
            return;
        if (found == FIND_RESPONSE)
            ONVIF_LOG(LOG_INFO, "CEventServerSession findHttpMsg info, recv one http response, iRet=%d, iRsp=%d\n",
                      0, m_parser.GetStatusCode());
        else
            dispatch();
        m_parser.Reset();
        m_fill = 0;
        data += used;
        length -= used;
        if (!m_ended)
            m_stream->setDeadline(m_idleLimitMs);
    }
    if (m_ended)
        m_stream->close();
}

void CEventServerSession::dispatch()
{
    const char* uri = m_parser.GetURI();
    std::string url = uri ? uri : "";
    if (url.size() > kMaxUrlLength)
        url.resize(kMaxUrlLength);
    const CServerRequest request{m_parser, url, m_stream->peerAddress()};
    m_services.process(request, m_stream.get());
}

void CEventServerSession::handleClose()
{
    m_ended = true;
    if (m_onGone)
        m_onGone(m_id);
}

} // namespace RPC
