// ptz: steer a dome through the host's PTZ interfaces, in the host's coordinates and
// numbers. A recorder keeps its preset and tour numbers; so does the CLI, per device and
// channel, in a small file it hands back to the library before each command (not for the
// embedded simulator, which starts afresh every time).
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "CliOutput.h"
#include "Commands.h"
#include "ILogicDeviceManager.h"
#include "IPTZBase.h"
#include "IPtz.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Comm::IPtz;
using Zentar::Comm::IPTZBase;

std::string numberText(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// "" when the library says the channel is a dome (or cannot say), else why it is not.
std::string noPtzReason(CCliHost& host, int channel)
{
    auto* channels =
        host.component<Zentar::Component::ILogicDeviceManager>(Zentar::Component::ILogicDeviceManager::kInterfaceName);
    Json::Value info;
    if (!channels || !channels->getVideoChannelsInfo("Input", info))
        return "";
    for (const Json::Value& c : info["Input"]["SD"])
        if (c.asInt() == channel)
            return "";
    std::string domes;
    for (const Json::Value& c : info["Input"]["SD"])
        domes += (domes.empty() ? "" : ", ") + c.asString();
    return "Channel " + std::to_string(channel) + " of " + host.deviceLabel() +
           " has no PTZ: the device gives no PTZ configuration for it" +
           (domes.empty() ? " (it has no dome at all)." : " (PTZ channels: " + domes + ").");
}

// ---- The host's saved numbering ------------------------------------------------------------

std::string stateFile(const CCliHost& host, int channel)
{
    const char* home = std::getenv("ONVIF_CLI_STATE_DIR");
    std::string dir =
        home && *home ? home : std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp") + "/.onvif-cli";
    ::mkdir(dir.c_str(), 0700);
    std::string name = host.serverInfo().address + "-" + std::to_string(host.serverInfo().port) + "-ch" +
                       std::to_string(channel) + ".json";
    for (char& c : name)
        c = (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return dir + "/" + name;
}

Json::Value loadSaved(const CCliHost& host, int channel)
{
    Json::Value saved;
    if (host.embedded())
        return saved;
    std::ifstream in(stateFile(host, channel));
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!in || !Json::parseFromStream(builder, in, &saved, &errors))
        return Json::Value();
    return saved;
}

void save(const CCliHost& host, int channel, IPtz* ptz)
{
    if (host.embedded())
        return;
    Json::Value saved(Json::objectValue);
    if (!ptz->getPresets(saved["Presets"]))
        saved["Presets"] = Json::Value(Json::arrayValue);
    if (!ptz->getTours(saved["Tours"]))
        saved["Tours"] = Json::Value(Json::arrayValue);
    std::ofstream out(stateFile(host, channel));
    out << saved.toStyledString();
}

// ---- Actions -------------------------------------------------------------------------------

CommandResult failure(CCliHost& host, const std::string& what)
{
    CommandResult r;
    const uint32_t code = Zentar::Infra::getLastError();
    r.error = what +
              (code ? " " + CCliHost::explainError(code, host.deviceLabel()) : " See the log for the device's answer.");
    return r;
}

CommandResult status(CCliHost& host, IPtz* ptz, int channel)
{
    CommandResult r;
    Json::Value s;
    if (!ptz->getStatus(s))
        return failure(host, "The status of channel " + std::to_string(channel) + " could not be read.");
    r.data = s;
    const Json::Value& p = s["Postion"];
    r.text = "  Pan " + numberText(p[0].asDouble()) + "  Tilt " + numberText(p[1].asDouble()) + "  Zoom " +
             numberText(p[2].asDouble()) + "  (" + s["MoveStatus"].asString() + ": pan/tilt " +
             s["PanTiltStatus"].asString() + ", zoom " + s["ZoomStatus"].asString() + ")\n";
    r.ok = true;
    return r;
}

CommandResult presets(CCliHost& host, IPtz* ptz, const PtzArgs& a)
{
    CommandResult r;
    if (a.action == "set" && !ptz->setPreset(a.number, a.name.empty() ? nullptr : a.name.c_str()))
        return failure(host, "Preset " + std::to_string(a.number) +
                                 " was not stored: numbers run from 1 to the dome's maximum of presets.");
    if (a.action == "goto" && !ptz->gotoPreset(a.number))
        return failure(host, "There is no preset " + std::to_string(a.number) + " on channel " +
                                 std::to_string(a.channel) + " (see `preset list`).");
    if (a.action == "remove" && !ptz->removePreset(a.number))
        return failure(host, "Preset " + std::to_string(a.number) + " could not be removed (see `preset list`).");
    Json::Value list;
    if (!ptz->getPresets(list))
        return failure(host, "The presets of channel " + std::to_string(a.channel) + " could not be read.");
    r.data["Presets"] = list;
    std::ostringstream text;
    if (a.action != "list")
        text << "  " << a.action << " " << a.number << ": done\n";
    for (const Json::Value& p : list)
        text << "  " << p["Index"].asInt() << "  " << p["Name"].asString() << "  (token " << p["Token"].asString()
             << ")\n";
    if (list.empty())
        text << "  no presets\n";
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult tours(CCliHost& host, IPtz* ptz, const PtzArgs& a)
{
    CommandResult r;
    if (a.action == "start" && !ptz->startTour(a.number))
        return failure(host, "Tour " + std::to_string(a.number) + " did not start (see `tour list`).");
    if (a.action == "stop" && !ptz->stopTour(a.number))
        return failure(host, "Tour " + std::to_string(a.number) + " did not stop (see `tour list`).");
    Json::Value list;
    if (!ptz->getTours(list))
        return failure(host, "The tours of channel " + std::to_string(a.channel) +
                                 " could not be read; not every dome has preset tours.");
    r.data["Tours"] = list;
    std::ostringstream text;
    if (a.action != "list")
        text << "  " << a.action << " " << a.number << ": done\n";
    for (const Json::Value& t : list) {
        text << "  " << t["Index"].asInt() << "  " << t["Name"].asString() << ":";
        for (const Json::Value& point : t["Presets"])
            text << " preset " << point[0].asInt() + 1 << " (" << point[1].asInt() << " s)";
        text << "\n";
    }
    if (list.empty())
        text << "  no tours\n";
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult move(CCliHost& host, IPtz* ptz, const PtzArgs& a)
{
    const float speed[3] = {static_cast<float>(a.pan), static_cast<float>(a.tilt), static_cast<float>(a.zoom)};
    // The device stops by itself a second after the CLI would, should the CLI die first.
    if (!ptz->moveContinuously(speed, static_cast<int>(std::ceil(a.seconds)) + 1))
        return failure(host, "The dome refused the move.");
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(a.seconds * 1000)));
    if (!ptz->stopMove())
        return failure(host, "The dome did not stop.");
    return status(host, ptz, a.channel);
}

} // namespace

