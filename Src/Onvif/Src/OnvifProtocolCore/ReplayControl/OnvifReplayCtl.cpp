#include "OnvifProtocolCore/ReplayControl/OnvifReplayCtl.h"

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace RPC {
namespace Onvif {

namespace {

// A device reads a missing stream set-up as a bad request, so the set-up always goes out.
const OnvifField kReplayUriIn[] = {
    textField("StreamSetup.Stream", "./StreamSetup/tt:Stream").sendEmpty(),
    textField("StreamSetup.Transport.Protocol", "./StreamSetup/tt:Transport/tt:Protocol").sendEmpty(),
    textField("RecordingToken", "./RecordingToken").sendEmpty(),
    {},
};
const OnvifField kUriOut[] = {textField("Uri", "./Uri"), {}};

const OnvifField kConfigurationOut[] = {
    textField("Configuration.SessionTimeout", "./Configuration/SessionTimeout"), {}};
const OnvifField kConfigurationIn[] = {
    textField("Configuration.SessionTimeout", "./Configuration/tt:SessionTimeout"), {}};

// The capabilities are attributes. The last key keeps the name callers know it by, the
// generated form of "RTP_RTSP_TCP".
const OnvifField kCapabilities[] = {
    boolField("ReversePlayback", "@ReversePlayback"),
    textField("SessionTimeoutRange", "@SessionTimeoutRange"),
    boolField("RTP_USCORERTSP_USCORETCP", "@RTP_RTSP_TCP"),
    {},
};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap() : COnvifFieldMap(FLAGS_ANY_CASE) { add("Capabilities", "./Capabilities", {kCapabilities}); }
};

constexpr OnvifService kTrp{"trp", Namespaces::kReplay};

const OnvifOperation kRows[] = {
    kTrp("GetReplayUri").in(kReplayUriIn).out(kUriOut).failText("GetReplayUriResponse fail!\n"),
    kTrp("SetReplayConfiguration").in(kConfigurationIn).failText("SetReplayConfigurationResponse fail!\n"),
    kTrp("GetReplayConfiguration").out(kConfigurationOut).failText("GetReplayConfigurationResponse fail!\n"),
    kTrp("GetReplayServiceCapabilities", "GetServiceCapabilities")
        .out(fieldsOf<CCapabilitiesMap>())
        .failText("GetServiceCapabilitiesResponse fail!\n"),
};

} // namespace

const COnvifOperationTable& COnvifReplayCtl::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
