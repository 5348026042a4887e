#include "OnvifFramework/Utility/OnvifBaseComm.h"

#include "NetFramework/TlsSettings.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "SOAPFramework/SOAPCall.h"
#include "SOAPFramework/SOAPMessage.h"
#include "SOAPFramework/SOAPTransport.h"

#include <unistd.h>

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

COnvifBaseComm* COnvifBaseComm::instance()
{
    // Deliberately leaked: service calls may still run on host threads while the
    // process exits, and they must never see a destroyed core.
    static COnvifBaseComm* s_instance = new COnvifBaseComm();
    return s_instance;
}

namespace {

// Once per device, in the client's own log: its TLS connections go unverified.
void noteUnverifiedDevice(const char* host)
{
    ONVIF_LOG(LOG_WARN, "TLS certificate of device %s is not verified (VerifyTLS is off)\n", host);
}

} // namespace

COnvifBaseComm::COnvifBaseComm()
{
    ONVIF_LOG(LOG_WARN, "COnvifBaseComm[%p] construct!\n", static_cast<void*>(this));
    Zentar::NetFramework::setUnverifiedTlsNotice(&noteUnverifiedDevice);
}

void COnvifBaseComm::resetOptions()
{
    m_iConnectTimeout = 2000;
    m_iSendTimeout = 2000;
    m_iRecvTimeout = 5000;
    m_strVirtualAlarmAddr.clear();
    m_iVirtualAlarmPort = 0;
    m_iMediaType = m_iAuthType = m_iRecordingSearchType = m_iEventSubscribeType = 0;
    Zentar::NetFramework::setTlsClientSettings(Zentar::NetFramework::TlsClientSettings());
}

bool COnvifBaseComm::setSOAPTimeout(int connectMs, int sendMs, int recvMs)
{
    if (connectMs == 0 || sendMs == 0 || recvMs == 0) {
        ONVIF_LOG(LOG_ERROR, "COnvifBaseComm[%p] invaild timeout [%d] [%d] [%d]!\n", static_cast<void*>(this),
                  connectMs, sendMs, recvMs);
        return false;
    }
    m_iConnectTimeout = connectMs;
    m_iSendTimeout = sendMs;
    m_iRecvTimeout = recvMs;
    ONVIF_LOG(LOG_INFO, "COnvifBaseComm[%p] setSOAPTimeOutMS [%d] [%d] [%d]!\n", static_cast<void*>(this),
              connectMs, sendMs, recvMs);
    return true;
}

namespace {
struct OptionKey {
    const char* key;
    int maxValue;
    int COnvifBaseComm::*field;
    const char* invalidMessage;
};
} // namespace

bool COnvifBaseComm::setOnvifOptionCfg(const Json::Value& options)
{
    ONVIF_LOG(LOG_WARN, "setOnvifOptions param:%s\n", options.toStyledString().c_str());
    if (!options.isObject())
        return true;   // nothing recognisable to apply

    // The TLS keys come first and stand apart from the chain below: a host asking for
    // verification must get it even when another key of the same record is refused.
    if (!applyTlsOptions(options))
        return false;

    // Order matters: processing stops at the first invalid value, after the earlier
    // keys have been applied.
    static const OptionKey kKeys[] = {
        {"MediaType", 2, &COnvifBaseComm::m_iMediaType, "MediaType is invalid\n"},
        {"AuthType", 2, &COnvifBaseComm::m_iAuthType, "AuthType is invalid\n"},
        {"RecordingSearchType", 2, &COnvifBaseComm::m_iRecordingSearchType, "RecordingSearchType is invalid\n"},
        {"EventSubscribeType", 1, &COnvifBaseComm::m_iEventSubscribeType, "EventSubscribeType is invalid\n"},
    };
    for (const OptionKey& k : kKeys) {
        const Json::Value& v = options[k.key];
        if (!v.isInt())
            continue;
        int value = v.asInt();
        if (value < 0 || value > k.maxValue) {
            ONVIF_LOG(LOG_WARN, "%s", k.invalidMessage);
            return false;
        }
        this->*(k.field) = value;
    }
    return true;
}

