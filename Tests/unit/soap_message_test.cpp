// CSOAPMessage: the path grammar on requests and device answers, the getters, parse().
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "SOAPFramework/SOAPMessage.h"

using namespace Zentar::SOAPFramework;

namespace {

const char* const kSoap12 = "http://www.w3.org/2003/05/soap-envelope";
const char* const kTds = "http://www.onvif.org/ver10/device/wsdl";
const char* const kTt = "http://www.onvif.org/ver10/schema";

const NSEntry kDeviceTable[] = {
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance"},
    {"wsa5", "http://www.w3.org/2005/08/addressing"},
    {"xop", "http://www.w3.org/2004/08/xop/include"},
    {"tt", kTt},
    {"tds", kTds},
    {nullptr, nullptr},
};

// A request with the Body selected and the device table declared, as callers make it.
struct CRequest {
    CSOAPMessage message{true, 2, 0};
    CRequest()
    {
        EXPECT_EQ(0, message.setNSURITable(kDeviceTable));
        EXPECT_EQ(0, message.setPathPrefix(SOAP_NODE_BODY));
    }
};

std::string wire(const CSOAPMessage& message)
{
    std::string body;
    std::string contentType;
    EXPECT_EQ(0, message.serialize(body, contentType));
    return body;
}

// Reads the serialized request back with pugixml itself, so a fault in the path code
// cannot hide behind the same fault on the reading side.
pugi::xml_node parseWith(pugi::xml_document& document, const std::string& text)
{
    EXPECT_TRUE(document.load_string(text.c_str()));
    return document.document_element();
}

} // namespace

// ---- building requests ------------------------------------------------------------

TEST(SOAPMessageBuild, OperationThenRelativeChildrenLandInsideTheOperation)
{
    CRequest request;
    ASSERT_EQ(0, request.message.set("/tds:GetCapabilities", nullptr));
    ASSERT_EQ(0, request.message.set("./tds:Category", "All"));
    ASSERT_EQ(0, request.message.set("./tt:Foo/tt:Bar", "deep"));
    EXPECT_EQ(0, request.message.getLastError());

    pugi::xml_document document;
    const pugi::xml_node envelope = parseWith(document, wire(request.message));
    EXPECT_STREQ("s:Envelope", envelope.name());
    EXPECT_STREQ(kSoap12, envelope.attribute("xmlns:s").value());
    EXPECT_STREQ(kTds, envelope.attribute("xmlns:tds").value());
    EXPECT_STREQ(kTt, envelope.attribute("xmlns:tt").value());
    const pugi::xml_node operation = envelope.child("s:Body").child("tds:GetCapabilities");
    EXPECT_STREQ("All", operation.child("tds:Category").text().get());
    EXPECT_STREQ("deep", operation.child("tt:Foo").child("tt:Bar").text().get());
    EXPECT_FALSE(envelope.child("s:Header")) << "no Header unless something needs one";
}

TEST(SOAPMessageBuild, SerializedRequestParsesBackWithTheSameValues)
{
    CRequest request;
    request.message.set("/tds:SetScopes", nullptr);
    for (int i = 0; i < 3; ++i) {
        request.message.set("./tds:Scopes[%d]", ("onvif://www.onvif.org/name/cam" + std::to_string(i)).c_str(), true, i);
    }
    request.message.set("./tt:Config/@token", "cfg 1");
    const std::string text = wire(request.message);
    EXPECT_EQ(0u, text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0));

    CSOAPMessage answer(nullptr);
    ASSERT_EQ(0, answer.parse(text.data(), text.size()));
    ASSERT_EQ(0, answer.setPathPrefix(SOAP_NODE_RESPONSE));
    ASSERT_EQ(3, answer.getArraySize("./Scopes"));
    EXPECT_STREQ("onvif://www.onvif.org/name/cam2", answer.getAsCString("./tds:Scopes[%d]", 2));
    EXPECT_STREQ("cfg 1", answer.getAsCString("./Config/@token"));
}

struct STypedCase {
    const char* name;
    double value;
    const char* text;
};

// Numbers must read back exactly and stay locale-free: a device parses them as xs:double.
TEST(SOAPMessageBuild, DoublesUseTheShortestRoundTripText)
{
    const STypedCase cases[] = {
        {"half", 0.5, "0.5"},
        {"tenth", 0.1, "0.1"},
        {"negative", -2.25, "-2.25"},
        {"whole", 30.0, "30"},
        {"tiny", 1e-7, "1e-07"},
        {"huge", 1e20, "1e+20"},
        {"third", 1.0 / 3.0, "0.3333333333333333"},
        {"nan", std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {"inf", std::numeric_limits<double>::infinity(), "INF"},
        {"minus inf", -std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const STypedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CRequest request;
        ASSERT_EQ(0, request.message.set("/tds:Op/tt:Value", c.value));
        EXPECT_STREQ(c.text, request.message.getAsCString("./tt:Value"));
        const double back = request.message.getAsDouble("./tt:Value");
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(back));
        } else {
            EXPECT_EQ(c.value, back);
        }
    }
}

