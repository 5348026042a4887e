#pragma once
// The process-wide memory of what the library has learnt about each logged-in device.
//
// Components ask the centre instead of the device: a getter answers from its cache slot
// when the slot is still valid and otherwise calls the function script that fetches the
// value (the script stores what it fetched through one of the store operations below).
// The centre also builds the device service address from the login and rewrites service
// addresses and media URIs when the device sits behind a port mapping (media port set).
//
// Locking: the registry mutex (process-wide) guards the record map, the slot mutex guards
// slot contents. The two are never held together and neither is held while a script talks
// to the device, so scripts may call back into the centre freely.
#include <json/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "Infra/Thread.h"

namespace RPC {
namespace Onvif {

// The cache slots of one device record; the numbers are part of the callers' vocabulary
// (setCacheValid takes them), so they never change.
enum OnvifInfoSlot : uint32_t {
    INFO_SLOT_DEVICE_INFO          = 0,   // "Manufacturer", "Model", ...
    INFO_SLOT_SERVICES             = 1,   // {"Service": {name: {"XAddr": url}}}
    INFO_SLOT_PROFILES             = 2,   // grouped profiles, "Local" only
    INFO_SLOT_VIDEO_ENCODER_OPTIONS = 3,  // keyed by video encoder configuration token
    INFO_SLOT_VIDEO_ENCODER_CFG    = 4,   // keyed, with TimeLast
    INFO_SLOT_AUDIO_ENCODER_CFG    = 5,   // keyed, with TimeLast
    INFO_SLOT_UNUSED_6             = 6,
    INFO_SLOT_IMAGING_OPTIONS      = 7,   // keyed by video source token
    INFO_SLOT_IMAGING_SETTINGS     = 8,   // keyed by video source token
    INFO_SLOT_ANALYTICS_MODULES    = 9,   // keyed by analytics configuration token, with TimeLast
    INFO_SLOT_OSD_OPTIONS          = 10,  // keyed by video source configuration token
    INFO_SLOT_UNUSED_11            = 11,
    INFO_SLOT_MASK_OPTIONS         = 12,  // keyed by video source configuration token
    INFO_SLOT_MARKET_AREA_SCOPE    = 13,
    INFO_SLOT_DEVICEIO_CAPS        = 14,
    INFO_SLOT_MEDIA_CAPS           = 15,
    INFO_SLOT_AUDIO_ENCODER_OPTIONS = 16, // keyed by audio encoder configuration token
    INFO_SLOT_PTZ_NODE             = 17,  // keyed by node token, with TimeLast
    INFO_SLOT_PRESETS              = 18,  // keyed by profile token
    INFO_SLOT_TOURS                = 19,  // keyed by profile token
    INFO_SLOT_DIGITAL_INPUTS       = 20,
    INFO_SLOT_ZONE_DST             = 21,
    INFO_SLOT_COUNT                = 22,  // also "every slot" for setCacheValid
};

struct DeviceInfoRecord;
struct CacheSlot;
struct WholeSlotGetterRow;
struct KeyedGetterRow;

class COnvifInfoCenter : private Zentar::Infra::CThread {
public:
    using ServerInfo = Zentar::Component::ServerInfo;
    // Millisecond clock used to stamp and age entries (monotonic in production).
    using ClockFn = uint64_t (*)();

    // Created on first use (thread-safe), never destroyed while the library is loaded.
    static COnvifInfoCenter* instance();

    // ---- Addresses (pure: they depend on the login record only) -------------------
    // "http(s)://host[:port]/onvif/device_service"; IPv6 hosts in brackets, the port only
    // when it differs from the scheme's default.
    static bool makeDeviceServiceAddr(const ServerInfo& info, std::string& url);
    // Points every "Service".<name>."XAddr" at the login's host and port. Always true.
    static bool handleMapCapAddress(const ServerInfo& info, Json::Value& services);
    // Replaces the authority of a media URI by the login host and the login port
    // (useLoginPort) or the media port. False (newUrl = url) when the URI has no "//".
    static bool handleMapSteamURL(const ServerInfo& info, const std::string& url, std::string& newUrl,
                                  bool useLoginPort);
    // Subscription addresses: mapped with the login port when a media port is set,
    // else copied. Always true.
    static bool mapServiceUrl(const ServerInfo& info, const std::string& url, std::string& newUrl);
    // The record key of a login: "<address>-<port>-<mediaPort>-<https>-<key5>".
    static std::string makeRecordKey(const ServerInfo& info);

    // ---- Service addresses (slot 1) ------------------------------------------------
    // Fills slot 1 from the device when needed (clock offset, GetServices, GetCapabilities).
    // With "ServiceAddrType" (not "All") and local: sets request["XAddr"] to that service's
    // address. Otherwise replaces the record with the whole side {"Service": {...}}.
    // Last error 0x10030012/0x10030013 (unreachable), 0x10030015 (UNAUTH), 0x1003001b.
    bool getDeviceCapsInfo(const ServerInfo& info, Json::Value& request, bool local);
    // Keeps the first address learnt per service name; maps addresses first when local
    // and a media port is set.
    bool setCapsInfo(const ServerInfo& info, const Json::Value& services, bool local);

