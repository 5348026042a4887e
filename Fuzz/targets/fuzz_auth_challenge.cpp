// WWW-Authenticate values as the shared challenge reader takes them, and the answers the
// HTTP client, the RTSP session and the digest code then build from them.
#include <string>
#include <vector>

#include "Base/HTTPClient/RPCHttpAuth.h"
#include "FuzzInput.h"
#include "Stream/Rtsp/RtspAuth.h"
#include "Utils/HttpAuthChallenge.h"
#include "Utils/HttpDigestAuth.h"

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

    unsigned sum = 0;
    for (const std::string& challenge : challenges) {
        std::vector<Zentar::Utils::CAuthChallenge> parsed;
        sum += static_cast<unsigned>(Zentar::Utils::parseAuthHeader(challenge, parsed));
        for (const auto& c : parsed)
            sum += OnvifFuzz::touch(c.scheme) + static_cast<unsigned>(c.params.size());
    }
    Zentar::Utils::CChosenChallenge chosen;
    if (Zentar::Utils::chooseChallenge(challenges, chosen) == Zentar::Utils::EChallengeFault::None &&
        chosen.scheme == Zentar::Utils::EAuthScheme::Digest) {
        Zentar::Utils::CHttpDigestAuth digest;
        digest.setNonceSource([] { return std::string("0a4f113b"); });
        digest.setCredentials("admin", "Pa55word!");
        digest.setChallenge(chosen.digest);
        const std::string body = "<s:Envelope/>";
        std::string value;
        if (digest.authorize("POST", "/onvif/device_service", &body, value))
            sum += OnvifFuzz::touch(value);
    }

    RPC::CRPCHttpAuth http;
    http.SetCnonceGenerator([] { return std::string("0a4f113b"); });
    http.SetUserInfo("admin", "Pa55word!");
    http.SetURI("/onvif/device_service");
    http.SetMethod("POST");
    http.SetWWWAuthenticate(challenges.front());
    std::string value;
    http.GetAuthorization(value);
    sum += OnvifFuzz::touch(value);

    Zentar::StreamApp::CRtspAuth rtsp;
    rtsp.setCredentials("admin", "Pa55word!");
    rtsp.setNonceSource([] { return std::string("0a4f113b"); });
    if (rtsp.takeChallenge(challenges))
        sum += OnvifFuzz::touch(rtsp.authorization("DESCRIBE", "rtsp://127.0.0.1/live"));
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
