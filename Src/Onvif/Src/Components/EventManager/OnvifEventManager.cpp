#include "Components/EventManager/OnvifEventManager.h"

#include "OnvifFramework/EventCenter/OnvifEventCenter.h"
#include "OnvifFramework/EventCenter/OnvifEventSignal.h"
#include "OnvifFramework/EventCenter/PullpointEventHandler.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifEventManager::COnvifEventManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                                       COnvifEventCenter* centre)
    : m_serverInfo(std::move(serverInfo)), m_centre(centre ? centre : COnvifEventCenter::instance()),
      m_pullpoint(std::make_unique<CPullpointEventHandler>(m_serverInfo)),
      m_eventSignal(std::make_shared<COnvifEventSignal>())
{
}

COnvifEventManager::~COnvifEventManager()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pullpoint->stop();
    if (m_eventSignal->count() > 0)
        m_centre->removeDelegation(*m_serverInfo);
}

bool COnvifEventManager::attach(const void* receiver, EventProc proc)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // The mode is chosen when reception starts and kept while it runs.
    const bool idle = m_pullpoint->subscriberCount() == 0 && m_eventSignal->count() == 0;
    if (idle)
        m_pullMode = COnvifBaseComm::instance()->getEventSubscribeType() == 1;
    return m_pullMode ? attachPull(receiver, std::move(proc)) : attachPush(receiver, std::move(proc));
}

bool COnvifEventManager::detach(const void* receiver)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pullMode ? detachPull(receiver) : detachPush(receiver);
}

bool COnvifEventManager::attachPull(const void* receiver, EventProc proc)
{
    ONVIF_LOG(LOG_WARN, "COnvifEventManager attach ,Mode:PULL_POINT_MODE \n");
    if (!m_pullpoint->attach(receiver, std::move(proc))) {
        ONVIF_LOG(LOG_WARN, "m_pullpoint.attach is false\n");
        return false;
    }
    if (m_pullpoint->start() < 0) {
        ONVIF_LOG(LOG_WARN, "m_pullpoint.start < 0\n");
        m_pullpoint->detach(receiver);
        return false;
    }
    ONVIF_LOG(LOG_WARN, "attach ok\n");
    return true;
}

bool COnvifEventManager::detachPull(const void* receiver)
{
    const int left = m_pullpoint->detach(receiver);
    if (left < 0) {
        ONVIF_LOG(LOG_WARN, "remained pullpoint proc is nonzero or detach failed...\n");
        return false;
    }
    if (left == 0 && m_pullpoint->stop() != 0) {
        ONVIF_LOG(LOG_WARN, "pullpoint thread stop failed...\n");
        return false;
    }
    return true;
}

bool COnvifEventManager::attachPush(const void* receiver, EventProc proc)
{
    const char* address = m_serverInfo->address.c_str();
    const int port = static_cast<int>(m_serverInfo->port);
    ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] attach device <%s><%d>\n", static_cast<void*>(this), address, port);
    const int count = m_eventSignal->attach(receiver, std::move(proc));
    if (count < 0) {
        ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] m_eventSignal attach failed, device <%s><%d>\n",
                  static_cast<void*>(this), address, port);
        return false;
    }
    if (count > 1)
        return true;
    if (!m_centre->addDelegation(m_serverInfo, m_eventSignal)) {
        m_eventSignal->detach(receiver);
        ONVIF_LOG(LOG_ERROR, "OnvifEventManager[%p] COnvifEventCenter addDelegation failed, device <%s><%d>\n",
                  static_cast<void*>(this), address, port);
        return false;
    }
    ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] COnvifEventCenter addDelegation ok, device <%s><%d>\n",
              static_cast<void*>(this), address, port);
    // A device that cannot be subscribed now is tried again by the centre's timer.
    m_centre->subscribe(*m_serverInfo);
    return true;
}

bool COnvifEventManager::detachPush(const void* receiver)
{
    const char* address = m_serverInfo->address.c_str();
    const int port = static_cast<int>(m_serverInfo->port);
    ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] detach device <%s><%d>\n", static_cast<void*>(this), address, port);
    const int left = m_eventSignal->detach(receiver);
    if (left < 0) {
        ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] m_eventSignal detach failed, device <%s><%d>\n",
                  static_cast<void*>(this), address, port);
        return false;
    }
    if (left > 0)
        return true;
    if (!m_centre->removeDelegation(*m_serverInfo)) {
        ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] COnvifEventCenter removeDelegation failed, device <%s><%d>\n",
                  static_cast<void*>(this), address, port);
        return false;
    }
    ONVIF_LOG(LOG_WARN, "OnvifEventManager[%p] COnvifEventCenter removeDelegation ok, device <%s><%d>\n",
              static_cast<void*>(this), address, port);
    return true;
}

} // namespace Onvif
} // namespace RPC
