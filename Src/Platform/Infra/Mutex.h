#pragma once
// Recursive mutex and its scope guard. Recursive because higher layers call back into
// objects that already hold their own lock (e.g. a notification handler re-reading state).
#include <mutex>

namespace Zentar {
namespace Infra {

class CMutex {
public:
    CMutex() = default;
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    void enter() { m_mutex.lock(); }
    void leave() { m_mutex.unlock(); }
    bool tryEnter() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

class CGuard {
public:
    explicit CGuard(CMutex& mutex) : m_mutex(mutex) { m_mutex.enter(); }
    ~CGuard() { m_mutex.leave(); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    CMutex& m_mutex;
};

} // namespace Infra
} // namespace Zentar
