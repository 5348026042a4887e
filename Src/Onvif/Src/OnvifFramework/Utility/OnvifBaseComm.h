#pragma once
// The process-wide exchange core: global exchange options (time-outs, media, authentication,
// recording search and event subscription modes, the virtual alarm address) and the
// authenticated exchange every service operation goes through.
#include <json/json.h>
#include <string>
#include <utility>

#include "OnvifFramework/Utility/OnvifBaseDef.h"

namespace Zentar {
namespace SOAPFramework {
class CSOAPMessage;
class CSOAPTransport;
} // namespace SOAPFramework
} // namespace Zentar

namespace RPC {
namespace Onvif {

class COnvifBaseComm {
public:
    // Created on first use, never destroyed.
    static COnvifBaseComm* instance();

    // All three must be non-zero; otherwise nothing changes.
    bool setSOAPTimeout(int connectMs, int sendMs, int recvMs);
    // "MediaType", "AuthType", "RecordingSearchType", "EventSubscribeType", in that order;
    // the first out-of-range value stops processing (earlier keys stay applied). Before
    // them, "VerifyTLS" (bool) and "TLSCAFile" (path of a PEM file) set certificate and
    // host-name verification for every TLS connection; a wrong type of either is refused.
    bool setOnvifOptionCfg(const Json::Value& options);
    void setOnvifVirtualAlarm(const std::string& address, int port);

    int getConnectTimeout() const { return m_iConnectTimeout; }
    int getSendTimeout() const { return m_iSendTimeout; }
    int getRecvTimeout() const { return m_iRecvTimeout; }
    std::pair<std::string, int> getVirtualAlarm() const { return {m_strVirtualAlarmAddr, m_iVirtualAlarmPort}; }
    int getMediaType() const { return m_iMediaType; }
    int getAuthType() const { return m_iAuthType; }
    int getRecordingSearchType() const { return m_iRecordingSearchType; }
    int getEventSubscribeType() const { return m_iEventSubscribeType; }

    // connect, send, receive, then total = their sum.
    void applyTimeouts(Zentar::SOAPFramework::CSOAPTransport& transport) const;

    // Sends the request with the credentials of the login record, as the authentication
    // type says (0 WS-Security, 1 HTTP digest, 2 WS-Security then HTTP digest once on a
    // 400/401). Returns 0 when the last call succeeded.
    int messageAuth(Zentar::SOAPFramework::CSOAPMessage& request, Zentar::SOAPFramework::CSOAPMessage& response,
                    Zentar::SOAPFramework::CSOAPTransport& transport, COnvifLoginInfo login, bool useStamp,
                    int timeDifference);

    // Restores every option to its default (tests and re-initialisation).
    void resetOptions();

private:
    COnvifBaseComm();
    bool applyTlsOptions(const Json::Value& options);

    int m_iConnectTimeout = 2000;
    int m_iSendTimeout = 2000;
    int m_iRecvTimeout = 5000;
    std::string m_strVirtualAlarmAddr;
    int m_iVirtualAlarmPort = 0;
    int m_iMediaType = 0;
    int m_iAuthType = 0;
    int m_iRecordingSearchType = 0;
    int m_iEventSubscribeType = 0;
};

} // namespace Onvif
} // namespace RPC
