#pragma once
// The process-wide registry of per-device service objects.
//
// One object exists per (service name, login); every script of that login shares it, so
// the clock offset and zone measured once reach every later request. Objects are created
// on first request and live until the registry goes with the library.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

// Builds the service object of one name for one login.
using OnvifServiceFactory = std::unique_ptr<COnvifProtoCore> (*)(const COnvifLoginInfo& login);

struct OnvifServiceRow {
    const char* name;   // "DeviceManagement", "MediaCfg", "Media2", ...
    OnvifServiceFactory create;
};

// The names the registry knows and how each object is built (OnvifServiceTable.cpp).
const std::vector<OnvifServiceRow>& onvifServiceTable();

// The credentials and address a service object keeps, taken from the host's login record.
COnvifLoginInfo makeOnvifLoginInfo(const Zentar::Component::ServerInfo& info);

class COnvifServiceRegistry {
public:
    // Created on first use; never destroyed while the library is loaded.
    static COnvifServiceRegistry& instance();

    // The object of (serviceName, login), created when missing; nullptr for a name the
    // registry does not know (logged).
    COnvifProtoCore* getService(const std::string& serviceName, const Zentar::Component::ServerInfo& info);

    // Runs fn on the object of every known service name of the login, creating the
    // missing ones, so that a value set now is seen by objects of every service.
    void forEachServiceOfLogin(const Zentar::Component::ServerInfo& info,
                               const std::function<void(COnvifProtoCore&)>& fn);

    // Number of objects held (diagnostics and tests).
    size_t size() const;

    ~COnvifServiceRegistry();
    COnvifServiceRegistry(const COnvifServiceRegistry&) = delete;
    COnvifServiceRegistry& operator=(const COnvifServiceRegistry&) = delete;

private:
    COnvifServiceRegistry() = default;
    static std::string makeKey(const std::string& serviceName, const Zentar::Component::ServerInfo& info);

    mutable Zentar::Infra::CMutex m_mutex;
    std::map<std::string, std::unique_ptr<COnvifProtoCore>> m_objects;
};

} // namespace Onvif
} // namespace RPC
