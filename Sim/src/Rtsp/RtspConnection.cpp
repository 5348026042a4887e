#include "Rtsp/RtspConnection.h"

#include "Common/Log.h"
#include "Rtsp/RtspServer.h"

#include <asio/write.hpp>

namespace OnvifSim {

CRtspConnection::CRtspConnection(std::shared_ptr<CRtspServer> server, asio::ip::tcp::socket socket, bool tunnel)
    : m_server(std::move(server)), m_socket(std::move(socket)), m_tunnel(tunnel)
{
    asio::error_code ec;
    m_peer = m_socket.remote_endpoint(ec).address().to_string();
    m_local = m_socket.local_endpoint(ec).address().to_string();
}

void CRtspConnection::start()
{
    read();
}

// A tunnel's GET side carries nothing from the client; reading it only notices the close.
void CRtspConnection::read()
{
    m_socket.async_read_some(asio::buffer(m_buffer), [self = shared_from_this()](const asio::error_code& ec, size_t n) {
        if (ec || self->m_closed)
            return self->close();
        if (!self->m_tunnel)
            self->feed(self->m_buffer.data(), n);
        self->read();
    });
}

void CRtspConnection::feed(const char* data, size_t size)
{
    m_framer.feed(data, size);
    for (int items = 0; !m_closed && items < 1000; ++items) {
        switch (m_framer.next()) {
        case CRtspFramer::EItem::NeedMore:
            return;
        case CRtspFramer::EItem::Error: {
            LogLine("rtsp: closing a connection from " + m_peer + ": " + m_framer.error());
            CRtspResponse bad;
            bad.status = 400;
            sendRaw(std::make_shared<const std::string>(SerializeRtspResponse(bad, "")), false);
            m_closed = true;   // after the answer is written
            return;
        }
        case CRtspFramer::EItem::Interleaved:
            m_server->onInterleaved(*this, m_framer.channel(), m_framer.frame());
            break;
        case CRtspFramer::EItem::Request: {
            const CHttpRequest& request = m_framer.request();
            CRtspResponse response = m_server->handle(*this, request);
            sendRaw(std::make_shared<const std::string>(SerializeRtspResponse(response, request.header("CSeq"))),
                    false);
            break;
        }
        }
    }
}

void CRtspConnection::sendInterleaved(uint8_t channel, const CPacket& packet)
{
    std::string framed;
    framed.reserve(4 + packet->size());
    framed += '$';
    framed += static_cast<char>(channel);
    framed += static_cast<char>((packet->size() >> 8) & 0xFF);
    framed += static_cast<char>(packet->size() & 0xFF);
    framed += *packet;
    sendRaw(std::make_shared<const std::string>(std::move(framed)), true);
}

void CRtspConnection::sendRaw(const CPacket& bytes, bool media)
{
    if (!m_socket.is_open() || (m_closed && media))
        return;
    if (media && m_queued > kMaxQueuedBytes) {
        if (!m_dropLogged)
            LogLine("rtsp: " + m_peer + " reads too slowly; dropping media");
        m_dropLogged = true;
        return;
    }
    m_queue.push_back(bytes);
    m_queued += bytes->size();
    if (!m_writing)
        writeNext();
}

void CRtspConnection::writeNext()
{
    if (m_queue.empty()) {
        m_writing = false;
        if (m_closed)
            close();
        return;
    }
    m_writing = true;
    CPacket next = m_queue.front();
    asio::async_write(m_socket, asio::buffer(*next), [self = shared_from_this(), next](const asio::error_code& ec, size_t) {
        self->m_queue.pop_front();
        self->m_queued -= next->size();
        if (ec) {
            self->m_queue.clear();
            self->m_queued = 0;
            self->m_writing = false;
            return self->close();
        }
        self->writeNext();
    });
}

void CRtspConnection::close()
{
    m_closed = true;
    if (m_writing && m_socket.is_open())
        return;   // the write in flight closes it when done
    abort();
}

void CRtspConnection::abort()
{
    m_closed = true;
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
    if (!m_reported) {
        m_reported = true;
        m_server->onClosed(*this);
    }
}

} // namespace OnvifSim
