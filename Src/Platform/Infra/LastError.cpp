#include "Infra/LastError.h"

namespace Zentar {
namespace Infra {

namespace {
thread_local uint32_t t_lastError = 0;
}

void setLastError(uint32_t code) { t_lastError = code; }

uint32_t getLastError() { return t_lastError; }

} // namespace Infra
} // namespace Zentar
