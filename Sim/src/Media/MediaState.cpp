// The running media state of a device and the rules that keep profiles consistent.
#include "Media/MediaModel.h"

#include "Common/Log.h"

namespace OnvifSim {
namespace {

Json::Value& ModelOf(CCallContext& ctx)
{
    Json::Value& model = ctx.state().serviceData["media"];
    if (model.isNull()) {
        // The description was checked at load; a failure here means a control-API update
        // broke it, and the device then serves no media rather than half of it.
        std::string error;
        if (!BuildMediaModel(ctx.device().raw, model, error)) {
            LogLine(ctx.device().name + ": media state: " + error);
            model = Json::Value();
            throw CSoapFault::Receiver({"Action"}, "media configuration unavailable");
        }
    }
    return model;
}

} // namespace

const std::vector<CConfigKindInfo>& ConfigKinds()
{
    using K = EConfigKind;
    static const std::vector<CConfigKindInfo> table = {
        {K::VideoSource, "VideoSource", "VideoSource", "VideoSourceConfiguration"},
        {K::AudioSource, "AudioSource", "AudioSource", "AudioSourceConfiguration"},
        {K::VideoEncoder, "VideoEncoder", "VideoEncoder", "VideoEncoderConfiguration"},
        {K::AudioEncoder, "AudioEncoder", "AudioEncoder", "AudioEncoderConfiguration"},
        {K::Analytics, "Analytics", "VideoAnalytics", "VideoAnalyticsConfiguration"},
    };
    return table;
}

const CConfigKindInfo& KindInfo(EConfigKind kind)
{
    return ConfigKinds()[static_cast<size_t>(kind)];
}

const CConfigKindInfo* FindKindByKey(const std::string& key)
{
    for (const auto& info : ConfigKinds())
        if (key == info.key)
            return &info;
    return nullptr;
}

bool IsMedia1Encoding(const std::string& encoding)
{
    return encoding == "JPEG" || encoding == "MPEG4" || encoding == "H264";
}

CMediaState::CMediaState(CCallContext& ctx) : m_device(ctx.state()), m_model(ModelOf(ctx)) {}

Json::Value* CMediaState::findConfig(EConfigKind kind, const std::string& token)
{
    for (auto& c : configs(kind))
        if (c["token"].asString() == token)
            return &c;
    return nullptr;
}

Json::Value* CMediaState::findProfile(const std::string& token)
{
    for (auto& p : profiles())
        if (p["token"].asString() == token)
            return &p;
    return nullptr;
}

Json::Value& CMediaState::requireProfile(pugi::xml_node input, const char* element)
{
    if (!Child(input, element))
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(element) + " is required");
    std::string token = ChildText(input, element);
    Json::Value* profile = findProfile(token);
    if (!profile)
        throw CSoapFault::Sender({"InvalidArgVal", "NoProfile"}, "no profile \"" + token + "\"");
    return *profile;
}

Json::Value& CMediaState::requireConfig(EConfigKind kind, const std::string& token)
{
    Json::Value* config = findConfig(kind, token);
    if (!config)
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"},
                                 "no " + std::string(KindInfo(kind).key) + " configuration \"" + token + "\"");
    return *config;
}

Json::Value* CMediaState::profileConfig(const Json::Value& profile, EConfigKind kind)
{
    const Json::Value& ref = profile["refs"][KindInfo(kind).key];
    return ref.isString() ? findConfig(kind, ref.asString()) : nullptr;
}

int CMediaState::useCount(EConfigKind kind, const std::string& token) const
{
    int count = 0;
    for (const auto& p : m_model["profiles"])
        count += p["refs"][KindInfo(kind).key].asString() == token ? 1 : 0;
    return count;
}

bool CMediaState::compatible(const Json::Value& profile, EConfigKind kind, const Json::Value& config)
{
    if (kind != EConfigKind::VideoEncoder && kind != EConfigKind::Analytics)
        return true;
    const Json::Value* source = profileConfig(profile, EConfigKind::VideoSource);
    return !source || (*source)["channel"] == config["channel"];
}

Json::Value& CMediaState::createProfile(const std::string& name, const std::string& token)
{
    if (name.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "a profile needs a name");
    if (profiles().size() >= habits()["maxProfiles"].asUInt())
        throw CSoapFault::Receiver({"Action", "MaxNVTProfiles"}, "no room for another profile");
    std::string chosen = token;
    // Ends within maxProfiles + 1 rounds: every round skips one existing profile.
    while (chosen.empty() || (token.empty() && findProfile(chosen))) {
        int number = m_model["nextProfile"].asInt();
        m_model["nextProfile"] = number + 1;
        chosen = "Profile_" + std::to_string(number);
    }
    if (findProfile(chosen))
        throw CSoapFault::Sender({"InvalidArgVal", "ProfileExists"}, "profile \"" + chosen + "\" exists");
    Json::Value p;
    p["token"] = chosen;
    p["name"] = name;
    p["fixed"] = false;
    p["channel"] = 0;
    p["multicast"] = false;
    p["refs"] = Json::Value(Json::objectValue);
    return profiles().append(p);
}

void CMediaState::deleteProfile(const std::string& token)
{
    Json::Value* profile = findProfile(token);
    if (!profile)
        throw CSoapFault::Sender({"InvalidArgVal", "NoProfile"}, "no profile \"" + token + "\"");
    if ((*profile)["fixed"].asBool())
        throw CSoapFault::Receiver({"Action", "DeletionOfFixedProfile"}, "profile \"" + token + "\" is fixed");
    Json::Value kept(Json::arrayValue);
    for (const auto& p : profiles())
        if (p["token"].asString() != token)
            kept.append(p);
    profiles() = kept;
}

std::string CMediaState::media2Name(const std::string& encoding) const
{
    const Json::Value& names = m_model["habits"]["media2Names"];
    return names.isMember(encoding) ? names[encoding].asString() : encoding;
}

std::string CMediaState::fromMedia2Name(const std::string& name) const
{
    const Json::Value& names = m_model["habits"]["media2Names"];
    for (const auto& key : names.getMemberNames())
        if (names[key].asString() == name)
            return key;
    // The standard names are understood even from a device that writes others.
    static const std::pair<const char*, const char*> standard[] = {
        {"MPV4-ES", "MPEG4"}, {"PCMU", "G711"}, {"MP4A-LATM", "AAC"}, {"mpeg4-generic", "AAC"}};
    for (const auto& [media2, internal] : standard)
        if (name == media2)
            return internal;
    return name;
}

} // namespace OnvifSim
