#pragma once
// The platform's RTSP client session: one RTSP/1.0 media session with a device.
//
// Life of a session:
//   create(kind) -> setConfig/setAuthorization -> init(url, handler)     connects, OPTIONS, DESCRIBE
//   <- kRtspMsgReady          getSdpParser, setSetupInfo(index)...       choose tracks (none = all)
//   play(-1)                  SETUP per track, PLAY                      <- kRtspMsgPlaying, frames
//   pause / setPlayInfo+play  PAUSE / PLAY                               <- kRtspMsgPaused / Playing
//   close                     TEARDOWN, sockets closed, no more messages or frames
// Any failure ends the session with one kRtspMsgError (attachment: ERtspError).
//
// Every call returns at once: the work runs on the shared RTSP network loop, never on the
// caller's thread, and no call waits for the network. Messages and frames arrive on that
// loop's threads; handlers may call back into the session from there.
#include "Stream/Rtsp/RtspClientTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zentar {
namespace StreamSvr {
class CMediaFrame;
class CSdpParser;
} // namespace StreamSvr

namespace StreamApp {

class CRtspSessionImpl;

class CRtspClientSession {
public:
    using Ptr = std::shared_ptr<CRtspClientSession>;
    // mediaIndex: the description's media the frame belongs to.
    using DataProc = std::function<void(int mediaIndex, StreamSvr::CMediaFrame& frame)>;
    // Called once the connection is up (0) or could not be made (negative); may be empty.
    using InitProc = std::function<void(int result)>;

    // Socket type of the init overload that asks for an encrypted (TLS) connection.
    static const int kSocketTls = 3;

    // kind: ERtspTransKind; null for an unknown kind. shareLoop is accepted for callers
    // that pass it; every session runs on the shared loop.
    static Ptr create(int kind, bool shareLoop = true);
    ~CRtspClientSession(); // closes

    // The millisecond clock that every session's no-data watchdog, reorder release and
    // receiver-report pacing read; null restores the system clock. Tests step it across a
    // time-out instead of sleeping through it.
    using ClockFn = uint64_t (*)();
    static void setClock(ClockFn clock);

    CRtspClientSession(const CRtspClientSession&) = delete;
    CRtspClientSession& operator=(const CRtspClientSession&) = delete;

    // Starts the session. handlerId: a CMsgHandler identity for the notifications. 0 or
    // -1 (bad address, already started, closed).
    int init(const std::string& url, long handlerId, int mode, bool async, InitProc proc);
    int init(const std::string& url, long handlerId, int mode, bool async, InitProc proc,
             int socketType, std::shared_ptr<void> sharedSocket, void* context);

    // ERtspConfigKey with its value bytes; -1 for an unknown key or a wrong length.
    // Options take effect for what the session does next (ports at SETUP, ...).
    int setConfig(int key, const void* value, size_t len);
    void setAuthorization(const std::string& user, const std::string& password);

    // Frame receivers by id; attaching an id again replaces its receiver. After detach
    // returns, the receiver is not running (unless detach was called from inside it).
    int attachDataProc(int id, DataProc proc);
    int detachDataProc(int id);

    // The description, once kRtspMsgReady was posted; null before.
    std::shared_ptr<const StreamSvr::CSdpParser> getSdpParser() const;
    // Replaces the description the tracks are set up from (before play). -1 when the
    // session has no description yet or the new one has another number of media.
    int setSdpParser(const StreamSvr::CSdpParser& sdp);
    // Adds a media to the set that play will SETUP. Without any call every media the
    // session can receive is set up (the talk back channel only in talk mode).
    int setSetupInfo(int mediaIndex);

    // position: -1 plays the range of setPlayInfo (or live); 0 or more: npt seconds.
    int play(int position = -1);
    int pause();
    // Range and speed of the next PLAY. rateControlOff asks a replay server to send as
    // fast as it can ("Rate-Control: no").
    int setPlayInfo(const CRtspPlayRange& range, float scale, bool rateControlOff);
    // Replay: ask for key frames only ("Frames: intra") from the next PLAY on.
    int setIFrame(bool onlyKeyFrames = true);
    // Extra header on requests of one method ("PLAY", or "*" for all). mode 'r' sets
    // (replacing a previous value), 'd' removes.
    int setRtspMsgHeadField(const char* method, const char* name, const char* value, char mode = 'r');
    // type 0: SET_PARAMETER, 1: GET_PARAMETER, with text as a text/parameters body.
    int sendRtspUserMsg(int type, const char* text);
    // Talk: sends the payload of a native frame packet on the back channel as RTP.
    int put(StreamSvr::CMediaFrame& frame);
    int close();

    // The sender identity on posted messages.
    long getID() const;

private:
    explicit CRtspClientSession(int kind);

    std::shared_ptr<CRtspSessionImpl> m_impl;
};

} // namespace StreamApp
} // namespace Zentar
