#pragma once
// The host's view of one device session: log in and out, follow the online state, set
// the clock, and obtain the device's other interfaces.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "Component/ClientContext.h"
#include "Component/ServerInfo.h"
#include "Component/Unknown.h"
#include "HostInterfaces.h"

namespace Zentar {
namespace Component {

// What the host asks for when it wants a stream source or an audio encoder.
struct StreamRequest {
    int channel = 0;
    int streamType = 0;          // 0 main stream, 1 sub stream, ...
    int transportProtocol = 0;   // the host's transport numbering
    int encryption = 0;
};

class IClient : public IUnknown {
public:
    // The interface name the client factory is registered under.
    static constexpr const char* kInterfaceName = "Client";

    // Who the host says is calling (see ClientContext.h).
    static int getCurrentUserID() { return ::Zentar::Component::getCurrentUserID(); }

    // Host procedure told the outcome of each login attempt: (class ID, failure reason).
    using LoginResultProc = std::function<void(const char* classID, int reason)>;

    virtual bool login() = 0;
    virtual bool logout() = 0;
    virtual bool getOnlineState() = 0;
    virtual bool isBroken() = 0;
    virtual bool setCurrentTime(time_t utcOrLocal, int zoneSeconds) = 0;
    virtual bool attachLoginResultProc(LoginResultProc proc) = 0;
    virtual bool detachLoginResultProc() = 0;

    virtual Comm::IPtz* getIPtz(int channel) = 0;
    virtual Stream::IStreamSource* getIStreamSource(const StreamRequest& request) = 0;
    virtual IDevAudioEnc* getDevAudioEnc(const StreamRequest& request) = 0;
    virtual IConfigManager* getConfigManager() = 0;
    virtual Manager::IUpgrader* getUpgrader() = 0;
    virtual IAlarm* getIAlarm() = 0;
    virtual ILogicDeviceManager* getILogicDeviceManager() = 0;
    virtual IMagicBox* getIMagicBox() = 0;
    virtual IEncode* getEncode() = 0;
    virtual ITimeClient* getTimeClient() = 0;
    virtual IMediaManager* getMediaManager() = 0;
    virtual IOSDManager* getOSDManager() = 0;
    virtual IRemoteOSDManager* getRemoteOSDManager() = 0;
    virtual IVideoTalkPeer* getIVideoTalkPeer() = 0;
    // A new finder or playback source on every call; the caller owns it (destroy()).
    // filePath names what to play: "<start>;<end>;RemoteChan:<channel>;Times" with the span
    // as a file record gives it (UTC texts, or the device's local times).
    virtual Storage::IMediaFileFind* createMediaFileFind() = 0;
    virtual Stream::IStreamSource* createRecordingStreamSource(const std::string& filePath) = 0;
    virtual IDevAudioDec* createDevAudioDec(int type) = 0;

    // Ends the session and frees the client.
    virtual void destroy() = 0;
};

} // namespace Component
} // namespace Zentar
