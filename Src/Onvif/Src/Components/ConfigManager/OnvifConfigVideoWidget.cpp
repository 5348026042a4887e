// "VideoWidget" and "ChannelTitle": what a channel's picture shows besides the video.
//
// "VideoWidget" is {"OSDs": [...], "Covers": [...], "MaxOSDs"}: the OSDs as the device keeps
// them (tt:OSDConfiguration records) and the privacy masks ("Covers", Media2 mask records:
// "token", "Polygon"."Point"[i], "Type", "Color", "Enabled"). A set makes the device hold
// exactly the listed ones: a record with a token the device has is changed, one without a
// token is created, and the device's others are removed. A part the table leaves out is not
// touched, and a device that cannot list masks (no Media2) has no "Covers".
//
// "ChannelTitle" is {"Name"}: the text of the channel's first plain-text OSD; a set changes
// that text, or adds the title at the upper left when the channel shows none.
#include <set>

#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/OSD/OnvifOSDOptions.h"
#include "Components/OSD/OnvifRemoteOSDManager.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC
{
namespace Onvif
{

namespace
{

int channelOf(const Json::Value& table)
{
    int channel = 0;
    if (table.isObject())
        memberInt(table, "RemoteChannel", channel);
    return channel;
}

const Json::Value* titleOsd(const Json::Value& osds)
{
    for (const Json::Value& osd : osds)
        if (memberText(osd, "Type") == "Text" && memberText(osd["TextString"], "Type") == "Plain")
            return &osd;
    return nullptr;
}

// Changes, creates and removes the channel's OSDs so that the device holds `wanted`.
bool reconcileOsds(COnvifRemoteOSDManager& osdManager, int channel, const Json::Value& current,
                   const Json::Value& wanted)
{
    std::set<std::string> kept;
    for (const Json::Value& osd : wanted)
        kept.insert(memberText(osd, "token"));
    bool ok = true;
    for (const Json::Value& osd : current) {
        const std::string token = memberText(osd, "token");
        if (!kept.count(token) && !osdManager.deleteOSD(channel, token)) {
            ONVIF_LOG(LOG_WARN, "deleteOSD fail, token:%s\n", token.c_str());
            ok = false;
        }
    }
    for (const Json::Value& osd : wanted) {
        std::string created;
        const bool isNew = memberText(osd, "token").empty();
        if (!(isNew ? osdManager.createOSD(channel, osd, created) : osdManager.setOSD(channel, osd))) {
            ONVIF_LOG(LOG_WARN, "%s fail, token:%s\n", isNew ? "createOSD" : "setOSD",
                      memberText(osd, "token").c_str());
            ok = false;
        }
    }
    return ok;
}

} // namespace

bool COnvifConfigManager::osdOptions(int channel, Json::Value& options)
{
    {
        std::lock_guard<std::mutex> lock(m_osdMutex);
        auto found = m_osdCfg.find(channel);
        if (found != m_osdCfg.end()) {
            options = found->second;
            return true;
        }
    }
    // Read without the lock: no lock is held across an exchange.
    if (!readChannelOSDOptions(*m_serverInfo, channel, options, "getOSDOptions fail!\n"))
        return false;
    std::lock_guard<std::mutex> lock(m_osdMutex);
    m_osdCfg[channel] = options;
    return true;
}

bool COnvifConfigManager::getConfigVideoWidget(Json::Value& table)
{
    const int channel = channelOf(table);
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    COnvifRemoteOSDManager osdManager(m_serverInfo);
    Json::Value osds, options;
    const bool haveOsds = osdManager.getOSDs(channel, osds);
    if (haveOsds) {
        table["OSDs"] = osds;
        if (osdOptions(channel, options))
            table["MaxOSDs"] = options["OSDOptions"]["MaximumNumberOfOSDs"].get("Total", 0);
    }
    std::string source;
    Json::Value request(Json::objectValue), masks(Json::objectValue);
    bool haveMasks = readChannelSourceConfiguration(*m_serverInfo, channel, source);
    if (haveMasks) {
        request["ConfigurationToken"] = source;
        haveMasks = getMaskCover(*m_serverInfo, request, masks);
    }
    if (haveMasks)
        table["Covers"] = masks["Masks"];
    if (!haveOsds && !haveMasks) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[VideoWidget], remote IP:[%s]\n", m_serverInfo->address.c_str());
        return false;
    }
    return true;
}

bool COnvifConfigManager::setConfigVideoWidget(Json::Value& table)
{
    const int channel = channelOf(table);
    bool ok = table.isObject();
    const Json::Value& wantedOsds = ok ? table["OSDs"] : Json::Value::nullSingleton();
    if (wantedOsds.isArray()) {
        COnvifRemoteOSDManager osdManager(m_serverInfo);
        Json::Value current, options;
        const int maximum =
            osdOptions(channel, options) ? options["OSDOptions"]["MaximumNumberOfOSDs"].get("Total", 0).asInt() : 0;
        if (maximum > 0 && static_cast<int>(wantedOsds.size()) > maximum) {
            ONVIF_LOG(LOG_WARN, "VideoWidget: %u OSDs, the channel shows at most %d\n", wantedOsds.size(), maximum);
            ok = false;
        } else {
            ok = osdManager.getOSDs(channel, current) && reconcileOsds(osdManager, channel, current, wantedOsds);
        }
    }
    const Json::Value& covers = table.isObject() ? table["Covers"] : Json::Value::nullSingleton();
    if (covers.isArray()) {
        std::string source;
        Json::Value request(Json::objectValue), result(Json::objectValue);
        request["Masks"] = covers;
        const bool found = readChannelSourceConfiguration(*m_serverInfo, channel, source);
        request["ConfigurationToken"] = source;
        ok = found && setMaskCover(*m_serverInfo, request, result) && ok;
    }
    if (!ok)
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[VideoWidget], remote IP:[%s]\n", m_serverInfo->address.c_str());
    return ok;
}

bool COnvifConfigManager::getConfigChannelTitle(Json::Value& table)
{
    const int channel = channelOf(table);
    Json::Value osds;
    if (!COnvifRemoteOSDManager(m_serverInfo).getOSDs(channel, osds)) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[ChannelTitle], remote IP:[%s]\n", m_serverInfo->address.c_str());
        return false;
    }
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    const Json::Value* title = titleOsd(osds);
    table["Name"] = title ? memberText((*title)["TextString"], "PlainText") : std::string();
    return true;
}

bool COnvifConfigManager::setConfigChannelTitle(Json::Value& table)
{
    const int channel = channelOf(table);
    std::string name = memberText(table, "Name");
    if (name.empty() && table.isObject() && table["ChannelTitle"].isObject())
        name = memberText(table["ChannelTitle"], "Name");
    COnvifRemoteOSDManager osdManager(m_serverInfo);
    Json::Value osds;
    bool ok = osdManager.getOSDs(channel, osds);
    if (ok) {
        const Json::Value* title = titleOsd(osds);
        Json::Value osd = title ? *title : Json::Value(Json::objectValue);
        osd["TextString"]["PlainText"] = name;
        if (title) {
            ok = osdManager.setOSD(channel, osd);
        } else {
            osd["Type"] = "Text";
            osd["Position"]["Type"] = "UpperLeft";
            osd["TextString"]["Type"] = "Plain";
            std::string token;
            ok = osdManager.createOSD(channel, osd, token);
        }
    }
    if (!ok)
        ONVIF_LOG(LOG_WARN, "setConfigChannelTitle fail!, remote IP:%s\n", m_serverInfo->address.c_str());
    return ok;
}

} // namespace Onvif
} // namespace RPC
