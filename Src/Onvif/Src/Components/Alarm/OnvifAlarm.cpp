#include "Components/Alarm/OnvifAlarm.h"

#include "Components/DeviceQuery/OnvifChannelQuery.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

// The array at member of a record, or an empty one: a device without any answers without it.
Json::Value listOf(const Json::Value& record, const char* member)
{
    return record.isObject() && record[member].isArray() ? record[member] : Json::Value(Json::arrayValue);
}

} // namespace

COnvifAlarm::COnvifAlarm(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

// The count the capabilities state; a device that states none is asked for the list.
bool COnvifAlarm::getAlarmInputCount(int& count)
{
    if (readDeviceIOCount(*m_serverInfo, "DigitalInputs", count))
        return true;
    Json::Value inputs;
    count = getAlarmInputs(inputs) ? static_cast<int>(inputs.size()) : 0;
    return true;
}

bool COnvifAlarm::getAlarmOutputCount(int& count)
{
    if (!readDeviceIOCount(*m_serverInfo, "RelayOutputs", count))
        count = 0;
    return true;
}

bool COnvifAlarm::getAlarmInputs(Json::Value& inputs)
{
    Json::Value cached(Json::objectValue);
    if (!COnvifInfoCenter::instance()->getDigitalInputsInfo(*m_serverInfo, cached, true))
        return false;
    inputs = listOf(cached, "DigitalInputs");
    return true;
}

bool COnvifAlarm::getAlarmOutputs(Json::Value& outputs)
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!getRelayOutputs(*m_serverInfo, request, result))
        return false;
    outputs = listOf(result, "RelayOutputs");
    return true;
}

bool COnvifAlarm::setAlarmOutputState(const char* token, bool active)
{
    if (!token || !*token) {
        ONVIF_ERRLN();
        return false;
    }
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    request["token"] = token;
    request["LogicalState"] = active ? "active" : "inactive";
    return setRelayOutputState(*m_serverInfo, request, result);
}

} // namespace Onvif
} // namespace RPC
