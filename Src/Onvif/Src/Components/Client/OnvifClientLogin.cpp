// Login, logout and the outcome the host is told.
#include "Components/Client/OnvifClient.h"
#include "Components/ConfigManager/OnvifConfigManager.h"

#include "Infra/LastError.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/AsyncLoginLimit.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
std::atomic<int> g_asyncLoginsRunning{0};
constexpr int kLoginModeAsync = 1;
constexpr uint32_t kAllSlots = 22;
} // namespace

int COnvifClient::asyncLoginsRunning()
{
    return g_asyncLoginsRunning.load();
}

bool COnvifClient::takeAsyncLoginSlot()
{
    if (m_holdsLoginSlot.exchange(true))
        return true;   // another thread of the host is scheduling this client's login
    if (g_asyncLoginsRunning.fetch_add(1) >= getAsyncLoginLimit()) {
        --g_asyncLoginsRunning;
        m_holdsLoginSlot = false;
        return false;
    }
    return true;
}

void COnvifClient::releaseAsyncLoginSlot()
{
    // Called by the finished login and by whoever cancels a login that never ran; only
    // the first of them gives the slot back.
    if (m_holdsLoginSlot.exchange(false))
        --g_asyncLoginsRunning;
}

bool COnvifClient::login()
{
    if (m_loggedIn)
        return true;
    ONVIF_LOG(LOG_INFO, "Client[%p], login enter! %s\n", static_cast<void*>(this), keyword().c_str());

    if (m_serverInfo->loginMode != kLoginModeAsync)
        return tryToLogin() == 0 || m_loggedIn;

    const bool scheduled = m_loginTimer.isStarted() || m_loginTimer.isRunning();
    // A login counts against the limit from the moment it is scheduled, not only once its
    // timer runs: a host that asks a thousand devices at once would otherwise queue a
    // thousand logins, and the timer pool would grow a thread for each one that blocks.
    if (!scheduled && !takeAsyncLoginSlot()) {
        ONVIF_LOG(LOG_WARN, "Client[%p], login up to max asynLoginMaxNum:%d\n", static_cast<void*>(this),
                  getAsyncLoginLimit());
        Zentar::Infra::setLastError(ONVIF_ERR_TOO_MANY_LOGINS);
        return false;
    }
    if (!scheduled) {
        m_loginTimer.start(
            [this](unsigned long) {
                tryToLogin();
                releaseAsyncLoginSlot();
            },
            0, 0);
    }
    // The outcome arrives later through the online state; until then the host sees
    // the previous error, or "pending".
    uint32_t code = m_errorCode.load();
    Zentar::Infra::setLastError(code != 0 ? code : ONVIF_ERR_LOGIN_PENDING);
    return false;
}

bool COnvifClient::probeReachable()
{
    Json::Value request, result;
    std::string address;
    COnvifInfoCenter::makeDeviceServiceAddr(*m_serverInfo, address);
    request["XAddr"] = address;
    return getSystemDateAndTime(*m_serverInfo, request, result);
}

void COnvifClient::failLogin(int reason, uint32_t code, bool afterProfiles)
{
    m_failureReason = reason;
    m_errorCode = code;
    notifyLoginResult(reason, afterProfiles);
    COnvifInfoCenter::instance()->setCacheValid(*m_serverInfo, kAllSlots, 0);
    Zentar::Infra::setLastError(code);
}

int COnvifClient::tryToLogin()
{
    const ServerInfo& info = *m_serverInfo;
    // The centre keeps a device's record beyond a session; what an earlier session
    // learnt (addresses, profiles, encoders) may be stale now, so learn it afresh.
    COnvifInfoCenter::instance()->setCacheValid(info, kAllSlots, 0);
    if (!probeReachable()) {
        ONVIF_LOG(LOG_WARN, "login failed, connect to server failed, ip=%s, port=%d, mediaPort=%d, loginMode=%d\n",
                  info.address.c_str(), info.port, info.mediaPort, info.loginMode);
        failLogin(LOGIN_FAIL_UNREACHABLE, ONVIF_ERR_UNREACHABLE, false);
        return -1;
    }

    Json::Value caps;
    caps["ServiceAddrType"] = "All";
    if (!COnvifInfoCenter::instance()->getDeviceCapsInfo(info, caps, true)) {
        ONVIF_LOG(LOG_WARN, "tryToLogin failed!! get Device Capbilities[ALL] fail!\n");
        failLogin(LOGIN_FAIL_OTHER, Zentar::Infra::getLastError(), false);
        return -1;
    }

    Json::Value request, result;
    if (getProfiles(info, request, result)) {
        m_loggedIn = true;
        m_errorCode = 0;
        setOnlineState(true);
        ONVIF_LOG(LOG_INFO, "Client[%p], login succed! %s\n", static_cast<void*>(this), keyword().c_str());
        return 0;
    }

    ONVIF_LOG(LOG_WARN, "tryToLogin failed!!  get Device Profiles fail!\n");
    int reason = LOGIN_FAIL_OTHER;
    // Without a device verdict the profiles were simply not readable.
    uint32_t code = m_errorCode.load() != 0 ? m_errorCode.load() : ONVIF_ERR_BAD_ANSWER;
    if (result.isObject() && result.isMember(kErrorInfoKey)) {
        if (result[kErrorInfoKey] == kErrorInfoUnauth) {
            reason = LOGIN_FAIL_CREDENTIALS;
            code = ONVIF_ERR_BAD_CREDENTIALS;
            ONVIF_LOG(LOG_WARN, "tryToLogin failed!! Onvif setLastError componentErrorUserOrPwdNotValid!\n");
        } else {
            code = ONVIF_ERR_BAD_ANSWER;
        }
    }
    failLogin(reason, code, true);
    return -1;
}

void COnvifClient::notifyLoginResult(int reason, bool afterProfiles)
{
    Zentar::Infra::CGuard guard(m_callbackMutex);
    if (m_loginResultProc)
        m_loginResultProc("Onvif", reason);
    else if (afterProfiles)
        ONVIF_LOG(LOG_WARN, "tryToLogin failed!! not attach proc\n");
    else
        ONVIF_LOG(LOG_WARN, "not attach proc\n");
}

bool COnvifClient::logout()
{
    m_loggedIn = false;
    m_errorCode = 0;
    m_loginTimer.stopAndWait();
    releaseAsyncLoginSlot();
    COnvifInfoCenter::instance()->setCacheValid(*m_serverInfo, kAllSlots, 0);
    {
        // The OSD options the configuration pages kept belong to the session that ends.
        Zentar::Infra::CGuard guard(m_subObjectMutex);
        if (m_configManager)
            m_configManager->clearOSDCfg();
    }
    ONVIF_LOG(LOG_WARN, "Client[%p],logout! %s\n", static_cast<void*>(this), keyword().c_str());
    return true;
}

} // namespace Onvif
} // namespace RPC
