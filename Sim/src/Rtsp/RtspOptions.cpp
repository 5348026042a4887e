#include "Rtsp/RtspOptions.h"

#include <asio/ip/address.hpp>

namespace OnvifSim {
namespace {

const struct {
    const char* name;
    ERtspFault fault;
} kFaults[] = {
    {"none", ERtspFault::None},
    {"stall", ERtspFault::Stall},
    {"truncatedRtp", ERtspFault::TruncatedRtp},
    {"badRtpVersion", ERtspFault::BadRtpVersion},
    {"garbage", ERtspFault::Garbage},
    {"lateKeyFrame", ERtspFault::LateKeyFrame},
};

bool IntMember(const Json::Value& json, const std::string& prefix, const char* key, int low, int high, int& out,
               std::string& error)
{
    if (!json.isMember(key))
        return true;
    if (!json[key].isInt() || json[key].asInt() < low || json[key].asInt() > high) {
        error = prefix + key + ": must be a whole number from " + std::to_string(low) + " to " +
                std::to_string(high);
        return false;
    }
    out = json[key].asInt();
    return true;
}

bool ReadGroups(const Json::Value& groups, CRtspOptions& out, std::string& error)
{
    if (groups.isNull())
        return true;
    if (!groups.isObject()) {
        error = "rtsp.multicast: must map profile tokens to {address, port, ttl}";
        return false;
    }
    for (const auto& token : groups.getMemberNames()) {
        const Json::Value& g = groups[token];
        CMulticastGroup group;
        asio::error_code ec;
        group.address = g["address"].asString();
        if (!g.isObject() || (!group.address.empty() && !asio::ip::make_address_v4(group.address, ec).is_multicast())) {
            error = "rtsp.multicast." + token + ": address must be an IPv4 multicast address";
            return false;
        }
        std::string prefix = "rtsp.multicast." + token + ".";
        if (!IntMember(g, prefix, "port", 1024, 65534, group.port, error) ||
            !IntMember(g, prefix, "ttl", 0, 255, group.ttl, error))
            return false;
        out.multicast[token] = group;
    }
    return true;
}

} // namespace

bool ParseRtspFault(const std::string& name, ERtspFault& out)
{
    for (const auto& f : kFaults)
        if (name == f.name) {
            out = f.fault;
            return true;
        }
    return false;
}

bool ParseRtspOptions(const Json::Value& description, CRtspOptions& out, std::string& error)
{
    static const char* const kMembers[] = {"enabled", "port", "sessionTimeoutSeconds", "auth", "multicastInterface",
                                           "multicastTtl", "multicast", "benchmarkClip", "fault", "comment",
                                           "replayIgnoresSpeed"};
    out = CRtspOptions();
    const Json::Value& rtsp = description["rtsp"];
    if (rtsp.isNull())
        return true;
    if (!rtsp.isObject()) {
        error = "rtsp: must be an object";
        return false;
    }
    for (const auto& key : rtsp.getMemberNames()) {
        bool known = false;
        for (const char* k : kMembers)
            known = known || key == k;
        if (!known) {
            error = "rtsp." + key + ": unknown member";
            return false;
        }
    }
    for (const char* flag : {"enabled", "benchmarkClip", "replayIgnoresSpeed"})
        if (rtsp.isMember(flag) && !rtsp[flag].isBool()) {
            error = std::string("rtsp.") + flag + ": must be true or false";
            return false;
        }
    out.enabled = rtsp.get("enabled", true).asBool();
    out.benchmarkClip = rtsp.get("benchmarkClip", false).asBool();
    out.replayIgnoresSpeed = rtsp.get("replayIgnoresSpeed", false).asBool();
    int port = 0;
    if (!IntMember(rtsp, "rtsp.", "port", 0, 65535, port, error) ||
        !IntMember(rtsp, "rtsp.", "sessionTimeoutSeconds", 1, 3600, out.sessionTimeoutSeconds, error) ||
        !IntMember(rtsp, "rtsp.", "multicastTtl", 0, 255, out.multicastTtl, error))
        return false;
    out.port = static_cast<unsigned short>(port);
    std::string auth = rtsp.get("auth", "device").asString();
    if (auth != "device" && auth != "none") {
        error = "rtsp.auth: must be \"device\" (the SOAP side's users and challenges) or \"none\"";
        return false;
    }
    out.authenticate = auth == "device";
    asio::error_code ec;
    out.multicastInterface = rtsp.get("multicastInterface", "127.0.0.1").asString();
    asio::ip::make_address_v4(out.multicastInterface, ec);
    if (ec) {
        error = "rtsp.multicastInterface: must be the IPv4 address of an interface";
        return false;
    }
    if (rtsp.isMember("fault") && !ParseRtspFault(rtsp["fault"].asString(), out.fault)) {
        error = "rtsp.fault: must be none, stall, truncatedRtp, badRtpVersion or garbage";
        return false;
    }
    return ReadGroups(rtsp["multicast"], out, error);
}

} // namespace OnvifSim
