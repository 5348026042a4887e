// The wire: hostile input gets a clear answer and the device keeps serving; every
// transport fault is really produced; keep-alive, chunked answers and HTTPS work.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace SimTest;

namespace {

std::string RawPost(const std::string& body, const std::string& extraHeaders = "")
{
    return "POST /onvif/device_service HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml\r\n" + extraHeaders +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class SimTransport : public ::testing::Test {
protected:
    void SetUp() override
    {
        Json::Value d = BaseDescription();
        d["auth"]["mode"] = "none";
        m_device = StartDevice(m_server, d);
        ASSERT_TRUE(m_device);
    }

    // The device still answers a normal request.
    void expectServing()
    {
        CReply reply = Post(m_device->serviceUrl(), Envelope(DeviceCall("GetDeviceInformation")));
        EXPECT_EQ(reply.status, 200);
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimTransport, BadInputGetsStatusAndServerKeepsServing)
{
    struct { const char* name; std::string bytes; const char* statusLine; } cases[] = {
        {"malformed xml", RawPost("<s:Envelope><unclosed"), "HTTP/1.1 400"},
        {"not soap", RawPost("<a/>"), "HTTP/1.1 400"},
        {"garbage request", std::string("\x01\x02\xff garbage\r\n\r\n", 15), "HTTP/1.1 400"},
        {"huge headers", "POST / HTTP/1.1\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n", "HTTP/1.1 400"},
        {"huge body", "POST /onvif/device_service HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n", "HTTP/1.1 413"},
        {"bad chunk", "POST /onvif/device_service HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "HTTP/1.1 400"},
        {"unknown path", "POST /nowhere HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 404"},
    };
    for (const auto& c : cases) {
        CRawResult raw = RawAnswer(m_device->port(), c.bytes, 5000);
        EXPECT_EQ(raw.bytes.rfind(c.statusLine, 0), 0u) << c.name << ": " << raw.bytes.substr(0, 80);
        expectServing();
    }
    CRawResult wellFormed = RawAnswer(m_device->port(), RawPost("<s:Envelope><unclosed"), 5000);
    EXPECT_NE(wellFormed.bytes.find("WellFormed"), std::string::npos);
}

TEST_F(SimTransport, ChunkedRequestAndPipelinedRequestsAreRead)
{
    std::string body = Envelope(DeviceCall("GetDeviceInformation"));
    std::string chunked = "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (size_t pos = 0; pos < body.size(); pos += 50) {
        std::string part = body.substr(pos, 50);
        char size[16];
        snprintf(size, sizeof size, "%zx\r\n", part.size());
        chunked += size + part + "\r\n";
    }
    chunked += "0\r\n\r\n";
    std::string two = chunked + RawPost(body, "Connection: close\r\n");
    CRawResult raw = RawExchange(m_device->port(), two, 5000);
    EXPECT_TRUE(raw.closed);
    size_t first = raw.bytes.find("HTTP/1.1 200");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(raw.bytes.find("HTTP/1.1 200", first + 1), std::string::npos) << raw.bytes;
    EXPECT_EQ(m_device->count("GetDeviceInformation"), 2);
}

TEST_F(SimTransport, KeepAliveReusesOneConnection)
{
    CHttpClient client;
    std::string body = Envelope(DeviceCall("GetDeviceInformation"));
    CReply first = client.post(m_device->serviceUrl(), body);
    CReply second = client.post(m_device->serviceUrl(), body);
    ASSERT_EQ(second.status, 200);
    EXPECT_EQ(first.newConnections, 1);
    EXPECT_EQ(second.newConnections, 0);
    auto log = m_device->requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].connectionId, log[1].connectionId);
}

TEST_F(SimTransport, ChunkedAnswersWhenDescribed)
{
    m_device->update([](OnvifSim::CDeviceDescription& d) { d.transfer = OnvifSim::ETransfer::Chunked; });
    CRawResult raw = RawExchange(m_device->port(), RawPost(Envelope(DeviceCall("GetDeviceInformation")),
                                                            "Connection: close\r\n"), 5000);
    EXPECT_NE(raw.bytes.find("Transfer-Encoding: chunked"), std::string::npos);
    EXPECT_EQ(raw.bytes.find("Content-Length"), std::string::npos);
    CReply reply = Post(m_device->serviceUrl(), Envelope(DeviceCall("GetDeviceInformation")));
    pugi::xml_document doc;
    EXPECT_TRUE(ParseXml(reply.body, doc)) << reply.body;
    EXPECT_TRUE(FindLocal(doc, "GetDeviceInformationResponse"));
}

TEST_F(SimTransport, TransportFaultsReachTheWire)
{
    std::string request = RawPost(Envelope(DeviceCall("GetDeviceInformation")));
    auto arm = [&](const char* kind) {
        Json::Value f;
        f["kind"] = kind;
        f["operation"] = "GetDeviceInformation";
        f["count"] = 1;
        std::string error;
        ASSERT_TRUE(m_device->addFault(f, &error)) << error;
    };

    arm("close");
    CRawResult closed = RawExchange(m_device->port(), request, 5000);
    EXPECT_TRUE(closed.closed);
    EXPECT_TRUE(closed.bytes.empty());

    arm("garbage");
    CRawResult garbage = RawExchange(m_device->port(), request, 5000);
    EXPECT_TRUE(garbage.closed);
    EXPECT_FALSE(garbage.bytes.empty());
    EXPECT_NE(garbage.bytes.rfind("HTTP/", 0), 0u);

    arm("truncated");
    CReply truncated = Post(m_device->serviceUrl(), Envelope(DeviceCall("GetDeviceInformation")));
    EXPECT_EQ(truncated.curlCode, 0);   // framing is right ...
    pugi::xml_document doc;
    EXPECT_FALSE(ParseXml(truncated.body, doc));   // ... the XML is not
    EXPECT_NE(truncated.body.find("<?xml"), std::string::npos);

    arm("wrongLength");
    CRawResult wrong = RawExchange(m_device->port(), request, 5000);
    EXPECT_TRUE(wrong.closed);
    size_t headerEnd = wrong.bytes.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    size_t lengthAt = wrong.bytes.find("Content-Length: ");
    ASSERT_NE(lengthAt, std::string::npos);
    size_t declared = std::stoul(wrong.bytes.substr(lengthAt + 16));
    EXPECT_GT(declared, wrong.bytes.size() - headerEnd - 4);

    arm("silence");
    CRawResult silent = RawExchange(m_device->port(), request, 300);
    EXPECT_TRUE(silent.bytes.empty());
    EXPECT_FALSE(silent.closed);

    // Each fault had count 1: the device is back to normal.
    expectServing();
}

TEST_F(SimTransport, DelayAndStatusFaults)
{
    OnvifSim::CSimFault delay;
    delay.kind = OnvifSim::EFaultKind::Delay;
    delay.delayMs = 300;
    delay.count = 1;
    m_device->addFault(delay);
    auto start = std::chrono::steady_clock::now();
    expectServing();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    OnvifSim::CSimFault soap;
    soap.kind = OnvifSim::EFaultKind::SoapFault;
    soap.operation = "GetDeviceInformation";
    soap.code = "Receiver";
    soap.subcodes = {"Action", "TooManyRequests"};
    soap.httpStatus = 503;
    soap.count = 2;
    m_device->addFault(soap);
    for (int i = 0; i < 2; ++i) {
        CReply reply = Post(m_device->serviceUrl(), Envelope(DeviceCall("GetDeviceInformation")));
        EXPECT_EQ(reply.status, 503);
        EXPECT_EQ(FaultSubcodes(reply.body), (std::vector<std::string>{"Action", "TooManyRequests"}));
    }
    expectServing();

    for (int status : {400, 401, 500}) {
        OnvifSim::CSimFault http;
        http.kind = OnvifSim::EFaultKind::HttpStatus;
        http.httpStatus = status;
        m_device->addFault(http);
        CReply reply = Post(m_device->serviceUrl(), Envelope(DeviceCall("GetScopes")));
        EXPECT_EQ(reply.status, status);
        EXPECT_FALSE(FaultCode(reply.body).empty());
        m_device->clearFaults();
    }
    expectServing();
}

TEST_F(SimTransport, StopClosesSilentConnections)
{
    OnvifSim::CSimFault silence;
    silence.kind = OnvifSim::EFaultKind::Silence;
    m_device->addFault(silence);
    CRawResult result;
    std::thread client([&] { result = RawExchange(m_device->port(), RawPost(Envelope(DeviceCall("GetScopes"))), 20000); });
    for (int i = 0; i < 200 && m_device->requestCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(m_device->requestCount(), 1);
    m_server.stop();
    client.join();
    EXPECT_TRUE(result.closed);
    EXPECT_TRUE(result.bytes.empty());
}

TEST(SimHttps, AnswersOverTls)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["https"] = true;
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->baseUrl().rfind("https://", 0), 0u);
    CReply reply = Post(device->serviceUrl(), Envelope(DeviceCall("GetSystemDateAndTime")));
    EXPECT_EQ(reply.curlCode, 0);
    EXPECT_EQ(reply.status, 200);
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(reply.body, doc));
    EXPECT_TRUE(FindLocal(doc, "UTCDateTime"));
}

TEST(SimScale, ManyDevicesInOneProcess)
{
    OnvifSim::CSimServer server(2);
    std::vector<std::shared_ptr<OnvifSim::CSimDevice>> devices;
    for (int i = 0; i < 20; ++i) {
        Json::Value d = BaseDescription();
        d["identity"]["serialNumber"] = "SN" + std::to_string(i);
        devices.push_back(StartDevice(server, d));
        ASSERT_TRUE(devices.back());
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        CReply reply = Post(devices[i]->serviceUrl(), Envelope(DeviceCall("GetDeviceInformation"),
                                                              WsseHeader("admin", "adminpw", XsDateTime(NowSeconds()))));
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(reply.body, doc));
        EXPECT_EQ(Text(doc, "SerialNumber"), "SN" + std::to_string(i));
    }
    EXPECT_EQ(server.devices().size(), 20u);
}

} // namespace
