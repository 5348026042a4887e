// The incremental HTTP parser, message creator and token scanner of the platform layer.
#include "NetFramework/StrParser.h"
#include "NetProtocol/HttpMsgCreator.h"
#include "NetProtocol/HttpParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Zentar::NetProtocol;
using Zentar::NetFramework::CStrParser;

namespace {

struct Parsed {
    int status = -1;
    int code = 0;
    std::string reason, method, uri, body;
    std::vector<std::pair<std::string, std::string>> headers;

    bool operator==(const Parsed& o) const
    {
        return status == o.status && code == o.code && reason == o.reason && method == o.method && uri == o.uri &&
               body == o.body && headers == o.headers;
    }
};

Parsed snapshot(const CHttpParser& p, int status)
{
    Parsed r;
    r.status = status;
    r.code = p.GetStatusCode();
    r.reason = p.GetStatusStr() ? p.GetStatusStr() : "";
    r.method = p.GetReqMethod() ? p.GetReqMethod() : "";
    r.uri = p.GetURI() ? p.GetURI() : "";
    r.body.assign(p.GetContent(), p.GetContentLength());
    r.headers = p.GetHeaders();
    return r;
}

// Feeds text in the given pieces; the status is that of the call that completed it (or
// the last one).
Parsed feed(const std::string& text, const std::vector<size_t>& cuts)
{
    CHttpParser p;
    int status = HTTP_PARSE_MORE;
    size_t pos = 0;
    for (size_t i = 0; i <= cuts.size() && status == HTTP_PARSE_MORE; ++i) {
        size_t end = i < cuts.size() ? cuts[i] : text.size();
        status = p.Append(text.data() + pos, end - pos);
        pos = end;
    }
    return snapshot(p, status);
}

Parsed feedBytewise(const std::string& text)
{
    std::vector<size_t> cuts;
    for (size_t i = 1; i < text.size(); ++i) cuts.push_back(i);
    return feed(text, cuts);
}

// Whole, one byte at a time, and split in two at every position: the same result.
void expectSplitInvariant(const std::string& text, const Parsed& expected)
{
    EXPECT_EQ(feed(text, {}), expected) << "whole";
    EXPECT_EQ(feedBytewise(text), expected) << "byte by byte";
    for (size_t cut = 1; cut < text.size(); ++cut) ASSERT_EQ(feed(text, {cut}), expected) << "cut at " << cut;
    EXPECT_EQ(feed(text, {3, 17, 18, 40}), expected) << "odd pieces";
}

const std::string kLengthResponse = "HTTP/1.1 200 OK\r\n"
                                    "Content-Type: image/jpeg\r\n"
                                    "content-length: 11\r\n"
                                    "X-Folded: first\r\n"
                                    "  second\r\n"
                                    "\r\n"
                                    "hello\r\nworl";

const std::string kChunkedResponse = "HTTP/1.1 200 OK\r\n"
                                     "Transfer-Encoding: chunked\r\n"
                                     "\r\n"
                                     "5;name=value\r\nhello\r\n"
                                     "1A\r\n abcdefghijklmnopqrstuvwxy\r\n"
                                     "0\r\n"
                                     "X-Trailer: done\r\n"
                                     "\r\n";

} // namespace

TEST(HttpParserMessages, ContentLengthResponseIsSplitInvariant)
{
    Parsed expected;
    expected.status = HTTP_PARSE_SUCCESS;
    expected.code = 200;
    expected.reason = "OK";
    expected.body = "hello\r\nworl";
    expected.headers = {{"Content-Type", "image/jpeg"}, {"content-length", "11"}, {"X-Folded", "first second"}};
    expectSplitInvariant(kLengthResponse, expected);
}

TEST(HttpParserMessages, ChunkedResponseWithExtensionAndTrailerIsSplitInvariant)
{
    Parsed expected;
    expected.status = HTTP_PARSE_SUCCESS;
    expected.code = 200;
    expected.reason = "OK";
    expected.body = "hello abcdefghijklmnopqrstuvwxy";
    expected.headers = {{"Transfer-Encoding", "chunked"}, {"X-Trailer", "done"}};
    expectSplitInvariant(kChunkedResponse, expected);
}

