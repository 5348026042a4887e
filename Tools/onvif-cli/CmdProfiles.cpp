// profiles and stream-uri: the device's media as the host numbers it (channel c, stream s),
// and the RTSP address behind one of them.
#include <sstream>

#include "Commands.h"
#include "ILogicDeviceManager.h"
#include "IStreamSource.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

struct TransportRow {
    const char* name;
    int plain;       // the host's transport number on an HTTP login
    int encrypted;   // ... on an HTTPS login
};

const TransportRow kTransports[] = {
    {"tcp", 0, 0},
    {"udp", 1, 1},
    {"multicast", 3, 3},
    {"http", 4, 5},
};

} // namespace

CommandResult runProfiles(CCliHost& host)
{
    CommandResult r;
    auto* manager =
        host.component<Zentar::Component::ILogicDeviceManager>(Zentar::Component::ILogicDeviceManager::kInterfaceName);
    if (!manager) {
        r.error = "The library did not hand out the channel interface for " + host.deviceLabel() + ".";
        return r;
    }
    Json::Value channels;
    if (!manager->getChannelProfiles(channels)) {
        r.error = "The media profiles of " + host.deviceLabel() + " could not be read.";
        return r;
    }
    std::ostringstream text;
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        text << "  Channel " << c << "\n";
        for (Json::ArrayIndex s = 0; s < channels[c].size(); ++s) {
            const Json::Value& p = channels[c][s];
            text << "    stream " << s << ": " << p["ProfileToken"].asString();
            if (p.isMember("Name"))
                text << " \"" << p["Name"].asString() << "\"";
            if (p.isMember("Encoding"))
                text << " " << p["Encoding"].asString();
            if (p.isMember("Width") && p.isMember("Height"))
                text << " " << p["Width"].asInt() << "x" << p["Height"].asInt();
            if (p.isMember("FrameRate"))
                text << " @" << p["FrameRate"].asInt() << " fps";
            if (p.isMember("Bitrate"))
                text << ", " << p["Bitrate"].asInt() << " kbit/s";
            text << "\n";
        }
    }
    r.data["Channels"] = channels;
    r.text = text.str();
    r.ok = true;
    return r;
}

CommandResult runStreamUri(CCliHost& host, int channel, int stream, const std::string& transport)
{
    CommandResult r;
    const TransportRow* row = nullptr;
    for (const TransportRow& candidate : kTransports) {
        if (transport == candidate.name)
            row = &candidate;
    }
    if (!row) {
        r.error = "The transport \"" + transport + "\" is not one of tcp, udp, multicast, http.";
        return r;
    }
    Zentar::Component::StreamRequest request;
    request.channel = channel;
    request.streamType = stream;
    request.transportProtocol = host.serverInfo().https ? row->encrypted : row->plain;
    request.encryption = host.serverInfo().https ? 1 : 0;
    Zentar::Stream::IStreamSource* source = host.client()->getIStreamSource(request);
    std::string url;
    if (!source) {
        r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel());
        return r;
    }
    if (!source->getStreamUrl(url)) {
        r.error = "The device " + host.deviceLabel() + " gave no " + transport + " stream address for channel " +
                  std::to_string(channel) + " stream " + std::to_string(stream) +
                  " (no such stream, or the transport is not offered).";
        return r;
    }
    r.data["Channel"] = channel;
    r.data["Stream"] = stream;
    r.data["Transport"] = transport;
    r.data["Uri"] = url;
    r.text = "  " + url + "\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
