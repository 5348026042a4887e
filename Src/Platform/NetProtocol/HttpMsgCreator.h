#pragma once
// Builds the text of one HTTP/1.1 message: a request (method and URI set) or a response
// (status set), its headers in the order first set, and an optional body. The body's
// Content-Length header is added by GetMsg.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Zentar {
namespace NetProtocol {

class CHttpMsgCreator {
public:
    CHttpMsgCreator() = default;

    void SetMethod(const char* method);
    void SetURI(const char* uri);
    // Makes this a response; a null reason takes the usual phrase of the code.
    void SetStatus(int code, const char* reason = nullptr);
    // Sets a header, replacing one of the same name (case-insensitive); a null value
    // removes it. Names or values holding CR or LF are refused (false): they would let
    // a caller's data split the message.
    bool SetValue(const char* name, const char* value);
    const char* GetValue(const char* name) const;
    void SetContent(const char* data, size_t len);

    // The complete message: start line, headers, blank line, body. Null with length 0
    // when there is no start line (neither method and URI nor status set). The text
    // stays valid until the next call on this object.
    const char* GetMsg(size_t& length);

    void Reset();

private:
    std::string m_method;
    std::string m_uri;
    int m_statusCode = 0;
    std::string m_reason;
    std::vector<std::pair<std::string, std::string>> m_headers;
    std::string m_content;
    std::string m_text;
};

} // namespace NetProtocol
} // namespace Zentar
