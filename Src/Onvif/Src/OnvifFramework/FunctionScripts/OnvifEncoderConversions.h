#pragma once
// Conversions between the device's encoder records (ONVIF names and ranges, Media or
// Media2 shape) and the host's ("H.264", quality 1..6, image-size names). Pure functions:
// no device, no cache, so every rule can be checked on its own.
#include <json/json.h>

#include <string>
#include <vector>

namespace RPC {
namespace Onvif {

// "H264" -> "H.264", "JPEG" -> "MJPG", "H265" -> "H.265"; anything else unchanged.
std::string videoCompressionToHost(const std::string& encoding);
// The reverse of the above; anything else unchanged.
std::string videoCompressionToDevice(const std::string& compression);
// "PCMU"/"G711" -> "G.711Mu", "MP4A-LATM"/"AAC" -> "AAC", "G726" -> "G.726" (by containment).
std::string audioCompressionToHost(const std::string& encoding);

// Device quality q in [min, max] to the host's 1..6.
int qualityToHost(double quality, double min, double max);
// Host quality 1..6 to the device range; rounds up from .2 so that the top host value
// reaches the device maximum.
int qualityToDevice(int quality, double min, double max);

// A number from a member that may arrive as a number or as its text.
bool readNumber(const Json::Value& value, double& out);
// A list that may arrive as an array or as a space-separated text ("1 5 25").
std::vector<double> numberList(const Json::Value& value);
std::vector<std::string> textList(const Json::Value& value);

// The member name of an encoding's codec profile inside its group ("H264Profile", ...);
// "" for encodings without one.
std::string codecProfileMember(const std::string& encoding);

// Media2 "Configurations"[i] -> the Media shape {"VideoConfigurationToken", "Configuration"}.
Json::Value media2VideoConfigToMedia(const Json::Value& configuration);
// Media2 "Options" (one entry per encoding) -> the Media shape "Options"{encoding: {...}}.
Json::Value media2VideoOptionsToMedia(const Json::Value& options);
// Media2 audio "Configurations"[i] -> {"AudioConfigurationToken", "Configuration"}.
Json::Value media2AudioConfigToMedia(const Json::Value& configuration);

// Adds "ResMapping"{encoding: {image-size name: "WxH"}} to a device options record.
void addResolutionMapping(Json::Value& deviceOptions, const std::string& manufacturer);
// The host capability form of a device options record (with "ResMapping" or not).
Json::Value videoOptionsToHost(const Json::Value& deviceOptions, const std::string& manufacturer);
// The host form {"VideoEnable", "VideoConfigurationToken", "Video"} of a device
// configuration {"VideoConfigurationToken", "Configuration"} read with its options.
Json::Value videoConfigToHost(const Json::Value& deviceConfig, const Json::Value& deviceOptions,
                              const std::string& manufacturer);
// Applies the host's "Video" record to the device configuration, within the options.
void applyHostVideo(const Json::Value& hostVideo, const Json::Value& deviceOptions, Json::Value& configuration);
// Media2 keeps the codec's GOP length and profile on the configuration itself.
void liftMedia2CodecMembers(Json::Value& configuration, const std::string& token);

// The host form {"AudioEnable", "AudioConfigurationToken", "Audio"} of an audio
// configuration {"AudioConfigurationToken", "Configuration"}.
Json::Value audioConfigToHost(const Json::Value& deviceConfig);
// Applies the host's "Audio" record; the encoding is picked among the options' encodings.
void applyHostAudio(const Json::Value& hostAudio, const Json::Value& deviceOptions, Json::Value& configuration);
// The host capability form of audio encoder options.
Json::Value audioOptionsToHost(const Json::Value& deviceOptions);

} // namespace Onvif
} // namespace RPC
