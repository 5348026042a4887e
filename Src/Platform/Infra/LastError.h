#pragma once
// A per-thread "last error" code, set by lower layers when they return false/-1 so the
// caller can ask why without the code travelling through every signature.
#include <cstdint>

namespace Zentar {
namespace Infra {

void setLastError(uint32_t code);
uint32_t getLastError();

} // namespace Infra
} // namespace Zentar
