// CHttpClient::connectEndpoint: a blocking TCP socket to a device with a bounded connect,
// for the firmware upgrader's upload (the snapshot exchange runs on the platform's client).
#include "Base/HTTPClient/HttpClient.h"

#include "Base/HTTPClient/SocketTimeout.h"
#include "NetFramework/HostResolver.h"
#include "OnvifFramework/Utility/OnvifLog.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>
#include <vector>

namespace RPC {

using namespace RPC::Onvif;

namespace {

constexpr int kConnectTimeoutMs = 5000;

bool setBlocking(int sock, bool blocking)
{
    int flags = ::fcntl(sock, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(sock, F_SETFL, flags) == 0;
}

// Waits for a pending connect; true when it completed without error.
bool finishConnect(int sock)
{
    ONVIF_LOG(LOG_TRACE, "noblock connect failed, fd[%d]!\n", sock);
    int ready = waitForSocket(sock, kConnectTimeoutMs, SOCKET_WAIT_WRITE);
    if (ready == 0) {
        ONVIF_LOG(LOG_ERROR, "CSOAPTransport::connectEndpoint timeout!\n");
        return false;
    }
    if (ready < 0) {
        ONVIF_LOG(LOG_ERROR, "CSOAPTransport::connectEndpoint error!\n");
        return false;
    }
    int err = 0;
    socklen_t len = sizeof err;
    int ret = ::getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len);
    ONVIF_LOG(LOG_TRACE, "after select, fd[%d] getsockopt ret:[%d], err[%d]!\n", sock, ret, err);
    return ret == 0 && err == 0;
}

// One address: a non-blocking connect waited for with select, then back to blocking.
int connectAddress(const Zentar::NetFramework::CResolvedAddress& address)
{
    int sock = ::socket(address.family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        ONVIF_LOG(LOG_ERROR, "socket failed!\n");
        return -1;
    }
    bool connected = false;
    if (setBlocking(sock, false)) {
        int ret = ::connect(sock, reinterpret_cast<const sockaddr*>(&address.address), address.length);
        if (ret == 0)
            connected = true;
        else if (errno == EINPROGRESS)
            connected = finishConnect(sock);
        ONVIF_LOG(LOG_TRACE, "try connet ret:[%d]!\n", connected ? 0 : -1);
        if (!setBlocking(sock, true)) {
            ONVIF_LOG(LOG_ERROR, "restore nonblock failed\n");
            connected = false;
        }
    }
    if (!connected) {
        closeSocket(sock);
        return -1;
    }
    return sock;
}

} // namespace

int CHttpClient::connectEndpoint(const char* host, int port)
{
    ONVIF_LOG(LOG_INFO, "connectEndpoint, ip[%s],port[%d]\n", host ? host : "", port);
    if (host == nullptr || *host == '\0' || port < 1 || port > 65535) {
        ONVIF_LOG(LOG_ERROR, "connectEndpoint, invalid address ip[%s],port[%d]\n", host ? host : "", port);
        return -1;
    }
    // A name is resolved within the same time as a connect: a dead DNS fails like a dead host.
    std::vector<Zentar::NetFramework::CResolvedAddress> addresses;
    std::string why;
    if (Zentar::NetFramework::resolveHost(host, port, kConnectTimeoutMs, addresses, why) !=
        Zentar::NetFramework::EResolveResult::Ok) {
        ONVIF_LOG(LOG_ERROR, "connectEndpoint, cannot resolve ip[%s]: %s\n", host, why.c_str());
        return -1;
    }
    // The resolver's order, each address with its own connect time-out.
    int sock = -1;
    for (size_t i = 0; i < addresses.size() && sock < 0; ++i)
        sock = connectAddress(addresses[i]);
    if (sock < 0)
        return -1;
    // Closing resets the connection at once instead of lingering in TIME_WAIT: a
    // recorder fetching snapshots from many cameras would otherwise pile them up.
    linger lg{};
    lg.l_onoff = 1;
    lg.l_linger = 0;
    if (::setsockopt(sock, SOL_SOCKET, SO_LINGER, &lg, sizeof lg) != 0)
        ONVIF_LOG(LOG_ERROR, "CHttpClient::connectEndpoint setsockopt failed\n");
    return sock;
}

} // namespace RPC
