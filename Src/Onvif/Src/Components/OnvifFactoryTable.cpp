#include "Components/OnvifFactoryTable.h"

#include <mutex>

#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClientFactory.h"
#include "Components/OnvifComponentFactories.h"
#include "Component/Unknown.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
// Later components fill in their makers as they land; the order never changes.
const OnvifFactoryRow kFactoryTable[] = {
    {"COnvifClient::CFactory", "Client", "Onvif", &COnvifClient::CFactory::make},
    {"CStreamSourceFactory", "StreamSource", "Onvif.MediaRealStream", &CStreamSourceFactory::make},
    {"CIConfigManagerFactory", "ConfigManager", "Onvif", &makeConfigManagerFactory},
    {"CIPtzManagerFactory", "Ptz", "Onvif", &makePtzFactory},
    {"CPTZBaseFactory", "Comm::PTZBase", "Onvif", &makePTZBaseFactory},
    {"CEventManagerFactory", "EventManager", "Onvif", nullptr},
    {"CUserManagerFactory", "UserManager", "Onvif", &makeUserManagerFactory},
    {"CIEncodeFactory", "Encode", "Onvif", &makeEncodeFactory},
    {"CDevAudioEncFactory", "DevAudioEnc", "Onvif", nullptr},
    {"CIUpgraderFactory", "Upgrader", "Onvif", &makeUpgraderFactory},
    {"CIMagicBoxFactory", "MagicBox", "Onvif", &makeMagicBoxFactory},
    {"CSnapManagerFactory", "SnapManager", "Onvif", &makeSnapManagerFactory},
    {"CIMediaFileFindFactory", "MediaFileFind", "Onvif", &makeMediaFileFindFactory},
    {"CRecordingStreamSourceFactory", "StreamSource", "Onvif.MediaFileStream", &CRecordingStreamSourceFactory::make},
    {"CILogicDeviceManagerFactory", "DeviceManager::ILogicDeviceManager", "Onvif", &makeLogicDeviceManagerFactory},
    {"CAlarmFactory", "Alarm", "Onvif", &makeAlarmFactory},
    {"CTimeClientFactory", "Component::TimeClient", "Onvif", &makeTimeClientFactory},
    {"CMediaManagerFactory", "Media::IMediaManager", "Onvif", &makeMediaManagerFactory},
    {"COSDManagerFactory", "Function::OSDManager", "Onvif", &makeOSDManagerFactory},
    {"CVideoTalkPeerFactory", "VideoTalkPeer", "Onvif.VideoTalkPeer", nullptr},
    {"CRemoteOSDManagerFactory", "Function::RemoteOSDManager", "Onvif", &makeRemoteOSDManagerFactory},
    {"CDevAudioDecFactory", "DevAudioDec", "Onvif", nullptr},
};

std::mutex g_registrationMutex;
} // namespace

const OnvifFactoryRow* onvifFactoryTable(size_t& count)
{
    count = sizeof kFactoryTable / sizeof kFactoryTable[0];
    return kFactoryTable;
}

size_t registerFactoryTable(const OnvifFactoryRow* rows, size_t count, bool* registered)
{
    std::lock_guard<std::mutex> lock(g_registrationMutex);
    size_t done = 0;
    for (size_t i = 0; i < count; ++i) {
        if (registered[i] || !rows[i].makeFactory)
            continue;
        // The factory lives until the process exits: the framework may hand out its
        // components at any time, even during static destruction.
        Zentar::Component::IFactoryUnknown* factory = rows[i].makeFactory();
        if (!factory || !Zentar::Component::registerFactory(factory)) {
            ONVIF_LOG(LOG_ERROR, "register factory %s [%s/%s] failed\n", rows[i].factoryClass,
                      rows[i].interfaceName, rows[i].classID);
            delete factory;   // the framework refused it, so nobody else holds it
            continue;
        }
        registered[i] = true;
        ++done;
    }
    return done;
}

} // namespace Onvif
} // namespace RPC
