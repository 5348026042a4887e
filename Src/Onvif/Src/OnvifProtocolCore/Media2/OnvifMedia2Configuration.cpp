#include "OnvifProtocolCore/Media2/OnvifMedia2Configuration.h"

#include <cmath>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;

// Media2 answers are read as devices write them: numbers become integers, flags are
// "true" in any letter case. Every list command takes the configuration and profile
// tokens as optional filters, in the order the service defines them.
constexpr COnvifFieldMap::Style kDeviceText = COnvifFieldMap::NUMBERS_AS_INT_FLAGS_ANY_CASE;

// ---- Records ------------------------------------------------------------------------

// tt:VideoEncoder2Configuration: the codec's GOP length and profile are attributes. Its
// elements in the schema's order (a device that validates refuses any other), with the
// quality after the multicast settings.
const OnvifField kVideoEncoder2Head[] = {
    textField("token", "@token"),
    intField("GovLength", "@GovLength"),
    textField("Profile", "@Profile"),
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("Encoding", "Encoding"),
    intField("Resolution.Width", "Resolution/Width"),
    intField("Resolution.Height", "Resolution/Height"),
    boolField("RateControl.ConstantBitRate", "RateControl/@ConstantBitRate"),
    realField("RateControl.FrameRateLimit", "RateControl/FrameRateLimit"),
    intField("RateControl.BitrateLimit", "RateControl/BitrateLimit"),
    {},
};
const OnvifField kQuality[] = {realField("Quality", "Quality"), {}};

// tt:VideoEncoder2ConfigurationOptions: the lists are attributes ("1 30", "Main High").
const OnvifField kVideoEncoder2Options[] = {
    textField("GovLengthRange", "@GovLengthRange"),
    textField("FrameRatesSupported", "@FrameRatesSupported"),
    textField("ProfilesSupported", "@ProfilesSupported"),
    boolField("ConstantBitRateSupported", "@ConstantBitRateSupported"),
    textField("Encoding", "Encoding"),
    realField("QualityRange.Min", "QualityRange/Min"),
    realField("QualityRange.Max", "QualityRange/Max"),
    intField("BitrateRange.Min", "BitrateRange/Min"),
    intField("BitrateRange.Max", "BitrateRange/Max"),
    {},
};
const OnvifField kResolution[] = {intField("Width", "Width"), intField("Height", "Height"), {}};

const OnvifField kAudioEncoder2[] = {
    textField("token", "@token"),
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("Encoding", "Encoding"),
    intField("Bitrate", "Bitrate"),
    intField("SampleRate", "SampleRate"),
    {},
};

const OnvifField kInputTokens[] = {textListField("InputTokensAvailable", "InputTokensAvailable[%d]"), {}};

struct CVideoEncodersMap : COnvifFieldMap {
    CVideoEncodersMap() : COnvifFieldMap(kDeviceText)
    {
        addList("Configurations", "./Configurations", {kVideoEncoder2Head, kMulticastSingle, kQuality});
    }
};
// The resolutions are a list inside each options record.
const OnvifField kResolutionsIn[] = {recordListField("ResolutionsAvailable", "ResolutionsAvailable", kResolution), {}};
struct CVideoOptionsMap : COnvifFieldMap {
    CVideoOptionsMap() : COnvifFieldMap(kDeviceText)
    {
        addList("Options", "./Options", {kVideoEncoder2Options, kResolutionsIn});
    }
};
struct CAudioEncodersMap : COnvifFieldMap {
    CAudioEncodersMap() : COnvifFieldMap(kDeviceText)
    {
        addList("Configurations", "./Configurations", {kAudioEncoder2, kMulticastSingle});
    }
};
struct CAudioOptionsMap : COnvifFieldMap {
    CAudioOptionsMap() : COnvifFieldMap(kDeviceText) { addList("Options", "./Options", {kAudioCodecOptions}); }
};
struct CVideoSourcesMap : COnvifFieldMap {
    CVideoSourcesMap() : COnvifFieldMap(kDeviceText) { addList("Configurations", "./Configurations", {kVideoSourceCfg}); }
};
struct CAudioSourcesMap : COnvifFieldMap {
    CAudioSourcesMap() : COnvifFieldMap(kDeviceText) { addList("Configurations", "./Configurations", {kAudioSourceCfg}); }
};
struct CAudioSourceOptionsMap : COnvifFieldMap {
    CAudioSourceOptionsMap() : COnvifFieldMap(kDeviceText) { add("Options", "./Options", {kInputTokens}); }
};

