#pragma once
// Process-wide table of component factories. Thread-safe; a factory's create() is
// never called while the table is locked, so factories may use the registry themselves.
// The registry does not own factories; a factory unregisters itself when destroyed.
#include "Component/Unknown.h"

#include <cstddef>

namespace Zentar {
namespace Component {

// False for null, for a factory without an interface name, or when the same
// (interface name, class ID) pair is already registered.
bool registerFactory(IFactoryUnknown* factory);
// False when that factory is not registered.
bool unregisterFactory(IFactoryUnknown* factory);
// classID null means the first registered factory with that interface name.
IFactoryUnknown* findFactory(const char* interfaceName, const char* classID);
size_t factoryCount();
// findFactory + create(). Null when there is no such factory or it declined.
IUnknown* getComponentInstance(const char* interfaceName, const char* classID,
                               const ServerInfo* serverInfo);

} // namespace Component
} // namespace Zentar
