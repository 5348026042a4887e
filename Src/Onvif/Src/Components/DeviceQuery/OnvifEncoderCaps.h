#pragma once
// The encoder capability form of one channel, as the host's encoder pages read it: the
// video encoder capabilities of the main stream ("MainFormat"[0]) and of each further
// stream ("ExtraFormat"[s-1]), the audio encoder capabilities of the streams that carry
// audio ("Audio"[i]), and "VideoFormat" "PAL". Every capability record is the host form
// the information centre keeps (compressions, resolutions, bit-rate range, frame-rate
// maximum, profiles).
#include <json/json.h>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

// False when the channel has no stream or its main stream's capabilities cannot be read;
// a further stream that cannot be read is logged and left out.
bool readEncoderCapability(const Zentar::Component::ServerInfo& info, int channel, Json::Value& caps);

} // namespace Onvif
} // namespace RPC
