// Configuration names served by one get and one set composite (the network pages): the
// table is the get script's result or one member of it, and a failure logs the row's text.
#include "Components/ConfigManager/OnvifConfigNameRow.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

bool COnvifConfigManager::getByScript(const NameRow& row, Json::Value& table)
{
    Json::Value request = table.isObject() ? table : Json::Value(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!row.getScript(*m_serverInfo, request, result) || (row.member && !result.isMember(row.member))) {
        ONVIF_LOG(LOG_WARN, row.getFailText, m_serverInfo->address.c_str());
        return false;
    }
    table = row.member ? result[row.member] : result;
    return true;
}

bool COnvifConfigManager::setByScript(const NameRow& row, Json::Value& table)
{
    if (!table.isObject()) {
        ONVIF_LOG(LOG_WARN, row.setFailText, m_serverInfo->address.c_str());
        return false;
    }
    if (row.protocol)
        table["Name"] = row.protocol;
    Json::Value result(Json::objectValue);
    if (!row.setScript(*m_serverInfo, table, result)) {
        ONVIF_LOG(LOG_WARN, row.setFailText, m_serverInfo->address.c_str());
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