// Everything the media service states about itself is an attribute.
const OnvifField kProfileCaps[] = {
    intField("MaximumNumberOfProfiles", "@MaximumNumberOfProfiles"),
    textField("ConfigurationsSupported", "@ConfigurationsSupported"),
    {},
};
const OnvifField kStreamingCaps[] = {
    boolField("RTSPStreaming", "@RTSPStreaming"),
    boolField("RTPMulticast", "@RTPMulticast"),
    boolField("RTP_RTSP_TCP", "@RTP_RTSP_TCP"),
    boolField("NonAggregateControl", "@NonAggregateControl"),
    textField("RTSPWebSocketUri", "@RTSPWebSocketUri"),
    boolField("AutoStartMulticast", "@AutoStartMulticast"),
    {},
};
const OnvifField kServiceCaps[] = {
    boolField("SnapshotUri", "@SnapshotUri"),
    boolField("Rotation", "@Rotation"),
    boolField("VideoSourceMode", "@VideoSourceMode"),
    boolField("OSD", "@OSD"),
    boolField("TemporaryOSDText", "@TemporaryOSDText"),
    {},
};
struct CServiceCapabilitiesMap : COnvifFieldMap {
    CServiceCapabilitiesMap()
    {
        add("Capabilities.ProfileCapabilities", "./Capabilities/ProfileCapabilities", {kProfileCaps});
        add("Capabilities.StreamingCapabilities", "./Capabilities/StreamingCapabilities", {kStreamingCaps});
        add("Capabilities", "./Capabilities", {kServiceCaps});
    }
};

// ---- Requests -------------------------------------------------------------------------

struct CSetVideoEncoderMap : COnvifFieldMap {
    CSetVideoEncoderMap()
    {
        addRequest("Configuration", "./tr2:Configuration", {kVideoEncoder2Head, kMulticastSingle, kQuality});
    }
};

const OnvifField kSetAudioEncoderHead[] = {
    textField("token", "@token"),
    textField("Name", "Name"),
    intField("UseCount", "UseCount"),
    textField("Encoding", "Encoding"),
    {},
};
const OnvifField kAudioRates[] = {intField("Bitrate", "Bitrate"), intField("SampleRate", "SampleRate"), {}};
struct CSetAudioEncoderMap : COnvifFieldMap {
    CSetAudioEncoderMap()
    {
        addRequest("Configuration", "./tr2:Configuration", {kSetAudioEncoderHead, kMulticastSingle, kAudioRates});
    }
};

// The configuration's token comes as "Token"; the host's "MPEG4" goes out under Media2's
// name; a caller that keeps frame rates whole ("FPSUseInt") sends 12.5 as 12.
int prepareVideoEncoder(Json::Value& req)
{
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "input is : %s\n", req.toStyledString().c_str());
    if (const Json::Value* token = findKey(req, "Configuration.Token"))
        makeKey(req, "Configuration.token") = *token;
    Json::Value* encoding = findKey(req, "Configuration.Encoding");
    if (encoding && encoding->isString() && encoding->asString() == "MPEG4")
        *encoding = "MPV4-ES";
    const Json::Value* wholeRates = findKey(req, "FPSUseInt");
    Json::Value* rate = findKey(req, "Configuration.RateControl.FrameRateLimit");
    if (wholeRates && wholeRates->isBool() && wholeRates->asBool() && rate && rate->isNumeric())
        *rate = static_cast<int>(std::trunc(rate->asDouble()));
    return 0;
}

