// The snapshot manager against simulated devices: a host logs in, attaches a file receiver
// and asks for a picture; what arrives is read back with the native frame reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <unistd.h>
#include <vector>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "Components/SnapManager/OnvifSnapManager.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "Packaging/JpegInfo.h"
#include "NetFramework/TlsSettings.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

using namespace RPC::Onvif;

namespace {

struct ClientDeleter {
    void operator()(COnvifClient* c) const { c->destroy(); }
};

struct CPicture {
    Json::Value event;
    std::vector<uint8_t> bytes;
    int channel = -1;
    int streamType = -1;
    int frameType = -1;
};

class CCollector : public Zentar::Snapshot::IFileReceiver {
public:
    void onFile(const Json::Value& event, const Zentar::Stream::CMediaFrame& packet) override
    {
        CPicture p;
        p.event = event;
        p.bytes.assign(packet.getBuffer(), packet.getBuffer() + packet.size());
        p.channel = packet.getChannel();
        p.streamType = packet.getStreamType();
        p.frameType = packet.getFrameType();
        pictures.push_back(p);
    }
    std::vector<CPicture> pictures;
};

// What the library logged while run ran.
std::string loggedDuring(const std::function<void()>& run)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("onvif_snap_log_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    setLogDirectory(dir.string());
    run();
    setLogDirectory("");
    std::string text;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path());
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove_all(dir);
    return text;
}

int snapshotRequests(const OnvifSim::CSimDevice& device, std::vector<OnvifSim::CRecordedRequest>* out = nullptr)
{
    int n = 0;
    for (const auto& r : device.requests())
        if (r.path.rfind("/onvif/snapshot", 0) == 0) {
            ++n;
            if (out)
                out->push_back(r);
        }
    return n;
}

class SnapshotManagerAgainstSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        COnvifBaseComm::instance()->resetOptions();
        initOnvifComponentLibrary();
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    OnvifSim::CDeviceDescription load(const char* file)
    {
        OnvifSim::CDeviceDescription d;
        std::string error;
        EXPECT_TRUE(OnvifSim::LoadDescriptionFile(std::string(ONVIF_SIM_DEVICES_DIR) + "/" + file, d, error))
            << error;
        return d;
    }

    // Starts the device, logs a client in and makes the manager from the client's record.
    bool start(const OnvifSim::CDeviceDescription& d, const std::string& password = "admin123")
    {
        std::string error;
        m_device = m_server.addDevice(d, &error);
        EXPECT_TRUE(m_device) << error;
        const bool in = m_device && logIn("127.0.0.1", password);
        EXPECT_TRUE(in);
        return in;
    }

    // Logs a client in to m_device through address (over HTTPS when the device serves it).
    bool logIn(const std::string& address, const std::string& password = "admin123")
    {
        m_manager.reset();
        m_client.reset();
        m_info.address = address;
        m_info.port = m_device->port();
        m_info.https = m_device->description().https;
        m_info.userName = "admin";
        m_info.password = password;
        auto* unknown = Zentar::Component::getComponentInstance("Client", "Onvif", &m_info);
        m_client.reset(dynamic_cast<COnvifClient*>(unknown));
        if (!m_client || !m_client->login() || !m_client->isLoggedIn())
            return false;
        m_record = std::make_shared<const Zentar::Component::ServerInfo>(m_client->getServerInfo());
        m_manager = std::make_unique<COnvifSnapManager>(m_record);
        return true;
    }

    // Reads the picture frame back; the JPEG inside must have the size the frame says.
    void expectPictureFrame(const CPicture& p, int channel, int width, int height)
    {
        RPC::CNativeFrameView v;
        ASSERT_EQ(RPC::readNativeFrame(p.bytes.data(), p.bytes.size(), v), RPC::ENativeFrameError::None);
        EXPECT_EQ(v.frameLen, p.bytes.size());
        EXPECT_EQ(v.info.kind, RPC::NativeFrame::kKindPicture);
        EXPECT_EQ(v.info.channel, channel);
        EXPECT_EQ(v.info.width, width);
        EXPECT_EQ(v.info.height, height);
        EXPECT_TRUE(v.info.hasChecksum);
        RPC::CNativeFrameTime t = RPC::unpackNativeFrameTime(v.info.packedTime);
        EXPECT_GE(t.year, 2024);
        uint16_t w = 0, h = 0;
        ASSERT_TRUE(RPC::jpegSof0Size(v.payload, v.payloadLen, w, h));
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(p.channel, channel);
        EXPECT_EQ(p.frameType, 73);
        EXPECT_EQ(p.streamType, 4);
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    Zentar::Component::ServerInfo m_info;
    std::unique_ptr<COnvifClient, ClientDeleter> m_client;
    std::shared_ptr<const Zentar::Component::ServerInfo> m_record;
    std::unique_ptr<COnvifSnapManager> m_manager;
};

