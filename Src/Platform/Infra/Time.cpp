#include "Infra/Time.h"

#include <chrono>
#include <cstring>

namespace Zentar {
namespace Infra {

namespace {

// One pattern token: its text, and where its value lives in a six-field array
// (year, month, day, hour, minute, second).
struct Token {
    const char* text;
    size_t width;
    int field;
};

const Token kTokens[] = {
    {"yyyy", 4, 0}, {"MM", 2, 1}, {"dd", 2, 2}, {"HH", 2, 3}, {"mm", 2, 4}, {"ss", 2, 5},
};

const Token* tokenAt(const char* fmt)
{
    for (const Token& token : kTokens) {
        if (strncmp(fmt, token.text, token.width) == 0) {
            return &token;
        }
    }
    return nullptr;
}

bool readDigits(const char* text, size_t width, int& value)
{
    value = 0;
    for (size_t i = 0; i < width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false; // also stops at the terminator
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

} // namespace

CTime::CTime() : CTime(static_cast<time_t>(0)) {}

CTime::CTime(time_t secondsSince1970)
{
    struct tm t;
    if (localtime_r(&secondsSince1970, &t) != nullptr) {
        setFromTm(t);
    }
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second) : CTime()
{
    if (isValid(year, month, day, hour, minute, second)) {
        m_year = year;
        m_month = month;
        m_day = day;
        m_hour = hour;
        m_minute = minute;
        m_second = second;
    }
}

void CTime::setFromTm(const struct tm& t)
{
    m_year = t.tm_year + 1900;
    m_month = t.tm_mon + 1;
    m_day = t.tm_mday;
    m_hour = t.tm_hour;
    m_minute = t.tm_min;
    m_second = t.tm_sec > 59 ? 59 : t.tm_sec; // a leap second would fail our own validation
}

uint64_t CTime::getCurrentMilliSecond()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t CTime::getCurrentMicroSecond()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

CTime CTime::getCurrentTime() { return CTime(time(nullptr)); }

int CTime::daysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return (month == 2 && isLeap(year)) ? 29 : kDays[month - 1];
}

bool CTime::isValid(int year, int month, int day, int hour, int minute, int second)
{
    return year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59;
}

time_t CTime::makeTime() const
{
    struct tm t;
    memset(&t, 0, sizeof(t));
    t.tm_year = m_year - 1900;
    t.tm_mon = m_month - 1;
    t.tm_mday = m_day;
    t.tm_hour = m_hour;
    t.tm_min = m_minute;
    t.tm_sec = m_second;
    t.tm_isdst = -1; // let the zone rules decide whether DST applies
    return mktime(&t);
}

int CTime::getWeekDay() const
{
    // Days since 1970-01-01 from the civil date (proleptic Gregorian), which was a Thursday.
    // Independent of the time zone, unlike going through mktime.
    int y = m_year - (m_month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (m_month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + m_day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<int>(((days % 7) + 11) % 7); // +4 for Thursday, kept non-negative
}

bool CTime::format(char* buf, size_t size, const char* fmt) const
{
    if (buf == nullptr || size == 0) {
        return false;
    }
    buf[0] = '\0';
    if (fmt == nullptr) {
        return false;
    }
    const int values[6] = {m_year, m_month, m_day, m_hour, m_minute, m_second};
    size_t out = 0;
    while (*fmt != '\0') {
        const Token* token = tokenAt(fmt);
        char piece[8];
        size_t len;
        if (token != nullptr) {
            len = static_cast<size_t>(snprintf(piece, sizeof(piece), "%0*d",
                                               static_cast<int>(token->width),
                                               values[token->field]));
            fmt += token->width;
        } else {
            piece[0] = *fmt++;
            len = 1;
        }
        if (out + len >= size) {
            buf[0] = '\0';
            return false;
        }
        memcpy(buf + out, piece, len);
        out += len;
    }
    buf[out] = '\0';
    return true;
}

std::string CTime::format(const char* fmt) const
{
    if (fmt == nullptr) {
        return std::string();
    }
    // Each token grows by at most 2 characters (MM -> at most 2 digits, yyyy -> 4).
    std::string buf(strlen(fmt) * 2 + 8, '\0');
    if (!format(&buf[0], buf.size(), fmt)) {
        return std::string();
    }
    buf.resize(strlen(buf.c_str()));
    return buf;
}

bool CTime::parse(const char* text, const char* fmt)
{
    if (text == nullptr || fmt == nullptr) {
        return false;
    }
    int values[6] = {1970, 1, 1, 0, 0, 0};
    while (*fmt != '\0') {
        const Token* token = tokenAt(fmt);
        if (token != nullptr) {
            if (!readDigits(text, token->width, values[token->field])) {
                return false;
            }
            text += token->width;
            fmt += token->width;
        } else {
            if (*text != *fmt) {
                return false;
            }
            ++text;
            ++fmt;
        }
    }
    if (*text != '\0') {
        return false; // trailing text
    }
    if (!isValid(values[0], values[1], values[2], values[3], values[4], values[5])) {
        return false;
    }
    m_year = values[0];
    m_month = values[1];
    m_day = values[2];
    m_hour = values[3];
    m_minute = values[4];
    m_second = values[5];
    return true;
}

bool CTime::operator==(const CTime& other) const
{
    return m_year == other.m_year && m_month == other.m_month && m_day == other.m_day &&
           m_hour == other.m_hour && m_minute == other.m_minute && m_second == other.m_second;
}

} // namespace Infra
} // namespace Zentar
