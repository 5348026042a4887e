#include "Component/ServerInfo.h"

namespace Zentar {
namespace Component {

bool sameDevice(const ServerInfo& a, const ServerInfo& b)
{
    return a.address == b.address && a.port == b.port && a.mediaPort == b.mediaPort &&
           a.https == b.https && a.key5 == b.key5;
}

} // namespace Component
} // namespace Zentar
