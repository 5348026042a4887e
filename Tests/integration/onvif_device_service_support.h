#pragma once
// Shared by the device service tests: a login and request for a loopback device, and
// checks of what arrived (elements by local name, whatever prefix) and of result records.
#include <gtest/gtest.h>
#include <json/json.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"

namespace DeviceServiceTest {

constexpr const char* kUser = "operator";
constexpr const char* kPassword = "s3cret&<pw>";

inline RPC::Onvif::COnvifLoginInfo loginFor(const OnvifTest::LoopbackHttpServer& server,
                                            const std::string& user = kUser)
{
    RPC::Onvif::COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    login.m_iPort = server.port();
    login.m_strUserName = user;
    login.m_strPassword = kPassword;
    return login;
}

inline Json::Value parseJson(const std::string& text)
{
    Json::Value value;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text << errors;
    return value;
}

// The operation keys of `json` plus what every caller adds.
inline Json::Value requestFor(const OnvifTest::LoopbackHttpServer& server, const std::string& json = "{}")
{
    Json::Value req = parseJson(json);
    req["XAddr"] = server.url();
    req["TimeDifference"] = 0;
    req["UseStamp"] = false;
    return req;
}

// Start tags in `xml` whose local name is localName: the offset just past each tag's
// '>' (or npos for an empty-element tag "<x/>"). Closing tags, declarations and
// comments are skipped; prefixes are whatever the writer chose.
inline std::vector<size_t> startTags(const std::string& xml, const std::string& localName)
{
    std::vector<size_t> found;
    for (size_t lt = xml.find('<'); lt != std::string::npos; lt = xml.find('<', lt + 1)) {
        const size_t nameBegin = lt + 1;
        if (nameBegin >= xml.size() || xml[nameBegin] == '/' || xml[nameBegin] == '?' || xml[nameBegin] == '!')
            continue;
        const size_t nameEnd = xml.find_first_of(" \t\r\n/>", nameBegin);
        if (nameEnd == std::string::npos)
            break;
        std::string name = xml.substr(nameBegin, nameEnd - nameBegin);
        const size_t colon = name.find(':');
        if (colon != std::string::npos)
            name.erase(0, colon + 1);
        const size_t gt = xml.find('>', nameEnd);
        if (name != localName || gt == std::string::npos)
            continue;
        found.push_back(xml[gt - 1] == '/' ? std::string::npos : gt + 1);
    }
    return found;
}

// An element with this local name, with or without content.
inline bool hasElement(const std::string& xml, const std::string& localName)
{
    return !startTags(xml, localName).empty();
}

// The direct texts of the elements with this local name that hold text, joined by "|".
inline std::string allTexts(const std::string& xml, const std::string& localName)
{
    std::string joined;
    for (size_t contentBegin : startTags(xml, localName)) {
        if (contentBegin == std::string::npos)
            continue;
        const size_t next = xml.find('<', contentBegin);
        if (next == std::string::npos || xml.compare(next, 2, "</") != 0)
            continue;   // an element of elements
        joined += (joined.empty() ? "" : "|") + xml.substr(contentBegin, next - contentBegin);
    }
    return joined;
}

// The envelope from its Body on: the WS-Security header also holds Username and
// Password elements, which are no part of the operation.
inline std::string soapBody(const std::string& xml)
{
    const std::vector<size_t> body = startTags(xml, "Body");
    return body.empty() || body[0] == std::string::npos ? std::string() : xml.substr(body[0]);
}

// Every member of `expected` is in `actual` with the same value; arrays must have the
// same length; an empty record means nothing at all was written. On a mismatch `where`
// names the first differing member.
inline bool isSubset(const Json::Value& expected, const Json::Value& actual, std::string& where,
                     const std::string& path = "")
{
    if (expected.isObject() && expected.empty()) {
        if (!actual.empty())
            where = path + " holds " + actual.toStyledString();
        return actual.empty();
    }
    if (expected.isObject()) {
        if (!actual.isObject()) {
            where = path + " is not a record";
            return false;
        }
        for (const std::string& name : expected.getMemberNames()) {
            if (!actual.isMember(name)) {
                where = path + "." + name + " missing";
                return false;
            }
            if (!isSubset(expected[name], actual[name], where, path + "." + name))
                return false;
        }
        return true;
    }
    if (expected.isArray()) {
        if (!actual.isArray() || actual.size() != expected.size()) {
            where = path + " array size differs";
            return false;
        }
        for (Json::ArrayIndex i = 0; i < expected.size(); ++i)
            if (!isSubset(expected[i], actual[i], where, path + "[" + std::to_string(i) + "]"))
                return false;
        return true;
    }
    if (expected != actual) {
        where = path + " is " + actual.toStyledString();
        return false;
    }
    return true;
}

// One operation row against a device that answers `answer`: what must arrive and what
// the result must hold. The row tests of each device-service area are tables of these.
enum Signing { SIGNED, ANONYMOUS };
enum NsTable { DEVICE_NS, FULL_NS };

struct RowCase {
    const char* name;      // as given to execute
    const char* request;   // operation keys (JSON)
    const char* answer;    // the Body content the device answers
    const char* element;   // the request element that must arrive
    std::vector<std::pair<const char*, const char*>> sent;   // local name -> texts ("a|b")
    const char* result;    // expected subset of the result (JSON)
    Signing signing;
    NsTable table;
};

inline void PrintTo(const RowCase& c, std::ostream* os)
{
    *os << c.name;
}

// A namespace only the full table declares.
constexpr const char* kPtzNamespace = "http://www.onvif.org/ver20/ptz/wsdl";

// Runs the row through `run` (login, name, request, result -> execute's result).
using RowRunner = std::function<int(const RPC::Onvif::COnvifLoginInfo&, const char*, const Json::Value&, Json::Value&)>;

inline void expectRowSentAndRead(const RowCase& c, const RowRunner& run)
{
    using namespace OnvifTest;
    LoopbackHttpServer server([&](const HttpRequest&, size_t) { return HttpReply::soap(200, soapEnvelope(c.answer)); });
    Json::Value rsp;
    ASSERT_EQ(0, run(loginFor(server), c.name, requestFor(server, c.request), rsp));

    ASSERT_EQ(1u, server.requestCount()) << "one exchange, no retry";
    const std::string body = server.requests()[0].body;
    EXPECT_TRUE(hasElement(body, c.element)) << body;
    for (const auto& child : c.sent)
        EXPECT_EQ(child.second, allTexts(soapBody(body), child.first)) << child.first << " in " << body;
    if (c.signing == ANONYMOUS)
        EXPECT_FALSE(hasWsseHeader(body)) << "asked anonymously first";
    else
        EXPECT_TRUE(wsseDigestValid(body, kUser, kPassword)) << body;
    EXPECT_EQ(c.table == FULL_NS, body.find(kPtzNamespace) != std::string::npos) << "namespace table";

    std::string where;
    EXPECT_TRUE(isSubset(parseJson(c.result), rsp, where)) << where << "\n" << rsp.toStyledString();
}

// One device answering every request with the same body; runs `name` and keeps what
// arrived.
struct OneShot {
    explicit OneShot(const std::string& bodyXml, const std::string& user = kUser)
        : server([bodyXml](const OnvifTest::HttpRequest&, size_t) {
              return OnvifTest::HttpReply::soap(200, OnvifTest::soapEnvelope(bodyXml));
          }),
          device(loginFor(server, user))
    {
    }
    int run(const char* name, const std::string& requestJson = "{}")
    {
        rsp = Json::Value();
        return device.execute(name, requestFor(server, requestJson), rsp);
    }
    std::string lastBody() const
    {
        auto all = server.requests();
        return all.empty() ? std::string() : all.back().body;
    }
    OnvifTest::LoopbackHttpServer server;
    RPC::Onvif::COnvifDeviceManagement device;
    Json::Value rsp;
};

class DeviceServiceFixture : public ::testing::Test {
protected:
    void SetUp() override { RPC::Onvif::COnvifBaseComm::instance()->resetOptions(); }
    void TearDown() override { RPC::Onvif::COnvifBaseComm::instance()->resetOptions(); }
};

} // namespace DeviceServiceTest
