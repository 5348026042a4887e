#include "Replay/ReplayAnswers.h"

#include "Replay/ReplayNames.h"

#include <iterator>

namespace OnvifSim {

CReplayAnswers::CReplayAnswers(CReplayFolder folder, const CReplayOptions& options) : m_options(options)
{
    for (auto& [key, action] : folder.actions) {
        bool snapshots = key.compare(key.find('.') + 1, std::string::npos, "GetSnapshotUri") == 0;
        for (const auto& [suffix, recorded] : action.variants)
            for (const auto& span : recorded.addresses)
                if (span.rtsp)
                    m_streamPaths.insert(AddressPath(recorded.body, span));
                else if (snapshots)
                    m_picturePaths.insert(AddressPath(recorded.body, span));
        m_slots[key].action = std::move(action);
    }
}

const CReplayAnswer& CReplayAnswers::pick(CSlot& slot)
{
    auto& variants = slot.action.variants;
    if (!slot.chosen.empty())
        return variants.at(slot.chosen);
    if (m_options.cycleVariants) {
        auto it = std::next(variants.begin(), static_cast<long>(slot.turn % variants.size()));
        slot.turn = (slot.turn + 1) % variants.size();
        return it->second;
    }
    // Without a plain file the first variant stands in for it.
    return variants.begin()->second;
}

std::optional<CReplayReply> CReplayAnswers::answer(const std::string& ns, const std::string& operation,
                                                   const std::string& selfBase, unsigned short ownRtspPort)
{
    std::string service = ServiceForNamespace(ns);
    auto it = service.empty() ? m_slots.end() : m_slots.find(service + "." + operation);
    if (it == m_slots.end())
        return std::nullopt;
    const CReplayAnswer& recorded = pick(it->second);
    CReplayReply reply;
    reply.status = recorded.status;
    reply.contentType = recorded.contentType;
    unsigned short rtspPort = m_options.rtspPort ? m_options.rtspPort : ownRtspPort;
    reply.body = m_options.keepAddresses || recorded.addresses.empty()
                     ? recorded.body
                     : RewriteAddresses(recorded.body, recorded.addresses, selfBase, rtspPort);
    return reply;
}

bool CReplayAnswers::setVariant(const std::string& action, const std::string& suffix, std::string& error)
{
    auto it = m_slots.find(action);
    if (it == m_slots.end()) {
        error = "no recorded answer for " + action;
        return false;
    }
    const auto& variants = it->second.action.variants;
    if (!suffix.empty() && !variants.count(suffix)) {
        std::string known;
        for (const auto& v : variants)
            known += v.first.empty() ? "" : (known.empty() ? "" : ", ") + v.first;
        error = action + " has no variant \"" + suffix + "\" (variants: " + (known.empty() ? "none" : known) + ")";
        return false;
    }
    it->second.chosen = suffix;
    return true;
}

} // namespace OnvifSim
