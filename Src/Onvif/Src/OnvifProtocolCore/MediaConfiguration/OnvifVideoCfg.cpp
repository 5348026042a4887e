#include "OnvifProtocolCore/MediaConfiguration/OnvifVideoCfg.h"

#include <string>

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace MediaFields;
using Namespaces::kMedia;

#define F(key, path, type) {key, path, FIELD_##type, FIELD_DEFAULT, nullptr, nullptr}

// ---- Requests ----------------------------------------------------------------------------

const OnvifField kProfileTokenIn[] = {F("ProfileToken", "./trt:ProfileToken", TEXT), kEnd};
const OnvifField kConfigurationTokenIn[] = {F("ConfigurationToken", "./trt:ConfigurationToken", TEXT), kEnd};
const OnvifField kBothTokensIn[] = {F("ConfigurationToken", "./trt:ConfigurationToken", TEXT),
                                    F("ProfileToken", "./trt:ProfileToken", TEXT), kEnd};
const OnvifField kEncoderTokenIn[] = {F("VideoConfigurationToken", "./trt:ConfigurationToken", TEXT), kEnd};
const OnvifField kEncoderTokensIn[] = {F("VideoConfigurationToken", "./trt:ConfigurationToken", TEXT),
                                       F("ProfileToken", "./trt:ProfileToken", TEXT), kEnd};

#define C "./trt:Configuration"
const OnvifField kSetEncoderHeadIn[] = {
    F("Configuration.Name", C "/tt:Name", TEXT),
    F("Configuration.UseCount", C "/tt:UseCount", INT),
    F("Configuration.token", C "/@token", TEXT),
    F("Configuration.Encoding", C "/tt:Encoding", TEXT),
    F("Configuration.Resolution.Width", C "/tt:Resolution/tt:Width", INT),
    F("Configuration.Resolution.Height", C "/tt:Resolution/tt:Height", INT),
    F("Configuration.Quality", C "/tt:Quality", DOUBLE),
    F("Configuration.RateControl.FrameRateLimit", C "/tt:RateControl/tt:FrameRateLimit", INT),
    F("Configuration.RateControl.EncodingInterval", C "/tt:RateControl/tt:EncodingInterval", INT),
    F("Configuration.RateControl.BitrateLimit", C "/tt:RateControl/tt:BitrateLimit", INT),
    kEnd};
const OnvifField kSetEncoderMpeg4In[] = {F("Configuration.MPEG4.GovLength", C "/tt:MPEG4/tt:GovLength", INT),
                                         F("Configuration.MPEG4.MPEG4Profile", C "/tt:MPEG4/tt:MPEG4Profile", TEXT),
                                         kEnd};
const OnvifField kSetEncoderH264In[] = {F("Configuration.H264.GovLength", C "/tt:H264/tt:GovLength", INT),
                                        F("Configuration.H264.H264Profile", C "/tt:H264/tt:H264Profile", TEXT), kEnd};
const OnvifField kSetEncoderTailIn[] = {
    F("Configuration.Multicast.Address.Type", C "/tt:Multicast/tt:Address/tt:Type", TEXT),
    F("Configuration.Multicast.Address.IPv4Address", C "/tt:Multicast/tt:Address/tt:IPv4Address", TEXT),
    F("Configuration.Multicast.Address.IPv6Address", C "/tt:Multicast/tt:Address/tt:IPv6Address", TEXT),
    F("Configuration.Multicast.Port", C "/tt:Multicast/tt:Port", INT),
    F("Configuration.Multicast.TTL", C "/tt:Multicast/tt:TTL", INT),
    F("Configuration.Multicast.AutoStart", C "/tt:Multicast/tt:AutoStart", BOOL),
    F("Configuration.SessionTimeout", C "/tt:SessionTimeout", TEXT),
    kEnd};

const OnvifField kSetSourceIn[] = {
    F("Configuration.Name", C "/tt:Name", TEXT),
    F("Configuration.UseCount", C "/tt:UseCount", INT),
    F("Configuration.token", C "/@token", TEXT),
    F("Configuration.SourceToken", C "/tt:SourceToken", TEXT),
    F("Configuration.Bounds.x", C "/tt:Bounds/@x", INT),
    F("Configuration.Bounds.y", C "/tt:Bounds/@y", INT),
    F("Configuration.Bounds.width", C "/tt:Bounds/@width", INT),
    F("Configuration.Bounds.height", C "/tt:Bounds/@height", INT),
    kEnd};
#undef C

// Only the group of the configured codec goes out: a device rejects settings for a
// codec the configuration does not use. The groups come before the multicast settings,
// in the order the schema gives the configuration's elements.
int encoderRest(CSOAPMessage& request, const Json::Value& req)
{
    const std::string encoding = textOr(req, "Configuration.Encoding", "");
    const OnvifField* codec = encoding == "H264" ? kSetEncoderH264In : encoding == "MPEG4" ? kSetEncoderMpeg4In : nullptr;
    if (writeFields(request, codec, req) != 0 || writeFields(request, kSetEncoderTailIn, req) != 0)
        return -1;
    return forcePersistence(request, req);
}

