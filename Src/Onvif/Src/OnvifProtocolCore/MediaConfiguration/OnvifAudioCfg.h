#pragma once
// Audio encoder and audio source configurations of the Media (ver10) service: the
// audio inputs, the codecs, bit rates and sample rates a camera offers, and the ones
// it encodes with.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifAudioCfg : public COnvifProtoChildCore {
public:
    explicit COnvifAudioCfg(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "AudioCfg"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
