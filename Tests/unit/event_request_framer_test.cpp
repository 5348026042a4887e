// How the notification server cuts a connection's bytes into messages: requests split over
// several arrivals or pipelined in one, answers told from requests, and the connection
// ended on bytes that are not HTTP or a message larger than a session may hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Base/RPCUtility/EventRequestFramer.h"

namespace {

using RPC::CEventRequestFramer;

std::string post(const std::string& path, const std::string& body)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Feeds the pieces as a session would and notes each result that ended a message, with
// the request's URL and body ("R <url> <body>", "A" for an answer, "BAD").
std::vector<std::string> frame(const std::vector<std::string>& pieces)
{
    CEventRequestFramer framer;
    std::vector<std::string> seen;
    for (const std::string& piece : pieces) {
        const char* data = piece.data();
        size_t length = piece.size();
        while (length > 0) {
            size_t used = 0;
            const CEventRequestFramer::Result found = framer.feed(data, length, used);
            EXPECT_LE(used, length);
            if (found == CEventRequestFramer::BAD) {
                seen.push_back("BAD");
                return seen;
            }
            if (found == CEventRequestFramer::MORE)
                break;
            if (found == CEventRequestFramer::REQUEST)
                seen.push_back("R " + framer.url() + " " +
                               std::string(framer.message().GetContent(), framer.message().GetContentLength()));
            else
                seen.push_back("A");
            framer.next();
            data += used;
            length -= used;
        }
    }
    return seen;
}

TEST(EventRequestFramer, CutsArrivalsIntoMessages)
{
    const std::string one = post("/onvif_notify_server", "<a/>");
    const std::string two = post("/onvif_notify_server/cam7", "<b>x</b>");
    const std::string longPath = "/" + std::string(CEventRequestFramer::kMaxUrlLength + 50, 'p');
    const struct {
        const char* name;
        std::vector<std::string> pieces;
        std::vector<std::string> seen;
    } kCases[] = {
        {"whole", {one}, {"R /onvif_notify_server <a/>"}},
        {"byte by byte", [&] {
             std::vector<std::string> bytes;
             for (char c : one)
                 bytes.emplace_back(1, c);
             return bytes;
         }(), {"R /onvif_notify_server <a/>"}},
        {"pipelined, the second split", {one + two.substr(0, 30), two.substr(30)},
         {"R /onvif_notify_server <a/>", "R /onvif_notify_server/cam7 <b>x</b>"}},
        {"an answer, then a request", {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" + one},
         {"A", "R /onvif_notify_server <a/>"}},
        {"not HTTP", {"\x16\x03\x01garbage\r\n\r\n"}, {"BAD"}},
        {"a request after garbage is not read", {"GARBAGE\r\n\r\n" + one}, {"BAD"}},
        {"larger than a session holds", {post("/n", std::string(CEventRequestFramer::kBufferSize, 'x'))}, {"BAD"}},
        {"a long URL is cut", {post(longPath, "")}, {"R " + longPath.substr(0, CEventRequestFramer::kMaxUrlLength) + " "}},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.seen, frame(c.pieces)) << c.name;
}

} // namespace