    // ---- Whole-slot getters: answer from the cache, fill through the script on a miss ----
    bool getDeviceInfo(const ServerInfo& info, Json::Value& result, bool local);        // slot 0
    bool getMediaCaps(const ServerInfo& info, Json::Value& result, bool local);         // slot 15
    bool getDeviceIOCaps(const ServerInfo& info, Json::Value& result, bool local);      // slot 14
    bool getMarketAreaScope(const ServerInfo& info, Json::Value& result, bool local);   // slot 13
    bool getDigitalInputsInfo(const ServerInfo& info, Json::Value& result, bool local); // slot 20

    // ---- Keyed getters: the key comes from the request or from the profile that
    //      getProfile finds for the same request ("RemoteChannel"/"StreamType"/...).
    //      On success the request record is replaced by the cached entry.
    bool getVideoEncodeCapsInfo(const ServerInfo& info, Json::Value& request, bool local); // slot 3
    bool getVideoEncodeCfgInfo(const ServerInfo& info, Json::Value& request, bool local);  // slot 4
    bool getAudioEncodeCfgInfo(const ServerInfo& info, Json::Value& request, bool local);  // slot 5
    bool getAudioEncodeCapsInfo(const ServerInfo& info, Json::Value& request, bool local); // slot 16
    bool getImagingOptions(const ServerInfo& info, Json::Value& request, bool local);      // slot 7
    bool getOSDOptions(const ServerInfo& info, Json::Value& request, bool local);          // slot 10
    bool getAnalyticsModules(const ServerInfo& info, Json::Value& request, bool local);    // slot 9
    bool getPTZNode(const ServerInfo& info, Json::Value& request, bool local);             // slot 17
    // Masks keep request and result apart: the filler writes into result.
    bool getMaskOptions(const ServerInfo& info, const Json::Value& request, Json::Value& result,
                        bool local); // slot 12

    // ---- Stores called by the scripts with the record they fetched -----------------
    // Whole-slot stores: the record becomes the side; valid := 1, fill time := now.
    bool setDeviceInfo(const ServerInfo& info, const Json::Value& record, bool local);        // slot 0
    bool setProfiles(const ServerInfo& info, const Json::Value& groups, bool local);          // slot 2, always "Local"
    bool setMarketAreaScope(const ServerInfo& info, const Json::Value& record, bool local);   // slot 13
    bool setDeviceIOCaps(const ServerInfo& info, const Json::Value& record, bool local);      // slot 14
    bool setMediaCaps(const ServerInfo& info, const Json::Value& record, bool local);         // slot 15
    bool setDigitalInputsInfo(const ServerInfo& info, const Json::Value& record, bool local); // slot 20
    // Keyed stores: side[token] := record, the token read from the record itself.
    // Slot 3: "VideoConfigurationToken", or the encoder token of the profile named by "ProfileToken".
    bool setVideoEncodeCapsInfo(const ServerInfo& info, const Json::Value& options, bool local);
    // Slot 4: "VideoConfigurationToken"; leaves valid at 0 so every read asks the device.
    bool setVideoEncodeCfgInfo(const ServerInfo& info, const Json::Value& cfg, bool local);
    // Slot 5: "AudioConfigurationToken", with TimeLast.
    bool setAudioEncodeCfgInfo(const ServerInfo& info, const Json::Value& cfg, bool local);
    // Slot 16: "AudioConfigurationToken", or the audio encoder token of the profile named by
    // "ProfileToken" (false with "audio encoder does not exist" when it has none).
    bool setAudioEncodeCapsInfo(const ServerInfo& info, const Json::Value& options, bool local);
    bool setImagingOptionsInfo(const ServerInfo& info, const Json::Value& options, bool local);  // slot 7, "VideoSourceToken"
    bool setImagingSettingsInfo(const ServerInfo& info, const Json::Value& settings, bool local); // slot 8, "VideoSourceToken"
    bool setAnalyticsModulesInfo(const ServerInfo& info, const Json::Value& modules, bool local); // slot 9, "ConfigurationToken", TimeLast
    bool setOSDOptionsInfo(const ServerInfo& info, const Json::Value& options, bool local);      // slot 10, "ConfigurationToken"
    bool setMaskOptionsInfo(const ServerInfo& info, const Json::Value& options, bool local);     // slot 12, "ConfigurationToken"
    bool setPTZNode(const ServerInfo& info, const Json::Value& node, bool local);                // slot 17, "NodeToken", TimeLast

