#pragma once
// Calendar time in the host's local zone, plus the monotonic clocks used for timeouts.
// Format and parse understand the tokens yyyy MM dd HH mm ss; every other character
// of the pattern is literal text.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace Zentar {
namespace Infra {

class CTime {
public:
    CTime(); // the epoch, in local time
    explicit CTime(time_t secondsSince1970);
    // Local calendar time. Fields out of range (month 13, Feb 30, ...) give the epoch.
    CTime(int year, int month, int day, int hour, int minute, int second);

    // Monotonic clocks (steady_clock): only differences are meaningful.
    static uint64_t getCurrentMilliSecond();
    static uint64_t getCurrentMicroSecond();
    // Wall clock, local zone.
    static CTime getCurrentTime();

    // True when the fields form a real calendar date and time of day (years 1900..9999).
    static bool isValid(int year, int month, int day, int hour, int minute, int second);
    static int daysInMonth(int year, int month);

    time_t makeTime() const; // seconds since 1970 (local fields through mktime)
    int getYear() const { return m_year; }
    int getMonth() const { return m_month; }
    int getDay() const { return m_day; }
    int getHour() const { return m_hour; }
    int getMinute() const { return m_minute; }
    int getSecond() const { return m_second; }
    int getWeekDay() const; // 0 = Sunday

    // False when buf is null or too small (buf then holds an empty string).
    bool format(char* buf, size_t size, const char* fmt = "yyyy-MM-dd HH:mm:ss") const;
    std::string format(const char* fmt = "yyyy-MM-dd HH:mm:ss") const;
    // Every token needs exactly its width in digits, literals must match and nothing may
    // follow. Fields the pattern lacks default to 1970-01-01 00:00:00. On failure the
    // object is left unchanged.
    bool parse(const char* text, const char* fmt = "yyyy-MM-dd HH:mm:ss");

    bool operator==(const CTime& other) const;
    bool operator!=(const CTime& other) const { return !(*this == other); }

private:
    void setFromTm(const struct tm& t);

    int m_year = 1970;
    int m_month = 1;
    int m_day = 1;
    int m_hour = 0;
    int m_minute = 0;
    int m_second = 0;
};

} // namespace Infra
} // namespace Zentar
