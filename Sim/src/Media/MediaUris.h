#pragma once
// Stream and snapshot addresses as the device hands them out: on the host the client is
// meant to use (the advertised host of a device behind a mapped port), in the device's
// own URI layout.
#include "Media/MediaModel.h"

#include <string>

namespace OnvifSim {

enum class EStreamKind { RtspUnicast, RtspMulticast, RtspOverHttp };

// Member of the live description that carries the running RTSP server's port.
constexpr const char* kRtspPortMember = "x-rtspServerPort";

std::string StreamUri(CCallContext& ctx, CMediaState& media, const Json::Value& profile, EStreamKind kind);
// "rtsp://host:port" of the device's RTSP server as the client should reach it.
std::string RtspAuthority(CCallContext& ctx, CMediaState& media);
std::string SnapshotUri(CCallContext& ctx, const Json::Value& profile);
// What follows host and port in a profile's stream URI ("/media/video1/0",
// "/cam/realmonitor?channel=1&subtype=0"), as the RTSP server matches request URLs.
std::string StreamUriPath(const Json::Value& model, const Json::Value& profile, EStreamKind kind);
std::string UriPathPart(const std::string& uri);

} // namespace OnvifSim
