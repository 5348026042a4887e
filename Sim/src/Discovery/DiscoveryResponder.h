#pragma once
// The WS-Discovery side of one simulated device: reads Probe messages from its unicast
// socket (and from the multicast group when asked) and answers each with a ProbeMatches
// naming the device's scopes and service address.
#include "OnvifSim/DiscoveryOptions.h"
#include "OnvifSim/SimDevice.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/steady_timer.hpp>

#include <array>
#include <atomic>
#include <memory>
#include <string>

namespace OnvifSim {

class CDiscoveryResponder : public std::enable_shared_from_this<CDiscoveryResponder> {
public:
    CDiscoveryResponder(asio::io_context& io, std::shared_ptr<CSimDevice> device, CDiscoveryOptions options);
    bool open(std::string& error);
    void start();
    void stop();

    int probesAnswered() const { return m_answered.load(); }
    // The ProbeMatches text for a Probe with this message ID (empty: none).
    std::string probeMatches(const std::string& relatesTo) const;

private:
    void read(asio::ip::udp::socket& socket, std::array<char, 8192>& buffer, asio::ip::udp::endpoint& from);
    void answer(const std::string& probe, const asio::ip::udp::endpoint& to);
    void send(const std::string& text, const asio::ip::udp::endpoint& to);

    asio::io_context& m_io;
    std::shared_ptr<CSimDevice> m_device;
    CDiscoveryOptions m_options;
    asio::ip::udp::socket m_unicast;
    asio::ip::udp::socket m_multicast;
    std::array<char, 8192> m_unicastBuffer{};
    std::array<char, 8192> m_multicastBuffer{};
    asio::ip::udp::endpoint m_from;
    asio::ip::udp::endpoint m_multicastFrom;
    std::string m_endpointUuid;
    std::atomic<int> m_answered{0};
};

} // namespace OnvifSim