    // ---- Preset and tour tables, keyed by the record's "ProfileToken" (no validity test) ----
    bool storePresets(const ServerInfo& info, const Json::Value& record, bool local); // slot 18
    bool loadPresets(const ServerInfo& info, Json::Value& record, bool local);        // null when none stored
    bool storeTours(const ServerInfo& info, const Json::Value& record, bool local);   // slot 19
    bool loadTours(const ServerInfo& info, Json::Value& record, bool local);

    // ---- Time zone and daylight-saving configuration (slot 21) ----------------------
    bool setZoneAndDSTCfg(const ServerInfo& info, const Json::Value& config, bool local);
    bool getZoneAndDSTCfg(const ServerInfo& info, Json::Value& config, bool local); // false when empty

    // ---- Validity -------------------------------------------------------------------
    // slot 0..21, or INFO_SLOT_COUNT for all; flag 0 also clears the data. Always true.
    bool setCacheValid(const ServerInfo& info, uint32_t slot, uint32_t flag);
    // The two validity tests on a login's slot (false for an unknown slot).
    bool isSlotValid(const ServerInfo& info, uint32_t slot, bool local);
    bool isKeyValid(const ServerInfo& info, uint32_t slot, const std::string& key, bool local);

    // ---- Profiles (slot 2) ---------------------------------------------------------
    // "RemoteChannel"+"StreamType": that profile; "ProfileToken": the profile with that
    // token; neither: "Profiles" = all channels; "RemoteChannel" alone: that channel's array.
    bool getProfile(const ServerInfo& info, Json::Value& request);
    // Profiles of a channel; 0 when the channel is unknown or profiles cannot be read.
    int getProfileCount(const ServerInfo& info, int channel);
    // Makes sure the profile has a configuration of the named kind (only
    // "VideoAnalyticsConfiguration" is ever added).
    bool fillProfile(const ServerInfo& info, int channel, int streamType, const std::string& configName);

    // ---- Derived URIs and media requests: url is "" and the result false on failure ----
    bool getSnapUrl(std::string& url, const ServerInfo& info, int channel);
    bool getStreamUrl(std::string& url, const ServerInfo& info, int channel, int streamType,
                      const Json::Value& setup);
    bool getReplayUrl(std::string& url, const ServerInfo& info, const Json::Value& request);
    bool setSynchronizationPoint(const ServerInfo& info, int channel, int streamType);
    bool startMulticastStream(const ServerInfo& info, int channel, int streamType);
    bool stopMulticastStream(const ServerInfo& info, int channel, int streamType);

    // ---- Media selection and device facts ------------------------------------------
    // Option "MediaType" 2: true, 1: false; otherwise whether the device has a Media2 address.
    bool isMedia2Supported(const ServerInfo& info);
    // "Manufacturer" or "Model" of the cached device information; "" (false) otherwise.
    bool getDeviceInfoField(std::string& text, const ServerInfo& info, const std::string& name);

    // Replaces the clock (null restores the monotonic one). For tests that age entries.
    static void setClock(ClockFn clock);

private:
    COnvifInfoCenter();
    ~COnvifInfoCenter() override;

    // The record of a login, created on first use; null only when allocation fails.
    DeviceInfoRecord* getInfoAddr(const ServerInfo& info);
    static uint64_t now();
    // Runs fn on one slot of the login's record under the slot mutex (never the registry
    // mutex at the same time). False for an unknown slot or when there is no record.
    using SlotFn = std::function<void(CacheSlot& slot, uint64_t now)>;
    bool withSlot(const ServerInfo& info, uint32_t slot, const SlotFn& fn);

    // The two getter patterns, driven by their tables.
    bool getWholeSlot(const ServerInfo& info, const WholeSlotGetterRow& row, Json::Value& result, bool local);
    bool getKeyed(const ServerInfo& info, const KeyedGetterRow& row, const Json::Value& request, Json::Value& out,
                  bool local);
    bool storeWhole(const ServerInfo& info, uint32_t slot, const Json::Value& record, bool local);
    bool storeKeyed(const ServerInfo& info, uint32_t slot, const std::string& key, const Json::Value& record,
                    bool local, bool withTimeLast, uint32_t validAfter = 1);
    // Keyed store by the slot's table row: key given, or read from the record's token member.
    bool storeByRow(const ServerInfo& info, uint32_t slot, const std::string& key, const Json::Value& record,
                    bool local);
    bool storeByToken(const ServerInfo& info, uint32_t slot, const Json::Value& record, bool local);
    // Preset and tour tables: record := side[record["ProfileToken"]] (null when none).
    bool loadByProfile(const ServerInfo& info, uint32_t slot, Json::Value& record, bool local);
    // A profile's configuration token (profile[cfg][member]) for the profile that getProfile
    // selects with request; false when the profile cannot be found.
    bool profileToken(const ServerInfo& info, const Json::Value& request, const char* cfg, const char* member,
                      std::string& profileTokenOut, std::string& token);

    std::map<std::string, std::unique_ptr<DeviceInfoRecord>> m_records;
    Zentar::Infra::CMutex m_slotMutex;
};

} // namespace Onvif
} // namespace RPC
