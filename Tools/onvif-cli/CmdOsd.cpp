// osd: the texts and pictures a channel's video carries (its on-screen displays), through
// the remote OSD manager.
#include <cstdio>
#include <sstream>

#include "Commands.h"
#include "IOSDManager.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IRemoteOSDManager;

IRemoteOSDManager* osdManager(CCliHost& host, std::string& error)
{
    auto* manager = host.component<IRemoteOSDManager>(IRemoteOSDManager::kInterfaceName);
    if (!manager)
        error = "The library did not hand out the OSD interface for " + host.deviceLabel() + ".";
    return manager;
}

std::string failure(CCliHost& host, const std::string& what)
{
    return CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) + " " + what;
}

struct PositionName {
    const char* option;
    const char* onvif;
};
const PositionName kPositions[] = {
    {"upper-left", "UpperLeft"}, {"upper-right", "UpperRight"}, {"lower-left", "LowerLeft"},
    {"lower-right", "LowerRight"}};

// "upper-left" and the like, or "x,y" for a custom spot; false for anything else.
bool positionRecord(const std::string& text, Json::Value& position)
{
    for (const PositionName& p : kPositions) {
        if (text == p.option) {
            position["Type"] = p.onvif;
            return true;
        }
    }
    double x = 0, y = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lf,%lf%c", &x, &y, &tail) != 2 || x < -1 || x > 1 || y < -1 || y > 1)
        return false;
    position["Type"] = "Custom";
    position["Pos"]["x"] = x;
    position["Pos"]["y"] = y;
    return true;
}

std::string describe(const Json::Value& osd)
{
    const Json::Value& text = osd["TextString"];
    std::string what = osd["Type"].asString() == "Image" ? "image " + osd["Image"]["ImgPath"].asString()
                       : text["Type"].asString() == "Plain" ? "\"" + text["PlainText"].asString() + "\""
                                                             : text["Type"].asString();
    return osd["token"].asString() + ": " + what + " at " + osd["Position"]["Type"].asString();
}

} // namespace

CommandResult runOsdList(CCliHost& host, int channel)
{
    CommandResult r;
    IRemoteOSDManager* manager = osdManager(host, r.error);
    Json::Value osds;
    if (!manager)
        return r;
    if (!manager->getOSDs(channel, osds)) {
        r.error = failure(host, "The OSDs of channel " + std::to_string(channel) + " could not be read.");
        return r;
    }
    std::ostringstream text;
    for (const Json::Value& osd : osds)
        text << "  " << describe(osd) << "\n";
    if (osds.empty())
        text << "  Channel " << channel << " shows no OSD.\n";
    r.data["OSDs"] = osds;
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult runOsdAdd(CCliHost& host, int channel, const std::string& text, const std::string& position,
                        bool dateTime)
{
    CommandResult r;
    IRemoteOSDManager* manager = osdManager(host, r.error);
    if (!manager)
        return r;
    Json::Value osd(Json::objectValue);
    osd["Type"] = "Text";
    if (!positionRecord(position, osd["Position"])) {
        r.error = "The position \"" + position + "\" is neither upper-left, upper-right, lower-left, lower-right "
                  "nor x,y between -1 and 1.";
        return r;
    }
    osd["TextString"]["Type"] = dateTime ? "DateAndTime" : "Plain";
    if (!dateTime)
        osd["TextString"]["PlainText"] = text;
    std::string token;
    if (!manager->createOSD(channel, osd, token)) {
        r.error = failure(host, "It did not add the OSD.");
        return r;
    }
    r.data["OSDToken"] = token;
    r.text = "  Added OSD " + token + " to channel " + std::to_string(channel) + ".\n";
    r.ok = true;
    return r;
}

CommandResult runOsdRemove(CCliHost& host, int channel, const std::string& token)
{
    CommandResult r;
    IRemoteOSDManager* manager = osdManager(host, r.error);
    if (!manager)
        return r;
    if (!manager->deleteOSD(channel, token)) {
        r.error = failure(host, "It did not remove the OSD " + token + ".");
        return r;
    }
    r.data["Removed"] = token;
    r.text = "  Removed OSD " + token + ".\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
