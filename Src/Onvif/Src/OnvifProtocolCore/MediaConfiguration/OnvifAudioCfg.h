#pragma once
// Audio encoder and audio source configurations of the Media (ver10) service: the
// audio inputs, the codecs, bit rates and sample rates a camera offers, and the ones
// it encodes with.
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

namespace RPC {
namespace Onvif {

class COnvifAudioCfg : public COnvifCommandChild {
public:
    explicit COnvifAudioCfg(const COnvifLoginInfo& login) : COnvifCommandChild(login, commandTable()) {}
    const char* getServiceName() const override { return "AudioCfg"; }

    static const COnvifCommandTable& commandTable();
};

} // namespace Onvif
} // namespace RPC