CommandResult runPtz(CCliHost& host, const PtzArgs& a)
{
    if (std::string reason = noPtzReason(host, a.channel); !reason.empty()) {
        CommandResult r;
        r.error = reason;
        return r;
    }
    IPtz* ptz = host.client()->getIPtz(a.channel);
    auto* base = host.component<IPTZBase>(IPTZBase::kInterfaceName);
    if (!ptz || !base) {
        CommandResult r;
        r.error = "The library did not hand out the PTZ interfaces for " + host.deviceLabel() + ".";
        return r;
    }
    const Json::Value saved = loadSaved(host, a.channel);
    if (saved.isObject()) {
        base->initPresets(a.channel, saved["Presets"]);
        base->initTours(a.channel, saved["Tours"]);
    }
    CommandResult r;
    if (a.command == "status") {
        r = status(host, ptz, a.channel);
    } else if (a.command == "move") {
        r = move(host, ptz, a);
    } else if (a.command == "goto") {
        const float position[3] = {static_cast<float>(a.pan), static_cast<float>(a.tilt), static_cast<float>(a.zoom)};
        r = ptz->moveAbsolutely(position) ? status(host, ptz, a.channel) : failure(host, "The dome refused the move.");
    } else if (a.command == "point") {
        const float point[3] = {static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.zoom)};
        r = ptz->moveDirectly(point) ? status(host, ptz, a.channel) : failure(host, "The dome refused the move.");
    } else if (a.command == "preset") {
        r = presets(host, ptz, a);
    } else if (a.command == "tour") {
        r = tours(host, ptz, a);
    } else if (a.command == "aux") {
        if (!ptz->auxControl(a.name.c_str(), a.on))
            return failure(host, "The switch " + a.name + " did not answer; the library knows Wiper, IRLamp, Iris "
                                                          "and RainBrush, and the dome may not have it.");
        r.ok = true;
        r.data["Function"] = a.name;
        r.data["On"] = a.on;
        r.text = "  " + a.name + (a.on ? " on\n" : " off\n");
    }
    if (r.ok)
        save(host, a.channel, ptz);
    return r;
}

} // namespace OnvifCli

