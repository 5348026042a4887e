// Composites of the device's user list. They pass the ONVIF records through unchanged:
// the user manager maps them onto the host's users, groups and rights.
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"

namespace RPC {
namespace Onvif {

bool getUsers(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", "GetUsers");
}

bool createUsers(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", "CreateUsers");
}

bool deleteUsers(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", "DeleteUsers");
}

bool setUsers(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", "SetUser");
}

} // namespace Onvif
} // namespace RPC
