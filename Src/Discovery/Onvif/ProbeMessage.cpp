#include "Discovery/Onvif/ProbeMessage.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {

namespace {
const char kAddressingNs[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
const char kMatchPath[] = "/Envelope/Body/ProbeMatches/ProbeMatch/";
const char kScopePrefix[] = "onvif://www.onvif.org/";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string> splitBlanks(const std::string& text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        size_t end = i;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        if (end > i)
            out.push_back(text.substr(i, end - i));
        i = end;
    }
    return out;
}

// "http://host:port/path" -> host and the text after it ("host" without IPv6 brackets).
bool splitUrl(const std::string& url, std::string& scheme, std::string& host, std::string& rest)
{
    size_t colon = url.find("://");
    if (colon == std::string::npos)
        return false;
    scheme = url.substr(0, colon);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t start = colon + 3;
    size_t end;
    if (start < url.size() && url[start] == '[') {
        end = url.find(']', start);
        if (end == std::string::npos)
            return false;
        host = url.substr(start + 1, end - start - 1);
        rest = url.substr(end + 1);
    } else {
        end = url.find_first_of(":/?", start);
        host = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
        rest = end == std::string::npos ? std::string() : url.substr(end);
    }
    return !host.empty();
}

std::string text(Zentar::SOAPFramework::CSOAPMessage& msg, const std::string& path)
{
    const char* value = msg.getAsCString(path.c_str());
    return value ? value : "";
}

// Percent-decoding of a scope value: devices write blanks in names as "%20".
std::string decoded(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && std::isxdigit(static_cast<unsigned char>(value[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(value[i + 2]))) {
            out += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}
} // namespace

std::string buildProbeMessage(ProbeType type, const std::string& messageId)
{
    const bool device = type == ProbeType::Device;
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    out += device ? "<Envelope xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" "
                  : "<Envelope xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" ";
    out += "xmlns=\"http://www.w3.org/2003/05/soap-envelope\">";
    out += std::string("<Header><wsa:MessageID xmlns:wsa=\"") + kAddressingNs + "\">uuid:" + messageId;
    out += std::string("</wsa:MessageID><wsa:To xmlns:wsa=\"") + kAddressingNs + "\">";
    out += "urn:schemas-xmlsoap-org:ws:2005:04:discovery</wsa:To>";
    out += std::string("<wsa:Action xmlns:wsa=\"") + kAddressingNs + "\">";
    out += "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</wsa:Action>";
    out += "</Header><Body><Probe xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" ";
    out += "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" ";
    out += "xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\">";
    out += device ? "<Types>tds:Device</Types>" : "<Types>dn:NetworkVideoTransmitter</Types>";
    out += "<Scopes />";
    out += "</Probe></Body></Envelope>";
    return out;
}

std::string makeUuidText()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    uint64_t high = random(), low = random();
    high = (high & ~0xF000ull) | 0x4000ull;                      // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull; // variant 1
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return buffer;
}

std::string chooseXAddr(const std::string& xaddrs, const std::string& sender)
{
    // The host must equal the sender: a plain text search would take 10.0.0.12 for 10.0.0.1.
    for (const std::string& url : splitBlanks(xaddrs)) {
        std::string scheme, host, rest;
        if (splitUrl(url, scheme, host, rest) && host == sender)
            return url;
    }
    // A device behind address translation, or one that names itself by host name: its
    // listed addresses may not be reachable, the address it answered from is.
    return "http://" + sender + "/onvif/device_service";
}

int portOfXAddr(const std::string& xaddr)
{
    std::string scheme, host, rest;
    if (!splitUrl(xaddr, scheme, host, rest) || (scheme != "http" && scheme != "https"))
        return -1;
    if (rest.empty() || rest[0] != ':')
        return scheme == "https" ? 443 : 80;
    size_t i = 1;
    long port = 0;
    while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])) && port <= 65535)
        port = port * 10 + (rest[i++] - '0');
    if (i == 1 || port < 1 || port > 65535 || (i < rest.size() && rest[i] != '/' && rest[i] != '?'))
        return -1;
    return static_cast<int>(port);
}