TEST(SOAPMessageBuild, IntsAndBoolsWriteTheirXmlSchemaForms)
{
    CRequest request;
    request.message.set("/tds:Op", nullptr);
    request.message.set("./tt:Min", std::numeric_limits<int>::min());
    request.message.set("./tt:Zero", 0);
    request.message.set("./tt:Yes", true);
    request.message.set("./tt:No", false);
    EXPECT_STREQ("-2147483648", request.message.getAsCString("./tt:Min"));
    EXPECT_EQ(std::numeric_limits<int>::min(), request.message.getAsInt("./tt:Min"));
    EXPECT_STREQ("0", request.message.getAsCString("./tt:Zero"));
    EXPECT_STREQ("true", request.message.getAsCString("./tt:Yes"));
    EXPECT_STREQ("false", request.message.getAsCString("./tt:No"));
    EXPECT_TRUE(request.message.getAsBool("./tt:Yes"));
    EXPECT_EQ(0, request.message.getLastCode());
}

TEST(SOAPMessageBuild, AttributesOnAChildAndOnTheCurrentNode)
{
    CRequest request;
    request.message.set("/tds:SetVideoEncoderConfiguration", nullptr);
    ASSERT_EQ(0, request.message.set("./tt:Configuration/@token", "vec1"));
    ASSERT_EQ(0, request.message.set("./tt:Configuration/@token", "vec2")) << "rewrites, no duplicate";
    ASSERT_EQ(0, request.message.set("@xsi:nil", "false"));

    pugi::xml_document document;
    const pugi::xml_node operation =
        parseWith(document, wire(request.message)).child("s:Body").first_child();
    const pugi::xml_node configuration = operation.child("tt:Configuration");
    EXPECT_STREQ("vec2", configuration.attribute("token").value());
    EXPECT_FALSE(configuration.attribute("token").next_attribute());
    EXPECT_STREQ("false", operation.attribute("xsi:nil").value());
    EXPECT_STREQ("vec2", request.message.getAsCString("./Configuration/@token"));
}

TEST(SOAPMessageBuild, IndexSlotsAddressAndAppendSiblingsInOrder)
{
    CRequest request;
    request.message.set("/tds:SetDPAddresses", nullptr);
    for (int i = 0; i < 2; ++i) {
        request.message.set("./tds:DPAddress[%d]/tt:Type", "IPv4", true, i);
        for (int j = 0; j < 3; ++j) {
            const std::string address = "10.0." + std::to_string(i) + "." + std::to_string(j);
            ASSERT_EQ(0, request.message.set("./tds:DPAddress[%d]/tt:IPv4Address[%d]", address.c_str(), true, i, j));
        }
    }
    EXPECT_EQ(0, request.message.getLastError());
    EXPECT_EQ(2, request.message.getArraySize("./tds:DPAddress"));
    EXPECT_EQ(3, request.message.getArraySize("./tds:DPAddress[%d]/tt:IPv4Address", 1));
    EXPECT_STREQ("10.0.1.2", request.message.getAsCString("./DPAddress[%d]/IPv4Address[%d]", 1, 2));
    EXPECT_STREQ("10.0.0.1", request.message.getAsCString("./DPAddress[0]/IPv4Address[1]"));

    // Siblings stay in order, grouped after the ones already there.
    pugi::xml_document document;
    const pugi::xml_node first = parseWith(document, wire(request.message))
                                     .child("s:Body").first_child().child("tds:DPAddress");
    std::string order;
    for (pugi::xml_node child : first.children()) {
        order += child.text().get();
        order += ';';
    }
    EXPECT_EQ("IPv4;10.0.0.0;10.0.0.1;10.0.0.2;", order);

    // An appended slot joins its group, not the end.
    request.message.set("./tds:Other", "o");
    ASSERT_EQ(0, request.message.set("./tds:DPAddress[%d]/tt:Type", "IPv6", true, 2));
    EXPECT_STREQ("DPAddress", request.message.getChildName("./", 2));
    EXPECT_STREQ("Other", request.message.getChildName("./", 3));
}

TEST(SOAPMessageBuild, SlotPastTheEndFailsInsteadOfPadding)
{
    CRequest request;
    request.message.set("/tds:SetScopes", nullptr);
    EXPECT_EQ(-1, request.message.set("./tds:Scopes[%d]", "x", true, 1));
    EXPECT_NE(0, request.message.getLastError());
    EXPECT_EQ(0, request.message.getArraySize("./tds:Scopes"));
    EXPECT_EQ(0, request.message.set("./tds:Scopes[%d]", "x", true, 0));
    EXPECT_NE(0, request.message.getLastError()) << "the failure stays recorded";
}

TEST(SOAPMessageBuild, WithoutASlotRepeatedSetsRewriteTheFirstElement)
{
    CRequest request;
    request.message.set("/tds:SetHostname/tds:Name", "one");
    request.message.set("/tds:SetHostname/tds:Name", "two");
    EXPECT_EQ(1, request.message.getArraySize("./tds:Name"));
    EXPECT_STREQ("two", request.message.getAsCString("./tds:Name"));
    request.message.set("./tds:Name", nullptr);
    EXPECT_STREQ("", request.message.getAsCString("./tds:Name")) << "null empties it";
}