TEST_F(SnapshotManagerAgainstSim, DeliversThePictureWithItsEventRecord)
{
    ASSERT_TRUE(start(load("camera-1ch-media.json")));
    CCollector host;
    ASSERT_TRUE(m_manager->attachFileProc(&host));
    ASSERT_TRUE(m_manager->snapshot(0));
    ASSERT_EQ(host.pictures.size(), 1u);
    Json::Value expected;
    Json::Reader().parse(R"({"Channel": 0, "Events": [{"Code": "SnapManual", "Action": "Start", "Index": 0,
                             "Data": null}]})",
                         expected);
    EXPECT_EQ(host.pictures[0].event, expected);
    expectPictureFrame(host.pictures[0], 0, 1920, 1080);

    // Basic credentials went with the first request, so one request sufficed.
    std::vector<OnvifSim::CRecordedRequest> gets;
    EXPECT_EQ(snapshotRequests(*m_device, &gets), 1);
    EXPECT_EQ(gets[0].path, "/onvif/snapshot?token=Profile_1");
    EXPECT_EQ(gets[0].authMethod, "basic");
}

TEST_F(SnapshotManagerAgainstSim, ReceiversAttachOnceAndTheLastDetachDropsTheStream)
{
    ASSERT_TRUE(start(load("camera-1ch-media.json")));
    CCollector a, b;
    EXPECT_FALSE(m_manager->snapshot(0)); // no receiver yet: no stream
    EXPECT_TRUE(m_manager->attachFileProc(&a));
    EXPECT_FALSE(m_manager->attachFileProc(&a));
    EXPECT_FALSE(m_manager->attachFileProc(nullptr));
    EXPECT_TRUE(m_manager->attachFileProc(&b));
    ASSERT_TRUE(m_manager->snapshot(0));
    EXPECT_EQ(a.pictures.size(), 1u);
    EXPECT_EQ(b.pictures.size(), 1u);

    EXPECT_TRUE(m_manager->detachFileProc(&a));
    EXPECT_FALSE(m_manager->detachFileProc(&a));
    ASSERT_TRUE(m_manager->snapshot(0));
    EXPECT_EQ(a.pictures.size(), 1u);
    EXPECT_EQ(b.pictures.size(), 2u);

    EXPECT_TRUE(m_manager->detachFileProc(&b));
    int before = snapshotRequests(*m_device);
    EXPECT_FALSE(m_manager->snapshot(0));
    EXPECT_EQ(snapshotRequests(*m_device), before);
    EXPECT_FALSE(m_manager->snapshot(5)); // a channel the device does not have
}

TEST_F(SnapshotManagerAgainstSim, FollowsThePortOfTheSnapshotAddress)
{
    // Device B answers snapshots; device A advertises B's port in every address it hands out.
    OnvifSim::CDeviceDescription d = load("camera-1ch-media.json");
    std::string error;
    auto other = m_server.addDevice(d, &error);
    ASSERT_TRUE(other) << error;
    d.advertisedHost = "127.0.0.1:" + std::to_string(other->port());
    ASSERT_TRUE(start(d));
    CCollector host;
    ASSERT_TRUE(m_manager->attachFileProc(&host));
    ASSERT_TRUE(m_manager->snapshot(0));
    ASSERT_TRUE(m_manager->snapshot(0));
    EXPECT_EQ(host.pictures.size(), 2u);
    EXPECT_EQ(snapshotRequests(*other), 2);
    EXPECT_EQ(snapshotRequests(*m_device), 0);
    EXPECT_EQ(m_record->port, m_device->port());
}

