#pragma once
// What the service row tests share (written for the media services, used alike by the
// others): a device envelope declaring the service prefixes (and a second set of arbitrary
// ones, as some firmware uses), one exchange against a scripted loopback device, and
// look-ups into result records.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cctype>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifProtocolCore/Media2/OnvifMedia2.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCfg.h"

namespace MediaTest {

using namespace OnvifTest;
using namespace RPC::Onvif;

// trt/tr2/tt as most devices write them, ns1/ns2/ns3 for the same namespaces as others do.
inline std::string mediaEnvelope(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:ns1=\"http://www.onvif.org/ver10/media/wsdl\" "
           "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" xmlns:tmd=\"http://www.onvif.org/ver10/deviceIO/wsdl\" "
           "xmlns:ns2=\"http://www.onvif.org/ver10/schema\" xmlns:ns3=\"http://www.onvif.org/ver20/media/wsdl\" "
           "xmlns:tan=\"http://www.onvif.org/ver20/analytics/wsdl\">"
           "<env:Body>" +
           body + "</env:Body></env:Envelope>";
}

inline COnvifLoginInfo mediaLogin()
{
    COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    login.m_strUserName = "admin";
    login.m_strPassword = "secret";
    return login;
}

inline Json::Value parseJson(const std::string& text)
{
    Json::Value v;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &v, &errors))
        ADD_FAILURE() << "bad JSON in test: " << text << ": " << errors;
    return v;
}

struct Exchange {
    int ret = 0;
    Json::Value rsp;
    std::vector<HttpRequest> requests;
    std::string body() const { return requests.empty() ? std::string() : requests.front().body; }
};

// One command through a service object of the registry ("Media" stands for "MediaCfg")
// against a device that answers every request with `reply`. The request record gets the
// device's address.
inline Exchange runCommand(const std::string& service, const char* command, Json::Value req, const HttpReply& reply)
{
    LoopbackHttpServer server([&](const HttpRequest&, size_t) { return reply; });
    if (!req.isObject())
        req = Json::Value(Json::objectValue);
    req["XAddr"] = server.url("/onvif/service");
    Exchange ex;
    const std::string name = service == "Media" ? "MediaCfg" : service;
    for (const OnvifServiceRow& row : onvifServiceTable()) {
        if (name == row.name) {
            ex.ret = row.create(mediaLogin())->execute(command, req, ex.rsp);
            ex.requests = server.requests();
            return ex;
        }
    }
    ADD_FAILURE() << "no service object " << service;
    return ex;
}

inline Exchange runCommand(const std::string& service, const char* command, const std::string& reqJson,
                           const std::string& answerBody)
{
    return runCommand(service, command, parseJson(reqJson), HttpReply::soap(200, mediaEnvelope(answerBody)));
}

// "Profiles/0/Multicast/Port" inside a record; null when any step is missing.
inline Json::Value at(const Json::Value& root, const std::string& path)
{
    const Json::Value* node = &root;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t slash = path.find('/', begin);
        std::string step = path.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin);
        if (node->isArray() && !step.empty() && std::isdigit(static_cast<unsigned char>(step[0]))) {
            Json::ArrayIndex i = static_cast<Json::ArrayIndex>(std::stoul(step));
            if (i >= node->size())
                return Json::Value();
            node = &(*node)[i];
        } else if (node->isObject() && node->isMember(step)) {
            node = &(*node)[step];
        } else {
            return Json::Value();
        }
        if (slash == std::string::npos)
            break;
        begin = slash + 1;
    }
    return *node;
}

// Texts of every element with this local name, in document order.
inline std::vector<std::string> elementTexts(const std::string& xml, const std::string& localName)
{
    std::regex re("<(?:[A-Za-z0-9_-]+:)?" + localName + R"((?:\s[^>]*)?>([^<]*)<)");
    std::vector<std::string> texts;
    for (std::sregex_iterator it(xml.begin(), xml.end(), re), end; it != end; ++it)
        texts.push_back((*it)[1].str());
    return texts;
}

// One command of a media service object against a recorded-style device answer.
struct RowCase {
    const char* service;   // "Media" or "Media2"
    const char* command;
    const char* request;   // the operation's own keys
    const char* element;   // the qualified request element expected on the wire
    // Local element name (optionally "[n]" for the n-th one) or "@attr" -> text sent.
    std::vector<std::pair<std::string, std::string>> sent;
    std::string answer;    // the response element as a device writes it
    // Path in the result -> expected value as JSON ("null": absent).
    std::vector<std::pair<std::string, std::string>> result;
};

inline void PrintTo(const RowCase& c, std::ostream* os)
{
    *os << c.service << "/" << c.command;
}

inline std::string emptyAnswer(const std::string& qualifiedResponse)
{
    return "<" + qualifiedResponse + "/>";
}

// "Type[1]" -> the second Type element; "@width" -> the (first) attribute of that name.
inline std::string sentValue(const std::string& body, const std::string& name)
{
    if (name[0] == '@') {
        std::smatch m;
        std::regex re("\\s" + name.substr(1) + "=\"([^\"]*)\"");
        return std::regex_search(body, m, re) ? m[1].str() : "<absent>";
    }
    size_t index = 0;
    std::string local = name;
    if (size_t open = name.find('['); open != std::string::npos) {
        index = std::stoul(name.substr(open + 1));
        local = name.substr(0, open);
    }
    auto texts = elementTexts(body, local);
    return index < texts.size() ? texts[index] : "<absent>";
}

// The request element and its children reached the device; the result has the keys.
inline void expectRowSendsAndReads(const RowCase& c)
{
    Exchange ex = runCommand(c.service, c.command, c.request, c.answer);
    ASSERT_EQ(0, ex.ret) << c.command;
    ASSERT_EQ(1u, ex.requests.size());
    const std::string body = ex.body();
    EXPECT_NE(std::string::npos, body.find("<" + std::string(c.element))) << body;
    for (const auto& s : c.sent)
        EXPECT_EQ(s.second, sentValue(body, s.first)) << s.first << " in " << body;
    for (const auto& r : c.result)
        EXPECT_EQ(parseJson(r.second), at(ex.rsp, r.first)) << r.first << " in " << ex.rsp.toStyledString();
}

// The same command against an answer without its response element fails, keys unwritten.
inline void expectRowFailsWithoutResponse(const RowCase& c)
{
    Exchange ex = runCommand(c.service, c.command, c.request, "<tt:SomethingElseResponse/>");
    EXPECT_EQ(-1, ex.ret) << c.command;
    EXPECT_EQ(1u, ex.requests.size());
    for (const auto& r : c.result)
        EXPECT_TRUE(at(ex.rsp, r.first).isNull()) << r.first;
}

// The configuration, OSD and mask rows (onvif_media_config_rows_test.cpp).
const std::vector<RowCase>& mediaConfigurationRowCases();

} // namespace MediaTest
