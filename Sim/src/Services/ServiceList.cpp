// The services that have handlers. Add a new service's handler here.
#include "Services/ServiceHandler.h"

namespace OnvifSim {

const CServiceHandler& DeviceService();
const CServiceHandler& MediaService();
const CServiceHandler& Media2Service();
const CServiceHandler& DeviceIOService();
const CServiceHandler& RecordingService();
const CServiceHandler& SearchService();
const CServiceHandler& ReplayService();
const CServiceHandler& PtzService();
const CServiceHandler& ImagingService();

const std::vector<const CServiceHandler*>& ServiceHandlers()
{
    static const std::vector<const CServiceHandler*> list = {
        &DeviceService(),
        &MediaService(),
        &Media2Service(),
        &DeviceIOService(),
        &RecordingService(),
        &SearchService(),
        &ReplayService(),
        &PtzService(),
        &ImagingService(),
    };
    return list;
}

const CServiceHandler* FindServiceHandler(const std::string& key)
{
    for (const CServiceHandler* handler : ServiceHandlers())
        if (key == handler->key)
            return handler;
    return nullptr;
}

} // namespace OnvifSim
