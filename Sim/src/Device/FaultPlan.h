#pragma once
// The faults armed on a device. A request takes every matching delay plus the first
// matching other fault; faults with a count wear out as they are used.
#include "OnvifSim/SimTypes.h"

#include <optional>
#include <vector>

namespace OnvifSim {

class CFaultPlan {
public:
    struct CMatch {
        int delayMs = 0;
        std::optional<CSimFault> fault;
    };

    void add(const CSimFault& fault) { m_faults.push_back(fault); }
    void clear() { m_faults.clear(); }
    void clear(const std::string& operation);
    size_t size() const { return m_faults.size(); }
    CMatch take(const std::string& operation);

private:
    std::vector<CSimFault> m_faults;
};

} // namespace OnvifSim
