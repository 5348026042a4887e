// The event service object against recorded-style answers: every row's request element,
// WS-Addressing headers and result keys; where subscription requests really go; how pulled
// messages are typed by the topic set; and how a broken connection or a pull-point fault
// reaches the caller.
#include <gtest/gtest.h>

#include <set>

#include "OnvifProtocolCore/EventHanding/OnvifEventHanding.h"
#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace {

std::string eventEnvelope(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tev=\"http://www.onvif.org/ver10/events/wsdl\" xmlns:wsnt=\"http://docs.oasis-open.org/wsn/b-2\" "
           "xmlns:wsa=\"http://www.w3.org/2005/08/addressing\" xmlns:wstop=\"http://docs.oasis-open.org/wsn/t-1\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:tns1=\"http://www.onvif.org/ver10/topics\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><env:Body>" +
           body + "</env:Body></env:Envelope>";
}

// One command against a device answering `reply`; "$URL" in the request is the device's
// address, so subscription references can point at it.
Exchange runEvent(const char* command, const std::string& requestJson, const HttpReply& reply)
{
    LoopbackHttpServer server([&](const HttpRequest&, size_t) { return reply; });
    std::string text = requestJson;
    for (size_t at = text.find("$URL"); at != std::string::npos; at = text.find("$URL"))
        text.replace(at, 4, server.url("/onvif/subscription?id=7"));
    Json::Value req = parseJson(text);
    if (!req.isMember("XAddr") && !req.isMember("PullpointAddr") && !req.isMember("SubscriptionReference"))
        req["XAddr"] = server.url("/onvif/event_service");
    Exchange ex;
    COnvifEventHanding service(mediaLogin());
    ex.ret = service.execute(command, req, ex.rsp);
    ex.requests = server.requests();
    return ex;
}

Exchange runEvent(const char* command, const std::string& requestJson, const std::string& answerBody)
{
    return runEvent(command, requestJson, HttpReply::soap(200, eventEnvelope(answerBody)));
}

struct EventRowCase {
    const char* command;
    const char* request;
    const char* element;                                        // qualified request element
    const char* action;                                         // WS-Addressing Action, "" for none
    bool toHeader;                                              // To names the addressed endpoint
    std::vector<std::pair<std::string, std::string>> sent;      // local element -> text
    std::string answer;
    std::vector<std::pair<std::string, std::string>> result;    // result path -> JSON
};

void PrintTo(const EventRowCase& c, std::ostream* os) { *os << c.command; }

const char kReference[] = "<wsa:Address>http://192.0.2.9/onvif/subscription?id=7</wsa:Address>";
const char kTimes[] =
    "<wsnt:CurrentTime>2024-05-01T10:00:00Z</wsnt:CurrentTime>"
    "<wsnt:TerminationTime>2024-05-01T10:01:00Z</wsnt:TerminationTime>";

