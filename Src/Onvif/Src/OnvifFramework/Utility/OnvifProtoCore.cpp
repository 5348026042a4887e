#include "OnvifFramework/Utility/OnvifProtoCore.h"

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

int COnvifProtoChildCore::execute(const char* name, const Json::Value& req, Json::Value& rsp)
{
    if (!name) {
        ONVIF_ERRLN();
        return ONVIF_EXEC_NULL_NAME;
    }
    return dispatch(name, req, rsp);
}

int COnvifProtoCore::execute(const char* name, const Json::Value& req, Json::Value& rsp)
{
    if (!name) {
        ONVIF_ERRLN();
        return ONVIF_EXEC_NULL_NAME;
    }
    const std::string op(name);
    int ret = m_ownTable ? m_ownTable->dispatch(m_loginInfo, op, req, rsp) : ONVIF_EXEC_UNKNOWN;
    for (size_t i = 0; ret == ONVIF_EXEC_UNKNOWN && i < m_children.size(); ++i)
        ret = m_children[i]->dispatch(op, req, rsp);
    return ret;
}

std::vector<const COnvifOperationTable*> COnvifProtoCore::getOperationTables() const
{
    std::vector<const COnvifOperationTable*> tables;
    if (m_ownTable)
        tables.push_back(m_ownTable);
    for (const auto& child : m_children)
        tables.push_back(&child->getOperationTable());
    return tables;
}

} // namespace Onvif
} // namespace RPC