TEST(SOAPMessageBuild, ParentStepsAndAbsolutePaths)
{
    CRequest request;
    request.message.set("/tds:Op/tt:A/tt:Inner", "1");
    ASSERT_EQ(0, request.message.set("./tt:A/tt:Inner/../../tt:B", "2"));
    ASSERT_EQ(0, request.message.set("/Envelope/Body/tds:Op/tt:C", "3"));
    EXPECT_STREQ("2", request.message.getAsCString("/Envelope/Body/Op/B"));
    EXPECT_STREQ("3", request.message.getAsCString("./tt:C"));
    EXPECT_STREQ("1", request.message.getAsCString("./tt:B/../tt:A/tt:Inner"));
    EXPECT_EQ(nullptr, request.message.getAsCString("/Envelope/../Envelope")) << "no step above the root";
}

TEST(SOAPMessageBuild, HeaderSectionIsCreatedBeforeTheBody)
{
    CRequest request;
    request.message.set("/tds:GetDeviceInformation", nullptr);
    ASSERT_EQ(0, request.message.setPathPrefix(SOAP_NODE_HEADER));
    ASSERT_EQ(0, request.message.set("/wsa5:To", "http://cam/onvif"));
    ASSERT_EQ(0, request.message.set("./wsa5:Action", "urn:x"));

    pugi::xml_document document;
    const pugi::xml_node envelope = parseWith(document, wire(request.message));
    EXPECT_STREQ("s:Header", envelope.first_child().name());
    EXPECT_STREQ("s:Body", envelope.first_child().next_sibling().name());
    EXPECT_STREQ("urn:x", envelope.child("s:Header").child("wsa5:Action").text().get());
    EXPECT_STREQ("http://cam/onvif", request.message.getAsCString("/Envelope/Header/To"));
}

TEST(SOAPMessageBuild, XmlFragmentValueIsInsertedAsElements)
{
    CRequest request;
    ASSERT_EQ(0, request.message.set("/tds:Op", "<tt:A>1</tt:A><tt:B x=\"y\"/>", false));
    EXPECT_STREQ("B", request.message.getChildName("./", 1));
    EXPECT_STREQ("1", request.message.getAsCString("./A"));
    EXPECT_STREQ("y", request.message.getAsCString("./B/@x"));
    EXPECT_EQ(-1, request.message.set("/tds:Op", "<broken>", false));
    EXPECT_EQ(-1, request.message.set("./tt:Ctl", "a\x01b")) << "no XML 1.0 form exists";
    EXPECT_EQ(nullptr, request.message.getAsCString("./tt:Ctl"));
    EXPECT_EQ(0, request.message.set("./tt:Tab", "a\tb\r\nc <&> \"q\""));
    EXPECT_STREQ("a\tb\r\nc <&> \"q\"", request.message.getAsCString("./tt:Tab"));
}

// Each row is a path that must be refused without touching the message.
TEST(SOAPMessageBuild, MalformedOrUnsafePathsAreRefused)
{
    const std::string longPath = "./" + std::string(2000, 'a');
    const char* const paths[] = {
        "//tds:Op",              // empty step
        "./tt:A//tt:B",          // empty step in the middle
        "./[%d]",                // index without a name
        "./tt:A[%d",             // unclosed index
        "./tt:A[x]",             // index that is not a number
        "./tt:A[%s]",            // only %d is a slot
        "./tt:A[9999999]",       // absurd literal index
        "./tt:A[%d]/tt:B[%d]/tt:C[%d]", // a third slot has no value
        "./@tt:a/tt:B",          // attribute before the end
        "./@xmlns:evil",         // declarations are not attributes to write
        "./1abc",                // not an XML name
        "./a b",                 // space in a name
        "./a<b",                 // markup in a name
        "./zz:Undeclared",       // prefix not in the table
        "./tt:New/zz:Late",      // fails after creating tt:New: rolled back
        "./tt:New/tt:Item[3]",   // index past the end below a new element
        "./tt:New/@zz:attr",     // undeclared attribute prefix
        "./tt:",                 // empty local name
        "/Envelope[1]",          // would be a second document element
        "/Envelope/../Other",    // nothing above the root
        longPath.c_str(),        // absurdly long
        nullptr,
    };
    for (const char* path : paths) {
        SCOPED_TRACE(path != nullptr ? std::string(path).substr(0, 40) : "null");
        CRequest request;
        request.message.set("/tds:Op", nullptr);
        const std::string before = wire(request.message);
        EXPECT_EQ(-1, request.message.set(path, "v", true, 0, 0));
        EXPECT_NE(0, request.message.getLastError());
        EXPECT_EQ(before, wire(request.message));
        EXPECT_EQ(nullptr, request.message.getAsCString(path, 0, 0));
    }
}

// ---- reading device answers ---------------------------------------------------------

