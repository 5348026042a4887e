#pragma once
// Root of every component, and the factory that makes one. Factories are found by
// (interface name, class ID) through the registry in FactoryRegistry.h.
#include "Component/Version.h"

#include <string>

namespace Zentar {
namespace Component {

struct ServerInfo;

class IUnknown {
public:
    virtual ~IUnknown() = default;
};

class IFactoryUnknown {
public:
    IFactoryUnknown(const char* interfaceName, const char* classID, const CVersion& version);
    // Unregisters itself, so the registry never holds a dangling factory.
    virtual ~IFactoryUnknown();

    IFactoryUnknown(const IFactoryUnknown&) = delete;
    IFactoryUnknown& operator=(const IFactoryUnknown&) = delete;

    const char* getInterfaceName() const { return m_interfaceName.c_str(); }
    const char* getClassID() const { return m_classID.c_str(); }
    const CVersion& getVersion() const { return m_version; }

    // Creates or hands out the component. serverInfo may be null, meaning "the one of
    // the calling context" (see ClientContext.h). Null when it cannot.
    virtual IUnknown* create(const ServerInfo* serverInfo) = 0;

private:
    std::string m_interfaceName;
    std::string m_classID;
    CVersion m_version;
};

} // namespace Component
} // namespace Zentar
