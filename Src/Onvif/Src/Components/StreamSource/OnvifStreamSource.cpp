#include "Components/StreamSource/OnvifStreamSource.h"

#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifStreamSource::COnvifStreamSource(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                                       int localChannel, int remoteChannel, int streamType, int protocol)
    : m_serverInfo(std::move(serverInfo)), m_iLocalChn(localChannel), m_iRemoteChn(remoteChannel),
      m_streamType(streamType), m_protocol(protocol)
{
    ONVIF_LOG(LOG_INFO, "m_iLocalChn:%d, m_iRemoteChn = %d, StreamType:%d, Protocol:%d\n", m_iLocalChn, m_iRemoteChn,
              m_streamType, m_protocol);
}

int COnvifStreamSource::protocolFromRecord(uint8_t transportByte)
{
    if (transportByte == 0 || transportByte == 255)
        return 0;
    return transportByte == 2 ? 3 : 1;
}

Json::Value COnvifStreamSource::streamSetupFor(int protocol)
{
    const char* stream = nullptr;
    const char* transport = nullptr;
    switch (protocol) {
    case 0: stream = "RTP-Unicast"; transport = "RTSP"; break;
    case 1: stream = "RTP-Unicast"; transport = "UDP"; break;
    case 3: stream = "RTP-Multicast"; transport = "UDP"; break;
    case 4:
    case 5: stream = "RTP-Unicast"; transport = "HTTP"; break;
    default: return Json::Value();
    }
    Json::Value setup(Json::objectValue);
    setup["StreamSetup"]["Stream"] = stream;
    setup["StreamSetup"]["Transport"]["Protocol"] = transport;
    return setup;
}

std::string COnvifStreamSource::rtspUrlFromDeviceUri(const std::string& uri)
{
    struct SchemeRow {
        const char* scheme;
        const char* defaultPort;
    };
    static const SchemeRow kWebSchemes[] = {{"https://", ":443"}, {"http://", ":80"}};
    for (const SchemeRow& row : kWebSchemes) {
        const std::string scheme = row.scheme;
        if (uri.compare(0, scheme.size(), scheme) != 0)
            continue;
        std::string rest = uri.substr(scheme.size());
        const size_t slash = rest.find('/');
        const std::string authority = rest.substr(0, slash);
        // A port is present when a ':' follows the host (after a bracketed IPv6 address).
        const size_t hostEnd = authority.empty() || authority[0] != '[' ? 0 : authority.find(']');
        const bool hasPort = authority.find(':', hostEnd == std::string::npos ? 0 : hostEnd) != std::string::npos;
        if (!hasPort) {
            if (slash == std::string::npos)
                rest += row.defaultPort;
            else
                rest.insert(slash, row.defaultPort);
        }
        return "rtsp://" + rest;
    }
    return uri;
}

std::string COnvifStreamSource::getStreamUri()
{
    std::string url;
    COnvifInfoCenter::instance()->getStreamUrl(url, *m_serverInfo, m_iRemoteChn, m_streamType,
                                               streamSetupFor(m_protocol));
    if (url.empty()) {
        ONVIF_LOG(LOG_ERROR, "COnvifStreamSourceManager m_strRtspUrl is  empty\n");
        return "";
    }
    ONVIF_LOG(LOG_INFO, "getStreamUri: %s\n", url.c_str());
    const std::string rtsp = rtspUrlFromDeviceUri(url);
    if (rtsp != url)
        ONVIF_LOG(LOG_INFO, "RTSP URI: %s\n", rtsp.c_str());
    return rtsp;
}

bool COnvifStreamSource::getStreamUrl(std::string& url)
{
    url = getStreamUri();
    return !url.empty();
}

bool COnvifStreamSource::getError(uint32_t& code)
{
    code = m_lastError.load();
    ONVIF_LOG(LOG_INFO, "eno:0x%x\n", code);
    return true;
}

bool COnvifStreamSource::setOptions(const Json::Value& options)
{
    ONVIF_LOG(LOG_INFO, "options:%s\n", options.toStyledString().c_str());
    if (!options.isObject())
        return false;
    Zentar::Infra::CGuard guard(m_optionsMutex);
    // "Audio" switches audio off only by being present and null.
    if (options.isMember("Audio") && options["Audio"].isNull()) {
        m_options.audioOn = false;
        ONVIF_LOG(LOG_INFO, "set m_audioOn false\n");
    } else {
        m_options.audioOn = true;
        ONVIF_LOG(LOG_INFO, "set m_audioOn true\n");
    }
    const Json::Value& recvBuf = options["SockRecvBufSize"];
    if (recvBuf.isUInt())
        m_options.sockRecvBufSize = recvBuf.asUInt();
    if (options["RTSPCheckTransEnable"].isBool())
        m_options.rtspCheckTransEnable = options["RTSPCheckTransEnable"].asBool();
    const Json::Value& range = options["UDPPortRange"];
    if (range.isObject() && range["Min"].isInt() && range["Max"].isInt()) {
        m_options.udpPortMin = range["Min"].asInt();
        m_options.udpPortMax = range["Max"].asInt();
    }
    if (options["UDPConnectMode"].isBool())
        m_options.udpConnectMode = options["UDPConnectMode"].asBool();
    return true;
}

StreamSourceOptions COnvifStreamSource::options() const
{
    Zentar::Infra::CGuard guard(m_optionsMutex);
    return m_options;
}

bool COnvifStreamSource::requestKeyFrame()
{
    return COnvifInfoCenter::instance()->setSynchronizationPoint(*m_serverInfo, m_iRemoteChn, m_streamType);
}

} // namespace Onvif
} // namespace RPC