TEST_F(SnapshotManagerAgainstSim, BasicAndDigestGuardsBothServe)
{
    const struct {
        const char* guard;
        int requests; // a Digest guard refuses the first (Basic) request and takes the retry
        const char* method;
    } cases[] = {{"basic", 1, "basic"}, {"digest", 2, "digest"}, {"either", 1, "basic"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guard);
        OnvifSim::CDeviceDescription d = load("camera-1ch-media.json");
        d.raw["snapshot"]["auth"] = c.guard;
        ASSERT_TRUE(start(d));
        CCollector host;
        ASSERT_TRUE(m_manager->attachFileProc(&host));
        ASSERT_TRUE(m_manager->snapshot(0));
        ASSERT_EQ(host.pictures.size(), 1u);
        expectPictureFrame(host.pictures[0], 0, 1920, 1080);
        std::vector<OnvifSim::CRecordedRequest> gets;
        ASSERT_EQ(snapshotRequests(*m_device, &gets), c.requests);
        EXPECT_EQ(gets.back().status, 200);
        EXPECT_EQ(gets.back().authMethod, c.method);
        m_manager.reset();
        m_client.reset();
    }
}

TEST_F(SnapshotManagerAgainstSim, ProgressivePictureGivesNoFrame)
{
    ASSERT_TRUE(start(load("camera-2ch-media2-h265.json")));
    CCollector host;
    ASSERT_TRUE(m_manager->attachFileProc(&host));
    bool taken = true;
    std::string log = loggedDuring([&] { taken = m_manager->snapshot(1); });
    EXPECT_FALSE(taken);
    EXPECT_TRUE(host.pictures.empty());
    EXPECT_NE(log.find("Get JPEG Photo Size failed!"), std::string::npos) << log;
    // The picture itself did arrive: the refusal is the client's.
    std::vector<OnvifSim::CRecordedRequest> gets;
    ASSERT_GE(snapshotRequests(*m_device, &gets), 1);
    EXPECT_EQ(gets.back().status, 200);
}

TEST_F(SnapshotManagerAgainstSim, SecondRefusalEndsTheExchange)
{
    // SOAP open to all, snapshots behind Digest: the wrong password logs in but gets no picture.
    OnvifSim::CDeviceDescription d = load("camera-1ch-media.json");
    d.authMode = OnvifSim::EAuthMode::None;
    d.raw["snapshot"]["auth"] = "digest";
    ASSERT_TRUE(start(d, "not-the-password"));
    CCollector host;
    ASSERT_TRUE(m_manager->attachFileProc(&host));
    bool taken = true;
    std::string log = loggedDuring([&] { taken = m_manager->snapshot(0); });
    EXPECT_FALSE(taken);
    EXPECT_TRUE(host.pictures.empty());
    EXPECT_NE(log.find("returnState: 401"), std::string::npos) << log;
    std::vector<OnvifSim::CRecordedRequest> gets;
    ASSERT_EQ(snapshotRequests(*m_device, &gets), 2);
    EXPECT_EQ(gets[0].status, 401);
    EXPECT_EQ(gets[1].status, 401);
    EXPECT_NE(gets[1].header("Authorization").rfind("Digest ", 0), std::string::npos);
}

TEST_F(SnapshotManagerAgainstSim, FactoryHandsOutTheManagerOfTheCallingContextsClient)
{
    ASSERT_TRUE(start(load("camera-1ch-media.json")));
    initOnvifComponentLibrary();
    Zentar::Component::IFactoryUnknown* factory = Zentar::Component::findFactory("SnapManager", "Onvif");
    ASSERT_NE(factory, nullptr);
    EXPECT_STREQ(factory->getVersion().name, "OnvifSnapManager");
    Zentar::Snapshot::ISnapManager* first = nullptr;
    {
        Zentar::Component::CClientContextScope context(m_client.get(), 1);
        first = dynamic_cast<Zentar::Snapshot::ISnapManager*>(factory->create(nullptr));
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(factory->create(nullptr), first);   // one manager per client
    }
    EXPECT_EQ(first, m_client->getSnapManager());
    Zentar::Component::CClientContextScope nobody(nullptr, 0);
    EXPECT_EQ(factory->create(nullptr), nullptr);
}