TEST(HttpParserMessages, RequestWithBodyIsSplitInvariant)
{
    const std::string text = "POST /onvif_notify_server?id=3 HTTP/1.1\r\n"
                             "Host: 127.0.0.1:8080\r\n"
                             "Content-Length: 9\r\n"
                             "\r\n"
                             "<Notify/>";
    Parsed expected;
    expected.status = HTTP_PARSE_SUCCESS;
    expected.method = "POST";
    expected.uri = "/onvif_notify_server?id=3";
    expected.body = "<Notify/>";
    expected.headers = {{"Host", "127.0.0.1:8080"}, {"Content-Length", "9"}};
    expectSplitInvariant(text, expected);
}

TEST(HttpParserMessages, HeaderLookupIgnoresCaseAndIndexesRepeats)
{
    CHttpParser p;
    const std::string text = "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"a\"\r\n"
                             "www-authenticate: Digest realm=\"b\", nonce=\"n\"\r\nContent-Length: 0\r\n\r\n";
    ASSERT_EQ(p.Append(text.data(), text.size()), HTTP_PARSE_SUCCESS);
    EXPECT_STREQ(p.Value("WWW-AUTHENTICATE"), "Basic realm=\"a\"");
    EXPECT_STREQ(p.Value("www-authenticate", 1), "Digest realm=\"b\", nonce=\"n\"");
    EXPECT_EQ(p.Value("WWW-Authenticate", 2), nullptr);
    EXPECT_EQ(p.Value("Missing"), nullptr);
    EXPECT_STREQ(p.GetVersion(), "HTTP/1.0");
    EXPECT_EQ(p.GetReqMethod(), nullptr);
    EXPECT_EQ(p.GetContentLength(), 0u);
}

TEST(HttpParserMessages, ResponsesWithoutBodyCompleteAtTheBlankLine)
{
    // A length on these is ignored: they never carry a body (RFC 7230 3.3.3).
    for (const char* start : {"HTTP/1.1 204 No Content", "HTTP/1.1 304 Not Modified", "HTTP/1.1 100 Continue"}) {
        CHttpParser p;
        std::string text = std::string(start) + "\r\nContent-Length: 50\r\n\r\n";
        EXPECT_EQ(p.Append(text.data(), text.size()), HTTP_PARSE_SUCCESS) << start;
        EXPECT_EQ(p.GetConsumed(), text.size()) << start;
        EXPECT_EQ(p.GetContentLength(), 0u) << start;
    }
}

TEST(HttpParserMessages, RequestWithoutLengthHasNoBody)
{
    CHttpParser p;
    const std::string text = "GET /snapshot.jpg HTTP/1.1\r\nHost: 10.0.0.1\r\n\r\n";
    EXPECT_EQ(p.Append(text.data(), text.size()), HTTP_PARSE_SUCCESS);
    EXPECT_EQ(p.Parse(text.data(), text.size()), 0);
    EXPECT_STREQ(p.GetReqMethod(), "GET");
    EXPECT_STREQ(p.GetURI(), "/snapshot.jpg");
    EXPECT_EQ(p.Parse("GET /x HTTP/1.1\r\nHost: a\r\n", 25), -1) << "headers not ended";
}

TEST(HttpParserMessages, ResponseWithoutLengthRunsToTheClose)
{
    CHttpParser p;
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n";
    EXPECT_EQ(p.Append(head.data(), head.size()), HTTP_PARSE_MORE);
    EXPECT_EQ(p.Append("abc", 3), HTTP_PARSE_MORE);
    EXPECT_EQ(p.Append("def", 3), HTTP_PARSE_MORE);
    EXPECT_FALSE(p.IsComplete());
    EXPECT_EQ(p.AppendEnd(), HTTP_PARSE_END);
    EXPECT_TRUE(p.IsComplete());
    EXPECT_EQ(std::string(p.GetContent(), p.GetContentLength()), "abcdef");
    EXPECT_EQ(p.AppendEnd(), HTTP_PARSE_SUCCESS) << "already complete";
}

