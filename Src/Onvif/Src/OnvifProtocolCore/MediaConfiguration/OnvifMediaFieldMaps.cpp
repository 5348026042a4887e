#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

#include <cctype>
#include <cstdlib>

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

// ---- COnvifFieldMap ------------------------------------------------------------------

COnvifFieldMap::COnvifFieldMap(Style style) : m_style(style)
{
    m_fields.push_back(MediaFields::kEnd);
}

const char* COnvifFieldMap::keep(std::string text)
{
    m_strings.push_back(std::move(text));
    return m_strings.back().c_str();
}

OnvifField COnvifFieldMap::bind(const OnvifField& rel, const std::string& keyBase, const std::string& pathBase,
                                bool inList)
{
    const std::string key = keyBase.empty() ? rel.key : keyBase + "." + rel.key;
    const std::string path = pathBase.empty() ? rel.path : pathBase + "/" + rel.path;
    OnvifField bound = rel;
    bound.key = keep(key);
    bound.path = keep(path);
    if (rel.type == FIELD_RECORD_LIST)
        bound.children = bindChildren({rel.children}, path + "[%d]");
    if (m_style == NUMBERS_AS_INT_FLAGS_ANY_CASE) {
        if (bound.type == FIELD_DOUBLE)
            bound.type = FIELD_INT;
        if (bound.type == FIELD_BOOL && !inList) {
            bound.type = FIELD_TEXT;
            m_textFlags.push_back(key);
        }
    }
    return bound;
}

const OnvifField* COnvifFieldMap::bindChildren(std::initializer_list<const OnvifField*> parts,
                                               const std::string& itemPath)
{
    std::vector<OnvifField> children;
    for (const OnvifField* part : parts)
        for (const OnvifField* f = part; f && f->key; ++f)
            children.push_back(bind(*f, "", itemPath, true));
    children.push_back(MediaFields::kEnd);
    m_childLists.push_back(std::move(children));
    return m_childLists.back().data();
}

COnvifFieldMap& COnvifFieldMap::add(const std::string& keyBase, const std::string& pathBase,
                                    std::initializer_list<const OnvifField*> parts)
{
    m_fields.pop_back();
    for (const OnvifField* part : parts)
        for (const OnvifField* f = part; f && f->key; ++f)
            m_fields.push_back(bind(*f, keyBase, pathBase, false));
    m_fields.push_back(MediaFields::kEnd);
    return *this;
}

COnvifFieldMap& COnvifFieldMap::addList(const std::string& key, const std::string& path,
                                        std::initializer_list<const OnvifField*> parts)
{
    m_fields.pop_back();
    m_fields.push_back(OnvifField{keep(key), keep(path), FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr,
                                  bindChildren(parts, path + "[%d]")});
    m_fields.push_back(MediaFields::kEnd);
    return *this;
}

