#pragma once
// Cleans captured answers before they leave the user's network: credentials, serial
// numbers and MAC addresses are replaced by placeholders; addresses stay, since a replay
// points them at itself.
//
//   - the text of Username and Password elements (GetUsers, or a Security header a device
//     echoes), the login's own password anywhere in element text, its user name as a whole
//     word there, and "user:password@" in URLs;
//   - serial numbers: the text of SerialNumber elements, and the same serial wherever else
//     it appears (scopes, names);
//   - MAC addresses: the text of HwAddress / MACAddress / MAC elements, and anything shaped
//     like one (six pairs of hex digits joined by ':' or '-').
//
// Placeholders are stable across the whole capture: the same serial or MAC address gets
// the same stand-in in every file, so a replay still tells devices and interfaces apart.
#include <map>
#include <set>
#include <string>

namespace OnvifCapture {

constexpr const char* kPasswordPlaceholder = "SCRUBBED-PASSWORD";
constexpr const char* kUserPlaceholderPrefix = "SCRUBBED-USER-";       // + 1, 2 ...
constexpr const char* kSerialPlaceholderPrefix = "SCRUBBED-SERIAL-";   // + 1, 2 ...
// MAC addresses become 02:00:00:00:00:01, 02:00:00:00:00:02 ... (locally administered, so
// never a real vendor's), in the separator the original used.

class CScrubber {
public:
    CScrubber(std::string user, std::string password);

    // Call with every answer first: serial numbers found in one answer are cleaned in all.
    void learn(const std::string& body);
    std::string scrub(const std::string& body);

private:
    std::string placeholder(std::map<std::string, std::string>& book, const std::string& prefix,
                            const std::string& original);
    std::string macPlaceholder(const std::string& mac);
    // Serials, MACs and URL credentials: safe anywhere in the bytes, markup included.
    std::string scrubPatterns(std::string text);
    // The login's own words too: only where the device wrote text.
    std::string scrubText(const std::string& text);

    std::string m_user;
    std::string m_password;
    std::map<std::string, std::string> m_serials;   // original -> placeholder
    std::map<std::string, std::string> m_users;
    std::map<std::string, std::string> m_macs;      // 12 lower-case hex digits -> number
    std::set<std::string> m_issuedMacs;             // the placeholders' own digits
};

} // namespace OnvifCapture
