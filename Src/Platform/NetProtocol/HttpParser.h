#pragma once
// Incremental HTTP/1.x message parser for both directions: a response (a client reading
// what a device answered) or a request (a server reading what a peer sent). Bytes are fed
// in pieces of any size; each Append answers "complete", "need more" or an error.
//
// Bodies: Content-Length, chunked (extensions ignored, trailers read and kept as headers),
// none (requests without a length; 1xx, 204 and 304 responses), or, for a response with
// neither, everything up to the close of the connection (AppendEnd tells the parser).
// Limits guard against hostile peers: the start line and headers together, up to and
// including the blank line, may not exceed kMaxHeaderBytes, a body may not exceed kMaxBodyBytes; a length field is never trusted
// beyond that.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Zentar {
namespace NetProtocol {

enum HttpParseStatus {
    HTTP_PARSE_SUCCESS = 0,   // one whole message is in
    HTTP_PARSE_MORE = 1,      // the message is not complete yet
    HTTP_PARSE_ERROR = 2,     // malformed start line, header, length or chunk
    HTTP_PARSE_TOO_LARGE = 3, // headers or body beyond the limits
    HTTP_PARSE_END = 4,       // a body read until close was ended by AppendEnd
};

class CHttpParser {
public:
    static constexpr size_t kMaxHeaderBytes = 64u * 1024u;
    static constexpr size_t kMaxBodyBytes = 16u * 1024u * 1024u;

    CHttpParser();
    ~CHttpParser();
    CHttpParser(const CHttpParser&) = delete;
    CHttpParser& operator=(const CHttpParser&) = delete;

    // Parses one whole message held in text (a request without a body may end right
    // after its blank line). 0 = success, -1 = malformed or incomplete.
    int Parse(const char* text, size_t len);

    // Feeds the next bytes. Returns an HttpParseStatus. Bytes after the end of a complete
    // message are not consumed (see GetConsumed); once an error was reported every later
    // call reports it again until Reset.
    int Append(const char* data, size_t len);
    // The peer closed the connection. HTTP_PARSE_END when that ends a body read until
    // close, HTTP_PARSE_SUCCESS when the message was already complete, else
    // HTTP_PARSE_ERROR (the message was cut short).
    int AppendEnd();
    // How many bytes of the last Append belonged to the message.
    size_t GetConsumed() const { return m_lastConsumed; }
    bool IsComplete() const;

    void Reset();

    bool IsRequest() const { return m_isRequest; }
    // Request line; null when this is not a request or it has not been read yet.
    const char* GetReqMethod() const;
    const char* GetURI() const;
    // Status line; 0 and null until a response status line was read.
    int GetStatusCode() const { return m_statusCode; }
    const char* GetStatusStr() const;
    const char* GetVersion() const; // "HTTP/1.1"; null before the start line

    // Header value by name (case-insensitive), the first when repeated; null when absent.
    const char* Value(const char* name) const;
    // The index-th (0-based) header of that name; null past the last.
    const char* Value(const char* name, size_t index) const;
    // Every header in arrival order (chunked trailers included), names as sent.
    const std::vector<std::pair<std::string, std::string>>& GetHeaders() const { return m_headers; }

    // The body received so far (decoded from chunks) and its length.
    const char* GetContent() const { return m_body.data(); }
    size_t GetContentLength() const { return m_body.size(); }

private:
    enum State { ST_START, ST_HEADERS, ST_BODY_LENGTH, ST_BODY_CLOSE, ST_CHUNK_SIZE, ST_CHUNK_DATA,
                 ST_CHUNK_DATA_END, ST_TRAILERS, ST_DONE, ST_FAILED };

    int fail(int status);
    int feedLine(const char* data, size_t len, size_t& used, std::string& line, bool& gotLine);
    int onStartLine(const std::string& line);
    int onHeaderLine(const std::string& line);
    int onHeadersEnd();
    int onChunkSizeLine(const std::string& line);

    State m_state = ST_START;
    int m_failStatus = HTTP_PARSE_ERROR;
    bool m_isRequest = false;
    std::string m_method;
    std::string m_uri;
    std::string m_version;
    int m_statusCode = 0;
    std::string m_statusStr;
    std::vector<std::pair<std::string, std::string>> m_headers;
    std::string m_body;

    std::string m_line;          // the line being assembled across Append calls
    size_t m_headerBytes = 0;    // start line + headers (+ trailers) so far
    size_t m_remaining = 0;      // bytes left of the Content-Length body or current chunk
    size_t m_lastConsumed = 0;
};

} // namespace NetProtocol
} // namespace Zentar
