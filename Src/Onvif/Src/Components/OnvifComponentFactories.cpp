#include "Components/OnvifComponentFactories.h"

#include <new>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IAlarm.h"
#include "IConfigManager.h"
#include "IEncode.h"
#include "IPTZBase.h"
#include "IPtz.h"
#include "ILogicDeviceManager.h"
#include "IMagicBox.h"
#include "IMediaFileFind.h"
#include "IMediaManager.h"
#include "IOSDManager.h"
#include "ISnapManager.h"
#include "IStreamSource.h"
#include "ITimeClient.h"
#include "IUpgrader.h"
#include "IUserManager.h"
#include "Infra/Mutex.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::Component;

namespace {

const char kNoClient[] = "pOnvifClient is NULL\n";
#define ONVIF_COMPONENT_VERSION(name) \
    CVersion { name, 0, 0, 0, nullptr, nullptr }

const ClientGetterRow kMagicBoxRow = {IMagicBox::kInterfaceName, ONVIF_COMPONENT_VERSION("OnvifClientMagicBox"),
                                      [](COnvifClient& c) -> IUnknown* { return c.getIMagicBox(); }, nullptr};
const ClientGetterRow kEncodeRow = {IEncode::kInterfaceName,
                                    {"OnvifEncode", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
                                    [](COnvifClient& c) -> IUnknown* { return c.getEncode(); }, nullptr};
const ClientGetterRow kLogicDeviceRow = {ILogicDeviceManager::kInterfaceName,
                                         ONVIF_COMPONENT_VERSION("OnvifClientLogicDeviceManager"),
                                         [](COnvifClient& c) -> IUnknown* { return c.getILogicDeviceManager(); },
                                         kNoClient};
const ClientGetterRow kTimeClientRow = {ITimeClient::kInterfaceName, ONVIF_COMPONENT_VERSION("OnvifClientTimeClient"),
                                        [](COnvifClient& c) -> IUnknown* { return c.getTimeClient(); }, kNoClient};
const ClientGetterRow kMediaManagerRow = {IMediaManager::kInterfaceName,
                                          ONVIF_COMPONENT_VERSION("OnvifClientMediaManager"),
                                          [](COnvifClient& c) -> IUnknown* { return c.getMediaManager(); }, kNoClient};

const ClientGetterRow kSnapManagerRow = {Zentar::Snapshot::ISnapManager::kInterfaceName,
                                         ONVIF_COMPONENT_VERSION("OnvifSnapManager"),
                                         [](COnvifClient& c) -> IUnknown* { return c.getSnapManager(); }, nullptr};

const ClientGetterRow kConfigManagerRow = {IConfigManager::kInterfaceName, ONVIF_COMPONENT_VERSION("OnvifConfigManager"),
                                           [](COnvifClient& c) -> IUnknown* { return c.getConfigManager(); },
                                           kNoClient};
const ClientGetterRow kAlarmRow = {IAlarm::kInterfaceName, ONVIF_COMPONENT_VERSION("OnvifAlarm"),
                                   [](COnvifClient& c) -> IUnknown* { return c.getIAlarm(); }, "instance=NULL\n"};
const ClientGetterRow kOSDManagerRow = {IOSDManager::kInterfaceName, ONVIF_COMPONENT_VERSION("OnvifOSDManager"),
                                        [](COnvifClient& c) -> IUnknown* { return c.getOSDManager(); }, kNoClient};
// Each request makes a new finder; the host ends it with destroy().
const ClientGetterRow kMediaFileFindRow = {Zentar::Storage::IMediaFileFind::kInterfaceName,
                                           {"OnvifClientMediaFileFind", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
                                           [](COnvifClient& c) -> IUnknown* { return c.createMediaFileFind(); },
                                           kNoClient};
const ClientGetterRow kRemoteOSDManagerRow = {IRemoteOSDManager::kInterfaceName,
                                              ONVIF_COMPONENT_VERSION("OnvifRemoteOSDManager"),
                                              [](COnvifClient& c) -> IUnknown* { return c.getRemoteOSDManager(); },
                                              kNoClient};
const ClientGetterRow kPTZBaseRow = {Zentar::Comm::IPTZBase::kInterfaceName,
                                     {"OnvifClientPTZBase", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
                                     [](COnvifClient& c) -> IUnknown* { return c.getPTZBase(); }, nullptr};
// A host that asks the factory rather than the client gets the first channel's PTZ; the
// client's getIPtz serves every other channel.
const ClientGetterRow kPtzRow = {Zentar::Comm::IPtz::kInterfaceName,
                                 {"OnvifClientPtz", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
                                 [](COnvifClient& c) -> IUnknown* { return c.getIPtz(0); }, nullptr};

const ClientGetterRow kUserManagerRow = {
    Zentar::Manager::IUserManager::kInterfaceName,
    {"OnvifClientUserManager", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
    [](COnvifClient& c) -> IUnknown* { return c.getUserManager(); }, nullptr};
const ClientGetterRow kUpgraderRow = {
    Zentar::Manager::IUpgrader::kInterfaceName, {"OnvifClientUpgrader", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__},
    [](COnvifClient& c) -> IUnknown* { return c.getUpgrader(); }, nullptr};

} // namespace

COnvifClient* currentOnvifClient()
{
    // The client factory without a record answers with the calling context's client.
    IUnknown* client = getComponentInstance(IClient::kInterfaceName, "Onvif", nullptr);
    return dynamic_cast<COnvifClient*>(client);
}

CClientGetterFactory::CClientGetterFactory(const ClientGetterRow& row)
    : IFactoryUnknown(row.interfaceName, "Onvif", row.version), m_row(row)
{
}

IUnknown* CClientGetterFactory::create(const ServerInfo*)
{
    Zentar::Infra::CGuard guard(m_mutex);
    COnvifClient* client = currentOnvifClient();
    if (!client) {
        if (m_row.noClientLog)
            ONVIF_LOG(LOG_WARN, "%s", m_row.noClientLog);
        return nullptr;
    }
    return m_row.getter(*client);
}

IFactoryUnknown* makeMagicBoxFactory() { return new (std::nothrow) CClientGetterFactory(kMagicBoxRow); }
IFactoryUnknown* makeEncodeFactory() { return new (std::nothrow) CClientGetterFactory(kEncodeRow); }
IFactoryUnknown* makeLogicDeviceManagerFactory() { return new (std::nothrow) CClientGetterFactory(kLogicDeviceRow); }
IFactoryUnknown* makeTimeClientFactory() { return new (std::nothrow) CClientGetterFactory(kTimeClientRow); }
IFactoryUnknown* makeMediaManagerFactory() { return new (std::nothrow) CClientGetterFactory(kMediaManagerRow); }
IFactoryUnknown* makeSnapManagerFactory() { return new (std::nothrow) CClientGetterFactory(kSnapManagerRow); }
IFactoryUnknown* makeConfigManagerFactory() { return new (std::nothrow) CClientGetterFactory(kConfigManagerRow); }
IFactoryUnknown* makeAlarmFactory() { return new (std::nothrow) CClientGetterFactory(kAlarmRow); }
IFactoryUnknown* makeOSDManagerFactory() { return new (std::nothrow) CClientGetterFactory(kOSDManagerRow); }
IFactoryUnknown* makeMediaFileFindFactory() { return new (std::nothrow) CClientGetterFactory(kMediaFileFindRow); }
IFactoryUnknown* makeRemoteOSDManagerFactory()
{
    return new (std::nothrow) CClientGetterFactory(kRemoteOSDManagerRow);
}
IFactoryUnknown* makePTZBaseFactory() { return new (std::nothrow) CClientGetterFactory(kPTZBaseRow); }
IFactoryUnknown* makePtzFactory() { return new (std::nothrow) CClientGetterFactory(kPtzRow); }
IFactoryUnknown* makeUserManagerFactory() { return new (std::nothrow) CClientGetterFactory(kUserManagerRow); }
IFactoryUnknown* makeUpgraderFactory() { return new (std::nothrow) CClientGetterFactory(kUpgraderRow); }

// ---- live stream sources --------------------------------------------------------------

namespace {
const CVersion kStreamSourceVersion{"COnvifStreamSource", 1, 1, 1, "1", __DATE__};
}

CStreamSourceFactory::CStreamSourceFactory()
    : IFactoryUnknown(Zentar::Stream::IStreamSource::kInterfaceName, "Onvif.MediaRealStream", kStreamSourceVersion)
{
}

IUnknown* CStreamSourceFactory::create(const ServerInfo*)
{
    ONVIF_LOG(LOG_TRACE, "get StreamSource failed\n");
    return nullptr;
}

Zentar::Stream::IStreamSource* CStreamSourceFactory::instance(int channel, int streamType, const ServerInfo& info,
                                                              int transport)
{
    COnvifClient* client = currentOnvifClient();
    Zentar::Stream::IStreamSource* source = nullptr;
    if (client && sameDevice(client->getServerInfo(), info)) {
        StreamRequest request;
        request.channel = channel;
        request.streamType = streamType;
        request.transportProtocol = transport;
        request.encryption = info.https ? 1 : 0;
        source = client->getIStreamSource(request);
    }
    if (!source)
        ONVIF_LOG(LOG_TRACE, "get StreamSource failed\n");
    return source;
}

IFactoryUnknown* CStreamSourceFactory::make() { return new (std::nothrow) CStreamSourceFactory(); }

// ---- playback sources -------------------------------------------------------------------

namespace {
const CVersion kRecordingSourceVersion{"COnvifRecordingStreamSource", 0, 0, 0, "Onvif_VERSION_SVN_REVISION", __DATE__};
}

CRecordingStreamSourceFactory::CRecordingStreamSourceFactory()
    : IFactoryUnknown(Zentar::Stream::IStreamSource::kInterfaceName, "Onvif.MediaFileStream", kRecordingSourceVersion)
{
}

IUnknown* CRecordingStreamSourceFactory::create(const ServerInfo*)
{
    ONVIF_LOG(LOG_TRACE, "a playback source needs what to play: use instance()\n");
    return nullptr;
}

Zentar::Stream::IStreamSource* CRecordingStreamSourceFactory::instance(const ServerInfo& info,
                                                                       const std::string& filePath)
{
    COnvifClient* client = currentOnvifClient();
    if (!client || !sameDevice(client->getServerInfo(), info)) {
        ONVIF_LOG(LOG_WARN, "pOnvifClient is NULL\n");
        return nullptr;
    }
    return client->createRecordingStreamSource(filePath);
}

IFactoryUnknown* CRecordingStreamSourceFactory::make() { return new (std::nothrow) CRecordingStreamSourceFactory(); }

} // namespace Onvif
} // namespace RPC
