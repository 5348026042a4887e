// Service addresses (slot 1) and the device facts derived from them: the media service
// in use and the identity fields of the device information.
#include <string>

#include "Infra/LastError.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace {

bool isUnauthorized(const Json::Value& reply) { return memberText(reply, kErrorInfoKey) == kErrorInfoUnauth; }

// Copies every named, non-empty address of services into the cached map unless the name
// already has one: GetServices runs before GetCapabilities and its addresses are the
// more precise ones.
void mergeFirstAddresses(Json::Value& cached, const Json::Value& services)
{
    if (!services.isObject() || !services["Service"].isObject())
        return;
    if (!cached.isObject())
        cached = Json::Value(Json::objectValue);
    if (!cached["Service"].isObject())
        cached["Service"] = Json::Value(Json::objectValue);
    const Json::Value& all = services["Service"];
    for (const std::string& name : all.getMemberNames()) {
        const std::string xaddr = memberText(all[name], "XAddr");
        if (name.empty() || xaddr.empty())
            continue;
        Json::Value& target = cached["Service"][name];
        if (memberText(target, "XAddr").empty())
            target["XAddr"] = xaddr;
    }
}

} // namespace

bool COnvifInfoCenter::setCapsInfo(const ServerInfo& info, const Json::Value& services, bool local)
{
    Json::Value mapped = services;
    if (local && info.mediaPort != 0)
        handleMapCapAddress(info, mapped);
    return withSlot(info, INFO_SLOT_SERVICES, [&](CacheSlot& s, uint64_t now) {
        mergeFirstAddresses(s.side(local), mapped);
        s.m_valid = 1;
        s.m_fillTime = now;
    });
}

bool COnvifInfoCenter::getDeviceCapsInfo(const ServerInfo& info, Json::Value& request, bool local)
{
    if (!request.isObject())
        request = Json::Value(Json::objectValue);

    if (!isSlotValid(info, INFO_SLOT_SERVICES, local)) {
        std::string deviceAddr;
        makeDeviceServiceAddr(info, deviceAddr);
        Zentar::Infra::setLastError(0);
        // An unreadable clock still leaves an offset of 0; only an unreachable device stops here.
        int seconds = 0;
        if (!measureTimeDifference(info, deviceAddr, seconds))
            seconds = 0;
        const uint32_t clockError = Zentar::Infra::getLastError();
        if (clockError == ONVIF_ERR_UNREACHABLE || clockError == ONVIF_ERR_TIMEOUT) {
            ONVIF_LOG(LOG_WARN, "connect is abnormal\n");
            return false;
        }
        setTimeDifferenceAll(info, seconds);

        Json::Value servicesRequest = request;
        servicesRequest["XAddr"] = deviceAddr;
        Json::Value servicesReply(Json::objectValue);
        const bool servicesOk = getServices(info, servicesRequest, servicesReply);
        Json::Value capsRequest = request;
        capsRequest["XAddr"] = deviceAddr;
        Json::Value capsReply(Json::objectValue);
        const bool capsOk = getCapabilities(info, capsRequest, capsReply);
        if (!servicesOk && !capsOk) {
            uint32_t error = Zentar::Infra::getLastError();
            if (isUnauthorized(servicesReply) || isUnauthorized(capsReply))
                error = ONVIF_ERR_BAD_CREDENTIALS;
            Zentar::Infra::setLastError(error);
            return false;
        }
    }

    Json::Value side;
    withSlot(info, INFO_SLOT_SERVICES, [&](CacheSlot& s, uint64_t) { side = s.side(local); });
    if (side.empty()) {
        Zentar::Infra::setLastError(ONVIF_ERR_BAD_ANSWER);
        if (local)
            ONVIF_ERRLN();
        return false;
    }
    if (local && request.isMember("ServiceAddrType")) {
        const std::string type = memberText(request, "ServiceAddrType");
        if (type != "All") {
            const std::string xaddr = side["Service"].isObject() ? memberText(side["Service"][type], "XAddr") : "";
            if (xaddr.empty()) {
                Zentar::Infra::setLastError(ONVIF_ERR_BAD_ANSWER);
                return false;
            }
            request["XAddr"] = xaddr;
            return true;
        }
    }
    request = side;
    return true;
}

bool COnvifInfoCenter::isMedia2Supported(const ServerInfo& info)
{
    const int mediaType = COnvifBaseComm::instance()->getMediaType();
    if (mediaType == 2)
        return true;
    if (mediaType == 1)
        return false;
    Json::Value request(Json::objectValue);
    request["ServiceAddrType"] = "Media2";
    return getDeviceCapsInfo(info, request, true) && !memberText(request, "XAddr").empty();
}

bool COnvifInfoCenter::getDeviceInfoField(std::string& text, const ServerInfo& info, const std::string& name)
{
    text.clear();
    if (name != "Manufacturer" && name != "Model")
        return false;
    if (!isSlotValid(info, INFO_SLOT_DEVICE_INFO, true)) {
        Json::Value request(Json::objectValue);
        Json::Value result(Json::objectValue);
        if (!getDeviceInformation(info, request, result))
            return false;
    }
    withSlot(info, INFO_SLOT_DEVICE_INFO,
             [&](CacheSlot& s, uint64_t) { text = memberText(s.side(true), name.c_str()); });
    return !text.empty();
}

} // namespace Onvif
} // namespace RPC

