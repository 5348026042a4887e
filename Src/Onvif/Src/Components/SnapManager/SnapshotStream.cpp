#include "Components/SnapManager/SnapshotStream.h"

#include <memory>
#include <new>

#include "Base/HTTPClient/HttpClient.h"
#include "Base/HTTPClient/HttpUrl.h"
#include "Infra/Time.h"
#include "NetProtocol/HttpMsgCreator.h"
#include "NetProtocol/HttpParser.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Packaging/JpegInfo.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

namespace RPC {

using namespace RPC::Onvif;
using Zentar::Component::ServerInfo;

CSnapshotStream::CSnapshotStream(const ServerInfo& info) : m_serverInfo(info) {}

bool CSnapshotStream::snapshot(const std::string& url, int channel)
{
    {
        Zentar::Infra::CGuard guard(m_mutex);
        m_snapUrl = url;
    }
    if (url.empty()) {
        ONVIF_LOG(LOG_ERROR, "snapurl is empty\n");
        return false;
    }
    if (!getSnapshotPicture(url, channel)) {
        ONVIF_LOG(LOG_ERROR, "SnapshotStream getSnapshotPicture error\n");
        return false;
    }
    return true;
}

bool CSnapshotStream::getSnapshotPicture(const std::string& url, int channel)
{
    ONVIF_LOG(LOG_INFO, "CSnapshotStream[%p], getSnapshotPicture! serverinfo<%s-%d-%d-%d-%d>\n", (void*)this,
              m_serverInfo.address.c_str(), m_serverInfo.port, m_serverInfo.mediaPort, m_serverInfo.loginMode,
              m_serverInfo.key5);
    // The address's port serves this one request; the record itself keeps its own.
    ServerInfo request = m_serverInfo;
    std::string path;
    std::string host;
    int port = request.port;
    if (!parseHttpUrl(url, path, host, port)) {
        ONVIF_LOG(LOG_ERROR, "parseHttpUrl error\n");
        return false;
    }
    ONVIF_LOG(LOG_INFO, "CSnapshotStream[%p], parseHttpUrl m_strSnapURL:[%s],strTmpUrl[%s],ip[%s],port[%d]\n",
              (void*)this, url.c_str(), path.c_str(), host.c_str(), port);
    if (port <= 0 || port > 65535) {
        ONVIF_LOG(LOG_ERROR, "parseHttpUrl error\n");
        return false;
    }
    request.port = static_cast<uint16_t>(port);
    std::string content;
    if (!sendGetRequest(path.empty() ? "/" : path, request, isHttpsUrl(url), content)) {
        ONVIF_LOG(LOG_ERROR, "sendGetRequest error\n");
        return false;
    }
    Zentar::Stream::CMediaFrame frame;
    if (!makeZentarFrame(reinterpret_cast<const uint8_t*>(content.data()), content.size(), channel, frame)) {
        ONVIF_LOG(LOG_ERROR, "SnapshotStream makeZentarFrame error\n");
        return false;
    }
    m_frameSignal.emit(frame);
    return true;
}

bool CSnapshotStream::sendGetRequest(const std::string& path, const ServerInfo& info, bool tls,
                                     std::string& content)
{
    std::unique_ptr<CHttpClient> client(new (std::nothrow) CHttpClient(info));
    if (!client) {
        ONVIF_LOG(LOG_ERROR, "New HttpClient failed!!!\n");
        return false;
    }
    client->setTls(tls);
    Zentar::NetProtocol::CHttpMsgCreator creator;
    creator.SetMethod("GET");
    creator.SetURI(path.c_str());
    std::unique_ptr<Zentar::NetProtocol::CHttpParser> parser;
    if (client->downLoad(creator, parser) != 0) {
        ONVIF_LOG(LOG_ERROR, "get snapshot image err! url:%s\n", path.c_str());
        return false;
    }
    if (path.empty() || !parser) {
        ONVIF_LOG(LOG_ERROR, "URl or httpParser is NULL!\n");
        return false;
    }
    if (parser->GetStatusCode() != 200) {
        const char* text = parser->GetStatusStr();
        ONVIF_LOG(LOG_ERROR, "this=%p,err, returnState: %d   %s\n", (void*)this, parser->GetStatusCode(),
                  text ? text : "");
        return false;
    }
    content.assign(parser->GetContent(), parser->GetContentLength());
    return true;
}

bool CSnapshotStream::makeZentarFrame(const uint8_t* jpeg, size_t len, int channel,
                                      Zentar::Stream::CMediaFrame& frame)
{
    uint16_t width = 0;
    uint16_t height = 0;
    if (!jpegSof0Size(jpeg, len, width, height)) {
        ONVIF_LOG(LOG_ERROR, "Get JPEG Photo Size failed!\n");
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!writeNativePictureFrame(jpeg, len, static_cast<uint8_t>(channel), width, height,
                                 packNativeFrameTime(nativeFrameLocalTimeNow()), nativeFrameMillisNow(), bytes))
        return false;
    if (!frame.assign(bytes.data(), bytes.size()))
        return false;
    frame.setFrameType(NativeFrame::kFrameTypeI);
    frame.setChannel(channel);
    frame.setStreamType(NativeFrame::kStreamTypePicture);
    frame.setPts(Zentar::Infra::CTime::getCurrentMilliSecond());
    return true;
}

} // namespace RPC
