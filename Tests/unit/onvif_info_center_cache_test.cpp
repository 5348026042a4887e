// The centre's records as its callers see them: stores, loads, validity through the
// centre's clock, profile selection and service addresses already learnt. Every test uses
// its own login address so that the process-wide records never leak between tests.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Infra/LastError.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"

using namespace RPC::Onvif;
using Zentar::Component::ServerInfo;

namespace {

std::atomic<uint64_t> g_now{1000000};
uint64_t fakeClock() { return g_now.load(); }

struct InfoCenterCache : ::testing::Test {
    COnvifInfoCenter& centre = *COnvifInfoCenter::instance();
    ServerInfo info;

    void SetUp() override
    {
        static int counter = 0;
        ++counter;
        info.address = "198.51.100." + std::to_string(counter);
        info.port = 8080;
        g_now = 1000000;
        COnvifInfoCenter::setClock(&fakeClock);
    }
    void TearDown() override { COnvifInfoCenter::setClock(nullptr); }

    static Json::Value parse(const char* text)
    {
        Json::Value v;
        EXPECT_TRUE(Json::Reader().parse(text, v)) << text;
        return v;
    }
    // Two channels: source S0 with two streams, source S1 with one.
    void storeTwoChannels()
    {
        ASSERT_TRUE(centre.setProfiles(info, parse(R"([
            [{"token": "P0", "VideoSourceConfiguration": {"SourceToken": "S0", "token": "VSC0"},
              "VideoEncoderConfiguration": {"token": "V0"}, "AudioEncoderConfiguration": {"token": "A0"},
              "PTZConfiguration": {"NodeToken": "N0"}},
             {"token": "P1", "VideoSourceConfiguration": {"SourceToken": "S0", "token": "VSC0"},
              "VideoEncoderConfiguration": {"token": "V1"}}],
            [{"token": "P2", "VideoSourceConfiguration": {"SourceToken": "S1", "token": "VSC1"},
              "VideoEncoderConfiguration": {"token": "V2"}}]
        ])"), false));
    }
};

struct ProfileCase {
    const char* request;
    bool ok;
    const char* token; // expected "token" of the result, or "" when the result is not one profile
};

TEST_F(InfoCenterCache, ProfileSelectionRules)
{
    storeTwoChannels();
    const ProfileCase cases[] = {
        {R"({"RemoteChannel": 0, "StreamType": 1})", true, "P1"},
        {R"({"RemoteChannel": 1, "StreamType": 0})", true, "P2"},
        {R"({"RemoteChannel": 1, "StreamType": 2})", false, ""},
        {R"({"RemoteChannel": 1, "StreamType": 1})", false, ""},
        {R"({"RemoteChannel": 2, "StreamType": 0})", false, ""},
        {R"({"RemoteChannel": -1, "StreamType": 0})", false, ""},
        {R"({"RemoteChannel": "0", "StreamType": 0})", false, ""},
        {R"({"RemoteChannel": 0, "StreamType": 0, "ProfileToken": "P2"})", true, "P0"},
        {R"({"ProfileToken": "P2"})", true, "P2"},
        {R"({"ProfileToken": "nope"})", false, ""},
        {R"({"RemoteChannel": 5})", false, ""},
    };
    for (const ProfileCase& c : cases) {
        Json::Value request = parse(c.request);
        EXPECT_EQ(c.ok, centre.getProfile(info, request)) << c.request;
        if (c.ok) {
            EXPECT_EQ(c.token, request["token"].asString()) << c.request;
        }
    }
}

TEST_F(InfoCenterCache, ProfileSelectionByChannelOrAll)
{
    storeTwoChannels(); // stored with local = false: profiles exist only in the host's numbering
    EXPECT_TRUE(centre.isSlotValid(info, INFO_SLOT_PROFILES, true));
    EXPECT_FALSE(centre.isSlotValid(info, INFO_SLOT_PROFILES, false));
    Json::Value all(Json::objectValue);
    ASSERT_TRUE(centre.getProfile(info, all));
    ASSERT_TRUE(all["Profiles"].isArray());
    EXPECT_EQ(2u, all["Profiles"].size());
    EXPECT_EQ("P2", all["Profiles"][1][0]["token"].asString());

    Json::Value channel = parse(R"({"RemoteChannel": 0})");
    ASSERT_TRUE(centre.getProfile(info, channel));
    ASSERT_TRUE(channel.isArray());
    EXPECT_EQ(2u, channel.size());

    EXPECT_EQ(2, centre.getProfileCount(info, 0));
    EXPECT_EQ(1, centre.getProfileCount(info, 1));
    EXPECT_EQ(0, centre.getProfileCount(info, 2));
    EXPECT_EQ(0, centre.getProfileCount(info, -1));

    Json::Value notRecord(Json::arrayValue);
    EXPECT_FALSE(centre.getProfile(info, notRecord));
}

TEST_F(InfoCenterCache, FirstServiceAddressLearntWins)
{
    ASSERT_TRUE(centre.setCapsInfo(info, parse(R"({"Service": {
        "Device": {"XAddr": "http://10.0.0.5/onvif/device_service"},
        "Media":  {"XAddr": "http://10.0.0.5/onvif/media_from_services"},
        "":       {"XAddr": "http://10.0.0.5/nameless"},
        "PTZ":    {"XAddr": ""}}})"), true));
    ASSERT_TRUE(centre.setCapsInfo(info, parse(R"({"Service": {
        "Media": {"XAddr": "http://10.0.0.5/onvif/media_from_capabilities"},
        "PTZ":   {"XAddr": "http://10.0.0.5/onvif/ptz"}}})"), true));

    Json::Value all = parse(R"({"ServiceAddrType": "All"})");
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, all, true));
    EXPECT_EQ("http://10.0.0.5/onvif/media_from_services", all["Service"]["Media"]["XAddr"].asString());
    EXPECT_EQ("http://10.0.0.5/onvif/ptz", all["Service"]["PTZ"]["XAddr"].asString());
    EXPECT_FALSE(all["Service"].isMember(""));
    EXPECT_FALSE(all.isMember("ServiceAddrType"));