// ---- Answers -------------------------------------------------------------------------------

struct CEncoderMap : COnvifFieldMap {
    CEncoderMap() { add("Configuration", "./Configuration", {kVideoEncoderCore, kMulticastSingle, kSessionTimeout}); }
};
// A list answer may carry several multicast addresses per configuration.
struct CEncoderListMap : COnvifFieldMap {
    CEncoderListMap()
    {
        addList("Configurations", "./Configurations", {kVideoEncoderCore, kMulticastLists, kSessionTimeout});
    }
};

const OnvifField kResolution[] = {F("Width", "Width", INT), F("Height", "Height", INT), kEnd};
const OnvifField kH264Profiles[] = {F("H264ProfilesSupported", "H264ProfilesSupported[%d]", TEXT_LIST), kEnd};
const OnvifField kMpeg4Profiles[] = {F("Mpeg4ProfilesSupported", "Mpeg4ProfilesSupported[%d]", TEXT_LIST), kEnd};

// One group per codec the camera offers; a codec it lacks leaves no key at all.
struct CEncoderOptionsMap : COnvifFieldMap {
    CEncoderOptionsMap()
    {
        add("Options.QualityRange", "./Options/QualityRange", {kRange});
        const struct {
            const char* codec;
            const OnvifField* profiles;
        } codecs[] = {{"JPEG", nullptr}, {"MPEG4", kMpeg4Profiles}, {"H264", kH264Profiles}};
        for (const auto& c : codecs) {
            const std::string key = std::string("Options.") + c.codec, path = std::string("./Options/") + c.codec;
            addList(key + ".ResolutionsAvailable", path + "/ResolutionsAvailable", {kResolution});
            add(key + ".GovLengthRange", path + "/GovLengthRange", {kRange});
            add(key + ".FrameRateRange", path + "/FrameRateRange", {kRange});
            add(key + ".EncodingIntervalRange", path + "/EncodingIntervalRange", {kRange});
            add(key, path, {c.profiles});
            add(key + ".BitrateRange", std::string("./Options/Extension/") + c.codec + "/BitrateRange", {kRange});
        }
    }
};

const OnvifField kVideoSource[] = {
    F("token", "@token", TEXT),
    F("Framerate", "Framerate", DOUBLE),
    F("Resolution.Width", "Resolution/Width", INT),
    F("Resolution.Height", "Resolution/Height", INT),
    F("Imaging.BacklightCompensation.Mode", "Imaging/BacklightCompensation/Mode", TEXT),
    F("Imaging.BacklightCompensation.Level", "Imaging/BacklightCompensation/Level", DOUBLE),
    F("Imaging.Brightness", "Imaging/Brightness", DOUBLE),
    F("Imaging.ColorSaturation", "Imaging/ColorSaturation", DOUBLE),
    F("Imaging.Contrast", "Imaging/Contrast", DOUBLE),
    F("Imaging.Exposure.Mode", "Imaging/Exposure/Mode", TEXT),
    F("Imaging.Exposure.Priority", "Imaging/Exposure/Priority", TEXT),
    F("Imaging.Exposure.Window.bottom", "Imaging/Exposure/Window/@bottom", DOUBLE),
    F("Imaging.Exposure.Window.top", "Imaging/Exposure/Window/@top", DOUBLE),
    F("Imaging.Exposure.Window.right", "Imaging/Exposure/Window/@right", DOUBLE),
    F("Imaging.Exposure.Window.left", "Imaging/Exposure/Window/@left", DOUBLE),
    F("Imaging.Exposure.MinExposureTime", "Imaging/Exposure/MinExposureTime", DOUBLE),
    F("Imaging.Exposure.MaxExposureTime", "Imaging/Exposure/MaxExposureTime", DOUBLE),
    F("Imaging.Exposure.MinGain", "Imaging/Exposure/MinGain", DOUBLE),
    F("Imaging.Exposure.MaxGain", "Imaging/Exposure/MaxGain", DOUBLE),
    F("Imaging.Exposure.MinIris", "Imaging/Exposure/MinIris", DOUBLE),
    F("Imaging.Exposure.MaxIris", "Imaging/Exposure/MaxIris", DOUBLE),
    F("Imaging.Exposure.ExposureTime", "Imaging/Exposure/ExposureTime", DOUBLE),
    F("Imaging.Exposure.Gain", "Imaging/Exposure/Gain", DOUBLE),
    F("Imaging.Exposure.Iris", "Imaging/Exposure/Iris", DOUBLE),
    F("Imaging.Focus.AutoFocusMode", "Imaging/Focus/AutoFocusMode", TEXT),
    F("Imaging.Focus.DefaultSpeed", "Imaging/Focus/DefaultSpeed", DOUBLE),
    F("Imaging.Focus.NearLimit", "Imaging/Focus/NearLimit", DOUBLE),
    F("Imaging.Focus.FarLimit", "Imaging/Focus/FarLimit", DOUBLE),
    kEnd};
