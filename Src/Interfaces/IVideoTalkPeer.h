#pragma once
// The host's two-way audio with one device: the device's stream is opened for talking, its
// frames reach the host's receivers, and the host's audio frames go to the device's speaker.
//
// Options: {"Compression": audio name ("G.711U"/"PCMU", "G.711A"/"PCMA", "G.726-32",
// "AAC", ...), "Frequency": sample rate in Hz}, and optionally "TransProtocolType",
// "UDPPortRange" {"Min", "Max"}, "UDPConnectMode".
#include <json/json.h>

#include "Component/Unknown.h"
#include "IStreamSource.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IVideoTalkPeer : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "VideoTalkPeer";

    virtual bool setOption(const Json::Value& options) { return notSupportedSlot(); }
    // The channel to talk through, as decimal text ("0" the first).
    virtual bool reinvite(const char* channel) { return notSupportedSlot(); }
    virtual bool invite() { return notSupportedSlot(); }
    // Opens the talk session if it is not open and attaches the receiver of the device's frames.
    virtual bool startRecv(Stream::IFrameReceiver* receiver) { return notSupportedSlot(); }
    // Detaches the receiver; the last one closes the session.
    virtual bool stop(Stream::IFrameReceiver* receiver) { return notSupportedSlot(); }
    // One native audio frame of the host's for the device.
    virtual bool put(const Stream::CMediaFrame& packet) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