int videoEncodersAnswer(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    media2EncodingsToMedia(rsp, "Configurations");
    return 0;
}

int videoOptionsAnswer(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    media2EncodingsToMedia(rsp, "Options");
    return 0;
}

constexpr OnvifService kTr2{"tr2", Namespaces::kMedia2};
constexpr const char* kNotImplementing = "not implementing!\n";

const OnvifOperation kRows[] = {
    kTr2("GetVideoEncoderCfgs", "GetVideoEncoderConfigurations").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CVideoEncodersMap>()).reads(videoEncodersAnswer),
    kTr2("GetVideoEncoderCfgOptions", "GetVideoEncoderConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CVideoOptionsMap>()).reads(videoOptionsAnswer),
    kTr2("SetVideoEncoderCfg", "SetVideoEncoderConfiguration").in(fieldsOf<CSetVideoEncoderMap>())
        .prepares(prepareVideoEncoder).flag(OP_UNAUTH_INFO).failText("SetVideoEncoderConfiguration fail!\n"),
    kTr2("GetAudioEncoderCfgs", "GetAudioEncoderConfigurations").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CAudioEncodersMap>()),
    kTr2("GetAudioEncoderCfgOptions", "GetAudioEncoderConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CAudioOptionsMap>()).reads(audioOptionNumbers),
    kTr2("SetAudioEncoderCfg", "SetAudioEncoderConfiguration").in(fieldsOf<CSetAudioEncoderMap>())
        .failText("SetAudioEncoderConfiguration fail!\n"),
    kTr2("GetVideoSourceCfgs", "GetVideoSourceConfigurations").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CVideoSourcesMap>()),
    kTr2("GetAudioSourceCfgs", "GetAudioSourceConfigurations").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CAudioSourcesMap>()),
    kTr2("GetAudioSourceCfgOptions", "GetAudioSourceConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CAudioSourceOptionsMap>()),
    kTr2("GetAudioDecoderCfgOptions", "GetAudioDecoderConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CAudioOptionsMap>()).reads(audioOptionNumbers),
    kTr2("GetVideoAnalyticsCfgs", "GetAnalyticsConfigurations").in(kConfigurationAndProfileTokenIn)
        .reads(readAnalyticsConfigurations),
    kTr2("GetMediaServiceCapabilities", "GetServiceCapabilities").out(fieldsOf<CServiceCapabilitiesMap>()),

    // Registered so that callers get a clear refusal instead of an unknown command.
    kTr2("SetVideoSourceMode").answers(-1, kNotImplementing),
    kTr2("SetVideoSourceCfg").answers(-1, kNotImplementing),
    kTr2("SetMetadataCfg").answers(-1, kNotImplementing),
    kTr2("SetAudioSourceCfg").answers(-1, kNotImplementing),
    kTr2("SetAudioOutputCfg").answers(-1, kNotImplementing),
    kTr2("SetAudioDecoderCfg").answers(-1, kNotImplementing),
    kTr2("GetVideoSourceModes").answers(-1, kNotImplementing),
    kTr2("GetVideoSourceCfgOptions").answers(-1, kNotImplementing),
    kTr2("GetMetadataCfgs").answers(-1, kNotImplementing),
    kTr2("GetMetadataCfgOptions").answers(-1, kNotImplementing),
    kTr2("GetAudioOutputCfgs").answers(-1, kNotImplementing),
    kTr2("GetAudioOutputCfgOptions").answers(-1, kNotImplementing),
    kTr2("GetAudioDecoderCfgs").answers(-1, kNotImplementing),
};

} // namespace

const COnvifOperationTable& COnvifMedia2Configuration::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
