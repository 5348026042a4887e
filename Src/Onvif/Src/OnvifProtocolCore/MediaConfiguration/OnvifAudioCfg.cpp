#include "OnvifProtocolCore/MediaConfiguration/OnvifAudioCfg.h"

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

// The multicast group without its start flag: the audio operations read and write that
// flag as a number.
const OnvifField kMulticastNoFlag[] = {
    textField("Multicast.Address.Type", "Multicast/Address/Type"),
    textField("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address"),
    textField("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address"),
    intField("Multicast.Port", "Multicast/Port"),
    intField("Multicast.TTL", "Multicast/TTL"),
    {},
};

// ---- Requests ----------------------------------------------------------------------------

// Callers name the encoder's token apart from the other configurations' tokens.
const OnvifField kEncoderTokenIn[] = {textField("AudioConfigurationToken", "./ConfigurationToken"), {}};

// Audio has always sent the flag as a number; a bool in the record goes out as 0 or 1.
const OnvifField kAutoStartAsNumber[] = {intField("Multicast.AutoStart", "Multicast/AutoStart"), {}};
struct CSetEncoderMap : COnvifFieldMap {
    CSetEncoderMap()
    {
        addRequest("Configuration", "./trt:Configuration",
                   {kAudioEncoderCore, kMulticastNoFlag, kAutoStartAsNumber, kSessionTimeout});
    }
};
struct CSetSourceMap : COnvifFieldMap {
    CSetSourceMap() { addRequest("Configuration", "./trt:Configuration", {kAudioSourceCfg}); }
};

// ---- Answers -------------------------------------------------------------------------------

const OnvifField kAudioSource[] = {textField("Token", "@token"), intField("Channels", "Channels"), {}};
// The compatible list reads the multicast flag and the session time-out as numbers, so
// a device that spells them as the schema does ("true", "PT60S") leaves them out.
const OnvifField kNumericTail[] = {intField("Multicast.AutoStart", "Multicast/AutoStart"),
                                   intField("SessionTimeout", "SessionTimeout"), {}};
const OnvifField kInputTokens[] = {textListField("InputTokensAvailable", "InputTokensAvailable[%d]"), {}};

struct CSourcesMap : COnvifFieldMap {
    CSourcesMap() { addList("AudioSources", "./AudioSources", {kAudioSource}); }
};
struct CEncoderMap : COnvifFieldMap {
    CEncoderMap() { add("Configuration", "./Configuration", {kAudioEncoderCore, kMulticastSingle, kSessionTimeout}); }
};
struct CEncoderListMap : COnvifFieldMap {
    CEncoderListMap()
    {
        addList("Configurations", "./Configurations", {kAudioEncoderCore, kMulticastSingle, kSessionTimeout});
    }
};
struct CCompatibleEncoderListMap : COnvifFieldMap {
    CCompatibleEncoderListMap()
    {
        addList("Configurations", "./Configurations", {kAudioEncoderCore, kMulticastNoFlag, kNumericTail});
    }
};
struct CEncoderOptionsMap : COnvifFieldMap {
    CEncoderOptionsMap() { addList("Options", "./Options/Options", {kAudioCodecOptions}); }
};
struct CSourceCfgMap : COnvifFieldMap {
    CSourceCfgMap() { add("Configuration", "./Configuration", {kAudioSourceCfg}); }
};
struct CSourceCfgListMap : COnvifFieldMap {
    CSourceCfgListMap() { addList("Configurations", "./trt:Configurations", {kAudioSourceCfg}); }
};
struct CSourceOptionsMap : COnvifFieldMap {
    CSourceOptionsMap() { add("AudioSourceOptions", "./Options", {kInputTokens}); }
};

// Media lists a decoder's rates per codec group; callers get Media2's shape, one record per
// encoding ("Encoding", "BitrateList"."Items", "SampleRateList"."Items"), from either service.
const OnvifField kDecoderRates[] = {textListField("BitrateList.Items", "Bitrate/Items[%d]"),
                                    textListField("SampleRateList.Items", "SampleRateRange/Items[%d]"), {}};
const char* const kDecoderGroups[][2] = {{"AAC", "AACDecOptions"}, {"G711", "G711DecOptions"}, {"G726", "G726DecOptions"}};
struct CDecoderOptionsMap : COnvifFieldMap {
    CDecoderOptionsMap()
    {
        for (const auto& group : kDecoderGroups)
            add(std::string("Decoders.") + group[0], std::string("./Options/") + group[1], {kDecoderRates});
    }
};
int decoderOptionsAnswer(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp)
{
    Json::Value options(Json::arrayValue);
    for (const auto& group : kDecoderGroups) {
        const Json::Value* rates = findKey(rsp, (std::string("Decoders.") + group[0]).c_str());
        if (!rates || !rates->isObject())
            continue;
        Json::Value record = *rates;
        record["Encoding"] = group[0];
        options.append(record);
    }
    rsp.removeMember("Decoders");
    rsp["Options"] = options;
    return audioOptionNumbers(response, req, rsp);
}

constexpr OnvifService kTrt{"trt", Namespaces::kMedia};

const OnvifOperation kRows[] = {
    kTrt("GetAudioSources").out(fieldsOf<CSourcesMap>()).failText("GetAudioSources fail!\n"),
    kTrt("GetAudioEncoderCfg", "GetAudioEncoderConfiguration").in(kEncoderTokenIn).out(fieldsOf<CEncoderMap>())
        .failText("GetAudioEncoderConfiguration fail!\n"),
    kTrt("GetAudioEncoderCfgs", "GetAudioEncoderConfigurations").out(fieldsOf<CEncoderListMap>())
        .failText("GetAudioEncoderConfigurations fail!\n"),
    kTrt("GetCompatibleAudioEncoderCfgs", "GetCompatibleAudioEncoderConfigurations").in(kProfileTokenIn)
        .out(fieldsOf<CCompatibleEncoderListMap>()).failText("GetCompatibleAudioEncoderConfigurations fail!\n"),
    kTrt("SetAudioEncoderCfg", "SetAudioEncoderConfiguration").in(fieldsOf<CSetEncoderMap>())
        .writes(forcePersistence),
    kTrt("GetAudioEncoderCfgOptions", "GetAudioEncoderConfigurationOptions").in(kConfigurationTokenIn)
        .out(fieldsOf<CEncoderOptionsMap>()).reads(audioOptionNumbers)
        .failText("GetAudioEncoderConfigurationOptions fail!\n"),
    kTrt("GetAudioSourceCfgs", "GetAudioSourceConfigurations").out(fieldsOf<CSourceCfgListMap>()),
    kTrt("GetAudioSourceCfg", "GetAudioSourceConfiguration").in(kConfigurationTokenIn).out(fieldsOf<CSourceCfgMap>()),
    kTrt("GetCompatibleAudioSourceCfgs", "GetCompatibleAudioSourceConfigurations").in(kProfileTokenIn)
        .out(fieldsOf<CSourceCfgListMap>()),
    kTrt("SetAudioSourceCfg", "SetAudioSourceConfiguration").in(fieldsOf<CSetSourceMap>()).writes(forcePersistence),
    kTrt("GetAudioDecoderCfgOptions", "GetAudioDecoderConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CDecoderOptionsMap>()).reads(decoderOptionsAnswer),
    kTrt("GetAudioSourceCfgOptions", "GetAudioSourceConfigurationOptions").in(kConfigurationAndProfileTokenIn)
        .out(fieldsOf<CSourceOptionsMap>()),
};

} // namespace

const COnvifOperationTable& COnvifAudioCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
