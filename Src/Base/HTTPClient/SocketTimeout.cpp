#include "Base/HTTPClient/SocketTimeout.h"

#include "OnvifFramework/Utility/OnvifLog.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace RPC {

using namespace RPC::Onvif;

namespace {
#ifdef _WIN32
constexpr int kSendFlags = 0;
#else
// A peer that has gone must give an error, not a SIGPIPE that takes the host down.
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif
} // namespace

int waitForSocket(int sock, int timeoutMs, int mode)
{
    if (sock < 0) return -1;
    if (timeoutMs < 0) timeoutMs = 0;
#ifdef _WIN32
    fd_set readSet, writeSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    if (mode != 1) FD_SET(static_cast<SOCKET>(sock), &readSet);
    if (mode != 0) FD_SET(static_cast<SOCKET>(sock), &writeSet);
    timeval tv;
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    return ::select(sock + 1, &readSet, &writeSet, nullptr, &tv);
#else
    // poll rather than select: a host process may hold more than FD_SETSIZE descriptors.
    pollfd p{};
    p.fd = sock;
    p.events = static_cast<short>((mode != 1 ? POLLIN : 0) | (mode != 0 ? POLLOUT : 0));
    int ret = ::poll(&p, 1, timeoutMs);
    if (ret > 0 && (p.revents & POLLNVAL)) return -1;
    return ret;
#endif
}

int sendWithTimeout(int sock, const char* data, int len, int& timeoutMs)
{
    if (sock < 0 || data == nullptr || len < 0) {
        ONVIF_LOG(LOG_ERROR, "sendWithTimeout, invalid socket[%d] or data, len[%d]\n", sock, len);
        return -1;
    }
    int sent = 0;
    while (sent < len) {
        int ready = waitForSocket(sock, timeoutMs, SOCKET_WAIT_WRITE);
        if (ready <= 0) {
            ONVIF_LOG(LOG_ERROR, "sendWithTimeout, socket[%d] not writable in %d ms, ret[%d]\n", sock, timeoutMs,
                      ready);
            return -1;
        }
        int n = static_cast<int>(::send(sock, data + sent, static_cast<size_t>(len - sent), kSendFlags));
        if (n < 1) {
            ONVIF_LOG(LOG_ERROR, "sendWithTimeout, socket[%d] send failed, ret[%d], sent[%d/%d]\n", sock, n, sent,
                      len);
            return -1;
        }
        sent += n;
    }
    return len;
}

int recvOrClose(int sock, char* buf, int size, int flags, int timeoutMs)
{
    if (sock < 0 || buf == nullptr || size <= 0) return -1;
    if (waitForSocket(sock, timeoutMs, SOCKET_WAIT_READ) <= 0) return -1;
    std::memset(buf, 0, static_cast<size_t>(size));
    int n = static_cast<int>(::recv(sock, buf, static_cast<size_t>(size), flags));
    return n < 0 ? -1 : n;
}

int recvWithTimeout(int sock, char* buf, int size, int flags, int& timeoutMs)
{
    int n = recvOrClose(sock, buf, size, flags, timeoutMs);
    return n < 1 ? -1 : n;
}

void closeSocket(int sock)
{
    if (sock < 0) return;
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(sock));
#else
    ::close(sock);
#endif
}

} // namespace RPC