const std::vector<EventRowCase> kCases = {
    {"Subscribe",
     R"({"Subscribe":{"ConsumerReference":{"Address":"http://192.0.2.1:8099/onvif_notify_server"},
         "InitialTerminationTime":"PT60S"}})",
     "wsnt:Subscribe", "http://docs.oasis-open.org/wsn/bw-2/NotificationProducer/SubscribeRequest", false,
     {{"Address", "http://192.0.2.1:8099/onvif_notify_server"}, {"InitialTerminationTime", "PT60S"}},
     std::string("<wsnt:SubscribeResponse><wsnt:SubscriptionReference>") + kReference +
         "</wsnt:SubscriptionReference>" + kTimes + "</wsnt:SubscribeResponse>",
     {{"SubscriptionReference/Address", "\"http://192.0.2.9/onvif/subscription?id=7\""},
      {"CurrentTime", "\"2024-05-01T10:00:00Z\""},
      {"TerminationTime", "\"2024-05-01T10:01:00Z\""}}},
    {"Unsubscribe", R"({"SubscriptionReference":{"Address":"$URL"}})", "wsnt:Unsubscribe",
     "http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/UnsubscribeRequest", true, {},
     "<wsnt:UnsubscribeResponse/>", {}},
    {"Renew", R"({"SubscriptionReference":{"Address":"$URL"},"Renew":{"TerminationTime":"PT60S"}})", "wsnt:Renew",
     "http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/RenewRequest", true, {{"TerminationTime", "PT60S"}},
     "<wsnt:RenewResponse><wsnt:TerminationTime>2024-05-01T10:02:00Z</wsnt:TerminationTime>"
     "<wsnt:CurrentTime>2024-05-01T10:01:00Z</wsnt:CurrentTime></wsnt:RenewResponse>",
     {{"CurrentTime", "\"2024-05-01T10:01:00Z\""}, {"TerminationTime", "\"2024-05-01T10:02:00Z\""}}},
    {"SetSynchronizationPoint", R"({"SubscriptionReference":{"Address":"$URL"}})", "tev:SetSynchronizationPoint",
     "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/SetSynchronizationPointRequest", true, {},
     "<tev:SetSynchronizationPointResponse/>", {}},
    {"CreatePullPointSubscription", "{}", "tev:CreatePullPointSubscription",
     "http://www.onvif.org/ver10/events/wsdl/EventPortType/CreatePullPointSubscriptionRequest", true, {},
     std::string("<tev:CreatePullPointSubscriptionResponse><tev:SubscriptionReference>") + kReference +
         "</tev:SubscriptionReference>" + kTimes + "</tev:CreatePullPointSubscriptionResponse>",
     {{"SubscriptionReference/Address", "\"http://192.0.2.9/onvif/subscription?id=7\""},
      {"TerminationTime", "\"2024-05-01T10:01:00Z\""}}},
    {"PullMessages", R"({"PullpointAddr":"$URL","PullMessages":{"Timeout":"PT5S","MessageLimit":10}})",
     "tev:PullMessages", "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/PullMessagesRequest", true,
     {{"Timeout", "PT5S"}, {"MessageLimit", "10"}},
     "<tev:PullMessagesResponse><tev:CurrentTime>2024-05-01T10:00:05Z</tev:CurrentTime>"
     "<tev:TerminationTime>2024-05-01T10:01:05Z</tev:TerminationTime></tev:PullMessagesResponse>",
     {{"CurrentTime", "\"2024-05-01T10:00:05Z\""}, {"NotificationMessage", "null"}}},
    {"Seek", R"({"UtcTime":"2024-05-01T09:00:00Z","Reverse":true})", "tev:Seek", "", false,
     {{"UtcTime", "2024-05-01T09:00:00Z"}, {"Reverse", "true"}}, "<tev:SeekResponse/>", {}},
    {"GetEventProperties", "{}", "tev:GetEventProperties", "", false, {},
     "<tev:GetEventPropertiesResponse><wsnt:FixedTopicSet>true</wsnt:FixedTopicSet><wstop:TopicSet>"
     "<tns1:VideoSource><MotionAlarm wstop:topic=\"true\"><tt:MessageDescription IsProperty=\"true\">"
     "<tt:Source><tt:SimpleItemDescription Name=\"Source\" Type=\"tt:ReferenceToken\"/></tt:Source>"
     "<tt:Data><tt:SimpleItemDescription Name=\"State\" Type=\"xsd:boolean\"/></tt:Data>"
     "</tt:MessageDescription></MotionAlarm></tns1:VideoSource></wstop:TopicSet></tev:GetEventPropertiesResponse>",
     {{"FixedTopicSet", "true"},
      {"TopicSet/0/Topic", "\"VideoSource/MotionAlarm\""},
      {"TopicSet/0/IsProperty", "\"true\""},
      {"TopicSet/0/Data/0/Type", "\"xsd:boolean\""}}},
    {"GetServiceCapabilities", "{}", "tev:GetServiceCapabilities", "", false, {},
     "<tev:GetServiceCapabilitiesResponse><tev:Capabilities WSSubscriptionPolicySupport=\"true\" "
     "WSPullPointSupport=\"True\" WSPausableSubscriptionManagerInterfaceSupport=\"false\" "
     "MaxNotificationProducers=\"6\" MaxPullPoints=\"4\" PersistentNotificationStorage=\"false\"/>"
     "</tev:GetServiceCapabilitiesResponse>",
     {{"WSPullPointSupport", "true"}, {"MaxPullPoints", "4"}, {"PersistentNotificationStorage", "false"}}},
};

