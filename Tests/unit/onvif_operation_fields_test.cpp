// The field maps of the operation engine: what a request record turns into on the wire,
// and what an answer turns into in the result record.
#include <gtest/gtest.h>

#include "DeviceAnswers.h"
#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

using namespace RPC::Onvif;
using Zentar::SOAPFramework::CSOAPMessage;

namespace {

const OnvifField kEnd{nullptr, nullptr, FIELD_TEXT, 0, nullptr, nullptr};

std::string requestText(const OnvifField* fields, const Json::Value& req, const char* prefix = nullptr)
{
    CSOAPMessage msg(true, 2, 0);
    EXPECT_EQ(0, msg.setNSURITable(Namespaces::kFull));
    EXPECT_EQ(0, msg.setPathPrefix(Zentar::SOAPFramework::SOAP_NODE_BODY));
    EXPECT_EQ(0, msg.set("/tds:Op", static_cast<const char*>(nullptr), true));
    if (writeFields(msg, fields, req, prefix) != 0)
        return "<refused>";
    std::string body, type;
    EXPECT_EQ(0, msg.serialize(body, type));
    return body;
}

TEST(OperationFields, DefaultOnlyWhenAbsentNothingWhenEmpty)
{
    const OnvifField fields[] = {{"Category", "./tds:Category", FIELD_TEXT, 0, "All", nullptr}, kEnd};
    struct Case {
        const char* json;
        const char* expectText;   // nullptr: no Category element at all
    } cases[] = {
        {R"({})", "All"},
        {R"({"Category":"Media"})", "Media"},
        {R"({"Category":""})", nullptr},
        {R"({"Category":null})", nullptr},
    };
    for (const auto& c : cases) {
        Json::Value req;
        ASSERT_TRUE(Json::Reader().parse(c.json, req));
        std::string text = requestText(fields, req);
        if (c.expectText)
            EXPECT_EQ(c.expectText, OnvifTest::elementText(text, "Category")) << c.json;
        else
            EXPECT_EQ(std::string::npos, text.find("Category")) << c.json << ": " << text;
    }
}

TEST(OperationFields, TypedRequestValuesAndRefusals)
{
    const OnvifField fields[] = {
        {"Width", "./tt:Resolution/tt:Width", FIELD_INT, 0, nullptr, nullptr},
        {"Quality", "./tt:Quality", FIELD_DOUBLE, 0, nullptr, nullptr},
        {"Include", "./tds:IncludeCapability", FIELD_BOOL, 0, nullptr, nullptr},
        {"Scopes", "./tds:Scopes[%d]", FIELD_TEXT_LIST, 0, nullptr, nullptr},
        {"Token", "./tds:Token", FIELD_TEXT, FIELD_SEND_EMPTY, nullptr, nullptr},
        kEnd};
    Json::Value req;
    req["Width"] = 1920;
    req["Quality"] = 4.5;
    req["Include"] = true;
    req["Scopes"].append("onvif://www.onvif.org/name/A");
    req["Scopes"].append("onvif://www.onvif.org/location/B");
    std::string text = requestText(fields, req);
    EXPECT_EQ("1920", OnvifTest::elementText(text, "Width"));
    EXPECT_EQ("4.5", OnvifTest::elementText(text, "Quality"));
    EXPECT_EQ("true", OnvifTest::elementText(text, "IncludeCapability"));
    EXPECT_NE(std::string::npos, text.find("location/B"));
    EXPECT_NE(std::string::npos, text.find("Token")) << "sent empty on purpose";

    Json::Value wrongType;
    wrongType["Width"] = "wide";
    EXPECT_EQ("<refused>", requestText(fields, wrongType));
    Json::Value notAList;
    notAList["Scopes"] = "one";
    EXPECT_EQ("<refused>", requestText(fields, notAList));
}

const char* kServicesAnswer = R"(
<tds:GetServicesResponse>
  <tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl</tds:Namespace>
    <tds:XAddr>http://192.0.2.1/onvif/device_service</tds:XAddr>
    <tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version></tds:Service>
  <tds:Service><tds:Namespace>http://www.onvif.org/ver20/media/wsdl</tds:Namespace>
    <tds:XAddr>http://192.0.2.1/onvif/media2</tds:XAddr></tds:Service>
  <tds:Flags><tds:Flag>a</tds:Flag><tds:Flag>b</tds:Flag><tds:Flag>c</tds:Flag></tds:Flags>
</tds:GetServicesResponse>)";

