#include "Components/Client/OnvifClient.h"

#include <cstdio>

#include "Infra/LastError.h"
#include "Infra/Time.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::Component;

COnvifClient::COnvifClient(const ServerInfo& info) : m_serverInfo(std::make_shared<ServerInfo>(info))
{
    ONVIF_LOG(LOG_WARN, "Client[%p], Construction! UserID[%d], %s\n", static_cast<void*>(this),
              IClient::getCurrentUserID(), keyword().c_str());
    initOnlineInfo();
}

COnvifClient::~COnvifClient()
{
    // Timers call back into this object: stop them before any member goes.
    m_loginTimer.stopAndWait();
    clearOnlineInfo();
}

void COnvifClient::destroy()
{
    ONVIF_LOG(LOG_WARN, "COnvifClient[%p], destroy\n", static_cast<void*>(this));
    delete this;
}

std::string COnvifClient::keyword() const
{
    char text[320];
    std::snprintf(text, sizeof text, "Keyword<%s-%d-%d-%d-%d>", m_serverInfo->address.c_str(), m_serverInfo->port,
                  m_serverInfo->mediaPort, m_serverInfo->loginMode, m_serverInfo->key5);
    return text;
}

bool COnvifClient::attachLoginResultProc(LoginResultProc proc)
{
    Zentar::Infra::CGuard guard(m_callbackMutex);
    m_loginResultProc = std::move(proc);
    return true;
}

bool COnvifClient::detachLoginResultProc()
{
    Zentar::Infra::CGuard guard(m_callbackMutex);
    m_loginResultProc = nullptr;
    return true;
}

// ---- sub-objects ------------------------------------------------------------------------
// None of the per-device components is part of this build yet: each getter says so
// through the last error and hands out nothing.

namespace {
template <class T> T* notSupported(const char* what)
{
    ONVIF_LOG(LOG_INFO, "%s not supported by this build\n", what);
    Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
    return nullptr;
}
} // namespace

IPtz* COnvifClient::getIPtz(int) { return notSupported<IPtz>("IPtz"); }

IStreamSource* COnvifClient::getIStreamSource(const StreamRequest& request)
{
    const int protocol = request.transportProtocol;
    if (protocol == 2 || protocol == 6 || (protocol == 4 && request.encryption == 1) ||
        (protocol == 5 && request.encryption == 0)) {
        ONVIF_LOG(LOG_WARN, "protocol<%d>, encryption<%d> not supported!\n", protocol, request.encryption);
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
        return nullptr;
    }
    return notSupported<IStreamSource>("IStreamSource");
}

IDevAudioEnc* COnvifClient::getDevAudioEnc(const StreamRequest&) { return notSupported<IDevAudioEnc>("IDevAudioEnc"); }
IConfigManager* COnvifClient::getConfigManager() { return notSupported<IConfigManager>("IConfigManager"); }
IUpgrader* COnvifClient::getUpgrader() { return notSupported<IUpgrader>("IUpgrader"); }
IAlarm* COnvifClient::getIAlarm() { return notSupported<IAlarm>("IAlarm"); }
ILogicDeviceManager* COnvifClient::getILogicDeviceManager()
{
    return notSupported<ILogicDeviceManager>("ILogicDeviceManager");
}
IMagicBox* COnvifClient::getIMagicBox() { return notSupported<IMagicBox>("IMagicBox"); }
IEncode* COnvifClient::getEncode() { return notSupported<IEncode>("IEncode"); }
ITimeClient* COnvifClient::getTimeClient() { return notSupported<ITimeClient>("ITimeClient"); }
IMediaManager* COnvifClient::getMediaManager() { return notSupported<IMediaManager>("IMediaManager"); }
IOSDManager* COnvifClient::getOSDManager() { return notSupported<IOSDManager>("IOSDManager"); }
IRemoteOSDManager* COnvifClient::getRemoteOSDManager() { return notSupported<IRemoteOSDManager>("IRemoteOSDManager"); }
IVideoTalkPeer* COnvifClient::getIVideoTalkPeer() { return notSupported<IVideoTalkPeer>("IVideoTalkPeer"); }
IMediaFileFind* COnvifClient::createMediaFileFind() { return notSupported<IMediaFileFind>("IMediaFileFind"); }
IStreamSource* COnvifClient::createRecordingStreamSource() { return notSupported<IStreamSource>("recording source"); }

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