namespace {

// How one device spells its answer: envelope prefix, device and schema prefixes, the
// declarations that make them legal, and whitespace around values.
struct SDeviceDialect {
    const char* name;
    const char* envelopeTag;   // "s:", "SOAP-ENV:", ""
    const char* envelopeDecl;
    const char* devicePrefix;  // for tds elements
    const char* deviceDecl;    // declared on the response element
    const char* schemaPrefix;  // for tt elements
    const char* schemaDecl;    // declared on each top tt element
    const char* pad;           // around text values (pretty printers)
};

const SDeviceDialect kDialects[] = {
    {"usual prefixes", "s:", " xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"", "tds:",
     " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"", "tt:",
     " xmlns:tt=\"http://www.onvif.org/ver10/schema\"", ""},
    {"numbered prefixes", "SOAP-ENV:", " xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\"",
     "ns1:", " xmlns:ns1=\"http://www.onvif.org/ver10/device/wsdl\"", "ns2:",
     " xmlns:ns2=\"http://www.onvif.org/ver10/schema\"", "\n      "},
    {"default namespaces", "", " xmlns=\"http://www.w3.org/2003/05/soap-envelope\"", "",
     " xmlns=\"http://www.onvif.org/ver10/device/wsdl\"", "",
     " xmlns=\"http://www.onvif.org/ver10/schema\"", " \t"},
    {"one prefix rebound", "env:", " xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"",
     "onvif:", " xmlns:onvif=\"http://www.onvif.org/ver10/device/wsdl\"", "onvif:",
     " xmlns:onvif=\"http://www.onvif.org/ver10/schema\"", "\r\n"},
    {"no namespaces, SOAP 1.1 tag", "SOAP-ENV:",
     " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"", "", "", "", "", ""},
};

// Fills {E} {ED} {D} {DD} {T} {TD} {P} in a template.
std::string render(std::string text, const SDeviceDialect& d)
{
    const std::pair<const char*, const char*> keys[] = {
        {"{ED}", d.envelopeDecl}, {"{E}", d.envelopeTag}, {"{DD}", d.deviceDecl},
        {"{D}", d.devicePrefix},  {"{TD}", d.schemaDecl}, {"{T}", d.schemaPrefix},
        {"{P}", d.pad},
    };
    for (const auto& key : keys) {
        for (size_t at = text.find(key.first); at != std::string::npos; at = text.find(key.first, at)) {
            text.replace(at, std::strlen(key.first), key.second);
            at += std::strlen(key.second);
        }
    }
    return text;
}

const char kCapabilitiesAnswer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<{E}Envelope{ED}><{E}Header/><{E}Body>\n"
    " <{D}GetCapabilitiesResponse{DD}><{D}Capabilities>\n"
    "  <{T}Analytics{TD}><{T}XAddr>{P}http://192.168.1.64/onvif/analytics{P}</{T}XAddr>"
    "<{T}RuleSupport>true</{T}RuleSupport></{T}Analytics>\n"
    "  <{T}Device{TD}><{T}XAddr>{P}http://192.168.1.64/onvif/device_service{P}</{T}XAddr>\n"
    "   <{T}Network><{T}IPFilter>false</{T}IPFilter><{T}ZeroConfiguration>1</{T}ZeroConfiguration>"
    "</{T}Network>\n"
    "   <{T}System><{T}DiscoveryResolve>false</{T}DiscoveryResolve>"
    "<{T}SupportedVersions><{T}Major>{P}2{P}</{T}Major><{T}Minor>60</{T}Minor></{T}SupportedVersions>"
    "<{T}SupportedVersions><{T}Major>2</{T}Major><{T}Minor>40</{T}Minor></{T}SupportedVersions>"
    "</{T}System>\n"
    "  </{T}Device>\n"
    "  <{T}Media{TD}><{T}XAddr>http://192.168.1.64/onvif/media</{T}XAddr>"
    "<{T}StreamingCapabilities><{T}RTPMulticast>false</{T}RTPMulticast><{T}RTP_TCP>true</{T}RTP_TCP>"
    "<{T}RTP_RTSP_TCP>{P}true{P}</{T}RTP_RTSP_TCP></{T}StreamingCapabilities></{T}Media>\n"
    " </{D}Capabilities></{D}GetCapabilitiesResponse>\n"
    "</{E}Body></{E}Envelope>\n";

const char kProfilesAnswer[] =
    "<{E}Envelope{ED}><{E}Body><{D}GetProfilesResponse{DD}>"
    "<{D}Profiles token=\"Profile_1\" fixed=\"true\"><{T}Name{TD}>{P}mainStream{P}</{T}Name>"
    "<{T}VideoEncoderConfiguration{TD} token=\"VEC_1\"><{T}Name>VideoEncoder_1</{T}Name>"
    "<{T}UseCount>1</{T}UseCount><{T}Encoding>H264</{T}Encoding>"
    "<{T}Resolution><{T}Width>1920</{T}Width><{T}Height>1080</{T}Height></{T}Resolution>"
    "<{T}Quality>4.5</{T}Quality></{T}VideoEncoderConfiguration></{D}Profiles>"
    "<{D}Profiles token=\"Profile_2\" fixed=\"false\"><{T}Name{TD}>subStream</{T}Name>"
    "<{T}VideoSourceConfiguration{TD} token=\"VSC_1\"><{T}Bounds x=\"0\" y=\"0\" width=\"640\" "
    "height=\"360\"/></{T}VideoSourceConfiguration>"
    "<{T}VideoEncoderConfiguration{TD} token=\"VEC_2\"><{T}Encoding>JPEG</{T}Encoding>"
    "<{T}Resolution><{T}Width>{P}640{P}</{T}Width><{T}Height>360</{T}Height></{T}Resolution>"
    "<{T}Quality>3</{T}Quality></{T}VideoEncoderConfiguration></{D}Profiles>"
    "</{D}GetProfilesResponse></{E}Body></{E}Envelope>";

class SOAPMessageDeviceAnswer : public ::testing::TestWithParam<SDeviceDialect> {
protected:
    // Parsed the way the exchange core does it: empty message, parse, table, response.
    void load(const char* templateText)
    {
        const std::string text = render(templateText, GetParam());
        ASSERT_EQ(0, m_answer.parse(text.data(), text.size())) << text;
        ASSERT_EQ(0, m_answer.setNSURITable(kDeviceTable));
        ASSERT_EQ(0, m_answer.setPathPrefix(SOAP_NODE_RESPONSE));
    }
    CSOAPMessage m_answer{nullptr};
};

} // namespace

TEST_P(SOAPMessageDeviceAnswer, CapabilitiesReadWithOrWithoutPrefixes)
{
    load(kCapabilitiesAnswer);
    const char* const xaddrPaths[] = {
        "./tt:Capabilities/tt:Device/tt:XAddr",
        "./Capabilities/Device/XAddr",
        "./tds:Capabilities/onvif:Device/XAddr",
        "/Envelope/Body/GetCapabilitiesResponse/Capabilities/Device/XAddr",
        "/GetCapabilitiesResponse/Capabilities/Device/XAddr",
    };
    for (const char* path : xaddrPaths) {
        EXPECT_STREQ("http://192.168.1.64/onvif/device_service", m_answer.getAsCString(path)) << path;
    }
    EXPECT_STREQ("http://192.168.1.64/onvif/analytics", m_answer.getAsCString("./Capabilities/Analytics/XAddr"));
    EXPECT_TRUE(m_answer.getAsBool("./Capabilities/Media/StreamingCapabilities/RTP_RTSP_TCP"));
    EXPECT_FALSE(m_answer.getAsBool("./Capabilities/Media/StreamingCapabilities/RTPMulticast"));
    EXPECT_TRUE(m_answer.getAsBool("./Capabilities/Device/Network/ZeroConfiguration"));
    EXPECT_EQ(2, m_answer.getArraySize("./Capabilities/Device/System/SupportedVersions"));
    EXPECT_EQ(2, m_answer.getAsInt("./Capabilities/Device/System/SupportedVersions[%d]/Major", 0));
    EXPECT_EQ(40, m_answer.getAsInt("./Capabilities/Device/System/SupportedVersions[%d]/Minor", 1));
    EXPECT_STREQ("Analytics", m_answer.getChildName("./Capabilities", 0));
    EXPECT_STREQ("Media", m_answer.getChildName("./Capabilities", 2));
    EXPECT_EQ(nullptr, m_answer.getChildName("./Capabilities", 3));
    EXPECT_EQ(nullptr, m_answer.getAsCString("./Capabilities/Events/XAddr"));
}

TEST_P(SOAPMessageDeviceAnswer, ProfilesReadWithSlotsAndAttributes)
{
    load(kProfilesAnswer);
    ASSERT_EQ(2, m_answer.getArraySize("./Profiles"));
    EXPECT_STREQ("Profile_1", m_answer.getAsCString("./trt:Profiles[%d]/@token", 0));
    EXPECT_STREQ("Profile_2", m_answer.getAsCString("./Profiles[%d]/@token", 1));
    EXPECT_STREQ("mainStream", m_answer.getAsCString("./Profiles[%d]/Name", 0));
    EXPECT_EQ(1920, m_answer.getAsInt("./Profiles[%d]/VideoEncoderConfiguration/Resolution/Width", 0));
    EXPECT_EQ(640, m_answer.getAsInt("./Profiles[%d]/tt:VideoEncoderConfiguration/tt:Resolution/tt:Width", 1));
    EXPECT_DOUBLE_EQ(4.5, m_answer.getAsDouble("./Profiles[%d]/VideoEncoderConfiguration/Quality", 0));
    EXPECT_STREQ("VEC_2", m_answer.getAsCString("./Profiles[%d]/VideoEncoderConfiguration/@token", 1));
    EXPECT_EQ(360, m_answer.getAsInt("./Profiles[%d]/VideoSourceConfiguration/Bounds/@height", 1));
    bool fixed = true;
    EXPECT_EQ(0, m_answer.get("./Profiles[%d]/@fixed", fixed, 1));
    EXPECT_FALSE(fixed);
    EXPECT_EQ(0, m_answer.getArraySize("./Profiles[%d]/VideoSourceConfiguration", 0));
    EXPECT_EQ(nullptr, m_answer.getAsCString("./Profiles[%d]/Name", 2));
    EXPECT_STREQ("H264", m_answer.getAsCString("./Profiles/VideoEncoderConfiguration/Encoding"))
        << "no index means the first";
}

INSTANTIATE_TEST_SUITE_P(Dialects, SOAPMessageDeviceAnswer, ::testing::ValuesIn(kDialects),
                         [](const ::testing::TestParamInfo<SDeviceDialect>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

// ---- getters on absent or odd values ------------------------------------------------

namespace {

const char kOddValues[] =
    "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body><R>"
    "<Text>  spaced out \r\n</Text><Empty/><Blank>   </Blank>"
    "<Mixed> head <Child>c</Child> tail </Mixed>"
    "<Int>12abc</Int><Big>99999999999</Big><Plus>+7</Plus><Neg>-3</Neg>"
    "<Yes>1</Yes><No>false</No><Maybe>yes</Maybe><Real>2.5e3</Real>"
    "<Long>abcdefgh</Long><Escaped>a &amp; b &lt;c&gt;</Escaped>"
    "<Item>1</Item><Item>2</Item><Item>3</Item></R></s:Body></s:Envelope>";

class SOAPMessageGetters : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, m_answer.getLastCode());
        ASSERT_EQ(0, m_answer.setPathPrefix(SOAP_NODE_RESPONSE));
    }
    CSOAPMessage m_answer{kOddValues};
};

} // namespace

