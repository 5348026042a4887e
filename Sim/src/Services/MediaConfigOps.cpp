// The five alike families of Media (ver10) configuration calls, one template per call
// instantiated for each configuration kind: Get<Kind>Configurations, Get<Kind>Configuration,
// GetCompatible<Kind>Configurations, Add<Kind>Configuration, Remove<Kind>Configuration.
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

using K = EConfigKind;

template <K Kind>
void GetAll(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& c : media.configs(Kind))
        if (VisibleInMedia1(Kind, c))
            WriteMedia1Config(media, Kind, out.sub("Configurations"), c);
}

Json::Value& RequireMedia1Config(CCallContext& ctx, CMediaState& media, K kind)
{
    if (!Child(ctx.input(), "ConfigurationToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ConfigurationToken is required");
    Json::Value& c = media.requireConfig(kind, ChildText(ctx.input(), "ConfigurationToken"));
    if (!VisibleInMedia1(kind, c))
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "configuration is not available through this service");
    return c;
}

template <K Kind>
void GetOne(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& c = RequireMedia1Config(ctx, media, Kind);
    WriteMedia1Config(media, Kind, ctx.respond().sub("Configuration"), c);
}

template <K Kind>
void GetCompatible(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& profile = media.requireProfile(ctx.input());
    CXmlNode out = ctx.respond();
    for (const auto& c : media.configs(Kind))
        if (VisibleInMedia1(Kind, c) && media.compatible(profile, Kind, c))
            WriteMedia1Config(media, Kind, out.sub("Configurations"), c);
}

template <K Kind>
void Add(CCallContext& ctx)
{
    CMediaState media(ctx);
    Json::Value& profile = media.requireProfile(ctx.input());
    const Json::Value& c = RequireMedia1Config(ctx, media, Kind);
    if (!media.compatible(profile, Kind, c))
        throw CSoapFault::Receiver({"Action", "ConfigurationConflict"},
                                   "configuration belongs to another video source");
    profile["refs"][KindInfo(Kind).key] = c["token"];
    if (Kind == K::VideoSource)
        profile["channel"] = c["channel"];
    ctx.respond();
}

template <K Kind>
void Remove(CCallContext& ctx)
{
    CMediaState media(ctx);
    Json::Value& profile = media.requireProfile(ctx.input());
    profile["refs"].removeMember(KindInfo(Kind).key);
    ctx.respond();
}

struct CFamily {
    K kind;
    const char* getAll;
    const char* getOne;
    const char* compatible;
    const char* add;
    const char* remove;
};

template <K Kind>
void Append(std::vector<COperation>& ops, const CFamily& f)
{
    using L = EUserLevel;
    ops.push_back({f.getAll, L::User, &GetAll<Kind>});
    ops.push_back({f.getOne, L::User, &GetOne<Kind>});
    ops.push_back({f.compatible, L::User, &GetCompatible<Kind>});
    ops.push_back({f.add, L::Operator, &Add<Kind>});
    ops.push_back({f.remove, L::Operator, &Remove<Kind>});
}

} // namespace

void AppendMedia1ConfigurationOperations(std::vector<COperation>& ops)
{
    static const CFamily families[] = {
        {K::VideoSource, "GetVideoSourceConfigurations", "GetVideoSourceConfiguration",
         "GetCompatibleVideoSourceConfigurations", "AddVideoSourceConfiguration", "RemoveVideoSourceConfiguration"},
        {K::AudioSource, "GetAudioSourceConfigurations", "GetAudioSourceConfiguration",
         "GetCompatibleAudioSourceConfigurations", "AddAudioSourceConfiguration", "RemoveAudioSourceConfiguration"},
        {K::VideoEncoder, "GetVideoEncoderConfigurations", "GetVideoEncoderConfiguration",
         "GetCompatibleVideoEncoderConfigurations", "AddVideoEncoderConfiguration", "RemoveVideoEncoderConfiguration"},
        {K::AudioEncoder, "GetAudioEncoderConfigurations", "GetAudioEncoderConfiguration",
         "GetCompatibleAudioEncoderConfigurations", "AddAudioEncoderConfiguration", "RemoveAudioEncoderConfiguration"},
        {K::Analytics, "GetVideoAnalyticsConfigurations", "GetVideoAnalyticsConfiguration",
         "GetCompatibleVideoAnalyticsConfigurations", "AddVideoAnalyticsConfiguration",
         "RemoveVideoAnalyticsConfiguration"},
    };
    Append<K::VideoSource>(ops, families[0]);
    Append<K::AudioSource>(ops, families[1]);
    Append<K::VideoEncoder>(ops, families[2]);
    Append<K::AudioEncoder>(ops, families[3]);
    Append<K::Analytics>(ops, families[4]);
}

} // namespace OnvifSim
