// Device administration as a host meets it, against the simulated camera: users through
// the user manager (and a refusal for an account that may not), every kind of network
// setting changed and read back through the network scripts, and the host's network
// tables through the configuration manager.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "JsonText.h"
#include "IClient.h"
#include "IConfigManager.h"
#include "IUserManager.h"
#include "OnvifExports.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace Zentar::Component;
using Zentar::Manager::IUserManager;

namespace {

const int kHostUser = 9;

Json::Value json(const std::string& text)
{
    return OnvifTest::jsonText(text);
}

// Every member of expected is in actual with the same value (arrays element by element).
::testing::AssertionResult holds(const Json::Value& expected, const Json::Value& actual)
{
    if (expected.isObject()) {
        for (const std::string& name : expected.getMemberNames()) {
            if (!actual.isObject() || !actual.isMember(name))
                return ::testing::AssertionFailure() << name << " missing in " << actual.toStyledString();
            auto inner = holds(expected[name], actual[name]);
            if (!inner)
                return inner << " (in " << name << ")";
        }
        return ::testing::AssertionSuccess();
    }
    if (expected.isArray() && actual.isArray() && expected.size() == actual.size()) {
        for (Json::ArrayIndex i = 0; i < expected.size(); ++i)
            if (auto inner = holds(expected[i], actual[i]); !inner)
                return inner;
        return ::testing::AssertionSuccess();
    }
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected.toStyledString() << " got "
                                         << actual.toStyledString();
}

class AdminAgainstSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", m_description,
                                                  error))
            << error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        m_admin = loginAs("admin", "admin123");
        ASSERT_NE(m_admin, nullptr);
    }
    void TearDown() override
    {
        for (IClient* client : {m_admin, m_other})
            if (client)
                client->destroy();
    }

    ServerInfo infoFor(const std::string& user, const std::string& password) const
    {
        ServerInfo info;
        info.address = "127.0.0.1";
        info.port = m_device->port();
        info.userName = user;
        info.password = password;
        return info;
    }

    IClient* loginAs(const std::string& user, const std::string& password)
    {
        ServerInfo info = infoFor(user, password);
        IClient* client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &info));
        if (!client)
            return nullptr;
        CClientContextScope scope(client, kHostUser);
        if (!client->login()) {
            client->destroy();
            return nullptr;
        }
        return client;
    }

    template <class T> T* component(IClient* client, const char* name)
    {
        CClientContextScope scope(client, kHostUser);
        return dynamic_cast<T*>(getComponentInstance(name, "Onvif", nullptr));
    }

    // The simulator's own account list, by name -> level.
    std::string deviceLevelOf(const std::string& name) const
    {
        for (const auto& user : m_device->description().users)
            if (user.name == name)
                return OnvifSim::ToString(user.level);
        return "";
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    IClient* m_admin = nullptr;
    IClient* m_other = nullptr;
};

// ---- Users ---------------------------------------------------------------------------

