#include "Infra/Thread.h"

#include "Infra/LogSink.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace Zentar {
namespace Infra {

static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "pthread_t must fit the handle slot");

// Shared with the running thread so that the thread never touches the CThread object
// itself; this keeps a detached (self-destroyed) thread safe.
struct CThread::Control {
    Proc proc;
    std::string name;
    std::atomic<bool> looping{false};
    std::atomic<bool> over{true};
    std::atomic<int> threadId{0};
};

void* CThread::entry(void* arg)
{
    std::unique_ptr<std::shared_ptr<CThread::Control>> holder(
        static_cast<std::shared_ptr<CThread::Control>*>(arg));
    CThread::Control& control = **holder;
    control.threadId.store(CThread::getCurrentThreadID());
    // The kernel limits thread names to 15 characters plus the terminator.
    std::string shortName = control.name.substr(0, 15);
    pthread_setname_np(pthread_self(), shortName.c_str());
    try {
        control.proc();
    } catch (const std::exception& e) {
        logError("thread %s: body threw: %s", control.name.c_str(), e.what());
    } catch (...) {
        logError("thread %s: body threw an unknown exception", control.name.c_str());
    }
    control.over.store(true);
    return nullptr;
}

CThread::CThread(const char* name, Proc proc, int priority, int policy, int stackSize)
    : m_control(std::make_shared<Control>()), m_name(name ? name : "thread"),
      m_priority(priority), m_policy(policy), m_stackSize(stackSize)
{
    m_control->proc = std::move(proc);
    m_control->name = m_name;
}

CThread::~CThread() { destroyThread(); }

bool CThread::createThread()
{
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    if (!m_control->proc) {
        return false;
    }
    if (m_joinable) {
        if (!m_control->over.load()) {
            return false; // already running
        }
        joinLocked(); // a previous run ended on its own; reap it before starting again
    }

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (m_stackSize > 0) {
        size_t size = static_cast<size_t>(m_stackSize);
        if (size < static_cast<size_t>(PTHREAD_STACK_MIN)) {
            size = PTHREAD_STACK_MIN;
        }
        pthread_attr_setstacksize(&attr, size);
    }

    m_control->looping.store(true);
    m_control->over.store(false);
    auto* arg = new std::shared_ptr<Control>(m_control);
    pthread_t handle;
    int rc = pthread_create(&handle, &attr, entry, arg);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete arg;
        m_control->looping.store(false);
        m_control->over.store(true);
        logError("thread %s: pthread_create failed (%d)", m_name.c_str(), rc);
        return false;
    }
    m_handle = static_cast<unsigned long>(handle);
    m_joinable = true;
    return true;
}

bool CThread::destroyThread()
{
    m_control->looping.store(false);
    if (m_control->threadId.load() == getCurrentThreadID() && !m_control->over.load()) {
        return true; // asked from inside the body: the owner joins later
    }
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    joinLocked();
    return true;
}

void CThread::joinLocked()
{
    if (!m_joinable) {
        return;
    }
    pthread_t handle = static_cast<pthread_t>(m_handle);
    if (pthread_equal(handle, pthread_self())) {
        pthread_detach(handle); // destroyed from its own body; Control keeps it safe
    } else {
        pthread_join(handle, nullptr);
    }
    m_joinable = false;
    m_control->threadId.store(0);
}

bool CThread::looping() const { return m_control->looping.load(); }

bool CThread::isThreadOver() const { return m_control->over.load(); }

const char* CThread::name() const { return m_name.c_str(); }

void CThread::sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int CThread::getCurrentThreadID()
{
    thread_local int t_id = static_cast<int>(syscall(SYS_gettid));
    return t_id;
}

} // namespace Infra
} // namespace Zentar
