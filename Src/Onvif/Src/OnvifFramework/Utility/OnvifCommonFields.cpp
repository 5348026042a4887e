#include "OnvifFramework/Utility/OnvifCommonFields.h"

#include <string>

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {
namespace CommonFields {

// ---- Request tokens ------------------------------------------------------------------

const OnvifField kProfileTokenIn[] = {textField("ProfileToken", "./ProfileToken"), {}};
const OnvifField kConfigurationTokenIn[] = {textField("ConfigurationToken", "./ConfigurationToken"), {}};
const OnvifField kProfileAndConfigurationTokenIn[] = {
    textField("ProfileToken", "./ProfileToken"),
    textField("ConfigurationToken", "./ConfigurationToken"),
    {},
};
const OnvifField kConfigurationAndProfileTokenIn[] = {
    textField("ConfigurationToken", "./ConfigurationToken"),
    textField("ProfileToken", "./ProfileToken"),
    {},
};

// ---- Recurring schema types ---------------------------------------------------------------

const OnvifField kConfigurationHead[] = {
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    {},
};

const OnvifField kRange[] = {intField("Min", "Min"), intField("Max", "Max"), {}};

const OnvifField kVideoEncoderHead[] = {
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    textField("Encoding", "Encoding"),
    intField("Resolution.Width", "Resolution/Width"),
    intField("Resolution.Height", "Resolution/Height"),
    realField("Quality", "Quality"),
    intField("RateControl.FrameRateLimit", "RateControl/FrameRateLimit"),
    intField("RateControl.EncodingInterval", "RateControl/EncodingInterval"),
    intField("RateControl.BitrateLimit", "RateControl/BitrateLimit"),
    {},
};

const OnvifField kVideoEncoderCodecs[] = {
    intField("MPEG4.GovLength", "MPEG4/GovLength"),
    textField("MPEG4.Mpeg4Profile", "MPEG4/Mpeg4Profile"),
    intField("H264.GovLength", "H264/GovLength"),
    textField("H264.H264Profile", "H264/H264Profile"),
    {},
};

const OnvifField kMulticastSingle[] = {
    textField("Multicast.Address.Type", "Multicast/Address/Type"),
    textField("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address"),
    textField("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address"),
    intField("Multicast.Port", "Multicast/Port"),
    intField("Multicast.TTL", "Multicast/TTL"),
    boolField("Multicast.AutoStart", "Multicast/AutoStart"),
    {},
};

const OnvifField kMulticastLists[] = {
    textField("Multicast.Address.Type", "Multicast/Address/Type"),
    textListField("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address[%d]"),
    textListField("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address[%d]"),
    intField("Multicast.Port", "Multicast/Port"),
    intField("Multicast.TTL", "Multicast/TTL"),
    boolField("Multicast.AutoStart", "Multicast/AutoStart"),
    {},
};

const OnvifField kSessionTimeout[] = {textField("SessionTimeout", "SessionTimeout"), {}};

// An NTP server, a discovery proxy: one kind ("IPv4", "IPv6", "DNS") and its addresses.
const OnvifField kNetworkHost[] = {
    textField("Type", "Type"),
    textListField("IPv4Address", "IPv4Address[%d]"),
    textListField("IPv6Address", "IPv6Address[%d]"),
    textListField("DNSname", "DNSname[%d]"),
    {},
};

const OnvifField kAudioEncoderCore[] = {
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    textField("Encoding", "Encoding"),
    intField("Bitrate", "Bitrate"),
    intField("SampleRate", "SampleRate"),
    {},
};

const OnvifField kVideoSourceCfg[] = {
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    textField("SourceToken", "SourceToken"),
    intField("Bounds.x", "Bounds/@x"),
    intField("Bounds.y", "Bounds/@y"),
    intField("Bounds.width", "Bounds/@width"),
    intField("Bounds.height", "Bounds/@height"),
    {},
};

const OnvifField kAudioSourceCfg[] = {
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("token", "@token"),
    textField("SourceToken", "SourceToken"),
    {},
};

namespace {
const OnvifField kSimpleItem[] = {textField("Name", "@Name"), textField("Value", "@Value"), {}};
} // namespace

const OnvifField kConfig[] = {
    textField("Name", "@Name"),
    textField("Type", "@Type"),
    recordListField("Parameters.SimpleItem", "Parameters/SimpleItem", kSimpleItem),
    {},
};

const OnvifField kAnalyticsEngine[] = {
    recordListField("AnalyticsEngineConfiguration.AnalyticsModule", "AnalyticsEngineConfiguration/AnalyticsModule",
                    kConfig),
    {},
};
const OnvifField kRuleEngine[] = {
    recordListField("RuleEngineConfiguration.Rule", "RuleEngineConfiguration/Rule", kConfig),
    {},
};

const OnvifField kAudioCodecOptions[] = {
    textField("Encoding", "Encoding"),
    textListField("BitrateList.Items", "BitrateList/Items[%d]"),
    textListField("SampleRateList.Items", "SampleRateList/Items[%d]"),
    {},
};

const OnvifField kFloatRange[] = {realField("Min", "Min"), realField("Max", "Max"), {}};

const OnvifField kPtzPanTilt[] = {
    realField("PanTilt.x", "PanTilt/@x"),
    realField("PanTilt.y", "PanTilt/@y"),
    textField("PanTilt.space", "PanTilt/@space"),
    {},
};

const OnvifField kPtzZoom[] = {realField("Zoom.x", "Zoom/@x"), textField("Zoom.space", "Zoom/@space"), {}};

// "Pant" is the schema's own spelling.
const OnvifField kPtzConfigurationSpaces[] = {
    textField("NodeToken", "NodeToken"),
    textField("DefaultAbsolutePantTiltPositionSpace", "DefaultAbsolutePantTiltPositionSpace"),
    textField("DefaultAbsoluteZoomPositionSpace", "DefaultAbsoluteZoomPositionSpace"),
    textField("DefaultRelativePanTiltTranslationSpace", "DefaultRelativePanTiltTranslationSpace"),
    textField("DefaultRelativeZoomTranslationSpace", "DefaultRelativeZoomTranslationSpace"),
    textField("DefaultContinuousPanTiltVelocitySpace", "DefaultContinuousPanTiltVelocitySpace"),
    textField("DefaultContinuousZoomVelocitySpace", "DefaultContinuousZoomVelocitySpace"),
    {},
};

const OnvifField kPtzConfigurationLimits[] = {
    textField("DefaultPTZTimeout", "DefaultPTZTimeout"),
    textField("PanTiltLimits.Range.URI", "PanTiltLimits/Range/URI"),
    realField("PanTiltLimits.Range.XRange.Min", "PanTiltLimits/Range/XRange/Min"),
    realField("PanTiltLimits.Range.XRange.Max", "PanTiltLimits/Range/XRange/Max"),
    realField("PanTiltLimits.Range.YRange.Min", "PanTiltLimits/Range/YRange/Min"),
    realField("PanTiltLimits.Range.YRange.Max", "PanTiltLimits/Range/YRange/Max"),
    textField("ZoomLimits.Range.URI", "ZoomLimits/Range/URI"),
    realField("ZoomLimits.Range.XRange.Min", "ZoomLimits/Range/XRange/Min"),
    realField("ZoomLimits.Range.XRange.Max", "ZoomLimits/Range/XRange/Max"),
    {},
};

const OnvifField kImagingSettings[] = {
    textField("BacklightCompensation.Mode", "BacklightCompensation/Mode"),
    realField("BacklightCompensation.Level", "BacklightCompensation/Level"),
    realField("Brightness", "Brightness"),
    realField("ColorSaturation", "ColorSaturation"),
    realField("Contrast", "Contrast"),
    textField("Exposure.Mode", "Exposure/Mode"),
    textField("Exposure.Priority", "Exposure/Priority"),
    realField("Exposure.Window.bottom", "Exposure/Window/@bottom"),
    realField("Exposure.Window.top", "Exposure/Window/@top"),
    realField("Exposure.Window.right", "Exposure/Window/@right"),
    realField("Exposure.Window.left", "Exposure/Window/@left"),
    realField("Exposure.MinExposureTime", "Exposure/MinExposureTime"),
    realField("Exposure.MaxExposureTime", "Exposure/MaxExposureTime"),
    realField("Exposure.MinGain", "Exposure/MinGain"),
    realField("Exposure.MaxGain", "Exposure/MaxGain"),
    realField("Exposure.MinIris", "Exposure/MinIris"),
    realField("Exposure.MaxIris", "Exposure/MaxIris"),
    realField("Exposure.ExposureTime", "Exposure/ExposureTime"),
    realField("Exposure.Gain", "Exposure/Gain"),
    realField("Exposure.Iris", "Exposure/Iris"),
    textField("Focus.AutoFocusMode", "Focus/AutoFocusMode"),
    realField("Focus.DefaultSpeed", "Focus/DefaultSpeed"),
    realField("Focus.NearLimit", "Focus/NearLimit"),
    realField("Focus.FarLimit", "Focus/FarLimit"),
    textField("IrCutFilter", "IrCutFilter"),
    realField("Sharpness", "Sharpness"),
    textField("WideDynamicRange.Mode", "WideDynamicRange/Mode"),
    realField("WideDynamicRange.Level", "WideDynamicRange/Level"),
    textField("WhiteBalance.Mode", "WhiteBalance/Mode"),
    realField("WhiteBalance.CrGain", "WhiteBalance/CrGain"),
    realField("WhiteBalance.CbGain", "WhiteBalance/CbGain"),
    {},
};

// Colours are tt:Color attributes (X, Y, Z in the named colour space) with the OSD's own
// transparency beside them.
const OnvifField kOsd[] = {
    textField("token", "@token"),
    textField("VideoSourceConfigurationToken", "VideoSourceConfigurationToken"),
    textField("Type", "Type"),
    textField("Position.Type", "Position/Type"),
    realField("Position.Pos.x", "Position/Pos/@x"),
    realField("Position.Pos.y", "Position/Pos/@y"),
    boolField("TextString.IsPersistentText", "TextString/@IsPersistentText"),
    textField("TextString.Type", "TextString/Type"),
    textField("TextString.DateFormat", "TextString/DateFormat"),
    textField("TextString.TimeFormat", "TextString/TimeFormat"),
    intField("TextString.FontSize", "TextString/FontSize"),
    realField("TextString.FontColor.Color.X", "TextString/FontColor/Color/@X"),
    realField("TextString.FontColor.Color.Y", "TextString/FontColor/Color/@Y"),
    realField("TextString.FontColor.Color.Z", "TextString/FontColor/Color/@Z"),
    textField("TextString.FontColor.Color.Colorspace", "TextString/FontColor/Color/@Colorspace"),
    intField("TextString.FontColor.Transparent", "TextString/FontColor/@Transparent"),
    realField("TextString.BackgroundColor.Color.X", "TextString/BackgroundColor/Color/@X"),
    realField("TextString.BackgroundColor.Color.Y", "TextString/BackgroundColor/Color/@Y"),
    realField("TextString.BackgroundColor.Color.Z", "TextString/BackgroundColor/Color/@Z"),
    textField("TextString.BackgroundColor.Color.Colorspace", "TextString/BackgroundColor/Color/@Colorspace"),
    intField("TextString.BackgroundColor.Transparent", "TextString/BackgroundColor/@Transparent"),
    textField("TextString.PlainText", "TextString/PlainText"),
    textField("Image.ImgPath", "Image/ImgPath"),
    {},
};

const OnvifField kColor[] = {
    realField("X", "@X"),
    realField("Y", "@Y"),
    realField("Z", "@Z"),
    textField("Colorspace", "@Colorspace"),
    {},
};

namespace {
const OnvifField kColorspaceRange[] = {
    realField("X.Min", "X/Min"), realField("X.Max", "X/Max"), realField("Y.Min", "Y/Min"),
    realField("Y.Max", "Y/Max"), realField("Z.Min", "Z/Min"), realField("Z.Max", "Z/Max"),
    textField("Colorspace", "Colorspace"), {},
};
} // namespace

const OnvifField kColorOptions[] = {
    recordListField("ColorList", "ColorList", kColor),
    recordListField("ColorspaceRange", "ColorspaceRange", kColorspaceRange),
    {},
};

// The per-kind maxima are attributes; a device that lists no kinds leaves them out.
const OnvifField kOsdOptions[] = {
    intField("MaximumNumberOfOSDs.Total", "MaximumNumberOfOSDs/@Total"),
    intField("MaximumNumberOfOSDs.Image", "MaximumNumberOfOSDs/@Image"),
    intField("MaximumNumberOfOSDs.PlainText", "MaximumNumberOfOSDs/@PlainText"),
    intField("MaximumNumberOfOSDs.Date", "MaximumNumberOfOSDs/@Date"),
    intField("MaximumNumberOfOSDs.Time", "MaximumNumberOfOSDs/@Time"),
    intField("MaximumNumberOfOSDs.DateAndTime", "MaximumNumberOfOSDs/@DateAndTime"),
    textListField("Type", "Type[%d]"),
    textListField("PositionOption", "PositionOption[%d]"),
    textListField("TextOption.Type", "TextOption/Type[%d]"),
    intField("TextOption.FontSizeRange.Min", "TextOption/FontSizeRange/Min"),
    intField("TextOption.FontSizeRange.Max", "TextOption/FontSizeRange/Max"),
    textListField("TextOption.DateFormat", "TextOption/DateFormat[%d]"),
    textListField("TextOption.TimeFormat", "TextOption/TimeFormat[%d]"),
    recordListField("TextOption.FontColor.Color.ColorList", "TextOption/FontColor/Color/ColorList", kColor),
    intField("TextOption.FontColor.Transparent.Min", "TextOption/FontColor/Transparent/Min"),
    intField("TextOption.FontColor.Transparent.Max", "TextOption/FontColor/Transparent/Max"),
    recordListField("TextOption.BackgroundColor.Color.ColorList", "TextOption/BackgroundColor/Color/ColorList", kColor),
    intField("TextOption.BackgroundColor.Transparent.Min", "TextOption/BackgroundColor/Transparent/Min"),
    intField("TextOption.BackgroundColor.Transparent.Max", "TextOption/BackgroundColor/Transparent/Max"),
    textListField("ImageOption.ImagePath", "ImageOption/ImagePath[%d]"),
    {},
};

// The alarm-output settings of the host's tables name these members in lower case.
const OnvifField kRelayOutput[] = {
    textField("token", "@token"),
    textField("mode", "Properties/Mode"),
    textField("delaytime", "Properties/DelayTime"),
    textField("idlestate", "Properties/IdleState"),
    {},
};

// ---- Answer hooks shared by services --------------------------------------------------

int audioOptionNumbers(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    if (Json::Value* options = findKey(rsp, "Options")) {
        textListToInt(*options, "BitrateList.Items");
        textListToInt(*options, "SampleRateList.Items");
    }
    return 0;
}

// The list nests three deep (configuration, module, parameter), one more than a path's
// two index slots: each configuration is read on its own, its index written into the path.
int readAnalyticsConfigurations(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    const int count = response.getArraySize("./Configurations");
    if (count <= 0)
        return 0;
    Json::Value list(Json::arrayValue);
    for (int k = 0; k < count; ++k) {
        COnvifFieldMap map(COnvifFieldMap::NUMBERS_AS_INT_FLAGS_ANY_CASE);
        map.add("", "./Configurations[" + std::to_string(k) + "]", {kConfigurationHead, kAnalyticsEngine, kRuleEngine});
        Json::Value record(Json::objectValue);
        readFields(response, map.fields(), record);
        list.append(record);
    }
    rsp["Configurations"] = list;
    return 0;
}

void media2EncodingsToMedia(Json::Value& rsp, const char* listKey, const char* encodingKey)
{
    Json::Value* list = findKey(rsp, listKey);
    if (!list || !list->isArray())
        return;
    for (Json::Value& record : *list) {
        Json::Value* encoding = findKey(record, encodingKey);
        if (encoding && encoding->isString() && encoding->asString() == "MPV4-ES")
            *encoding = "MPEG4";
    }
}

// ---- Media URIs -----------------------------------------------------------------------

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

} // namespace CommonFields
} // namespace Onvif
} // namespace RPC