class EventRows : public ::testing::TestWithParam<EventRowCase> {};

TEST_P(EventRows, SendsTheRequestWithItsHeadersAndReadsTheAnswer)
{
    const EventRowCase& c = GetParam();
    Exchange ex = runEvent(c.command, c.request, c.answer);
    ASSERT_EQ(0, ex.ret) << c.command;
    ASSERT_EQ(1u, ex.requests.size());
    const std::string body = ex.body();
    EXPECT_NE(std::string::npos, body.find("<" + std::string(c.element))) << body;
    EXPECT_EQ(*c.action ? c.action : "<absent>", sentValue(body, "Action")) << body;
    // The To header names the endpoint as the device knows it: the subscription or pull
    // point, or the event service itself for CreatePullPointSubscription.
    const std::string to = sentValue(body, "To");
    if (c.toHeader) {
        EXPECT_EQ(ex.requests.front().header("host"), to.substr(7, to.find('/', 7) - 7)) << body;
    } else {
        EXPECT_EQ("<absent>", to) << body;
    }
    for (const auto& s : c.sent)
        EXPECT_EQ(s.second, sentValue(body, s.first)) << s.first << " in " << body;
    for (const auto& r : c.result)
        EXPECT_EQ(parseJson(r.second), at(ex.rsp, r.first)) << r.first << " in " << ex.rsp.toStyledString();
}

TEST_P(EventRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    const EventRowCase& c = GetParam();
    Exchange ex = runEvent(c.command, c.request, "<tt:SomethingElseResponse/>");
    EXPECT_EQ(-1, ex.ret) << c.command;
    EXPECT_EQ(1u, ex.requests.size());
    for (const auto& r : c.result) {
        if (r.second != "null") {
            EXPECT_TRUE(at(ex.rsp, r.first).isNull()) << r.first;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllCommands, EventRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EventRowCase>& info) {
                             return std::string(info.param.command);
                         });

TEST(EventRowsCoverage, EveryCommandHasExactlyOneCaseInRegistrationOrder)
{
    const COnvifEventHanding service(mediaLogin());
    std::vector<std::string> covered;
    for (const EventRowCase& c : kCases)
        covered.push_back(c.command);
    std::vector<std::string> commands;
    for (const COnvifOperationTable* table : service.getOperationTables())
        for (const std::string& command : table->commands())
            commands.push_back(command);
    EXPECT_EQ(covered, commands);
}

// ---- Where subscription requests go -------------------------------------------------------

// A device behind a port mapping names its private address in the reference; the request
// travels to the mapped address while the To header keeps the device's own.
TEST(EventAddressing, SubscriptionRequestsConnectToTheMappedAddressAndNameTheDevicesOwn)
{
    for (const char* command : {"Renew", "Unsubscribe", "SetSynchronizationPoint"}) {
        Exchange ex = runEvent(
            command,
            R"({"SubscriptionReference":{"Address":"http://10.1.1.5/onvif/Subscription?Idx=3",)"
            R"("MappedAddress":"$URL"}})",
            std::string("<wsnt:") + command + "Response/>");
        ASSERT_EQ(1u, ex.requests.size()) << command;
        EXPECT_EQ("/onvif/subscription?id=7", ex.requests.front().target) << command;
        EXPECT_EQ("http://10.1.1.5/onvif/Subscription?Idx=3", sentValue(ex.body(), "To")) << command;
    }
    Exchange pull = runEvent(
        "PullMessages", R"({"PullpointAddr":"http://10.1.1.5/pull","SubscriptionReference":{"MappedAddress":"$URL"}})",
        "<tev:PullMessagesResponse/>");
    ASSERT_EQ(1u, pull.requests.size());
    EXPECT_EQ("http://10.1.1.5/pull", sentValue(pull.body(), "To"));
}

TEST(EventAddressing, RequestsWithoutTheirAddressAreNotSent)
{
    for (const char* command : {"Renew", "Unsubscribe", "SetSynchronizationPoint", "PullMessages"}) {
        Exchange ex = runEvent(command, R"({"SubscriptionReference":{"Address":""}})", "<wsnt:RenewResponse/>");
        EXPECT_EQ(-1, ex.ret) << command;
        EXPECT_TRUE(ex.requests.empty()) << command;
    }
}

// ---- Pulled messages ------------------------------------------------------------------------

const char kTopicSet[] = R"({"TopicSet":[
    {"Topic":"RuleEngine/CellMotionDetector/Motion",
      "Source":[{"Name":"VideoSourceConfigurationToken","Type":"tt:ReferenceToken"},{"Name":"Rule","Type":"xs:string"}],
      "Data":[{"Name":"IsMotion","Type":"xs:boolean"}]},
    {"Topic":"Monitoring/Counter","Data":[{"Name":"Count","Type":"xs:int"},{"Name":"Total","Type":"xs:positiveInteger"},
      {"Name":"Ratio","Type":"xs:float"},{"Name":"Blob","Type":"xs:base64Binary"}]}]})";

