// Media2 (ver20) profiles, their configurations, and stream addresses. Profiles are the
// same as through Media (ver10); Media2 names configurations by type.
#include "Media/MediaUris.h"
#include "Services/MediaOps.h"
#include "Services/PtzOps.h"

#include <set>

namespace OnvifSim {
namespace {

void WriteProfile(CMediaState& media, CXmlNode element, const Json::Value& p, const std::set<std::string>& types)
{
    element.attr("token", p["token"].asString()).attr("fixed", p["fixed"].asBool() ? "true" : "false");
    element.sub("Name", p["name"].asString());
    if (types.empty())
        return;
    CXmlNode set = element.sub("Configurations");
    for (const auto& info : ConfigKinds()) {
        const Json::Value* c = media.profileConfig(p, info.kind);
        if (c && (types.count("All") || types.count(info.key)))
            WriteMedia2Config(media, info.kind, set.sub(info.key), *c);
    }
    if (types.count("All") || types.count("PTZ"))
        WriteProfilePtzConfiguration(media.device(), p["channel"].asInt(), [&] { return set.sub("PTZ"); });
}

struct CConfigRef {
    const CConfigKindInfo* kind;
    std::string token;
};

// Configuration elements {Type, Token}; a type the device has no configurations of is refused.
std::vector<CConfigRef> ReadRefs(pugi::xml_node input, bool tokenRequired)
{
    std::vector<CConfigRef> refs;
    for (pugi::xml_node c : Children(input, "Configuration")) {
        std::string type = ChildText(c, "Type");
        const CConfigKindInfo* kind = FindKindByKey(type);
        if (!kind)
            throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no configurations of type \"" + type + "\"");
        if (tokenRequired && !Child(c, "Token"))
            throw CSoapFault::Sender({"InvalidArgVal"}, "Token is required for " + type);
        refs.push_back({kind, ChildText(c, "Token")});
    }
    return refs;
}

void AddRefs(CMediaState& media, Json::Value& profile, const std::vector<CConfigRef>& refs)
{
    // Sources first, so encoders are checked against the source being added with them.
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& r : refs) {
            bool source = r.kind->kind == EConfigKind::VideoSource || r.kind->kind == EConfigKind::AudioSource;
            if (source != (pass == 0))
                continue;
            const Json::Value& c = media.requireConfig(r.kind->kind, r.token);
            if (!media.compatible(profile, r.kind->kind, c))
                throw CSoapFault::Receiver({"Action", "ConfigurationConflict"},
                                           "configuration belongs to another video source");
            profile["refs"][r.kind->key] = c["token"];
            if (r.kind->kind == EConfigKind::VideoSource)
                profile["channel"] = c["channel"];
        }
}

} // namespace

void Media2GetProfiles(CCallContext& ctx)
{
    CMediaState media(ctx);
    std::set<std::string> types;
    for (pugi::xml_node t : Children(ctx.input(), "Type"))
        types.insert(Trimmed(t.text().get()));
    bool one = static_cast<bool>(Child(ctx.input(), "Token"));
    if (one)
        media.requireProfile(ctx.input(), "Token");
    CXmlNode out = ctx.respond();
    for (const auto& p : media.profiles())
        if (!one || p["token"].asString() == ChildText(ctx.input(), "Token"))
            WriteProfile(media, out.sub("Profiles"), p, types);
}

void Media2CreateProfile(CCallContext& ctx)
{
    CMediaState media(ctx);
    std::vector<CConfigRef> refs = ReadRefs(ctx.input(), true);
    Json::Value& profile = media.createProfile(ChildText(ctx.input(), "Name"), "");
    std::string token = profile["token"].asString();
    try {
        AddRefs(media, profile, refs);
    } catch (const CSoapFault&) {
        media.deleteProfile(token);   // a refused create leaves no profile behind
        throw;
    }
    ctx.respond().sub("Token", token);
}

void Media2DeleteProfile(CCallContext& ctx)
{
    CMediaState media(ctx);
    if (!Child(ctx.input(), "Token"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "Token is required");
    media.deleteProfile(ChildText(ctx.input(), "Token"));
    ctx.respond();
}

void Media2AddConfiguration(CCallContext& ctx)
{
    CMediaState media(ctx);
    Json::Value& profile = media.requireProfile(ctx.input());
    std::vector<CConfigRef> refs = ReadRefs(ctx.input(), true);
    Json::Value before = profile;
    try {
        AddRefs(media, profile, refs);
    } catch (const CSoapFault&) {
        profile = before;
        throw;
    }
    if (!ChildText(ctx.input(), "Name").empty())
        profile["name"] = ChildText(ctx.input(), "Name");
    ctx.respond();
}

// Without a token every configuration of the type leaves the profile.
void Media2RemoveConfiguration(CCallContext& ctx)
{
    CMediaState media(ctx);
    Json::Value& profile = media.requireProfile(ctx.input());
    std::vector<CConfigRef> refs = ReadRefs(ctx.input(), false);
    if (refs.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "at least one Configuration is required");
    for (const auto& r : refs) {
        const Json::Value& held = profile["refs"][r.kind->key];
        if (!r.token.empty() && held.asString() != r.token)
            throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "the profile has no " + std::string(r.kind->key) +
                                                                        " configuration \"" + r.token + "\"");
    }
    for (const auto& r : refs)
        profile["refs"].removeMember(r.kind->key);
    ctx.respond();
}

void Media2GetStreamUri(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& profile = media.requireProfile(ctx.input());
    std::string protocol = ChildText(ctx.input(), "Protocol");
    EStreamKind kind = EStreamKind::RtspUnicast;
    if (protocol == "RtspMulticast" && media.habits()["multicast"].asBool())
        kind = EStreamKind::RtspMulticast;
    else if (protocol == "RtspOverHttp")
        kind = EStreamKind::RtspOverHttp;
    else if (protocol != "RtspUnicast" && protocol != "RTSP")
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "unsupported Protocol \"" + protocol + "\"");
    CheckStreamable(media, profile);
    ctx.respond().sub("Uri", StreamUri(ctx, media, profile, kind));
}

void Media2GetSnapshotUri(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& profile = media.requireProfile(ctx.input());
    if (!media.habits()["snapshot"].asBool())
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device takes no snapshots");
    if (!media.profileConfig(profile, EConfigKind::VideoSource))
        throw CSoapFault::Receiver({"Action", "IncompleteConfiguration"}, "the profile has no video source");
    ctx.respond().sub("Uri", SnapshotUri(ctx, profile));
}

} // namespace OnvifSim
