#pragma once
// The component factories this library registers with the host's component framework,
// in registration order. A row whose component is not part of this build has no maker
// and is skipped.
#include <cstddef>

namespace Zentar {
namespace Component {
class IFactoryUnknown;
}
} // namespace Zentar

namespace RPC {
namespace Onvif {

struct OnvifFactoryRow {
    const char* factoryClass;    // for log lines
    const char* interfaceName;
    const char* classID;
    Zentar::Component::IFactoryUnknown* (*makeFactory)();   // nullptr: not in this build
};

// The library's own table and its length.
const OnvifFactoryRow* onvifFactoryTable(size_t& count);

// Registers each row's factory at most once per process, whatever the number of calls:
// `registered` (one flag per row, owned by the caller and living as long as the process)
// remembers which rows are done. Returns the number registered by this call.
size_t registerFactoryTable(const OnvifFactoryRow* rows, size_t count, bool* registered);

} // namespace Onvif
} // namespace RPC
