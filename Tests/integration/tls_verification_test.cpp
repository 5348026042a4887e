// The TLS clients of the platform layer (the RTSP connection and the snapshot client's)
// against the simulator's HTTPS listener, under each verification setting: the
// certificate chain and the name or address it must carry.
#include "NetFramework/TcpClient.h"
#include "NetFramework/TlsSettings.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimServer.h"
#include "Stream/Rtsp/RtspByteStream.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using Zentar::NetFramework::TlsClientSettings;

// The RTSP client's TLS connect, run to its end on a private loop; the error text or "".
std::string rtspTlsConnect(const std::string& host, uint16_t port)
{
    asio::io_context io;
    Zentar::StreamApp::RtspStrand strand(io.get_executor());
    auto stream = Zentar::StreamApp::makeTcpByteStream(strand, true);
    std::string result = "no answer";
    stream->connect(host, port, [&result](const std::string& error) { result = error; });
    io.run_for(std::chrono::seconds(10));
    stream->close();
    return result;
}

TEST(TlsVerification, SettingsDecideWhichPeersAreAccepted)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CDeviceDescription d;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", d, error)) << error;
    d.https = true;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(d, &error);
    ASSERT_TRUE(device) << error;
    // Another loopback address, one the certificate does not name.
    auto unnamed = server.addDevice(d, &error, 0, "127.0.0.2");
    const std::string ca = ::testing::TempDir() + "onvif_tls_ca_" + std::to_string(::getpid()) + ".pem";
    std::ofstream(ca) << server.tlsCertificatePem();

    const struct {
        const char* why;
        bool verify;
        std::string caFile;
        std::string host;
        bool accepted;
    } rows[] = {
        {"verification off", false, "", "127.0.0.1", true},
        {"self-signed, system store", true, "", "127.0.0.1", false},
        {"trusted, IPv4 address named", true, ca, "127.0.0.1", true},
        {"trusted, host name named", true, ca, "localhost", true},
        {"trusted, address not named", true, ca, "127.0.0.2", false},
        {"unreadable CA file", true, ca + ".missing", "127.0.0.1", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        if (row.host == "127.0.0.2" && !unnamed) {
            std::cout << "skipped without 127.0.0.2: " << error << "\n";
            continue;
        }
        const uint16_t port = (row.host == "127.0.0.2" ? unnamed : device)->port();
        TlsClientSettings settings;
        settings.verify = row.verify;
        settings.caFile = row.caFile;
        Zentar::NetFramework::setTlsClientSettings(settings);

        const std::string rtsp = rtspTlsConnect(row.host, port);
        EXPECT_EQ(rtsp.empty(), row.accepted) << "RTSP: " << rtsp;

        Zentar::NetFramework::CTcpClient http;
        const bool connected = http.connect(row.host, port, true, 5000, 5000);
        EXPECT_EQ(connected, row.accepted) << "HTTP: " << http.error();
        if (!row.accepted) {
            EXPECT_EQ(http.failure(), Zentar::NetFramework::CTcpClient::FAIL_TLS) << http.error();
        }
    }
    Zentar::NetFramework::setTlsClientSettings(TlsClientSettings());
    std::remove(ca.c_str());
    server.stop();
}

} // namespace
