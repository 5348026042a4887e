#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"

#include <string>

namespace RPC {
namespace Onvif {

bool isBlankValue(const Json::Value& value)
{
    if (value.isNull())
        return true;
    if (value.isString())
        return value.asString().empty();
    if (value.isObject() || value.isArray())
        return value.empty();
    return false;
}

std::string textMember(const Json::Value& record, const char* name)
{
    if (!record.isObject() || !record.isMember(name))
        return std::string();
    const Json::Value& v = record[name];
    return v.isString() ? v.asString() : std::string();
}

std::string textMember(const Json::Value& record, const char* group, const char* name)
{
    if (!record.isObject() || !record.isMember(group))
        return std::string();
    return textMember(record[group], name);
}

namespace {

// The members of a summary that carry a value; nested groups keep only theirs and are
// dropped when nothing is left.
Json::Value withoutBlanks(const Json::Value& value)
{
    if (!value.isObject())
        return value;
    Json::Value out(Json::objectValue);
    for (const std::string& name : value.getMemberNames()) {
        Json::Value member = withoutBlanks(value[name]);
        if (!isBlankValue(member))
            out[name] = member;
    }
    return out;
}

bool channelHasEncoder(const Json::Value& channel, const std::string& encoderToken)
{
    for (const Json::Value& profile : channel) {
        if (textMember(profile, "VideoEncoderConfiguration", "token") == encoderToken)
            return true;
    }
    return false;
}

} // namespace

Json::Value groupProfilesIntoChannels(const Json::Value& profiles)
{
    Json::Value channels(Json::arrayValue);
    if (!profiles.isArray())
        return channels;
    for (const Json::Value& profile : profiles) {
        const std::string source = textMember(profile, "VideoSourceConfiguration", "SourceToken");
        const std::string encoder = textMember(profile, "VideoEncoderConfiguration", "token");
        if (source.empty() || encoder.empty())
            continue;
        Json::Value entry = withoutBlanks(profile);
        entry["VideoSourceConfiguration"]["SourceToken"] = source;
        entry["VideoEncoderConfiguration"]["token"] = encoder;

        bool placed = false;
        for (Json::Value& channel : channels) {
            if (textMember(channel[0], "VideoSourceConfiguration", "SourceToken") != source)
                continue;
            if (!channelHasEncoder(channel, encoder))
                channel.append(entry);
            placed = true;
            break;
        }
        if (!placed) {
            Json::Value channel(Json::arrayValue);
            channel.append(entry);
            channels.append(channel);
        }
    }
    return channels;
}

} // namespace Onvif
} // namespace RPC
