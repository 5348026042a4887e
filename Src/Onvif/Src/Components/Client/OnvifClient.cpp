#include "Components/Client/OnvifClient.h"

#include "Components/Alarm/OnvifAlarm.h"
#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/DeviceQuery/OnvifEncode.h"
#include "Components/EventManager/OnvifEventManager.h"
#include "Components/DeviceQuery/OnvifLogicDeviceManager.h"
#include "Components/DeviceQuery/OnvifMagicBox.h"
#include "Components/DeviceQuery/OnvifMediaManager.h"
#include "Components/OSD/OnvifOSDManager.h"
#include "Components/OSD/OnvifRemoteOSDManager.h"
#include "Components/Ptz/OnvifPTZBase.h"
#include "Components/Ptz/OnvifPtz.h"
#include "Components/SnapManager/OnvifSnapManager.h"
#include "Components/StreamSource/OnvifStreamSource.h"
#include "Components/TimeClient/OnvifTimeClient.h"
#include "Components/Upgrader/OnvifUpgrader.h"
#include "Components/UserManager/OnvifUserManager.h"
#include "Components/VideoTalk/OnvifVideoTalkPeerManager.h"

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
    releaseAsyncLoginSlot();
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

} // namespace Onvif
} // namespace RPC
