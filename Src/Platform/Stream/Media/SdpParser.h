#pragma once
// Session descriptions (RFC 4566): parse, query, edit, serialise.
//
// Every line is kept in order (unknown ones too), so that an edited description is
// written back as the device wrote it apart from the edit. CRLF and bare LF are both
// accepted; lines without "x=" form are skipped. Limits: 64 KiB of text, 2048 lines,
// 64 media sections; a larger description is refused.
//
// Numbers callers test:
//   media type (getMediaType):   0 audio, 1 video, 2 application (metadata), 3 text,
//                                4 message, -1 anything else
//   direction (getSendRecvAttr): 0 sendrecv (also when absent), 1 sendonly, 2 recvonly,
//                                3 inactive; a media-level attribute overrides the session's
//   track id (getTrackId):       the number at the end of the media's control URL
//                                ("trackID=5", "track5", "streamid=5"), -1 when none
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Zentar {
namespace StreamSvr {

enum ESdpMediaType {
    kSdpMediaUnknown = -1,
    kSdpMediaAudio = 0,
    kSdpMediaVideo = 1,
    kSdpMediaApplication = 2,
    kSdpMediaText = 3,
    kSdpMediaMessage = 4,
};

enum ESdpDirection {
    kSdpSendRecv = 0,
    kSdpSendOnly = 1,
    kSdpRecvOnly = 2,
    kSdpInactive = 3,
};

// One payload format of a media line with its rtpmap and fmtp.
struct CSdpPayload {
    int payloadType = -1;
    std::string name;      // encoding name as written ("H264", "PCMU", "MPEG4-GENERIC")
    int rate = 0;          // clock rate; static payload types get theirs when no rtpmap is given
    int channels = 0;      // audio channels from the rtpmap (0 = not given)
    std::map<std::string, std::string> fmtp; // keys in lower case, values as written
};

struct CSdpConnection {
    std::string networkType;   // "IN"
    std::string addressType;   // "IP4" / "IP6"
    std::string address;
    int ttl = 0;               // IPv4 multicast only
    int addressCount = 1;
    bool multicast = false;
};

struct CSdpLine {
    char type = 0;
    std::string value;         // everything after "x="
};

class CSdpParser {
public:
    static constexpr size_t kMaxSize = 65536;
    static constexpr size_t kMaxLines = 2048;
    static constexpr int kMaxMedia = 64;

    CSdpParser() = default;

    // Parses a description, replacing the current one. 0, or -1 (and empty) when the text
    // is not a description (no "v=" line, a media line without type, over the limits).
    int attach(const char* text, size_t len);
    int attach(const std::string& text) { return attach(text.data(), text.size()); }
    void clear();
    bool empty() const { return m_session.empty() && m_media.empty(); }

    // Base for relative control URLs: the Content-Base (or Content-Location, or the
    // request URL) of the DESCRIBE answer.
    void setContentBase(const std::string& base) { m_contentBase = base; }
    const std::string& getContentBase() const { return m_contentBase; }

    // Serialises with CRLF line ends.
    std::string toString() const;

    // ---- session level ----
    std::string getSessionName() const;            // s=
    std::string getSessionUrl() const;             // aggregate control URL, resolved
    std::string getSessionAttribute(const std::string& name) const;
    bool hasSessionAttribute(const std::string& name) const;
    std::string getRange(int media = -1) const;    // a=range value; media -1: session level

    // ---- media level ----
    int getMediaTotal() const { return static_cast<int>(m_media.size()); }
    int getMediaType(int media) const;             // ESdpMediaType
    std::string getMediaTypeName(int media) const; // "video", "audio", ...
    int getMediaPort(int media) const;             // -1 on a bad index
    int getMediaPortCount(int media) const;        // the "/n" of the media line, 1 when absent
    std::string getMediaProto(int media) const;    // "RTP/AVP", ...
    std::vector<int> getMediaFormats(int media) const; // payload types of the media line
    int getSendRecvAttr(int media) const;          // ESdpDirection
    std::string getMediaControl(int media) const;  // a=control as written
    std::string getMediaUrl(int media) const;      // control resolved against the base
    int getTrackId(int media) const;
    // a= value of the first attribute with that name ("" when absent; see hasAttribute).
    std::string getAttribute(int media, const std::string& name) const;
    bool hasAttribute(int media, const std::string& name) const;
    // Connection data: the media's c= line, else the session's. False when none parses.
    bool getConnection(int media, CSdpConnection& out) const;
    // b=<type>:<value> of the media, else of the session; -1 when absent.
    int getBandwidth(int media, const std::string& type = "AS") const;

    // Payloads in media-line order, with the rtpmap and fmtp found for each.
    int getPayloadCount(int media) const;
    bool getPayload(int media, int index, CSdpPayload& out) const;
    bool findPayload(int media, int payloadType, CSdpPayload& out) const;

    // ---- edits; each returns -1 on a bad index or argument ----
    // Removes every attribute of that name from the media; returns how many went.
    int removeAttribute(int media, const std::string& name);
    // Appends "a=name" or "a=name:value" after the media's last attribute.
    int addAttribute(int media, const std::string& name, const std::string& value);
    // Rewrites the media line: "m=<type> <port> <proto> <formats...>".
    int setMediaLine(int media, const std::string& type, int port, const std::string& proto,
                     const std::vector<int>& formats);

    // Raw lines, for callers that need something not offered above.
    const std::vector<CSdpLine>& sessionLines() const { return m_session; }
    const std::vector<CSdpLine>& mediaLines(int media) const;

private:
    struct CMediaSection {
        std::vector<CSdpLine> lines; // lines[0] is the m= line
    };

    const CMediaSection* section(int media) const;
    static const CSdpLine* findAttribute(const std::vector<CSdpLine>& lines, const std::string& name);
    std::string resolveUrl(const std::string& control) const;

    std::vector<CSdpLine> m_session;
    std::vector<CMediaSection> m_media;
    std::string m_contentBase;
};

// Splits "k1=v1; k2=v2" (fmtp parameters) into a map with lower-case keys.
std::map<std::string, std::string> parseFmtpParameters(const std::string& text);

} // namespace StreamSvr
} // namespace Zentar