std::string notification(const std::string& topic, const std::string& operation, const std::string& items)
{
    return "<wsnt:NotificationMessage><wsnt:Topic Dialect=\"http://www.onvif.org/ver10/tev/topicExpression/"
           "ConcreteSet\">" + topic + "</wsnt:Topic><wsnt:Message><tt:Message UtcTime=\"2024-05-01T10:00:03Z\"" +
           (operation.empty() ? "" : " PropertyOperation=\"" + operation + "\"") + ">" + items +
           "</tt:Message></wsnt:Message></wsnt:NotificationMessage>";
}

Exchange pullWith(const std::string& messages)
{
    Json::Value req = parseJson(kTopicSet);
    req["PullpointAddr"] = "$URL";
    Json::StreamWriterBuilder writer;
    return runEvent("PullMessages", Json::writeString(writer, req),
                    "<tev:PullMessagesResponse><tev:CurrentTime>2024-05-01T10:00:05Z</tev:CurrentTime>"
                    "<tev:TerminationTime>2024-05-01T10:01:05Z</tev:TerminationTime>" + messages +
                        "</tev:PullMessagesResponse>");
}

TEST(EventPull, ItemsAreTypedByTheirDeclaredTypes)
{
    Exchange ex = pullWith(
        notification("tns1:RuleEngine/CellMotionDetector/Motion", "Changed",
                     "<tt:Source><tt:SimpleItem Name=\"VideoSourceConfigurationToken\" Value=\"VSC_1\"/>"
                     "<tt:SimpleItem Name=\"Undeclared\" Value=\"x\"/></tt:Source>"
                     "<tt:Data><tt:SimpleItem Name=\"IsMotion\" Value=\"true\"/></tt:Data>") +
        notification("tns1:Monitoring/Counter", "",
                     "<tt:Data><tt:SimpleItem Name=\"Count\" Value=\"42\"/><tt:SimpleItem Name=\"Total\" Value=\"7\"/>"
                     "<tt:SimpleItem Name=\"Ratio\" Value=\"0.5\"/><tt:SimpleItem Name=\"Blob\" Value=\"AA==\"/>"
                     "</tt:Data>"));
    ASSERT_EQ(0, ex.ret);
    const Json::Value& m = ex.rsp["NotificationMessage"];
    ASSERT_EQ(2u, m.size()) << ex.rsp.toStyledString();
    EXPECT_EQ("tns1:RuleEngine/CellMotionDetector/Motion", m[0]["Topic"].asString());
    EXPECT_EQ("Changed", at(m, "0/Message/Message/PropertyOperation").asString());
    EXPECT_EQ(Json::Value("VSC_1"), at(m, "0/Message/Message/Source/SimpleItem/0/Value"));
    EXPECT_EQ(Json::Value("Undeclared"), at(m, "0/Message/Message/Source/SimpleItem/1/Name"));
    EXPECT_TRUE(at(m, "0/Message/Message/Source/SimpleItem/1/Value").isNull()) << "an undeclared item has no value";
    EXPECT_EQ(Json::Value(true), at(m, "0/Message/Message/Data/SimpleItem/0/Value"));
    EXPECT_EQ(Json::Value(42), at(m, "1/Message/Message/Data/SimpleItem/0/Value"));
    EXPECT_EQ(Json::Value("7"), at(m, "1/Message/Message/Data/SimpleItem/1/Value")) << "positiveInteger stays text";
    EXPECT_EQ(Json::Value(0.5), at(m, "1/Message/Message/Data/SimpleItem/2/Value"));
    EXPECT_TRUE(at(m, "1/Message/Message/Data/SimpleItem/3/Value").isNull()) << "a type nobody reads";
    EXPECT_TRUE(at(m, "1/Message/Message/PropertyOperation").isNull()) << "an empty operation is not copied";
}

