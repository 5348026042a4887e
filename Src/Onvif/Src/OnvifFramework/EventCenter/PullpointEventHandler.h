#pragma once
// Pull mode: one worker thread per device creates a pull-point subscription, pulls its
// messages, classifies each into a host event and drives an alarm trigger per event, which
// reports alarm start and stop to the attached host callbacks.
//
// Stopping cuts short a pull in progress (a device may hold one for half a minute), lets the
// worker unsubscribe, and waits for it.
#include <memory>

#include "Component/ServerInfo.h"
#include "OnvifFramework/EventCenter/OnvifEventSignal.h"

namespace Zentar {
namespace Infra {
class CThread;
}
} // namespace Zentar

namespace RPC {
namespace Onvif {

class CPullpointEventHandler {
public:
    class Impl;

    explicit CPullpointEventHandler(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);
    ~CPullpointEventHandler();   // stop()
    CPullpointEventHandler(const CPullpointEventHandler&) = delete;
    CPullpointEventHandler& operator=(const CPullpointEventHandler&) = delete;

    // Host callbacks (COnvifEventSignal). False when the list refuses the receiver.
    bool attach(const void* id, COnvifEventSignal::Proc proc);
    // The number of callbacks left, -1 when id was not attached.
    int detach(const void* id);
    int subscriberCount() const;

    // Starts the worker ("RpcPullpointEventServer"); 0, or -1 when no thread can be made.
    // Starting a running worker does nothing.
    int start();
    // Ends the worker (it unsubscribes on its way out) and the alarm triggers; 0.
    int stop();
    bool isRunning() const;

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    std::shared_ptr<COnvifEventSignal> m_signal;
    std::shared_ptr<Impl> m_impl;                     // the running worker's state
    std::unique_ptr<Zentar::Infra::CThread> m_thread;
};

} // namespace Onvif
} // namespace RPC
