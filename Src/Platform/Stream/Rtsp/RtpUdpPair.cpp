#include "Stream/Rtsp/RtpUdpPair.h"

#include <asio/bind_executor.hpp>
#include <asio/ip/multicast.hpp>

#include <openssl/rand.h>

namespace Zentar {
namespace StreamApp {

namespace {

const size_t kDatagramMax = 65536;
const int kMaxBindAttempts = 64;

uint32_t randomValue()
{
    uint32_t v = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&v), sizeof(v)) != 1)
        v = static_cast<uint32_t>(rand());
    return v;
}

} // namespace

CRtpUdpPair::CRtpUdpPair(RtspStrand& strand)
    : m_strand(strand), m_sockets{asio::ip::udp::socket(strand), asio::ip::udp::socket(strand)}
{
}

bool CRtpUdpPair::openUnicast(bool v6, uint16_t low, uint16_t high, std::string& error)
{
    const asio::ip::udp protocol = v6 ? asio::ip::udp::v6() : asio::ip::udp::v4();
    bool ranged = low > 0 && high > low;
    uint32_t pairs = ranged ? (uint32_t(high) - low + 1) / 2 : 0;
    uint32_t first = ranged ? randomValue() % pairs : 0;
    int attempts = ranged ? static_cast<int>(std::min<uint32_t>(pairs, kMaxBindAttempts)) : kMaxBindAttempts;
    for (int i = 0; i < attempts; ++i) {
        asio::error_code ec;
        uint16_t rtp = 0;
        close();
        m_sockets[0].open(protocol, ec);
        if (!ec) {
            if (ranged) {
                rtp = static_cast<uint16_t>(((low + 1) & ~1u) + 2 * ((first + i) % pairs));
                if (rtp + 1 > high)
                    continue;
            }
            m_sockets[0].bind(asio::ip::udp::endpoint(protocol, rtp), ec);
        }
        if (!ec) {
            rtp = m_sockets[0].local_endpoint(ec).port();
            if (!ec && (rtp & 1))
                continue; // RTP takes the even port (RFC 3550 11)
        }
        if (!ec)
            m_sockets[1].open(protocol, ec);
        if (!ec)
            m_sockets[1].bind(asio::ip::udp::endpoint(protocol, static_cast<uint16_t>(rtp + 1)), ec);
        if (!ec) {
            m_rtpPort = rtp;
            return true;
        }
        error = ec.message();
    }
    close();
    error = "no free UDP port pair" + std::string(ranged ? " in " + std::to_string(low) + "-"
                                                            + std::to_string(high) : "")
        + (error.empty() ? "" : " (" + error + ")");
    return false;
}

bool CRtpUdpPair::openMulticast(const std::string& group, uint16_t rtpPort, uint16_t rtcpPort,
                                const std::string& localAddress, std::string& error)
{
    asio::error_code ec;
    asio::ip::address groupAddr = asio::ip::make_address(group, ec);
    if (ec || !groupAddr.is_multicast()) {
        error = "not a multicast group: '" + group + "'";
        return false;
    }
    const uint16_t ports[2] = {rtpPort, rtcpPort};
    for (int i = 0; i < 2; ++i) {
        asio::ip::udp::endpoint ep(groupAddr.is_v6() ? asio::ip::udp::v6() : asio::ip::udp::v4(), ports[i]);
        m_sockets[i].open(ep.protocol(), ec);
        if (!ec)
            m_sockets[i].set_option(asio::ip::udp::socket::reuse_address(true), ec);
        if (!ec)
            m_sockets[i].bind(ep, ec);
        if (!ec) {
            asio::error_code ignored;
            asio::ip::address local = asio::ip::make_address(localAddress, ignored);
            if (groupAddr.is_v4() && !ignored && local.is_v4())
                m_sockets[i].set_option(asio::ip::multicast::join_group(groupAddr.to_v4(), local.to_v4()), ec);
            else
                m_sockets[i].set_option(asio::ip::multicast::join_group(groupAddr), ec);
        }
        if (ec) {
            error = "multicast " + group + ":" + std::to_string(ports[i]) + ": " + ec.message();
            close();
            return false;
        }
    }
    m_rtpPort = rtpPort;
    return true;
}

void CRtpUdpPair::setPeer(const std::string& host, uint16_t rtpPort, uint16_t rtcpPort, bool connect)
{
    asio::error_code ec;
    asio::ip::address addr = asio::ip::make_address(host, ec);
    if (ec)
        return;
    m_peer[0] = asio::ip::udp::endpoint(addr, rtpPort);
    m_peer[1] = asio::ip::udp::endpoint(addr, rtcpPort);
    m_havePeer = rtpPort > 0;
    if (connect && m_havePeer)
        for (int i = 0; i < 2; ++i)
            m_sockets[i].connect(m_peer[i], ec);
}

void CRtpUdpPair::setReceiveBuffers(uint32_t rtpBytes, uint32_t rtcpBytes)
{
    asio::error_code ignored;
    const uint32_t sizes[2] = {rtpBytes, rtcpBytes};
    for (int i = 0; i < 2; ++i)
        if (sizes[i] > 0 && m_sockets[i].is_open())
            m_sockets[i].set_option(asio::socket_base::receive_buffer_size(static_cast<int>(sizes[i])), ignored);
}

void CRtpUdpPair::start(ReceiveProc proc, std::shared_ptr<void> owner)
{
    m_proc = std::move(proc);
    m_owner = std::move(owner);
    for (int i = 0; i < 2; ++i) {
        m_buffers[i].resize(kDatagramMax);
        receive(i == 1);
    }
}

void CRtpUdpPair::receive(bool rtcp)
{
    int i = rtcp ? 1 : 0;
    if (!m_sockets[i].is_open())
        return;
    m_sockets[i].async_receive_from(asio::buffer(m_buffers[i]), m_from[i],
        asio::bind_executor(m_strand, [this, rtcp, i, keep = m_owner](const asio::error_code& ec, size_t n) {
            if (ec == asio::error::operation_aborted || !m_sockets[i].is_open())
                return;
            // ICMP port-unreachable surfaces as connection_refused on a connected socket:
            // not fatal, the server may just not be sending yet.
            if (!ec && m_proc && (!m_havePeer || m_from[i].address() == m_peer[i].address())) {
                // The receiver may close this pair (and drop m_proc) from inside the call.
                ReceiveProc proc = m_proc;
                proc(rtcp, m_buffers[i].data(), n);
            }
            receive(rtcp);
        }));
}

void CRtpUdpPair::send(bool rtcp, std::shared_ptr<const std::vector<uint8_t>> packet)
{
    int i = rtcp ? 1 : 0;
    if (!m_havePeer || !m_sockets[i].is_open())
        return;
    m_sockets[i].async_send_to(asio::buffer(*packet), m_peer[i],
        asio::bind_executor(m_strand, [packet](const asio::error_code&, size_t) {}));
}

void CRtpUdpPair::sendRtp(std::shared_ptr<const std::vector<uint8_t>> packet) { send(false, packet); }
void CRtpUdpPair::sendRtcp(std::shared_ptr<const std::vector<uint8_t>> packet) { send(true, packet); }

void CRtpUdpPair::close()
{
    asio::error_code ignored;
    for (auto& s : m_sockets)
        if (s.is_open())
            s.close(ignored);
    m_owner.reset();
    m_proc = nullptr;
}

} // namespace StreamApp
} // namespace Zentar