struct STextCase {
    const char* path;
    const char* text; // nullptr: not found
};

// Text is the element's own, trimmed; a name matches whole or not at all; every read sets the
// last code, so a found node after a missing one must clear it again.
TEST_F(SOAPMessageGetters, TextIsTrimmedOwnTextOrNotFound)
{
    const STextCase cases[] = {
        {"./Text", "spaced out"}, {"./Empty", ""}, {"./Blank", ""}, {"./Escaped", "a & b <c>"},
        {"./Mixed", "head  tail"}, // the child's text is not the element's
        {"./Nothing", nullptr}, {"./Nothing/Deeper", nullptr}, {"./Text/@missing", nullptr},
        {"./Tex", nullptr}, {"./Texts", nullptr}, // names match whole, not by prefix
        {"./Item", "1"},                          // no index means the first
    };
    for (const STextCase& c : cases) {
        SCOPED_TRACE(c.path);
        const char* text = m_answer.getAsCString(c.path);
        if (c.text == nullptr) {
            EXPECT_EQ(nullptr, text);
        } else {
            EXPECT_STREQ(c.text, text);
        }
        EXPECT_EQ(c.text != nullptr, m_answer.getLastCode() == 0);
    }
}

TEST_F(SOAPMessageGetters, HandedOutTextsStayValidWhileReadingOn)
{
    const char* first = m_answer.getAsCString("./Text");
    const char* second = m_answer.getAsCString("./Mixed");
    for (int k = 0; k < 100; ++k) {
        m_answer.getAsCString("./Text");
        m_answer.getAsCString("./Item[%d]", k % 3);
    }
    EXPECT_STREQ("spaced out", first);
    EXPECT_STREQ("head  tail", second);
}