    Json::Value media = parse(R"({"ServiceAddrType": "Media", "Other": 1})");
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, media, true));
    EXPECT_EQ("http://10.0.0.5/onvif/media_from_services", media["XAddr"].asString());
    EXPECT_EQ(1, media["Other"].asInt());

    Zentar::Infra::setLastError(0);
    Json::Value missing = parse(R"({"ServiceAddrType": "Analytics"})");
    EXPECT_FALSE(centre.getDeviceCapsInfo(info, missing, true));
    EXPECT_EQ(ONVIF_ERR_BAD_ANSWER, Zentar::Infra::getLastError());
    EXPECT_FALSE(missing.isMember("XAddr"));
}

TEST_F(InfoCenterCache, ServiceAddressesStoredBehindPortMappingAreRewritten)
{
    info.mediaPort = 554;
    const char* reported = R"({"Service": {"Media": {"XAddr": "http://192.168.1.64:80/onvif/Media"}}})";
    ASSERT_TRUE(centre.setCapsInfo(info, parse(reported), true));
    ASSERT_TRUE(centre.setCapsInfo(info, parse(reported), false));

    Json::Value local = parse(R"({"ServiceAddrType": "Media"})");
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, local, true));
    EXPECT_EQ("http://" + info.address + ":8080/onvif/Media", local["XAddr"].asString());

    // The device's own view is kept as the device reported it.
    Json::Value remote(Json::objectValue);
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, remote, false));
    EXPECT_EQ("http://192.168.1.64:80/onvif/Media", remote["Service"]["Media"]["XAddr"].asString());
}

