#include "OnvifProtocolCore/MediaConfiguration/OnvifVideoCfg.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;
using MediaFields::forcePersistence;

// ---- Requests ----------------------------------------------------------------------------

// Callers name the encoder's token apart from the other configurations' tokens.
const OnvifField kEncoderTokenIn[] = {textField("VideoConfigurationToken", "./ConfigurationToken"), {}};
const OnvifField kEncoderTokensIn[] = {textField("VideoConfigurationToken", "./ConfigurationToken"),
                                       textField("ProfileToken", "./ProfileToken"), {}};

// The configuration's head and its multicast tail; the codec group between them is
// written by encoderRest.
struct CSetEncoderHeadMap : COnvifFieldMap {
    CSetEncoderHeadMap() { addRequest("Configuration", "./trt:Configuration", {kVideoEncoderHead}); }
};
struct CSetEncoderTailMap : COnvifFieldMap {
    CSetEncoderTailMap() { addRequest("Configuration", "./trt:Configuration", {kMulticastSingle, kSessionTimeout}); }
};
// The writer names the MPEG-4 profile "MPEG4Profile", where answers say "Mpeg4Profile".
const OnvifField kSetEncoderMpeg4In[] = {
    intField("Configuration.MPEG4.GovLength", "./trt:Configuration/tt:MPEG4/tt:GovLength"),
    textField("Configuration.MPEG4.MPEG4Profile", "./trt:Configuration/tt:MPEG4/tt:MPEG4Profile"),
    {},
};
const OnvifField kSetEncoderH264In[] = {
    intField("Configuration.H264.GovLength", "./trt:Configuration/tt:H264/tt:GovLength"),
    textField("Configuration.H264.H264Profile", "./trt:Configuration/tt:H264/tt:H264Profile"),
    {},
};

struct CSetSourceMap : COnvifFieldMap {
    CSetSourceMap() { addRequest("Configuration", "./trt:Configuration", {kVideoSourceCfg}); }
};

// Only the group of the configured codec goes out: a device rejects settings for a
// codec the configuration does not use. The groups come before the multicast settings,
// in the order the schema gives the configuration's elements.
int encoderRest(CSOAPMessage& request, const Json::Value& req)
{
    const std::string encoding = textOr(req, "Configuration.Encoding", "");
    const OnvifField* codec = encoding == "H264" ? kSetEncoderH264In : encoding == "MPEG4" ? kSetEncoderMpeg4In : nullptr;
    if (writeFields(request, codec, req) != 0 || writeFields(request, fieldsOf<CSetEncoderTailMap>(), req) != 0)
        return -1;
    return forcePersistence(request, req);
}

// ---- Answers -------------------------------------------------------------------------------

struct CEncoderMap : COnvifFieldMap {
    CEncoderMap()
    {
        add("Configuration", "./Configuration", {kVideoEncoderHead, kVideoEncoderCodecs, kMulticastSingle,
                                                  kSessionTimeout});
    }
};
// A list answer may carry several multicast addresses per configuration.
struct CEncoderListMap : COnvifFieldMap {
    CEncoderListMap()
    {
        addList("Configurations", "./Configurations",
                {kVideoEncoderHead, kVideoEncoderCodecs, kMulticastLists, kSessionTimeout});
    }
};

