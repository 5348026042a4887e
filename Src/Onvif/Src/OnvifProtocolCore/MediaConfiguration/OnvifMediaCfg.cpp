#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCfg.h"

#include "OnvifProtocolCore/MediaConfiguration/OnvifAudioCfg.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaProfiles.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifOthersMediaCfg.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifVideoCfg.h"

namespace RPC {
namespace Onvif {

COnvifMediaCfg::COnvifMediaCfg(const COnvifLoginInfo& login) : COnvifProtoCore(login)
{
    addChild(std::make_unique<COnvifMediaProfiles>(login));
    addChild(std::make_unique<COnvifOthersMediaCfg>(login));
    addChild(std::make_unique<COnvifVideoCfg>(login));
    addChild(std::make_unique<COnvifAudioCfg>(login));
}

} // namespace Onvif
} // namespace RPC
