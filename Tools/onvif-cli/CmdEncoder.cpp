// encoder: one stream's encoder settings and what the encoder can do, read and changed in
// the host's vocabulary through the configuration manager ("Encode") and the encode
// interface (capabilities).
#include <cctype>
#include <sstream>

#include "Commands.h"
#include "IConfigManager.h"
#include "IEncode.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Component::IConfigManager;
using Zentar::Component::IEncode;

// The stream's entry in a channel's table: "MainFormat"[0] or "ExtraFormat"[stream-1].
Json::Value* streamEntry(Json::Value& table, int stream)
{
    Json::Value& list = table[stream == 0 ? "MainFormat" : "ExtraFormat"];
    const Json::ArrayIndex index = static_cast<Json::ArrayIndex>(stream == 0 ? 0 : stream - 1);
    if (!list.isArray() || index >= list.size() || !list[index].isObject())
        return nullptr;
    return &list[index];
}

std::string listText(const Json::Value& list)
{
    std::string text;
    for (const Json::Value& item : list)
        text += (text.empty() ? "" : " ") + (item.isString() ? item.asString() : item.toStyledString());
    return text.empty() ? "-" : text;
}

struct Reading {
    Json::Value table;     // the channel's "Encode" table
    Json::Value caps;      // the channel's capability form
    Json::Value* current = nullptr;
    Json::Value* options = nullptr;
};

bool readStream(CCliHost& host, int channel, int stream, Reading& out, std::string& error)
{
    auto* config = host.component<IConfigManager>(IConfigManager::kInterfaceName);
    auto* encode = host.component<IEncode>(IEncode::kInterfaceName);
    if (!config || !encode) {
        error = "The library did not hand out the encoder interfaces for " + host.deviceLabel() + ".";
        return false;
    }
    const std::string name = "Encode[" + std::to_string(channel) + "]";
    out.table = Json::Value(Json::objectValue);
    if (!config->getConfig(name.c_str(), out.table)) {
        error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                " Its encoder settings of channel " + std::to_string(channel) + " could not be read.";
        return false;
    }
    out.current = streamEntry(out.table, stream);
    if (!out.current || !(*out.current)["VideoEnable"].asBool()) {
        error = "Channel " + std::to_string(channel) + " of " + host.deviceLabel() + " has no stream " +
                std::to_string(stream) + ".";
        return false;
    }
    if (encode->getConfigCaps(channel, out.caps))
        out.options = streamEntry(out.caps, stream);
    return true;
}

void describe(const Reading& r, std::ostringstream& text)
{
    const Json::Value& v = (*r.current)["Video"];
    text << "  Codec: " << v["Compression"].asString() << ", " << v["Width"].asInt() << "x" << v["Height"].asInt()
         << " (" << v["ImageSizeStr"].asString() << ")\n";
    text << "  Rate: " << v["FPS"].asInt() << " fps, " << v["BitRate"].asInt() << " kbit/s "
         << v["BitRateControl"].asString() << ", quality " << v["Quality"].asInt() << " of 6\n";
    if (v.isMember("GOP"))
        text << "  GOP: " << v["GOP"].asInt() << ", profile " << v["Profile"].asString() << "\n";
    if (!r.options)
        return;
    const Json::Value& o = *r.options;
    text << "  Can do: " << listText(o["CompressionTypes"]) << "; sizes " << listText(o["ResolutionTypes"])
         << "; up to " << o["FPSMax"].asInt() << " fps";
    if (o["BitRateOptions"].size() == 2)
        text << "; " << o["BitRateOptions"][0].asInt() << "-" << o["BitRateOptions"][1].asInt() << " kbit/s";
    text << "\n";
}

// The host's compression names, however the user spells them.
std::string hostCodec(const std::string& codec)
{
    std::string upper;
    for (char c : codec)
        if (c != '.' && c != '-')
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "H264")
        return "H.264";
    if (upper == "H265" || upper == "HEVC")
        return "H.265";
    if (upper == "MJPG" || upper == "MJPEG" || upper == "JPEG")
        return "MJPG";
    return upper;
}

// A line for each value the device will not take as given: it is clamped or refused there.
void warnOutOfRange(const EncoderChange& change, const Json::Value* options, std::string& warnings)
{
    if (!options)
        return;
    const Json::Value& o = *options;
    if (change.fps > 0 && o.isMember("FPSMax") && change.fps > o["FPSMax"].asInt())
        warnings += "warning: " + std::to_string(change.fps) + " fps is above the device's " +
                    std::to_string(o["FPSMax"].asInt()) + " and will be clamped\n";
    const Json::Value& bitrates = o["BitRateOptions"];
    if (change.bitrate > 0 && bitrates.size() == 2 &&
        (change.bitrate < bitrates[0].asInt() || change.bitrate > bitrates[1].asInt()))
        warnings += "warning: " + std::to_string(change.bitrate) + " kbit/s is outside the device's " +
                    std::to_string(bitrates[0].asInt()) + "-" + std::to_string(bitrates[1].asInt()) + " range\n";
}

} // namespace

CommandResult runEncoderGet(CCliHost& host, int channel, int stream)
{
    CommandResult r;
    Reading reading;
    if (!readStream(host, channel, stream, reading, r.error))
        return r;
    std::ostringstream text;
    describe(reading, text);
    r.data["Encoder"] = *reading.current;
    if (reading.options)
        r.data["Options"] = *reading.options;
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult runEncoderSet(CCliHost& host, int channel, int stream, const EncoderChange& change)
{
    CommandResult r;
    Reading reading;
    if (!readStream(host, channel, stream, reading, r.error))
        return r;
    Json::Value& video = (*reading.current)["Video"];
    if (!change.codec.empty())
        video["Compression"] = hostCodec(change.codec);
    if (change.width > 0 && change.height > 0) {
        video["Width"] = change.width;
        video["Height"] = change.height;
    }
    if (change.fps > 0)
        video["FPS"] = change.fps;
    if (change.bitrate > 0)
        video["BitRate"] = change.bitrate;
    if (change.gop > 0)
        video["GOP"] = change.gop;
    if (change.quality > 0) {
        video["Quality"] = change.quality;
        video["BitRateControl"] = "VBR";   // the quality is what a variable bit rate keeps
    }
    std::string warnings;
    warnOutOfRange(change, reading.options, warnings);

    // Only this stream is written: every other entry of the table is left disabled.
    Json::Value table = reading.table;
    for (const char* list : {"MainFormat", "ExtraFormat"})
        for (Json::Value& entry : table[list]) {
            entry["VideoEnable"] = false;
            entry.removeMember("AudioEnable");
        }
    Json::Value* target = streamEntry(table, stream);
    *target = *reading.current;
    target->removeMember("AudioEnable");
    auto* config = host.component<Zentar::Component::IConfigManager>(Zentar::Component::IConfigManager::kInterfaceName);
    const std::string name = "Encode[" + std::to_string(channel) + "]";
    if (!config->setConfig(name.c_str(), table, 0)) {
        r.error = warnings + CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                  " It did not take the encoder settings.";
        return r;
    }
    CommandResult after = runEncoderGet(host, channel, stream);
    after.text = warnings + after.text;
    return after;
}

} // namespace OnvifCli
