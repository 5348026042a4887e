#include "OnvifFramework/Utility/OnvifCommonFields.h"

#include "OnvifFramework/Utility/OnvifLog.h"

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

const OnvifField kPtzVector[] = {
    realField("PanTilt.x", "PanTilt/@x"),
    realField("PanTilt.y", "PanTilt/@y"),
    textField("PanTilt.space", "PanTilt/@space"),
    realField("Zoom.x", "Zoom/@x"),
    textField("Zoom.space", "Zoom/@space"),
    {},
};

// "Pant" is the schema's own spelling.
const OnvifField kPtzConfiguration[] = {
    textField("NodeToken", "NodeToken"),
    textField("DefaultAbsolutePantTiltPositionSpace", "DefaultAbsolutePantTiltPositionSpace"),
    textField("DefaultAbsoluteZoomPositionSpace", "DefaultAbsoluteZoomPositionSpace"),
    textField("DefaultRelativePanTiltTranslationSpace", "DefaultRelativePanTiltTranslationSpace"),
    textField("DefaultRelativeZoomTranslationSpace", "DefaultRelativeZoomTranslationSpace"),
    textField("DefaultContinuousPanTiltVelocitySpace", "DefaultContinuousPanTiltVelocitySpace"),
    textField("DefaultContinuousZoomVelocitySpace", "DefaultContinuousZoomVelocitySpace"),
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

const OnvifField kRelayOutput[] = {
    textField("token", "@token"),
    textField("Properties.Mode", "Properties/Mode"),
    textField("Properties.DelayTime", "Properties/DelayTime"),
    textField("Properties.IdleState", "Properties/IdleState"),
    {},
};

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
