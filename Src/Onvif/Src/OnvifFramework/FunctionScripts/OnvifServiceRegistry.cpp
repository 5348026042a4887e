#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"

#include <cstdio>

#include "Infra/LastError.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifLoginInfo makeOnvifLoginInfo(const Zentar::Component::ServerInfo& info)
{
    COnvifLoginInfo login;
    login.m_strAddress = info.address;
    login.m_strUserName = info.userName;
    login.m_strPassword = info.password;
    login.m_iPort = info.port;
    login.m_iMediaPort = info.mediaPort;
    login.m_iHttps = info.https ? 1 : 0;
    return login;
}

COnvifServiceRegistry& COnvifServiceRegistry::instance()
{
    // Constructed once, thread-safely, on first use; it goes when the library is unloaded.
    static COnvifServiceRegistry registry;
    return registry;
}

COnvifServiceRegistry::~COnvifServiceRegistry() = default;

// The credentials are part of the key: a password change gives new objects carrying the
// new credentials instead of changing a record other threads are sending with. The two
// trailing numbers are reserved and always 0.
std::string COnvifServiceRegistry::makeKey(const std::string& serviceName, const Zentar::Component::ServerInfo& info)
{
    char numbers[48];
    snprintf(numbers, sizeof(numbers), "|%d|%d|%d", static_cast<int>(info.port), 0, 0);
    // Lengths keep fields apart even when a password contains the separator.
    return serviceName + "|" + std::to_string(info.address.size()) + ":" + info.address + "|" +
           std::to_string(info.userName.size()) + ":" + info.userName + "|" + std::to_string(info.password.size()) +
           ":" + info.password + numbers;
}

COnvifProtoCore* COnvifServiceRegistry::getService(const std::string& serviceName,
                                                   const Zentar::Component::ServerInfo& info)
{
    const OnvifServiceRow* row = nullptr;
    for (const OnvifServiceRow& r : onvifServiceTable()) {
        if (serviceName == r.name)
            row = &r;
    }
    if (!row) {
        // A service the library does not offer (such as "ExtendService"): the host is told so.
        ONVIF_LOG(LOG_ERROR, "unknown service object name:%s\n", serviceName.c_str());
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
        return nullptr;
    }
    const std::string key = makeKey(serviceName, info);
    Zentar::Infra::CGuard guard(m_mutex);
    auto it = m_objects.find(key);
    if (it != m_objects.end())
        return it->second.get();
    std::unique_ptr<COnvifProtoCore> object = row->create(makeOnvifLoginInfo(info));
    if (!object) {
        ONVIF_ERRLN();
        return nullptr;
    }
    COnvifProtoCore* raw = object.get();
    m_objects.emplace(key, std::move(object));
    return raw;
}

void COnvifServiceRegistry::forEachServiceOfLogin(const Zentar::Component::ServerInfo& info,
                                                  const std::function<void(COnvifProtoCore&)>& fn)
{
    for (const OnvifServiceRow& row : onvifServiceTable()) {
        if (COnvifProtoCore* object = getService(row.name, info))
            fn(*object);
    }
}

size_t COnvifServiceRegistry::size() const
{
    Zentar::Infra::CGuard guard(m_mutex);
    return m_objects.size();
}

} // namespace Onvif
} // namespace RPC
