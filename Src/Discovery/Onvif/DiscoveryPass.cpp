// One discovery pass: sockets, the two Probes on each, and the receive loop that reads
// replies until the network has been quiet for the receive time-out.
#include <algorithm>
#include <vector>

#include "Discovery/Onvif/ProbeMessage.h"
#include "Discovery/Onvif/RPCOnvifDeviceDiscovery.h"
#include "Infra/Time.h"
#include "NetFramework/UdpSocket.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using Zentar::NetFramework::CUdpSocket;

struct CRPCOnvifDeviceDiscovery::Socket {
    CUdpSocket udp;
    std::string localAddress;   // the interface it probes on ("0.0.0.0": all)
};

namespace {
uint64_t nowMs() { return Zentar::Infra::CTime::getCurrentMilliSecond(); }
} // namespace

void CRPCOnvifDeviceDiscovery::probeDevice()
{
    uint64_t deadline = 0;
    for (;;) {
        {
            Zentar::Infra::CGuard guard(m_passMutex);
            if (!m_pending.exchange(false) || m_stopping) {
                m_passActive = false;
                return;
            }
            deadline = m_passDeadlineMs;
        }
        runPass(deadline);
    }
}

bool CRPCOnvifDeviceDiscovery::runPass(uint64_t deadlineMs)
{
    std::vector<std::unique_ptr<Socket>> sockets;
    if (!createSockets(sockets)) {
        ONVIF_LOG(LOG_ERROR, "creat muticast fd failed\n");
        return false;
    }
    {
        Zentar::Infra::CGuard guard(m_listMutex);
        m_deviceList = Json::Value(Json::objectValue);
    }
    if (sendProbes(sockets))
        receiveLoop(sockets, deadlineMs);
    return true;
}

bool CRPCOnvifDeviceDiscovery::createSockets(std::vector<std::unique_ptr<Socket>>& sockets)
{
    std::vector<std::string> addresses;
    bool unicast = false;
    {
        Zentar::Infra::CGuard guard(m_listMutex);
        ONVIF_LOG(LOG_INFO, "ethCfg:%s\n", m_ethConfig.toStyledString().c_str());
        for (const Json::Value& eth : m_ethConfig.get("eth", Json::Value(Json::arrayValue)))
            if (eth.isString())
                addresses.push_back(eth.asString());
        unicast = !m_targets.empty();
    }
    if (addresses.empty()) {
        ONVIF_LOG(LOG_INFO, "eth [INADDR_ANY], IP:%s\n", "0.0.0.0");
        addresses.push_back("");
    }
    for (const std::string& address : addresses) {
        auto socket = std::make_unique<Socket>();
        socket->localAddress = address.empty() ? "0.0.0.0" : address;
        CUdpSocket& udp = socket->udp;
        if (!udp.open()) {
            ONVIF_LOG(LOG_ERROR, "creat socket failed.\n");
            return false;
        }
        const int fd = udp.nativeHandle();
        if (!udp.setBroadcast(true) || !udp.setMulticastTtl(64) || !udp.setReuseAddress(true)) {
            ONVIF_LOG(LOG_ERROR, "socket[%d] setsockopt failed!\n", fd);
            return false;   // the sockets made so far close with the vector
        }
        if (!udp.setReceiveBuffer(524284))
            ONVIF_LOG(LOG_WARN, "socket[%d] setsockopt SO_RCVBUF failed!\n", fd);
        if (!udp.setNonBlocking(true))
            ONVIF_LOG(LOG_WARN, "socket[%d] set socket nonblock failed!\n", fd);
        // Unicast probes need no group and must not hold the well-known port, which a
        // responder on this host may own.
        if (!udp.bind(address, unicast ? 0 : kDiscoveryPort))
            ONVIF_LOG(LOG_WARN, "socket[%d] bind eth[%s] failed! %s\n", fd, socket->localAddress.c_str(),
                      udp.lastError().c_str());
        if (!unicast) {
            if (!udp.joinGroup(kMulticastGroup, address))
                ONVIF_LOG(LOG_WARN, "socket[%d] setsockopt IP_ADD_MEMBERSHIP failed!\n", fd);
            if (!udp.setMulticastLoop(false))
                ONVIF_LOG(LOG_WARN, "socket[%d] setsockopt IP_MULTICAST_LOOP failed!\n", fd);
        }
        ONVIF_LOG(LOG_INFO, "socket[%d] create ok!\n", fd);
        sockets.push_back(std::move(socket));
    }
    return true;
}