void readScopes(const std::string& scopes, Json::Value& record)
{
    std::string hardware, name;
    bool tagged = false;
    for (const std::string& scope : splitBlanks(scopes)) {
        if (scope.compare(0, sizeof kScopePrefix - 1, kScopePrefix) != 0)
            continue;
        const std::string item = scope.substr(sizeof kScopePrefix - 1);
        if (item.compare(0, 9, "hardware/") == 0 && hardware.empty())
            hardware = item.substr(9);
        else if (item.compare(0, 5, "name/") == 0 && name.empty())
            name = item.substr(5);
        if (item == "name/Zentar" || item == "extension/unique_identifier")
            tagged = true;
    }
    // Many makers put "Vendor%20Model" in the name and the model in hardware: the vendor
    // is the part before the blank.
    size_t blank = name.find("%20");
    if (!hardware.empty() && blank != std::string::npos && name.find(hardware, blank) != std::string::npos)
        name = name.substr(0, blank);
    if (hardware.empty())
        hardware = name;
    if (name.empty())
        name = hardware;
    if (tagged)
        name = "Zentar";
    record["Manufacturer"] = decoded(name);
    record["DeviceType"] = decoded(hardware);
    record["ZtTag"] = tagged;
}

ProbeReply parseProbeReply(const char* data, size_t size, const std::string& sender, Json::Value& record,
                           std::string& why)
{
    record = Json::Value(Json::objectValue);
    if (!data || size == 0 || size > kMaxProbeReplyBytes) {
        why = "empty or oversized datagram (" + std::to_string(size) + " bytes)";
        return ProbeReply::Malformed;
    }
    Zentar::SOAPFramework::CSOAPMessage msg(nullptr);
    if (msg.parse(data, size) != 0) {
        why = "not a SOAP envelope";
        return ProbeReply::Malformed;
    }
    const std::string action = text(msg, "/Envelope/Header/Action");
    if (action.find("ProbeMatches") == std::string::npos) {
        why = "action \"" + action + "\"";
        return ProbeReply::Ignored;
    }
    const std::string base = kMatchPath;
    if (msg.getArraySize((base.substr(0, base.size() - 1)).c_str()) < 1) {
        why = "ProbeMatches without a ProbeMatch";
        return ProbeReply::Malformed;
    }
    record["EndpointType"] = text(msg, base + "Types");
    const std::string xaddr = chooseXAddr(text(msg, base + "XAddrs"), sender);
    const int port = portOfXAddr(xaddr);
    record["EndpointXAddrs"] = xaddr;
    record["Port"] = port > 0 ? port : 80;
    const char* scopes = msg.getAsCString((base + "Scopes").c_str());
    if (scopes)
        readScopes(scopes, record);
    record["Protocol"] = "Onvif";
    record["IPAddress"] = sender;
    std::string uuid = text(msg, base + "EndpointReference/Address");
    for (const char* prefix : {"urn:", "uuid:"})
        if (uuid.compare(0, std::strlen(prefix), prefix) == 0)
            uuid.erase(0, std::strlen(prefix));
    record["Uuid"] = uuid;
    return ProbeReply::Match;
}

Json::Value discoveryReport(const Json::Value& record, const std::string& localAddress)
{
    Json::Value device(Json::objectValue);
    device["MachineName"] = record.get("DeviceType", Json::Value());
    if (record.isMember("DeviceClass"))
        device["DeviceClass"] = record["DeviceClass"];
    device["DeviceType"] = record.get("DeviceType", Json::Value());
    device["Mac"] = record.isMember("MAC") ? record["MAC"] : Json::Value("00:00:00:00:00:00");
    device["Port"] = record["Port"];
    device["Vendor"] = record.get("Manufacturer", Json::Value());
    Json::Value& ipv4 = device["IPv4Address"];
    ipv4["IPAddress"] = record["IPAddress"];
    const std::pair<const char*, const char*> optional[] = {
        {"IPv4SubnetMask", "SubnetMask"}, {"IPv4Gateway", "DefaultGateway"}, {"DHCP", "DhcpEnable"}};
    for (const auto& item : optional)
        if (record.isMember(item.first))
            ipv4[item.second] = record[item.first];
    device["Protocol"] = record["Protocol"];
    device["Uuid"] = record["Uuid"];
    device["NetCardName"].append(localAddress);
    // Where the device serves ONVIF, so that the host can log in without asking again.
    device["XAddr"] = record["EndpointXAddrs"];
    Json::Value report(Json::arrayValue);
    report.append(device);
    return report;
}

} // namespace Onvif
} // namespace RPC
