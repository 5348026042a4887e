// The device management service: the table of its operations, and the small ones.
#include "Services/DeviceAdminOps.h"
#include "Services/DeviceOps.h"
#include "Services/IoOps.h"

namespace OnvifSim {
namespace {

void GetDeviceInformation(CCallContext& ctx)
{
    const CDeviceIdentity& id = ctx.device().identity;
    CXmlNode out = ctx.respond();
    out.sub("Manufacturer", id.manufacturer);
    out.sub("Model", id.model);
    out.sub("FirmwareVersion", id.firmwareVersion);
    out.sub("SerialNumber", id.serialNumber);
    out.sub("HardwareId", id.hardwareId);
}

void GetWsdlUrl(CCallContext& ctx)
{
    ctx.respond().sub("WsdlUrl", "http://www.onvif.org/");
}

void SystemReboot(CCallContext& ctx)
{
    ++ctx.state().reboots;
    ctx.respond().sub("Message", "Rebooting in 30 seconds");
}

// Hard and Soft both bring back the described state, network settings and users included.
void SetSystemFactoryDefault(CCallContext& ctx)
{
    std::string kind = ChildText(ctx.input(), "FactoryDefault");
    if (kind != "Hard" && kind != "Soft")
        throw CSoapFault::Sender({"InvalidArgVal"}, "FactoryDefault must be Hard or Soft");
    CDeviceState& state = ctx.state();
    state.current = state.initial;
    state.serviceData = Json::Value(Json::objectValue);
    ++state.factoryResets;
    ctx.respond();
}

} // namespace

bool ParseDecimal(const std::string& text, int& value)
{
    std::string t = Trimmed(text);
    size_t start = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (t.size() == start || t.size() > 10 || t.find_first_not_of("0123456789", start) != std::string::npos)
        return false;
    value = std::stoi(t);
    return true;
}

const CServiceHandler& DeviceService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "device",
        {
            {"GetSystemDateAndTime", L::User, &GetSystemDateAndTime},
            {"SetSystemDateAndTime", L::Administrator, &SetSystemDateAndTime},
            {"GetCapabilities", L::User, &GetCapabilities},
            {"GetServices", L::User, &GetServices},
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetDeviceInformation", L::User, &GetDeviceInformation},
            {"GetWsdlUrl", L::User, &GetWsdlUrl},
            {"GetScopes", L::User, &GetScopes},
            {"SetScopes", L::Administrator, &SetScopes},
            {"AddScopes", L::Administrator, &AddScopes},
            {"RemoveScopes", L::Administrator, &RemoveScopes},
            {"SystemReboot", L::Administrator, &SystemReboot},
            {"SetSystemFactoryDefault", L::Administrator, &SetSystemFactoryDefault},
            {"GetRelayOutputs", L::User, &GetRelayOutputs},
            {"SetRelayOutputSettings", L::Administrator, &SetRelayOutputSettings},
            {"SetRelayOutputState", L::Operator, &SetRelayOutputState},
            // Reading settings is for every account; changing them, and anything about
            // users, is for administrators.
            {"GetNetworkInterfaces", L::User, &GetNetworkInterfaces},
            {"SetNetworkInterfaces", L::Administrator, &SetNetworkInterfaces},
            {"GetNetworkDefaultGateway", L::User, &GetNetworkDefaultGateway},
            {"SetNetworkDefaultGateway", L::Administrator, &SetNetworkDefaultGateway},
            {"GetZeroConfiguration", L::User, &GetZeroConfiguration},
            {"SetZeroConfiguration", L::Administrator, &SetZeroConfiguration},
            {"GetHostname", L::User, &GetHostname},
            {"SetHostname", L::Administrator, &SetHostname},
            {"SetHostnameFromDHCP", L::Administrator, &SetHostnameFromDHCP},
            {"GetDNS", L::User, &GetDNS},
            {"SetDNS", L::Administrator, &SetDNS},
            {"GetNTP", L::User, &GetNTP},
            {"SetNTP", L::Administrator, &SetNTP},
            {"GetNetworkProtocols", L::User, &GetNetworkProtocols},
            {"SetNetworkProtocols", L::Administrator, &SetNetworkProtocols},
            {"GetUsers", L::Administrator, &GetUsers},
            {"CreateUsers", L::Administrator, &CreateUsers},
            {"DeleteUsers", L::Administrator, &DeleteUsers},
            {"SetUser", L::Administrator, &SetUser},
            {"StartFirmwareUpgrade", L::Administrator, &StartFirmwareUpgrade},
        },
        &WriteDeviceServiceCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
