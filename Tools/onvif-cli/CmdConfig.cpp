// config: the library's host configuration tables by name, as the recorder's settings
// pages see them. get prints a table; set writes one from a file (or standard input) and
// prints what the device holds afterwards, read back through the same name.
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>

#include "Commands.h"
#include "IConfigManager.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IConfigManager;

IConfigManager* configOf(CCliHost& host, CommandResult& r)
{
    auto* config = host.component<IConfigManager>(IConfigManager::kInterfaceName);
    if (!config)
        r.error = "The library did not hand out the configuration interface for " + host.deviceLabel() + ".";
    return config;
}

bool readTable(const std::string& path, Json::Value& table, std::string& error)
{
    std::string text;
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "Cannot open " + path + ".";
            return false;
        }
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Json::CharReaderBuilder builder;
    std::string why;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &table, &why)) {
        error = "The table in " + (path == "-" ? std::string("standard input") : path) + " is not JSON: " + why;
        return false;
    }
    return true;
}

} // namespace

CommandResult runConfigGet(CCliHost& host, const std::string& name)
{
    CommandResult r;
    IConfigManager* config = configOf(host, r);
    if (!config)
        return r;
    Json::Value table(Json::objectValue);
    if (!config->getConfig(name.c_str(), table)) {
        r.error = "The configuration \"" + name + "\" could not be read from " + host.deviceLabel() +
                  " (unknown name, or the device does not offer it; see the log).";
        return r;
    }
    r.data = table;
    r.text = table.toStyledString();
    r.ok = true;
    return r;
}

CommandResult runConfigSet(CCliHost& host, const std::string& name, const std::string& path)
{
    CommandResult r;
    IConfigManager* config = configOf(host, r);
    Json::Value table;
    if (!config || !readTable(path, table, r.error))
        return r;
    if (!config->setConfig(name.c_str(), table, 0)) {
        r.error = "The device " + host.deviceLabel() + " did not take the configuration \"" + name +
                  "\" (unknown or read-only name, a value it refuses, or no such service; see the log).";
        return r;
    }
    CommandResult after = runConfigGet(host, name);
    if (!after.ok) {
        r.error = "The configuration \"" + name + "\" was written but could not be read back: " + after.error;
        return r;
    }
    after.text = "  Written. The device now holds:\n" + after.text;
    return after;
}

} // namespace OnvifCli

namespace OnvifCli {

namespace {

// Every configuration name, channel 0 where the table is per channel.
const char* const kTourNames[] = {"Base",           "Capability[0]", "Encode[0]", "Image[0]", "VideoColor[0]",
                                  "VideoWidget[0]", "ChannelTitle[0]", "MotionDetect[0]", "Network", "IPv6",
                                  "ExAlarm",        "Alarm",         "Web",       "Https",    "RTSP"};

// Writes `changed` under name and checks that reading back gives `expect(table)`.
bool writeAndCheck(CCliHost& host, const char* name, const Json::Value& changed,
                   const std::function<bool(const Json::Value&)>& expect, std::string& line)
{
    auto* config = host.component<IConfigManager>(IConfigManager::kInterfaceName);
    Json::Value back(Json::objectValue);
    const bool ok = config && config->setConfig(name, changed, 0) && config->getConfig(name, back) && expect(back);
    line = std::string("  ") + name + " written with one change: " + (ok ? "read back as written" : "NOT as written") +
           "\n";
    return ok;
}

} // namespace

CommandResult runConfigTour(CCliHost& host)
{
    CommandResult r;
    std::ostringstream text;
    int failed = 0;
    Json::Value tables(Json::objectValue);
    for (const char* name : kTourNames) {
        CommandResult got = runConfigGet(host, name);
        text << "  " << name << ": " << (got.ok ? "read" : "FAILED") << "\n";
        failed += got.ok ? 0 : 1;
        if (got.ok)
            tables[name] = got.data;
    }
    // Writing changes the device: only the tour's own simulator gets it.
    if (host.embedded() && tables.isMember("VideoColor[0]")) {
        Json::Value colour = tables["VideoColor[0]"];
        const int brightness = colour.get("Brightness", 50).asInt();
        colour["Brightness"] = brightness >= 90 ? brightness - 10 : brightness + 10;
        const int want = colour["Brightness"].asInt();
        std::string line;
        failed += writeAndCheck(host, "VideoColor[0]", colour,
                                [want](const Json::Value& b) { return b.get("Brightness", -1).asInt() == want; }, line)
                      ? 0 : 1;
        text << line;
    }
    if (host.embedded() && tables.isMember("MotionDetect[0]")) {
        Json::Value motion = tables["MotionDetect[0]"];
        Json::Value& row = motion["MotionDetect"]["MotionDetectWindow"][0]["Region"][0];
        row = row.asUInt() ^ 1u;   // the top-left cell flips
        const unsigned want = row.asUInt();
        std::string line;
        failed += writeAndCheck(host, "MotionDetect[0]", motion,
                                [want](const Json::Value& b) {
                                    return b["MotionDetect"]["MotionDetectWindow"][0]["Region"][0].asUInt() == want;
                                }, line)
                      ? 0 : 1;
        text << line;
    }
    r.data = tables;
    r.text = text.str();
    r.ok = failed == 0;
    if (!r.ok)
        r.error = std::to_string(failed) + " configuration step(s) failed:\n" + r.text;
    return r;
}

} // namespace OnvifCli
