#pragma once
// Operations of the Media (ver10) and Media2 (ver20) services, grouped by subject in
// separate files. Both services work on the one CMediaState of the device.
#include "Media/MediaModel.h"
#include "Services/ServiceHandler.h"

#include <vector>

namespace OnvifSim {

// ---- Writers (MediaWriters.cpp, Media2Writers.cpp). `element` is already named and placed;
// a writer adds the token attribute and the tt: content.
void WriteMedia1Config(CMediaState& media, EConfigKind kind, CXmlNode element, const Json::Value& config);
void WriteMedia2Config(CMediaState& media, EConfigKind kind, CXmlNode element, const Json::Value& config);
void WriteMedia1Profile(CMediaState& media, CXmlNode element, const Json::Value& profile);
void WriteMulticast(CXmlNode parent, const Json::Value& config);
// Media (ver10) has no H.265: such encoder configurations are invisible there.
bool VisibleInMedia1(EConfigKind kind, const Json::Value& config);

// ---- Input helpers (MediaEncoderOps.cpp)
// Reads a number child into out when present; a malformed one is refused as ConfigModify.
void ReadNumber(pugi::xml_node parent, const char* local, Json::Value& out, bool integer);
// Applies the check against the options; refuses with InvalidArgVal/ConfigModify.
void CheckVideoSettings(const Json::Value& config);
void CheckAudioSettings(const Json::Value& config);
// The configuration an options request is about: by ConfigurationToken, else the profile's,
// else the first one of the kind.
Json::Value& OptionsSubject(CCallContext& ctx, CMediaState& media, EConfigKind kind, bool media1);

// A profile with nothing to stream is refused (MediaStreamOps.cpp).
void CheckStreamable(CMediaState& media, const Json::Value& profile);

// ---- Media (ver10)
void AppendMedia1ConfigurationOperations(std::vector<COperation>& ops);   // MediaConfigOps.cpp
void GetProfiles(CCallContext& ctx);
void GetProfile(CCallContext& ctx);
void CreateProfile(CCallContext& ctx);
void DeleteProfile(CCallContext& ctx);
void GetVideoSources(CCallContext& ctx);
void GetAudioSources(CCallContext& ctx);
void SetVideoEncoderConfiguration(CCallContext& ctx);
void SetAudioEncoderConfiguration(CCallContext& ctx);
void GetVideoEncoderConfigurationOptions(CCallContext& ctx);
void GetAudioEncoderConfigurationOptions(CCallContext& ctx);
void GetGuaranteedNumberOfVideoEncoderInstances(CCallContext& ctx);
void GetStreamUri(CCallContext& ctx);
void GetSnapshotUri(CCallContext& ctx);
void StartMulticastStreaming(CCallContext& ctx);
void StopMulticastStreaming(CCallContext& ctx);
void SetSynchronizationPoint(CCallContext& ctx);
void WriteMediaCapabilities(CCallContext& ctx, CXmlNode parent);

// ---- Media2 (ver20)
void Media2GetProfiles(CCallContext& ctx);
void Media2CreateProfile(CCallContext& ctx);
void Media2DeleteProfile(CCallContext& ctx);
void Media2AddConfiguration(CCallContext& ctx);
void Media2RemoveConfiguration(CCallContext& ctx);
void Media2GetStreamUri(CCallContext& ctx);
void Media2GetSnapshotUri(CCallContext& ctx);
void Media2GetVideoSourceConfigurations(CCallContext& ctx);
void Media2GetAudioSourceConfigurations(CCallContext& ctx);
void Media2GetVideoEncoderConfigurations(CCallContext& ctx);
void Media2GetAudioEncoderConfigurations(CCallContext& ctx);
void Media2SetVideoEncoderConfiguration(CCallContext& ctx);
void Media2GetVideoEncoderConfigurationOptions(CCallContext& ctx);
void Media2GetAudioEncoderConfigurationOptions(CCallContext& ctx);
void WriteMedia2Capabilities(CCallContext& ctx, CXmlNode parent);

} // namespace OnvifSim
