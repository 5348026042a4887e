// The field maps of the operation engine: what a request record turns into on the wire,
// and what an answer turns into in the result record.
#include <gtest/gtest.h>

#include "DeviceAnswers.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

using namespace RPC::Onvif;
using Zentar::SOAPFramework::CSOAPMessage;

namespace {

const OnvifField kEnd{nullptr, nullptr, FIELD_TEXT, 0, nullptr, nullptr};

std::string requestText(const OnvifField* fields, const Json::Value& req)
{
    CSOAPMessage msg(true, 2, 0);
    EXPECT_EQ(0, msg.setNSURITable(Namespaces::kDevice));
    EXPECT_EQ(0, msg.setPathPrefix(Zentar::SOAPFramework::SOAP_NODE_BODY));
    EXPECT_EQ(0, msg.set("/tds:Op", static_cast<const char*>(nullptr), true));
    if (writeFields(msg, fields, req) != 0)
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

} // namespace
