#include "Components/OSD/OnvifOSDManager.h"

#include "Components/OSD/OnvifOSDOptions.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

int intAt(const Json::Value& record, const char* outer, const char* inner)
{
    const Json::Value& v = record.isObject() && record[outer].isObject() ? record[outer][inner] : Json::Value();
    return v.isInt() ? v.asInt() : 0;
}

bool listHas(const Json::Value& list, const char* text)
{
    if (!list.isArray())
        return false;
    for (const Json::Value& item : list)
        if (item.isString() && item.asString() == text)
            return true;
    return false;
}

} // namespace

COnvifOSDManager::COnvifOSDManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

// A channel title and a custom title are both plain-text OSDs: the channel title needs
// plain text at all, a custom title a second plain-text OSD beside it. The time formats
// are the device's own (the host shows what it offers).
Json::Value COnvifOSDManager::capsFromOptions(int channel, const Json::Value& osdOptions)
{
    const Json::Value& options = osdOptions.isObject() ? osdOptions["OSDOptions"] : Json::Value();
    const Json::Value& text = options.isObject() ? options["TextOption"] : Json::Value();
    const bool plainText = listHas(text.isObject() ? text["Type"] : Json::Value(), "Plain");
    int plainMax = intAt(options, "MaximumNumberOfOSDs", "PlainText");
    if (plainMax == 0 && plainText)
        plainMax = intAt(options, "MaximumNumberOfOSDs", "Total");

    Json::Value cap(Json::objectValue);
    cap["Channel"] = channel;
    cap["SupportTimeTitle"] = intAt(options, "MaximumNumberOfOSDs", "DateAndTime") >= 1;
    cap["SupportTimeTitleFormat"] = Json::Value(Json::arrayValue);
    if (text.isObject() && text["DateFormat"].isArray())
        cap["SupportTimeTitleFormat"] = text["DateFormat"];
    cap["SupportChannelTitle"] = plainText && plainMax >= 1;
    cap["SupportCustomTitle"] = plainText && plainMax >= 2;
    Json::Value caps(Json::arrayValue);
    caps.append(cap);
    return caps;
}

bool COnvifOSDManager::getOSDCaps(int channel, Json::Value& caps)
{
    Json::Value options;
    if (!readChannelOSDOptions(*m_serverInfo, channel, options, "getOSDOptions fail!!\n"))
        return false;
    caps = capsFromOptions(channel, options);
    if (getLogPrinterLevel() >= LOG_INFO)
        ONVIF_LOG(LOG_INFO, "getOSDCaps:\n%s\n", caps.toStyledString().c_str());
    return true;
}

} // namespace Onvif
} // namespace RPC
