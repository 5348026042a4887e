#pragma once
// The host's stored preset and tour tables, handed over at start-up so that host numbers
// survive a restart, and the commands that store a preset or a tour under a number.
#include <memory>

#include "Component/ServerInfo.h"
#include "IPTZBase.h"

namespace RPC {
namespace Onvif {

// Runs the composite that stores host preset (or tour) `index` of `channel` under `name`:
// the one path of both host interfaces that store one.
bool storePtzNumber(const Zentar::Component::ServerInfo& info, bool tour, int channel, int index, const char* name);

class COnvifPTZBase : public Zentar::Comm::IPTZBase {
public:
    explicit COnvifPTZBase(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool initPresets(int channel, const Json::Value& presets) override;
    bool initTours(int channel, const Json::Value& tours) override;
    bool setPreset(int channel, int index, const char* name, const Json::Value& extra) override;
    bool setTour(int channel, int index, const char* name, const Json::Value& extra) override;

private:
    // Builds the channel's table of one kind from the host's entries: entry "Index" n
    // (1..max of the node) goes to slot n-1, enabled unless it says otherwise.
    bool initTable(int channel, const Json::Value& entries, const char* array, const char* maxKey);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
