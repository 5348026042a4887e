#include "Component/FactoryRegistry.h"

#include "Infra/LogSink.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace Zentar {
namespace Component {

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<IFactoryUnknown*> factories; // in registration order
};

Registry& registry()
{
    // Never destroyed: factories are often static objects that unregister during exit,
    // in whatever order the runtime destroys them.
    static Registry* instance = new Registry();
    return *instance;
}

bool matches(const IFactoryUnknown* factory, const char* interfaceName, const char* classID)
{
    return strcmp(factory->getInterfaceName(), interfaceName) == 0 &&
           (classID == nullptr || strcmp(factory->getClassID(), classID) == 0);
}

IFactoryUnknown* findLocked(Registry& reg, const char* interfaceName, const char* classID)
{
    for (IFactoryUnknown* factory : reg.factories) {
        if (matches(factory, interfaceName, classID)) {
            return factory;
        }
    }
    return nullptr;
}

} // namespace

IFactoryUnknown::IFactoryUnknown(const char* interfaceName, const char* classID,
                                 const CVersion& version)
    : m_interfaceName(interfaceName ? interfaceName : ""), m_classID(classID ? classID : ""),
      m_version(version)
{
}

IFactoryUnknown::~IFactoryUnknown() { unregisterFactory(this); }

bool registerFactory(IFactoryUnknown* factory)
{
    if (factory == nullptr || factory->getInterfaceName()[0] == '\0') {
        return false;
    }
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    if (findLocked(reg, factory->getInterfaceName(), factory->getClassID()) != nullptr) {
        Infra::logFilter(Infra::kLogWarning, "factory %s/%s is already registered",
                         factory->getInterfaceName(), factory->getClassID());
        return false;
    }
    reg.factories.push_back(factory);
    return true;
}

bool unregisterFactory(IFactoryUnknown* factory)
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto it = std::find(reg.factories.begin(), reg.factories.end(), factory);
    if (it == reg.factories.end()) {
        return false;
    }
    reg.factories.erase(it);
    return true;
}

IFactoryUnknown* findFactory(const char* interfaceName, const char* classID)
{
    if (interfaceName == nullptr) {
        return nullptr;
    }
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    return findLocked(reg, interfaceName, classID);
}

size_t factoryCount()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    return reg.factories.size();
}

IUnknown* getComponentInstance(const char* interfaceName, const char* classID,
                               const ServerInfo* serverInfo)
{
    IFactoryUnknown* factory = findFactory(interfaceName, classID);
    if (factory == nullptr) {
        return nullptr;
    }
    try {
        return factory->create(serverInfo);
    } catch (...) {
        Infra::logError("factory %s/%s threw from create()", factory->getInterfaceName(),
                        factory->getClassID());
        return nullptr;
    }
}

} // namespace Component
} // namespace Zentar
