#include "OnvifProtocolCore/DeviceIOService/OnvifIO.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace RPC {
namespace Onvif {

namespace {

struct CRelayOutputsMap : COnvifFieldMap {
    CRelayOutputsMap() { addList("RelayOutputs", "./RelayOutputs", {CommonFields::kRelayOutput}); }
};

const OnvifField kRelaySettingsIn[] = {
    textField("token", "./RelayOutputToken"),
    textField("mode", "./Properties/tt:Mode"),
    textField("delaytime", "./Properties/tt:DelayTime"),
    textField("idlestate", "./Properties/tt:IdleState"),
    {},
};
const OnvifField kRelayStateIn[] = {textField("token", "./RelayOutputToken"),
                                    textField("LogicalState", "./LogicalState"), {}};

constexpr OnvifService kTds{"tds", Namespaces::kDevice};

const OnvifOperation kRows[] = {
    kTds("GetRelayOutputs").out(fieldsOf<CRelayOutputsMap>()),
    kTds("SetRelayOutputSettings").in(kRelaySettingsIn),
    kTds("SetRelayOutputState").in(kRelayStateIn),
};

} // namespace

const COnvifOperationTable& COnvifIO::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