namespace MediaFields {

#define F(key, path, type) {key, path, FIELD_##type, FIELD_DEFAULT, nullptr, nullptr}

// ---- Recurring types --------------------------------------------------------------------

const OnvifField kVideoEncoderCore[] = {
    F("Name", "Name", TEXT),
    F("UseCount", "UseCount", INT),
    F("token", "@token", TEXT),
    F("Encoding", "Encoding", TEXT),
    F("Resolution.Width", "Resolution/Width", INT),
    F("Resolution.Height", "Resolution/Height", INT),
    F("Quality", "Quality", DOUBLE),
    F("RateControl.FrameRateLimit", "RateControl/FrameRateLimit", INT),
    F("RateControl.EncodingInterval", "RateControl/EncodingInterval", INT),
    F("RateControl.BitrateLimit", "RateControl/BitrateLimit", INT),
    F("MPEG4.GovLength", "MPEG4/GovLength", INT),
    F("MPEG4.Mpeg4Profile", "MPEG4/Mpeg4Profile", TEXT),
    F("H264.GovLength", "H264/GovLength", INT),
    F("H264.H264Profile", "H264/H264Profile", TEXT),
    kEnd};

const OnvifField kMulticastSingle[] = {
    F("Multicast.Address.Type", "Multicast/Address/Type", TEXT),
    F("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address", TEXT),
    F("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address", TEXT),
    F("Multicast.Port", "Multicast/Port", INT),
    F("Multicast.TTL", "Multicast/TTL", INT),
    F("Multicast.AutoStart", "Multicast/AutoStart", BOOL),
    kEnd};

const OnvifField kMulticastLists[] = {
    F("Multicast.Address.Type", "Multicast/Address/Type", TEXT),
    F("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address[%d]", TEXT_LIST),
    F("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address[%d]", TEXT_LIST),
    F("Multicast.Port", "Multicast/Port", INT),
    F("Multicast.TTL", "Multicast/TTL", INT),
    F("Multicast.AutoStart", "Multicast/AutoStart", BOOL),
    kEnd};

const OnvifField kSessionTimeout[] = {F("SessionTimeout", "SessionTimeout", TEXT), kEnd};

const OnvifField kAudioEncoderCore[] = {
    F("Name", "Name", TEXT),         F("UseCount", "UseCount", INT),     F("token", "@token", TEXT),
    F("Encoding", "Encoding", TEXT), F("Bitrate", "Bitrate", INT),       F("SampleRate", "SampleRate", INT),
    kEnd};

const OnvifField kVideoSourceCfg[] = {
    F("Name", "Name", TEXT),
    F("UseCount", "UseCount", INT),
    F("token", "@token", TEXT),
    F("SourceToken", "SourceToken", TEXT),
    F("Bounds.x", "Bounds/@x", INT),
    F("Bounds.y", "Bounds/@y", INT),
    F("Bounds.width", "Bounds/@width", INT),
    F("Bounds.height", "Bounds/@height", INT),
    kEnd};

const OnvifField kAudioSourceCfg[] = {
    F("Name", "Name", TEXT), F("UseCount", "UseCount", INT), F("token", "@token", TEXT),
    F("SourceToken", "SourceToken", TEXT), kEnd};

const OnvifField kRange[] = {F("Min", "Min", INT), F("Max", "Max", INT), kEnd};

// ---- Profile summaries -------------------------------------------------------------------
// What the information centre keeps of each profile. The multicast port is always there
// (0 without multicast) so that callers can test it without a presence check.

#define MP "./trt:Profiles[%d]"
const OnvifField kMediaProfileSummary[] = {
    F("token", MP "/@token", TEXT),
    F("VideoEncoderConfiguration.token", MP "/tt:VideoEncoderConfiguration/@token", TEXT),
    F("VideoEncoderConfiguration.Encoding", MP "/tt:VideoEncoderConfiguration/tt:Encoding", TEXT),
    F("VideoSourceConfiguration.token", MP "/tt:VideoSourceConfiguration/@token", TEXT),
    F("VideoSourceConfiguration.SourceToken", MP "/tt:VideoSourceConfiguration/SourceToken", TEXT),
    F("Multicast.Address.IPv4Address", MP "/tt:VideoEncoderConfiguration/tt:Multicast/tt:Address/tt:IPv4Address",
      TEXT),
    {"Multicast.Port", MP "/tt:VideoEncoderConfiguration/tt:Multicast/tt:Port", FIELD_INT, FIELD_ALWAYS, nullptr,
     nullptr},
    F("AudioSourceConfiguration.token", MP "/tt:AudioSourceConfiguration/@token", TEXT),
    F("AudioEncoderConfiguration.token", MP "/tt:AudioEncoderConfiguration/@token", TEXT),
    F("AudioEncoderConfiguration.Encoding", MP "/tt:AudioEncoderConfiguration/tt:Encoding", TEXT),
    F("PTZConfiguration.token", MP "/tt:PTZConfiguration/@token", TEXT),
    F("PTZConfiguration.NodeToken", MP "/tt:PTZConfiguration/tt:NodeToken", TEXT),
    F("PTZConfiguration.DefaultAbsolutePantTiltPositionSpace",
      MP "/tt:PTZConfiguration/DefaultAbsolutePantTiltPositionSpace", TEXT),
    F("PTZConfiguration.DefaultAbsoluteZoomPositionSpace", MP "/tt:PTZConfiguration/DefaultAbsoluteZoomPositionSpace",
      TEXT),
    F("VideoAnalyticsConfiguration.token", MP "/tt:VideoAnalyticsConfiguration/@token", TEXT),
    F("AudioOutputConfiguration.token", MP "/tt:Extension/tt:AudioOutputConfiguration/@token", TEXT),
    F("AudioDecoderConfiguration.token", MP "/tt:Extension/tt:AudioDecoderConfiguration/@token", TEXT),
    kEnd};
#undef MP

#define M2 "./Profiles[%d]/Configurations"
const OnvifField kMedia2ProfileSummary[] = {
    F("token", "./Profiles[%d]/@token", TEXT),
    F("VideoEncoderConfiguration.token", M2 "/VideoEncoder/@token", TEXT),
    F("VideoEncoderConfiguration.Encoding", M2 "/VideoEncoder/Encoding", TEXT),
    F("VideoSourceConfiguration.token", M2 "/VideoSource/@token", TEXT),
    F("VideoSourceConfiguration.SourceToken", M2 "/VideoSource/SourceToken", TEXT),
    F("Multicast.Address.IPv4Address", M2 "/VideoEncoder/Multicast/Address/IPv4Address", TEXT),
    {"Multicast.Port", M2 "/VideoEncoder/Multicast/Port", FIELD_INT, FIELD_ALWAYS, nullptr, nullptr},
    F("AudioSourceConfiguration.token", M2 "/AudioSource/@token", TEXT),
    F("AudioEncoderConfiguration.token", M2 "/AudioEncoder/@token", TEXT),
    F("AudioEncoderConfiguration.Encoding", M2 "/AudioEncoder/Encoding", TEXT),
    F("PTZConfiguration.token", M2 "/PTZ/@token", TEXT),
    F("PTZConfiguration.NodeToken", M2 "/PTZ/NodeToken", TEXT),
    F("PTZConfiguration.DefaultAbsolutePantTiltPositionSpace", M2 "/PTZ/DefaultAbsolutePantTiltPositionSpace", TEXT),
    F("PTZConfiguration.DefaultAbsoluteZoomPositionSpace", M2 "/PTZ/DefaultAbsoluteZoomPositionSpace", TEXT),
    F("VideoAnalyticsConfiguration.token", M2 "/Analytics/@token", TEXT),
    F("AudioOutputConfiguration.token", M2 "/AudioOutput/@token", TEXT),
    F("AudioDecoderConfiguration.token", M2 "/AudioDecoder/@token", TEXT),
    kEnd};
#undef M2

// ---- Full profile --------------------------------------------------------------------

namespace {

const OnvifField kProfileHead[] = {F("Name", "Name", TEXT), F("token", "@token", TEXT), F("fixed", "@fixed", BOOL),
                                   kEnd};
const OnvifField kConfigurationHead[] = {F("Name", "Name", TEXT), F("UseCount", "UseCount", INT),
                                         F("token", "@token", TEXT), kEnd};

const OnvifField kSimpleItem[] = {F("Name", "@Name", TEXT), F("Value", "@Value", TEXT), kEnd};
// tt:Config: analytics modules and rules share it.
const OnvifField kConfig[] = {
    F("Name", "@Name", TEXT), F("Type", "@Type", TEXT),
    {"Parameters.SimpleItem", "Parameters/SimpleItem", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kSimpleItem}, kEnd};
const OnvifField kAnalyticsEngine[] = {
    {"AnalyticsEngineConfiguration.AnalyticsModule", "AnalyticsEngineConfiguration/AnalyticsModule",
     FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, kConfig},
    kEnd};
const OnvifField kRuleEngine[] = {
    {"RuleEngineConfiguration.Rule", "RuleEngineConfiguration/Rule", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr,
     kConfig},
    kEnd};

const OnvifField kAudioEncoderRest[] = {F("Encoding", "Encoding", TEXT), F("Bitrate", "Bitrate", INT),
                                        F("SampleRate", "SampleRate", INT), kEnd};

const OnvifField kPtzConfiguration[] = {
    F("NodeToken", "NodeToken", TEXT),
    F("DefaultAbsolutePantTiltPositionSpace", "DefaultAbsolutePantTiltPositionSpace", TEXT),
    F("DefaultAbsoluteZoomPositionSpace", "DefaultAbsoluteZoomPositionSpace", TEXT),
    F("DefaultRelativePanTiltTranslationSpace", "DefaultRelativePanTiltTranslationSpace", TEXT),
    F("DefaultRelativeZoomTranslationSpace", "DefaultRelativeZoomTranslationSpace", TEXT),
    F("DefaultContinuousPanTiltVelocitySpace", "DefaultContinuousPanTiltVelocitySpace", TEXT),
    F("DefaultContinuousZoomVelocitySpace", "DefaultContinuousZoomVelocitySpace", TEXT),
    F("DefaultPTZSpeed.PanTilt.x", "DefaultPTZSpeed/PanTilt/@x", INT),
    F("DefaultPTZSpeed.PanTilt.y", "DefaultPTZSpeed/PanTilt/@y", INT),
    F("DefaultPTZSpeed.PanTilt.space", "DefaultPTZSpeed/PanTilt/@space", TEXT),
    F("DefaultPTZSpeed.Zoom.x", "DefaultPTZSpeed/Zoom/@x", INT),
    F("DefaultPTZSpeed.Zoom.space", "DefaultPTZSpeed/Zoom/@space", TEXT),
    F("DefaultPTZTimeout", "DefaultPTZTimeout", TEXT),
    F("PanTiltLimits.Range.URI", "PanTiltLimits/Range/URI", TEXT),
    F("PanTiltLimits.Range.XRange.Min", "PanTiltLimits/Range/XRange/Min", INT),
    F("PanTiltLimits.Range.XRange.Max", "PanTiltLimits/Range/XRange/Max", INT),
    F("PanTiltLimits.Range.YRange.Min", "PanTiltLimits/Range/YRange/Min", INT),
    F("PanTiltLimits.Range.YRange.Max", "PanTiltLimits/Range/YRange/Max", INT),
    F("ZoomLimits.Range.URI", "ZoomLimits/Range/URI", TEXT),
    F("ZoomLimits.Range.XRange.Min", "ZoomLimits/Range/XRange/Min", INT),
    F("ZoomLimits.Range.XRange.Max", "ZoomLimits/Range/XRange/Max", INT),
    kEnd};

const OnvifField kMetadataFlags[] = {F("PTZStatus.Status", "PTZStatus/Status", BOOL),
                                     F("PTZStatus.Position", "PTZStatus/Position", BOOL),
                                     F("Analytics", "Analytics", BOOL), kEnd};

struct CFullProfileMap : COnvifFieldMap {
    CFullProfileMap() : COnvifFieldMap(NUMBERS_AS_INT_FLAGS_ANY_CASE)
    {
        const std::string key = "Profile", path = "./Profile";
        add(key, path, {kProfileHead})
            .add(key + ".VideoSourceConfiguration", path + "/VideoSourceConfiguration", {kVideoSourceCfg})
            .add(key + ".AudioSourceConfiguration", path + "/AudioSourceConfiguration", {kAudioSourceCfg})
            .add(key + ".VideoEncoderConfiguration", path + "/VideoEncoderConfiguration",
                 {kVideoEncoderCore, kMulticastLists, kSessionTimeout})
            .add(key + ".AudioEncoderConfiguration", path + "/AudioEncoderConfiguration",
                 {kConfigurationHead, kAudioEncoderRest, kMulticastLists, kSessionTimeout})
            .add(key + ".VideoAnalyticsConfiguration", path + "/VideoAnalyticsConfiguration",
                 {kConfigurationHead, kAnalyticsEngine, kRuleEngine})
            .add(key + ".PTZConfiguration", path + "/PTZConfiguration", {kConfigurationHead, kPtzConfiguration})
            .add(key + ".MetadataConfiguration", path + "/MetadataConfiguration",
                 {kConfigurationHead, kMetadataFlags, kAnalyticsEngine, kMulticastLists, kSessionTimeout});
    }
};

} // namespace

#undef F

const COnvifFieldMap& fullProfile()
{
    static const CFullProfileMap map;
    return map;
}

namespace {
bool isTrueInAnyCase(const std::string& text)
{
    static const char kTrue[] = "true";
    if (text.size() != sizeof kTrue - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != kTrue[i])
            return false;
    return true;
}
} // namespace

int fullProfileFlags(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    for (const std::string& key : fullProfile().textFlags()) {
        Json::Value* v = findKey(rsp, key);
        if (v && v->isString())
            *v = isTrueInAnyCase(v->asString());
    }
    return 0;
}

// ---- Hooks and helpers ---------------------------------------------------------------------

int forcePersistence(CSOAPMessage& request, const Json::Value&)
{
    return request.set("./trt:ForcePersistence", true);
}

int readMediaUri(CSOAPMessage& response, const char* path, Json::Value& rsp)
{
    char uri[kMediaUriBufferSize];
    if (response.get(path, uri, sizeof uri) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    if (!rsp["MediaUri"].isObject())
        rsp["MediaUri"] = Json::Value(Json::objectValue);
    rsp["MediaUri"]["Uri"] = uri;
    return 0;
}

const Json::Value* findKey(const Json::Value& root, const std::string& dottedKey)
{
    const Json::Value* node = &root;
    size_t begin = 0;
    for (;;) {
        if (!node->isObject())
            return nullptr;
        const size_t dot = dottedKey.find('.', begin);
        const std::string step = dottedKey.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
        node = node->find(step.data(), step.data() + step.size());
        if (!node || dot == std::string::npos)
            return node;
        begin = dot + 1;
    }
}

Json::Value* findKey(Json::Value& root, const std::string& dottedKey)
{
    return const_cast<Json::Value*>(findKey(static_cast<const Json::Value&>(root), dottedKey));
}

std::string textOr(const Json::Value& root, const std::string& dottedKey, const char* fallback)
{
    const Json::Value* v = findKey(root, dottedKey);
    return v && v->isString() && !v->asString().empty() ? v->asString() : fallback;
}

void textListToInt(Json::Value& records, const std::string& dottedKey)
{
    if (!records.isArray())
        return;
    for (Json::ArrayIndex i = 0; i < records.size(); ++i) {
        Json::Value* list = findKey(records[i], dottedKey);
        if (!list || !list->isArray())
            continue;
        Json::Value numbers(Json::arrayValue);
        for (const Json::Value& item : *list) {
            char* end = nullptr;
            const char* text = item.isString() ? item.asCString() : "";
            const long value = std::strtol(text, &end, 10);
            if (end != text && *end == '\0')
                numbers.append(static_cast<Json::Int>(value));
        }
        *list = numbers;
    }
}

} // namespace MediaFields
} // namespace Onvif
} // namespace RPC
