// Action names each service answers, so a file such as media.GetProfilesNight.xml is read
// as a variant of GetProfiles while media.GetProfiles.xml stays an action of its own next
// to media.GetProfile.xml. Names outside these lists are still served; they only cannot
// take variants unless their plain file is in the folder too.
#include "Replay/KnownActions.h"

#include <algorithm>
#include <map>
#include <vector>

namespace OnvifSim {
namespace {

using CActionTable = std::map<std::string, std::vector<std::string>>;

const CActionTable& Table()
{
    static const CActionTable table = {
        {"device",
         {"AddIPAddressFilter", "AddScopes", "CreateCertificate", "CreateDot1XConfiguration",
          "CreateStorageConfiguration", "CreateUsers", "DeleteCertificates", "DeleteDot1XConfiguration",
          "DeleteGeoLocation", "DeleteStorageConfiguration", "DeleteUserRole", "DeleteUsers",
          "GetAccessPolicy", "GetAuthFailureWarningConfiguration", "GetAuthFailureWarningOptions",
          "GetCACertificates", "GetCapabilities", "GetCertificateInformation", "GetCertificates",
          "GetCertificatesStatus", "GetClientCertificateMode", "GetDNS", "GetDPAddresses",
          "GetDeviceInformation", "GetDiscoveryMode", "GetDot11Capabilities", "GetDot11Status",
          "GetDot1XConfiguration", "GetDot1XConfigurations", "GetDynamicDNS", "GetEndpointReference",
          "GetGeoLocation", "GetHostname", "GetIPAddressFilter", "GetNTP", "GetNetworkDefaultGateway",
          "GetNetworkInterfaces", "GetNetworkProtocols", "GetPasswordComplexityConfiguration",
          "GetPasswordComplexityOptions", "GetPasswordHistoryConfiguration", "GetPkcs10Request",
          "GetRelayOutputs", "GetRemoteDiscoveryMode", "GetRemoteUser", "GetScopes",
          "GetServiceCapabilities", "GetServices", "GetStorageConfiguration", "GetStorageConfigurations",
          "GetSystemBackup", "GetSystemDateAndTime", "GetSystemLog", "GetSystemSupportInformation",
          "GetSystemUris", "GetUserRoles", "GetUsers", "GetWsdlUrl", "GetZeroConfiguration",
          "LoadCACertificates", "LoadCertificateWithPrivateKey", "LoadCertificates", "RemoveIPAddressFilter",
          "RemoveScopes", "RestoreSystem", "ScanAvailableDot11Networks", "SendAuxiliaryCommand",
          "SetAccessPolicy", "SetAuthFailureWarningConfiguration", "SetCertificatesStatus",
          "SetClientCertificateMode", "SetDNS", "SetDPAddresses", "SetDiscoveryMode",
          "SetDot1XConfiguration", "SetDynamicDNS", "SetGeoLocation", "SetHashingAlgorithm", "SetHostname",
          "SetHostnameFromDHCP", "SetIPAddressFilter", "SetNTP", "SetNetworkDefaultGateway",
          "SetNetworkInterfaces", "SetNetworkProtocols", "SetPasswordComplexityConfiguration",
          "SetPasswordHistoryConfiguration", "SetRelayOutputSettings", "SetRelayOutputState",
          "SetRemoteDiscoveryMode", "SetRemoteUser", "SetScopes", "SetStorageConfiguration",
          "SetSystemDateAndTime", "SetSystemFactoryDefault", "SetUser", "SetUserRole",
          "SetZeroConfiguration", "StartFirmwareUpgrade", "StartSystemRestore", "SystemReboot",
          "UpgradeFirmware", "UpgradeSystemFirmware"}},
        {"media",
         {"AddAudioDecoderConfiguration", "AddAudioEncoderConfiguration", "AddAudioOutputConfiguration",
          "AddAudioSourceConfiguration", "AddMetadataConfiguration", "AddPTZConfiguration",
          "AddVideoAnalyticsConfiguration", "AddVideoEncoderConfiguration", "AddVideoSourceConfiguration",
          "CreateOSD", "CreateProfile", "DeleteOSD", "DeleteProfile", "GetAudioDecoderConfiguration",
          "GetAudioDecoderConfigurationOptions", "GetAudioDecoderConfigurations",
          "GetAudioEncoderConfiguration", "GetAudioEncoderConfigurationOptions",
          "GetAudioEncoderConfigurations", "GetAudioOutputConfiguration",
          "GetAudioOutputConfigurationOptions", "GetAudioOutputConfigurations", "GetAudioOutputs",
          "GetAudioSourceConfiguration", "GetAudioSourceConfigurationOptions",
          "GetAudioSourceConfigurations", "GetAudioSources", "GetCompatibleAudioDecoderConfigurations",
          "GetCompatibleAudioEncoderConfigurations", "GetCompatibleAudioOutputConfigurations",
          "GetCompatibleAudioSourceConfigurations", "GetCompatibleMetadataConfigurations",
          "GetCompatibleVideoAnalyticsConfigurations", "GetCompatibleVideoEncoderConfigurations",
          "GetCompatibleVideoSourceConfigurations", "GetGuaranteedNumberOfVideoEncoderInstances",
          "GetMetadataConfiguration", "GetMetadataConfigurationOptions", "GetMetadataConfigurations",
          "GetOSD", "GetOSDOptions", "GetOSDs", "GetProfile", "GetProfiles", "GetServiceCapabilities",
          "GetSnapshotUri", "GetStreamUri", "GetVideoAnalyticsConfiguration",
          "GetVideoAnalyticsConfigurations", "GetVideoEncoderConfiguration",
          "GetVideoEncoderConfigurationOptions", "GetVideoEncoderConfigurations",
          "GetVideoSourceConfiguration", "GetVideoSourceConfigurationOptions",
          "GetVideoSourceConfigurations", "GetVideoSourceModes", "GetVideoSources",
          "RemoveAudioDecoderConfiguration", "RemoveAudioEncoderConfiguration",
          "RemoveAudioOutputConfiguration", "RemoveAudioSourceConfiguration", "RemoveMetadataConfiguration",
          "RemovePTZConfiguration", "RemoveVideoAnalyticsConfiguration", "RemoveVideoEncoderConfiguration",
          "RemoveVideoSourceConfiguration", "SetAudioDecoderConfiguration", "SetAudioEncoderConfiguration",
          "SetAudioOutputConfiguration", "SetAudioSourceConfiguration", "SetMetadataConfiguration", "SetOSD",
          "SetSynchronizationPoint", "SetVideoAnalyticsConfiguration", "SetVideoEncoderConfiguration",
          "SetVideoSourceConfiguration", "SetVideoSourceMode", "StartMulticastStreaming",
          "StopMulticastStreaming"}},
        {"media2",
         {"AddAudioClip", "AddConfiguration", "AddTTSAudioClip", "CreateMask", "CreateOSD", "CreateProfile",
          "DeleteAudioClip", "DeleteMask", "DeleteOSD", "DeleteProfile", "GetAnalyticsConfigurations",
          "GetAudioClips", "GetAudioDecoderConfigurationOptions", "GetAudioDecoderConfigurations",
          "GetAudioEncoderConfigurationOptions", "GetAudioEncoderConfigurations",
          "GetAudioOutputConfigurationOptions", "GetAudioOutputConfigurations",
          "GetAudioSourceConfigurationOptions", "GetAudioSourceConfigurations", "GetMaskOptions", "GetMasks",
          "GetMetadataConfigurationOptions", "GetMetadataConfigurations",
          "GetMulticastAudioDecoderConfigurationOptions", "GetMulticastAudioDecoderConfigurations",
          "GetOSDOptions", "GetOSDs", "GetPlayingAudioClips", "GetProfiles", "GetServiceCapabilities",
          "GetSnapshotUri", "GetStreamUri", "GetVideoEncoderConfigurationOptions",
          "GetVideoEncoderConfigurations", "GetVideoEncoderInstances", "GetVideoSourceConfigurationOptions",
          "GetVideoSourceConfigurations", "GetVideoSourceModes", "GetWebRTCConfigurations", "PlayAudioClip",
          "RemoveConfiguration", "SetAudioClip", "SetAudioDecoderConfiguration",
          "SetAudioEncoderConfiguration", "SetAudioOutputConfiguration", "SetAudioSourceConfiguration",
          "SetEQPreset", "SetMask", "SetMetadataConfiguration", "SetMulticastAudioDecoderConfiguration",
          "SetOSD", "SetSynchronizationPoint", "SetVideoEncoderConfiguration", "SetVideoSourceConfiguration",
          "SetVideoSourceMode", "SetWebRTCConfigurations", "StartMulticastStreaming",
          "StopMulticastStreaming"}},
        {"ptz",
         {"AbsoluteMove", "ContinuousMove", "CreatePresetTour", "GeoMove", "GetCompatibleConfigurations",
          "GetConfiguration", "GetConfigurationOptions", "GetConfigurations", "GetNode", "GetNodes",
          "GetPresetTour", "GetPresetTourOptions", "GetPresetTours", "GetPresets", "GetServiceCapabilities",
          "GetStatus", "GotoHomePosition", "GotoPreset", "ModifyPresetTour", "MoveAndStartTracking",
          "OperatePresetTour", "RelativeMove", "RemovePreset", "RemovePresetTour", "SendAuxiliaryCommand",
          "SetConfiguration", "SetHomePosition", "SetPreset", "Stop"}},
        {"imaging",
         {"GetCurrentPreset", "GetImagingSettings", "GetMoveOptions", "GetOptions", "GetPresets",
          "GetServiceCapabilities", "GetStatus", "Move", "SetCurrentPreset", "SetImagingSettings", "Stop"}},
        {"events",
         {"AddEventBroker", "CreatePullPoint", "CreatePullPointSubscription", "DeleteEventBroker",
          "DestroyPullPoint", "GetCurrentMessage", "GetEventBrokers", "GetEventProperties", "GetMessages",
          "GetServiceCapabilities", "Notify", "PauseSubscription", "PullMessages", "Renew",
          "ResumeSubscription", "Seek", "SetSynchronizationPoint", "Subscribe", "Unsubscribe"}},
        {"deviceio",
         {"GetAudioOutputConfiguration", "GetAudioOutputConfigurationOptions", "GetAudioOutputs",
          "GetAudioSourceConfiguration", "GetAudioSourceConfigurationOptions", "GetAudioSources",
          "GetDigitalInputConfigurationOptions", "GetDigitalInputs", "GetRelayOutputOptions",
          "GetRelayOutputs", "GetSerialPortConfiguration", "GetSerialPortConfigurationOptions",
          "GetSerialPorts", "GetServiceCapabilities", "GetVideoOutputConfiguration",
          "GetVideoOutputConfigurationOptions", "GetVideoOutputs", "GetVideoSourceConfiguration",
          "GetVideoSourceConfigurationOptions", "GetVideoSources", "SendReceiveSerialCommand",
          "SetAudioOutputConfiguration", "SetAudioSourceConfiguration", "SetDigitalInputConfigurations",
          "SetRelayOutputSettings", "SetRelayOutputState", "SetSerialPortConfiguration",
          "SetVideoOutputConfiguration", "SetVideoSourceConfiguration"}},
        {"recording",
         {"CreateRecording", "CreateRecordingJob", "CreateTrack", "DeleteRecording", "DeleteRecordingJob",
          "DeleteTrack", "ExportRecordedData", "ExportRecordedSegments", "GetExportRecordedDataState",
          "GetRecordingConfiguration", "GetRecordingJobConfiguration", "GetRecordingJobState",
          "GetRecordingJobs", "GetRecordingOptions", "GetRecordings", "GetServiceCapabilities",
          "GetTrackConfiguration", "ListRecordedSegments", "OverrideSegmentDuration",
          "SetRecordingConfiguration", "SetRecordingJobConfiguration", "SetRecordingJobMode",
          "SetTrackConfiguration", "StopExportRecordedData", "StopExportRecordedSegments"}},
        {"search",
         {"EndSearch", "FindEvents", "FindMetadata", "FindPTZPosition", "FindRecordings",
          "GetEventSearchResults", "GetImageSearchResults", "GetMediaAttributes", "GetMetadataSearchResults",
          "GetNLSearchResults", "GetPTZPositionSearchResults", "GetRecordingInformation",
          "GetRecordingSearchResults", "GetRecordingSummary", "GetSearchState", "GetServiceCapabilities",
          "SearchImageByImage", "SearchImageByNL"}},
        {"replay",
         {"GetReplayConfiguration", "GetReplayUri", "GetServiceCapabilities", "SetReplayConfiguration"}},
        {"analytics",
         {"CreateAnalyticsModules", "CreateRules", "DeleteAnalyticsModules", "DeleteRules",
          "GetAnalyticsModuleOptions", "GetAnalyticsModules", "GetRuleOptions", "GetRules",
          "GetServiceCapabilities", "GetSupportedAnalyticsModules", "GetSupportedMetadata",
          "GetSupportedRules", "ModifyAnalyticsModules", "ModifyRules"}},
    };
    return table;
}

} // namespace

bool IsKnownAction(const std::string& service, const std::string& action)
{
    auto it = Table().find(service);
    return it != Table().end() && std::find(it->second.begin(), it->second.end(), action) != it->second.end();
}

std::string LongestKnownActionPrefix(const std::string& service, const std::string& name)
{
    std::string best;
    auto it = Table().find(service);
    if (it == Table().end())
        return best;
    for (const auto& action : it->second)
        if (action.size() < name.size() && name.compare(0, action.size(), action) == 0 && action.size() > best.size())
            best = action;
    return best;
}

} // namespace OnvifSim
