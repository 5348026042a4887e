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
// A JSON number as XML text: integers without a fraction, others without trailing zeros.
std::string Number(const Json::Value& v);
// Media (ver10) has no H.265: such encoder configurations are invisible there.
bool VisibleInMedia1(EConfigKind kind, const Json::Value& config);

// ---- Input helpers (MediaEncoderOps.cpp)
// Reads a number child into out when present; a malformed one is refused as ConfigModify.
void ReadNumber(pugi::xml_node parent, const char* local, Json::Value& out, bool integer);
// The same for the text of an attribute; `local` names it in the fault.
void ReadNumberText(const std::string& text, const char* local, Json::Value& out, bool integer);
// Applies the check against the options; refuses with InvalidArgVal/ConfigModify.
void CheckVideoSettings(const Json::Value& config);
void CheckAudioSettings(const Json::Value& config);
// The configuration an options request is about: by ConfigurationToken, else the profile's,
// else the first one of the kind.
Json::Value& OptionsSubject(CCallContext& ctx, CMediaState& media, EConfigKind kind, bool media1);

// tr2 audio options: one Options element per encoding, in the device's Media2 names.
void WriteMedia2AudioOptions(CMediaState& media, CXmlNode out, const Json::Value& list);

// ---- OSDs and masks share their life cycle (MediaOverlayOps.cpp). A kind says where its
// items live, how a request carries one, and how one is read, checked and written.
struct COverlayKind {
    const char* what;             // "OSD", "mask": for messages
    const char* stateMember;      // member of the media state (MediaOverlays.h)
    const char* element;          // element of Create and Set: OSD, Mask
    std::vector<const char*> required;   // children a Create needs
    const char* tokenElement;     // the token in Delete, in the Create answer and as a list filter
    const char* listElement;      // OSDs, Masks
    const char* tokenPrefix;      // of device-made tokens
    const char* fullSubcode;      // env:Receiver / ter:Action / this when a configuration is full
    Json::Value (*fresh)(const Json::Value& state);   // a new item before the request is read
    void (*read)(pugi::xml_node in, Json::Value& item);   // changes what the element carries
    std::string (*problem)(const Json::Value& state, const Json::Value& item);
    std::string (*room)(const Json::Value& state, const Json::Value& item, const std::string& replacing);
    void (*write)(CXmlNode element, const Json::Value& item);
};
// The kind's state; env:Receiver / ter:ActionNotSupported on a device without the feature.
Json::Value& OverlayState(CMediaState& media, const COverlayKind& kind);
void ListOverlays(CCallContext& ctx, const COverlayKind& kind);   // by token, by ConfigurationToken, or all
void CreateOverlay(CCallContext& ctx, const COverlayKind& kind);
void SetOverlay(CCallContext& ctx, const COverlayKind& kind);
void DeleteOverlay(CCallContext& ctx, const COverlayKind& kind);
// The text of a required child, or env:Sender / ter:InvalidArgVal.
std::string RequiredText(pugi::xml_node in, const char* local);

// tt:Color as [X, Y, Z] and back (RGB), and the colours overlays may take.
Json::Value ReadColor(pugi::xml_node color);
void WriteColor(CXmlNode color, const Json::Value& xyz);
void WriteColorChoices(CXmlNode colorOptions);

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

// ---- Both services, one list or rule (MediaSourceOps.cpp, MediaOsdOps.cpp)
void SetVideoSourceConfiguration(CCallContext& ctx);
void GetAudioSourceConfigurationOptions(CCallContext& ctx);
void GetAudioDecoderConfigurations(CCallContext& ctx);
void GetOSDs(CCallContext& ctx);
void GetOSD(CCallContext& ctx);
void GetOSDOptions(CCallContext& ctx);
void CreateOSD(CCallContext& ctx);
void SetOSD(CCallContext& ctx);
void DeleteOSD(CCallContext& ctx);
void GetAudioDecoderConfigurationOptions(CCallContext& ctx);
// Audio encoder Set; Media2 names encodings its own way.
void SetAudioEncoder(CCallContext& ctx, bool media2);

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
void Media2SetAudioEncoderConfiguration(CCallContext& ctx);
void Media2GetAnalyticsConfigurations(CCallContext& ctx);
void Media2GetAudioDecoderConfigurationOptions(CCallContext& ctx);
void Media2GetMasks(CCallContext& ctx);
void Media2GetMaskOptions(CCallContext& ctx);
void Media2CreateMask(CCallContext& ctx);
void Media2SetMask(CCallContext& ctx);
void Media2DeleteMask(CCallContext& ctx);
void WriteMedia2Capabilities(CCallContext& ctx, CXmlNode parent);

} // namespace OnvifSim