bool CRPCOnvifDeviceDiscovery::sendProbes(std::vector<std::unique_ptr<Socket>>& sockets)
{
    std::vector<std::string> targets;
    uint16_t port = kDiscoveryPort;
    std::function<std::string()> makeUuid;
    {
        Zentar::Infra::CGuard guard(m_listMutex);
        targets = m_targets;
        port = m_targetPort;
        makeUuid = m_makeUuid;
    }
    if (targets.empty())
        targets.push_back(kMulticastGroup);
    for (auto& socket : sockets) {
        ONVIF_LOG(LOG_INFO, "send onvif probe : [%d]-->[%s]\n", socket->udp.nativeHandle(),
                  socket->localAddress.c_str());
        for (const std::string& target : targets) {
            for (ProbeType type : {ProbeType::Device, ProbeType::NetworkVideoTransmitter}) {
                const std::string message = buildProbeMessage(type, makeUuid ? makeUuid() : makeUuidText());
                long sent = socket->udp.sendTo(message.data(), message.size(), target, port);
                if (sent < 1 || static_cast<size_t>(sent) != message.size()) {
                    ONVIF_LOG(LOG_ERROR, "sendto is failed![%ld] %s\n", sent, socket->udp.lastError().c_str());
                    ONVIF_LOG(LOG_ERROR, "sendProbeMsg failed fd = %d\n", socket->udp.nativeHandle());
                    return false;
                }
            }
        }
    }
    return true;
}

void CRPCOnvifDeviceDiscovery::receiveLoop(std::vector<std::unique_ptr<Socket>>& sockets, uint64_t deadlineMs)
{
    std::vector<CUdpSocket*> polled;
    for (auto& socket : sockets)
        polled.push_back(&socket->udp);
    // One byte more than the largest accepted reply, so that a longer one shows as cut.
    std::vector<char> buffer(kMaxProbeReplyBytes + 1);
    std::vector<size_t> ready;
    for (;;) {
        // The quiet period restarts with every wait; the pass's own deadline bounds a
        // network that never falls quiet (a flood must not hold the pass forever).
        uint64_t now = nowMs();
        if (now >= deadlineMs) {
            ONVIF_LOG(LOG_INFO, "probe pass reached its time-out\n");
            return;
        }
        const int wait = static_cast<int>(std::min<uint64_t>(m_receiveTimeoutMs.load(), deadlineMs - now));
        int n = CUdpSocket::waitReadable(polled, wait, ready);
        if (n < 0) {
            ONVIF_LOG(LOG_ERROR, "select error\n");
            return;
        }
        if (n == 0) {
            ONVIF_LOG(LOG_INFO, "select timeout\n");
            return;
        }
        if (m_pending.load() || m_stopping.load())
            return;
        for (size_t index : ready) {
            Socket& socket = *sockets[index];
            std::string sender;
            uint16_t senderPort = 0;
            bool truncated = false;
            long got = socket.udp.receiveFrom(buffer.data(), buffer.size(), sender, senderPort, &truncated);
            if (got < 0) {
                ONVIF_LOG(LOG_ERROR, "recv failed errno:%s\n", socket.udp.lastError().c_str());
                return;
            }
            if (got == 0)
                continue;
            if (truncated || static_cast<size_t>(got) > kMaxProbeReplyBytes) {
                ++m_dropped;
                ONVIF_LOG(LOG_WARN, "drop datagram from %s:%u: larger than %zu bytes\n", sender.c_str(),
                          senderPort, kMaxProbeReplyBytes);
                continue;
            }
            handleMessage(buffer.data(), static_cast<size_t>(got), sender, senderPort, socket.localAddress);
        }
    }
}

void CRPCOnvifDeviceDiscovery::handleMessage(const char* data, size_t size, const std::string& sender,
                                             uint16_t senderPort, const std::string& localAddress)
{
    ONVIF_LOG(LOG_DEBUG, "rcv [%zu] from adddress = %s:%d\n", size, sender.c_str(), senderPort);
    Json::Value record;
    std::string why;
    switch (parseProbeReply(data, size, sender, record, why)) {
    case ProbeReply::Malformed:
        ++m_dropped;
        ONVIF_LOG(LOG_WARN, "CSOAPMessage parse failed:%d (%s from %s)\n", -1, why.c_str(), sender.c_str());
        return;
    case ProbeReply::Ignored:
        ONVIF_LOG(LOG_DEBUG, "action = %s\n", why.c_str());
        return;
    case ProbeReply::Match:
        parseAndReport(record, localAddress);
        return;
    }
}

} // namespace Onvif
} // namespace RPC
