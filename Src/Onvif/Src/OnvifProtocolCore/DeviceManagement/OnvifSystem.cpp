#include "OnvifProtocolCore/DeviceManagement/OnvifSystem.h"

#include <cstdio>
#include <string>

#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSystemOperations.h"
#include "SOAPFramework/SOAPPart.h"
#include "SOAPFramework/SOAPTransport.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

// The attachment ID used when the caller names none; devices only need it to match the href.
constexpr const char* kDefaultFirmwareContentId = "<http://tempuri.org/0>";
// The part headers keep at most this much of each caller text.
constexpr size_t kMaxPartHeaderText = 255;
// A firmware image takes long to send; the device's answer comes once it has it all.
constexpr int kFirmwareSendTimeoutMs = 10000;
constexpr int kFirmwareTotalTimeoutMs = 10000;

const OnvifField kFirmwareOut[] = {
    {"Message", "./Message", FIELD_TEXT, FIELD_DEFAULT, nullptr},
    {},
};

const COnvifOperationTable<COnvifSystem>& systemTable()
{
    static const COnvifOperationTable<COnvifSystem> table(
        SystemRows::kRows, SystemRows::kRowCount,
        {
            {"GetDeviceInfomation", &COnvifSystem::runAs<SystemRows::kGetDeviceInformation>},
            {"Reboot", &COnvifSystem::runAs<SystemRows::kSystemReboot>},
            {"GetSystemSupportInfo", &COnvifSystem::runAs<SystemRows::kGetSystemSupportInformation>},
            {"UpgradeSystemFirmware", &COnvifSystem::UpgradeSystemFirmware},
        });
    return table;
}

std::string textOr(const Json::Value& req, const char* key, const char* fallback)
{
    const Json::Value* v = req.find(key, key + std::char_traits<char>::length(key));
    if (!v || !v->isString() || v->asString().empty())
        return fallback;
    return v->asString().substr(0, kMaxPartHeaderText);
}

// The image the caller holds in its own memory: a "%p" address and a byte count. Both
// are required; a zero length or a null address sends nothing.
bool imageOf(const Json::Value& req, const void*& data, size_t& length)
{
    const Json::Value* address = req.find("DataAddress", "DataAddress" + 11);
    const Json::Value* size = req.find("DataLength", "DataLength" + 10);
    if (!address || !address->isString() || !size || !size->isUInt64() || size->asUInt64() == 0) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] firmware image needs DataAddress and DataLength\n");
        return false;
    }
    void* pointer = nullptr;
    if (std::sscanf(address->asCString(), "%p", &pointer) != 1 || !pointer) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] firmware DataAddress <%s> unreadable\n", address->asCString());
        return false;
    }
    data = pointer;
    length = static_cast<size_t>(size->asUInt64());
    return true;
}

int buildFirmwareRequest(CSOAPMessage& request, const Json::Value& req)
{
    const void* data = nullptr;
    size_t length = 0;
    if (!imageOf(req, data, length))
        return -1;
    if (request.setNSURITable(Namespaces::kDevice) != 0 || request.setPathPrefix(SOAP_NODE_BODY) != 0 ||
        request.set("/tds:UpgradeSystemFirmware", "", true) != 0)
        return -1;
    CSOAPPart part;
    part.setData(data, length);
    part.setContentId(textOr(req, "ContentId", kDefaultFirmwareContentId));
    part.setContentType(textOr(req, "ContentType", ""));
    part.setEncoding(textOr(req, "Encoding", ""));
    return request.set("/tds:UpgradeSystemFirmware/tds:Firmware/xop:Include/@href", part);
}

} // namespace

int COnvifSystem::dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp)
{
    return systemTable().dispatch(*this, name, req, rsp);
}

// Not a row: the request is an MTOM message, and the upload gets its own send and total
// time-outs while connect and receive stay the transport's own.
int COnvifSystem::UpgradeSystemFirmware(const Json::Value& req, Json::Value& rsp)
{
    if (!req.isObject() || (!rsp.isNull() && !rsp.isObject())) {
        ONVIF_ERRLN();
        return -1;
    }
    const Json::Value* xaddr = req.find("XAddr", "XAddr" + 5);
    if (!xaddr || !xaddr->isString() || xaddr->asString().empty()) {
        ONVIF_ERRLN();
        return -1;
    }
    CSOAPMessage request(true, 2, SOAP_MODE_ATTACHMENT);
    CSOAPMessage response(static_cast<const char*>(nullptr));
    if (buildFirmwareRequest(request, req) != 0) {
        ONVIF_ERRLN();
        return -1;
    }

    CSOAPTransport transport(xaddr->asCString());
    transport.setSendTimeout(kFirmwareSendTimeoutMs);
    transport.setTimeout(kFirmwareTotalTimeoutMs);
    const Json::Value& stamp = req["UseStamp"];
    const Json::Value& difference = req["TimeDifference"];
    if (COnvifBaseComm::instance()->messageAuth(request, response, transport, m_loginInfo,
                                                stamp.isBool() && stamp.asBool(),
                                                difference.isInt() ? difference.asInt() : 0) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    if (response.setNSURITable(Namespaces::kDevice) != 0 ||
        !hasResponseElement(response, "UpgradeSystemFirmware", false) ||
        response.setPathPrefix(SOAP_NODE_RESPONSE) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    readFields(response, kFirmwareOut, rsp);
    return 0;
}

} // namespace Onvif
} // namespace RPC
