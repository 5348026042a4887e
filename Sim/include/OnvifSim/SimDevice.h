#pragma once
// Control handle of one running simulated device, for tests and tools. Every method is
// thread-safe and may be called while clients talk to the device.
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimTypes.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace OnvifSim {

class CDeviceCore;
class CRtspServer;

// What the RTSP server does to the media of every session until it is set back to None.
enum class ERtspFault {
    None,
    Stall,           // stop sending media; the connection and the RTSP dialogue stay up
    TruncatedRtp,    // every RTP packet cut to 8 bytes, shorter than its fixed header
    BadRtpVersion,   // RTP version 1 in every header
    Garbage,         // bytes that are not RTP (on TCP: not '$' framed) instead of the media
    LateKeyFrame,    // video sessions start just after a key frame, so the first one comes a GOP late
};

class CSimDevice {
public:
    CSimDevice(std::shared_ptr<CDeviceCore> core, unsigned short port, bool https, std::string host,
               std::shared_ptr<CRtspServer> rtsp = nullptr);

    unsigned short port() const { return m_port; }
    bool https() const { return m_https; }
    std::string baseUrl() const;                                  // "http://127.0.0.1:PORT"
    // Address of an offered service ("device", "media" ...); empty when not offered.
    std::string serviceUrl(const std::string& serviceKey = "device") const;

    // What arrived, oldest first (the most recent 20000 requests).
    std::vector<CRecordedRequest> requests() const;
    int requestCount() const;
    int count(const std::string& operation) const;               // requests naming it, since the last clear
    void clearRequests();

    // Faults on demand; a fault with an empty operation hits every request.
    void addFault(const CSimFault& fault);
    bool addFault(const Json::Value& fault, std::string* error = nullptr);
    void clearFaults();
    void clearFaults(const std::string& operation);

    // The device's clock: real time plus an offset.
    long long clockOffset() const;
    void setClockOffset(long long seconds);
    void jumpClock(long long seconds);
    // The clock jumps by `seconds` once `requests` more requests have been answered.
    void jumpClockAfter(int requests, long long seconds);
    long long deviceTime() const;                                  // seconds since 1970, device clock
    // Moves of domes and focus lenses are timed by a clock of their own; this puts it ahead,
    // so that a test sees a move of seconds without waiting for it.
    void advanceMotionClock(int milliseconds);

    // Credentials and habits.
    void setUsers(const std::vector<CSimUser>& users);
    void setAuthMode(EAuthMode mode);
    void setRefusalStyle(ERefusalStyle style);
    void setAnonymousOperations(const std::set<std::string>& operations);
    // Every digest nonce issued so far is answered stale from now on.
    void expireDigestNonces();
    // Any other change to the live description (prefix style, transfer, scopes ...).
    void update(const std::function<void(CDeviceDescription&)>& change);

    // Read back the live state.
    CDeviceDescription description() const;
    int rebootCount() const;
    int factoryResetCount() const;
    // The firmware upgrade as the device sees it: {"state" ("Idle", "Ready", "Receiving",
    // "Rebooting", "Done", "Refused", "Failed"), "received", "expected", "reason",
    // "firmwareVersion", "token"}.
    Json::Value firmwareStatus() const;
    // Audio received on the RTSP back channel: {"PCMU": {"bytes", "packets"}, ...}.
    Json::Value backChannelAudio() const;

    // Relays and digital inputs (the "io" member). A monostable relay reads inactive once its
    // delay has passed on the device clock. False for an unknown token.
    bool relayActive(const std::string& token) const;
    bool digitalInputActive(const std::string& token) const;
    // A change of a digital input's state is also raised as an event.
    bool setDigitalInput(const std::string& token, bool active);

    // Events (the "events" service): raise one now, for a channel (1-based). Kinds: motion,
    // motionAlarm, tamper, videoLoss, fire, heartbeat (digital inputs: setDigitalInput).
    // False for an unknown kind or channel, or a replayed device.
    bool raiseEvent(const std::string& kind, bool state, int channel = 1);
    // Pull points and push subscriptions that have not lapsed.
    int eventSubscriptionCount() const;
    // Every subscription lapses now: the next request to one is refused as unknown.
    void expireEventSubscriptions();
    // Notify messages a consumer accepted (2xx), and those that failed.
    int notificationsPosted() const;
    int notificationFailures() const;

    // RTSP server: its port (0 when the device has none) and the stream URI of a profile
    // on 127.0.0.1 (empty for an unknown profile or without a server).
    unsigned short rtspPort() const;
    std::string rtspUrl(const std::string& profileToken, bool multicast = false) const;
    // Media faults for every session, present and future.
    void setRtspFault(ERtspFault fault);
    // Closes every RTSP connection and ends every session (UDP and multicast media stop).
    void dropRtspSessions();
    // Time-out announced to new answers and used for every session from now on.
    void setRtspSessionTimeout(int seconds);
    int rtspSessionCount() const;

    // Replayed devices: serve the recorded file with `suffix` for "<service>.<Action>"
    // (setReplayVariant("events.PullMessages", "Motion")); "" returns to the plain file, or
    // to cycling when it is on. False with *error when the device is not replayed or has no
    // such action or variant.
    bool setReplayVariant(const std::string& action, const std::string& suffix, std::string* error = nullptr);

private:
    std::shared_ptr<CDeviceCore> m_core;
    std::shared_ptr<CRtspServer> m_rtsp;
    unsigned short m_port;
    bool m_https;
    std::string m_host;
};

} // namespace OnvifSim
