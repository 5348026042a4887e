#pragma once
// The answers of a replayed device while it runs: which recorded file answers a request,
// the variant chosen through the control API or the turn when variants cycle, and the
// addresses pointed at the simulator. The device core's mutex guards every call.
#include "OnvifSim/ReplayOptions.h"
#include "Replay/ReplayFolder.h"

#include <optional>

namespace OnvifSim {

struct CReplayReply {
    int status = 200;
    std::string contentType;
    std::string body;
};

class CReplayAnswers {
public:
    CReplayAnswers(CReplayFolder folder, const CReplayOptions& options);

    // The recorded answer for an operation in a request namespace, or nothing when the
    // device was not recorded answering it. selfBase: "http://host:port" of the simulator
    // as the client addressed it.
    std::optional<CReplayReply> answer(const std::string& ns, const std::string& operation,
                                       const std::string& selfBase);
    // suffix "" returns to the default (the plain file, or cycling when enabled).
    bool setVariant(const std::string& action, const std::string& suffix, std::string& error);

private:
    struct CSlot {
        CReplayAction action;
        std::string chosen;   // suffix set through the control API; empty: none
        size_t turn = 0;      // next variant when cycling
    };
    const CReplayAnswer& pick(CSlot& slot);

    std::map<std::string, CSlot> m_slots;
    CReplayOptions m_options;
};

} // namespace OnvifSim
