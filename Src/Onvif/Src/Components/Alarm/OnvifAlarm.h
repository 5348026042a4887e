#pragma once
// A device's alarm inputs (its digital inputs) and alarm outputs (its relay outputs): how
// many there are, what they are, and switching an output.
#include <memory>

#include "Component/ServerInfo.h"
#include "IAlarm.h"

namespace RPC {
namespace Onvif {

class COnvifAlarm : public Zentar::Component::IAlarm {
public:
    explicit COnvifAlarm(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getAlarmInputCount(int& count) override;
    bool getAlarmOutputCount(int& count) override;
    bool getAlarmInputs(Json::Value& inputs) override;
    bool getAlarmOutputs(Json::Value& outputs) override;
    bool setAlarmOutputState(const char* token, bool active) override;

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
