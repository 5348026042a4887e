#include "OnvifProtocolCore/DeviceIOService/OnvifDeviceIOService.h"

#include <memory>

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/DeviceIOService/OnvifIO.h"

namespace RPC {
namespace Onvif {

namespace {

// Every count is an attribute of the capabilities element.
const OnvifField kCapabilities[] = {
    intField("VideoSources", "@VideoSources"),
    intField("VideoOutputs", "@VideoOutputs"),
    intField("AudioSources", "@AudioSources"),
    intField("AudioOutputs", "@AudioOutputs"),
    intField("RelayOutputs", "@RelayOutputs"),
    intField("SerialPorts", "@SerialPorts"),
    intField("DigitalInputs", "@DigitalInputs"),
    boolField("DigitalInputOptions", "@DigitalInputOptions"),
    {},
};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap() : COnvifFieldMap(NUMBERS_AS_INT_FLAGS_ANY_CASE)
    {
        add("Capabilities", "./Capabilities", {kCapabilities});
    }
};

const OnvifField kDigitalInput[] = {textField("token", "@token"), textField("IdleState", "@IdleState"), {}};
struct CDigitalInputsMap : COnvifFieldMap {
    CDigitalInputsMap() { addList("DigitalInputs", "./DigitalInputs", {kDigitalInput}); }
};

constexpr OnvifService kTmd{"tmd", Namespaces::kDeviceIO};

const OnvifOperation kRows[] = {
    kTmd("GetServiceCapabilities").out(fieldsOf<CCapabilitiesMap>()),
    kTmd("GetDigitalInputs").out(fieldsOf<CDigitalInputsMap>()),
};

} // namespace

COnvifDeviceIOService::COnvifDeviceIOService(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable())
{
    addChild(std::make_unique<COnvifIO>(login));
}

const COnvifOperationTable& COnvifDeviceIOService::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
