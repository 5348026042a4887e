// The snapshot address GetSnapshotUri hands out: a real JPEG of the profile's encoder
// resolution, guarded by Basic, Digest, either or nothing, with the refusals devices give;
// and a device whose pictures are progressive.
#include "SimTestClient.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <openssl/evp.h>

#include <fstream>
#include <sstream>

using namespace SimTest;

namespace {

struct CFetch {
    long status = 0;
    std::string contentType;
    std::vector<std::string> challenges; // WWW-Authenticate values
    std::string body;
};

enum class EClientAuth { None, Basic, Digest };

size_t CollectBody(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

size_t CollectHeader(char* data, size_t size, size_t count, void* out)
{
    std::string line(data, size * count);
    auto* fetch = static_cast<CFetch*>(out);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
        std::string name = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        value.erase(value.find_last_not_of("\r\n") + 1);
        for (char& c : name)
            c = char(tolower(static_cast<unsigned char>(c)));
        if (name == "www-authenticate")
            fetch->challenges.push_back(value);
        if (name == "content-type")
            fetch->contentType = value;
    }
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response (curl's own digest retry) replaces what the previous one said.
        fetch->challenges.clear();
        fetch->contentType.clear();
    }
    return size * count;
}

CFetch Fetch(const std::string& url, EClientAuth auth = EClientAuth::None, const std::string& user = "admin",
             const std::string& password = "admin123", const std::vector<std::string>& headers = {},
             const char* method = nullptr)
{
    CFetch fetch;
    CURL* curl = curl_easy_init();
    curl_slist* list = nullptr;
    for (const auto& h : headers)
        list = curl_slist_append(list, h.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &fetch.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, CollectHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &fetch);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    if (method)
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
    if (auth != EClientAuth::None) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, auth == EClientAuth::Basic ? CURLAUTH_BASIC : CURLAUTH_DIGEST);
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    }
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK) << url;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &fetch.status);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return fetch;
}

std::string Md5Hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

// value of name="value" in a challenge.
std::string ChallengeParam(const std::string& challenge, const std::string& name)
{
    size_t at = challenge.find(name + "=\"");
    if (at == std::string::npos)
        return {};
    at += name.size() + 2;
    return challenge.substr(at, challenge.find('"', at) - at);
}

// An Authorization header for the Digest challenge, qop auth, computed here.
std::string DigestHeader(const std::string& challenge, const std::string& uri, const std::string& nc,
                         const std::string& user = "admin", const std::string& password = "admin123")
{
    std::string realm = ChallengeParam(challenge, "realm");
    std::string nonce = ChallengeParam(challenge, "nonce");
    std::string cnonce = "0a4f113b";
    std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
    std::string ha2 = Md5Hex("GET:" + uri);
    std::string response = Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2);
    return "Authorization: Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce +
           "\", uri=\"" + uri + "\", response=\"" + response + "\", qop=auth, nc=" + nc + ", cnonce=\"" + cnonce +
           "\", opaque=\"" + ChallengeParam(challenge, "opaque") + "\"";
}

Json::Value ShippedDescription(const std::string& file)
{
    std::ifstream in(OnvifSim::DevicesDir() + "/" + file);
    Json::Value json;
    std::string errors;
    Json::CharReaderBuilder builder;
    EXPECT_TRUE(Json::parseFromStream(builder, in, &json, &errors)) << errors;
    return json;
}

// The one-channel camera (Profile_1 1920x1080, Profile_2 640x360) with a snapshot guard.
Json::Value Camera(const char* snapshotAuth)
{
    Json::Value d = ShippedDescription("camera-1ch-media.json");
    if (snapshotAuth)
        d["snapshot"]["auth"] = snapshotAuth;
    return d;
}

std::string SnapshotUrl(const OnvifSim::CSimDevice& device, const std::string& token)
{
    return device.baseUrl() + "/onvif/snapshot?token=" + token;
}

struct CSegment {
    uint8_t marker;
    size_t offset;               // of the 0xFF
    std::string payload;         // the segment without its length field
};