const OnvifField kResolution[] = {intField("Width", "Width"), intField("Height", "Height"), {}};
const OnvifField kH264Profiles[] = {textListField("H264ProfilesSupported", "H264ProfilesSupported[%d]"), {}};
const OnvifField kMpeg4Profiles[] = {textListField("Mpeg4ProfilesSupported", "Mpeg4ProfilesSupported[%d]"), {}};

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
    textField("token", "@token"),
    realField("Framerate", "Framerate"),
    intField("Resolution.Width", "Resolution/Width"),
    intField("Resolution.Height", "Resolution/Height"),
    textField("Imaging.BacklightCompensation.Mode", "Imaging/BacklightCompensation/Mode"),
    realField("Imaging.BacklightCompensation.Level", "Imaging/BacklightCompensation/Level"),
    realField("Imaging.Brightness", "Imaging/Brightness"),
    realField("Imaging.ColorSaturation", "Imaging/ColorSaturation"),
    realField("Imaging.Contrast", "Imaging/Contrast"),
    textField("Imaging.Exposure.Mode", "Imaging/Exposure/Mode"),
    textField("Imaging.Exposure.Priority", "Imaging/Exposure/Priority"),
    realField("Imaging.Exposure.Window.bottom", "Imaging/Exposure/Window/@bottom"),
    realField("Imaging.Exposure.Window.top", "Imaging/Exposure/Window/@top"),
    realField("Imaging.Exposure.Window.right", "Imaging/Exposure/Window/@right"),
    realField("Imaging.Exposure.Window.left", "Imaging/Exposure/Window/@left"),
    realField("Imaging.Exposure.MinExposureTime", "Imaging/Exposure/MinExposureTime"),
    realField("Imaging.Exposure.MaxExposureTime", "Imaging/Exposure/MaxExposureTime"),
    realField("Imaging.Exposure.MinGain", "Imaging/Exposure/MinGain"),
    realField("Imaging.Exposure.MaxGain", "Imaging/Exposure/MaxGain"),
    realField("Imaging.Exposure.MinIris", "Imaging/Exposure/MinIris"),
    realField("Imaging.Exposure.MaxIris", "Imaging/Exposure/MaxIris"),
    realField("Imaging.Exposure.ExposureTime", "Imaging/Exposure/ExposureTime"),
    realField("Imaging.Exposure.Gain", "Imaging/Exposure/Gain"),
    realField("Imaging.Exposure.Iris", "Imaging/Exposure/Iris"),
    textField("Imaging.Focus.AutoFocusMode", "Imaging/Focus/AutoFocusMode"),
    realField("Imaging.Focus.DefaultSpeed", "Imaging/Focus/DefaultSpeed"),
    realField("Imaging.Focus.NearLimit", "Imaging/Focus/NearLimit"),
    realField("Imaging.Focus.FarLimit", "Imaging/Focus/FarLimit"),
    {},
};
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
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    textField("SourceToken", "SourceToken"),
    intField("Bounds.x", "Bounds/x"),
    intField("Bounds.y", "Bounds/y"),
    intField("Bounds.width", "Bounds/width"),
    intField("Bounds.height", "Bounds/height"),
    {},
};
struct CCompatibleSourceCfgMap : COnvifFieldMap {
    CCompatibleSourceCfgMap() { addList("Configurations", "./Configurations", {kSourceCfgChildBounds}); }
};

const OnvifField kSourceTokens[] = {textListField("VideoSourceTokensAvailable", "VideoSourceTokensAvailable[%d]"), {}};
struct CSourceOptionsMap : COnvifFieldMap {
    CSourceOptionsMap()
    {
        for (const char* range : {"XRange", "YRange", "WidthRange", "HeightRange"})
            add(std::string("Options.BoundsRange.") + range, std::string("./Options/BoundsRange/") + range, {kRange});
        add("Options", "./Options", {kSourceTokens});
    }
};

const OnvifField kGuaranteedOut[] = {intField("TotalNumber", "./TotalNumber"), intField("JPEG", "./JPEG"),
                                     intField("H264", "./H264"), intField("MPEG4", "./MPEG4"), {}};

constexpr OnvifService kTrt{"trt", Namespaces::kMedia};

const OnvifOperation kRows[] = {
    kTrt("GetVideoEncoderCfg", "GetVideoEncoderConfiguration").in(kEncoderTokenIn).out(fieldsOf<CEncoderMap>())
        .failText("GetVideoEncoderConfiguration fail!\n"),
    kTrt("SetVideoEncoderCfg", "SetVideoEncoderConfiguration").in(fieldsOf<CSetEncoderHeadMap>()).writes(encoderRest)
        .failText("SetVideoEncoderConfiguration fail!\n"),
    kTrt("GetVideoEncoderCfgOptions", "GetVideoEncoderConfigurationOptions").in(kEncoderTokensIn)
        .out(fieldsOf<CEncoderOptionsMap>()).failText("GetVideoEncoderConfigurationOptionsResponse fail!\n"),
    kTrt("GetVideoEncoderCfgs", "GetVideoEncoderConfigurations").out(fieldsOf<CEncoderListMap>()),
    kTrt("GetCompatibleVideoEncoderCfgs", "GetCompatibleVideoEncoderConfigurations").in(kProfileTokenIn)
        .out(fieldsOf<CEncoderListMap>()),
    kTrt("GetGuaranteedNumberOfVideoEncoderInstances").in(kConfigurationTokenIn).out(kGuaranteedOut),
    kTrt("GetVideoSources").out(fieldsOf<CSourcesMap>()),
    kTrt("GetVideoSourceCfgs", "GetVideoSourceConfigurations").out(fieldsOf<CSourceCfgListMap>()),
    kTrt("GetVideoSourceCfg", "GetVideoSourceConfiguration").in(kConfigurationTokenIn).out(fieldsOf<CSourceCfgMap>()),
    kTrt("GetCompatibleVideoSourceCfgs", "GetCompatibleVideoSourceConfigurations").in(kProfileTokenIn)
        .out(fieldsOf<CCompatibleSourceCfgMap>()),
    kTrt("SetVideoSourceCfg", "SetVideoSourceConfiguration").in(fieldsOf<CSetSourceMap>()).writes(forcePersistence),
    kTrt("GetVideoSourceCfgOptions", "GetVideoSourceConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CSourceOptionsMap>()),
};

} // namespace

const COnvifOperationTable& COnvifVideoCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
