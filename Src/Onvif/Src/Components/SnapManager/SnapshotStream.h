#pragma once
// Takes one JPEG picture from a device's snapshot address over plain HTTP (Basic first,
// one Basic or Digest retry after a 401), wraps it into a native picture frame and hands
// it to its frame receivers (the snapshot manager).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"

namespace Zentar {
namespace Stream {
class CMediaFrame;
}
} // namespace Zentar

namespace RPC {

class CSnapshotStream {
public:
    using FrameProc = std::function<void(const Zentar::Stream::CMediaFrame& frame)>;

    // Keeps its own copy of the record (address, port, credentials).
    explicit CSnapshotStream(const Zentar::Component::ServerInfo& info);

    // Receivers by identity (up to 32). attach returns how many are attached now, negative
    // when the list is full or the identity is there already; detach returns how many
    // remain, -1 when the identity was not attached. Once detach returns, the receiver is
    // not called again.
    int attachFrameProc(const void* id, FrameProc proc) { return m_frameSignal.attach(id, std::move(proc)); }
    int detachFrameProc(const void* id) { return m_frameSignal.detach(id); }

    // Fetches one picture of url for channel and delivers it. False (and nothing
    // delivered) on any failure; the reason is logged.
    bool snapshot(const std::string& url, int channel);

    // The native picture frame of a JPEG, marked frame type 73, stream type 4.
    static bool makeZentarFrame(const uint8_t* jpeg, size_t len, int channel, Zentar::Stream::CMediaFrame& frame);

private:
    bool getSnapshotPicture(const std::string& url, int channel);
    // GET path from the device described by info; content is the body of a 200 answer.
    bool sendGetRequest(const std::string& path, const Zentar::Component::ServerInfo& info, bool tls,
                        std::string& content);

    // Passed in.
    const Zentar::Component::ServerInfo m_serverInfo;

    Zentar::Infra::CMutex m_mutex; // guards the address only, never an exchange
    std::string m_snapUrl;         // the last address asked for
    Zentar::Infra::CSignal<const Zentar::Stream::CMediaFrame&> m_frameSignal;
};

} // namespace RPC
