// The one path from a script to a service operation, and the values every service
// object of a login shares (clock offset and zone).
#include <ctime>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

bool isRecord(const Json::Value& v)
{
    return v.isNull() || v.isObject();
}

// After the device clock was set: measure the offset again; when the clock cannot be read
// back, the time just sent is the best knowledge of the device clock.
void refreshTimeDifference(const ServerInfo& info, const Json::Value& sentRequest)
{
    int seconds = 0;
    if (measureTimeDifference(info, std::string(), seconds) ||
        timeDifferenceFromReply(sentRequest, static_cast<long long>(time(nullptr)), seconds)) {
        setTimeDifferenceAll(info, seconds);
        return;
    }
    ONVIF_LOG(LOG_WARN, "remoteIP<%s>, time difference not refreshed\n", info.address.c_str());
}

} // namespace

namespace {

// Steps 1 to 4 of every script's exchange: the service address when the request has none,
// the login's service object, and the stamps every request carries. Null on failure.
COnvifProtoCore* prepareRequest(const ServerInfo& info, Json::Value& request, Json::Value& result,
                                const char* addressType, const char* serviceName, const char* command)
{
    if (!addressType || !serviceName || !command || !isRecord(request) || !isRecord(result)) {
        ONVIF_ERRLN();
        return nullptr;
    }
    ONVIF_LOG(LOG_INFO, "remoteDevice<%s><%d>, Addr:%s, OP:%s, CMD:%s\n", info.address.c_str(),
              static_cast<int>(info.port), addressType, serviceName, command);

    const Json::Value& xaddr = request.get("XAddr", Json::Value());
    if (!xaddr.isString() || xaddr.asString().empty()) {
        request["ServiceAddrType"] = addressType;
        if (!COnvifInfoCenter::instance()->getDeviceCapsInfo(info, request, true)) {
            ONVIF_ERRLN();
            return nullptr;
        }
    }

    COnvifProtoCore* service = COnvifServiceRegistry::instance().getService(serviceName, info);
    if (!service) {
        ONVIF_ERRLN();
        return nullptr;
    }
    request["TimeDifference"] = service->getTimeDifference();
    request["UseStamp"] = false;
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "remoteIP<%s>, executeCMD input:%s\n", info.address.c_str(),
                  request.toStyledString().c_str());
    return service;
}

bool finished(const ServerInfo& info, int rc)
{
    if (rc != 0)
        ONVIF_LOG(LOG_WARN, "remoteIP<%s>, executeCMD faild, Result:%d\n", info.address.c_str(), rc);
    return rc == 0;
}

} // namespace

bool commonOpList(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* addressType,
                  const char* serviceName, const char* command)
{
    COnvifProtoCore* service = prepareRequest(info, request, result, addressType, serviceName, command);
    if (!service || !finished(info, service->execute(command, request, result)))
        return false;
    if (std::string(command) == "SetSystemDateAndTime")
        refreshTimeDifference(info, request);
    return true;
}

bool unlistedOpList(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* addressType,
                    const char* serviceName, const COnvifOperationTable& table, const char* command)
{
    COnvifProtoCore* service = prepareRequest(info, request, result, addressType, serviceName, command);
    return service && finished(info, table.dispatch(service->getLoginInfo(), command, request, result));
}

void setTimeDifferenceAll(const ServerInfo& info, int seconds)
{
    COnvifServiceRegistry::instance().forEachServiceOfLogin(
        info, [seconds](COnvifProtoCore& service) { service.setTimeDifference(seconds); });
}

void setTimeZoneAll(const ServerInfo& info, int zone)
{
    COnvifServiceRegistry::instance().forEachServiceOfLogin(
        info, [zone](COnvifProtoCore& service) { service.setTimeZone(zone); });
}

} // namespace Onvif
} // namespace RPC