TEST_F(AdminAgainstSim, UsersAreCreatedListedChangedAndDeleted)
{
    IUserManager* users = component<IUserManager>(m_admin, IUserManager::kInterfaceName);
    ASSERT_NE(users, nullptr);
    EXPECT_EQ(users, component<IUserManager>(m_admin, IUserManager::kInterfaceName)) << "one per client";

    ASSERT_TRUE(users->addUser(json(R"({"Name":"nvr","Password":"Rec0rder!","Group":"operator"})")));
    EXPECT_EQ("Operator", deviceLevelOf("nvr"));
    Json::Value all;
    ASSERT_TRUE(users->getUserInfoAll(all));
    ASSERT_EQ(4u, all.size());
    EXPECT_TRUE(holds(json(R"({"Name":"nvr","Type":"Operator","Group":"operator","AuthorityList":["Monitor","Replay"]})"),
                      all[3]));
    EXPECT_TRUE(holds(json(R"({"Name":"admin","Group":"admin","AuthorityList":["Monitor","Replay","Account",
        "GeneralConf","EncodeConf","NetConf"]})"),
                      all[0]));

    // The new account works: it logs in with its password.
    m_other = loginAs("nvr", "Rec0rder!");
    EXPECT_NE(m_other, nullptr);

    // A change of group without a password keeps the password.
    ASSERT_TRUE(users->modifyUser("nvr", json(R"({"Password":"","Group":"admin"})")));
    EXPECT_EQ("Administrator", deviceLevelOf("nvr"));
    const std::string request = m_device->requests().back().body;
    const std::string setUserBody = request.substr(request.find(":Body"));   // past the WS-Security header
    EXPECT_EQ(std::string::npos, setUserBody.find("Rec0rder!"));
    EXPECT_EQ(std::string::npos, setUserBody.find(":Password>")) << "no Password element in the body";

    ASSERT_TRUE(users->modifyPassword("nvr", "N3wPass!", "Rec0rder!"));
    Json::Value one;
    ASSERT_TRUE(users->getUserInfo("nvr", one));
    EXPECT_EQ("Administrator", one["Type"].asString()) << "the level stays";
    EXPECT_FALSE(users->getUserInfo("NVR", one)) << "names are compared exactly";
    std::string password;
    for (const auto& user : m_device->description().users)
        password = user.name == "nvr" ? user.password : password;
    EXPECT_EQ("N3wPass!", password);

    ASSERT_TRUE(users->deleteUser("nvr"));
    EXPECT_EQ("", deviceLevelOf("nvr"));
    EXPECT_FALSE(users->deleteUser("nvr")) << "the device says there is no such user";
}

TEST_F(AdminAgainstSim, PasswordOfAnUnknownUserSendsNothing)
{
    IUserManager* users = component<IUserManager>(m_admin, IUserManager::kInterfaceName);
    ASSERT_NE(users, nullptr);
    m_device->clearRequests();
    EXPECT_FALSE(users->modifyPassword("nobody", "x", nullptr));
    EXPECT_EQ(1, m_device->count("GetUsers"));
    EXPECT_EQ(0, m_device->count("SetUser"));
}

// An operator may look at the device but not manage its accounts: the device refuses with
// its NotAuthorized fault, the host gets false and nothing changes.
TEST_F(AdminAgainstSim, AnOperatorIsRefusedAnAdministratorsOperation)
{
    m_other = loginAs("operator", "oper123");
    ASSERT_NE(m_other, nullptr);
    IUserManager* users = component<IUserManager>(m_other, IUserManager::kInterfaceName);
    ASSERT_NE(users, nullptr);
    m_device->clearRequests();
    RPC::Onvif::setLogToStdout(true);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(users->addUser(json(R"({"Name":"sneaky","Password":"x","Group":"admin"})")));
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("CreateUsers refused: ter:NotAuthorized")) << "the device's reason, logged";
    EXPECT_NE(std::string::npos, log.find("createUsers fail ip = 127.0.0.1")) << log;
    EXPECT_EQ("", deviceLevelOf("sneaky"));
    ASSERT_GE(m_device->count("CreateUsers"), 1);
    for (const auto& request : m_device->requests()) {
        if (request.operation != "CreateUsers")
            continue;
        EXPECT_EQ("operator", request.user) << "the credentials were right";
        EXPECT_EQ(401, request.status);
    }
    // What the operator may do still works.
    Json::Value network, request(Json::objectValue);
    EXPECT_TRUE(RPC::Onvif::getNetworkInterfaces(infoFor("operator", "oper123"), request, network));
    EXPECT_FALSE(RPC::Onvif::setHostname(infoFor("operator", "oper123"), request = json(R"({"Name":"x"})"), network));
}

// ---- Network settings ------------------------------------------------------------------

using Script = bool (*)(const ServerInfo&, Json::Value&, Json::Value&);

