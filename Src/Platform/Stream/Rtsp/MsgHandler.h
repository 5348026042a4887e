#pragma once
// Receivers of session notifications. A handler gets a process-wide identity when it is
// constructed; a session is given that identity (not a pointer), so a message that
// arrives after the handler went away is dropped instead of touching freed memory.
//
// Messages are delivered on the network threads, never while the sender holds a lock,
// so handle_message may call back into the session that sent it.
#include <cstdint>

namespace Zentar {
namespace StreamApp {

class CMsgHandler {
public:
    CMsgHandler();
    // Unregisters; waits for a delivery to this handler running on another thread. A
    // derived class whose handle_message uses its own members calls Close() (or lets its
    // owner do it) before those members go.
    virtual ~CMsgHandler();
    CMsgHandler(const CMsgHandler&) = delete;
    CMsgHandler& operator=(const CMsgHandler&) = delete;

    long GetID() const { return m_id; }

    // sender: the identity of the posting object; type: message code; attach: its value.
    virtual int handle_message(long sender, int type, long attach) { return 0; }
    // Called once by Close(); the owner may delete the object there.
    virtual int handle_close(long id) { return 0; }
    // Stops further deliveries, then calls handle_close.
    virtual void Close();

    // Delivers synchronously on the calling thread; false when no handler has that id
    // (closed or destroyed).
    static bool deliver(long handlerId, long sender, int type, long attach);

private:
    void unregister();

    long m_id;
};

} // namespace StreamApp
} // namespace Zentar
