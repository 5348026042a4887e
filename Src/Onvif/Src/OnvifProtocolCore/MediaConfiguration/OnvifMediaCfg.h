#pragma once
// The Media (ver10) service object of one device. It has no operations of its own: a
// command goes to the profile, stream, video and audio areas in that order, and the
// first area that knows the name answers.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMediaCfg : public COnvifProtoCore {
public:
    explicit COnvifMediaCfg(const COnvifLoginInfo& login);
    const char* getServiceName() const override { return "MediaCfg"; }
};

} // namespace Onvif
} // namespace RPC
