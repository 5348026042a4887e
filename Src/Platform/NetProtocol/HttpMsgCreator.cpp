#include "NetProtocol/HttpMsgCreator.h"

#include <strings.h>

#include <cstring>

namespace Zentar {
namespace NetProtocol {

namespace {

struct ReasonRow {
    int code;
    const char* text;
};

const ReasonRow kReasons[] = {
    {100, "Continue"},          {200, "OK"},
    {204, "No Content"},        {400, "Bad Request"},
    {401, "Unauthorized"},      {403, "Forbidden"},
    {404, "Not Found"},         {405, "Method Not Allowed"},
    {413, "Payload Too Large"}, {500, "Internal Server Error"},
    {501, "Not Implemented"},   {503, "Service Unavailable"},
};

const char* reasonOf(int code)
{
    for (const auto& row : kReasons)
        if (row.code == code) return row.text;
    return "Unknown";
}

bool hasLineBreak(const char* s) { return std::strpbrk(s, "\r\n") != nullptr; }

} // namespace

void CHttpMsgCreator::SetMethod(const char* method) { m_method = method ? method : ""; }

void CHttpMsgCreator::SetURI(const char* uri) { m_uri = uri ? uri : ""; }

void CHttpMsgCreator::SetStatus(int code, const char* reason)
{
    m_statusCode = code;
    m_reason = reason ? reason : reasonOf(code);
}

bool CHttpMsgCreator::SetValue(const char* name, const char* value)
{
    if (name == nullptr || *name == '\0' || hasLineBreak(name) || std::strchr(name, ':') != nullptr ||
        (value != nullptr && hasLineBreak(value)))
        return false;
    for (auto it = m_headers.begin(); it != m_headers.end(); ++it) {
        if (strcasecmp(it->first.c_str(), name) != 0) continue;
        if (value == nullptr)
            m_headers.erase(it);
        else
            it->second = value;
        return true;
    }
    if (value != nullptr) m_headers.emplace_back(name, value);
    return true;
}

const char* CHttpMsgCreator::GetValue(const char* name) const
{
    if (name == nullptr) return nullptr;
    for (const auto& h : m_headers)
        if (strcasecmp(h.first.c_str(), name) == 0) return h.second.c_str();
    return nullptr;
}

void CHttpMsgCreator::SetContent(const char* data, size_t len)
{
    m_content.assign(data ? data : "", data ? len : 0);
}

const char* CHttpMsgCreator::GetMsg(size_t& length)
{
    length = 0;
    m_text.clear();
    const bool isResponse = m_statusCode != 0;
    if (isResponse)
        m_text = "HTTP/1.1 " + std::to_string(m_statusCode) + " " + m_reason + "\r\n";
    else if (!m_method.empty() && !m_uri.empty())
        m_text = m_method + " " + m_uri + " HTTP/1.1\r\n";
    else
        return nullptr;

    // A response always states its length (else the peer would read to the close);
    // a request only when it has a body. 1xx, 204 and 304 carry none.
    const bool bodyless = isResponse && (m_statusCode < 200 || m_statusCode == 204 || m_statusCode == 304);
    const bool withLength = !bodyless && (isResponse || !m_content.empty());
    for (const auto& h : m_headers) {
        if (withLength && strcasecmp(h.first.c_str(), "Content-Length") == 0) continue;
        m_text += h.first + ": " + h.second + "\r\n";
    }
    if (withLength) m_text += "Content-Length: " + std::to_string(m_content.size()) + "\r\n";
    m_text += "\r\n";
    if (!bodyless) m_text += m_content;
    length = m_text.size();
    return m_text.c_str();
}

void CHttpMsgCreator::Reset()
{
    m_method.clear();
    m_uri.clear();
    m_statusCode = 0;
    m_reason.clear();
    m_headers.clear();
    m_content.clear();
    m_text.clear();
}

} // namespace NetProtocol
} // namespace Zentar