TEST(OperationFields, ResponseRecordsListsAndAlwaysWrittenValues)
{
    const OnvifField service[] = {
        {"Namespace", "./Service[%d]/Namespace", FIELD_TEXT, 0, nullptr, nullptr},
        {"XAddr", "./Service[%d]/XAddr", FIELD_TEXT, 0, nullptr, nullptr},
        {"Version.Major", "./Service[%d]/Version/Major", FIELD_INT, FIELD_ALWAYS, nullptr, nullptr},
        {"Version.Minor", "./Service[%d]/Version/Minor", FIELD_INT, FIELD_ALWAYS, nullptr, nullptr},
        kEnd};
    const OnvifField fields[] = {
        {"Service", "./Service", FIELD_RECORD_LIST, 0, nullptr, service},
        {"Flags", "./Flags/Flag[%d]", FIELD_TEXT_LIST, 0, nullptr, nullptr},
        {"Missing", "./Nothing", FIELD_TEXT, 0, nullptr, nullptr},
        {"MissingBool", "./Nothing", FIELD_BOOL, FIELD_ALWAYS, nullptr, nullptr},
        {"Empty", "./NoList", FIELD_RECORD_LIST, 0, nullptr, service},
        kEnd};
    std::string answer = OnvifTest::soapEnvelope(kServicesAnswer);
    CSOAPMessage msg(static_cast<const char*>(nullptr));
    ASSERT_EQ(0, msg.parse(answer.data(), answer.size()));
    ASSERT_TRUE(hasResponseElement(msg, "GetServices", false));
    ASSERT_EQ(0, msg.setPathPrefix(Zentar::SOAPFramework::SOAP_NODE_RESPONSE));
    Json::Value rsp;
    readFields(msg, fields, rsp);

    ASSERT_EQ(2u, rsp["Service"].size());
    EXPECT_EQ("http://192.0.2.1/onvif/device_service", rsp["Service"][0]["XAddr"].asString());
    EXPECT_EQ(60, rsp["Service"][0]["Version"]["Minor"].asInt());
    EXPECT_EQ("http://www.onvif.org/ver20/media/wsdl", rsp["Service"][1]["Namespace"].asString());
    EXPECT_EQ(0, rsp["Service"][1]["Version"]["Major"].asInt()) << "always written, 0 when absent";
    ASSERT_EQ(3u, rsp["Flags"].size());
    EXPECT_EQ("c", rsp["Flags"][2].asString());
    EXPECT_FALSE(rsp.isMember("Missing"));
    EXPECT_FALSE(rsp["MissingBool"].asBool());
    EXPECT_TRUE(rsp.isMember("MissingBool"));
    EXPECT_FALSE(rsp.isMember("Empty"));
    EXPECT_FALSE(hasResponseElement(msg, "GetCapabilities", false));
}

// The body of a request as sent, from the operation element on.
std::string opElement(const std::string& text)
{
    const size_t at = text.find("<tds:Op");
    const size_t end = text.find("</s:Body>");
    return at == std::string::npos || end == std::string::npos ? text : text.substr(at, end - at);
}