// Walks a JPEG as a decoder would find its way through it, without decoding: SOI, marker
// segments with their lengths, entropy-coded data after each SOS up to the next marker
// that is neither stuffing nor a restart, and EOI as the very last two bytes.
bool WalkJpeg(const std::string& jpeg, std::vector<CSegment>& segments, std::string& why)
{
    auto byte = [&](size_t i) { return static_cast<uint8_t>(jpeg[i]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return why = "no SOI", false;
    size_t pos = 2;
    while (pos + 2 <= jpeg.size()) {
        if (byte(pos) != 0xFF)
            return why = "no marker at " + std::to_string(pos), false;
        uint8_t marker = byte(pos + 1);
        if (marker == 0xD9) {
            segments.push_back({marker, pos, {}});
            if (pos + 2 != jpeg.size())
                return why = "bytes after EOI", false;
            return true;
        }
        if (pos + 4 > jpeg.size())
            return why = "cut segment", false;
        size_t length = size_t(byte(pos + 2)) << 8 | byte(pos + 3);
        if (length < 2 || pos + 2 + length > jpeg.size())
            return why = "segment length out of the file", false;
        segments.push_back({marker, pos, jpeg.substr(pos + 4, length - 2)});
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        while (pos + 1 < jpeg.size() &&
               !(byte(pos) == 0xFF && byte(pos + 1) != 0x00 && !(byte(pos + 1) >= 0xD0 && byte(pos + 1) <= 0xD7)))
            ++pos;
    }
    return why = "no EOI", false;
}

std::vector<uint8_t> Markers(const std::vector<CSegment>& segments)
{
    std::vector<uint8_t> out;
    for (const auto& s : segments)
        out.push_back(s.marker);
    return out;
}

// Height and width of the frame header with this marker; false when there is none.
bool FrameSize(const std::vector<CSegment>& segments, uint8_t marker, int& width, int& height)
{
    for (const auto& s : segments)
        if (s.marker == marker && s.payload.size() >= 5) {
            height = static_cast<uint8_t>(s.payload[1]) << 8 | static_cast<uint8_t>(s.payload[2]);
            width = static_cast<uint8_t>(s.payload[3]) << 8 | static_cast<uint8_t>(s.payload[4]);
            return true;
        }
    return false;
}

class SimSnapshot : public ::testing::Test {
protected:
    void SetUp() override { OnvifSim::SetLogEnabled(false); }
    void TearDown() override { OnvifSim::SetLogEnabled(true); }
    OnvifSim::CSimServer m_server;
};

TEST_F(SimSnapshot, PictureIsABaselineJpegOfTheProfileResolution)
{
    auto device = StartDevice(m_server, Camera("basic"));
    ASSERT_TRUE(device);
    const struct {
        const char* token;
        int width, height;
    } profiles[] = {{"Profile_1", 1920, 1080}, {"Profile_2", 640, 360}};
    for (const auto& p : profiles) {
        SCOPED_TRACE(p.token);
        CFetch reply = Fetch(SnapshotUrl(*device, p.token), EClientAuth::Basic);
        ASSERT_EQ(reply.status, 200);
        EXPECT_EQ(reply.contentType, "image/jpeg");
        std::vector<CSegment> segments;
        std::string why;
        ASSERT_TRUE(WalkJpeg(reply.body, segments, why)) << why;
        const std::vector<uint8_t> expected = {0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9};
        EXPECT_EQ(Markers(segments), expected);
        int width = 0, height = 0;
        ASSERT_TRUE(FrameSize(segments, 0xC0, width, height));
        EXPECT_EQ(width, p.width);
        EXPECT_EQ(height, p.height);
        // The frame header names three components, luminance sampled 2x2 (4:2:0).
        const std::string& sof = segments[2].payload;
        ASSERT_EQ(sof.size(), 15u);
        EXPECT_EQ(sof[5], 3);
        EXPECT_EQ(static_cast<uint8_t>(sof[7]), 0x22);
        EXPECT_EQ(static_cast<uint8_t>(sof[10]), 0x11);
        // The one scan covers all three components and the whole band.
        const std::string& sos = segments[4].payload;
        ASSERT_EQ(sos.size(), 10u);
        EXPECT_EQ(sos[0], 3);
        EXPECT_EQ(sos[7], 0);
        EXPECT_EQ(sos[8], 63);
    }
}

TEST_F(SimSnapshot, SuccessivePicturesDiffer)
{
    auto device = StartDevice(m_server, Camera("none"));
    ASSERT_TRUE(device);
    CFetch first = Fetch(SnapshotUrl(*device, "Profile_2"));
    CFetch second = Fetch(SnapshotUrl(*device, "Profile_2"));
    ASSERT_EQ(first.status, 200);
    ASSERT_EQ(second.status, 200);
    EXPECT_NE(first.body, second.body);
    EXPECT_GT(first.body.size(), 1000u);
}

TEST_F(SimSnapshot, GuardsAnswerAsTheirDevicesDo)
{
    const std::string uri = "/onvif/snapshot?token=Profile_1";
    struct Case {
        const char* why;
        const char* guard;
        EClientAuth auth;
        const char* password;
        bool handMadeDigest; // a Digest header made from a challenge of a Digest device
        long status;
        const char* challenge; // scheme the refusal must offer ("" when none expected)
    } cases[] = {
        {"basic device, Basic", "basic", EClientAuth::Basic, "admin123", false, 200, ""},
        {"basic device, Digest attempt", "basic", EClientAuth::None, "admin123", true, 401, "Basic"},
        {"basic device, wrong password", "basic", EClientAuth::Basic, "nope", false, 401, "Basic"},
        {"basic device, nothing", "basic", EClientAuth::None, "admin123", false, 401, "Basic"},
        {"digest device, Digest", "digest", EClientAuth::Digest, "admin123", false, 200, ""},
        {"digest device, Basic attempt", "digest", EClientAuth::Basic, "admin123", false, 401, "Digest"},
        {"digest device, wrong password", "digest", EClientAuth::Digest, "nope", false, 401, "Digest"},
        {"either device, Basic", "either", EClientAuth::Basic, "admin123", false, 200, ""},
        {"either device, Digest", "either", EClientAuth::Digest, "admin123", false, 200, ""},
        {"either device, nothing", "either", EClientAuth::None, "admin123", false, 401, "Digest"},
        {"open device, nothing", "none", EClientAuth::None, "admin123", false, 200, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto device = StartDevice(m_server, Camera(c.guard));
        ASSERT_TRUE(device);
        std::vector<std::string> headers;
        if (c.handMadeDigest) {
            auto digestDevice = StartDevice(m_server, Camera("digest"));
            CFetch challenge = Fetch(SnapshotUrl(*digestDevice, "Profile_1"));
            ASSERT_EQ(challenge.challenges.size(), 1u);
            headers.push_back(DigestHeader(challenge.challenges[0], uri, "00000001"));
        }
        CFetch reply = Fetch(device->baseUrl() + uri, c.auth, "admin", c.password, headers);
        EXPECT_EQ(reply.status, c.status);
        bool offered = false;
        for (const auto& value : reply.challenges)
            offered = offered || value.rfind(c.challenge, 0) == 0;
        if (*c.challenge) {
            EXPECT_TRUE(offered) << "no " << c.challenge << " challenge";
        }
        if (c.status == 200) {
            EXPECT_EQ(reply.contentType, "image/jpeg");
            std::vector<OnvifSim::CRecordedRequest> log = device->requests();
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.back().path, uri);
            EXPECT_EQ(log.back().authenticated, std::string(c.guard) != "none");
        }
    }
    // A device that takes either offers both schemes.
    auto either = StartDevice(m_server, Camera("either"));
    CFetch refused = Fetch(SnapshotUrl(*either, "Profile_1"));
    ASSERT_EQ(refused.challenges.size(), 2u);
    EXPECT_EQ(refused.challenges[0].rfind("Digest ", 0), 0u);
    EXPECT_EQ(refused.challenges[1].rfind("Basic ", 0), 0u);
}

TEST_F(SimSnapshot, ExpiredNonceIsAnsweredStale)
{
    auto device = StartDevice(m_server, Camera("digest"));
    ASSERT_TRUE(device);
    const std::string uri = "/onvif/snapshot?token=Profile_2";
    CFetch challenge = Fetch(device->baseUrl() + uri);
    ASSERT_EQ(challenge.status, 401);
    ASSERT_EQ(challenge.challenges.size(), 1u);
    EXPECT_NE(challenge.challenges[0].find("stale=false"), std::string::npos);

    CFetch fresh = Fetch(device->baseUrl() + uri, EClientAuth::None, "", "",
                         {DigestHeader(challenge.challenges[0], uri, "00000001")});
    EXPECT_EQ(fresh.status, 200);

    device->expireDigestNonces();
    CFetch stale = Fetch(device->baseUrl() + uri, EClientAuth::None, "", "",
                         {DigestHeader(challenge.challenges[0], uri, "00000002")});
    EXPECT_EQ(stale.status, 401);
    ASSERT_EQ(stale.challenges.size(), 1u);
    EXPECT_NE(stale.challenges[0].find("stale=true"), std::string::npos);
    EXPECT_NE(ChallengeParam(stale.challenges[0], "nonce"), ChallengeParam(challenge.challenges[0], "nonce"));
}

TEST_F(SimSnapshot, ShippedProgressiveDeviceServesSpectralSelectionScans)
{
    auto device = StartDevice(m_server, ShippedDescription("camera-2ch-media2-h265.json"));
    ASSERT_TRUE(device);
    EXPECT_EQ(Fetch(SnapshotUrl(*device, "Profile_103"), EClientAuth::Basic).status, 401);
    CFetch reply = Fetch(SnapshotUrl(*device, "Profile_103"), EClientAuth::Digest);
    ASSERT_EQ(reply.status, 200);
    std::vector<CSegment> segments;
    std::string why;
    ASSERT_TRUE(WalkJpeg(reply.body, segments, why)) << why;
    const std::vector<uint8_t> expected = {0xE0, 0xDB, 0xC2, 0xC4, 0xDA, 0xDA, 0xDA, 0xDA, 0xD9};
    EXPECT_EQ(Markers(segments), expected);
    int width = 0, height = 0;
    ASSERT_TRUE(FrameSize(segments, 0xC2, width, height));
    EXPECT_EQ(width, 352);
    EXPECT_EQ(height, 288);
    // No baseline frame header anywhere, not even as stray bytes.
    EXPECT_EQ(reply.body.find("\xFF\xC0"), std::string::npos);
    // First the DC coefficients of all three components, then each component's AC band.
    const std::string& dc = segments[4].payload;
    ASSERT_EQ(dc.size(), 10u);
    EXPECT_EQ(dc[0], 3);
    EXPECT_EQ(dc[7], 0);
    EXPECT_EQ(dc[8], 0);
    for (int component = 1; component <= 3; ++component) {
        const std::string& ac = segments[4 + component].payload;
        ASSERT_EQ(ac.size(), 6u);
        EXPECT_EQ(ac[0], 1);
        EXPECT_EQ(ac[1], component);
        EXPECT_EQ(ac[3], 1);
        EXPECT_EQ(ac[4], 63);
        EXPECT_EQ(ac[5], 0);
    }
}

TEST_F(SimSnapshot, RefusesWhatIsNoSnapshot)
{
    Json::Value noSnapshots = Camera("none");
    noSnapshots["media"]["snapshot"] = false;
    Json::Value badGuard = Camera("sometimes");
    auto device = StartDevice(m_server, Camera("none"));
    auto without = StartDevice(m_server, noSnapshots);
    auto misdescribed = StartDevice(m_server, badGuard);
    ASSERT_TRUE(device && without && misdescribed);
    EXPECT_EQ(Fetch(SnapshotUrl(*device, "Profile_9")).status, 404);
    EXPECT_EQ(Fetch(device->baseUrl() + "/onvif/snapshot").status, 404);
    EXPECT_EQ(Fetch(SnapshotUrl(*device, "Profile_1"), EClientAuth::None, "", "", {}, "POST").status, 405);
    EXPECT_EQ(Fetch(SnapshotUrl(*without, "Profile_1")).status, 404);
    EXPECT_EQ(Fetch(SnapshotUrl(*misdescribed, "Profile_1")).status, 500);
}

} // namespace
