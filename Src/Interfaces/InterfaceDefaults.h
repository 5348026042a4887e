#pragma once
// What a host interface slot does when the component behind it does not implement it:
// it records "operation not supported" as the last error and fails.
#include <cstdint>

#include "Infra/LastError.h"

namespace Zentar {
namespace Component {

constexpr uint32_t kErrorNotSupported = 0x10030010;

inline bool notSupportedSlot()
{
    Zentar::Infra::setLastError(kErrorNotSupported);
    return false;
}

} // namespace Component
} // namespace Zentar
