#include "Snapshot/SnapshotEndpoint.h"

#include "Common/Log.h"
#include "Media/MediaModel.h"
#include "Snapshot/SnapshotPicture.h"
#include "Snapshot/SnapshotSettings.h"

#include <cctype>

namespace OnvifSim {
namespace {

const char kSnapshotPath[] = "/onvif/snapshot";

CHttpAnswer PlainAnswer(int status, const std::string& text)
{
    CHttpAnswer answer;
    answer.status = status;
    answer.contentType = "text/html";
    answer.body = "<html><body><h1>" + std::to_string(status) + " " + text + "</h1></body></html>";
    return answer;
}

std::string PercentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

// The "token" parameter of the query; empty when absent.
std::string QueryToken(const std::string& target)
{
    size_t query = target.find('?');
    if (query == std::string::npos)
        return std::string();
    std::string rest = target.substr(query + 1);
    for (size_t pos = 0; pos <= rest.size();) {
        size_t end = rest.find('&', pos);
        std::string pair = rest.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (pair.rfind("token=", 0) == 0)
            return PercentDecoded(pair.substr(6));
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return std::string();
}

std::string SchemeOf(const std::string& authorization)
{
    std::string scheme = authorization.substr(0, authorization.find(' '));
    for (char& c : scheme)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return scheme;
}

struct CSnapshotAuth {
    bool ok = false;
    bool stale = false;
    std::string why;
    CAuthOutcome who;
};

CSnapshotAuth Authenticate(const CDeviceDescription& d, CHttpDigest& digest, ESnapshotAuth mode,
                           const CHttpRequest& http)
{
    CSnapshotAuth result;
    if (mode == ESnapshotAuth::None) {
        result.ok = true;
        return result;
    }
    std::string authorization = http.header("Authorization");
    std::string scheme = SchemeOf(authorization);
    // A web server that knows one scheme answers the other with its own challenge.
    if (mode == ESnapshotAuth::Basic && scheme == "digest") {
        result.why = "Digest credentials at a Basic-only snapshot";
        return result;
    }
    if (mode == ESnapshotAuth::Digest && scheme == "basic") {
        result.why = "Basic credentials at a Digest-only snapshot";
        return result;
    }
    result.who = digest.verify(authorization, http.method, http.target, d.users, d.realm,
                               mode != ESnapshotAuth::Digest, d.digestNonceLifetimeSeconds);
    result.ok = result.who.ok;
    result.stale = result.who.stale;
    result.why = result.who.present ? result.who.why : "no credentials";
    return result;
}

CHttpAnswer Refusal(const CDeviceDescription& d, CHttpDigest& digest, ESnapshotAuth mode, bool stale)
{
    CHttpAnswer answer = PlainAnswer(401, "Unauthorized");
    std::vector<std::string> schemes;
    if (mode != ESnapshotAuth::Basic) {
        for (const auto& c : d.challenges)
            if (c.rfind("Digest", 0) == 0)
                schemes.push_back(c);
        if (schemes.empty())
            schemes.push_back("Digest MD5");
    }
    if (mode != ESnapshotAuth::Digest)
        schemes.push_back("Basic");
    for (const auto& value : digest.challenges(schemes, d.realm, stale))
        answer.headers.emplace_back("WWW-Authenticate", value);
    return answer;
}

// The media state as the media services keep it, built from the description on first use.
const Json::Value* MediaModel(CDeviceState& state)
{
    Json::Value& model = state.serviceData["media"];
    if (model.isNull()) {
        std::string error;
        if (!BuildMediaModel(state.current.raw, model, error)) {
            LogLine(state.current.name + ": snapshot: media state: " + error);
            model = Json::Value();
            return nullptr;
        }
    }
    return &model;
}

const Json::Value* FindToken(const Json::Value& list, const std::string& token)
{
    for (const auto& item : list)
        if (item["token"].asString() == token)
            return &item;
    return nullptr;
}

// Width and height of the profile's video encoder, or of its channel's source when the
// profile has no encoder. False for an unknown profile.
bool ProfileResolution(const Json::Value& model, const std::string& token, int& width, int& height)
{
    const Json::Value* profile = FindToken(model["profiles"], token);
    if (!profile)
        return false;
    const Json::Value& refs = (*profile)["refs"];
    const Json::Value* encoder = refs.isMember("VideoEncoder")
        ? FindToken(model["configs"]["VideoEncoder"], refs["VideoEncoder"].asString())
        : nullptr;
    const Json::Value& source = model["channels"][(*profile)["channel"].asUInt()]["source"];
    const Json::Value& from = encoder ? *encoder : source;
    width = from["width"].asInt();
    height = from["height"].asInt();
    return true;
}

} // namespace

bool IsSnapshotPath(const std::string& path) { return path == kSnapshotPath; }

CHttpAnswer ServeSnapshot(CDeviceState& state, CHttpDigest& digest, const CHttpRequest& http,
                          CRecordedRequest& entry, bool anyProfile)
{
    const CDeviceDescription& d = state.current;
    if (http.method != "GET") {
        CHttpAnswer answer = PlainAnswer(405, "Method Not Allowed");
        answer.headers.emplace_back("Allow", "GET");
        return answer;
    }
    CSnapshotSettings settings;
    std::string error;
    if (!ReadSnapshotSettings(d, settings, error)) {
        LogLine(d.name + ": " + error);
        return PlainAnswer(500, "Internal Server Error");
    }
    CSnapshotAuth auth = Authenticate(d, digest, settings.auth, http);
    if (!auth.ok) {
        LogLine(d.name + ": refused a snapshot: " + auth.why);
        return Refusal(d, digest, settings.auth, auth.stale);
    }
    entry.authenticated = auth.who.ok;
    entry.user = auth.who.user;
    entry.level = auth.who.level;
    entry.authMethod = auth.who.method;

    const Json::Value* model = MediaModel(state);
    if (!model || !(*model)["habits"]["snapshot"].asBool())
        return PlainAnswer(404, "Not Found");
    std::string token = QueryToken(http.target);
    if (anyProfile && !FindToken((*model)["profiles"], token) && !(*model)["profiles"].empty())
        token = (*model)["profiles"][0]["token"].asString();
    CSnapshotPictureRequest picture;
    if (!ProfileResolution(*model, token, picture.width, picture.height)) {
        LogLine(d.name + ": snapshot of unknown profile \"" + token + "\"");
        return PlainAnswer(404, "Not Found");
    }
    Json::Value& count = state.serviceData["snapshot"]["count"];
    picture.sequence = count.asUInt();
    count = picture.sequence + 1;
    picture.progressive = settings.progressive;
    picture.token = token;
    picture.deviceTime = state.now();
    CHttpAnswer answer;
    answer.body = MakeSnapshotPicture(picture);
    if (answer.body.empty()) {
        LogLine(d.name + ": no snapshot of " + std::to_string(picture.width) + "x" + std::to_string(picture.height));
        return PlainAnswer(500, "Internal Server Error");
    }
    answer.contentType = "image/jpeg";
    return answer;
}

} // namespace OnvifSim
