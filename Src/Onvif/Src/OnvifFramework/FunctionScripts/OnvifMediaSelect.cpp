#include "OnvifFramework/FunctionScripts/OnvifMediaSelect.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

bool isMedia2Selected(const ServerInfo& info)
{
    return COnvifInfoCenter::instance()->isMedia2Supported(info);
}

bool callMedia(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(info, request, result, "Media", "MediaCfg", command);
}

bool callMedia2(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(info, request, result, "Media2", "Media2", command);
}

namespace {

// One Media2 attempt on a copy of the request; the caller's record keeps what Media needs.
bool tryMedia2(const ServerInfo& info, Json::Value& request, Json::Value& result, const COnvifMediaOp& op)
{
    Json::Value media2Request = request;
    if (op.toMedia2Request)
        op.toMedia2Request(media2Request);
    if (!callMedia2(info, media2Request, result, op.media2Command))
        return false;
    if (op.fromMedia2Result)
        op.fromMedia2Result(media2Request, result);
    return true;
}

} // namespace

bool runMediaOp(const ServerInfo& info, Json::Value& request, Json::Value& result, const COnvifMediaOp& op)
{
    if (!request.isNull() && !request.isObject()) {
        ONVIF_LOG(LOG_ERROR, "%s: request is not a record\n", op.name);
        return false;
    }
    switch (op.pattern) {
    case EMediaPattern::MediaOnly:
        if (isMedia2Selected(info))
            ONVIF_LOG(LOG_WARN, "Meida2 Not Support this Method, Still user Media\n");
        return callMedia(info, request, result, op.mediaCommand);
    case EMediaPattern::Media2Only:
        return tryMedia2(info, request, result, op);
    case EMediaPattern::Either:
        if (isMedia2Selected(info))
            return tryMedia2(info, request, result, op);
        return callMedia(info, request, result, op.mediaCommand);
    case EMediaPattern::Media2Fallback:
        if (isMedia2Selected(info)) {
            const Json::Value untouched = result;
            if (tryMedia2(info, request, result, op))
                return true;
            if (op.fallbackLog)
                ONVIF_LOG(LOG_DEBUG, "%s", op.fallbackLog);
            result = untouched;   // Media's answer must not mix with Media2's failure
        }
        return callMedia(info, request, result, op.mediaCommand);
    }
    return false;
}

} // namespace Onvif
} // namespace RPC
