// Composites of the device's inputs and outputs: what it has (cached), the state of its
// digital inputs (cached), and its relay outputs, which every device offers at its device
// service address.
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr const char* kService = "DeviceIOService";

} // namespace

bool getDeviceIOServiceCaps(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "DeviceIO", kService, "GetServiceCapabilities") &&
           COnvifInfoCenter::instance()->setDeviceIOCaps(info, result, true);
}

bool getDigitalInputs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "DeviceIO", kService, "GetDigitalInputs") &&
           COnvifInfoCenter::instance()->setDigitalInputsInfo(info, result, true);
}

bool getRelayOutputs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", kService, "GetRelayOutputs");
}

bool setRelayOutputSettings(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", kService, "SetRelayOutputSettings");
}

bool setRelayOutputState(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", kService, "SetRelayOutputState");
}

} // namespace Onvif
} // namespace RPC
