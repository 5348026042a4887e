#pragma once
// The device behind one listener: turns each HTTP request into an answer by way of the
// service path, the SOAP envelope, armed faults, authentication and the service handler,
// and records what arrived. One mutex guards all of it, so handlers and the control API
// never see each other half-done.
#include "Auth/HttpDigest.h"
#include "Auth/WsseAuth.h"
#include "Device/DeviceState.h"
#include "Device/FaultPlan.h"
#include "Http/HttpSession.h"
#include "Soap/SoapFault.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace OnvifSim {

struct CServiceInfo;
class CSoapRequest;
class CReplayAnswers;

class CDeviceCore final : public IRequestSink {
public:
    static constexpr size_t kMaxLoggedRequests = 20000;

    // With `replay`, recorded answers stand in for the service handlers.
    explicit CDeviceCore(const CDeviceDescription& description, std::shared_ptr<CReplayAnswers> replay = nullptr);

    CHttpAnswer handle(const CHttpRequest& request, const CConnectionInfo& connection) override;
    CHttpAnswer badRequest(int status, const std::string& reason, const CConnectionInfo& connection) override;
    int keepAliveSeconds() const override;
    bool splitWrites() const override;

    // Control API support: hold lock() while touching anything below.
    std::unique_lock<std::mutex> lock() const { return std::unique_lock<std::mutex>(m_mutex); }
    CDeviceState& state() { return m_state; }
    CFaultPlan& faults() { return m_faults; }
    CHttpDigest& digest() { return m_digest; }
    std::deque<CRecordedRequest>& log() { return m_log; }
    std::map<std::string, int>& counts() { return m_counts; }
    CReplayAnswers* replay() { return m_replay.get(); }
    void jumpClockAfter(int requests, long long seconds);

private:
    struct CAuthResult {
        bool allowed = false;
        bool stale = false;
        CAuthOutcome who;
    };

    CHttpAnswer dispatch(const CHttpRequest& http, const CConnectionInfo& connection, CRecordedRequest& record);
    CHttpAnswer serve(const CHttpRequest& http, const CConnectionInfo& connection, const CSoapRequest& soap,
                      const CServiceInfo& service, CRecordedRequest& record);
    // The recorded answer, or nothing when the simulator answers itself (the clock).
    std::optional<CHttpAnswer> replayed(const CHttpRequest& http, const CConnectionInfo& connection,
                                        const CSoapRequest& soap, const CServiceInfo& service,
                                        const CAuthOutcome& caller);
    bool replayedMedia(const std::string& path) const;
    CAuthResult authenticate(const CHttpRequest& http, const CSoapRequest& soap, bool anonymousAllowed);
    void record(CRecordedRequest record);
    bool needsDigestFirst(const CHttpRequest& http);

    // Answers (DeviceAnswers.cpp)
    CHttpAnswer soapAnswer(int status, std::string xml) const;
    CHttpAnswer faultAnswer(const CSoapFault& fault) const;
    CHttpAnswer refusal(bool stale);
    CHttpAnswer injected(const CSimFault& fault);
    CHttpAnswer plainAnswer(int status, const std::string& text) const;
    void addChallenges(CHttpAnswer& answer, bool stale);
    bool digestAllowed() const;

    mutable std::mutex m_mutex;
    CDeviceState m_state;
    CFaultPlan m_faults;
    CWsseVerifier m_wsse;
    CHttpDigest m_digest;
    std::deque<CRecordedRequest> m_log;
    std::map<std::string, int> m_counts;
    bool m_lastDigestStale = false;
    int m_jumpCountdown = 0;
    long long m_jumpSeconds = 0;
    std::shared_ptr<CReplayAnswers> m_replay;
};

} // namespace OnvifSim