TEST_F(AdminAgainstSim, EveryNetworkSettingReadsBackAsSet)
{
    const struct {
        const char* what;
        Script set;
        const char* request;
        Script get;
        const char* expected;   // subset of the get script's result
    } cases[] = {
        {"interface", RPC::Onvif::setNetworkInterfaces,
         R"({"InterfaceToken":"eth0","NetworkInterface":{"Enabled":true,"MTU":1400,
            "IPv4":{"Enabled":true,"DHCP":false,"Manual":[{"Address":"10.20.30.40","PrefixLength":16}]}}})",
         RPC::Onvif::getNetworkInterfaces,
         R"({"NetworkInterfaces":[{"token":"eth0","Info":{"MTU":"1400"},
            "IPv4":{"Enabled":true,"Config":{"DHCP":false,"Manual":[{"Address":"10.20.30.40","PrefixLength":16}]}}}]})"},
        {"DHCP", RPC::Onvif::setNetworkInterfaces,
         R"({"InterfaceToken":"eth0","NetworkInterface":{"IPv4":{"DHCP":true}}})", RPC::Onvif::getNetworkInterfaces,
         R"({"NetworkInterfaces":[{"IPv4":{"Config":{"DHCP":true,"FromDHCP":{"PrefixLength":24}}}}]})"},
        {"IPv6", RPC::Onvif::setNetworkInterfaces,
         R"({"InterfaceToken":"eth0","NetworkInterface":{"IPv6":{"Enabled":true,"AcceptRouterAdvert":true,
            "DHCP":"Stateless","Manual":[{"Address":"2001:db8::40","PrefixLength":64}]}}})",
         RPC::Onvif::getNetworkInterfaces,
         R"({"NetworkInterfaces":[{"IPv6":{"Enabled":true,"Config":{"AcceptRouterAdvert":true,"DHCP":"Stateless",
            "Manual":[{"Address":"2001:db8::40","PrefixLength":64}]}}}]})"},
        {"gateway", RPC::Onvif::setNetworkDefaultGateway, R"({"IPv4Address":["10.20.0.1"]})",
         RPC::Onvif::getNetworkDefaultGateway, R"({"NetworkGateway":{"IPv4Address":["10.20.0.1"]}})"},
        {"DNS", RPC::Onvif::setDNS,
         R"({"FromDHCP":false,"SearchDomain":["site.example"],"DNSManual":[{"Type":"IPv4","IPv4Address":["10.20.0.53"]}]})",
         RPC::Onvif::getDNS,
         R"({"DNSInformation":{"FromDHCP":false,"SearchDomain":["site.example"],
            "DNSManual":[{"Type":"IPv4","IPv4Address":["10.20.0.53"]}]}})"},
        {"NTP", RPC::Onvif::setNTP,
         R"({"FromDHCP":false,"NTPManual":[{"Type":"DNS","DNSname":["time.site.example"]},
            {"Type":"IPv4","IPv4Address":["10.20.0.123"]}]})",
         RPC::Onvif::getNTP,
         R"({"NTPInformation":{"FromDHCP":false,"NTPManual":[{"Type":"DNS","DNSname":["time.site.example"]},
            {"Type":"IPv4","IPv4Address":["10.20.0.123"]}]}})"},
        {"hostname", RPC::Onvif::setHostname, R"({"Name":"gate-cam-7"})", RPC::Onvif::getHostname,
         R"({"HostnameInformation":{"FromDHCP":false,"Name":"gate-cam-7"}})"},
        {"hostname from DHCP", RPC::Onvif::setHostnameFromDHCP, R"({"FromDHCP":true})", RPC::Onvif::getHostname,
         R"({"HostnameInformation":{"FromDHCP":true}})"},
        {"protocols", RPC::Onvif::setNetworkProtocols,
         R"({"NetworkProtocols":[{"Name":"RTSP","Enabled":true,"Port":[8554]},{"Name":"HTTPS","Enabled":true,"Port":[8443]}]})",
         RPC::Onvif::getNetworkProtocols,
         R"({"NetworkProtocols":[{"Name":"HTTP","Enabled":true,"Port":[80]},{"Name":"HTTPS","Enabled":true,"Port":[8443]},
            {"Name":"RTSP","Enabled":true,"Port":[8554]}]})"},
        {"zero configuration", RPC::Onvif::setZeroConfiguration, R"({"InterfaceToken":"eth0","Enabled":true})",
         RPC::Onvif::getZeroConfiguration, R"({"ZeroConfiguration":{"InterfaceToken":"eth0","Enabled":true}})"},
    };
    const ServerInfo admin = infoFor("admin", "admin123");
    for (const auto& c : cases) {
        Json::Value request = json(c.request), result(Json::objectValue);
        ASSERT_TRUE(c.set(admin, request, result)) << c.what;
        Json::Value readRequest(Json::objectValue), read(Json::objectValue);
        ASSERT_TRUE(c.get(admin, readRequest, read)) << c.what;
        EXPECT_TRUE(holds(json(c.expected), read)) << c.what;
    }
    // The simulator keeps answering on loopback whatever address it was given.
    Json::Value request(Json::objectValue), read;
    EXPECT_TRUE(RPC::Onvif::getHostname(admin, request, read));
}

