#pragma once
// The factories that hand out a sub-object of the calling context's client: they find the
// client the host is working with on this thread and return the matching getter.
#include "Component/Unknown.h"
#include "Infra/Mutex.h"
#include "Components/Client/OnvifClient.h"

namespace RPC {
namespace Onvif {

// The "Onvif" client of the calling context, or null.
COnvifClient* currentOnvifClient();

// One factory per row of kClientGetterFactories (OnvifComponentFactories.cpp).
struct ClientGetterRow {
    const char* interfaceName;
    Zentar::Component::CVersion version;
    Zentar::Component::IUnknown* (*getter)(COnvifClient& client);
    const char* noClientLog;   // logged at level 2 when there is no client; may be null
};

class CClientGetterFactory : public Zentar::Component::IFactoryUnknown {
public:
    explicit CClientGetterFactory(const ClientGetterRow& row);
    Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo* serverInfo) override;

private:
    const ClientGetterRow& m_row;
    Zentar::Infra::CMutex m_mutex;
};

// Makers for the factory table.
Zentar::Component::IFactoryUnknown* makeMagicBoxFactory();
Zentar::Component::IFactoryUnknown* makeEncodeFactory();
Zentar::Component::IFactoryUnknown* makeLogicDeviceManagerFactory();
Zentar::Component::IFactoryUnknown* makeTimeClientFactory();
Zentar::Component::IFactoryUnknown* makeMediaManagerFactory();
Zentar::Component::IFactoryUnknown* makeSnapManagerFactory();
Zentar::Component::IFactoryUnknown* makeConfigManagerFactory();
Zentar::Component::IFactoryUnknown* makeAlarmFactory();
Zentar::Component::IFactoryUnknown* makeOSDManagerFactory();
Zentar::Component::IFactoryUnknown* makeRemoteOSDManagerFactory();
Zentar::Component::IFactoryUnknown* makeMediaFileFindFactory();
Zentar::Component::IFactoryUnknown* makePTZBaseFactory();
Zentar::Component::IFactoryUnknown* makePtzFactory();
Zentar::Component::IFactoryUnknown* makeUserManagerFactory();
Zentar::Component::IFactoryUnknown* makeUpgraderFactory();

// Live stream sources: instance() finds the calling context's client for the record and
// asks it for the source of (channel, stream type, transport; -1: the record's).
class CStreamSourceFactory : public Zentar::Component::IFactoryUnknown {
public:
    CStreamSourceFactory();
    // Sources need a channel and stream type, which create() cannot carry.
    Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo* serverInfo) override;
    Zentar::Stream::IStreamSource* instance(int channel, int streamType, const Zentar::Component::ServerInfo& info,
                                            int transport = -1);
    static Zentar::Component::IFactoryUnknown* make();
};

// Playback sources: a new one per instance() call, owned by the caller. create() cannot
// say what to play, so it hands out nothing.
class CRecordingStreamSourceFactory : public Zentar::Component::IFactoryUnknown {
public:
    CRecordingStreamSourceFactory();
    Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo* serverInfo) override;
    // filePath as IClient::createRecordingStreamSource takes it.
    Zentar::Stream::IStreamSource* instance(const Zentar::Component::ServerInfo& info, const std::string& filePath);
    static Zentar::Component::IFactoryUnknown* make();
};

} // namespace Onvif
} // namespace RPC
