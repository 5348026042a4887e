#pragma once
// One device session as the host sees it: login (synchronous or on a timer), the online
// state with its background probe, the device clock, and the per-device sub-objects.
#include <json/json.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Component/Unknown.h"
#include "IClient.h"
#include "IEventManager.h"
#include "ISnapManager.h"
#include "Infra/Mutex.h"
#include "Infra/Timer.h"

namespace RPC {
namespace Onvif {

using Zentar::Component::ServerInfo;

class COnvifMagicBox;
class COnvifLogicDeviceManager;
class COnvifMediaManager;
class COnvifEncode;
class COnvifTimeClient;
class COnvifStreamSource;
class COnvifSnapManager;
class COnvifConfigManager;
class COnvifAlarm;
class COnvifOSDManager;
class COnvifRemoteOSDManager;
class COnvifEventManager;
class COnvifPtz;
class COnvifPTZBase;
class COnvifUpgrader;
class COnvifUserManager;
class COnvifVideoTalkPeerManager;

// Why the last login failed, as the host's login-result procedure is told.
enum OnvifLoginFailure { LOGIN_FAIL_OTHER = 0, LOGIN_FAIL_CREDENTIALS = 1, LOGIN_FAIL_UNREACHABLE = 33 };

class COnvifClient : public Zentar::Component::IClient {
public:
    class CFactory;

    explicit COnvifClient(const ServerInfo& info);
    ~COnvifClient() override;

    bool login() override;
    int tryToLogin();
    bool logout() override;
    bool getOnlineState() override;
    bool isBroken() override;
    void setOnlineState(bool online);
    bool setCurrentTime(time_t time, int zoneSeconds) override;
    bool attachLoginResultProc(LoginResultProc proc) override;
    bool detachLoginResultProc() override;

    Zentar::Comm::IPtz* getIPtz(int channel) override;
    Zentar::Stream::IStreamSource* getIStreamSource(const Zentar::Component::StreamRequest& request) override;
    Zentar::Component::IDevAudioEnc* getDevAudioEnc(const Zentar::Component::StreamRequest& request) override;
    Zentar::Component::IConfigManager* getConfigManager() override;
    Zentar::Manager::IUpgrader* getUpgrader() override;
    Zentar::Component::IAlarm* getIAlarm() override;
    Zentar::Component::ILogicDeviceManager* getILogicDeviceManager() override;
    Zentar::Component::IMagicBox* getIMagicBox() override;
    Zentar::Component::IEncode* getEncode() override;
    Zentar::Component::ITimeClient* getTimeClient() override;
    Zentar::Component::IMediaManager* getMediaManager() override;
    Zentar::Component::IOSDManager* getOSDManager() override;
    Zentar::Component::IRemoteOSDManager* getRemoteOSDManager() override;
    Zentar::Component::IVideoTalkPeer* getIVideoTalkPeer() override;
    Zentar::Storage::IMediaFileFind* createMediaFileFind() override;
    Zentar::Stream::IStreamSource* createRecordingStreamSource(const std::string& filePath) override;
    Zentar::Component::IDevAudioDec* createDevAudioDec(int type) override;
    void destroy() override;
    // The device's snapshot manager (handed out by the "SnapManager" factory).
    Zentar::Snapshot::ISnapManager* getSnapManager();
    // The device's event manager (handed out by the "EventManager" factory).
    Zentar::Manager::IEventManager* getEventManager();
    // The device's stored preset and tour tables (handed out by the "Comm::PTZBase" factory).
    Zentar::Comm::IPTZBase* getPTZBase();
    // The device's user administration (handed out by the "UserManager" factory).
    Zentar::Manager::IUserManager* getUserManager();

    const ServerInfo& getServerInfo() const { return *m_serverInfo; }
    bool isLoggedIn() const { return m_loggedIn.load(); }
    int getLoginFailureReason() const { return m_failureReason.load(); }
    uint32_t getLoginErrorCode() const { return m_errorCode.load(); }

    // Asynchronous logins in progress in this process (for the limit and for tests).
    static int asyncLoginsRunning();

    // The clock (milliseconds, only differences count) the online window is measured on and
    // the delay before a background probe runs. Null restores the monotonic clock and the
    // usual delay. For tests that step across the window without sleeping through it.
    using OnlineClockFn = uint64_t (*)();
    static void setOnlineTiming(OnlineClockFn clock, uint32_t probeDelayMs);

private:
    void initOnlineInfo();
    void clearOnlineInfo();
    // Login step 1 and the online probe: can the device's clock be read at all?
    bool probeReachable();
    void notifyLoginResult(int reason, bool afterProfiles);
    void failLogin(int reason, uint32_t code, bool afterProfiles);
    // The process-wide limit on asynchronous logins: a slot is held from scheduling the
    // login until it has finished or been cancelled.
    bool takeAsyncLoginSlot();
    void releaseAsyncLoginSlot();
    // "Keyword<addr-port-media-mode-key5>" for log lines.
    std::string keyword() const;

    // Passed in: the device's login record, shared with whoever created us.
    std::shared_ptr<ServerInfo> m_serverInfo;

    std::atomic<bool> m_loggedIn{false};
    std::atomic<int> m_failureReason{LOGIN_FAIL_OTHER};
    std::atomic<uint32_t> m_errorCode{0};
    std::atomic<bool> m_holdsLoginSlot{false};
    Zentar::Infra::CTimer m_loginTimer{"OnvifloginTimer"};

    Zentar::Infra::CMutex m_onlineMutex;
    Json::Value m_onlineInfo;   // "IsOnline", "LastUpdateTime"
    std::unique_ptr<Zentar::Infra::CTimer> m_onlineTimer;

    Zentar::Infra::CMutex m_callbackMutex;
    LoginResultProc m_loginResultProc;

    // The per-device sub-objects: made on first request, kept until the client goes.
    Zentar::Infra::CMutex m_subObjectMutex;
    std::unique_ptr<COnvifMagicBox> m_magicBox;
    std::unique_ptr<COnvifLogicDeviceManager> m_logicDeviceManager;
    std::unique_ptr<COnvifMediaManager> m_mediaManager;
    std::unique_ptr<COnvifEncode> m_encode;
    std::unique_ptr<COnvifTimeClient> m_timeClient;
    std::unique_ptr<COnvifSnapManager> m_snapManager;
    std::unique_ptr<COnvifConfigManager> m_configManager;
    std::unique_ptr<COnvifAlarm> m_alarm;
    std::unique_ptr<COnvifOSDManager> m_osdManager;
    std::unique_ptr<COnvifRemoteOSDManager> m_remoteOSDManager;
    std::unique_ptr<COnvifEventManager> m_eventManager;
    std::unique_ptr<COnvifUpgrader> m_upgrader;
    std::unique_ptr<COnvifUserManager> m_userManager;
    std::unique_ptr<COnvifVideoTalkPeerManager> m_videoTalkPeer;
    std::vector<std::unique_ptr<COnvifStreamSource>> m_streamSources;
    std::vector<std::unique_ptr<COnvifPtz>> m_ptzs;
    std::unique_ptr<COnvifPTZBase> m_ptzBase;
};

} // namespace Onvif
} // namespace RPC
