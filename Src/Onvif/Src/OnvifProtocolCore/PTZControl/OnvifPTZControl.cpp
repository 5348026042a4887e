#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"

namespace RPC {
namespace Onvif {

COnvifPTZControl::COnvifPTZControl(const COnvifLoginInfo& login) : COnvifProtoCore(login)
{
    addChild(std::make_unique<COnvifPTZMove>(login));
    addChild(std::make_unique<COnvifPTZPreset>(login));
    addChild(std::make_unique<COnvifPTZNodeCfg>(login));
}

} // namespace Onvif
} // namespace RPC
