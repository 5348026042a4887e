// Stream and snapshot addresses: each transport of each media service gives the address a
// real device would, on the host the device advertises, not the one the client dialled.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kTrt = "http://www.onvif.org/ver10/media/wsdl";
const char* kTr2 = "http://www.onvif.org/ver20/media/wsdl";

std::string StreamSetup(const std::string& stream, const std::string& protocol, const std::string& profile = "Main")
{
    return "<m:StreamSetup><t:Stream>" + stream + "</t:Stream><t:Transport><t:Protocol>" + protocol +
           "</t:Protocol></t:Transport></m:StreamSetup><m:ProfileToken>" + profile + "</m:ProfileToken>";
}

// A camera behind a mapped port with its own URI layout and RTSP port.
Json::Value MappedCamera(bool multicast)
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "none";
    d["services"]["media2"] = Json::nullValue;
    d["advertisedHost"] = "10.1.2.3:8080";
    d["media"]["streamUri"] = "rtsp://{host}:{port}/s?p={profile}&m={mode}&c={channel}";
    d["media"]["rtspPort"] = 8554;
    d["media"]["multicast"] = multicast;
    Json::Value main;
    main["token"] = "Main";
    main["videoEncoder"]["token"] = "VE";
    Json::Value empty;
    empty["token"] = "Empty";
    d["channels"][0]["profiles"].append(main);
    d["channels"][0]["profiles"].append(empty);
    return d;
}

struct CUriCase {
    const char* service;   // kTrt or kTr2
    std::string inner;
    const char* uri;       // empty: expect InvalidArgVal/InvalidStreamSetup
};

TEST(SimMediaStream, StreamUriFollowsTransportInBothServices)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, MappedCamera(true));
    ASSERT_TRUE(device);
    const char* unicast = "rtsp://10.1.2.3:8554/s?p=Main&m=unicast&c=1";
    const char* multicast = "rtsp://10.1.2.3:8554/s?p=Main&m=multicast&c=1";
    const char* tunnel = "http://10.1.2.3:8080/s?p=Main&m=unicast&c=1";
    auto v2 = [](const char* protocol) {
        return "<m:Protocol>" + std::string(protocol) + "</m:Protocol><m:ProfileToken>Main</m:ProfileToken>";
    };
    CUriCase cases[] = {
        {kTrt, StreamSetup("RTP-Unicast", "UDP"), unicast},
        {kTrt, StreamSetup("RTP-Unicast", "TCP"), unicast},
        {kTrt, StreamSetup("RTP-Unicast", "RTSP"), unicast},
        {kTrt, StreamSetup("RTP-Unicast", "HTTP"), tunnel},
        {kTrt, StreamSetup("RTP-Multicast", "UDP"), multicast},
        {kTrt, StreamSetup("RTP-Multicast", "HTTP"), ""},
        {kTrt, StreamSetup("RTP-Broadcast", "UDP"), ""},
        {kTrt, StreamSetup("RTP-Unicast", "SCTP"), ""},
        {kTr2, v2("RtspUnicast"), unicast},
        {kTr2, v2("RTSP"), unicast},
        {kTr2, v2("RtspMulticast"), multicast},
        {kTr2, v2("RtspOverHttp"), tunnel},
        {kTr2, v2("CarrierPigeon"), ""},
    };
    for (const auto& c : cases) {
        std::string where = std::string(c.service == kTrt ? "media " : "media2 ") + c.inner;
        CReply reply = Post(device->serviceUrl(c.service == kTrt ? "media" : "media2"),
                            Call(c.service, "GetStreamUri", c.inner));
        if (*c.uri == '\0') {
            EXPECT_EQ(FaultSubcodes(reply.body), (std::vector<std::string>{"InvalidArgVal", "InvalidStreamSetup"}))
                << where;
            continue;
        }
        ASSERT_EQ(reply.status, 200) << where << reply.body;
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(reply.body, doc)) << where;
        EXPECT_EQ(Text(doc, "Uri"), c.uri) << where;
        // Well-formed XML carries the query's '&' escaped.
        EXPECT_NE(reply.body.find("&amp;m="), std::string::npos) << where;
        EXPECT_EQ(Text(doc, "Timeout"), c.service == kTrt ? "PT60S" : "") << where;
    }
}

TEST(SimMediaStream, DefaultsMulticastRefusalSnapshotAndIncompleteProfiles)
{
    OnvifSim::CSimServer server;
    Json::Value plain = BaseDescription();
    plain["auth"]["mode"] = "none";
    auto device = StartDevice(server, plain);
    auto mapped = StartDevice(server, MappedCamera(false));
    ASSERT_TRUE(device && mapped);

    // No description members: the device's own RTSP server on the host the client dialled.
    CReply uri = Post(device->serviceUrl("media"),
                      Call(kTrt, "GetStreamUri", StreamSetup("RTP-Unicast", "RTSP", "Profile_1")));
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(uri.body, doc));
    EXPECT_EQ(Text(doc, "Uri"), "rtsp://127.0.0.1:" + std::to_string(device->rtspPort()) + "/stream?profile=Profile_1");

    CReply refused = Post(mapped->serviceUrl("media"), Call(kTrt, "GetStreamUri", StreamSetup("RTP-Multicast", "UDP")));
    EXPECT_EQ(FaultSubcodes(refused.body), (std::vector<std::string>{"InvalidArgVal", "InvalidStreamSetup"}));
    CReply start = Post(mapped->serviceUrl("media"), Call(kTrt, "StartMulticastStreaming",
                                                          "<m:ProfileToken>Main</m:ProfileToken>"));
    EXPECT_EQ(FaultSubcodes(start.body), (std::vector<std::string>{"ActionNotSupported"}));

    for (const char* ns : {kTrt, kTr2}) {
        CReply snap = Post(mapped->serviceUrl(ns == kTrt ? "media" : "media2"),
                           Call(ns, "GetSnapshotUri", "<m:ProfileToken>Main</m:ProfileToken>"));
        pugi::xml_document s;
        ASSERT_TRUE(ParseXml(snap.body, s));
        EXPECT_EQ(Text(s, "Uri"), "http://10.1.2.3:8080/onvif/snapshot?token=Main") << ns;
        // A profile with no encoder has nothing to stream.
        CReply empty = Post(mapped->serviceUrl(ns == kTrt ? "media" : "media2"),
                            Call(ns, "GetStreamUri", ns == kTrt ? StreamSetup("RTP-Unicast", "UDP", "Empty")
                                                                : "<m:Protocol>RTSP</m:Protocol><m:ProfileToken>Empty</m:ProfileToken>"));
        EXPECT_EQ(FaultCode(empty.body), "Receiver") << ns;
        EXPECT_EQ(FaultSubcodes(empty.body), (std::vector<std::string>{"Action", "IncompleteConfiguration"})) << ns;
    }
}

} // namespace