TEST(HttpParserMessages, CloseBeforeTheEndIsAnError)
{
    const std::vector<std::string> cut = {
        "",
        "HTTP/1.1 200 OK\r\nContent-Len",
        "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n",
    };
    for (const auto& text : cut) {
        CHttpParser p;
        p.Append(text.data(), text.size());
        EXPECT_EQ(p.AppendEnd(), HTTP_PARSE_ERROR) << text;
    }
}

TEST(HttpParserMessages, BytesAfterTheMessageAreLeftAndResetStartsAgain)
{
    CHttpParser p;
    const std::string one = "HTTP/1.1 100 Continue\r\n\r\n";
    const std::string two = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    const std::string both = one + two;
    ASSERT_EQ(p.Append(both.data(), both.size()), HTTP_PARSE_SUCCESS);
    EXPECT_EQ(p.GetStatusCode(), 100);
    ASSERT_EQ(p.GetConsumed(), one.size());
    EXPECT_EQ(p.Append("more", 4), HTTP_PARSE_SUCCESS) << "a complete message takes nothing more";
    EXPECT_EQ(p.GetConsumed(), 0u);
    p.Reset();
    ASSERT_EQ(p.Append(both.data() + one.size(), two.size()), HTTP_PARSE_SUCCESS);
    EXPECT_EQ(p.GetStatusCode(), 200);
    EXPECT_EQ(std::string(p.GetContent(), p.GetContentLength()), "ok");
    EXPECT_EQ(p.Value("Transfer-Encoding"), nullptr);
}

