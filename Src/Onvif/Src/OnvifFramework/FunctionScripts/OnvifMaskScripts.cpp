// Privacy masks of a video source configuration ("ConfigurationToken"), which only Media2
// offers. getMaskCover lists them as "Masks"[i]; setMaskCover makes the device hold the
// request's "Masks": a mask with a "token" the device has is changed, one without a token
// is created, and the device's masks the list no longer names are deleted.
#include <set>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

bool media2(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(info, request, result, "Media2", "Media2", command);
}

// The Media2 mask record of a listed mask: its own members under "Mask".
Json::Value maskRequest(const Json::Value& mask, const std::string& configuration)
{
    Json::Value request(Json::objectValue);
    Json::Value& out = request["Mask"];
    out["ConfigurationToken"] = configuration;
    for (const char* member : {"Polygon", "Type", "Color", "Enabled"})
        if (mask.isMember(member))
            out[member] = mask[member];
    return request;
}

} // namespace

bool getMaskCover(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (memberText(request, "ConfigurationToken").empty()) {
        ONVIF_ERRLN();
        return false;
    }
    if (!media2(info, request, result, "GetMasks"))
        return false;
    if (!result["Masks"].isArray())
        result["Masks"] = Json::Value(Json::arrayValue);   // a source without masks answers no list
    return true;
}

bool setMaskCover(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    const std::string configuration = memberText(request, "ConfigurationToken");
    const Json::Value& wanted = request["Masks"];
    Json::Value list(Json::objectValue), current(Json::objectValue);
    list["ConfigurationToken"] = configuration;
    if (!wanted.isArray() || !getMaskCover(info, list, current))
        return false;
    std::set<std::string> kept;
    for (const Json::Value& mask : wanted)
        kept.insert(memberText(mask, "token"));
    bool ok = true;
    for (const Json::Value& mask : current["Masks"]) {
        const std::string token = memberText(mask, "token");
        if (kept.count(token))
            continue;
        Json::Value drop(Json::objectValue), dropped(Json::objectValue);
        drop["Token"] = token;
        if (!media2(info, drop, dropped, "DeleteMask")) {
            ONVIF_LOG(LOG_WARN, "DeleteMask fail, token:%s\n", token.c_str());
            ok = false;
        }
    }
    for (const Json::Value& mask : wanted) {
        const std::string token = memberText(mask, "token");
        Json::Value send = maskRequest(mask, configuration), answer(Json::objectValue);
        if (!token.empty())
            send["MaskToken"] = token;
        if (!media2(info, send, answer, token.empty() ? "CreateMask" : "SetMask")) {
            ONVIF_LOG(LOG_WARN, "%s fail, token:%s\n", token.empty() ? "CreateMask" : "SetMask", token.c_str());
            ok = false;
        }
    }
    result["Masks"] = wanted;
    return ok;
}

} // namespace Onvif
} // namespace RPC
