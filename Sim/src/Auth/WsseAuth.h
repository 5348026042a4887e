#pragma once
// WS-Security UsernameToken checks as a device makes them: the digest over nonce, Created
// and password, Created compared with the device's own (possibly wrong) clock, and nonces
// remembered so a captured header cannot be replayed.
#include "Auth/AuthOutcome.h"

#include <pugixml.hpp>

#include <deque>
#include <set>
#include <string>
#include <vector>

namespace OnvifSim {

class CWsseVerifier {
public:
    static constexpr size_t kRememberedNonces = 4096;

    CAuthOutcome verify(pugi::xml_node soapHeader, const std::vector<CSimUser>& users, long long deviceNow,
                        int toleranceSeconds);
    void forgetNonces();

private:
    bool remember(const std::string& nonce);

    std::deque<std::string> m_order;
    std::set<std::string> m_seen;
};

} // namespace OnvifSim
