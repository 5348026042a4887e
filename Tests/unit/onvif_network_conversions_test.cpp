// The host's network tables and the device's network records: masks and prefix lengths,
// which address an interface reports, and the requests a host table becomes.
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifNetworkConversions.h"
#include "JsonText.h"

using namespace RPC::Onvif;

namespace {

Json::Value json(const std::string& text)
{
    return OnvifTest::jsonText(text);
}

TEST(NetworkConversions, MaskToPrefixLength)
{
    const struct {
        const char* mask;
        int prefix;
    } cases[] = {
        {"255.255.255.0", 24}, {"255.255.255.255", 32}, {"0.0.0.0", 0},    {"255.255.240.0", 20},
        {"128.0.0.0", 1},      {"255.255.255.254", 31},
        // Not masks: ones that are not contiguous, wrong shapes, out-of-range parts.
        {"255.0.255.0", -1},   {"255.255.255.1", -1},   {"0.255.255.255", -1}, {"255.255.255", -1},
        {"255.255.255.0.0", -1}, {"256.255.255.0", -1}, {"255.255.255.0 ", -1}, {"", -1},
        {"a.b.c.d", -1},       {"0255.255.255.0", -1},  {"255..255.0", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.prefix, prefixLengthOfMask(c.mask)) << c.mask;
}

TEST(NetworkConversions, PrefixLengthToMaskRoundTrips)
{
    for (int prefix = 0; prefix <= 32; ++prefix)
        EXPECT_EQ(prefix, prefixLengthOfMask(maskOfPrefixLength(prefix))) << prefix;
    EXPECT_EQ("255.255.240.0", maskOfPrefixLength(20));
    EXPECT_EQ("", maskOfPrefixLength(-1));
    EXPECT_EQ("", maskOfPrefixLength(33));
}

TEST(NetworkConversions, EthMemberNames)
{
    EXPECT_EQ(0, ethIndex("eth0"));
    EXPECT_EQ(12, ethIndex("eth12"));
    for (const char* other : {"eth", "Domain", "eth-1", "wlan0", "eth0x", "ETH0", "eth1234"})
        EXPECT_EQ(-1, ethIndex(other)) << other;
}

TEST(NetworkConversions, ReportedAddressPrefersTheLeaseThenManualThenLinkLocal)
{
    const struct {
        const char* interface;
        const char* address;   // nullptr: none
        int prefix;
    } cases[] = {
        {R"({"IPv4":{"Config":{"DHCP":true,"FromDHCP":{"Address":"10.9.8.7","PrefixLength":16},
             "Manual":[{"Address":"192.168.1.64","PrefixLength":24}]}}})", "10.9.8.7", 16},
        // DHCP off: a stale lease does not count while a manual address exists.
        {R"({"IPv4":{"Config":{"DHCP":false,"FromDHCP":{"Address":"10.9.8.7","PrefixLength":16},
             "Manual":[{"Address":"192.168.1.64","PrefixLength":24}]}}})", "192.168.1.64", 24},
        {R"({"IPv4":{"Config":{"DHCP":false,"LinkLocal":{"Address":"169.254.1.2","PrefixLength":16}}}})",
         "169.254.1.2", 16},
        // DHCP on without a lease yet: the manual address.
        {R"({"IPv4":{"Config":{"DHCP":true,"Manual":[{"Address":"192.168.1.64","PrefixLength":24}]}}})",
         "192.168.1.64", 24},
        {R"({"IPv4":{"Config":{"DHCP":false}}})", nullptr, 0},
        {R"({"token":"eth0"})", nullptr, 0},
    };
    for (const auto& c : cases) {
        std::string address = "unchanged";
        int prefix = -7;
        EXPECT_EQ(c.address != nullptr, currentIPv4Address(json(c.interface), address, prefix)) << c.interface;
        EXPECT_EQ(c.address ? c.address : "unchanged", address) << c.interface;
        EXPECT_EQ(c.address ? c.prefix : -7, prefix) << c.interface;
    }
}

