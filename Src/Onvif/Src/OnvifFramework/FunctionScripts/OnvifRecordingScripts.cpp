#include "OnvifFramework/FunctionScripts/OnvifRecordingScripts.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/RecordingControl/OnvifRecordingCtl.h"
#include "OnvifProtocolCore/RecordingSearch/OnvifRecordingResearch.h"
#include "OnvifProtocolCore/ReplayControl/OnvifReplayCtl.h"

namespace RPC {
namespace Onvif {

namespace {

struct SRecordingService {
    const COnvifOperationTable& (*table)();
    const char* addressType;   // the capability the address comes from
    const char* serviceName;   // the registry's service object
};

const SRecordingService kServices[] = {
    {&COnvifRecordingResearch::operationTable, "Search", "RecordingSearch"},
    {&COnvifRecordingCtl::operationTable, "Recording", "RecordingControl"},
    {&COnvifReplayCtl::operationTable, "Replay", "ReplayControl"},
};

} // namespace

bool recordingOp(const Zentar::Component::ServerInfo& info, const char* command, Json::Value& request,
                 Json::Value& result)
{
    for (const SRecordingService& service : kServices) {
        if (command && service.table().find(command))
            return commonOpList(info, request, result, service.addressType, service.serviceName, command);
    }
    ONVIF_ERRLN();
    return false;
}

} // namespace Onvif
} // namespace RPC
