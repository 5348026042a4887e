// CPU cost of one GetCapabilities exchange: building and signing the request, then
// parsing a device-sized answer and reading its addresses into the result record; and
// the same operation end to end over HTTP on loopback, where connections are reused.
#include <benchmark/benchmark.h>

#include <string>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"
#include "SOAPFramework/SOAPMessage.h"

using namespace RPC::Onvif;
using namespace Zentar::SOAPFramework;

namespace {

// Shaped like a real camera's answer: every category, extensions, pretty-printed.
std::string capabilitiesBody()
{
    return OnvifTest::soapEnvelope(R"(
  <tds:GetCapabilitiesResponse>
    <tds:Capabilities>
      <tt:Analytics><tt:XAddr>http://192.0.2.20/onvif/analytics</tt:XAddr>
        <tt:RuleSupport>true</tt:RuleSupport><tt:AnalyticsModuleSupport>true</tt:AnalyticsModuleSupport></tt:Analytics>
      <tt:Device><tt:XAddr>http://192.0.2.20/onvif/device_service</tt:XAddr>
        <tt:Network><tt:IPFilter>true</tt:IPFilter><tt:ZeroConfiguration>true</tt:ZeroConfiguration>
          <tt:IPVersion6>true</tt:IPVersion6><tt:DynDNS>true</tt:DynDNS></tt:Network>
        <tt:System><tt:DiscoveryResolve>false</tt:DiscoveryResolve><tt:DiscoveryBye>true</tt:DiscoveryBye>
          <tt:RemoteDiscovery>false</tt:RemoteDiscovery><tt:SystemBackup>false</tt:SystemBackup>
          <tt:SystemLogging>true</tt:SystemLogging><tt:FirmwareUpgrade>true</tt:FirmwareUpgrade>
          <tt:SupportedVersions><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tt:SupportedVersions></tt:System>
        <tt:IO><tt:InputConnectors>1</tt:InputConnectors><tt:RelayOutputs>1</tt:RelayOutputs></tt:IO>
        <tt:Security><tt:TLS1.1>false</tt:TLS1.1><tt:TLS1.2>true</tt:TLS1.2>
          <tt:OnboardKeyGeneration>false</tt:OnboardKeyGeneration><tt:AccessPolicyConfig>true</tt:AccessPolicyConfig>
          <tt:X.509Token>false</tt:X.509Token><tt:SAMLToken>false</tt:SAMLToken>
          <tt:KerberosToken>false</tt:KerberosToken><tt:RELToken>false</tt:RELToken></tt:Security></tt:Device>
      <tt:Events><tt:XAddr>http://192.0.2.20/onvif/Events</tt:XAddr>
        <tt:WSSubscriptionPolicySupport>true</tt:WSSubscriptionPolicySupport>
        <tt:WSPullPointSupport>true</tt:WSPullPointSupport>
        <tt:WSPausableSubscriptionManagerInterfaceSupport>false</tt:WSPausableSubscriptionManagerInterfaceSupport></tt:Events>
      <tt:Imaging><tt:XAddr>http://192.0.2.20/onvif/Imaging</tt:XAddr></tt:Imaging>
      <tt:Media><tt:XAddr>http://192.0.2.20/onvif/Media</tt:XAddr>
        <tt:StreamingCapabilities><tt:RTPMulticast>true</tt:RTPMulticast><tt:RTP_TCP>true</tt:RTP_TCP>
          <tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP></tt:StreamingCapabilities></tt:Media>
      <tt:PTZ><tt:XAddr>http://192.0.2.20/onvif/PTZ</tt:XAddr></tt:PTZ>
      <tt:Extension><tt:DeviceIO><tt:XAddr>http://192.0.2.20/onvif/DeviceIO</tt:XAddr>
        <tt:VideoSources>1</tt:VideoSources><tt:VideoOutputs>0</tt:VideoOutputs>
        <tt:AudioSources>1</tt:AudioSources><tt:AudioOutputs>1</tt:AudioOutputs>
        <tt:RelayOutputs>1</tt:RelayOutputs></tt:DeviceIO></tt:Extension>
    </tds:Capabilities>
  </tds:GetCapabilitiesResponse>)");
}

const OnvifField kCapabilitiesOut[] = {
    textField("Analytics.XAddr", "./Capabilities/Analytics/XAddr"),
    textField("Device.XAddr", "./Capabilities/Device/XAddr"),
    boolField("Device.IPVersion6", "./Capabilities/Device/Network/IPVersion6"),
    intField("Device.Major", "./Capabilities/Device/System/SupportedVersions/Major"),
    textField("Events.XAddr", "./Capabilities/Events/XAddr"),
    boolField("Events.WSPullPointSupport", "./Capabilities/Events/WSPullPointSupport"),
    textField("Imaging.XAddr", "./Capabilities/Imaging/XAddr"),
    textField("Media.XAddr", "./Capabilities/Media/XAddr"),
    boolField("Media.RTP_TCP", "./Capabilities/Media/StreamingCapabilities/RTP_TCP"),
    textField("PTZ.XAddr", "./Capabilities/PTZ/XAddr"),
    textField("DeviceIO.XAddr", "./Capabilities/Extension/DeviceIO/XAddr"),
    {},
};

const OnvifField kCapabilitiesIn[] = {
    textField("Category", "./tds:Category").defaultsTo("All"),
    {},
};

const OnvifOperation kGetCapabilities = OnvifService{"tds", Namespaces::kDevice}("GetCapabilities")
                                            .in(kCapabilitiesIn)
                                            .out(kCapabilitiesOut)
                                            .flag(OP_ANONYMOUS_FIRST | OP_UNAUTH_INFO);

void BM_GetCapabilitiesBuildSignParse(benchmark::State& state)
{
    const std::string answer = capabilitiesBody();
    const Json::Value req;
    std::string body, contentType;
    for (auto _ : state) {
        CSOAPMessage request(true, 2, 0);
        request.setNSURITable(Namespaces::kDevice);
        request.setPathPrefix(SOAP_NODE_BODY);
        request.set("/tds:GetCapabilities", static_cast<const char*>(nullptr), true);
        writeFields(request, kCapabilitiesIn, req);
        request.addAuthorization("admin", "Pa55word!", false, 3600, nullptr, AUTH_WSSE_DIGEST);
        request.serialize(body, contentType);

        CSOAPMessage response(static_cast<const char*>(nullptr));
        response.parse(answer.data(), answer.size());
        response.setNSURITable(Namespaces::kDevice);
        Json::Value rsp;
        if (hasResponseElement(response, "GetCapabilities", false) &&
            response.setPathPrefix(SOAP_NODE_RESPONSE) == 0)
            readFields(response, kCapabilitiesOut, rsp);
        if (rsp.size() != 7)
            state.SkipWithError("answer not read completely");
        benchmark::DoNotOptimize(body.data());
    }
    state.counters["request_bytes"] = static_cast<double>(body.size());
    state.counters["answer_bytes"] = static_cast<double>(answer.size());
}
BENCHMARK(BM_GetCapabilitiesBuildSignParse)->Unit(benchmark::kMicrosecond);

// The whole operation over HTTP to a loopback endpoint. The server counts accepted
// connections: with reuse, thousands of exchanges arrive on one connection.
void BM_GetCapabilitiesLoopback(benchmark::State& state)
{
    const std::string answer = capabilitiesBody();
    OnvifTest::LoopbackHttpServer server([&](const OnvifTest::HttpRequest&, size_t) {
        return OnvifTest::HttpReply::soap(200, answer);
    });
    COnvifLoginInfo login;
    login.m_strUserName = "admin";
    login.m_strPassword = "Pa55word!";
    Json::Value req;
    req["XAddr"] = server.url();
    for (auto _ : state) {
        Json::Value rsp;
        if (runOperation(kGetCapabilities, login, req, rsp) != 0) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
    state.counters["connections"] = server.connectionCount();
    state.counters["exchanges"] = static_cast<double>(server.requestCount());
}
BENCHMARK(BM_GetCapabilitiesLoopback)->Unit(benchmark::kMicrosecond)->Iterations(2000)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setLogToStdout(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
