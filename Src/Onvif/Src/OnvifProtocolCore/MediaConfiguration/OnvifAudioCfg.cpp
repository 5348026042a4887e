#include "OnvifProtocolCore/MediaConfiguration/OnvifAudioCfg.h"

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
const OnvifField kEncoderTokenIn[] = {F("AudioConfigurationToken", "./trt:ConfigurationToken", TEXT), kEnd};

#define C "./trt:Configuration"
const OnvifField kSetEncoderIn[] = {
    F("Configuration.Name", C "/tt:Name", TEXT),
    F("Configuration.UseCount", C "/tt:UseCount", INT),
    F("Configuration.token", C "/@token", TEXT),
    F("Configuration.Encoding", C "/tt:Encoding", TEXT),
    F("Configuration.Bitrate", C "/tt:Bitrate", INT),
    F("Configuration.SampleRate", C "/tt:SampleRate", INT),
    F("Configuration.Multicast.Address.Type", C "/tt:Multicast/tt:Address/tt:Type", TEXT),
    F("Configuration.Multicast.Address.IPv4Address", C "/tt:Multicast/tt:Address/tt:IPv4Address", TEXT),
    F("Configuration.Multicast.Address.IPv6Address", C "/tt:Multicast/tt:Address/tt:IPv6Address", TEXT),
    F("Configuration.Multicast.Port", C "/tt:Multicast/tt:Port", INT),
    F("Configuration.Multicast.TTL", C "/tt:Multicast/tt:TTL", INT),
    // Audio has always sent the flag as a number; a bool in the record goes out as 0 or 1.
    F("Configuration.Multicast.AutoStart", C "/tt:Multicast/tt:AutoStart", INT),
    F("Configuration.SessionTimeout", C "/tt:SessionTimeout", TEXT),
    kEnd};
const OnvifField kSetSourceIn[] = {
    F("Configuration.Name", C "/tt:Name", TEXT),
    F("Configuration.UseCount", C "/tt:UseCount", INT),
    F("Configuration.token", C "/@token", TEXT),
    F("Configuration.SourceToken", C "/tt:SourceToken", TEXT),
    kEnd};
#undef C

// ---- Answers -------------------------------------------------------------------------------

const OnvifField kAudioSource[] = {F("Token", "@token", TEXT), F("Channels", "Channels", INT), kEnd};
// The compatible list reads the multicast flag and the session time-out as numbers, so
// a device that spells them as the schema does ("true", "PT60S") leaves them out.
const OnvifField kNumericTail[] = {F("Multicast.AutoStart", "Multicast/AutoStart", INT),
                                   F("SessionTimeout", "SessionTimeout", INT), kEnd};
const OnvifField kMulticastNoFlag[] = {
    F("Multicast.Address.Type", "Multicast/Address/Type", TEXT),
    F("Multicast.Address.IPv4Address", "Multicast/Address/IPv4Address", TEXT),
    F("Multicast.Address.IPv6Address", "Multicast/Address/IPv6Address", TEXT),
    F("Multicast.Port", "Multicast/Port", INT),
    F("Multicast.TTL", "Multicast/TTL", INT),
    kEnd};
const OnvifField kEncoderOptions[] = {
    F("Encoding", "Encoding", TEXT),
    F("BitrateList.Items", "BitrateList/Items[%d]", TEXT_LIST),
    F("SampleRateList.Items", "SampleRateList/Items[%d]", TEXT_LIST),
    kEnd};
const OnvifField kInputTokens[] = {F("InputTokensAvailable", "InputTokensAvailable[%d]", TEXT_LIST), kEnd};
#undef F

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

// The maps live as long as the library: rows point into them.
template <class Map>
const OnvifField* fieldsOf()
{
    static const Map map;
    return map.fields();
}

#define ROW(command, op, in, out, hookIn, hookOut, failText)                                    \
    {                                                                                          \
        command, {op, "/trt:" op, kMedia, in, out, OP_DEFAULT, nullptr, hookIn, hookOut}, failText \
    }

const OnvifCommandRow kRows[] = {
    ROW("GetAudioSources", "GetAudioSources", nullptr, fieldsOf<CSourcesMap>(), nullptr, nullptr,
        "GetAudioSources fail!\n"),
    ROW("GetAudioEncoderCfg", "GetAudioEncoderConfiguration", kEncoderTokenIn, fieldsOf<CEncoderMap>(), nullptr,
        nullptr, "GetAudioEncoderConfiguration fail!\n"),
    ROW("GetAudioEncoderCfgs", "GetAudioEncoderConfigurations", nullptr, fieldsOf<CEncoderListMap>(), nullptr,
        nullptr, "GetAudioEncoderConfigurations fail!\n"),
    ROW("GetCompatibleAudioEncoderCfgs", "GetCompatibleAudioEncoderConfigurations", kProfileTokenIn,
        fieldsOf<CCompatibleEncoderListMap>(), nullptr, nullptr, "GetCompatibleAudioEncoderConfigurations fail!\n"),
    ROW("SetAudioEncoderCfg", "SetAudioEncoderConfiguration", kSetEncoderIn, nullptr, forcePersistence, nullptr,
        nullptr),
    ROW("GetAudioEncoderCfgOptions", "GetAudioEncoderConfigurationOptions", kConfigurationTokenIn,
        fieldsOf<CEncoderOptionsMap>(), nullptr, encoderOptionNumbers, "GetAudioEncoderConfigurationOptions fail!\n"),
    ROW("GetAudioSourceCfgs", "GetAudioSourceConfigurations", nullptr, fieldsOf<CSourceCfgListMap>(), nullptr,
        nullptr, nullptr),
    ROW("GetAudioSourceCfg", "GetAudioSourceConfiguration", kConfigurationTokenIn, fieldsOf<CSourceCfgMap>(),
        nullptr, nullptr, nullptr),
    ROW("GetCompatibleAudioSourceCfgs", "GetCompatibleAudioSourceConfigurations", kProfileTokenIn,
        fieldsOf<CSourceCfgListMap>(), nullptr, nullptr, nullptr),
    ROW("SetAudioSourceCfg", "SetAudioSourceConfiguration", kSetSourceIn, nullptr, forcePersistence, nullptr,
        nullptr),
    ROW("GetAudioSourceCfgOptions", "GetAudioSourceConfigurationOptions", kBothTokensIn,
        fieldsOf<CSourceOptionsMap>(), nullptr, nullptr, nullptr),
};
#undef ROW

} // namespace

const COnvifCommandTable& COnvifAudioCfg::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
