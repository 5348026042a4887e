#include "OnvifProtocolCore/Media2/OnvifMedia2Strream.h"

#include <string>

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using MediaFields::kEnd;
using Namespaces::kMedia2;

const OnvifField kProfileTokenIn[] = {{"ProfileToken", "./tr2:ProfileToken", FIELD_TEXT, 0, nullptr, nullptr}, kEnd};

// Without a profile the request goes out bare and the device's fault decides.
int streamRequest(CSOAPMessage& request, const Json::Value& req)
{
    const std::string token = MediaFields::textOr(req, "ProfileToken", "");
    if (token.empty())
        return 0;
    const std::string protocol = MediaFields::textOr(req, "Protocol", "");
    if (!protocol.empty())
        request.set("./tr2:Protocol", protocol.c_str());
    request.set("./tr2:ProfileToken", token.c_str());
    return request.getLastError() == 0 ? 0 : -1;
}

// Media2 answers the bare URI; callers get it where Media puts it.
int mediaUri(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    return MediaFields::readMediaUri(response, "./Uri", rsp);
}

#define ROW(command, op, in, hookIn, hookOut)                                                           \
    {                                                                                                    \
        command, {op, "/tr2:" op, kMedia2, in, nullptr, OP_DEFAULT, nullptr, hookIn, hookOut}, nullptr \
    }

const OnvifCommandRow kRows[] = {
    ROW("GetStreamUri", "GetStreamUri", nullptr, streamRequest, mediaUri),
    ROW("GetSnapShotUri", "GetSnapshotUri", kProfileTokenIn, nullptr, mediaUri),
    ROW("StartMulticastStreaming", "StartMulticastStreaming", kProfileTokenIn, nullptr, nullptr),
    ROW("StopMulticastStreaming", "StopMulticastStreaming", kProfileTokenIn, nullptr, nullptr),
    ROW("SetSynchronizationPoints", "SetSynchronizationPoint", kProfileTokenIn, nullptr, nullptr),
};
#undef ROW

} // namespace

const COnvifCommandTable& COnvifMedia2Strream::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
