#include "Components/DeviceQuery/OnvifMagicBox.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Components/DeviceQuery/OnvifChannelQuery.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
const char kUniqueIdPrefix[] = "onvif://www.onvif.org/extension/unique_identifier/";
} // namespace

COnvifMagicBox::COnvifMagicBox(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifMagicBox::deviceInfoMember(const char* name, std::string& text, bool fresh)
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    const bool ok = fresh ? getDeviceInformation(*m_serverInfo, request, result)
                          : COnvifInfoCenter::instance()->getDeviceInfo(*m_serverInfo, result, true);
    if (!ok || !result.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    const Json::Value& value = result.get(name, Json::Value());
    text = value.isConvertibleTo(Json::stringValue) ? value.asString() : std::string();
    return true;
}

bool COnvifMagicBox::getSerialNo(std::string& serial) { return deviceInfoMember("SerialNumber", serial, true); }
bool COnvifMagicBox::getHardwareVersion(std::string& version) { return deviceInfoMember("HardwareId", version, true); }
bool COnvifMagicBox::getDeviceType(std::string& type) { return deviceInfoMember("Model", type, true); }
bool COnvifMagicBox::getVendor(std::string& vendor) { return deviceInfoMember("Manufacturer", vendor, false); }

bool COnvifMagicBox::getSoftwareVersion(Json::Value& version)
{
    std::string firmware;
    if (!deviceInfoMember("FirmwareVersion", firmware, false))
        return false;
    version = Json::Value(Json::objectValue);
    version["Version"] = firmware;
    version["BuildDate"] = "";
    version["WebVersion"] = "";
    return true;
}

bool COnvifMagicBox::marketAreaFromScope(const Json::Value& scopeRecord, int& area)
{
    area = 2;
    const Json::Value& scope = scopeRecord.isObject() ? scopeRecord["MarketAreaScope"] : Json::Value();
    if (!scope.isString())
        return false;
    const std::string text = scope.asString();
    const size_t prefixLength = sizeof kUniqueIdPrefix - 1;
    if (text.compare(0, prefixLength, kUniqueIdPrefix) != 0)
        return false;
    const std::string number = text.substr(prefixLength);
    if (number.empty() || number.find_first_of(" \t\r\n") != std::string::npos)
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(number.c_str(), &end, 10);
    if (errno != 0 || end == number.c_str() || *end != '\0')
        return false;
    area = (value >= 0 && value <= 2) ? static_cast<int>(value) : 2;
    return true;
}

bool COnvifMagicBox::getMarketArea(int& area)
{
    Json::Value scope(Json::objectValue);
    area = 2;
    if (!COnvifInfoCenter::instance()->getMarketAreaScope(*m_serverInfo, scope, true)) {
        ONVIF_ERRLN();
        return false;
    }
    if (!marketAreaFromScope(scope, area)) {
        ONVIF_ERRLN();
        return false;
    }
    ONVIF_LOG(LOG_TRACE, "Area:%d\n", area);
    return true;
}

bool COnvifMagicBox::getProductDefinition(const char* name, Json::Value& value)
{
    if (!name)
        return false;
    COnvifInfoCenter* center = COnvifInfoCenter::instance();
    if (std::strcmp(name, "HasPtz") == 0) {
        Json::Value request(Json::objectValue);
        request["ServiceAddrType"] = "PTZ";
        value = center->getDeviceCapsInfo(*m_serverInfo, request, true) && request["XAddr"].isString() &&
                !request["XAddr"].asString().empty();
        return true;
    }
    const char* member = std::strcmp(name, "AudioInputChannels") == 0    ? "AudioSources"
                         : std::strcmp(name, "AudioOutputChannels") == 0 ? "AudioOutputs"
                                                                          : nullptr;
    if (!member) {
        ONVIF_LOG(LOG_INFO, "ProductDefinition:%s not supported.\n", name);
        return false;
    }
    int count = 0;
    value = readDeviceIOCount(*m_serverInfo, member, count) ? count : 0;
    return true;
}

bool COnvifMagicBox::reboot()
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!RPC::Onvif::reboot(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_ERROR, "COnvifMagicBox::reboot failed\n");
        return false;
    }
    return true;
}

bool COnvifMagicBox::resetSystem()
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    request["FactoryDefault"] = "Hard";
    if (!commonOpList(*m_serverInfo, request, result, "Device", "DeviceManagement", "SetSystemFactoryDefault")) {
        ONVIF_LOG(LOG_ERROR, "COnvifSystem::setSystemFactoryDefault failed\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
