#pragma once
// WS-Discovery for the host: probes for ONVIF devices on every configured interface (or on
// all at once), reports each device that answers once per pass, and re-addresses a found
// device through the ONVIF network operations.
//
// A pass runs on the timer "RPCOnvifDeviceDiscoveryTimer": two Probes (Device and
// NetworkVideoTransmitter) per socket, then replies are read until none has come for the
// receive time-out (2000 ms) or the pass's own time-out has passed, whichever is first.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Component/Unknown.h"
#include "IDeviceDiscovery.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"
#include "Infra/Timer.h"

namespace Zentar {
namespace NetFramework {
class CUdpSocket;
}
} // namespace Zentar

namespace RPC {
namespace Onvif {

class CRPCOnvifDeviceDiscovery : public Zentar::NetApp::IDeviceDiscovery {
public:
    class CIFactory : public Zentar::Component::IFactoryUnknown {
    public:
        CIFactory();
        ~CIFactory() override;
        // Every caller shares the factory's one discovery object.
        Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo* serverInfo) override;

    private:
        Zentar::Infra::CMutex m_mutex;
        std::unique_ptr<CRPCOnvifDeviceDiscovery> m_instance;
    };

    static constexpr uint16_t kDiscoveryPort = 3702;
    static constexpr const char* kMulticastGroup = "239.255.255.250";

    CRPCOnvifDeviceDiscovery();
    ~CRPCOnvifDeviceDiscovery() override;

    bool start(int timeoutSeconds) override;
    bool stop() override;
    bool attach(Zentar::NetApp::IDiscoveryReceiver* receiver, int value) override;
    bool detach(Zentar::NetApp::IDiscoveryReceiver* receiver) override;
    bool refresh(int timeoutSeconds) override;
    bool ipScan(int timeoutSeconds) override;
    bool setConfig(const char* userName, const char* password, const char* deviceAddress, const Json::Value& config,
                   Json::Value& result) override;
    bool startSpecificCard(const char* const* cardList, int count) override;
    bool setProbeTargets(const Json::Value& targets) override;

    void setTimeout(uint32_t milliseconds);
    // Waits until no pass runs or is pending; false when one still runs after timeoutMs.
    bool waitIdle(int timeoutMs);
    // Replaces the message-ID maker (tests fix it to check exact bytes).
    void setUuidMaker(std::function<std::string()> maker);
    // How many received datagrams were dropped as unreadable since construction.
    uint64_t droppedCount() const { return m_dropped.load(); }

    // The probe targets of a setProbeTargets record: each address once, ranges expanded
    // (at most kMaxProbeTargets). False with why when an entry is not an IPv4 address or range.
    static constexpr size_t kMaxProbeTargets = 1024;
    static bool expandTargets(const Json::Value& addresses, std::vector<std::string>& out, std::string& why);

private:
    struct Socket;

    void probe(int timeoutSeconds);
    void probeDevice();
    bool runPass(uint64_t deadlineMs);
    bool createSockets(std::vector<std::unique_ptr<Socket>>& sockets);
    bool sendProbes(std::vector<std::unique_ptr<Socket>>& sockets);
    void receiveLoop(std::vector<std::unique_ptr<Socket>>& sockets, uint64_t deadlineMs);
    void handleMessage(const char* data, size_t size, const std::string& sender, uint16_t senderPort,
                       const std::string& localAddress);
    void parseAndReport(const Json::Value& record, const std::string& localAddress);
    void deliver(const Json::Value& report);

    // Host receivers: all of them in the signal; those attached with a value in the list.
    struct TimedReceiver {
        Zentar::NetApp::IDiscoveryReceiver* receiver;
        int value;
        uint64_t deadlineMs;   // reports until then (value > 0)
    };
    Zentar::Infra::CSignal<const Json::Value&> m_receivers;
    Zentar::Infra::CMutex m_receiverMutex;
    std::vector<TimedReceiver> m_timedReceivers;
    bool m_hasTimedReceivers = false;

    Zentar::Infra::CTimer m_probeTimer;
    std::atomic<uint32_t> m_receiveTimeoutMs{2000};

    // Guarded by m_listMutex.
    Zentar::Infra::CMutex m_listMutex;
    Json::Value m_deviceList{Json::objectValue};
    Json::Value m_ethConfig{Json::objectValue};
    std::vector<std::string> m_targets;
    uint16_t m_targetPort = kDiscoveryPort;
    std::function<std::string()> m_makeUuid;

    // A pass is running (or about to); m_pending asks the running pass to repeat.
    Zentar::Infra::CMutex m_passMutex;
    bool m_passActive = false;
    std::atomic<bool> m_pending{false};
    uint64_t m_passDeadlineMs = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<uint64_t> m_dropped{0};
};

} // namespace Onvif
} // namespace RPC
