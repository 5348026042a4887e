#pragma once
// What an encoder configuration may be set to: its options, and the check of settings
// against them that both a description and a Set go through.
#include <json/value.h>

#include <string>

namespace OnvifSim {

// Options of a video encoder on a source of this size, for a configuration of this
// encoding; `given` (an object, may be null) overrides members.
bool VideoOptions(const Json::Value& source, const std::string& encoding, const Json::Value& given,
                  Json::Value& out, std::string& why);
bool AudioOptions(const std::string& encoding, const Json::Value& given, Json::Value& out, std::string& why);

// Empty when the configuration's settings fit its options, else the reason.
std::string VideoSettingsProblem(const Json::Value& config);
std::string AudioSettingsProblem(const Json::Value& config);

// The H.264/H.265/MPEG-4 profiles an option set offers for an encoding (empty for JPEG).
const Json::Value& ProfilesFor(const Json::Value& options, const std::string& encoding);
bool InRange(const Json::Value& range, double value);
bool Contains(const Json::Value& list, const Json::Value& value);

} // namespace OnvifSim
