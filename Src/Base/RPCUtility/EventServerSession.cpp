#include "Base/RPCUtility/EventServerSession.h"

#include "Base/RPCUtility/ServiceManager.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;

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

void CEventServerSession::handleInput(const char* data, size_t length)
{
    while (length > 0 && !m_ended) {
        size_t used = 0;
        const CEventRequestFramer::Result found = m_framer.feed(data, length, used);
        if (found == CEventRequestFramer::BAD) {
            m_ended = true;
            break;
        }
        if (found == CEventRequestFramer::MORE)
            return;
        if (found == CEventRequestFramer::RESPONSE)
            ONVIF_LOG(LOG_INFO, "CEventServerSession findHttpMsg info, recv one http response, iRet=%d, iRsp=%d\n",
                      0, m_framer.message().GetStatusCode());
        else
            dispatch();
        m_framer.next();
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
    const std::string url = m_framer.url();
    const CServerRequest request{m_framer.message(), url, m_stream->peerAddress()};
    m_services.process(request, m_stream.get());
}

void CEventServerSession::handleClose()
{
    m_ended = true;
    if (m_onGone)
        m_onGone(m_id);
}

} // namespace RPC