TEST_F(InfoCenterCache, KeyedEntryExpiresByItsOwnTimeLast)
{
    // Audio encoder configurations live 10 s per token.
    ASSERT_TRUE(centre.setAudioEncodeCfgInfo(info, parse(R"({"AudioConfigurationToken": "A0", "Audio": 1})"), true));
    g_now += 8000;
    ASSERT_TRUE(centre.setAudioEncodeCfgInfo(info, parse(R"({"AudioConfigurationToken": "A1", "Audio": 2})"), true));
    g_now += 1999;
    EXPECT_TRUE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, "A0", true));
    g_now += 1;
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, "A0", true));
    EXPECT_TRUE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, "A1", true));
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, "A1", false));
    g_now += 8000;
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, "A1", true));
}

using KeyedSetter = bool (*)(COnvifInfoCenter&, const ServerInfo&, const Json::Value&);

// One token per slot, valid one millisecond before its lifetime ends and not at it. The
// video encoder configuration is stored but never valid: the host must always see the one
// the device has now.
TEST_F(InfoCenterCache, KeyedEntryLifetimes)
{
    const struct {
        KeyedSetter store;
        const char* keyMember;
        uint32_t slot;
        uint64_t ttl;
    } cases[] = {
        {[](COnvifInfoCenter& ic, const ServerInfo& i, const Json::Value& r) {
             return ic.setImagingSettingsInfo(i, r, true);
         },
         "VideoSourceToken", INFO_SLOT_IMAGING_SETTINGS, 5000},
        {[](COnvifInfoCenter& ic, const ServerInfo& i, const Json::Value& r) {
             return ic.setVideoEncodeCfgInfo(i, r, true);
         },
         "VideoConfigurationToken", INFO_SLOT_VIDEO_ENCODER_CFG, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyMember);
        Json::Value record(Json::objectValue);
        record[c.keyMember] = "K";
        ASSERT_TRUE(c.store(centre, info, record));
        g_now += c.ttl > 0 ? c.ttl - 1 : 0;
        EXPECT_EQ(c.ttl > 0, centre.isKeyValid(info, c.slot, "K", true));
        g_now += 1;
        EXPECT_FALSE(centre.isKeyValid(info, c.slot, "K", true));
    }
}

TEST_F(InfoCenterCache, CachedKeyedEntriesAnswerWithoutTheDevice)
{
    storeTwoChannels();
    ASSERT_TRUE(centre.setAudioEncodeCfgInfo(info, parse(R"({"AudioConfigurationToken": "A0", "Rate": 8})"), true));
    ASSERT_TRUE(centre.setPTZNode(info, parse(R"({"NodeToken": "N0", "PresetMax": 255})"), false));

    Json::Value byToken = parse(R"({"AudioConfigurationToken": "A0"})");
    ASSERT_TRUE(centre.getAudioEncodeCfgInfo(info, byToken, true));
    EXPECT_EQ(8, byToken["Rate"].asInt());

    // The key comes from the profile when the request does not name it.
    Json::Value byChannel = parse(R"({"RemoteChannel": 0, "StreamType": 0})");
    ASSERT_TRUE(centre.getAudioEncodeCfgInfo(info, byChannel, true));
    EXPECT_EQ(8, byChannel["Rate"].asInt());

    // A profile without an audio encoder has nothing to look up.
    Json::Value noAudio = parse(R"({"RemoteChannel": 1, "StreamType": 0})");
    EXPECT_FALSE(centre.getAudioEncodeCfgInfo(info, noAudio, true));
    Json::Value noProfile = parse(R"({"RemoteChannel": 9, "StreamType": 0})");
    EXPECT_FALSE(centre.getAudioEncodeCfgInfo(info, noProfile, true));

    Json::Value node = parse(R"({"NodeToken": "N0"})");
    ASSERT_TRUE(centre.getPTZNode(info, node, false));
    EXPECT_EQ(255, node["PresetMax"].asInt());
    Json::Value noNode(Json::objectValue);
    EXPECT_FALSE(centre.getPTZNode(info, noNode, false));
}

