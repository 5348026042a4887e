#pragma once
// The answers of a replayed device while it runs: which recorded file answers a request,
// the variant chosen through the control API or the turn when variants cycle, and the
// addresses pointed at the simulator. The device core's mutex guards every call.
#include "OnvifSim/ReplayOptions.h"
#include "Replay/ReplayFolder.h"

#include <optional>
#include <set>

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
    // as the client addressed it; ownRtspPort: the port of the device's own RTSP server
    // (0: none), which rtsp addresses take unless the options name another.
    std::optional<CReplayReply> answer(const std::string& ns, const std::string& operation,
                                       const std::string& selfBase, unsigned short ownRtspPort);
    // Paths (no query) the recorded answers name as snapshot or stream addresses: the
    // device serves a picture or its own clips there, since a recording has neither.
    bool namesPicture(const std::string& path) const { return m_picturePaths.count(path) > 0; }
    bool namesStream(const std::string& path) const { return m_streamPaths.count(path) > 0; }
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
    std::set<std::string> m_picturePaths;
    std::set<std::string> m_streamPaths;
};

} // namespace OnvifSim
