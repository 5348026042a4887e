#pragma once
// The host's snapshot interface for one device: asks the information centre for the
// channel's snapshot address, has the snapshot stream fetch the picture, and hands the
// picture frame with a "SnapManual" event record to every attached file receiver.
#include <json/json.h>

#include <memory>

#include "Component/ServerInfo.h"
#include "ISnapManager.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"

namespace RPC {

class CSnapshotStream;

namespace Onvif {

class COnvifSnapManager : public Zentar::Snapshot::ISnapManager {
public:
    explicit COnvifSnapManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);
    ~COnvifSnapManager() override;
    COnvifSnapManager(const COnvifSnapManager&) = delete;
    COnvifSnapManager& operator=(const COnvifSnapManager&) = delete;

    bool snapshot(int channel, int count = 1, int intervalMs = 0) override;
    bool attachFileProc(Zentar::Snapshot::IFileReceiver* receiver) override;
    bool detachFileProc(Zentar::Snapshot::IFileReceiver* receiver) override;

    // The frame handler the snapshot stream calls with each picture.
    void OnMonitor(const Zentar::Stream::CMediaFrame& packet);

    // The event record delivered with a picture of channel.
    static Json::Value makeEventRecord(int channel);

private:
    // Passed in: the device's login record, shared with the client session.
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;

    // Guards the channel and the stream pointer; never held while the stream runs an
    // exchange or is told to let go of us.
    Zentar::Infra::CMutex m_mutex;
    int m_channel = 0; // of the last request
    // Made when the first receiver attaches, dropped when the last one leaves; shared
    // with a snapshot in progress so that a detach cannot pull it from under the exchange.
    std::shared_ptr<RPC::CSnapshotStream> m_pSnapshotClient;

    // The host's file receivers, by the receiver's address.
    Zentar::Infra::CSignal<const Json::Value&, const Zentar::Stream::CMediaFrame&> m_fileSignal;
};

} // namespace Onvif
} // namespace RPC
