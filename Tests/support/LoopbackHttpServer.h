#pragma once
// A scripted HTTP/1.1 server on 127.0.0.1 for tests: it records every request that
// really arrived (headers and body) and answers what the test's handler says: a
// response, silence, a dropped connection or raw bytes.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace OnvifTest {

struct HttpRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;   // names lower-cased
    std::string body;
    int connection = 0;                           // which accepted connection carried it (1-based)

    std::string header(const std::string& lowerName) const
    {
        auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct HttpReply {
    enum Action { Respond, Silent, Close, Raw, Trickle };
    Action action = Respond;
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string raw;   // for Raw: sent as is, then the connection closes
    int trickleMs = 0; // for Trickle: raw, then body over and over, one byte per interval

    static HttpReply soap(int status, std::string body);
    static HttpReply silent();
    static HttpReply close();
    static HttpReply rawBytes(std::string bytes);
    // A peer that never finishes its answer: head, then repeated again and again, one byte
    // at a time until the client hangs up or the server stops (bounded to a minute).
    static HttpReply trickle(std::string head, std::string repeated, int intervalMs);
};

class LoopbackHttpServer {
public:
    // handler(request, index of the request since start, 0-based)
    using Handler = std::function<HttpReply(const HttpRequest&, size_t)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();

    int port() const { return m_port; }
    std::string url(const std::string& path = "/onvif/device_service") const;
    std::vector<HttpRequest> requests() const;
    size_t requestCount() const;
    int connectionCount() const { return m_connections.load(); }
    void stop();

private:
    void acceptLoop();
    void serveConnection(int fd, int connectionNo);
    bool readRequest(int fd, std::string& buffer, HttpRequest& out);
    bool receiveMore(int fd, std::string& buffer);
    void sendAll(int fd, const std::string& data);
    void trickle(int fd, const HttpReply& reply);

    Handler m_handler;
    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_workers;
    std::vector<int> m_openFds;
};

// A port on 127.0.0.1 that nobody listens on (bound, then closed).
int closedLoopbackPort();

} // namespace OnvifTest
