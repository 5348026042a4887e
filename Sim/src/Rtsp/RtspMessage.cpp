#include "Rtsp/RtspMessage.h"

#include <cstdlib>
#include <sstream>

namespace OnvifSim {
namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// "a-b" or "a"; false on anything else or numbers outside 0..65535.
bool ParseRange(const std::string& text, int out[2])
{
    char* end = nullptr;
    long a = std::strtol(text.c_str(), &end, 10);
    long b = a + 1;
    if (end == text.c_str())
        return false;
    if (*end == '-') {
        const char* second = end + 1;
        b = std::strtol(second, &end, 10);
        if (end == second)
            return false;
    }
    if (*end != '\0' || a < 0 || a > 65535 || b < 0 || b > 65535)
        return false;
    out[0] = static_cast<int>(a);
    out[1] = static_cast<int>(b);
    return true;
}

} // namespace

bool ParseRequestHead(const std::string& head, CHttpRequest& out, std::string& error)
{
    out = CHttpRequest();
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    std::istringstream first(Trim(line));
    if (!(first >> out.method >> out.target >> out.version) ||
        (out.version.rfind("RTSP/", 0) != 0 && out.version.rfind("HTTP/", 0) != 0)) {
        error = "malformed request line \"" + Trim(line).substr(0, 80) + "\"";
        return false;
    }
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty())
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = "malformed header line \"" + line.substr(0, 80) + "\"";
            return false;
        }
        out.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return true;
}

CRtspFramer::EItem CRtspFramer::next()
{
    if (!m_error.empty())
        return EItem::Error;
    if (m_buffer.empty())
        return EItem::NeedMore;
    if (m_buffer[0] == '$') {
        // '$' | channel | 16-bit length | data
        if (m_buffer.size() < 4)
            return EItem::NeedMore;
        size_t length = (static_cast<uint8_t>(m_buffer[2]) << 8) | static_cast<uint8_t>(m_buffer[3]);
        if (m_buffer.size() < 4 + length)
            return EItem::NeedMore;
        m_channel = static_cast<uint8_t>(m_buffer[1]);
        m_frame = m_buffer.substr(4, length);
        m_buffer.erase(0, 4 + length);
        return EItem::Interleaved;
    }
    size_t end = m_buffer.find("\r\n\r\n");
    size_t sep = 4;
    if (size_t lf = m_buffer.find("\n\n"); lf != std::string::npos && (end == std::string::npos || lf < end)) {
        end = lf;   // bare line feeds, as some hand-written clients send
        sep = 2;
    }
    if (end == std::string::npos) {
        if (m_buffer.size() > kMaxHeadBytes)
            m_error = "request head larger than " + std::to_string(kMaxHeadBytes) + " bytes";
        return m_error.empty() ? EItem::NeedMore : EItem::Error;
    }
    CHttpRequest request;
    if (!ParseRequestHead(m_buffer.substr(0, end), request, m_error))
        return EItem::Error;
    std::string lengthText = request.header("Content-Length");
    size_t length = lengthText.empty() ? 0 : std::strtoul(lengthText.c_str(), nullptr, 10);
    if (lengthText.find_first_not_of("0123456789") != std::string::npos || length > kMaxBodyBytes) {
        m_error = "unacceptable Content-Length \"" + lengthText + "\"";
        return EItem::Error;
    }
    if (m_buffer.size() < end + sep + length)
        return EItem::NeedMore;
    request.body = m_buffer.substr(end + sep, length);
    m_buffer.erase(0, end + sep + length);
    m_request = std::move(request);
    return EItem::Request;
}

const char* RtspReason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 453: return "Not Enough Bandwidth";
    case 454: return "Session Not Found";
    case 455: return "Method Not Valid in This State";
    case 457: return "Invalid Range";
    case 459: return "Aggregate Operation Not Allowed";
    case 461: return "Unsupported Transport";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 505: return "RTSP Version Not Supported";
    case 551: return "Option not supported";
    default: return "Error";
    }
}

std::string SerializeRtspResponse(const CRtspResponse& response, const std::string& cseq)
{
    std::string out = "RTSP/1.0 " + std::to_string(response.status) + " " + RtspReason(response.status) + "\r\n";
    if (!cseq.empty())
        out += "CSeq: " + cseq + "\r\n";
    out += "Server: onvif-sim\r\n";
    for (const auto& [name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    if (!response.body.empty())
        out += "Content-Type: " + response.contentType + "\r\nContent-Length: " +
               std::to_string(response.body.size()) + "\r\n";
    return out + "\r\n" + response.body;
}

std::vector<CTransportChoice> ParseTransports(const std::string& header)
{
    std::vector<CTransportChoice> out;
    std::istringstream alternatives(header);
    std::string alternative;
    while (std::getline(alternatives, alternative, ',')) {
        std::istringstream params(alternative);
        std::string param;
        CTransportChoice choice;
        bool ok = std::getline(params, choice.protocol, ';').good() || !choice.protocol.empty();
        choice.protocol = Trim(choice.protocol);
        if (choice.protocol == "RTP/AVP/UDP")
            choice.protocol = "RTP/AVP";
        while (ok && std::getline(params, param, ';')) {
            param = Trim(param);
            std::string key = param.substr(0, param.find('='));
            std::string value = param.find('=') == std::string::npos ? "" : param.substr(param.find('=') + 1);
            if (key == "multicast")
                choice.multicast = true;
            else if (key == "interleaved")
                ok = ParseRange(value, choice.interleaved) && choice.interleaved[0] < 256 && choice.interleaved[1] < 256;
            else if (key == "client_port")
                ok = ParseRange(value, choice.clientPort) && choice.clientPort[0] > 0;
            else if (key == "port")
                ok = ParseRange(value, choice.port);
            else if (key == "destination")
                choice.destination = value;
            else if (key == "ttl")
                ok = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos &&
                     (choice.ttl = std::atoi(value.c_str())) <= 255;
        }
        if (ok && (choice.protocol == "RTP/AVP" || choice.protocol == "RTP/AVP/TCP"))
            out.push_back(choice);
    }
    return out;
}

} // namespace OnvifSim
