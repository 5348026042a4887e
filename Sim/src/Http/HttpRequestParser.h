#pragma once
// Incremental HTTP/1.1 request reader: bytes go in as they arrive, a request comes out
// when complete. Limits are enforced as bytes arrive, so a hostile peer cannot make the
// device buffer more than the caps before it is refused.
#include "Http/HttpMessage.h"

#include <cstddef>
#include <string>

namespace OnvifSim {

class CHttpRequestParser {
public:
    enum class EState { NeedMore, Complete, Error };

    static constexpr size_t kMaxHeaderBytes = 16 * 1024;
    static constexpr size_t kMaxBodyBytes = 4 * 1024 * 1024;

    CHttpRequestParser(size_t maxHeaderBytes = kMaxHeaderBytes, size_t maxBodyBytes = kMaxBodyBytes)
        : m_maxHeader(maxHeaderBytes), m_maxBody(maxBodyBytes) {}

    // Consumes what belongs to the current request and returns how many bytes that was;
    // bytes past a complete request are left for the next one.
    size_t feed(const char* data, size_t size);

    EState state() const { return m_state; }
    int errorStatus() const { return m_errorStatus; }
    const std::string& errorReason() const { return m_errorReason; }
    // True once per request when the client waits for "100 Continue" before the body.
    bool takeContinueRequest();
    // The complete request; the parser is then ready for the next one.
    CHttpRequest take();

private:
    enum class EPhase { Headers, Body, ChunkSize, ChunkData, ChunkDataEnd, Trailers };

    size_t feedHeaders(const char* data, size_t size);
    size_t feedBody(const char* data, size_t size);
    size_t feedLine(const char* data, size_t size, bool& lineDone);
    bool parseHead(const std::string& head);
    bool parseRequestLine(const std::string& line);
    bool startBody();
    void onChunkSizeLine();
    void onTrailerLine();
    void fail(int status, const std::string& reason);

    size_t m_maxHeader;
    size_t m_maxBody;
    EState m_state = EState::NeedMore;
    EPhase m_phase = EPhase::Headers;
    int m_errorStatus = 0;
    std::string m_errorReason;
    std::string m_buffer;     // header bytes, or the current chunk-size / trailer line
    CHttpRequest m_request;
    size_t m_remaining = 0;   // body or chunk bytes still expected
    size_t m_trailerBytes = 0;
    bool m_wantsContinue = false;
};

} // namespace OnvifSim