// A path whose first step has no prefix is written in the operation's own namespace, so
// one token map serves every service; every other path goes out as written.
TEST(OperationFields, UnqualifiedFirstStepTakesTheOperationsPrefix)
{
    struct Case {
        const char* path;
        const char* prefix;
        const char* sent;   // the operation element as sent
    } cases[] = {
        {"./ProfileToken", "tptz", "<tds:Op><tptz:ProfileToken>v</tptz:ProfileToken></tds:Op>"},
        {"./ProfileToken", "trt", "<tds:Op><trt:ProfileToken>v</trt:ProfileToken></tds:Op>"},
        {"./Speed/tt:Zoom/@x", "tptz", "<tds:Op><tptz:Speed><tt:Zoom x=\"v\"/></tptz:Speed></tds:Op>"},
        {"./Item[%d]", "tds", "<tds:Op><tds:Item>v</tds:Item></tds:Op>"},
        {"./tt:Name", "tptz", "<tds:Op><tt:Name>v</tt:Name></tds:Op>"},        // already qualified
        {"./@token", "tptz", "<tds:Op token=\"v\"/>"},                          // the element's attribute
        {"/tds:Op/tt:Name", "tptz", "<tds:Op><tt:Name>v</tt:Name></tds:Op>"},  // absolute
        {"./ProfileToken", nullptr, "<tds:Op><ProfileToken>v</ProfileToken></tds:Op>"},
    };
    for (const Case& c : cases) {
        const OnvifField field = std::string(c.path).find("%d") == std::string::npos ? textField("K", c.path)
                                                                                      : textListField("K", c.path);
        const OnvifField fields[] = {field, {}};
        Json::Value req;
        if (field.type == FIELD_TEXT_LIST)
            req["K"].append("v");
        else
            req["K"] = "v";
        EXPECT_EQ(c.sent, opElement(requestText(fields, req, c.prefix))) << c.path << " with " << (c.prefix ? c.prefix : "none");
    }
    const std::string longPath = "./" + std::string(300, 'x');
    const OnvifField tooLong[] = {textField("K", longPath.c_str()), {}};
    Json::Value req;
    req["K"] = "v";
    EXPECT_EQ("<refused>", requestText(tooLong, req, "trt")) << "a path that cannot be qualified is not sent half-written";
}

// Request maps built from a type's description write every element of it in the schema
// namespace, in the description's order.
TEST(OperationFields, RequestBindingOfATypeDescription)
{
    struct CSourceIn : COnvifFieldMap {
        CSourceIn() { addRequest("Configuration", "./tds:Configuration", {CommonFields::kVideoSourceCfg}); }
    } map;
    Json::Value req;
    req["Configuration"]["Name"] = "vs";
    req["Configuration"]["token"] = "VSC1";
    req["Configuration"]["SourceToken"] = "VS1";
    req["Configuration"]["Bounds"]["x"] = 8;
    req["Configuration"]["Bounds"]["width"] = 1920;
    EXPECT_EQ("<tds:Op><tds:Configuration token=\"VSC1\"><tt:Name>vs</tt:Name><tt:SourceToken>VS1</tt:SourceToken>"
              "<tt:Bounds x=\"8\" width=\"1920\"/></tds:Configuration></tds:Op>",
              opElement(requestText(map.fields(), req)));
}