// Snapshot addresses beyond dotted IPv4 ones, and HTTPS under the TLS options: the login
// (SOAP) and the picture both follow the address and the verification rules.
TEST_F(SnapshotManagerAgainstSim, HostNamesIpv6AndHttpsUnderTheTlsOptions)
{
    enum Verify { OFF, SYSTEM_STORE, SIM_CA };
    const struct {
        const char* why;
        const char* bind;
        const char* address;
        bool https;
        Verify verify;
        bool loggedIn; // and then a picture: one request, on the address given
    } cases[] = {
        {"host name", "127.0.0.1", "localhost", false, OFF, true},
        {"IPv6 literal", "::1", "::1", false, OFF, true},
        {"https, unverified", "127.0.0.1", "127.0.0.1", true, OFF, true},
        {"https, the simulator's certificate trusted, by address", "127.0.0.1", "127.0.0.1", true, SIM_CA, true},
        {"https, the simulator's certificate trusted, by name", "127.0.0.1", "localhost", true, SIM_CA, true},
        {"https, self-signed certificate not trusted", "127.0.0.1", "127.0.0.1", true, SYSTEM_STORE, false},
    };
    const std::string caFile = ::testing::TempDir() + "onvif_snap_sim_ca_" + std::to_string(::getpid()) + ".pem";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        OnvifSim::CDeviceDescription d = load("camera-1ch-media.json");
        d.https = c.https;
        std::string error;
        m_device = m_server.addDevice(d, &error, 0, c.bind);
        if (!m_device && std::string(c.bind) == "::1") {
            std::cout << "skipped without an IPv6 loopback: " << error << "\n";
            continue;
        }
        ASSERT_TRUE(m_device) << error;
        if (c.https) {
            std::ofstream(caFile) << m_server.tlsCertificatePem();
        }
        Json::Value options;
        options["VerifyTLS"] = c.verify != OFF;
        options["TLSCAFile"] = c.verify == SIM_CA ? caFile : "";
        ASSERT_TRUE(setOnvifOptions(options));
        ASSERT_EQ(logIn(c.address), c.loggedIn);
        if (!c.loggedIn) {
            EXPECT_EQ(snapshotRequests(*m_device), 0);
            continue;
        }
        CCollector host;
        ASSERT_TRUE(m_manager->attachFileProc(&host));
        EXPECT_TRUE(m_manager->snapshot(0));
        ASSERT_EQ(host.pictures.size(), 1u);
        expectPictureFrame(host.pictures[0], 0, 1920, 1080);
        std::vector<OnvifSim::CRecordedRequest> gets;
        ASSERT_EQ(snapshotRequests(*m_device, &gets), 1);
        EXPECT_EQ(gets[0].header("Host"), (std::string(c.bind) == "::1" ? "[::1]" : c.address) + std::string(":") +
                                              std::to_string(m_device->port()));

        // Verification turned on after the login applies to the next picture as well.
        if (c.https && c.verify == OFF) {
            options["VerifyTLS"] = true;
            ASSERT_TRUE(setOnvifOptions(options));
            EXPECT_FALSE(m_manager->snapshot(0));
            EXPECT_EQ(snapshotRequests(*m_device), 1);
        }
    }
    std::remove(caFile.c_str());
}

// Without verification the log says so once per device, not once per exchange.
TEST_F(SnapshotManagerAgainstSim, UnverifiedTlsIsLoggedOncePerDevice)
{
    OnvifSim::CDeviceDescription d = load("camera-1ch-media.json");
    d.https = true;
    Zentar::NetFramework::forgetUnverifiedTlsNotes();
    std::string log = loggedDuring([&] {
        ASSERT_TRUE(start(d));
        CCollector host;
        ASSERT_TRUE(m_manager->attachFileProc(&host));
        EXPECT_TRUE(m_manager->snapshot(0));
        EXPECT_TRUE(m_manager->snapshot(0));
    });
    const std::string note = "TLS certificate of device 127.0.0.1 is not verified (VerifyTLS is off)";
    const size_t first = log.find(note);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(note, first + 1), std::string::npos) << log;
    EXPECT_EQ(snapshotRequests(*m_device), 2);
}

} // namespace
