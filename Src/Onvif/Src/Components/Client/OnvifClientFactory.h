#pragma once
// The client factory: a new client for the server information given, or the client of
// the calling context when none is given.
#include "Component/Unknown.h"
#include "Components/Client/OnvifClient.h"

namespace RPC {
namespace Onvif {

class COnvifClient::CFactory : public Zentar::Component::IFactoryUnknown {
public:
    CFactory();
    Zentar::Component::IUnknown* create(const Zentar::Component::ServerInfo* serverInfo) override;

    static Zentar::Component::IFactoryUnknown* make();
};

} // namespace Onvif
} // namespace RPC