// The recurring types read as the schema writes them (element and attribute names from
// onvif.xsd); a device's own prefixes do not matter.
TEST(OperationFields, RecurringTypesReadSchemaShapedAnswers)
{
    struct CAnswerMap : COnvifFieldMap {
        CAnswerMap()
        {
            addList("OSDs", "./OSDs", {CommonFields::kOsd});
            addList("RelayOutputs", "./RelayOutputs", {CommonFields::kRelayOutput});
            add("Position", "./PTZStatus/Position", {CommonFields::kPtzPanTilt, CommonFields::kPtzZoom});
            add("Range", "./Range", {CommonFields::kRange});
        }
    } map;
    const std::string answer = OnvifTest::soapEnvelope(R"(
<tds:GetThingsResponse>
  <tds:OSDs token="OSD1"><tt:VideoSourceConfigurationToken>VSC1</tt:VideoSourceConfigurationToken>
    <tt:Type>Text</tt:Type>
    <tt:Position><tt:Type>Custom</tt:Type><tt:Pos x="-0.5" y="0.75"/></tt:Position>
    <tt:TextString IsPersistentText="true"><tt:Type>DateAndTime</tt:Type><tt:DateFormat>yyyy-MM-dd</tt:DateFormat>
      <tt:TimeFormat>HH:mm:ss</tt:TimeFormat><tt:FontSize>32</tt:FontSize>
      <tt:FontColor Transparent="2"><tt:Color X="0.1" Y="0.2" Z="0.3" Colorspace="http://www.onvif.org/ver10/colorspace/YCbCr"/></tt:FontColor>
      <tt:PlainText>Gate</tt:PlainText></tt:TextString></tds:OSDs>
  <tds:OSDs token="OSD2"><tt:Type>Image</tt:Type><tt:Image><tt:ImgPath>http://x/logo.png</tt:ImgPath></tt:Image></tds:OSDs>
  <tds:RelayOutputs token="R1"><tt:Properties><tt:Mode>Bistable</tt:Mode><tt:DelayTime>PT1S</tt:DelayTime>
    <tt:IdleState>open</tt:IdleState></tt:Properties></tds:RelayOutputs>
  <tds:PTZStatus><tt:Position><tt:PanTilt x="0.25" y="-1" space="http://s/pt"/><tt:Zoom x="1"/></tt:Position></tds:PTZStatus>
  <tds:Range><tt:Min>1</tt:Min><tt:Max>100</tt:Max></tds:Range>
</tds:GetThingsResponse>)");
    CSOAPMessage msg(static_cast<const char*>(nullptr));
    ASSERT_EQ(0, msg.parse(answer.data(), answer.size()));
    ASSERT_TRUE(hasResponseElement(msg, "GetThings", false));
    ASSERT_EQ(0, msg.setPathPrefix(Zentar::SOAPFramework::SOAP_NODE_RESPONSE));
    Json::Value rsp;
    readFields(msg, map.fields(), rsp);

    ASSERT_EQ(2u, rsp["OSDs"].size());
    const Json::Value& text = rsp["OSDs"][0];
    EXPECT_EQ("OSD1", text["token"].asString());
    EXPECT_EQ("VSC1", text["VideoSourceConfigurationToken"].asString());
    EXPECT_DOUBLE_EQ(-0.5, text["Position"]["Pos"]["x"].asDouble());
    EXPECT_TRUE(text["TextString"]["IsPersistentText"].asBool());
    EXPECT_EQ(32, text["TextString"]["FontSize"].asInt());
    EXPECT_DOUBLE_EQ(0.3, text["TextString"]["FontColor"]["Color"]["Z"].asDouble());
    EXPECT_EQ(2, text["TextString"]["FontColor"]["Transparent"].asInt());
    EXPECT_EQ("Gate", text["TextString"]["PlainText"].asString());
    EXPECT_FALSE(text["TextString"].isMember("BackgroundColor"));
    EXPECT_EQ("http://x/logo.png", rsp["OSDs"][1]["Image"]["ImgPath"].asString());
    EXPECT_FALSE(rsp["OSDs"][1].isMember("TextString"));
    EXPECT_EQ("open", rsp["RelayOutputs"][0]["idlestate"].asString());
    EXPECT_EQ("PT1S", rsp["RelayOutputs"][0]["delaytime"].asString());
    EXPECT_DOUBLE_EQ(-1.0, rsp["Position"]["PanTilt"]["y"].asDouble());
    EXPECT_EQ("http://s/pt", rsp["Position"]["PanTilt"]["space"].asString());
    EXPECT_FALSE(rsp["Position"]["Zoom"].isMember("space"));
    EXPECT_EQ(100, rsp["Range"]["Max"].asInt());
}

} // namespace