namespace OnvifCli {

namespace {

// Polls until the dome stands still (or 5 s pass) and gives its position.
bool settled(IPtz* ptz, Json::Value& status)
{
    for (int i = 0; i < 50; ++i) {
        if (!ptz->getStatus(status))
            return false;
        if (status["MoveStatus"].asString() == "Idle")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool near(const Json::Value& a, const Json::Value& b)
{
    for (Json::ArrayIndex i = 0; i < 3; ++i)
        if (std::fabs(a[i].asDouble() - b[i].asDouble()) > 0.01)
            return false;
    return true;
}

} // namespace

CommandResult runPtzTour(CCliHost& host)
{
    CommandResult r;
    auto* channels =
        host.component<Zentar::Component::ILogicDeviceManager>(Zentar::Component::ILogicDeviceManager::kInterfaceName);
    Json::Value info;
    if (!channels || !channels->getVideoChannelsInfo("Input", info)) {
        r.error = "The channels could not be read to look for a dome.";
        return r;
    }
    if (info["Input"]["SD"].empty()) {
        r.ok = true;
        r.data["Ptz"] = false;
        r.text = "  no PTZ on this device\n";
        return r;
    }
    const int channel = info["Input"]["SD"][0].asInt();
    IPtz* ptz = host.client()->getIPtz(channel);
    Json::Value before, after, back;
    const float speed[3] = {0.5f, 0.0f, 0.0f};
    const float elsewhere[3] = {-0.5f, -0.3f, 0.2f};
    std::ostringstream text;
    text << "  channel " << channel << ":";
    if (!ptz || !settled(ptz, before) || !ptz->moveContinuously(speed, 2)) {
        r.error = "The dome on channel " + std::to_string(channel) + " did not start to move.";
        return r;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (!ptz->stopMove() || !settled(ptz, after) || near(before["Postion"], after["Postion"])) {
        r.error = "The dome on channel " + std::to_string(channel) + " did not move, or did not stop.";
        return r;
    }
    text << " moved and stopped;";
    Json::Value presets;
    if (!ptz->getPresets(presets) || !ptz->setPreset(1, "onvif-cli tour") || !ptz->moveAbsolutely(elsewhere) ||
        !settled(ptz, back) || !ptz->getPresets(presets) || !ptz->gotoPreset(1) || !settled(ptz, back)) {
        r.error = "Preset 1 could not be stored and recalled on channel " + std::to_string(channel) + ".";
        return r;
    }
    if (!near(back["Postion"], after["Postion"])) {
        r.error = "Preset 1 brought the dome to " + back["Postion"].toStyledString() + " instead of " +
                  after["Postion"].toStyledString();
        return r;
    }
    text << " preset 1 set, left and recalled within 0.01\n";
    r.data["Channel"] = channel;
    r.data["Moved"] = after["Postion"];
    r.data["Recalled"] = back["Postion"];
    r.text = text.str();
    r.ok = true;
    return r;
}

} // namespace OnvifCli
