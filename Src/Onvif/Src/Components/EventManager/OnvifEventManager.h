#pragma once
// A device's events for the host: attaching the first receiver starts reception, in pull
// mode (a pull-point worker) when the option "EventSubscribeType" is 1 and in push mode
// (the event centre and the notification server) otherwise; detaching the last stops it.
#include <memory>
#include <mutex>

#include "Component/ServerInfo.h"
#include "IEventManager.h"

namespace RPC {
namespace Onvif {

class CPullpointEventHandler;
class COnvifEventCenter;
class COnvifEventSignal;

class COnvifEventManager : public Zentar::Manager::IEventManager {
public:
    // centre null: the library's own (COnvifEventCenter::instance()).
    explicit COnvifEventManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                                COnvifEventCenter* centre = nullptr);
    ~COnvifEventManager() override;

    bool attach(const void* receiver, EventProc proc) override;
    bool detach(const void* receiver) override;

private:
    bool attachPull(const void* receiver, EventProc proc);
    bool attachPush(const void* receiver, EventProc proc);
    bool detachPull(const void* receiver);
    bool detachPush(const void* receiver);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    COnvifEventCenter* m_centre;

    std::mutex m_mutex;   // serialises attach and detach
    std::unique_ptr<CPullpointEventHandler> m_pullpoint;
    std::shared_ptr<COnvifEventSignal> m_eventSignal;   // push mode's receivers
    bool m_pullMode = false;                            // the mode reception runs in
};

} // namespace Onvif
} // namespace RPC
