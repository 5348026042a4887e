// Addresses the information centre builds and rewrites from the login record: the device
// service address, record keys, and the port-forwarding rewrites of service addresses and
// media URIs.
#include <gtest/gtest.h>

#include "OnvifFramework/InfoCenter/OnvifAddressMapping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"

using namespace RPC::Onvif;
using Zentar::Component::ServerInfo;

namespace {

ServerInfo login(const char* address, uint16_t port, uint16_t mediaPort = 0, bool https = false, int key5 = 0)
{
    ServerInfo info;
    info.address = address;
    info.port = port;
    info.mediaPort = mediaPort;
    info.https = https;
    info.key5 = key5;
    return info;
}

struct DeviceAddrCase {
    const char* address;
    uint16_t port;
    bool https;
    const char* expected;
};

TEST(InfoCenterAddress, DeviceServiceAddressFollowsSchemeDefaults)
{
    const DeviceAddrCase cases[] = {
        {"10.1.2.3", 80, false, "http://10.1.2.3/onvif/device_service"},
        {"10.1.2.3", 8000, false, "http://10.1.2.3:8000/onvif/device_service"},
        {"10.1.2.3", 443, true, "https://10.1.2.3/onvif/device_service"},
        {"10.1.2.3", 80, true, "https://10.1.2.3:80/onvif/device_service"},
        {"10.1.2.3", 443, false, "http://10.1.2.3:443/onvif/device_service"},
        {"10.1.2.3", 0, false, "http://10.1.2.3/onvif/device_service"},
        {"cam.example.net", 8080, false, "http://cam.example.net:8080/onvif/device_service"},
        {"fe80::1", 80, false, "http://[fe80::1]/onvif/device_service"},
        {"2001:db8::7", 8443, true, "https://[2001:db8::7]:8443/onvif/device_service"},
    };
    for (const DeviceAddrCase& c : cases) {
        std::string url;
        EXPECT_TRUE(COnvifInfoCenter::makeDeviceServiceAddr(login(c.address, c.port, 0, c.https), url));
        EXPECT_EQ(c.expected, url) << c.address << " port " << c.port << " https " << c.https;
    }
}

TEST(InfoCenterAddress, RecordKeyNamesAllFiveIdentityParts)
{
    EXPECT_EQ("10.1.2.3-80-554-0-0", COnvifInfoCenter::makeRecordKey(login("10.1.2.3", 80, 554)));
    EXPECT_EQ("10.1.2.3-443-0-1-7", COnvifInfoCenter::makeRecordKey(login("10.1.2.3", 443, 0, true, 7)));
    EXPECT_EQ("10.1.2.3-80-0-0--3", COnvifInfoCenter::makeRecordKey(login("10.1.2.3", 80, 0, false, -3)));

    // Credentials are not part of the identity; media port is.
    ServerInfo a = login("10.1.2.3", 80, 554);
    ServerInfo b = a;
    b.userName = "other";
    b.password = "secret";
    EXPECT_EQ(COnvifInfoCenter::makeRecordKey(a), COnvifInfoCenter::makeRecordKey(b));
    EXPECT_NE(COnvifInfoCenter::makeRecordKey(a), COnvifInfoCenter::makeRecordKey(login("10.1.2.3", 80, 555)));
}

struct StreamMapCase {
    const char* address;
    uint16_t port;
    uint16_t mediaPort;
    bool useLoginPort;
    const char* in;
    bool ok;
    const char* out;
};

TEST(InfoCenterAddress, MediaUriGetsLoginHostAndChosenPort)
{
    const StreamMapCase cases[] = {
        // The camera's private address and port give way; path and query stay.
        {"203.0.113.5", 8080, 554, false, "rtsp://192.168.1.64:554/Streaming/101?transport=tcp", true,
         "rtsp://203.0.113.5:554/Streaming/101?transport=tcp"},
        {"203.0.113.5", 8080, 554, true, "http://192.168.1.64/onvif/snapshot?ch=1", true,
         "http://203.0.113.5:8080/onvif/snapshot?ch=1"},
        // Explicit port even when it is the scheme default.
        {"203.0.113.5", 80, 554, true, "http://192.168.1.64:8000/snap.jpg", true, "http://203.0.113.5:80/snap.jpg"},
        // Credentials in the authority are part of what is replaced.
        {"203.0.113.5", 80, 10554, false, "rtsp://u:p@192.168.1.64/live", true, "rtsp://203.0.113.5:10554/live"},
        {"203.0.113.5", 80, 554, false, "rtsp://192.168.1.64", true, "rtsp://203.0.113.5:554"},
        {"2001:db8::7", 80, 554, false, "rtsp://[fd00::5]:554/live", true, "rtsp://[2001:db8::7]:554/live"},
        {"203.0.113.5", 80, 554, false, "not a url", false, "not a url"},
        {"203.0.113.5", 80, 554, false, "", false, ""},
    };
    for (const StreamMapCase& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(c.ok, COnvifInfoCenter::handleMapSteamURL(login(c.address, c.port, c.mediaPort), c.in, out,
                                                            c.useLoginPort))
            << c.in;
        EXPECT_EQ(c.out, out) << c.in;
    }
}

TEST(InfoCenterAddress, SubscriptionAddressMappedOnlyBehindAPortMapping)
{
    std::string out;
    const std::string in = "http://192.168.1.64:80/onvif/Subscription?Idx=3";
    EXPECT_TRUE(COnvifInfoCenter::mapServiceUrl(login("203.0.113.5", 8080, 0), in, out));
    EXPECT_EQ(in, out);
    EXPECT_TRUE(COnvifInfoCenter::mapServiceUrl(login("203.0.113.5", 8080, 554), in, out));
    EXPECT_EQ("http://203.0.113.5:8080/onvif/Subscription?Idx=3", out);
    // Unmappable text is passed through, still successfully.
    EXPECT_TRUE(COnvifInfoCenter::mapServiceUrl(login("203.0.113.5", 8080, 554), "urn:x", out));
    EXPECT_EQ("urn:x", out);
}

TEST(InfoCenterAddress, ServiceAddressesPointAtLoginAuthority)
{
    Json::Value services;
    services["Service"]["Device"]["XAddr"] = "http://192.168.1.64/onvif/device_service";
    services["Service"]["Media"]["XAddr"] = "http://192.168.1.64:80/onvif/Media?x=1";
    services["Service"]["Events"]["XAddr"] = "http://192.168.1.64:80";
    services["Service"]["Odd"]["XAddr"] = "no-scheme-here";
    services["Service"]["Empty"]["XAddr"] = "";
    services["Service"]["NotRecord"] = 5;
    services["Other"] = "kept";

    EXPECT_TRUE(COnvifInfoCenter::handleMapCapAddress(login("203.0.113.5", 8080, 554), services));
    EXPECT_EQ("http://203.0.113.5:8080/onvif/device_service", services["Service"]["Device"]["XAddr"].asString());
    EXPECT_EQ("http://203.0.113.5:8080/onvif/Media?x=1", services["Service"]["Media"]["XAddr"].asString());
    EXPECT_EQ("http://203.0.113.5:8080", services["Service"]["Events"]["XAddr"].asString());
    EXPECT_EQ("no-scheme-here", services["Service"]["Odd"]["XAddr"].asString());
    EXPECT_EQ("", services["Service"]["Empty"]["XAddr"].asString());
    EXPECT_EQ(5, services["Service"]["NotRecord"].asInt());
    EXPECT_EQ("kept", services["Other"].asString());

    // Default ports are left out; IPv6 gets brackets.
    Json::Value secure;
    secure["Service"]["PTZ"]["XAddr"] = "https://10.0.0.9:8443/onvif/ptz";
    COnvifInfoCenter::handleMapCapAddress(login("2001:db8::7", 443, 554, true), secure);
    EXPECT_EQ("https://[2001:db8::7]/onvif/ptz", secure["Service"]["PTZ"]["XAddr"].asString());
}

TEST(InfoCenterAddress, MalformedServiceRecordsAreLeftAlone)
{
    const char* inputs[] = {"null", "[1,2]", "\"text\"", "{\"Service\": [1]}", "{\"Service\": {\"A\": {\"XAddr\": 3}}}"};
    for (const char* text : inputs) {
        Json::Value v;
        ASSERT_TRUE(Json::Reader().parse(text, v)) << text;
        const Json::Value before = v;
        EXPECT_TRUE(COnvifInfoCenter::handleMapCapAddress(login("1.2.3.4", 80, 554), v)) << text;
        EXPECT_EQ(before, v) << text;
    }
}

TEST(InfoCenterAddress, AuthorityReplacementHelpers)
{
    EXPECT_EQ("[::1]", urlHost("::1"));
    EXPECT_EQ("[::1]", urlHost("[::1]"));
    EXPECT_EQ("host", urlHost("host"));
    std::string out;
    EXPECT_TRUE(replaceUrlAuthority("a://b/c//d", "X", out));
    EXPECT_EQ("a://X/c//d", out); // only the first authority
}

} // namespace
