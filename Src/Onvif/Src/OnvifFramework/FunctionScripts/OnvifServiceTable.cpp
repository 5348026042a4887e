// The service names the registry can build. Rows for the services of further areas
// (PTZ, events, imaging, analytics, device IO, recording, replay, extensions) are added
// here as their service objects arrive.
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifProtocolCore/DeviceIOService/OnvifDeviceIOService.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "OnvifProtocolCore/ImagingConfiguration/OnvifImagingCfg.h"
#include "OnvifProtocolCore/Media2/OnvifMedia2.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCfg.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"
#include "OnvifProtocolCore/RecordingControl/OnvifRecordingCtl.h"
#include "OnvifProtocolCore/RecordingSearch/OnvifRecordingResearch.h"
#include "OnvifProtocolCore/ReplayControl/OnvifReplayCtl.h"

namespace RPC {
namespace Onvif {

namespace {

template <class T>
std::unique_ptr<COnvifProtoCore> make(const COnvifLoginInfo& login)
{
    return std::unique_ptr<COnvifProtoCore>(new T(login));
}

} // namespace

const std::vector<OnvifServiceRow>& onvifServiceTable()
{
    static const std::vector<OnvifServiceRow> kRows = {
        {"DeviceManagement", &make<COnvifDeviceManagement>},
        {"MediaCfg", &make<COnvifMediaCfg>},
        {"Media2", &make<COnvifMedia2>},
        {"DeviceIOService", &make<COnvifDeviceIOService>},
        {"RecordingControl", &make<COnvifRecordingCtl>},
        {"RecordingSearch", &make<COnvifRecordingResearch>},
        {"ReplayControl", &make<COnvifReplayCtl>},
        {"PtzControl", &make<COnvifPTZControl>},
        {"ImagingCfg", &make<COnvifImagingCfg>},
    };
    return kRows;
}

} // namespace Onvif
} // namespace RPC
