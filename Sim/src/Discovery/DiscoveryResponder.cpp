#include "Discovery/DiscoveryResponder.h"

#include "Common/Log.h"
#include "OnvifSim/DeviceDescription.h"
#include "Soap/SoapRequest.h"

#include <asio/ip/multicast.hpp>

#include <cstdio>
#include <random>

namespace OnvifSim {

namespace {
const char kGroup[] = "239.255.255.250";
const char* const kHabits[] = {"slow", "duplicate", "garbage", "severalXAddrs", "noScopes"};

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// Scope items are URIs: blanks in a maker's name travel as %20.
std::string ScopeText(const std::string& value)
{
    std::string out;
    for (char c : value)
        out += c == ' ' ? std::string("%20") : std::string(1, c);
    return out;
}

std::string NewUuid()
{
    std::random_device random;
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-4%03x-a%03x-%08x%04x", random(), random() & 0xFFFF,
                  random() & 0xFFF, random() & 0xFFF, random(), random() & 0xFFFF);
    return text;
}
} // namespace

bool CheckDiscoveryHabits(const std::set<std::string>& habits, std::string& error)
{
    for (const std::string& habit : habits) {
        bool known = false;
        for (const char* k : kHabits)
            known = known || habit == k;
        if (!known) {
            error = "unknown discovery habit \"" + habit + "\" (slow, duplicate, garbage, severalXAddrs, noScopes)";
            return false;
        }
    }
    return true;
}

bool OffsetIPv4(const std::string& first, unsigned offset, std::string& out)
{
    asio::error_code ec;
    const auto address = asio::ip::make_address_v4(first, ec);
    const unsigned long long value = static_cast<unsigned long long>(address.to_uint()) + offset;
    if (ec || value > 0xFFFFFFFFull)
        return false;
    out = asio::ip::address_v4(static_cast<asio::ip::address_v4::uint_type>(value)).to_string();
    return true;
}

void UseNetworkAddress(CDeviceDescription& description, const std::string& address)
{
    if (description.raw.isMember("network"))
        return;
    Json::Value manual(Json::objectValue);
    manual["address"] = address;
    manual["prefixLength"] = 8;
    description.raw["network"]["interfaces"][0]["ipv4"]["manual"][0] = manual;
}

CDiscoveryResponder::CDiscoveryResponder(asio::io_context& io, std::shared_ptr<CSimDevice> device,
                                         CDiscoveryOptions options)
    : m_io(io), m_device(std::move(device)), m_options(std::move(options)), m_unicast(io), m_multicast(io),
      m_endpointUuid(NewUuid())
{
}

bool CDiscoveryResponder::open(std::string& error)
{
    asio::error_code ec;
    const auto address = asio::ip::make_address_v4(m_options.address, ec);
    if (ec)
        return (error = "discovery address \"" + m_options.address + "\" is not IPv4"), false;
    m_unicast.open(asio::ip::udp::v4(), ec);
    // Every device of a host shares the port: each on its own address, the group on any.
    m_unicast.set_option(asio::socket_base::reuse_address(true), ec);
    m_unicast.bind(asio::ip::udp::endpoint(address, m_options.port), ec);
    if (ec)
        return (error = "discovery bind " + m_options.address + ":" + std::to_string(m_options.port) + ": " +
                        ec.message()),
               false;
    if (m_options.multicast) {
        m_multicast.open(asio::ip::udp::v4(), ec);
        m_multicast.set_option(asio::socket_base::reuse_address(true), ec);
        m_multicast.bind(asio::ip::udp::endpoint(asio::ip::address_v4::any(), m_options.port), ec);
        if (!ec)
            m_multicast.set_option(asio::ip::multicast::join_group(asio::ip::make_address_v4(kGroup), address), ec);
        if (ec)
            return (error = "discovery multicast on " + m_options.address + ": " + ec.message()), false;
    }
    return true;
}

void CDiscoveryResponder::start()
{
    read(m_unicast, m_unicastBuffer, m_from);
    if (m_multicast.is_open())
        read(m_multicast, m_multicastBuffer, m_multicastFrom);
}

