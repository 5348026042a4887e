#pragma once
// The audio back channel a client opens to talk through the device's speaker: announced
// only to a DESCRIBE that asks for it ("Require: www.onvif.org/ver20/backchannel") as a
// send-only audio media on track 5; the device counts the audio bytes per codec.
#include "Http/HttpMessage.h"

#include <string>

namespace OnvifSim {

constexpr int kBackChannelTrack = 5;

bool WantsBackChannel(const CHttpRequest& request);
// The SDP lines of the back-channel media under base (the presentation's URL).
std::string BackChannelSdp(const std::string& base);
// The codec name of a back-channel payload type ("PCMU", "PCMA", "G726-32"); "" for others.
std::string BackChannelCodec(int payloadType);

} // namespace OnvifSim