TEST(NetworkConversions, NetworkTableFromTheThreeAnswers)
{
    const Json::Value interfaces = json(R"({"NetworkInterfaces":[
        {"token":"eth0","Info":{"HwAddress":"00:11:22:33:44:55","MTU":"1500"},
         "IPv4":{"Config":{"DHCP":false,"Manual":[{"Address":"192.168.1.64","PrefixLength":24}]}}},
        {"token":"wlan0","IPv4":{"Config":{"DHCP":true,"FromDHCP":{"Address":"10.9.8.7","PrefixLength":16}}}}]})");
    const Json::Value dns = json(R"({"DNSInformation":{"FromDHCP":false,"SearchDomain":["site.example","b"],
        "DNSManual":[{"Type":"IPv4","IPv4Address":["192.0.2.53"]},{"Type":"IPv6","IPv6Address":["2001:db8::53"]}],
        "DNSFromDHCP":[{"Type":"IPv4","IPv4Address":["10.0.0.53"]}]}})");
    const Json::Value gateway = json(R"({"NetworkGateway":{"IPv4Address":["192.168.1.1"]}})");

    const Json::Value table = networkTableFromDevice(interfaces, dns, gateway);
    EXPECT_EQ(json(R"({"InterfaceToken":"eth0","PhysicalAddress":"00:11:22:33:44:55","MTU":1500,"DhcpEnable":false,
        "IPAddress":"192.168.1.64","SubnetMask":"255.255.255.0","DefaultGateway":"192.168.1.1",
        "DnsServers":["192.0.2.53","2001:db8::53"],"DnsAutoGet":false})"),
              table["eth0"]);
    EXPECT_EQ("wlan0", table["eth1"]["InterfaceToken"].asString());
    EXPECT_EQ("255.255.0.0", table["eth1"]["SubnetMask"].asString());
    EXPECT_TRUE(table["eth1"]["DhcpEnable"].asBool());
    EXPECT_EQ("site.example", table["Domain"].asString());

    // Servers from DHCP when the device takes them from there; nothing unknown invented.
    Json::Value dhcpDns = dns;
    dhcpDns["DNSInformation"]["FromDHCP"] = true;
    EXPECT_EQ(json(R"(["10.0.0.53"])"), networkTableFromDevice(interfaces, dhcpDns, gateway)["eth0"]["DnsServers"]);
    const Json::Value bare = networkTableFromDevice(interfaces, Json::Value(), Json::Value());
    EXPECT_FALSE(bare["eth0"].isMember("DnsServers"));
    EXPECT_FALSE(bare["eth0"].isMember("DefaultGateway"));
    EXPECT_FALSE(bare.isMember("Domain"));
}

TEST(NetworkConversions, InterfaceRequestFromTheHostTable)
{
    Json::Value request;
    std::string why;
    ASSERT_TRUE(interfaceRequestFromHost(
        json(R"({"DhcpEnable":false,"IPAddress":"10.1.2.3","SubnetMask":"255.255.0.0","MTU":1400})"), "eth0",
        request, &why));
    EXPECT_EQ(json(R"({"InterfaceToken":"eth0","NetworkInterface":{"Enabled":true,"MTU":1400,
        "IPv4":{"Enabled":true,"DHCP":false,"Manual":[{"Address":"10.1.2.3","PrefixLength":16}]}}})"),
              request);

    // DHCP on: no manual address, whatever the table says about one.
    ASSERT_TRUE(interfaceRequestFromHost(json(R"({"DhcpEnable":true,"IPAddress":"bad"})"), "eth1", request, &why));
    EXPECT_EQ(json(R"({"Enabled":true,"DHCP":true})"), request["NetworkInterface"]["IPv4"]);

    const struct {
        const char* eth;
        const char* reason;
    } refused[] = {
        {R"({"IPAddress":"10.1.2.3","SubnetMask":"255.0.255.0"})", "SubnetMask"},
        {R"({"IPAddress":"10.1.2.3"})", "SubnetMask"},
        {R"({"IPAddress":"10.1.2","SubnetMask":"255.255.0.0"})", "IPAddress"},
        {R"({"SubnetMask":"255.255.0.0"})", "IPAddress"},
        {R"({"IPAddress":7,"SubnetMask":"255.255.0.0"})", "IPAddress"},
    };
    for (const auto& c : refused) {
        why.clear();
        EXPECT_FALSE(interfaceRequestFromHost(json(c.eth), "eth0", request, &why)) << c.eth;
        EXPECT_NE(std::string::npos, why.find(c.reason)) << c.eth << ": " << why;
    }
}

