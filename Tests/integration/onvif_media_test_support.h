#pragma once
// What the media service tests share: a device envelope declaring the media prefixes
// (and a second set of arbitrary ones, as some firmware uses), one exchange against a
// scripted loopback device, and look-ups into result records.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cctype>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
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
           "xmlns:ns2=\"http://www.onvif.org/ver10/schema\" xmlns:ns3=\"http://www.onvif.org/ver20/media/wsdl\">"
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

// One command through the service object ("Media" or "Media2") against a device that
// answers every request with `reply`. The request record gets the device's address.
inline Exchange runCommand(const std::string& service, const char* command, Json::Value req, const HttpReply& reply)
{
    LoopbackHttpServer server([&](const HttpRequest&, size_t) { return reply; });
    if (!req.isObject())
        req = Json::Value(Json::objectValue);
    req["XAddr"] = server.url("/onvif/media");
    Exchange ex;
    if (service == "Media2")
        ex.ret = COnvifMedia2(mediaLogin()).execute(command, req, ex.rsp);
    else
        ex.ret = COnvifMediaCfg(mediaLogin()).execute(command, req, ex.rsp);
    ex.requests = server.requests();
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

} // namespace MediaTest
