// How configurations and profiles are written. Configuration content is tt: in both
// services; only the Media2 encoder shapes differ (Media2Writers.cpp).
#include "Analytics/AnalyticsModel.h"
#include "Services/MediaOps.h"
#include "Services/PtzOps.h"


namespace OnvifSim {

std::string Number(const Json::Value& v)
{
    if (v.isIntegral())
        return std::to_string(v.asInt64());
    std::string text = std::to_string(v.asDouble());
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

namespace {

void Entity(CMediaState& media, EConfigKind kind, CXmlNode element, const Json::Value& c)
{
    element.attr("token", c["token"].asString());
    element.add(Ns::Schema, "Name", c["name"].asString());
    element.add(Ns::Schema, "UseCount", std::to_string(media.useCount(kind, c["token"].asString())));
}

void WriteVideoSource(CXmlNode e, const Json::Value& c)
{
    e.add(Ns::Schema, "SourceToken", c["sourceToken"].asString());
    const Json::Value& b = c["bounds"];
    e.add(Ns::Schema, "Bounds").attr("x", Number(b["x"])).attr("y", Number(b["y"]))
        .attr("width", Number(b["width"])).attr("height", Number(b["height"]));
}

void WriteVideoEncoder1(CXmlNode e, const Json::Value& c)
{
    std::string encoding = c["encoding"].asString();
    e.add(Ns::Schema, "Encoding", encoding);
    CXmlNode resolution = e.add(Ns::Schema, "Resolution");
    resolution.sub("Width", Number(c["width"]));
    resolution.sub("Height", Number(c["height"]));
    e.add(Ns::Schema, "Quality", Number(c["quality"]));
    CXmlNode rate = e.add(Ns::Schema, "RateControl");
    rate.sub("FrameRateLimit", Number(c["frameRate"]));
    rate.sub("EncodingInterval", Number(c["encodingInterval"]));
    rate.sub("BitrateLimit", Number(c["bitrate"]));
    if (encoding == "MPEG4" || encoding == "H264") {
        CXmlNode codec = e.add(Ns::Schema, encoding);
        codec.sub("GovLength", Number(c["govLength"]));
        codec.sub(encoding == "H264" ? "H264Profile" : "Mpeg4Profile", c["profile"].asString());
    }
    WriteMulticast(e, c);
    e.add(Ns::Schema, "SessionTimeout", "PT60S");
}

void WriteAudioEncoder1(CXmlNode e, const Json::Value& c)
{
    e.add(Ns::Schema, "Encoding", c["encoding"].asString());
    e.add(Ns::Schema, "Bitrate", Number(c["bitrate"]));
    e.add(Ns::Schema, "SampleRate", Number(c["sampleRate"]));
    WriteMulticast(e, c);
    e.add(Ns::Schema, "SessionTimeout", "PT60S");
}

// The configuration's modules and rules as the analytics service keeps them.
void WriteAnalytics(CMediaState& media, CXmlNode e, const Json::Value& c)
{
    const Json::Value& analytics = AnalyticsOf(media.device(), c);
    CXmlNode engine = e.add(Ns::Schema, "AnalyticsEngineConfiguration");
    for (const Json::Value& module : analytics["modules"])
        WriteAnalyticsRecord(engine.sub("AnalyticsModule"), module);
    CXmlNode rules = e.add(Ns::Schema, "RuleEngineConfiguration");
    for (const Json::Value& rule : analytics["rules"])
        WriteAnalyticsRecord(rules.sub("Rule"), rule);
}

} // namespace

bool VisibleInMedia1(EConfigKind kind, const Json::Value& config)
{
    return kind != EConfigKind::VideoEncoder || IsMedia1Encoding(config["encoding"].asString());
}

// Each encoder gets its own group and port, derived from its token so they stay put
// when configurations come and go.
void WriteMulticast(CXmlNode parent, const Json::Value& config)
{
    unsigned hash = 0;
    for (char ch : config["token"].asString())
        hash = hash * 31 + static_cast<unsigned char>(ch);
    CXmlNode m = parent.add(Ns::Schema, "Multicast");
    CXmlNode address = m.sub("Address");
    address.sub("Type", "IPv4");
    address.sub("IPv4Address", "239.255." + std::to_string(hash % 250) + "." + std::to_string(1 + hash / 250 % 250));
    m.sub("Port", std::to_string(40000 + 2 * (hash % 10000)));
    m.sub("TTL", "64");
    m.sub("AutoStart", "false");
}

void WriteMedia1Config(CMediaState& media, EConfigKind kind, CXmlNode element, const Json::Value& c)
{
    Entity(media, kind, element, c);
    switch (kind) {
    case EConfigKind::VideoSource:
        return WriteVideoSource(element, c);
    case EConfigKind::AudioSource:
        element.add(Ns::Schema, "SourceToken", c["sourceToken"].asString());
        return;
    case EConfigKind::VideoEncoder:
        return WriteVideoEncoder1(element, c);
    case EConfigKind::AudioEncoder:
        return WriteAudioEncoder1(element, c);
    case EConfigKind::Analytics:
        return WriteAnalytics(media, element, c);
    }
}

void WriteMedia1Profile(CMediaState& media, CXmlNode element, const Json::Value& p)
{
    element.attr("token", p["token"].asString()).attr("fixed", p["fixed"].asBool() ? "true" : "false");
    element.add(Ns::Schema, "Name", p["name"].asString());
    for (const auto& info : ConfigKinds()) {
        const Json::Value* c = media.profileConfig(p, info.kind);
        if (c && VisibleInMedia1(info.kind, *c))
            WriteMedia1Config(media, info.kind, element.add(Ns::Schema, info.profileElement), *c);
    }
    WriteProfilePtzConfiguration(media.device(), p["channel"].asInt(),
                                 [&] { return element.add(Ns::Schema, "PTZConfiguration"); });
}

void WriteMedia2Config(CMediaState& media, EConfigKind kind, CXmlNode element, const Json::Value& c)
{
    if (kind != EConfigKind::VideoEncoder && kind != EConfigKind::AudioEncoder)
        return WriteMedia1Config(media, kind, element, c);
    Entity(media, kind, element, c);
    element.add(Ns::Schema, "Encoding", media.media2Name(c["encoding"].asString()));
    if (kind == EConfigKind::AudioEncoder) {
        WriteMulticast(element, c);
        element.add(Ns::Schema, "Bitrate", Number(c["bitrate"]));
        element.add(Ns::Schema, "SampleRate", Number(c["sampleRate"]));
        return;
    }
    if (c["encoding"].asString() != "JPEG")
        element.attr("GovLength", Number(c["govLength"])).attr("Profile", c["profile"].asString());
    CXmlNode resolution = element.add(Ns::Schema, "Resolution");
    resolution.sub("Width", Number(c["width"]));
    resolution.sub("Height", Number(c["height"]));
    CXmlNode rate = element.add(Ns::Schema, "RateControl");
    rate.attr("ConstantBitRate", "false");
    rate.sub("FrameRateLimit", Number(c["frameRate"]));
    rate.sub("BitrateLimit", Number(c["bitrate"]));
    WriteMulticast(element, c);
    element.add(Ns::Schema, "Quality", Number(c["quality"]));
}

} // namespace OnvifSim
