#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;


int runCommandRow(const OnvifCommandRow& row, const COnvifLoginInfo& login, const Json::Value& req, Json::Value& rsp)
{
    if (!row.responseFailText)
        return runOperation(row.op, login, req, rsp);
    OnvifOperation op = row.op;
    op.responseFailText = row.responseFailText;
    return runOperation(op, login, req, rsp);
}

COnvifCommandTable::COnvifCommandTable(const OnvifCommandRow* rows, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        m_rows[rows[i].command] = &rows[i];
}

int COnvifCommandTable::dispatch(const COnvifLoginInfo& login, const std::string& command, const Json::Value& req,
                                 Json::Value& rsp) const
{
    const OnvifCommandRow* row = find(command);
    return row ? runCommandRow(*row, login, req, rsp) : ONVIF_EXEC_UNKNOWN;
}

const OnvifCommandRow* COnvifCommandTable::find(const std::string& command) const
{
    auto it = m_rows.find(command);
    return it == m_rows.end() ? nullptr : it->second;
}

std::vector<std::string> COnvifCommandTable::commands() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_rows)
        names.push_back(entry.first);
    return names;
}

} // namespace Onvif
} // namespace RPC