TEST(EventPull, AMessageOfAnUndeclaredTopicKeepsOnlyItsTopicAndOperation)
{
    Exchange ex = pullWith(notification("tns1:Vendor/Thing", "Changed",
                                        "<tt:Data><tt:SimpleItem Name=\"State\" Value=\"1\"/></tt:Data>"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_EQ(Json::Value("tns1:Vendor/Thing"), at(ex.rsp, "NotificationMessage/0/Topic"));
    EXPECT_EQ(Json::Value("Changed"), at(ex.rsp, "NotificationMessage/0/Message/Message/PropertyOperation"));
    EXPECT_TRUE(at(ex.rsp, "NotificationMessage/0/Message/Message/Data").isNull());
}

// A pull point that cannot wait as long as asked says how long it can; the caller keeps
// that for its next pulls.
TEST(EventPull, APullPointFaultNamesItsLimits)
{
    for (const char* detail : {"env:Detail", "env:detail"}) {
        const std::string fault = std::string("<env:Fault><env:Code><env:Value>env:Receiver</env:Value></env:Code>"
                                              "<env:Reason><env:Text xml:lang=\"en\">Timeout too long</env:Text>"
                                              "</env:Reason><") + detail + "><tev:PullMessagesFaultResponse>"
                                  "<tev:MaxTimeout>PT20S</tev:MaxTimeout><tev:MaxMessageLimit>5</tev:MaxMessageLimit>"
                                  "</tev:PullMessagesFaultResponse></" + detail + "></env:Fault>";
        Exchange ex =
            runEvent("PullMessages", R"({"PullpointAddr":"$URL"})", HttpReply::soap(500, eventEnvelope(fault)));
        EXPECT_EQ(-1, ex.ret);
        EXPECT_EQ(Json::Value("PT20S"), ex.rsp["MaxTimeout"]) << detail;
        EXPECT_EQ(Json::Value(5), ex.rsp["MaxMessageLimit"]) << detail;
        EXPECT_FALSE(ex.rsp.isMember("RecvError") || ex.rsp.isMember("SendError")) << "a fault is an answer";
    }
}

// The caller recreates a subscription on a dead connection and keeps it on a refusal.
TEST(EventPull, ABrokenConnectionIsMarkedBySide)
{
    Exchange dropped = runEvent("PullMessages", R"({"PullpointAddr":"$URL"})", HttpReply::close());
    EXPECT_EQ(-1, dropped.ret);
    EXPECT_EQ(Json::Value("true"), dropped.rsp["RecvError"]) << dropped.rsp.toStyledString();
    EXPECT_FALSE(dropped.rsp.isMember("SendError"));

    COnvifEventHanding service(mediaLogin());
    Json::Value req(Json::objectValue), rsp(Json::objectValue);
    req["SubscriptionReference"]["Address"] =
        "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/onvif/subscription";
    EXPECT_EQ(-1, service.execute("Unsubscribe", req, rsp));
    EXPECT_EQ(Json::Value("true"), rsp["SendError"]) << rsp.toStyledString();
    EXPECT_FALSE(rsp.isMember("RecvError"));
}

// ---- The topic tree -----------------------------------------------------------------------------

TEST(EventTopics, TheTreeIsWalkedDepthFirstWithEveryFormOfItemDescription)
{
    Exchange ex = runEvent(
        "GetEventProperties", "{}",
        "<tev:GetEventPropertiesResponse><wstop:TopicSet>"
        "<tns1:RuleEngine><CellMotionDetector><Motion wstop:topic=\"true\"><tt:MessageDescription IsProperty=\"true\">"
        "<tt:Source><tt:SimpleItemDescription Name=\"VideoSourceConfigurationToken\" Type=\"tt:ReferenceToken\"/>"
        "<tt:SimpleItemDescription Name=\"Rule\" Type=\"xsd:string\"/></tt:Source>"
        "<tt:Data><tt:SimpleItemDescription Name=\"IsMotion\" Type=\"xsd:boolean\"/></tt:Data>"
        "</tt:MessageDescription></Motion></CellMotionDetector>"
        "<TamperDetector><Tamper><tt:MessageDescription IsProperty=\"true\">"
        "<tt:Data><tt:SimpleItem Name=\"IsTamper\" Type=\"xsd:boolean\"/></tt:Data>"
        "</tt:MessageDescription></Tamper></TamperDetector></tns1:RuleEngine>"
        "<tns1:Device><Trigger><DigitalInput><tt:MessageDescription IsProperty=\"true\">"
        "<tt:Source><tt:SimpleItemDescription Name=\"InputToken\" Type=\"tt:ReferenceToken\"/></tt:Source>"
        "</tt:MessageDescription></DigitalInput></Trigger></tns1:Device>"
        // A vendor's tree beside the standard one, under a root of the same local name.
        "<v:Device xmlns:v=\"urn:vendor\"><Fan><tt:MessageDescription/></Fan></v:Device>"
        "</wstop:TopicSet></tev:GetEventPropertiesResponse>");
    ASSERT_EQ(0, ex.ret);
    const Json::Value& t = ex.rsp["TopicSet"];
    ASSERT_EQ(4u, t.size()) << ex.rsp.toStyledString();
    EXPECT_EQ("RuleEngine/CellMotionDetector/Motion", t[0]["Topic"].asString());
    EXPECT_EQ(2u, t[0]["Source"].size());
    EXPECT_EQ("Rule", t[0]["Source"][1]["Name"].asString());
    EXPECT_EQ("RuleEngine/TamperDetector/Tamper", t[1]["Topic"].asString());
    EXPECT_EQ("IsTamper", at(t, "1/Data/0/Name").asString()) << "the single-item form";
    EXPECT_EQ("xsd:boolean", at(t, "1/Data/0/Type").asString());
    EXPECT_EQ("Device/Trigger/DigitalInput", t[2]["Topic"].asString());
    EXPECT_EQ("Device/Fan", t[3]["Topic"].asString());
    EXPECT_TRUE(t[3]["Source"].empty());
}

} // namespace
