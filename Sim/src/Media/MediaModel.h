#pragma once
// The media state of one device: sources, configurations of each kind, profiles and the
// device's media habits. Media (ver10) and Media2 (ver20) are two views of this one state,
// as on a real device, so a Set through either is seen through both.
//
// The state is kept as JSON in CDeviceState::serviceData["media"] so a factory reset (which
// clears serviceData) brings back the described media. Layout, every member always present:
//   channels[]        {name, source: {token, width, height, framerate}}
//   audioSources[]    {token, channels}
//   configs.<Kind>[]  every configuration has {token, name}; besides:
//     VideoSource     sourceToken, channel, bounds {x, y, width, height}
//     AudioSource     sourceToken
//     VideoEncoder    channel, encoding, width, height, quality, frameRate, encodingInterval,
//                     bitrate, govLength, profile ("" for JPEG), options (see below)
//     AudioEncoder    encoding, bitrate, sampleRate, options [{encoding, bitrates[], sampleRates[]}]
//     Analytics       channel, motion {sensitivity, columns, rows, minCount, alarmOnDelay, alarmOffDelay}
//   video options     {encodings[], resolutions[[w,h]], quality[min,max], frameRate[..],
//                      encodingInterval[..], bitrate[..], govLength[..], h264Profiles[],
//                      h265Profiles[], mpeg4Profiles[]}
//   profiles[]        {token, name, fixed, channel, multicast, refs: {<Kind>: token}}
//   habits            {streamUri, rtspPort, snapshot, multicast, rawAmpersandInUri,
//                      media2Faulting, maxProfiles, media2Names: {internal: media2 name}}
//   nextProfile       number for the next created profile token
//   osd, masks        overlays of the video source configurations (MediaOverlays.h)
//   audioDecoders[]   {token, name}: audio output decoders, not part of any profile
// Channels are 0-based here; descriptions count from 1.
#include "Services/ServiceHandler.h"

#include <json/value.h>

#include <string>
#include <vector>

namespace OnvifSim {

enum class EConfigKind { VideoSource, AudioSource, VideoEncoder, AudioEncoder, Analytics };

struct CConfigKindInfo {
    EConfigKind kind;
    const char* key;         // member of configs, and the Media2 configuration type
    const char* media1;      // "VideoSource" in GetVideoSourceConfigurations, AddVideoSourceConfiguration ...
    const char* profileElement;  // element of tt:Profile
};

// In the element order of tt:Profile (and of tr2:ConfigurationSet).
const std::vector<CConfigKindInfo>& ConfigKinds();
const CConfigKindInfo& KindInfo(EConfigKind kind);
const CConfigKindInfo* FindKindByKey(const std::string& key);

// Builds the media state from a whole description. False with a reason naming the member.
bool BuildMediaModel(const Json::Value& description, Json::Value& model, std::string& error);

// Encodings that Media (ver10) can express; H265 lives only in Media2.
bool IsMedia1Encoding(const std::string& encoding);

// The running media state of a call's device, built from the description on first use.
class CMediaState {
public:
    explicit CMediaState(CCallContext& ctx);

    Json::Value& model() { return m_model; }
    // The whole device, for what profiles carry from other services (PTZ configurations).
    CDeviceState& device() { return m_device; }
    const Json::Value& habits() const { return m_model["habits"]; }
    Json::Value& configs(EConfigKind kind) { return m_model["configs"][KindInfo(kind).key]; }
    Json::Value* findConfig(EConfigKind kind, const std::string& token);
    Json::Value* findProfile(const std::string& token);
    Json::Value& profiles() { return m_model["profiles"]; }

    // The profile named by the request's element, or the fault a device sends.
    Json::Value& requireProfile(pugi::xml_node input, const char* element = "ProfileToken");
    Json::Value& requireConfig(EConfigKind kind, const std::string& token);
    Json::Value* profileConfig(const Json::Value& profile, EConfigKind kind);
    int useCount(EConfigKind kind, const std::string& token) const;
    // Whether a configuration may join a profile: encoders and analytics follow the
    // channel of the profile's video source.
    bool compatible(const Json::Value& profile, EConfigKind kind, const Json::Value& config);
    Json::Value& createProfile(const std::string& name, const std::string& token);
    void deleteProfile(const std::string& token);

    // Media2 names of encodings, and back.
    std::string media2Name(const std::string& encoding) const;
    std::string fromMedia2Name(const std::string& name) const;

private:
    CDeviceState& m_device;
    Json::Value& m_model;
};

} // namespace OnvifSim
