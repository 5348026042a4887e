#include "Description/Namespaces.h"

namespace OnvifSim {

const std::vector<CServiceInfo>& ServiceCatalog()
{
    static const std::vector<CServiceInfo> table = {
        {"device", Ns::Device, "/onvif/device_service", 2, 60, "Device"},
        {"media", Ns::Media, "/onvif/media_service", 2, 60, "Media"},
        {"media2", Ns::Media2, "/onvif/media2_service", 2, 60, ""},
        {"ptz", Ns::Ptz, "/onvif/ptz_service", 2, 60, "PTZ"},
        {"imaging", Ns::Imaging, "/onvif/imaging_service", 2, 60, "Imaging"},
        {"events", Ns::Events, "/onvif/event_service", 2, 60, "Events"},
        {"analytics", Ns::Analytics, "/onvif/analytics_service", 2, 60, "Analytics"},
        {"deviceio", Ns::DeviceIO, "/onvif/deviceio_service", 2, 60, ""},
        {"recording", Ns::Recording, "/onvif/recording_service", 2, 60, ""},
        {"search", Ns::Search, "/onvif/search_service", 2, 60, ""},
        {"replay", Ns::Replay, "/onvif/replay_service", 2, 60, ""},
    };
    return table;
}

const CServiceInfo* FindService(const std::string& key)
{
    for (const auto& info : ServiceCatalog())
        if (key == info.key)
            return &info;
    return nullptr;
}

const std::vector<CNamespacePrefix>& KnownNamespaces()
{
    static const std::vector<CNamespacePrefix> table = {
        {Ns::Soap12, "env", "soap"},
        {Ns::Schema, "tt", "onvif"},
        {Ns::Error, "ter", "onviferr"},
        {Ns::Device, "tds", "device"},
        {Ns::Media, "trt", "media"},
        {Ns::Media2, "tr2", "media2"},
        {Ns::Ptz, "tptz", "ptz"},
        {Ns::Imaging, "timg", "imaging"},
        {Ns::Events, "tev", "events"},
        {Ns::Analytics, "tan", "analytics"},
        {Ns::DeviceIO, "tmd", "deviceio"},
        {Ns::Recording, "trc", "recording"},
        {Ns::Search, "tse", "search"},
        {Ns::Replay, "trp", "replay"},
        {Ns::Wsnt, "wsnt", "notify"},
        {Ns::Wsa, "wsa", "addressing"},
    };
    return table;
}

} // namespace OnvifSim