TEST_F(InfoCenterCache, OptionStoresResolveTheTokenThroughTheProfile)
{
    storeTwoChannels();
    ASSERT_TRUE(centre.setVideoEncodeCapsInfo(info, parse(R"({"ProfileToken": "P1", "Options": 1})"), false));
    ASSERT_TRUE(centre.setAudioEncodeCapsInfo(info, parse(R"({"ProfileToken": "P0", "Options": 2})"), false));
    EXPECT_FALSE(centre.setAudioEncodeCapsInfo(info, parse(R"({"ProfileToken": "P2"})"), false)); // no audio
    EXPECT_FALSE(centre.setVideoEncodeCapsInfo(info, parse(R"({"Options": 3})"), false));          // no token at all

    // Encoder options have ttl 0: stored, but never valid, so readers always refresh them.
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_VIDEO_ENCODER_OPTIONS, "V1", false));
    ASSERT_TRUE(centre.setCacheValid(info, INFO_SLOT_VIDEO_ENCODER_OPTIONS, 1));
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_VIDEO_ENCODER_OPTIONS, "V1", false));
    EXPECT_FALSE(centre.isKeyValid(info, INFO_SLOT_AUDIO_ENCODER_OPTIONS, "A0", false));
}

TEST_F(InfoCenterCache, PresetAndTourTablesPerProfile)
{
    const Json::Value presets = parse(R"({"ProfileToken": "P0", "Preset": [{"Enable": true, "Index": 1}]})");
    ASSERT_TRUE(centre.storePresets(info, presets, true));
    ASSERT_TRUE(centre.storeTours(info, parse(R"({"ProfileToken": "P0", "Tour": []})"), true));

    Json::Value loaded = parse(R"({"ProfileToken": "P0"})");
    ASSERT_TRUE(centre.loadPresets(info, loaded, true));
    EXPECT_EQ(presets, loaded);

    Json::Value other = parse(R"({"ProfileToken": "P1"})");
    ASSERT_TRUE(centre.loadPresets(info, other, true));
    EXPECT_TRUE(other.isNull());
    Json::Value otherSide = parse(R"({"ProfileToken": "P0"})");
    ASSERT_TRUE(centre.loadPresets(info, otherSide, false));
    EXPECT_TRUE(otherSide.isNull());

    Json::Value tours = parse(R"({"ProfileToken": "P0"})");
    ASSERT_TRUE(centre.loadTours(info, tours, true));
    EXPECT_TRUE(tours["Tour"].isArray());

    Json::Value noKey(Json::objectValue);
    EXPECT_FALSE(centre.loadPresets(info, noKey, true));
    EXPECT_FALSE(centre.storePresets(info, parse("[1]"), true));
}

TEST_F(InfoCenterCache, ZoneConfigurationAndDeviceFacts)
{
    Json::Value zone;
    EXPECT_FALSE(centre.getZoneAndDSTCfg(info, zone, true));
    ASSERT_TRUE(centre.setZoneAndDSTCfg(info, parse(R"({"TimeZone": 12, "DSTEnable": 0})"), true));
    ASSERT_TRUE(centre.getZoneAndDSTCfg(info, zone, true));
    EXPECT_EQ(12, zone["TimeZone"].asInt());

    ASSERT_TRUE(centre.setDeviceInfo(info, parse(R"({"Manufacturer": "Acme", "Model": "", "Serial": "9"})"), true));
    std::string text = "stale";
    EXPECT_TRUE(centre.getDeviceInfoField(text, info, "Manufacturer"));
    EXPECT_EQ("Acme", text);
    EXPECT_FALSE(centre.getDeviceInfoField(text, info, "Model"));
    EXPECT_EQ("", text);
    EXPECT_FALSE(centre.getDeviceInfoField(text, info, "Serial"));
    EXPECT_EQ("", text);

    Json::Value device;
    ASSERT_TRUE(centre.getDeviceInfo(info, device, true));
    EXPECT_EQ("9", device["Serial"].asString());
}

