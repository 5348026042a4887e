#include "Base/RPCUtility/ServiceManager.h"

#include <algorithm>

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;

bool CServiceManager::addProcessor(const std::string& path, ProcessorProc proc)
{
    if (path.empty() || !proc)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_processors.emplace(path, std::move(proc)).second;
}

bool CServiceManager::removeProcessor(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_processors.erase(path) > 0;
}

size_t CServiceManager::processorCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_processors.size();
}

std::string CServiceManager::routeOf(const std::string& url)
{
    if (url.size() >= kMaxRouteLength)
        return "*";
    if (std::count(url.begin(), url.end(), '/') > 1)
        return url.substr(0, url.rfind('/'));
    return url;
}

ProcessorProc CServiceManager::find(const std::string& route) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [path, proc] : m_processors)
        if (route.find(path) != std::string::npos)
            return proc;
    return nullptr;
}

bool CServiceManager::process(const CServerRequest& request, Zentar::NetFramework::CSockStream* stream)
{
    if (!stream) {
        ONVIF_LOG(LOG_ERROR, "request is NULL or fd:%d is invailed\n", -1);
        return false;
    }
    ProcessorProc proc = find(routeOf(request.url));
    if (!proc) {
        ONVIF_LOG(LOG_WARN, "process proc NULL,url:<%s> [%p]-[%ld]\n", request.url.c_str(),
                  static_cast<void*>(stream), stream->id());
        return false;
    }
    std::string answer = proc(request);
    if (answer.empty()) {
        ONVIF_LOG(LOG_WARN, "process response NULL, [%p]-[%ld]\n", static_cast<void*>(stream), stream->id());
        return false;
    }
    // An answer that announces the end of the connection ends it once it is out; a
    // device posting one notification per connection needs nothing more from us.
    const bool closeAfter = answer.find("\r\nConnection: close\r\n") != std::string::npos;
    stream->send(std::move(answer), closeAfter);
    return true;
}

} // namespace RPC
