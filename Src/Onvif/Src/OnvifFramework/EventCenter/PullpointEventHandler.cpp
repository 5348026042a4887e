#include "OnvifFramework/EventCenter/PullpointEventHandler.h"

#include "Infra/Thread.h"
#include "OnvifFramework/EventCenter/PullpointEventHandlerImpl.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using Zentar::Infra::CThread;

CPullpointEventHandler::CPullpointEventHandler(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo)), m_signal(std::make_shared<COnvifEventSignal>())
{
}

CPullpointEventHandler::~CPullpointEventHandler()
{
    stop();
}

bool CPullpointEventHandler::attach(const void* id, COnvifEventSignal::Proc proc)
{
    return m_signal->attach(id, std::move(proc)) > 0;
}

int CPullpointEventHandler::detach(const void* id)
{
    return m_signal->detach(id);
}

int CPullpointEventHandler::subscriberCount() const
{
    return m_signal->count();
}

int CPullpointEventHandler::start()
{
    if (m_thread && !m_thread->isThreadOver())
        return 0;
    stop();
    auto impl = std::make_shared<Impl>(m_serverInfo, m_signal);
    auto thread = std::make_unique<CThread>("RpcPullpointEventServer", [impl] { impl->threadProc(); });
    if (!thread->createThread()) {
        ONVIF_LOG(LOG_ERROR, "create RpcPullpointEventServer thread failed\n");
        return -1;
    }
    m_impl = std::move(impl);
    m_thread = std::move(thread);
    return 0;
}

int CPullpointEventHandler::stop()
{
    if (!m_impl)
        return 0;
    m_impl->requestStop();
    m_thread->destroyThread();
    m_thread.reset();
    m_impl.reset();
    return 0;
}

bool CPullpointEventHandler::isRunning() const
{
    return m_thread && !m_thread->isThreadOver();
}

} // namespace Onvif
} // namespace RPC
