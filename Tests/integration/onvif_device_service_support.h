#pragma once
// Shared by the device service tests: a login and request for a loopback device, and
// checks of what arrived (elements by local name, whatever prefix) and of result records.
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"

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

class DeviceServiceFixture : public ::testing::Test {
protected:
    void SetUp() override { RPC::Onvif::COnvifBaseComm::instance()->resetOptions(); }
    void TearDown() override { RPC::Onvif::COnvifBaseComm::instance()->resetOptions(); }
};

} // namespace DeviceServiceTest
