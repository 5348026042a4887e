// StartFirmwareUpgrade: an upload address on the device's upload port (Firmware/).
#include "Firmware/FirmwareState.h"
#include "Services/DeviceAdminOps.h"

namespace OnvifSim {
namespace {

// "127.0.0.1" of "http://127.0.0.1:8080", "[::1]" of "https://[::1]:443".
std::string HostOf(const std::string& baseUrl)
{
    size_t begin = baseUrl.find("://");
    begin = begin == std::string::npos ? 0 : begin + 3;
    if (begin < baseUrl.size() && baseUrl[begin] == '[')
        return baseUrl.substr(begin, baseUrl.find(']', begin) + 1 - begin);
    return baseUrl.substr(begin, baseUrl.find_first_of(":/", begin) - begin);
}

} // namespace

void StartFirmwareUpgrade(CCallContext& ctx)
{
    const Json::Value& port = ctx.device().raw[kFirmwarePortMember];
    CFirmwareOptions options;
    std::string error;
    if (!port.isInt() || !ReadFirmwareOptions(ctx.device().raw, options, error) || !options.enabled)
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device takes no firmware over HTTP");
    const std::string path = IssueUploadPath(ctx.state());
    CXmlNode out = ctx.respond();
    out.sub("UploadUri", "http://" + HostOf(ctx.baseUrl()) + ":" + std::to_string(port.asInt()) + path);
    out.sub("UploadDelay", options.uploadDelay);
    out.sub("ExpectedDownTime", "PT" + std::to_string(options.rebootSeconds) + "S");
}

} // namespace OnvifSim
