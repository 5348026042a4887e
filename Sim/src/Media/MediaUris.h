#pragma once
// Stream and snapshot addresses as the device hands them out: on the host the client is
// meant to use (the advertised host of a device behind a mapped port), in the device's
// own URI layout.
#include "Media/MediaModel.h"

#include <string>

namespace OnvifSim {

enum class EStreamKind { RtspUnicast, RtspMulticast, RtspOverHttp };

std::string StreamUri(CCallContext& ctx, CMediaState& media, const Json::Value& profile, EStreamKind kind);
std::string SnapshotUri(CCallContext& ctx, const Json::Value& profile);

} // namespace OnvifSim
