// Digest and Basic challenges as the HTTP client and the RTSP session read them, and the
// answers both then build from what they read.
#include <string>
#include <vector>

#include "Base/HTTPClient/RPCHttpAuth.h"
#include "FuzzInput.h"
#include "Stream/Rtsp/RtspAuth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Records are the WWW-Authenticate values of one answer.
    std::vector<std::string> challenges;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    while (records.next(bytes, length) && challenges.size() < 8)
        challenges.emplace_back(reinterpret_cast<const char*>(bytes), length);
    if (challenges.empty())
        return 0;

    RPC::CRPCHttpAuth http;
    http.SetCnonceGenerator([] { return std::string("0a4f113b"); });
    http.SetUserInfo("admin", "Pa55word!");
    http.SetURI("/onvif/device_service");
    http.SetMethod("POST");
    http.SetWWWAuthenticate(challenges.front());
    std::string value;
    http.GetAuthorization(value);
    unsigned sum = OnvifFuzz::touch(value);

    Zentar::StreamApp::CRtspAuth rtsp;
    rtsp.setCredentials("admin", "Pa55word!");
    rtsp.setNonceSource([] { return std::string("0a4f113b"); });
    if (rtsp.takeChallenge(challenges))
        sum += OnvifFuzz::touch(rtsp.authorization("DESCRIBE", "rtsp://127.0.0.1/live"));
    for (const std::string& challenge : challenges) {
        std::vector<std::pair<std::string, std::string>> params;
        sum += OnvifFuzz::touch(Zentar::StreamApp::parseAuthChallenge(challenge, params));
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