TEST(NetworkConversions, DnsRequestFromTheHostTable)
{
    EXPECT_EQ(json(R"({"FromDHCP":false,"SearchDomain":["site.example"],
        "DNSManual":[{"Type":"IPv4","IPv4Address":["192.0.2.53"]},{"Type":"IPv6","IPv6Address":["2001:db8::53"]}]})"),
              dnsRequestFromHost(json(R"({"eth0":{"DnsAutoGet":false,"DnsServers":["192.0.2.53","","2001:db8::53"]},
                  "Domain":"site.example"})")));
    EXPECT_EQ(json(R"({"FromDHCP":true})"), dnsRequestFromHost(json(R"({"eth0":{"DnsAutoGet":true}})")));
    EXPECT_TRUE(dnsRequestFromHost(json(R"({"eth0":{"IPAddress":"10.1.2.3"}})")).isNull()) << "nothing about DNS";
    EXPECT_TRUE(dnsRequestFromHost(json(R"([1,2])")).isNull());
}

TEST(NetworkConversions, IPv6TableAndItsRequest)
{
    const Json::Value interfaces = json(R"({"NetworkInterfaces":[
        {"token":"eth0","IPv6":{"Enabled":true,"Config":{"AcceptRouterAdvert":true,"DHCP":"Stateless",
          "Manual":[{"Address":"2001:db8::9","PrefixLength":64}],
          "LinkLocal":[{"Address":"fe80::1","PrefixLength":64}]}}},
        {"token":"eth1"}]})");
    const Json::Value table =
        ipv6TableFromDevice(interfaces, json(R"({"NetworkGateway":{"IPv6Address":["2001:db8::1"]}})"));
    EXPECT_EQ(json(R"({"InterfaceToken":"eth0","Enabled":true,"AcceptRouterAdvert":true,"DHCP":"Stateless",
        "Addresses":[{"Address":"2001:db8::9","PrefixLength":64,"Origin":"Manual"},
                     {"Address":"fe80::1","PrefixLength":64,"Origin":"LinkLocal"}]})"),
              table["eth0"]);
    EXPECT_EQ(json(R"({"InterfaceToken":"eth1"})"), table["eth1"]) << "no IPv6 element, no IPv6 members";
    EXPECT_EQ("2001:db8::1", table["DefaultGateway"].asString());

    // The table read back goes out with its manual addresses only.
    Json::Value request;
    std::string why;
    ASSERT_TRUE(ipv6RequestFromHost(table["eth0"], "eth0", request, &why)) << why;
    EXPECT_EQ(json(R"({"InterfaceToken":"eth0","NetworkInterface":{"IPv6":{"Enabled":true,
        "AcceptRouterAdvert":true,"DHCP":"Stateless","Manual":[{"Address":"2001:db8::9","PrefixLength":64}]}}})"),
              request);
    EXPECT_FALSE(ipv6RequestFromHost(json(R"({"DHCP":"Sometimes"})"), "eth0", request, &why));
    EXPECT_FALSE(ipv6RequestFromHost(json(R"({"Addresses":[{"Address":"10.0.0.1","PrefixLength":8}]})"), "eth0",
                                     request, &why));
    EXPECT_FALSE(ipv6RequestFromHost(json(R"({"Addresses":[{"Address":"2001:db8::9","PrefixLength":129}]})"), "eth0",
                                     request, &why));
}

TEST(NetworkConversions, PortsAreTheFirstPortOfEachProtocol)
{
    EXPECT_EQ(json(R"({"HTTP":{"Enabled":true,"Port":80},"RTSP":{"Enabled":true,"Port":554},
        "HTTPS":{"Enabled":false}})"),
              portsFromDevice(json(R"({"NetworkProtocols":[{"Name":"HTTP","Enabled":true,"Port":[80,8080]},
                  {"Name":"RTSP","Enabled":true,"Port":[554]},{"Name":"HTTPS","Enabled":false},{"Enabled":true}]})")));
}

} // namespace
