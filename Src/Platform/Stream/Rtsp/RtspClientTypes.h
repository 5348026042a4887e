#pragma once
// Numbers shared by the RTSP client session and its users: transport kinds, option keys,
// notification codes, error codes, and the fixed-layout records some options carry.
#include <cstdint>

namespace Zentar {
namespace StreamApp {

// How media travels. Requests always go over TCP (or the HTTP tunnel).
enum ERtspTransKind {
    kRtspTransUdp = 0,        // RTP/AVP unicast over UDP; client ports from option 39
    kRtspTransTcp = 1,        // RTP/AVP/TCP interleaved on the RTSP connection
    kRtspTransMulticast = 2,  // RTP/AVP multicast; the server names the group
    kRtspTransHttp = 4,       // RTSP and interleaved RTP tunnelled over HTTP (GET/POST pair)
    kRtspTransDefault = 5,    // no preference was given: interleaved, as the most reliable
};

// setConfig keys.
enum ERtspConfigKey {
    kRtspCfgRtcpEnable = 0,       // 1 byte: send receiver reports (on by default)
    kRtspCfgVideoTalk = 3,        // 4 bytes (int): 1 = set up and feed the audio back channel
    kRtspCfgRecvBuffer = 5,       // 2 x u32: socket receive buffer of RTP and of RTCP/TCP
    kRtspCfgTransCheck = 21,      // 1 byte: refuse a SETUP answer with another transport
    kRtspCfgRemoteTime = 26,      // CRtspRemoteTimeInfo
    kRtspCfgUdpConnect = 38,      // 1 byte: connect UDP sockets to the server's ports
    kRtspCfgUdpPortRange = 39,    // 2 x u32: lowest and highest client UDP port
    kRtspCfgTimeouts = 100,       // CRtspTimeouts
};

// Notifications posted to the handler given to init: (sender, type, attachment).
enum ERtspMessage {
    kRtspMsgError = 0x1000,    // attachment: error code below; the session is finished
    kRtspMsgReady = 0x1001,    // the description arrived: choose tracks, then play
    kRtspMsgPaused = 0x1002,
    kRtspMsgPlaying = 0x1003,
};

// Error codes carried by kRtspMsgError. An RTSP answer status s is reported as
// kRtspErrStatusBase + s (401 gives 0x10090191).
enum ERtspError : uint32_t {
    kRtspErrStatusBase = 0x10090000,
    kRtspErrProtocol = 0x110A0001,     // unreadable or unexpected answer
    kRtspErrEnd = 0x110A0002,          // the server ended the stream (closed, BYE, TEARDOWN)
    kRtspErrConnect = 0x110A0003,      // connection (or TLS, or tunnel) could not be made
    kRtspErrTimeout = 0x110A0004,      // no answer in time
    kRtspErrNoData = 0x110A0005,       // playing, but no media for the data time-out
    kRtspErrTransport = 0x110A0006,    // no usable transport (ports, transport check)
};

// Time-outs in milliseconds; 0 keeps the default (5000 connect, 10000 answer, 20000 data).
struct CRtspTimeouts {
    uint32_t connectMs = 0;
    uint32_t answerMs = 0;
    uint32_t dataMs = 0;
};

// Range for PLAY (64 bytes). Type 0: npt seconds, a negative start means "from where the
// stream stands" (no Range header). Type 1: absolute UTC clock times (the ONVIF replay
// "clock=" range), each year, month, day, hour, minute, second, milliseconds.
struct CRtspPlayRange {
    enum { kNpt = 0, kClock = 1 };
    int32_t type = kNpt;
    int32_t reserved = 0;
    union {
        struct {
            double start;
            double end;    // negative: open end
        } npt;
        struct {
            int32_t start[7];
            int32_t end[7];
        } clock;
    };
    CRtspPlayRange() : clock{} { npt.start = -1.0; npt.end = -1.0; }
};
static_assert(sizeof(CRtspPlayRange) == 64, "the range record is 64 bytes");

// The device's time zone (152 bytes): offset from UTC in minutes east and its daylight-
// saving rule (month, week 1..5, weekday 0..6, hour, minute, second of start and end).
struct CRtspRemoteTimeInfo {
    int32_t timeZoneMinutes = 0;
    int32_t dstEnable = 0;
    int32_t dstStart[6] = {0, 0, 0, 0, 0, 0};
    int32_t dstEnd[6] = {0, 0, 0, 0, 0, 0};
    uint8_t reserved[96] = {};
};
static_assert(sizeof(CRtspRemoteTimeInfo) == 152, "the remote time record is 152 bytes");

} // namespace StreamApp
} // namespace Zentar
