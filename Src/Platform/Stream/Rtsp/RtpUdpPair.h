#pragma once
// Private to the RTSP client: the two UDP sockets (RTP on an even port, RTCP on the next)
// that receive one track sent over UDP, unicast or multicast.
#include "Stream/Rtsp/RtspByteStream.h"

#include <asio/ip/udp.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace Zentar {
namespace StreamApp {

class CRtpUdpPair {
public:
    // rtcp: false for the RTP socket, true for the RTCP one.
    using ReceiveProc = std::function<void(bool rtcp, const uint8_t* data, size_t size)>;

    explicit CRtpUdpPair(RtspStrand& strand);

    // Binds an even/odd pair. low/high 0: any free pair. Tries a bounded number of pairs
    // from a random start inside the range; false when none could be bound.
    bool openUnicast(bool v6, uint16_t low, uint16_t high, std::string& error);
    // Binds the group's ports and joins the group (on the interface of localAddress).
    bool openMulticast(const std::string& group, uint16_t rtpPort, uint16_t rtcpPort,
                       const std::string& localAddress, std::string& error);
    uint16_t rtpPort() const { return m_rtpPort; }

    // Where RTCP reports (and talk packets) go; with connect, the sockets also accept
    // nothing but the server's packets.
    void setPeer(const std::string& host, uint16_t rtpPort, uint16_t rtcpPort, bool connect);
    void setReceiveBuffers(uint32_t rtpBytes, uint32_t rtcpBytes);

    // Receives until close; proc runs on the strand. owner is kept alive by every pending
    // receive, so a completion never outlives the object it calls into.
    void start(ReceiveProc proc, std::shared_ptr<void> owner);
    void sendRtp(std::shared_ptr<const std::vector<uint8_t>> packet);
    void sendRtcp(std::shared_ptr<const std::vector<uint8_t>> packet);
    void close();

private:
    void receive(bool rtcp);
    void send(bool rtcp, std::shared_ptr<const std::vector<uint8_t>> packet);

    RtspStrand& m_strand;
    asio::ip::udp::socket m_sockets[2];
    asio::ip::udp::endpoint m_from[2];
    asio::ip::udp::endpoint m_peer[2];
    bool m_havePeer = false;
    uint16_t m_rtpPort = 0;
    ReceiveProc m_proc;
    std::shared_ptr<void> m_owner;
    std::vector<uint8_t> m_buffers[2];
};

} // namespace StreamApp
} // namespace Zentar
