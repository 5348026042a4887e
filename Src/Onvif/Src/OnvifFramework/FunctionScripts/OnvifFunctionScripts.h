#pragma once
// Composite operations ("function scripts"): what components call instead of single ONVIF
// operations. A script picks the service that answers (Media or Media2, with or without a
// fallback), finds the service address in the information centre, runs the operation on
// the login's service object through commonOpList, converts between the device's records
// and the host's records where the host needs another form, and stores what it learnt in
// the information centre.
//
// Every composite takes the login record, a request record (which it may change: the
// service address and time offset are written into it) and a result record, and returns
// true on success. The reply of a failed operation stays in the result, so a refused
// exchange reaches the caller as "errorInfo" = "UNAUTH".
#include <json/json.h>

#include <string>

#include "Component/ServerInfo.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"

namespace RPC {
namespace Onvif {

using Zentar::Component::ServerInfo;

// The one path from a script to a service operation: finds the address of addressType
// when the request has no "XAddr", picks the object of serviceName, stamps the time
// offset and runs command on it.
bool commonOpList(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* addressType,
                  const char* serviceName, const char* command);
// The same for an operation the service object does not offer by name: row `command` of
// `table`, run with the login of the service object of serviceName.
bool unlistedOpList(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* addressType,
                    const char* serviceName, const COnvifOperationTable& table, const char* command);

// Hand a value to the service objects of every service name of one login.
void setTimeDifferenceAll(const ServerInfo& info, int seconds);
void setTimeZoneAll(const ServerInfo& info, int zone);

// The host's image-size name of a resolution ("D1", "720P", "1080P", ...), "%dx%d" when
// no name fits, "" for a size that is not positive.
std::string WxH2ImageSizeStr(int width, int height, const std::string& manufacturer);

// The device clock: "SystemDateAndTime" of GetSystemDateAndTime (anonymous first).
bool getSystemDateAndTime(const ServerInfo& info, Json::Value& request, Json::Value& result);
// Reads the device clock at deviceXAddr (the cached "Device" address when empty) and
// gives the device's UTC minus the local clock in seconds; false when it cannot be read.
bool measureTimeDifference(const ServerInfo& info, const std::string& deviceXAddr, int& seconds);
// Seconds of the reply's "SystemDateAndTime"."UTCDateTime" minus nowUtc; false when the
// reply has no usable date.
bool timeDifferenceFromReply(const Json::Value& reply, long long nowUtc, int& seconds);

// The zone text sent with SetSystemDateAndTime for a zone of zoneSeconds east of UTC:
// "GMT+08:00", or in the POSIX sense (west positive) "UTC-08:00".
std::string makeTimeZoneText(int zoneSeconds, bool posix);

// Device service.
bool getServices(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getCapabilities(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getDeviceInformation(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getScopes(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool reboot(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setSystemDateAndTime(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Profiles.
// Groups the device's profiles into channels and streams and stores them (slot 2).
bool getProfiles(const ServerInfo& info, Json::Value& request, Json::Value& result);
// The device's profile list as it comes, ungrouped.
bool getProfilesList(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool createProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool addVideoSourceCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool addAudioSourceCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool addVideoEncoderCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool addAudioEncoderCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool addVideoAnalyticsCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Sources and configuration lists.
bool getVideoSourceCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getAudioSourceCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getCompatibleVideoEncoderCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getCompatibleAudioEncoderCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getCompatibleVideoAnalyticsCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getVideoSources(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getAudioSources(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getMediaServiceCaps(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Streams.
bool getStreamUri(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getSnapshotUri(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool startMulticastStreaming(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool stopMulticastStreaming(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setSynchronizationPoints(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Encoders (slots 3, 4, 5 and 16 of the information centre).
bool getVideoEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getVideoEncoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setVideoEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getAudioEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getAudioEncoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setAudioEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);
// The channel's decoder ("RemoteChannel"/"StreamType" pick the profile), Media2 first.
bool getAudioDecoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);

// OSDs ("OSD" records; Media2 first, Media after a failure). getOSDOptions keeps the
// options per "ConfigurationToken" (slot 10); getOSD answers one "OSD" from either service.
bool createOSD(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool deleteOSD(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setOSD(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getOSDs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getOSD(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getOSDOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);
// Privacy masks exist only in Media2 (slot 12, per "ConfigurationToken").
bool getMaskOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);
// The masks of "ConfigurationToken" ("Masks"[i] as GetMasks gives them), and the masks the
// device is to hold: listed ones with a "token" changed, without one created, the rest
// deleted (OnvifMaskScripts.cpp).
bool getMaskCover(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setMaskCover(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getVideoAnalyticsCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Analytics (OnvifAnalyticsScripts.cpp). Every request names the analytics configuration
// by "ConfigurationToken" or by the channel ("RemoteChannel": its main profile's).
// getAnalyticsModules reads "AnalyticsModule"[i] from the device and keeps them (slot 9);
// modifyAnalyticsModules sends "AnalyticsModule"[i] and drops the kept ones.
bool getAnalyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool modifyAnalyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result);
// The cell motion rules of "RuleType" ("CellMotionDetector") as the host's motion table:
// result "MotionDetect" {"Enable", "Row", "Col", "DetectVersion", "MotionDetectWindow"[i]
// {"Name", "Region", "Threshold", "Sensitive"}}, the device's "Rule"[i] and the
// "ConfigurationToken". Create and modify take that "MotionDetect" with the windows to
// write; deleteRules takes "RuleName"[i].
bool getMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool createMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool modifyMotionDetectRules(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool deleteRules(const ServerInfo& info, Json::Value& request, Json::Value& result);
// The cell motion engine's "Sensitivity" as "Sensitive" (0..100), read and written.
bool getMotionSensitive(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setMotionSensitive(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Device IO: the counts of inputs and outputs (slot 14), the digital inputs (slot 20) and
// the relay outputs ("RelayOutputs"[i] {"token", "mode", "delaytime", "idlestate"}).
bool getDeviceIOServiceCaps(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getDigitalInputs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getRelayOutputs(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setRelayOutputSettings(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setRelayOutputState(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Imaging (slots 7 and 8). getImagingOptions stores the device's ranges under the request's
// "VideoSourceToken". getImagingCfg and setImagingCfg take "VideoSourceToken", or
// "RemoteChannel" and "StreamType", and give "ImagingSettings" on the host's 0..100 scale.
bool getImagingOptions(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getImagingCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setImagingCfg(const ServerInfo& info, Json::Value& request, Json::Value& result);

// PTZ (slots 17, 18 and 19). getNode reads the node of the request's "NodeToken" and keeps
// it with the host's limits "PresetMax" and "TourMax". setPreset and setTour store the
// current position as host preset (tour) "Index" of channel "RemoteChannel" under "Name".
bool getNode(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setPreset(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setTour(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Network settings of the device service (OnvifNetworkScripts.cpp). Requests and results
// are the operations' own records (OnvifNetwork.h).
bool getNetworkInterfaces(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setNetworkInterfaces(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getNetworkDefaultGateway(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setNetworkDefaultGateway(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getDNS(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setDNS(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getNTP(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setNTP(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getHostname(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setHostname(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setHostnameFromDHCP(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getNetworkProtocols(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setNetworkProtocols(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool getZeroConfiguration(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setZeroConfiguration(const ServerInfo& info, Json::Value& request, Json::Value& result);

// The host's network tables (OnvifNetworkConversions.h gives their layout).
// "Network": interfaces, DNS and the IPv4 gateway in one table.
bool getConfigNetwork(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setConfigNetwork(const ServerInfo& info, Json::Value& request, Json::Value& result);
// "IPv6": the IPv6 part of every interface and the IPv6 gateway.
bool getConfigIPv6(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setConfigIPv6(const ServerInfo& info, Json::Value& request, Json::Value& result);
// "Web", "Https", "RTSP": {"HTTP": {"Enabled", "Port"}, ...}; set takes {"Name", "Enabled",
// "Port"} (one protocol) or {"NetworkProtocols": [...]}.
bool getConfigDevicePort(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setConfigDevicePort(const ServerInfo& info, Json::Value& request, Json::Value& result);
// Moves the interface that holds "IPAddressOld" to "IPAddress" / "SubnetMask" (optionally
// "DhcpEnable" and "DefaultGateway", which is only sent when it differs from the device's).
bool changeIPv4Address(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Device users (OnvifUserScripts.cpp): "User": [{"Username", "Password", "UserLevel"}];
// deleteUsers takes "Username": [names].
bool getUsers(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool createUsers(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool deleteUsers(const ServerInfo& info, Json::Value& request, Json::Value& result);
bool setUsers(const ServerInfo& info, Json::Value& request, Json::Value& result);

// Firmware: the device's upload address ("UploadUri", "UploadDelay", "ExpectedDownTime").
bool startFirmwareUpgrade(const ServerInfo& info, Json::Value& request, Json::Value& result);

} // namespace Onvif
} // namespace RPC
