#pragma once
// Tokens named by the answers captured so far, by kind, in the order they appeared: the
// first profile of the first profile list comes first, and so do the configurations it
// uses, so that operations asked with one profile and one configuration ask about a pair
// that belongs together.
#include <map>
#include <string>
#include <vector>

namespace OnvifCapture {

class CTokenPool {
public:
    // Reads the tokens an answer names; an answer that is not XML names none.
    void learn(const std::string& body);
    // The first token of a kind ("Profile", "VideoEncoderConfiguration", "OSD" ...); empty
    // when no answer named one.
    std::string first(const std::string& kind) const;

private:
    void add(const std::string& kind, const std::string& token);

    std::map<std::string, std::vector<std::string>> m_tokens;
};

} // namespace OnvifCapture