struct CSourcesMap : COnvifFieldMap {
    CSourcesMap() { addList("VideoSources", "./VideoSources", {kVideoSource}); }
};

struct CSourceCfgMap : COnvifFieldMap {
    CSourceCfgMap() { add("Configuration", "./Configuration", {kVideoSourceCfg}); }
};
struct CSourceCfgListMap : COnvifFieldMap {
    CSourceCfgListMap() { addList("Configurations", "./trt:Configurations", {kVideoSourceCfg}); }
};

// The compatible list has always been read with the bounds as child elements; a device
// that sends them as attributes (the schema's form) gives no "Bounds" here.
const OnvifField kSourceCfgChildBounds[] = {
    F("Name", "Name", TEXT),          F("UseCount", "UseCount", INT),   F("token", "@token", TEXT),
    F("SourceToken", "SourceToken", TEXT), F("Bounds.x", "Bounds/x", INT), F("Bounds.y", "Bounds/y", INT),
    F("Bounds.width", "Bounds/width", INT), F("Bounds.height", "Bounds/height", INT), kEnd};
struct CCompatibleSourceCfgMap : COnvifFieldMap {
    CCompatibleSourceCfgMap() { addList("Configurations", "./Configurations", {kSourceCfgChildBounds}); }
};

const OnvifField kSourceTokens[] = {
    F("VideoSourceTokensAvailable", "VideoSourceTokensAvailable[%d]", TEXT_LIST), kEnd};
struct CSourceOptionsMap : COnvifFieldMap {
    CSourceOptionsMap()
    {
        for (const char* range : {"XRange", "YRange", "WidthRange", "HeightRange"})
            add(std::string("Options.BoundsRange.") + range, std::string("./Options/BoundsRange/") + range, {kRange});
        add("Options", "./Options", {kSourceTokens});
    }
};

const OnvifField kGuaranteedOut[] = {F("TotalNumber", "./TotalNumber", INT), F("JPEG", "./JPEG", INT),
                                     F("H264", "./H264", INT), F("MPEG4", "./MPEG4", INT), kEnd};
#undef F

// The maps live as long as the library: rows point into them.
template <class Map>
const OnvifField* fieldsOf()
{
    static const Map map;
    return map.fields();
}

#define ROW(command, op, in, out, hookIn, failText)                                               \
    {                                                                                            \
        command, {op, "/trt:" op, kMedia, in, out, OP_DEFAULT, nullptr, hookIn, nullptr}, failText \
    }

const OnvifCommandRow kRows[] = {
    ROW("GetVideoEncoderCfg", "GetVideoEncoderConfiguration", kEncoderTokenIn, fieldsOf<CEncoderMap>(), nullptr,
        "GetVideoEncoderConfiguration fail!\n"),
    ROW("SetVideoEncoderCfg", "SetVideoEncoderConfiguration", kSetEncoderHeadIn, nullptr, encoderRest,
        "SetVideoEncoderConfiguration fail!\n"),
    ROW("GetVideoEncoderCfgOptions", "GetVideoEncoderConfigurationOptions", kEncoderTokensIn,
        fieldsOf<CEncoderOptionsMap>(), nullptr, "GetVideoEncoderConfigurationOptionsResponse fail!\n"),
    ROW("GetVideoEncoderCfgs", "GetVideoEncoderConfigurations", nullptr, fieldsOf<CEncoderListMap>(), nullptr,
        nullptr),
    ROW("GetCompatibleVideoEncoderCfgs", "GetCompatibleVideoEncoderConfigurations", kProfileTokenIn,
        fieldsOf<CEncoderListMap>(), nullptr, nullptr),
    ROW("GetGuaranteedNumberOfVideoEncoderInstances", "GetGuaranteedNumberOfVideoEncoderInstances",
        kConfigurationTokenIn, kGuaranteedOut, nullptr, nullptr),
    ROW("GetVideoSources", "GetVideoSources", nullptr, fieldsOf<CSourcesMap>(), nullptr, nullptr),
    ROW("GetVideoSourceCfgs", "GetVideoSourceConfigurations", nullptr, fieldsOf<CSourceCfgListMap>(), nullptr,
        nullptr),
    ROW("GetVideoSourceCfg", "GetVideoSourceConfiguration", kConfigurationTokenIn, fieldsOf<CSourceCfgMap>(), nullptr,
        nullptr),
    ROW("GetCompatibleVideoSourceCfgs", "GetCompatibleVideoSourceConfigurations", kProfileTokenIn,
        fieldsOf<CCompatibleSourceCfgMap>(), nullptr, nullptr),
    ROW("SetVideoSourceCfg", "SetVideoSourceConfiguration", kSetSourceIn, nullptr, forcePersistence, nullptr),
    ROW("GetVideoSourceCfgOptions", "GetVideoSourceConfigurationOptions", kBothTokensIn,
        fieldsOf<CSourceOptionsMap>(), nullptr, nullptr),
};
#undef ROW

} // namespace

const COnvifCommandTable& COnvifVideoCfg::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
