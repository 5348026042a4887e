#pragma once
// What the rows of the three PTZ areas share: the service's prefix and namespaces, and the
// habit of every PTZ operation to log "<Operation>Response fail" when a device answers
// without the response element.
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {
namespace PtzRows {

constexpr OnvifService kTptz{"tptz", Namespaces::kPtz};

constexpr OnvifOperation row(const char* command, const char* operation)
{
    return kTptz(command, operation).flag(OP_LOG_RESPONSE_FAIL);
}
constexpr OnvifOperation row(const char* command) { return row(command, command); }

// "ProfileToken" that the operation cannot do without.
inline constexpr OnvifField kProfileTokenRequired[] = {textField("ProfileToken", "./ProfileToken").required(), {}};

} // namespace PtzRows
} // namespace Onvif
} // namespace RPC
