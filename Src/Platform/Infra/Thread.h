#pragma once
// A named worker thread whose body loops on looping(). destroyThread() asks the body
// to leave its loop and joins it; the destructor does the same, so a CThread member
// never outlives its owner's state.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace Zentar {
namespace Infra {

class CThread {
public:
    using Proc = std::function<void()>;

    // priority/policy are kept for callers that pass them; real-time scheduling needs
    // privileges the host process does not normally have, so they are not applied.
    // stackSize 0 means the system default.
    CThread(const char* name, Proc proc, int priority = 64, int policy = 0, int stackSize = 0);
    virtual ~CThread();

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts the thread. False if it is already running, there is no proc, or the
    // system refuses a new thread.
    bool createThread();
    // Asks the body to stop and waits for it. Safe if never created and safe twice.
    // Called from the thread itself it only asks (a thread cannot join itself).
    bool destroyThread();

    // True while the thread should keep going; false once a stop was asked.
    bool looping() const;
    // True when no body is running: never started, or the body has returned.
    bool isThreadOver() const;

    const char* name() const;
    int priority() const { return m_priority; }
    int policy() const { return m_policy; }

    static void sleep(uint32_t ms);
    // A small integer that identifies the calling thread (the kernel thread id).
    static int getCurrentThreadID();

private:
    struct Control;

    static void* entry(void* arg);
    void joinLocked();

    std::shared_ptr<Control> m_control;
    std::string m_name;
    int m_priority;
    int m_policy;
    int m_stackSize;
    std::mutex m_lifeMutex; // serialises create/destroy
    bool m_joinable = false;
    unsigned long m_handle = 0; // pthread_t
    int m_threadId = 0;         // kernel id of the running thread, for the self-join check
};

} // namespace Infra
} // namespace Zentar
