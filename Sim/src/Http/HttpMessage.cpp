#include "Http/HttpMessage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace OnvifSim {

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string CHttpRequest::header(const std::string& name) const
{
    for (const auto& [key, value] : headers)
        if (EqualsNoCase(key, name))
            return value;
    return {};
}

std::vector<std::string> CHttpRequest::headersNamed(const std::string& name) const
{
    std::vector<std::string> out;
    for (const auto& [key, value] : headers)
        if (EqualsNoCase(key, name))
            out.push_back(value);
    return out;
}

bool CHttpRequest::keepAlive() const
{
    std::string connection = header("Connection");
    if (version == "HTTP/1.0")
        return EqualsNoCase(connection, "keep-alive");
    return !EqualsNoCase(connection, "close");
}

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return "Unknown";
    }
}

namespace {

std::string StatusAndHeaders(const CHttpAnswer& a, bool keepAlive, const std::string& lengthHeader)
{
    std::string out = "HTTP/1.1 " + std::to_string(a.status) + " " + ReasonPhrase(a.status) + "\r\n";
    out += "Server: onvif-sim\r\n";
    if (!a.contentType.empty())
        out += "Content-Type: " + a.contentType + "\r\n";
    for (const auto& [name, value] : a.headers)
        out += name + ": " + value + "\r\n";
    out += lengthHeader;
    out += keepAlive && !a.close ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    return out + "\r\n";
}

// Uneven chunk sizes, so a client that assumes one chunk per read is caught.
std::string Chunked(const std::string& body)
{
    std::string out;
    size_t pos = 0;
    size_t size = 1;
    while (pos < body.size()) {
        size_t n = std::min(size, body.size() - pos);
        char line[32];
        snprintf(line, sizeof line, "%zx\r\n", n);
        out += line + body.substr(pos, n) + "\r\n";
        pos += n;
        size = size * 7 % 4096 + 1;
    }
    return out + "0\r\n\r\n";
}

} // namespace

std::string SerializeAnswer(const CHttpAnswer& a, bool keepAlive)
{
    using E = CHttpAnswer::EAction;
    switch (a.action) {
    case E::Garbage:
    {
        static const char kGarbage[] = "\x16\x03\x01\x00\xff garbage \xfe\xff\x00\r\n\x01\x02 not HTTP\r\n\r\n";
        return std::string(kGarbage, sizeof kGarbage - 1);
    }
    case E::Truncated: {
        std::string half = a.body.substr(0, a.body.size() / 2);
        return StatusAndHeaders(a, keepAlive, "Content-Length: " + std::to_string(half.size()) + "\r\n") + half;
    }
    case E::WrongLength: {
        CHttpAnswer closing = a;
        closing.close = true;
        std::string length = "Content-Length: " + std::to_string(a.body.size() * 2 + 100) + "\r\n";
        return StatusAndHeaders(closing, false, length) + a.body;
    }
    default:
        break;
    }
    if (a.chunked)
        return StatusAndHeaders(a, keepAlive, "Transfer-Encoding: chunked\r\n") + Chunked(a.body);
    return StatusAndHeaders(a, keepAlive, "Content-Length: " + std::to_string(a.body.size()) + "\r\n") + a.body;
}

} // namespace OnvifSim