TEST_F(InfoCenterCache, InvalidatingOneSlotOrEverySlot)
{
    storeTwoChannels();
    ASSERT_TRUE(centre.setDeviceInfo(info, parse(R"({"Manufacturer": "Acme"})"), true));
    ASSERT_TRUE(centre.setMediaCaps(info, parse(R"({"Caps": 1})"), true));
    EXPECT_TRUE(centre.setCacheValid(info, INFO_SLOT_MEDIA_CAPS, 0));
    EXPECT_FALSE(centre.isSlotValid(info, INFO_SLOT_MEDIA_CAPS, true));
    EXPECT_TRUE(centre.isSlotValid(info, INFO_SLOT_DEVICE_INFO, true)) << "one slot leaves the others";

    ASSERT_TRUE(centre.setCapsInfo(info, parse(R"({"Service": {"Media": {"XAddr": "http://a/b"}}})"), true));
    ASSERT_TRUE(centre.setZoneAndDSTCfg(info, parse(R"({"TimeZone": 1})"), true));
    ASSERT_TRUE(centre.storePresets(info, parse(R"({"ProfileToken": "P0", "Preset": []})"), true));
    ASSERT_TRUE(centre.setPTZNode(info, parse(R"({"NodeToken": "N0"})"), true));

    EXPECT_TRUE(centre.setCacheValid(info, INFO_SLOT_COUNT, 0)); // every slot, data and all
    for (uint32_t slot = 0; slot < INFO_SLOT_COUNT; ++slot) {
        EXPECT_FALSE(centre.isSlotValid(info, slot, true)) << slot;
        EXPECT_FALSE(centre.isSlotValid(info, slot, false)) << slot;
    }
    Json::Value zone;
    EXPECT_FALSE(centre.getZoneAndDSTCfg(info, zone, true));
    Json::Value presets = parse(R"({"ProfileToken": "P0"})");
    ASSERT_TRUE(centre.loadPresets(info, presets, true));
    EXPECT_TRUE(presets.isNull());

    // Setting valid again does not bring the data back.
    EXPECT_TRUE(centre.setCacheValid(info, INFO_SLOT_DEVICE_INFO, 1));
    EXPECT_FALSE(centre.isSlotValid(info, INFO_SLOT_DEVICE_INFO, true));
    // Out-of-range slots are refused quietly.
    EXPECT_TRUE(centre.setCacheValid(info, 99, 0));
    EXPECT_FALSE(centre.isSlotValid(info, 99, true));
}

TEST_F(InfoCenterCache, LoginsDifferingInMediaPortKeepSeparateRecords)
{
    ServerInfo mapped = info;
    mapped.mediaPort = 554;
    ASSERT_TRUE(centre.setDeviceInfo(info, parse(R"({"Manufacturer": "Direct"})"), true));
    EXPECT_FALSE(centre.isSlotValid(mapped, INFO_SLOT_DEVICE_INFO, true));

    // The same identity with other credentials shares the record.
    ServerInfo sameDevice = info;
    sameDevice.password = "changed";
    EXPECT_TRUE(centre.isSlotValid(sameDevice, INFO_SLOT_DEVICE_INFO, true));
}

TEST_F(InfoCenterCache, ConcurrentStoresAndReadsOfOneRecord)
{
    storeTwoChannels();
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                Json::Value cfg(Json::objectValue);
                cfg["AudioConfigurationToken"] = "A" + std::to_string(t);
                cfg["Round"] = i;
                if (!centre.setAudioEncodeCfgInfo(info, cfg, true))
                    ++failures;
                Json::Value read(Json::objectValue);
                read["AudioConfigurationToken"] = "A" + std::to_string(t);
                if (!centre.getAudioEncodeCfgInfo(info, read, true) || read["Round"].asInt() != i)
                    ++failures;
                Json::Value profile(Json::objectValue);
                profile["ProfileToken"] = "P1";
                if (!centre.getProfile(info, profile))
                    ++failures;
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(0, failures.load());
}

} // namespace