struct SScalarCase {
    const char* path;
    bool isBool;   // read with the bool getters, else the int ones
    bool found;
    int value;     // the int, or 1/0 for a bool
};

// Scalars parse strictly to their XML Schema forms; a failed read leaves the caller's
// variable alone and the plain getter answers 0 / false.
TEST_F(SOAPMessageGetters, ScalarsParseStrictlyAndLeaveTheTargetOnFailure)
{
    const SScalarCase cases[] = {
        {"./Int", false, false, 0}, // trailing garbage
        {"./Big", false, false, 0}, // out of range
        {"./Empty", false, false, 0}, {"./Nothing", false, false, 0},
        {"./Plus", false, true, 7}, // xs:int allows a sign
        {"./Neg", false, true, -3}, {"./Item[%d]", false, true, 2},
        {"./Yes", true, true, 1},   // "1" is an xs:boolean
        {"./No", true, true, 0},    {"./Maybe", true, false, 0}, // "yes" is not
    };
    for (const SScalarCase& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.isBool) {
            for (const bool before : {false, true}) {
                bool value = before;
                EXPECT_EQ(c.found ? 0 : -1, m_answer.get(c.path, value, 1));
                EXPECT_EQ(c.found ? c.value != 0 : before, value);
            }
            EXPECT_EQ(c.value != 0, m_answer.getAsBool(c.path, 1));
        } else {
            int value = -99;
            EXPECT_EQ(c.found ? 0 : -1, m_answer.get(c.path, value, 1));
            EXPECT_EQ(c.found ? c.value : -99, value);
            EXPECT_EQ(c.value, m_answer.getAsInt(c.path, 1));
        }
        EXPECT_EQ(c.found, m_answer.getLastCode() == 0);
    }
    EXPECT_DOUBLE_EQ(2500.0, m_answer.getAsDouble("./Real"));
    EXPECT_EQ(0.0, m_answer.getAsDouble("./Int"));
    EXPECT_NE(0, m_answer.getLastCode());
}

