#pragma once
// One client connection to the RTSP server: requests in, answers and interleaved media
// out, through a bounded write queue. A tunnelled connection (RTSP over HTTP) writes to the
// HTTP GET socket and takes its requests from the POST side through feed().
#include "Rtsp/RtpStream.h"
#include "Rtsp/RtspMessage.h"

#include <asio/ip/tcp.hpp>

#include <array>
#include <deque>
#include <set>

namespace OnvifSim {

class CRtspServer;

class CRtspConnection : public std::enable_shared_from_this<CRtspConnection> {
public:
    // Media waiting beyond this is dropped, as a camera drops frames for a slow reader.
    static constexpr size_t kMaxQueuedBytes = 8 * 1024 * 1024;

    CRtspConnection(std::shared_ptr<CRtspServer> server, asio::ip::tcp::socket socket, bool tunnel);

    // Strand only.
    void start();
    void feed(const char* data, size_t size);
    void sendInterleaved(uint8_t channel, const CPacket& packet);
    void sendRaw(const CPacket& bytes, bool media);
    void close();   // after what is queued
    void abort();   // at once

    bool tunnel() const { return m_tunnel; }
    bool closed() const { return m_closed; }
    const std::string& peerAddress() const { return m_peer; }
    const std::string& localAddress() const { return m_local; }
    // The next free pair of interleaved channels.
    int nextChannel() { return m_nextChannel += 2, m_nextChannel - 2; }
    std::set<std::string>& sessions() { return m_sessions; }

private:
    void read();
    void writeNext();

    std::shared_ptr<CRtspServer> m_server;
    asio::ip::tcp::socket m_socket;
    bool m_tunnel;
    std::string m_peer;
    std::string m_local;
    CRtspFramer m_framer;
    std::array<char, 16 * 1024> m_buffer{};
    std::deque<CPacket> m_queue;
    size_t m_queued = 0;
    bool m_writing = false;
    bool m_closed = false;
    bool m_dropLogged = false;
    bool m_reported = false;
    int m_nextChannel = 0;
    std::set<std::string> m_sessions;
};

} // namespace OnvifSim
