#include "OnvifProtocolCore/Media2/OnvifMedia2Strream.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

using CommonFields::kProfileTokenIn;

// Without a profile the request goes out bare and the device's fault decides.
int streamRequest(CSOAPMessage& request, const Json::Value& req)
{
    const std::string token = textOr(req, "ProfileToken", "");
    if (token.empty())
        return 0;
    const std::string protocol = textOr(req, "Protocol", "");
    if (!protocol.empty())
        request.set("./tr2:Protocol", protocol.c_str());
    request.set("./tr2:ProfileToken", token.c_str());
    return request.getLastError() == 0 ? 0 : -1;
}

// Media2 answers the bare URI; callers get it where Media puts it.
int mediaUri(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    return CommonFields::readMediaUri(response, "./Uri", rsp);
}

constexpr OnvifService kTr2{"tr2", Namespaces::kMedia2};

const OnvifOperation kRows[] = {
    kTr2("GetStreamUri").writes(streamRequest).reads(mediaUri),
    kTr2("GetSnapShotUri", "GetSnapshotUri").in(kProfileTokenIn).reads(mediaUri),
    kTr2("StartMulticastStreaming").in(kProfileTokenIn),
    kTr2("StopMulticastStreaming").in(kProfileTokenIn),
    kTr2("SetSynchronizationPoints", "SetSynchronizationPoint").in(kProfileTokenIn),
};

} // namespace

const COnvifOperationTable& COnvifMedia2Strream::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
