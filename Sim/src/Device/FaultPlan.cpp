#include "Device/FaultPlan.h"

#include <algorithm>

namespace OnvifSim {

void CFaultPlan::clear(const std::string& operation)
{
    m_faults.erase(std::remove_if(m_faults.begin(), m_faults.end(),
                                  [&](const CSimFault& f) { return f.operation == operation; }),
                   m_faults.end());
}

CFaultPlan::CMatch CFaultPlan::take(const std::string& operation)
{
    CMatch match;
    for (auto& f : m_faults) {
        if (!f.operation.empty() && f.operation != operation)
            continue;
        bool isDelay = f.kind == EFaultKind::Delay;
        if (!isDelay && match.fault)
            continue;
        if (isDelay)
            match.delayMs += f.delayMs;
        else
            match.fault = f;
        if (f.count > 0 && --f.count == 0)
            f.count = -1;   // used up; removed below
    }
    m_faults.erase(std::remove_if(m_faults.begin(), m_faults.end(), [](const CSimFault& f) { return f.count < 0; }),
                   m_faults.end());
    return match;
}

} // namespace OnvifSim