bool COnvifBaseComm::applyTlsOptions(const Json::Value& options)
{
    const Json::Value& verify = options["VerifyTLS"];
    const Json::Value& caFile = options["TLSCAFile"];
    if (verify.isNull() && caFile.isNull())
        return true;
    if ((!verify.isNull() && !verify.isBool()) || (!caFile.isNull() && !caFile.isString())) {
        ONVIF_LOG(LOG_WARN, "VerifyTLS or TLSCAFile is invalid\n");
        return false;
    }
    Zentar::NetFramework::TlsClientSettings tls = Zentar::NetFramework::getTlsClientSettings();
    if (verify.isBool())
        tls.verify = verify.asBool();
    if (caFile.isString())
        tls.caFile = caFile.asString();
    // A CA file that cannot be read is kept: connections then fail closed, each with its
    // reason in the log, rather than quietly trusting the system's store instead.
    if (tls.verify && !tls.caFile.empty() && access(tls.caFile.c_str(), R_OK) != 0)
        ONVIF_LOG(LOG_ERROR, "TLSCAFile %s is not readable: every TLS connection will fail\n", tls.caFile.c_str());
    ONVIF_LOG(LOG_WARN, "TLS certificates are %s%s%s\n", tls.verify ? "verified" : "not verified",
              tls.verify && !tls.caFile.empty() ? " against " : "", tls.verify ? tls.caFile.c_str() : "");
    Zentar::NetFramework::setTlsClientSettings(tls);
    return true;
}

void COnvifBaseComm::setOnvifVirtualAlarm(const std::string& address, int port)
{
    m_strVirtualAlarmAddr = address;
    m_iVirtualAlarmPort = port;
}

void COnvifBaseComm::applyTimeouts(CSOAPTransport& transport) const
{
    transport.setConnectTimeout(m_iConnectTimeout);
    transport.setSendTimeout(m_iSendTimeout);
    transport.setRecvTimeout(m_iRecvTimeout);
    transport.setTimeout(m_iConnectTimeout + m_iSendTimeout + m_iRecvTimeout);
}

int COnvifBaseComm::messageAuth(CSOAPMessage& request, CSOAPMessage& response, CSOAPTransport& transport,
                                COnvifLoginInfo login, bool useStamp, int timeDifference)
{
    ONVIF_LOG(LOG_WARN, "m_iAuthType:%d\n", m_iAuthType);
    const char* user = login.m_strUserName.c_str();
    const char* password = login.m_strPassword.c_str();

    switch (m_iAuthType) {
    case 0:
        request.addAuthorization(user, password, useStamp, timeDifference, nullptr, AUTH_WSSE_DIGEST);
        return call(transport, request, response);
    case 1:
        request.addAuthorization(user, password, useStamp, timeDifference, nullptr, AUTH_HTTP_DIGEST);
        return call(transport, request, response);
    case 2: {
        ONVIF_LOG(LOG_WARN, "try wsse_digest\n");
        request.addAuthorization(user, password, useStamp, timeDifference, nullptr, AUTH_WSSE_DIGEST);
        int ret = call(transport, request, response);
        if (ret == 0)
            return 0;
        int code = response.getLastCode();
        if (code != 400 && code != 401)
            return ret;
        // Some devices only take HTTP digest and refuse WS-Security with 400 or 401;
        // the same request goes once more, now answering the digest challenge.
        request.addAuthorization(user, password, useStamp, timeDifference, nullptr, AUTH_HTTP_DIGEST);
        ONVIF_LOG(LOG_WARN, "try http_digest\n");
        return call(transport, request, response);
    }
    default:
        return -1;
    }
}

} // namespace Onvif
} // namespace RPC