TEST_F(SOAPMessageGetters, ArraySizesCountTheLastStep)
{
    EXPECT_EQ(3, m_answer.getArraySize("./Item"));
    EXPECT_EQ(3, m_answer.getArraySize("./Item[%d]", 0)) << "the last step's index is not a filter";
    EXPECT_EQ(1, m_answer.getArraySize("./Text"));
    EXPECT_EQ(0, m_answer.getArraySize("./Missing"));
    EXPECT_EQ(0, m_answer.getArraySize("./Missing/Item"));
    EXPECT_EQ(1, m_answer.getArraySize("/Envelope/Body/R"));
    EXPECT_EQ(0, m_answer.getArraySize("./a//b"));
}

TEST_F(SOAPMessageGetters, BufferCopiesAreTruncatedAndTerminated)
{
    char buffer[5];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, m_answer.get("./Long", buffer, sizeof(buffer)));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(0, m_answer.getLastCode());
    char one[1] = {'x'};
    EXPECT_EQ(0, m_answer.get("./Long", one, sizeof(one)));
    EXPECT_EQ('\0', one[0]);
    char roomy[32];
    EXPECT_EQ(0, m_answer.get("./Text", roomy, sizeof(roomy)));
    EXPECT_STREQ("spaced out", roomy);
    EXPECT_EQ(-1, m_answer.get("./Missing", roomy, sizeof(roomy)));
    EXPECT_NE(0, m_answer.getLastCode());
    EXPECT_STREQ("", roomy);
    EXPECT_EQ(-1, m_answer.get("./Long", roomy, 0));
    EXPECT_EQ(-1, m_answer.get("./Long", nullptr, 8));
}

TEST_F(SOAPMessageGetters, ChildNamesByPosition)
{
    EXPECT_STREQ("Text", m_answer.getChildName("./", 0));
    EXPECT_STREQ("Mixed", m_answer.getChildName(".", 3));
    EXPECT_STREQ("Child", m_answer.getChildName("./Mixed", 0)) << "text nodes are not counted";
    EXPECT_EQ(nullptr, m_answer.getChildName("./Mixed", 1));
    EXPECT_EQ(nullptr, m_answer.getChildName("./Text", 0));
    EXPECT_EQ(nullptr, m_answer.getChildName("./Missing", 0));
    EXPECT_EQ(nullptr, m_answer.getChildName("./", -1));
    EXPECT_STREQ("R", m_answer.getChildName("/Envelope/Body", 0));
}

TEST(SOAPMessageSections, MissingSectionsCannotBeSelected)
{
    CSOAPMessage empty(nullptr);
    EXPECT_EQ(-1, empty.setPathPrefix(SOAP_NODE_BODY));
    EXPECT_EQ(nullptr, empty.getAsCString("/Envelope/Body"));
    EXPECT_EQ(0, empty.getArraySize("./x"));

    CSOAPMessage noResponse("<Envelope><Body/></Envelope>");
    EXPECT_EQ(0, noResponse.setPathPrefix(SOAP_NODE_BODY));
    EXPECT_EQ(-1, noResponse.setPathPrefix(SOAP_NODE_RESPONSE));
    EXPECT_EQ(-1, noResponse.setPathPrefix(SOAP_NODE_HEADER)) << "a response gets no Header made up";
    EXPECT_EQ(-1, noResponse.setPathPrefix(9));

    CRequest request;
    EXPECT_EQ(-1, request.message.setPathPrefix(SOAP_NODE_RESPONSE)) << "no operation yet";
    request.message.set("/tds:Op", nullptr);
    EXPECT_EQ(0, request.message.setPathPrefix(SOAP_NODE_RESPONSE));
    EXPECT_EQ(0, request.message.set("./tt:X", "1"));
    EXPECT_STREQ("1", request.message.getAsCString("/Envelope/Body/Op/X"));
}

TEST(SOAPMessageSections, NamespaceTablesAreValidatedAsAWhole)
{
    const NSEntry noPrefix[] = {{"tt", kTt}, {nullptr, "urn:x"}, {nullptr, nullptr}};
    const NSEntry noUri[] = {{"tt", nullptr}, {nullptr, nullptr}};
    const NSEntry badPrefix[] = {{"t t", kTt}, {nullptr, nullptr}};
    const NSEntry reserved[] = {{"xmlns", kTt}, {nullptr, nullptr}};
    const NSEntry envelopeClash[] = {{"s", "urn:other"}, {nullptr, nullptr}};
    const NSEntry* const bad[] = {nullptr, noPrefix, noUri, badPrefix, reserved, envelopeClash};
    for (const NSEntry* table : bad) {
        CSOAPMessage request(true, 2, 0);
        EXPECT_EQ(-1, request.setNSURITable(table));
        request.setPathPrefix(SOAP_NODE_BODY);
        EXPECT_EQ(-1, request.set("/tt:Op", "x")) << "nothing of a refused table is declared";
    }
    CSOAPMessage request(true, 2, 0);
    const NSEntry first[] = {{"tt", "urn:old"}, {nullptr, nullptr}};
    ASSERT_EQ(0, request.setNSURITable(first));
    ASSERT_EQ(0, request.setNSURITable(kDeviceTable));
    pugi::xml_document document;
    const pugi::xml_node envelope = parseWith(document, wire(request));
    EXPECT_STREQ(kTt, envelope.attribute("xmlns:tt").value()) << "redeclared, not duplicated";
}

