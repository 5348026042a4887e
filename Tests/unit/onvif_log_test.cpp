// Tests of the library's log lines and log files: the exact line layout, level filtering,
// the length cap, daily files, size rotation, old-log removal and concurrent writers.
#include "OnvifFramework/Utility/OnvifLog.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace RPC::Onvif;

namespace {

constexpr long long kTwoMiB = 2097152;
constexpr size_t kMaxLine = 10240;

time_t localTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// "yyyyMMdd" of the local day daysBack days before the local noon of `noon`. Stepping whole
// days from noon stays on the right calendar day even across a DST change.
std::string dayStamp(time_t noon, int daysBack)
{
    const time_t t = noon - static_cast<time_t>(daysBack) * 86400;
    struct tm d {};
    localtime_r(&t, &d);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%m%d", &d);
    return buf;
}

std::string logName(int pid, const std::string& day, int counter = 0)
{
    std::string name = "TarvoLogInfo_" + std::to_string(pid) + "_" + day;
    if (counter > 0)
        name += "(" + std::to_string(counter) + ")";
    return name + ".log";
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const auto nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

void writeFile(const fs::path& path, const std::string& content = "old\n")
{
    std::ofstream(path, std::ios::binary) << content;
}

struct ParsedLine {
    std::string time, level, file, function, message;
    long tid = -1;
    int line = -1;
};

// Parses one line (without its "\n"); false when the header is not well formed.
bool parseLine(const std::string& text, ParsedLine& out)
{
    static const std::regex kHeader(
        R"(^(\d{2}:\d{2}:\d{2})\[QX_3rd-1643714\]([A-Za-z]+) TID:(\d+) ([^ ]*) ([^ :]*):(-?\d+)\|(.*)$)");
    std::smatch m;
    if (!std::regex_match(text, m, kHeader))
        return false;
    out.time = m[1];
    out.level = m[2];
    out.tid = std::stol(m[3]);
    out.file = m[4];
    out.function = m[5];
    out.line = std::stoi(m[6]);
    out.message = m[7];
    return true;
}

long currentTid()
{
    return static_cast<long>(::syscall(SYS_gettid));
}

// Each test gets its own empty directory and a pinned clock; defaults come back afterwards.
class OnvifLogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "onvif_log_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_root = tmpl;
        m_dir = m_root / "logs";   // not there yet: the logger must create it
        m_pid = static_cast<int>(::getpid());
        setLogDirectory(m_dir.string());
        setClock(localTime(2026, 12, 5, 12, 34, 56));
        setLogToStdout(false);
        setLogPrinterLevel(LOG_WARN);
    }

    void TearDown() override
    {
        setLogDirectory("");
        setLogClock({});
        setLogToStdout(true);
        setLogPrinterLevel(LOG_WARN);
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    void setClock(time_t t)
    {
        m_now = t;
        setLogClock([t] { return t; });
    }

    fs::path path(const std::string& day, int counter = 0) const { return m_dir / logName(m_pid, day, counter); }
    fs::path todayPath(int counter = 0) const { return path("20261205", counter); }

    std::vector<std::string> todayLines() const { return splitLines(readFile(todayPath())); }

    // One parsed line of today's file, which must hold exactly one.
    ParsedLine onlyLine() const
    {
        ParsedLine parsed;
        const auto lines = todayLines();
        EXPECT_EQ(lines.size(), 1u);
        if (!lines.empty()) {
            EXPECT_TRUE(parseLine(lines.back(), parsed)) << lines.back();
        }
        return parsed;
    }

    fs::path m_root, m_dir;
    int m_pid = 0;
    time_t m_now = 0;
};

// ---------------------------------------------------------------------------------------
class OnvifLogFormat : public OnvifLogFixture {};

TEST_F(OnvifLogFormat, MacroLineCarriesEveryHeaderField)
{
    const int expectedLine = __LINE__; const unsigned rc = ONVIF_LOG(LOG_ERROR, "value=%d name=%s\n", 42, "cam");
    EXPECT_EQ(rc, 0u);

    const std::string content = readFile(todayPath());
    // The message brings its own newline; the logger adds none.
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content.back(), '\n');
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 1);

    const ParsedLine p = onlyLine();
    EXPECT_EQ(p.time, "12:34:56");
    EXPECT_EQ(p.level, "Error");
    EXPECT_EQ(p.tid, currentTid());
    EXPECT_EQ(p.file, "onvif_log_test.cpp");
    EXPECT_EQ(p.function, "TestBody");
    EXPECT_EQ(p.line, expectedLine);
    EXPECT_EQ(p.message, "value=42 name=cam");
}