TEST_F(AdminAgainstSim, BadNetworkSettingsAreRefusedAndChangeNothing)
{
    const struct {
        Script set;
        const char* request;
    } cases[] = {
        {RPC::Onvif::setNetworkInterfaces,
         R"({"InterfaceToken":"eth0","NetworkInterface":{"MTU":1400,"IPv4":{"Manual":[{"Address":"10.1.2","PrefixLength":8}]}}})"},
        {RPC::Onvif::setNetworkInterfaces, R"({"InterfaceToken":"eth9","NetworkInterface":{"Enabled":true}})"},
        {RPC::Onvif::setNetworkDefaultGateway, R"({"IPv4Address":["gateway.example"]})"},
        {RPC::Onvif::setHostname, R"({"Name":"bad_name!"})"},
        {RPC::Onvif::setNetworkProtocols, R"({"NetworkProtocols":[{"Name":"RTSP","Enabled":true,"Port":[80]}]})"},
        {RPC::Onvif::setNetworkProtocols, R"({"NetworkProtocols":[{"Name":"FTP","Enabled":true,"Port":[21]}]})"},
    };
    const ServerInfo admin = infoFor("admin", "admin123");
    Json::Value readRequest(Json::objectValue), before, after;
    ASSERT_TRUE(RPC::Onvif::getConfigNetwork(admin, readRequest, before));
    for (const auto& c : cases) {
        Json::Value request = json(c.request), result(Json::objectValue);
        EXPECT_FALSE(c.set(admin, request, result)) << c.request;
    }
    ASSERT_TRUE(RPC::Onvif::getConfigNetwork(admin, readRequest, after));
    EXPECT_EQ(before, after);
}

// ---- The host's tables through the configuration manager ---------------------------------

TEST_F(AdminAgainstSim, NetworkTableMovesTheCameraIntoAnotherSubnet)
{
    IConfigManager* config = component<IConfigManager>(m_admin, IConfigManager::kInterfaceName);
    ASSERT_NE(config, nullptr);
    Json::Value table;
    ASSERT_TRUE(config->getConfig("Network", table));
    EXPECT_TRUE(holds(json(R"({"eth0":{"IPAddress":"192.168.1.64","SubnetMask":"255.255.255.0",
        "DefaultGateway":"192.168.1.1","DhcpEnable":false,"MTU":1500}})"),
                      table));

    table["eth0"]["IPAddress"] = "172.16.9.20";
    table["eth0"]["SubnetMask"] = "255.255.240.0";
    table["eth0"]["DefaultGateway"] = "172.16.0.1";
    table["eth0"]["DnsServers"] = json(R"(["172.16.0.53"])");
    table["Domain"] = "nvr.example";
    ASSERT_TRUE(config->setConfig("Network", table, 0));
    Json::Value back;
    ASSERT_TRUE(config->getConfig("Network", back));
    EXPECT_TRUE(holds(json(R"({"eth0":{"IPAddress":"172.16.9.20","SubnetMask":"255.255.240.0",
        "DefaultGateway":"172.16.0.1","DnsServers":["172.16.0.53"]},"Domain":"nvr.example"})"),
                      back));
    Json::Value request(Json::objectValue), interfaces;
    ASSERT_TRUE(RPC::Onvif::getNetworkInterfaces(infoFor("admin", "admin123"), request, interfaces));
    EXPECT_EQ(20, interfaces["NetworkInterfaces"][0]["IPv4"]["Config"]["Manual"][0]["PrefixLength"].asInt());

    table["eth0"]["SubnetMask"] = "255.0.255.0";
    EXPECT_FALSE(config->setConfig("Network", table, 0)) << "not a mask";
    EXPECT_FALSE(config->getConfig("Encode", table)) << "not served by this build";
}

