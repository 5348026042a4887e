#pragma once
// Points the addresses in a recorded answer at the simulator. Only the elements a client
// follows are touched (XAddr, XAddrs, Uri, and Address inside SubscriptionReference); a
// URL anywhere else in the answer (a manufacturer's home page, a topic namespace) stays as
// recorded. Addresses are found once when the folder loads; each answer then only splices.
#include <string>
#include <vector>

namespace OnvifSim {

struct CAddressSpan {
    size_t begin = 0;      // first byte of the scheme
    size_t end = 0;        // one past the authority
    bool rtsp = false;
    std::string prefix;    // recorded scheme, "://" and any "user@"
    std::string port;      // ":554" as recorded, or empty
};

// Addresses inside the followed elements of `xml`, in document order. False when `xml` is
// not well-formed XML (the answer is then served as recorded).
bool FindAddressSpans(const std::string& xml, std::vector<CAddressSpan>& spans);

// The path of a found address, without its query and with XML entities decoded
// ("/Streaming/Channels/101"), as a client requests it; "/" when it has none.
std::string AddressPath(const std::string& xml, const CAddressSpan& span);

// `xml` with each span replaced: http(s) by `selfBase` ("http://127.0.0.1:8080"), rtsp by
// the same host with the recorded port, or `rtspPort` when it is not 0.
std::string RewriteAddresses(const std::string& xml, const std::vector<CAddressSpan>& spans,
                             const std::string& selfBase, unsigned short rtspPort);

} // namespace OnvifSim