void CDiscoveryResponder::stop()
{
    auto self = shared_from_this();
    asio::post(m_io, [self] {
        asio::error_code ec;
        self->m_unicast.close(ec);
        self->m_multicast.close(ec);
    });
}

void CDiscoveryResponder::read(asio::ip::udp::socket& socket, std::array<char, 8192>& buffer,
                               asio::ip::udp::endpoint& from)
{
    auto self = shared_from_this();
    socket.async_receive_from(asio::buffer(buffer), from,
                              [self, &socket, &buffer, &from](const asio::error_code& ec, size_t size) {
                                  if (ec == asio::error::operation_aborted || !socket.is_open())
                                      return;
                                  if (!ec)
                                      self->answer(std::string(buffer.data(), size), from);
                                  self->read(socket, buffer, from);
                              });
}

std::string CDiscoveryResponder::probeMatches(const std::string& relatesTo) const
{
    const CDeviceDescription description = m_device->description();
    const std::set<std::string>& habits = m_options.habits;
    std::string xaddrs = m_device->serviceUrl("device");
    if (habits.count("severalXAddrs"))
        xaddrs = "http://192.0.2.1/onvif/device_service " + xaddrs;
    std::string scopes;
    for (const CScope& scope : description.scopes)
        scopes += (scopes.empty() ? "" : " ") + scope.uri;
    if (scopes.empty())
        scopes = "onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/hardware/" +
                 ScopeText(description.identity.model) + " onvif://www.onvif.org/name/" +
                 ScopeText(description.identity.manufacturer);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                      "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
                      "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
                      "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
                      "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" "
                      "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><SOAP-ENV:Header>";
    out += "<wsa:MessageID>uuid:" + NewUuid() + "</wsa:MessageID>";
    out += "<wsa:RelatesTo>" + Escaped(relatesTo) + "</wsa:RelatesTo>";
    out += "<wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>";
    out += "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action>";
    out += "</SOAP-ENV:Header><SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>";
    out += "<wsa:EndpointReference><wsa:Address>urn:uuid:" + m_endpointUuid + "</wsa:Address></wsa:EndpointReference>";
    out += "<d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>";
    if (!habits.count("noScopes"))
        out += "<d:Scopes>" + Escaped(scopes) + "</d:Scopes>";
    out += "<d:XAddrs>" + Escaped(xaddrs) + "</d:XAddrs>";
    out += "<d:MetadataVersion>1</d:MetadataVersion>";
    out += "</d:ProbeMatch></d:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return out;
}

void CDiscoveryResponder::answer(const std::string& probe, const asio::ip::udp::endpoint& to)
{
    CSoapRequest request;
    std::string reason;
    if (!request.parse(probe, reason) || request.operation() != "Probe") {
        LogLine("discovery: ignored a datagram from " + to.address().to_string() + ": " +
                (reason.empty() ? "not a Probe" : reason));
        return;
    }
    // A Probe names the types it looks for; an empty list asks for everything.
    const std::string types = ChildText(request.operationNode(), "Types");
    if (!types.empty() && types.find("NetworkVideoTransmitter") == std::string::npos &&
        types.find("Device") == std::string::npos)
        return;
    const std::string reply = probeMatches(ChildText(request.header(), "MessageID"));
    const auto& habits = m_options.habits;
    auto deliver = [self = shared_from_this(), reply, to, garbage = habits.count("garbage") > 0,
                    twice = habits.count("duplicate") > 0] {
        if (garbage)
            self->send("\x01\x02 this is not <xml", to);
        self->send(reply, to);
        if (twice)
            self->send(reply, to);
        ++self->m_answered;
    };
    if (!habits.count("slow")) {
        deliver();
        return;
    }
    auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(m_options.delayMs));
    timer->async_wait([timer, deliver](const asio::error_code& ec) {
        if (!ec)
            deliver();
    });
}

void CDiscoveryResponder::send(const std::string& text, const asio::ip::udp::endpoint& to)
{
    // Always from the unicast socket: the prober tells devices apart by the sender address.
    asio::error_code ec;
    m_unicast.send_to(asio::buffer(text), to, 0, ec);
    if (ec)
        LogLine("discovery: reply to " + to.address().to_string() + " failed: " + ec.message());
}

} // namespace OnvifSim
