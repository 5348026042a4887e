#include "Components/SnapManager/OnvifSnapManager.h"

#include <new>

#include "Components/SnapManager/SnapshotStream.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Stream/Media/MediaFrame.h"

namespace RPC {
namespace Onvif {

using Zentar::Snapshot::IFileReceiver;
using Zentar::Stream::CMediaFrame;

COnvifSnapManager::COnvifSnapManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

COnvifSnapManager::~COnvifSnapManager()
{
    std::shared_ptr<CSnapshotStream> stream;
    {
        Zentar::Infra::CGuard guard(m_mutex);
        stream.swap(m_pSnapshotClient);
    }
    // Once detached, the stream (which a snapshot in progress may still hold) never calls
    // this object again.
    if (stream)
        stream->detachFrameProc(this);
}

Json::Value COnvifSnapManager::makeEventRecord(int channel)
{
    Json::Value event;
    event["Code"] = "SnapManual";
    event["Action"] = "Start";
    event["Index"] = channel;
    event["Data"] = Json::Value();
    Json::Value record;
    record["Channel"] = channel;
    record["Events"].append(event);
    return record;
}

bool COnvifSnapManager::attachFileProc(IFileReceiver* receiver)
{
    const char* ip = m_serverInfo->address.c_str();
    ONVIF_LOG(LOG_INFO, "COnvifSnapManager attachFileProc serverIP=%s\n", ip);
    {
        Zentar::Infra::CGuard guard(m_mutex);
        if (!m_pSnapshotClient) {
            std::shared_ptr<CSnapshotStream> stream(new (std::nothrow) CSnapshotStream(*m_serverInfo));
            // The stream is new and nobody else knows it, so no delivery can come the other
            // way while we attach to it under our lock.
            if (!stream || stream->attachFrameProc(this, [this](const CMediaFrame& packet) { OnMonitor(packet); }) < 0) {
                ONVIF_LOG(LOG_ERROR, "new RPC::CSnapshotStream fail, serverIP=%s\n", ip);
                return false;
            }
            m_pSnapshotClient = stream;
        }
    }
    int attached = -1;
    if (receiver)
        attached = m_fileSignal.attach(receiver, [receiver](const Json::Value& event, const CMediaFrame& packet) {
            receiver->onFile(event, packet);
        });
    if (attached < 0) {
        ONVIF_LOG(LOG_ERROR, "Attach  proc is falied,iAttched=%d, serverIP=%s\n", attached, ip);
        return false;
    }
    return true;
}

bool COnvifSnapManager::detachFileProc(IFileReceiver* receiver)
{
    const char* ip = m_serverInfo->address.c_str();
    ONVIF_LOG(LOG_INFO, "COnvifSnapManager detachFileProc serverIp=%s\n", ip);
    int remaining = m_fileSignal.detach(receiver);
    if (remaining < 0) {
        ONVIF_LOG(LOG_ERROR, "Stop detach is failed:%d, ServerIP=%s\n", remaining, ip);
        return false;
    }
    if (remaining > 0) {
        ONVIF_LOG(LOG_INFO, "after detach  proc is %d\n", remaining);
        return true;
    }
    std::shared_ptr<CSnapshotStream> dropped;
    {
        Zentar::Infra::CGuard guard(m_mutex);
        // A receiver may have attached again meanwhile; it keeps the stream.
        if (m_fileSignal.count() == 0)
            dropped.swap(m_pSnapshotClient);
    }
    if (dropped) {
        ONVIF_LOG(LOG_INFO, "serverIP=%s,stop COnvifSnapManager snapshotStream\n", ip);
        dropped->detachFrameProc(this);
    }
    return true;
}

bool COnvifSnapManager::snapshot(int channel, int /*count*/, int /*intervalMs*/)
{
    const char* ip = m_serverInfo->address.c_str();
    {
        Zentar::Infra::CGuard guard(m_mutex);
        m_channel = channel;
    }
    std::string url;
    if (!COnvifInfoCenter::instance()->getSnapUrl(url, *m_serverInfo, channel) || url.empty()) {
        ONVIF_LOG(LOG_ERROR, "get [%d] streamUri failed,serverIP=%s\n", channel, ip);
        return false;
    }
    ONVIF_LOG(LOG_INFO, "chn [%d] snapshot uri: %s\n", channel, url.c_str());
    std::shared_ptr<CSnapshotStream> stream;
    {
        Zentar::Infra::CGuard guard(m_mutex);
        stream = m_pSnapshotClient;
    }
    if (!stream) {
        ONVIF_LOG(LOG_ERROR, "m_pSnapshotClient is NULL, serverIP=%s!\n", ip);
        return false;
    }
    if (!stream->snapshot(url, channel)) {
        ONVIF_LOG(LOG_ERROR, "Start SnapshotStream is failed, serverIP=%s\n", ip);
        return false;
    }
    return true;
}

void COnvifSnapManager::OnMonitor(const CMediaFrame& packet)
{
    if (!packet.valid()) {
        ONVIF_LOG(LOG_ERROR, "Packet is invalid\n");
        return;
    }
    // The picture carries the channel it was taken for, which stays right even when a
    // later request has changed the last channel asked for.
    m_fileSignal.emit(makeEventRecord(packet.getChannel()), packet);
}

} // namespace Onvif
} // namespace RPC
