// The client's getters: each per-device component is made on first request, under the
// sub-object lock, and kept until the client is destroyed.
#include <new>

#include "Components/Alarm/OnvifAlarm.h"
#include "Components/Client/OnvifClient.h"
#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/DeviceQuery/OnvifEncode.h"
#include "Components/DeviceQuery/OnvifLogicDeviceManager.h"
#include "Components/DeviceQuery/OnvifMagicBox.h"
#include "Components/DeviceQuery/OnvifMediaManager.h"
#include "Components/MediaFileFind/OnvifMediaFileFind.h"
#include "Components/OSD/OnvifOSDManager.h"
#include "Components/OSD/OnvifRemoteOSDManager.h"
#include "Components/Ptz/OnvifPTZBase.h"
#include "Components/Ptz/OnvifPtz.h"
#include "Components/RecordingStreamSource/OnvifRecordingStreamSource.h"
#include "Components/SnapManager/OnvifSnapManager.h"
#include "Components/StreamSource/OnvifStreamSource.h"
#include "Components/TimeClient/OnvifTimeClient.h"
#include "Components/Upgrader/OnvifUpgrader.h"
#include "Components/UserManager/OnvifUserManager.h"
#include "Infra/LastError.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::Component;
using Zentar::Stream::IStreamSource;

namespace {

template <class T> T* notSupported(const char* what)
{
    ONVIF_LOG(LOG_INFO, "%s not supported by this build\n", what);
    Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
    return nullptr;
}

// The single sub-object in slot, made from the login record on first request.
template <class T>
T* singleSubObject(std::unique_ptr<T>& slot, const std::shared_ptr<ServerInfo>& info, const char* failureLog)
{
    if (!slot) {
        slot.reset(new (std::nothrow) T(info));
        if (!slot)
            ONVIF_LOG(LOG_WARN, "%s", failureLog);
    }
    return slot.get();
}

} // namespace

IMagicBox* COnvifClient::getIMagicBox()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_magicBox, m_serverInfo, "new COnvifMagicBox failed,m_magicBox is NULL\n");
}

ILogicDeviceManager* COnvifClient::getILogicDeviceManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_logicDeviceManager, m_serverInfo,
                           "new COnvifLogicDeviceManager failed,m_logicDeviceManager is NULL\n");
}

IMediaManager* COnvifClient::getMediaManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_mediaManager, m_serverInfo, "new COnvifMediaManager failed,m_mediaManager is NULL\n");
}

IEncode* COnvifClient::getEncode()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_encode, m_serverInfo, "new COnvifEncode failed,m_encode is NULL\n");
}

ITimeClient* COnvifClient::getTimeClient()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_timeClient, m_serverInfo, "new COnvifTimeClient failed,m_timeClient is NULL\n");
}

Zentar::Snapshot::ISnapManager* COnvifClient::getSnapManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_snapManager, m_serverInfo, "new COnvifSnapManager failed,m_snapManager is NULL\n");
}

IConfigManager* COnvifClient::getConfigManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_configManager, m_serverInfo, "new COnvifConfigManager failed,m_configManager is NULL\n");
}

IAlarm* COnvifClient::getIAlarm()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_alarm, m_serverInfo, "new COnvifAlarm failed,m_alarm is NULL\n");
}

IOSDManager* COnvifClient::getOSDManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_osdManager, m_serverInfo, "new COnvifOSDManager failed,m_osdManager is NULL\n");
}

IRemoteOSDManager* COnvifClient::getRemoteOSDManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_remoteOSDManager, m_serverInfo,
                           "new COnvifRemoteOSDManager failed,m_remoteOSDManager is NULL\n");
}

Zentar::Manager::IUpgrader* COnvifClient::getUpgrader()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_upgrader, m_serverInfo, "new COnvifUpgrader failed,m_upgrader is NULL\n");
}

Zentar::Manager::IUserManager* COnvifClient::getUserManager()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_userManager, m_serverInfo, "new COnvifUserManager failed,m_userManager is NULL\n");
}

IStreamSource* COnvifClient::getIStreamSource(const StreamRequest& request)
{
    int protocol = request.transportProtocol;
    if (protocol == -1) {
        protocol = COnvifStreamSource::protocolFromRecord(m_serverInfo->transport);
    } else if (protocol == 2 || protocol == 6 || (protocol == 4 && request.encryption == 1) ||
               (protocol == 5 && request.encryption == 0)) {
        ONVIF_LOG(LOG_WARN, "protocol<%d>, encryption<%d> not supported!\n", protocol, request.encryption);
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
        return nullptr;
    }
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    for (const auto& source : m_streamSources) {
        ONVIF_LOG(LOG_TRACE, "Channel:%d, StreamType:%d, TransProtocol:%d\n", source->getChannel(),
                  source->getStreamType(), source->getTransProtocol());
        if (source->getChannel() == request.channel && source->getStreamType() == request.streamType &&
            source->getTransProtocol() == protocol)
            return source.get();
    }
    std::unique_ptr<COnvifStreamSource> source(
        new (std::nothrow) COnvifStreamSource(m_serverInfo, 0, request.channel, request.streamType, protocol));
    if (!source) {
        ONVIF_LOG(LOG_WARN, "new COnvifStreamSource fail!\n");
        return nullptr;
    }
    m_streamSources.push_back(std::move(source));
    return m_streamSources.back().get();
}

Zentar::Comm::IPTZBase* COnvifClient::getPTZBase()
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    return singleSubObject(m_ptzBase, m_serverInfo, "new COnvifPTZBase failed,m_ptzBase is NULL\n");
}

Zentar::Comm::IPtz* COnvifClient::getIPtz(int channel)
{
    Zentar::Infra::CGuard guard(m_subObjectMutex);
    for (const auto& ptz : m_ptzs) {
        if (ptz->getChannel() == channel)
            return ptz.get();
    }
    std::unique_ptr<COnvifPtz> ptz(new (std::nothrow) COnvifPtz(m_serverInfo, channel));
    if (!ptz) {
        ONVIF_LOG(LOG_WARN, "new COnvifIPtz fail\n");
        return nullptr;
    }
    m_ptzs.push_back(std::move(ptz));
    return m_ptzs.back().get();
}

IDevAudioEnc* COnvifClient::getDevAudioEnc(const StreamRequest&) { return notSupported<IDevAudioEnc>("IDevAudioEnc"); }
IVideoTalkPeer* COnvifClient::getIVideoTalkPeer() { return notSupported<IVideoTalkPeer>("IVideoTalkPeer"); }
// Finders and playback sources belong to whoever asked for them: the client keeps none.
Zentar::Storage::IMediaFileFind* COnvifClient::createMediaFileFind()
{
    COnvifMediaFileFind* finder = new (std::nothrow) COnvifMediaFileFind(m_serverInfo);
    if (!finder)
        ONVIF_LOG(LOG_WARN, "new COnvifMediaFileFind failed\n");
    return finder;
}

IStreamSource* COnvifClient::createRecordingStreamSource(const std::string& filePath)
{
    COnvifRecordingStreamSource* source = new (std::nothrow) COnvifRecordingStreamSource(m_serverInfo, filePath);
    if (!source)
        ONVIF_LOG(LOG_WARN, "new COnvifRecordingStreamSource failed\n");
    return source;
}

IDevAudioDec* COnvifClient::createDevAudioDec(int type)
{
    if (type != 0) {
        ONVIF_LOG(LOG_WARN, "not support type[%d]\n", type);
        return nullptr;
    }
    return notSupported<IDevAudioDec>("IDevAudioDec");
}

} // namespace Onvif
} // namespace RPC
