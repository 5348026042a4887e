#include "NetFramework/StrParser.h"

#include <cctype>
#include <cstring>

namespace Zentar {
namespace NetFramework {

namespace {
bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
} // namespace

CStrParser::CStrParser(const char* text, size_t len) : m_text(text ? text : ""), m_len(text ? len : 0) {}

void CStrParser::ResetAll() { m_pos = 0; }

size_t CStrParser::ConsumeWhitespace()
{
    size_t start = m_pos;
    while (m_pos < m_len && isWhite(m_text[m_pos])) ++m_pos;
    return m_pos - start;
}

size_t CStrParser::ConsumeWord(char* out, size_t maxLen)
{
    size_t copied = 0;
    while (m_pos < m_len && !isWhite(m_text[m_pos])) {
        if (out != nullptr && copied < maxLen) out[copied++] = m_text[m_pos];
        ++m_pos;
    }
    if (out != nullptr) out[copied] = '\0';
    return copied;
}

const char* CStrParser::MemMemCase(const char* haystack, size_t haystackLen, const char* needle, size_t needleLen)
{
    if (haystack == nullptr || needle == nullptr || needleLen > haystackLen) return nullptr;
    for (size_t i = 0; i + needleLen <= haystackLen; ++i) {
        size_t j = 0;
        while (j < needleLen && std::tolower(static_cast<unsigned char>(haystack[i + j])) ==
                                    std::tolower(static_cast<unsigned char>(needle[j])))
            ++j;
        if (j == needleLen) return haystack + i;
    }
    return nullptr;
}

} // namespace NetFramework
} // namespace Zentar
