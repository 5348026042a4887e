#include "OnvifProtocolCore/MediaConfiguration/OnvifAudioCfg.h"

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
const OnvifField kEncoderOptions[] = {
    textField("Encoding", "Encoding"),
    textListField("BitrateList.Items", "BitrateList/Items[%d]"),
    textListField("SampleRateList.Items", "SampleRateList/Items[%d]"),
    {},
};
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
    CEncoderOptionsMap() { addList("Options", "./Options/Options", {kEncoderOptions}); }
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

// Bit rates and sample rates are numbers to every caller.
int encoderOptionNumbers(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    if (Json::Value* options = findKey(rsp, "Options")) {
        textListToInt(*options, "BitrateList.Items");
        textListToInt(*options, "SampleRateList.Items");
    }
    return 0;
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
        .out(fieldsOf<CEncoderOptionsMap>()).reads(encoderOptionNumbers)
        .failText("GetAudioEncoderConfigurationOptions fail!\n"),
    kTrt("GetAudioSourceCfgs", "GetAudioSourceConfigurations").out(fieldsOf<CSourceCfgListMap>()),
    kTrt("GetAudioSourceCfg", "GetAudioSourceConfiguration").in(kConfigurationTokenIn).out(fieldsOf<CSourceCfgMap>()),
    kTrt("GetCompatibleAudioSourceCfgs", "GetCompatibleAudioSourceConfigurations").in(kProfileTokenIn)
        .out(fieldsOf<CSourceCfgListMap>()),
    kTrt("SetAudioSourceCfg", "SetAudioSourceConfiguration").in(fieldsOf<CSetSourceMap>()).writes(forcePersistence),
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
