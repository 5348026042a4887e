#pragma once
// A cursor over a piece of text for simple token scanning (header values, challenges).
// The text is not copied: it must outlive the parser.
#include <cstddef>

namespace Zentar {
namespace NetFramework {

class CStrParser {
public:
    CStrParser(const char* text, size_t len);

    // Back to the start of the text.
    void ResetAll();
    // Skips blanks, tabs, CR and LF; returns how many.
    size_t ConsumeWhitespace();
    // Reads the run of non-white characters at the cursor into out (at most maxLen
    // characters plus a terminating zero, so out must hold maxLen + 1). The whole word is
    // consumed even when longer. Returns the number of characters copied (0: no word).
    size_t ConsumeWord(char* out, size_t maxLen);
    size_t GetCurPos() const { return m_pos; }
    bool IsEnd() const { return m_pos >= m_len; }

    // First case-insensitive (ASCII) occurrence of needle in haystack; null when absent
    // or either is null. An empty needle matches at the start.
    static const char* MemMemCase(const char* haystack, size_t haystackLen, const char* needle,
                                  size_t needleLen);

private:
    const char* m_text;
    size_t m_len;
    size_t m_pos = 0;
};

} // namespace NetFramework
} // namespace Zentar