TEST_F(AdminAgainstSim, PortTablesChangeOneProtocolEach)
{
    IConfigManager* config = component<IConfigManager>(m_admin, IConfigManager::kInterfaceName);
    ASSERT_NE(config, nullptr);
    Json::Value rtsp;
    ASSERT_TRUE(config->getConfig("RTSP", rtsp));
    EXPECT_EQ(json(R"({"Enabled":true,"Port":554})"), rtsp);
    ASSERT_TRUE(config->setConfig("RTSP", json(R"({"Enabled":true,"Port":10554})"), 0));
    ASSERT_TRUE(config->setConfig("Https", json(R"({"Enabled":true,"Port":8443})"), 0));
    Json::Value web, https;
    ASSERT_TRUE(config->getConfig("RTSP", rtsp));
    ASSERT_TRUE(config->getConfig("Web", web));
    ASSERT_TRUE(config->getConfig("Https", https));
    EXPECT_EQ(10554, rtsp["Port"].asInt());
    EXPECT_EQ(80, web["Port"].asInt()) << "untouched";
    EXPECT_EQ(json(R"({"Enabled":true,"Port":8443})"), https);
    EXPECT_FALSE(config->setConfig("Web", json(R"({"Enabled":true,"Port":10554})"), 0))
        << "a port serves one protocol";
}

TEST_F(AdminAgainstSim, IPv6TableReadsBackAsSet)
{
    IConfigManager* config = component<IConfigManager>(m_admin, IConfigManager::kInterfaceName);
    ASSERT_NE(config, nullptr);
    Json::Value table;
    ASSERT_TRUE(config->getConfig("IPv6", table));
    EXPECT_TRUE(holds(json(R"({"eth0":{"Enabled":false,"DHCP":"Off"}})"), table));
    table["eth0"]["Enabled"] = true;
    table["eth0"]["Addresses"].append(json(R"({"Address":"2001:db8::7","PrefixLength":64,"Origin":"Manual"})"));
    table["DefaultGateway"] = "2001:db8::1";
    ASSERT_TRUE(config->setConfig("IPv6", table, 0));
    Json::Value back;
    ASSERT_TRUE(config->getConfig("IPv6", back));
    EXPECT_TRUE(back["eth0"]["Enabled"].asBool());
    EXPECT_EQ("2001:db8::1", back["DefaultGateway"].asString());
    bool found = false;
    for (const Json::Value& a : back["eth0"]["Addresses"])
        found = found || (a["Address"] == "2001:db8::7" && a["Origin"] == "Manual");
    EXPECT_TRUE(found) << back.toStyledString();
}

// A device found on the network is moved by its old address, as discovery does it.
TEST_F(AdminAgainstSim, ReaddressingFindsTheInterfaceByItsOldAddress)
{
    const ServerInfo admin = infoFor("admin", "admin123");
    Json::Value request = json(R"({"IPAddressOld":"192.168.1.64","IPAddress":"10.0.5.5","SubnetMask":"255.255.255.0",
        "DefaultGateway":"10.0.5.1"})"),
                result(Json::objectValue);
    ASSERT_TRUE(RPC::Onvif::changeIPv4Address(admin, request, result));
    Json::Value readRequest(Json::objectValue), table;
    ASSERT_TRUE(RPC::Onvif::getConfigNetwork(admin, readRequest, table));
    EXPECT_TRUE(holds(json(R"({"eth0":{"IPAddress":"10.0.5.5","SubnetMask":"255.255.255.0","DefaultGateway":"10.0.5.1"}})"),
                      table));

    m_device->clearRequests();
    request = json(R"({"IPAddressOld":"10.0.5.5","IPAddress":"10.0.5.6","SubnetMask":"255.255.255.0",
        "DefaultGateway":"10.0.5.1"})");
    ASSERT_TRUE(RPC::Onvif::changeIPv4Address(admin, request, result));
    EXPECT_EQ(0, m_device->count("SetNetworkDefaultGateway")) << "the same gateway is not sent again";
    request["IPAddressOld"] = "192.0.2.99";
    EXPECT_FALSE(RPC::Onvif::changeIPv4Address(admin, request, result)) << "no interface has that address";
}

} // namespace
