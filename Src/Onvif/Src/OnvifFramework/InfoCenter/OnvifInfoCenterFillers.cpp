#include "OnvifFramework/InfoCenter/OnvifInfoCenterFillers.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace InfoCenterFill {
namespace {

enum StoreSide { STORE_LOCAL = 1, STORE_REMOTE = 2, STORE_BOTH = 3 };

using StoreFn = bool (COnvifInfoCenter::*)(const ServerInfo&, const Json::Value&, bool);

struct FillRow {
    const char* addressType;
    const char* serviceName;
    const char* command;
    const char* keyMember;   // copied from the request into the stored record; null: whole slot
    int sides;
    StoreFn store;
};

const FillRow kAnalyticsModules = {"Analytics", "VideoAnalytics", "GetAnalyticsModules", "ConfigurationToken",
                                   STORE_REMOTE, &COnvifInfoCenter::setAnalyticsModulesInfo};

bool run(const ServerInfo& info, const FillRow& row, Json::Value& request, Json::Value& result)
{
    if (!request.isObject())
        request = Json::Value(Json::objectValue);
    const std::string key = row.keyMember ? memberText(request, row.keyMember) : std::string();
    if (!commonOpList(info, request, result, row.addressType, row.serviceName, row.command)) {
        ONVIF_ERRLN();
        return false;
    }
    if (row.keyMember) {
        if (!result.isObject())
            result = Json::Value(Json::objectValue);
        result[row.keyMember] = key;
    }
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    bool stored = true;
    if (row.sides & STORE_LOCAL)
        stored = (centre->*row.store)(info, result, true) && stored;
    if (row.sides & STORE_REMOTE)
        stored = (centre->*row.store)(info, result, false) && stored;
    return stored;
}

} // namespace

bool analyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return run(info, kAnalyticsModules, request, result);
}

} // namespace InfoCenterFill
} // namespace Onvif
} // namespace RPC