// ---- parse() on hostile input -------------------------------------------------------

namespace {

const char kSmallEnvelope[] =
    "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\">"
    "<s:Header><a:Action xmlns:a=\"urn:a\">x</a:Action></s:Header><s:Body>"
    "<r:GetWsdlUrlResponse xmlns:r=\"urn:r\" k=\"v\"><r:WsdlUrl>http://www.onvif.org/</r:WsdlUrl>"
    "<r:Note>&lol9;</r:Note><![CDATA[<raw>]]></r:GetWsdlUrlResponse></s:Body></s:Envelope>";

} // namespace

struct SRefusedCase {
    const char* reason;
    std::string text;
};

TEST(SOAPMessageParse, RefusesWhatIsNotASoapEnvelope)
{
    const SRefusedCase cases[] = {
        {"empty", ""},
        {"blank", "   \n"},
        {"not xml", "HTTP/1.1 200 OK"},
        {"plain html", "<html><body>401</body></html>"},
        {"envelope without body", "<s:Envelope xmlns:s=\"urn:s\"><s:Header/></s:Envelope>"},
        {"body outside the envelope", "<Body/>"},
        {"mismatched end", "<Envelope><Body></Envelope>"},
        {"two roots", "<Envelope><Body/></Envelope><Envelope><Body/></Envelope>"},
        {"dtd", "<!DOCTYPE Envelope><Envelope><Body/></Envelope>"},
        {"billion laughs",
         "<?xml version=\"1.0\"?><!DOCTYPE Envelope [<!ENTITY a \"aaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
         "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
         "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">"
         "]><Envelope><Body><R>&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;</R></Body></Envelope>"},
        {"external entity",
         "<!DOCTYPE Envelope [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<Envelope><Body><R>&x;</R></Body></Envelope>"},
    };
    for (const SRefusedCase& c : cases) {
        SCOPED_TRACE(c.reason);
        CSOAPMessage message(kSmallEnvelope);
        ASSERT_EQ(0, message.getLastCode());
        EXPECT_EQ(-1, message.parse(c.text.data(), c.text.size()));
        EXPECT_EQ(-1, message.getLastCode());
        EXPECT_EQ(nullptr, message.getAsCString("/Envelope/Body/GetWsdlUrlResponse/WsdlUrl"))
            << "the old content is gone";
    }
    CSOAPMessage message(nullptr);
    EXPECT_EQ(-1, message.parse(nullptr, 10));
}

TEST(SOAPMessageParse, SizeLimitIsEnforcedBeforeParsing)
{
    const std::string head = "<Envelope><Body><R>";
    const std::string tail = "</R></Body></Envelope>";
    std::string text = head + std::string(kMaxSoapMessageSize - head.size() - tail.size(), 'x') + tail;
    CSOAPMessage message(nullptr);
    EXPECT_EQ(0, message.parse(text.data(), text.size())) << "exactly at the limit";
    text.insert(head.size(), "y");
    EXPECT_EQ(-1, message.parse(text.data(), text.size()));
}

// A cut anywhere must fail cleanly; only cuts after the closing tag may still succeed.
TEST(SOAPMessageParse, EveryTruncationFailsCleanly)
{
    const std::string text = std::string(kSmallEnvelope) + "\n";
    const size_t complete = text.find("</s:Envelope>") + std::strlen("</s:Envelope>");
    for (size_t cut = 0; cut < text.size(); ++cut) {
        CSOAPMessage message(nullptr);
        const int result = message.parse(text.data(), cut);
        EXPECT_EQ(cut >= complete ? 0 : -1, result) << "cut at " << cut;
    }
}

TEST(SOAPMessageParse, ParsedMessageReadsAndPrints)
{
    CSOAPMessage message(kSmallEnvelope);
    ASSERT_EQ(0, message.getLastCode());
    EXPECT_STREQ("x", message.getAsCString("/Envelope/Header/Action"));
    ASSERT_EQ(0, message.setPathPrefix(SOAP_NODE_RESPONSE));
    EXPECT_STREQ("http://www.onvif.org/", message.getAsCString("./WsdlUrl"));
    EXPECT_STREQ("<raw>", message.getAsCString("."));
    EXPECT_STREQ("&lol9;", message.getAsCString("./Note")) << "an undeclared entity stays literal";
    EXPECT_STREQ("v", message.getAsCString("@k"));
    const std::string dump = message.print();
    EXPECT_NE(std::string::npos, dump.find("<r:WsdlUrl>http://www.onvif.org/</r:WsdlUrl>"));
    EXPECT_NE(std::string::npos, dump.find("\n  <s:Body>")) << "indented, one node a line";
    message.setLastCode(401);
    EXPECT_EQ(401, message.getLastCode());
}
