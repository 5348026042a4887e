#include "CaptureFacts.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>

#include "CaptureXml.h"

namespace OnvifCapture {

namespace {

// "http://10.0.0.5:8080/onvif/media" on "http://127.0.0.1:80" is "http://127.0.0.1:80/onvif/media".
std::string OnBase(const std::string& xaddr, const std::string& base)
{
    const std::string text = Trimmed(xaddr);
    const std::string url = text.substr(0, text.find_first_of(" \t\r\n"));
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return std::string();
    const size_t path = url.find('/', scheme + 3);
    return base + (path == std::string::npos ? "/" : url.substr(path));
}

struct CCollector : pugi::xml_tree_walker {
    std::map<std::string, std::string>* out;
    const std::string* base;
    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() != pugi::node_element || LocalName(node) != "XAddr")
            return true;
        const std::string url = OnBase(node.text().get(), *base);
        const pugi::xml_node owner = node.parent();
        if (url.empty())
            return true;
        // GetServices: <Service><Namespace>...</Namespace><XAddr>...</XAddr></Service>
        if (LocalName(owner) == "Service") {
            const std::string ns = Trimmed(ChildNamed(owner, "Namespace").text().get());
            if (!ns.empty())
                (*out)[ns] = url;
            return true;
        }
        for (size_t i = 0; i < kServiceNameCount; ++i)
            if (kServiceNames[i].capability && LocalName(owner) == kServiceNames[i].capability)
                (*out)[kServiceNames[i].ns] = url;
        return true;
    }
};

} // namespace

void LearnServiceAddresses(const std::string& body, const std::string& base, std::map<std::string, std::string>& out)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size()))
        return;
    CCollector collector;
    collector.out = &out;
    collector.base = &base;
    doc.traverse(collector);
}

bool DeviceUtcTime(const std::string& body, time_t& utc)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size()))
        return false;
    pugi::xpath_node found = doc.select_node("//*[local-name()='UTCDateTime']");
    if (!found)
        return false;
    const pugi::xml_node date = ChildNamed(found.node(), "Date"), time = ChildNamed(found.node(), "Time");
    auto number = [](const pugi::xml_node& parent, const char* name) {
        return std::atoi(ChildNamed(parent, name).text().get());
    };
    struct tm parts {};
    parts.tm_year = number(date, "Year") - 1900;
    parts.tm_mon = number(date, "Month") - 1;
    parts.tm_mday = number(date, "Day");
    parts.tm_hour = number(time, "Hour");
    parts.tm_min = number(time, "Minute");
    parts.tm_sec = number(time, "Second");
    if (parts.tm_year < 70 || parts.tm_mday < 1)
        return false;
    utc = timegm(&parts);
    return utc != static_cast<time_t>(-1);
}

std::map<std::string, std::string> DeviceIdentity(const std::string& body)
{
    std::map<std::string, std::string> identity;
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size()))
        return identity;
    for (const char* name : {"Manufacturer", "Model", "FirmwareVersion"}) {
        const std::string query = std::string("//*[local-name()='") + name + "']";
        const std::string value = Trimmed(doc.select_node(query.c_str()).node().text().get());
        if (!value.empty())
            identity[name] = value;
    }
    return identity;
}

} // namespace OnvifCapture
