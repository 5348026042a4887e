#pragma once
// Turns a registered factory into a typed instance.
#include "Component/FactoryRegistry.h"

namespace Zentar {
namespace Component {

class CComponentHelper {
public:
    // Null when there is no factory, it declined, or the component is not a T.
    // Ownership follows the factory's contract (it may hand out a shared instance),
    // so nothing is deleted here when the type does not match.
    template <class T>
    static T* createInstance(const char* interfaceName, const char* classID,
                             const ServerInfo* info)
    {
        return dynamic_cast<T*>(getComponentInstance(interfaceName, classID, info));
    }
};

} // namespace Component
} // namespace Zentar