TEST(HttpParserMalformed, EachIsRefusedWholeAndBytewise)
{
    struct Row {
        const char* why;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"not HTTP", "GARBAGE\r\n\r\n"},
        {"binary", std::string("\x00\x01\x02\xff\r\n\r\n", 8)},
        {"status not numeric", "HTTP/1.1 2x0 OK\r\n\r\n"},
        {"status too short", "HTTP/1.1 20\r\n\r\n"},
        {"status below 100", "HTTP/1.1 099 Low\r\n\r\n"},
        {"status run-on", "HTTP/1.1 2000 OK\r\n\r\n"},
        {"bad version", "HTTP/x.1 200 OK\r\n\r\n"},
        {"request without version", "GET /x\r\n\r\n"},
        {"request with extra part", "GET /x y HTTP/1.1\r\n\r\n"},
        {"request bad method", "G(T /x HTTP/1.1\r\n\r\n"},
        {"header without colon", "HTTP/1.1 200 OK\r\nNoColon\r\n\r\n"},
        {"blank before colon", "HTTP/1.1 200 OK\r\nName : v\r\n\r\n"},
        {"control byte in value", std::string("HTTP/1.1 200 OK\r\nA: b\x01\r\n\r\n")},
        {"bare CR in header", "HTTP/1.1 200 OK\r\nA: b\rc\r\n\r\n"},
        {"fold before any header", "HTTP/1.1 200 OK\r\n folded\r\n\r\n"},
        {"length not a number", "HTTP/1.1 200 OK\r\nContent-Length: 12a\r\n\r\n"},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"},
        {"lengths disagree", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n"},
        {"length list disagrees", "HTTP/1.1 200 OK\r\nContent-Length: 5, 6\r\n\r\n"},
        {"chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"},
        {"chunk size empty", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n"},
        {"chunk size trailing junk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5 x\r\n"},
        {"chunk data overruns", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"},
        {"request body undelimited", "POST /x HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n"},
    };
    for (const auto& row : rows) {
        CHttpParser p;
        int status = p.Append(row.text.data(), row.text.size());
        EXPECT_EQ(status, HTTP_PARSE_ERROR) << row.why;
        EXPECT_EQ(p.Append("HTTP/1.1 200 OK\r\n\r\n", 19), status) << row.why << ": the error sticks";
        Parsed bytewise = feedBytewise(row.text);
        EXPECT_EQ(bytewise.status, HTTP_PARSE_ERROR) << row.why << " (bytewise)";
    }
}

TEST(HttpParserLimits, OversizedPartsAreRefusedNotBuffered)
{
    const size_t maxBody = CHttpParser::kMaxBodyBytes;
    struct Row {
        const char* why;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"length beyond the body limit", "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(maxBody + 1) + "\r\n\r\n"},
        {"length overflowing size_t", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n\r\n"},
        {"chunk beyond the body limit",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + [&] {
             char hex[32];
             std::snprintf(hex, sizeof hex, "%zx", maxBody + 1);
             return std::string(hex);
         }() + "\r\n"},
        {"chunk size overflowing", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffffffff\r\n"},
        {"one header line too long", "HTTP/1.1 200 OK\r\nX: " + std::string(CHttpParser::kMaxHeaderBytes, 'a')},
        {"many headers", "HTTP/1.1 200 OK\r\n" + [] {
             std::string s;
             while (s.size() <= CHttpParser::kMaxHeaderBytes) s += "X-Filler: 0123456789abcdef\r\n";
             return s;
         }()},
        {"start line without end", std::string(CHttpParser::kMaxHeaderBytes + 1, 'G')},
        {"chunk line without end",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(8192, 'e')},
    };
    for (const auto& row : rows) {
        CHttpParser p;
        EXPECT_EQ(p.Append(row.text.data(), row.text.size()), HTTP_PARSE_TOO_LARGE) << row.why;
    }
}

TEST(HttpParserLimits, BodyGrowthStopsAtTheLimit)
{
    const std::string piece(1 << 20, 'x');
    for (const char* head : {"HTTP/1.1 200 OK\r\n\r\n", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"}) {
        CHttpParser p;
        const bool chunked = std::string(head).find("chunked") != std::string::npos;
        int status = p.Append(head, std::strlen(head));
        const std::string unit = chunked ? "100000\r\n" + piece + "\r\n" : piece;
        for (int i = 0; i < 40 && status == HTTP_PARSE_MORE; ++i) status = p.Append(unit.data(), unit.size());
        EXPECT_EQ(status, HTTP_PARSE_TOO_LARGE) << head;
        EXPECT_LE(p.GetContentLength(), CHttpParser::kMaxBodyBytes) << head;
    }
}

// Each limit at its size and one byte over. The sizes are written out rather than taken from
// the parser's constants, so loosening a constant is caught too.
TEST(HttpParserLimits, EachLimitAdmitsItsSizeAndRefusesOneByteMore)
{
    const size_t kHeaderLimit = 64 * 1024;
    const size_t kBodyLimit = 16 * 1024 * 1024;
    const size_t kChunkLineLimit = 4096;
    // A response whose header section (start line to blank line) has exactly `total` bytes.
    auto headerOf = [](size_t total) {
        const std::string head = "HTTP/1.1 204 No Content\r\nX-Pad: ";
        return head + std::string(total - head.size() - 4, 'p') + "\r\n\r\n";
    };
    // A chunk-size line of exactly `total` bytes (CRLF included), then the chunk, then the end.
    auto chunkLineOf = [](size_t total) {
        return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(total - 4, 'e') +
               "\r\nx\r\n0\r\n\r\n";
    };
    auto lengthOf = [](size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
    };
    auto chunkOf = [](size_t size) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%zx", size);
        return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(hex) + "\r\n";
    };
    const std::string closeHead = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string body(kBodyLimit + 1, 'b');
    struct Row {
        const char* what;
        std::string atLimit, overLimit;
        int atStatus;
    };
    const Row rows[] = {
        {"header section", headerOf(kHeaderLimit), headerOf(kHeaderLimit + 1), HTTP_PARSE_SUCCESS},
        {"chunk-size line", chunkLineOf(kChunkLineLimit), chunkLineOf(kChunkLineLimit + 1), HTTP_PARSE_SUCCESS},
        {"announced length", lengthOf(kBodyLimit), lengthOf(kBodyLimit + 1), HTTP_PARSE_MORE},
        {"announced chunk", chunkOf(kBodyLimit), chunkOf(kBodyLimit + 1), HTTP_PARSE_MORE},
        {"body read to the close", closeHead + body.substr(1), closeHead + body, HTTP_PARSE_MORE},
    };
    for (const Row& row : rows) {
        CHttpParser at;
        EXPECT_EQ(at.Append(row.atLimit.data(), row.atLimit.size()), row.atStatus) << row.what;
        CHttpParser over;
        EXPECT_EQ(over.Append(row.overLimit.data(), row.overLimit.size()), HTTP_PARSE_TOO_LARGE) << row.what;
    }
    // A length of exactly the limit is read to its end.
    CHttpParser whole;
    const std::string head = lengthOf(kBodyLimit);
    ASSERT_EQ(whole.Append(head.data(), head.size()), HTTP_PARSE_MORE);
    EXPECT_EQ(whole.Append(body.data(), kBodyLimit), HTTP_PARSE_SUCCESS);
    EXPECT_EQ(whole.GetContentLength(), kBodyLimit);
}

TEST(HttpMsgCreator, BuildsRequestsAndResponsesTheParserReadsBack)
{
    CHttpMsgCreator c;
    size_t len = 99;
    EXPECT_EQ(c.GetMsg(len), nullptr);
    EXPECT_EQ(len, 0u);

    c.SetMethod("GET");
    c.SetURI("/snap.jpg");
    EXPECT_TRUE(c.SetValue("Host", "10.1.1.1:8080"));
    EXPECT_TRUE(c.SetValue("Connection", "close"));
    EXPECT_TRUE(c.SetValue("connection", "Keep-Alive")) << "replaces, whatever the case";
    EXPECT_TRUE(c.SetValue("X-Gone", "1"));
    EXPECT_TRUE(c.SetValue("x-gone", nullptr));
    EXPECT_FALSE(c.SetValue("X-Evil", "a\r\nInjected: yes"));
    EXPECT_FALSE(c.SetValue("Bad:Name", "v"));
    const char* text = c.GetMsg(len);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, len), "GET /snap.jpg HTTP/1.1\r\nHost: 10.1.1.1:8080\r\nConnection: Keep-Alive\r\n\r\n");

    c.Reset();
    c.SetStatus(401);
    c.SetValue("WWW-Authenticate", "Digest realm=\"r\", nonce=\"n\"");
    c.SetValue("Content-Length", "999");
    c.SetContent("denied", 6);
    text = c.GetMsg(len);
    CHttpParser p;
    ASSERT_EQ(p.Append(text, len), HTTP_PARSE_SUCCESS);
    EXPECT_EQ(p.GetStatusCode(), 401);
    EXPECT_STREQ(p.GetStatusStr(), "Unauthorized");
    EXPECT_STREQ(p.Value("Content-Length"), "6") << "the real length wins";
    EXPECT_EQ(std::string(p.GetContent(), p.GetContentLength()), "denied");

    c.Reset();
    c.SetStatus(200, "Fine");
    text = c.GetMsg(len);
    EXPECT_EQ(std::string(text, len), "HTTP/1.1 200 Fine\r\nContent-Length: 0\r\n\r\n");
}

TEST(StrParser, ScansWordsAndFindsTextIgnoringCase)
{
    const std::string text = "  \tDigest   realm=\"x\"";
    CStrParser s(text.data(), text.size());
    EXPECT_EQ(s.ConsumeWhitespace(), 3u);
    char word[8];
    EXPECT_EQ(s.ConsumeWord(word, 4), 4u);
    EXPECT_STREQ(word, "Dige") << "cut to the maximum";
    EXPECT_EQ(s.GetCurPos(), 9u) << "the whole word is consumed";
    s.ConsumeWhitespace();
    EXPECT_EQ(s.ConsumeWord(word, 7), 7u);
    EXPECT_TRUE(s.IsEnd());
    s.ResetAll();
    EXPECT_EQ(s.ConsumeWord(word, 7), 0u) << "white space first: no word";
    EXPECT_STREQ(word, "");

    struct Row {
        const char* hay;
        const char* needle;
        long at; // -1: not found
    };
    const Row rows[] = {{"Authorization: Basic", "BASIC ", -1}, {"x basic y", "BASIC ", 2},
                        {"abc", "abcd", -1},                    {"aaAB", "ab", 2},
                        {"", "", 0},                            {"Digest", "", 0}};
    for (const auto& r : rows) {
        const char* hit = CStrParser::MemMemCase(r.hay, std::strlen(r.hay), r.needle, std::strlen(r.needle));
        EXPECT_EQ(hit ? hit - r.hay : -1, r.at) << r.hay << " / " << r.needle;
    }
    EXPECT_EQ(CStrParser::MemMemCase(nullptr, 0, "a", 1), nullptr);
}
