#pragma once
// Blocking socket send and receive bounded by a time-out, built on select() so that the
// same code serves POSIX and Winsock.
#include <cstddef>

namespace RPC {

enum SocketWaitMode { SOCKET_WAIT_READ = 0, SOCKET_WAIT_WRITE = 1, SOCKET_WAIT_EITHER = 2 };

// Waits up to timeoutMs for the socket to become readable, writable or either.
// Returns -1 when select fails, 0 on time-out, else select's count.
int waitForSocket(int sock, int timeoutMs, int mode);

// Sends all len bytes, waiting up to timeoutMs for writability before each send.
// Returns len, or -1 (bad socket, wait failed or timed out, send failed).
int sendWithTimeout(int sock, const char* data, int len, int& timeoutMs);

// Waits up to timeoutMs for data, clears buf and receives once at most size bytes.
// Returns the count, or -1 on time-out, wait failure, receive error or peer close.
int recvWithTimeout(int sock, char* buf, int size, int flags, int& timeoutMs);

// As recvWithTimeout, but tells a close by the peer apart: returns 0 then.
int recvOrClose(int sock, char* buf, int size, int flags, int timeoutMs);

void closeSocket(int sock);

} // namespace RPC
