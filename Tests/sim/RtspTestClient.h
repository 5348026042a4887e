#pragma once
// A small blocking RTSP client for the simulator's tests, written apart from the server:
// requests with CSeq and (after a 401) Basic or Digest credentials, '$' interleaved frames,
// UDP port pairs, RTP header reading, and the RTSP-over-HTTP tunnel. Every wait is bounded.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace SimTest {

struct CRtspReply {
    int status = 0;                              // 0: no answer (closed or timed out)
    std::map<std::string, std::string> headers;  // lower-case names
    std::string body;
    std::string header(const std::string& name) const;
    std::string session() const;                 // Session id without ";timeout="
};

struct CRtpPacket {
    int version = 0;
    bool marker = false;
    int payloadType = 0;
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    std::string payload;
};

// False when the bytes are shorter than a fixed header.
bool ParseRtp(const std::string& bytes, CRtpPacket& out);

class CRtspTestClient {
public:
    CRtspTestClient() = default;
    ~CRtspTestClient();
    CRtspTestClient(const CRtspTestClient&) = delete;
    CRtspTestClient& operator=(const CRtspTestClient&) = delete;

    bool connect(unsigned short port);
    // GET and POST with one x-sessioncookie on the device's HTTP port.
    bool connectTunnel(unsigned short httpPort, const std::string& path);
    void close();
    void setCredentials(const std::string& user, const std::string& password, bool preferBasic = false);

    // Sends a request and waits for its answer, skipping interleaved frames meanwhile (they
    // are kept for readFrame). A 401 is answered once with credentials when they are set.
    CRtspReply request(const std::string& method, const std::string& url,
                       const std::vector<std::pair<std::string, std::string>>& headers = {},
                       const std::string& body = "");
    // Next interleaved frame; false after waitMs or when the connection closed.
    bool readFrame(uint8_t& channel, std::string& frame, int waitMs = 3000);
    // True when the server closes within waitMs (frames arriving meanwhile are dropped).
    bool waitClosed(int waitMs);
    // Bytes read since the last call that were neither RTSP answers nor '$' frames.
    bool sawGarbage() const { return m_garbage; }
    // Bytes available within waitMs, as they are.
    std::string readRaw(int waitMs);

    std::string lastAuthorization() const { return m_lastAuthorization; }

private:
    bool sendAll(const std::string& bytes);
    bool fill(int waitMs);   // reads once into m_in
    bool takeReply(CRtspReply& out);
    bool takeFrame(uint8_t& channel, std::string& frame);
    std::string authorization(const std::string& method, const std::string& url);

    int m_fd = -1;
    int m_postFd = -1;
    int m_cseq = 0;
    std::string m_in;
    std::vector<std::pair<uint8_t, std::string>> m_frames;
    std::string m_user, m_password;
    bool m_preferBasic = false;
    std::string m_challenge;   // last WWW-Authenticate taken
    std::string m_lastAuthorization;
    int m_nc = 0;
    bool m_garbage = false;
};

// An even/odd UDP port pair on 127.0.0.1 (or a group joined on an interface address).
class CUdpReceiver {
public:
    ~CUdpReceiver();
    bool bindPair();
    bool joinGroup(const std::string& group, unsigned short port, const std::string& interfaceAddress);
    unsigned short port() const { return m_port; }
    // Next datagram on the RTP (0) or RTCP (1) socket within waitMs.
    bool receive(int which, std::string& out, int waitMs = 3000);

private:
    int m_fd[2] = {-1, -1};
    unsigned short m_port = 0;
};

std::string Md5Hex(const std::string& text);

} // namespace SimTest
