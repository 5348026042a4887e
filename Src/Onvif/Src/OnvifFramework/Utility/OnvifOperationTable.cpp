#include "OnvifFramework/Utility/OnvifOperationTable.h"

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifOperationTable::COnvifOperationTable(const OnvifOperation* rows, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (!rows[i].command || !m_rows.emplace(rows[i].command, &rows[i]).second) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] operation row %zu (%s) has no command of its own\n", i,
                      rows[i].command ? rows[i].command : "null");
            continue;
        }
        m_order.push_back(&rows[i]);
    }
}

const OnvifOperation* COnvifOperationTable::find(const std::string& command) const
{
    auto it = m_rows.find(command);
    return it == m_rows.end() ? nullptr : it->second;
}

std::vector<std::string> COnvifOperationTable::commands() const
{
    std::vector<std::string> names;
    names.reserve(m_order.size());
    for (const OnvifOperation* row : m_order)
        names.push_back(row->command);
    return names;
}

} // namespace Onvif
} // namespace RPC