TEST_F(OnvifLogFormat, ErrlnMarksTheLine)
{
    ONVIF_ERRLN();
    const ParsedLine p = onlyLine();
    EXPECT_EQ(p.level, "Error");
    EXPECT_EQ(p.message, "[ERRLN]");
}

TEST_F(OnvifLogFormat, FileAndFunctionAreCutToTheirLastPart)
{
    struct Case {
        const char* file;
        const char* function;
        const char* expectFile;
        const char* expectFunction;
        const char* format = "m\n";
        const char* expectMessage = "m";
    };
    const Case cases[] = {
        {"/home/build/Src/Onvif/OnvifClient.cpp", "RPC::Onvif::COnvifClient::tryToLogin", "OnvifClient.cpp", "tryToLogin"},
        {"D:\\work\\Src\\OnvifClient.cpp", "login", "OnvifClient.cpp", "login"},
        {"D:\\mixed/dir\\last/x.cpp", "A::B", "x.cpp", "B"},
        {"plain.cpp", "::global", "plain.cpp", "global"},
        {"dir/", "Cls::", "", ""},
        {"", "", "", ""},
        {nullptr, nullptr, "", ""},
        {nullptr, nullptr, "", "", nullptr, ""}, // no format at all: the header alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file ? c.file : "(null)") + " / " + (c.function ? c.function : "(null)") +
                     (c.format ? "" : " / no format"));
        std::error_code ec;
        fs::remove(todayPath(), ec);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        EXPECT_EQ(onvifLogPrint(c.file, c.function, 77, LOG_ERROR, c.format), 0u);
#pragma GCC diagnostic pop
        const ParsedLine p = onlyLine();
        EXPECT_EQ(p.file, c.expectFile);
        EXPECT_EQ(p.function, c.expectFunction);
        EXPECT_EQ(p.line, 77);
        EXPECT_EQ(p.message, c.expectMessage);
    }
}

