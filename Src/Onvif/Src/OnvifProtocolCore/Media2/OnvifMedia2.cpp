#include "OnvifProtocolCore/Media2/OnvifMedia2.h"

#include "OnvifProtocolCore/Media2/OnvifMedia2Configuration.h"
#include "OnvifProtocolCore/Media2/OnvifMedia2Profile.h"
#include "OnvifProtocolCore/Media2/OnvifMedia2RelateToVideSource.h"
#include "OnvifProtocolCore/Media2/OnvifMedia2Strream.h"

namespace RPC {
namespace Onvif {

COnvifMedia2::COnvifMedia2(const COnvifLoginInfo& login) : COnvifProtoCore(login)
{
    addChild(std::make_unique<COnvifMedia2Profile>(login));
    addChild(std::make_unique<COnvifMedia2Strream>(login));
    addChild(std::make_unique<COnvifMedia2Configuration>(login));
    addChild(std::make_unique<COnvifMedia2RelateToVideSource>(login));
}

} // namespace Onvif
} // namespace RPC