TEST_F(OnvifLogFormat, LevelNames)
{
    setLogPrinterLevel(100);   // let the out-of-range levels through too
    const std::pair<int, const char*> cases[] = {
        {LOG_FATAL, "Fatal"}, {LOG_ERROR, "Error"}, {LOG_WARN, "Warn"}, {LOG_INFO, "Info"},
        {LOG_TRACE, "Trace"}, {LOG_DEBUG, "Debug"}, {6, "Unknown"}, {-1, "Unknown"}, {99, "Unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        std::error_code ec;
        fs::remove(todayPath(), ec);
        onvifLogPrint("f.cpp", "fn", 1, c.first, "x\n");
        EXPECT_EQ(onlyLine().level, c.second);
    }
}

TEST_F(OnvifLogFormat, StdoutGetsTheSameLineWhenEnabled)
{
    setLogToStdout(true);
    ::testing::internal::CaptureStdout();
    ONVIF_LOG(LOG_ERROR, "echo %s\n", "me");
    const std::string echoed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(echoed, readFile(todayPath()));

    setLogToStdout(false);
    ::testing::internal::CaptureStdout();
    ONVIF_LOG(LOG_ERROR, "quiet\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(todayLines().size(), 2u);   // the file still gets it
}

// ---------------------------------------------------------------------------------------
class OnvifLogLevel : public OnvifLogFixture {};

TEST_F(OnvifLogLevel, ThresholdFiltersHigherLevels)
{
    struct Case {
        int threshold;
        int level;
        bool written;
    };
    const Case cases[] = {
        {0, LOG_FATAL, true}, {0, LOG_ERROR, false}, {0, LOG_DEBUG, false},
        {2, LOG_ERROR, true}, {2, LOG_WARN, true},   {2, LOG_INFO, false},
        {5, LOG_DEBUG, true}, {5, LOG_TRACE, true},  {5, 6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("threshold " + std::to_string(c.threshold) + " level " + std::to_string(c.level));
        std::error_code ec;
        fs::remove_all(m_dir, ec);
        EXPECT_EQ(setLogPrinterLevel(c.threshold), c.threshold);
        EXPECT_EQ(getLogPrinterLevel(), c.threshold);
        const unsigned rc = onvifLogPrint("f.cpp", "fn", 1, c.level, "x\n");
        EXPECT_EQ(rc, c.written ? 0u : 4294967295u);
        // A filtered line must not even create the directory.
        EXPECT_EQ(fs::exists(todayPath()), c.written);
        EXPECT_EQ(fs::exists(m_dir), c.written);
    }
}

// ---------------------------------------------------------------------------------------
class OnvifLogLength : public OnvifLogFixture {
protected:
    // One call site, so every line written through it has the same header length.
    unsigned logText(const std::string& text) { return ONVIF_LOG(LOG_ERROR, "%s", text.c_str()); }
};

TEST_F(OnvifLogLength, LongLinesAreCutAtTheCapNotDropped)
{
    logText("");
    const std::string header = readFile(todayPath());
    ASSERT_TRUE(!header.empty() && header.back() == '|') << header;
    const size_t h = header.size();

    const size_t totals[] = {kMaxLine - 1, kMaxLine, kMaxLine + 1, 20000 + h};
    for (size_t total : totals) {
        SCOPED_TRACE(total);
        std::error_code ec;
        fs::remove(todayPath(), ec);
        std::string message(total - h, 'm');
        message[0] = 'A';   // the start of the message must survive the cut
        EXPECT_EQ(logText(message), 0u);
        const std::string written = readFile(todayPath());
        ASSERT_EQ(written.size(), std::min(total, kMaxLine));
        EXPECT_EQ(written.compare(0, h, header), 0);
        EXPECT_EQ(written.substr(h), message.substr(0, written.size() - h));
    }
}

// The file gets the masked line, and a password that runs past the cap is masked to the end
// rather than left half visible; the mask may not push the line over the cap either.
TEST_F(OnvifLogLength, PasswordsAreMaskedInTheFileAlsoWhereTheLineIsCut)
{
    logText("");
    const size_t h = readFile(todayPath()).size();
    const std::string secret(40, 'K');   // no K in the header
    const std::string record = "{\"Password\" : \"" + secret + "\"}";
    const size_t cuts[] = {1, 20};   // characters of the password inside the cap
    for (size_t inside : cuts) {
        SCOPED_TRACE(inside);
        std::error_code ec;
        fs::remove(todayPath(), ec);
        const std::string filler(kMaxLine - h - record.size() + secret.size() + 2 - inside, 'f');
        logText(filler + record);
        const std::string written = readFile(todayPath());
        EXPECT_LE(written.size(), kMaxLine);
        EXPECT_EQ(written.find('K'), std::string::npos) << written.substr(written.size() - 60);
        EXPECT_EQ(written.back(), '*') << written.substr(written.size() - 60);
    }
}

TEST_F(OnvifLogLength, OversizedHeaderFieldsAreCutToo)
{
    const std::string longFile(20000, 'f');
    const std::string longFunction = "Ns::" + std::string(20000, 'g');
    EXPECT_EQ(onvifLogPrint(longFile.c_str(), longFunction.c_str(), 3, LOG_ERROR, "tail\n"), 0u);
    const std::string written = readFile(todayPath());
    EXPECT_EQ(written.size(), kMaxLine);
    EXPECT_NE(written.find(" TID:"), std::string::npos);
    EXPECT_EQ(written.find("Ns::"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
class OnvifLogRotation : public OnvifLogFixture {
protected:
    // Starts today's file afresh so the process-wide rotation counter is back at 0.
    void startFresh()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
        ONVIF_LOG(LOG_ERROR, "first\n");
        ASSERT_TRUE(fs::exists(todayPath()));
    }
};

TEST_F(OnvifLogRotation, RotatesIntoNumberedFilesBelowTwoMiB)
{
    // About 900 bytes a line: over 2 MiB takes a few thousand lines; the cap keeps the loop
    // bounded even if rotation never happens.
    const std::string filler(850, 'r');
    constexpr int kMaxLines = 12000;
    int written = 0;
    while (written < kMaxLines && !fs::exists(todayPath(2))) {
        ONVIF_LOG(LOG_ERROR, "seq=%06d %s\n", written, filler.c_str());
        ++written;
    }
    ASSERT_TRUE(fs::exists(todayPath(2))) << "no second rotation after " << written << " lines";
    EXPECT_FALSE(fs::exists(todayPath(3)));

    // The full files stopped just before 2 MiB: within the 1 KiB headroom of it.
    for (int counter : {0, 1}) {
        SCOPED_TRACE(counter);
        const auto size = static_cast<long long>(fs::file_size(todayPath(counter)));
        EXPECT_LT(size, kTwoMiB);
        EXPECT_GE(size, kTwoMiB - 1024);
    }

    // Lines follow on in order across the files, none lost or split.
    int expectSeq = 0;
    for (int counter : {0, 1, 2}) {
        for (const std::string& line : splitLines(readFile(todayPath(counter)))) {
            ParsedLine p;
            ASSERT_TRUE(parseLine(line, p)) << line.substr(0, 80);
            ASSERT_EQ(p.message, "seq=" + std::string(6 - std::to_string(expectSeq).size(), '0') +
                                     std::to_string(expectSeq) + " " + filler);
            ++expectSeq;
        }
    }
    EXPECT_EQ(expectSeq, written);
}

TEST_F(OnvifLogRotation, RotatesExactlyWhenHeadroomIsReached)
{
    const std::pair<long long, bool> cases[] = {
        {kTwoMiB - 1024 - 1, false},
        {kTwoMiB - 1024, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        startFresh();
        fs::resize_file(todayPath(), static_cast<uintmax_t>(c.first));
        ONVIF_LOG(LOG_ERROR, "marker\n");
        EXPECT_EQ(fs::exists(todayPath(1)), c.second);
        const auto baseSize = static_cast<long long>(fs::file_size(todayPath()));
        if (c.second) {
            EXPECT_EQ(baseSize, c.first);
            ASSERT_EQ(splitLines(readFile(todayPath(1))).size(), 1u);
        } else {
            EXPECT_GT(baseSize, c.first);
        }
    }
}

TEST_F(OnvifLogRotation, NewDayStartsAtTheBaseFileAgain)
{
    startFresh();
    fs::resize_file(todayPath(), kTwoMiB);
    ONVIF_LOG(LOG_ERROR, "rotated\n");
    ASSERT_TRUE(fs::exists(todayPath(1)));

    setClock(localTime(2026, 12, 6, 9, 0, 0));
    ONVIF_LOG(LOG_ERROR, "next day one\n");
    ONVIF_LOG(LOG_ERROR, "next day two\n");
    EXPECT_EQ(splitLines(readFile(path("20261206"))).size(), 2u);
    EXPECT_FALSE(fs::exists(path("20261206", 1)));
}

// ---------------------------------------------------------------------------------------
class OnvifLogDay : public OnvifLogFixture {};

TEST_F(OnvifLogDay, ClockDecidesTheDaysFile)
{
    setClock(localTime(2026, 12, 31, 23, 59, 59));
    ONVIF_LOG(LOG_ERROR, "last\n");
    setClock(localTime(2027, 1, 1, 0, 0, 1));
    ONVIF_LOG(LOG_ERROR, "first\n");

    const auto oldDay = splitLines(readFile(path("20261231")));
    const auto newDay = splitLines(readFile(path("20270101")));
    ASSERT_EQ(oldDay.size(), 1u);
    ASSERT_EQ(newDay.size(), 1u);
    ParsedLine p;
    ASSERT_TRUE(parseLine(oldDay[0], p));
    EXPECT_EQ(p.time, "23:59:59");
    EXPECT_EQ(p.message, "last");
    ASSERT_TRUE(parseLine(newDay[0], p));
    EXPECT_EQ(p.time, "00:00:01");
    EXPECT_EQ(p.message, "first");
}

// ---------------------------------------------------------------------------------------
class OnvifLogSweep : public OnvifLogFixture {
protected:
    void SetUp() override
    {
        OnvifLogFixture::SetUp();
        m_noon = localTime(2026, 3, 5, 12, 0, 0);   // the window crosses a month end
        setClock(m_noon);
        fs::create_directories(m_dir);
    }
    time_t m_noon = 0;
};

TEST_F(OnvifLogSweep, NewDayFileRemovesThisProcessesWeekToMonthOldLogs)
{
    // The window's edges as calendar dates, so the helper cannot drift with the code.
    ASSERT_EQ(dayStamp(m_noon, 6), "20260227");
    ASSERT_EQ(dayStamp(m_noon, 7), "20260226");
    ASSERT_EQ(dayStamp(m_noon, 36), "20260128");
    ASSERT_EQ(dayStamp(m_noon, 37), "20260127");
    const int otherPid = m_pid + 1;
    for (int back = 6; back <= 37; ++back) {
        for (int counter = 0; counter <= 10; ++counter)
            writeFile(m_dir / logName(m_pid, dayStamp(m_noon, back), counter));
        writeFile(m_dir / logName(otherPid, dayStamp(m_noon, back)));
    }

    ONVIF_LOG(LOG_ERROR, "today\n");
    ASSERT_TRUE(fs::exists(path("20260305")));

    for (int back = 6; back <= 37; ++back) {
        for (int counter = 0; counter <= 10; ++counter) {
            const bool swept = back >= 7 && back <= 36 && counter <= 9;
            const std::string name = logName(m_pid, dayStamp(m_noon, back), counter);
            EXPECT_EQ(fs::exists(m_dir / name), !swept) << name;
        }
        const std::string other = logName(otherPid, dayStamp(m_noon, back));
        EXPECT_TRUE(fs::exists(m_dir / other)) << other;
    }
}

TEST_F(OnvifLogSweep, RunsOnRotationButNotOnOrdinaryWrites)
{
    ONVIF_LOG(LOG_ERROR, "start\n");
    const fs::path old = m_dir / logName(m_pid, dayStamp(m_noon, 10));
    writeFile(old);

    ONVIF_LOG(LOG_ERROR, "ordinary\n");
    EXPECT_TRUE(fs::exists(old));

    fs::resize_file(path("20260305"), kTwoMiB);
    ONVIF_LOG(LOG_ERROR, "rotating\n");
    ASSERT_TRUE(fs::exists(path("20260305", 1)));
    EXPECT_FALSE(fs::exists(old));
}

// ---------------------------------------------------------------------------------------
class OnvifLogConcurrency : public OnvifLogFixture {};

std::string payloadFor(int worker, int seq)
{
    // Different per line, so a torn or mixed line cannot pass for another.
    std::string body;
    for (int k = 0; k < 60; ++k)
        body += static_cast<char>('a' + (worker * 7 + seq * 3 + k) % 26);
    return body;
}

TEST_F(OnvifLogConcurrency, LinesFromManyThreadsStayWhole)
{
    constexpr int kWorkers = 8;
    constexpr int kLinesEach = 500;
    std::vector<long> tids(kWorkers, -1);
    {
        std::vector<std::thread> threads;
        for (int w = 0; w < kWorkers; ++w) {
            threads.emplace_back([w, &tids] {
                tids[w] = currentTid();
                for (int i = 0; i < kLinesEach; ++i)
                    ONVIF_LOG(LOG_ERROR, "w%d n%d %s end\n", w, i, payloadFor(w, i).c_str());
            });
        }
        for (auto& t : threads)
            t.join();
    }

    static const std::regex kPayload(R"(^w(\d+) n(\d+) ([a-z]+) end$)");
    std::set<std::pair<int, int>> seen;
    std::map<int, std::set<long>> tidsByWorker;
    const auto lines = todayLines();
    for (const std::string& line : lines) {
        ParsedLine p;
        ASSERT_TRUE(parseLine(line, p)) << line;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(p.message, m, kPayload)) << line;
        const int w = std::stoi(m[1]);
        const int i = std::stoi(m[2]);
        ASSERT_TRUE(w >= 0 && w < kWorkers && i >= 0 && i < kLinesEach) << line;
        ASSERT_EQ(m[3].str(), payloadFor(w, i)) << line;
        EXPECT_TRUE(seen.insert({w, i}).second) << "duplicate " << line;
        tidsByWorker[w].insert(p.tid);
    }
    EXPECT_EQ(lines.size(), static_cast<size_t>(kWorkers * kLinesEach));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kWorkers * kLinesEach));
    // Each thread's lines carry its own thread id.
    for (int w = 0; w < kWorkers; ++w)
        EXPECT_EQ(tidsByWorker[w], std::set<long>{tids[w]}) << "worker " << w;
}

// ---------------------------------------------------------------------------------------
class OnvifLogRobustness : public OnvifLogFixture {};

TEST_F(OnvifLogRobustness, UnusableDirectoryIsSkippedQuietly)
{
    const fs::path blocker = m_root / "plainfile";
    writeFile(blocker);
    setLogDirectory((blocker / "sub").string());
    EXPECT_EQ(ONVIF_LOG(LOG_ERROR, "nowhere to go\n"), 0u);
    EXPECT_FALSE(fs::exists(blocker / "sub"));

    // Pointing back at a usable directory resumes file output.
    setLogDirectory(m_dir.string());
    ONVIF_LOG(LOG_ERROR, "back\n");
    EXPECT_EQ(onlyLine().message, "back");
}

TEST_F(OnvifLogRobustness, DirectoryIsCreatedWithParentsAndRecreated)
{
    const fs::path deep = m_root / "a" / "b" / "c";
    setLogDirectory(deep.string());
    ONVIF_LOG(LOG_ERROR, "one\n");
    const fs::path file = deep / logName(m_pid, "20261205");
    ASSERT_TRUE(fs::exists(file));

    fs::remove_all(m_root / "a");
    ONVIF_LOG(LOG_ERROR, "two\n");
    const auto lines = splitLines(readFile(file));
    ASSERT_EQ(lines.size(), 1u);
    ParsedLine p;
    ASSERT_TRUE(parseLine(lines[0], p));
    EXPECT_EQ(p.message, "two");
}

TEST_F(OnvifLogRobustness, DefaultDirectoryIsBesideTheExecutable)
{
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    const fs::path dir = fs::path(std::string(exe, static_cast<size_t>(n))).parent_path() / "TarvolinLOG";

    setLogDirectory("");
    setClock(localTime(2001, 2, 3, 12, 0, 0));   // a day no real run writes to
    const fs::path file = dir / logName(m_pid, "20010203");
    std::error_code ec;
    fs::remove(file, ec);
    ONVIF_LOG(LOG_ERROR, "default place\n");
    const bool existed = fs::exists(file);
    fs::remove(file, ec);
    fs::remove(dir, ec);   // only goes if it is empty
    EXPECT_TRUE(existed) << file;
}

} // namespace
