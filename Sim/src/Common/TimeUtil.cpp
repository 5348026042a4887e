#include "Common/TimeUtil.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace OnvifSim {
namespace {

bool IsLeap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(long long y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

int ReadDigits(const std::string& s, size_t& pos, size_t count)
{
    int value = 0;
    for (size_t i = 0; i < count; ++i, ++pos) {
        if (pos >= s.size() || !isdigit(static_cast<unsigned char>(s[pos])))
            return -1;
        value = value * 10 + (s[pos] - '0');
    }
    return value;
}

bool Expect(const std::string& s, size_t& pos, char c)
{
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// A TZ name: three or more letters, or anything between < and >.
bool ReadTzName(const std::string& tz, size_t& pos)
{
    size_t start = pos;
    if (Expect(tz, pos, '<')) {
        while (pos < tz.size() && tz[pos] != '>')
            ++pos;
        return Expect(tz, pos, '>') && pos - start > 2;
    }
    while (pos < tz.size() && isalpha(static_cast<unsigned char>(tz[pos])))
        ++pos;
    return pos - start >= 3;
}

// [+|-]hh[:mm[:ss]] as seconds west of Greenwich (POSIX sign convention).
bool ReadTzOffset(const std::string& tz, size_t& pos, long long& seconds)
{
    int sign = 1;
    if (Expect(tz, pos, '-'))
        sign = -1;
    else
        Expect(tz, pos, '+');
    size_t start = pos;
    long long parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && !Expect(tz, pos, ':'))
            break;
        size_t digits = 0;
        while (pos < tz.size() && isdigit(static_cast<unsigned char>(tz[pos])) && digits < 2) {
            parts[i] = parts[i] * 10 + (tz[pos++] - '0');
            ++digits;
        }
        if (digits == 0)
            return false;
    }
    if (pos == start || parts[0] > 24 || parts[1] > 59 || parts[2] > 59)
        return false;
    seconds = sign * (parts[0] * 3600 + parts[1] * 60 + parts[2]);
    return true;
}

} // namespace

bool CivilToEpoch(const CCivilTime& t, long long& epoch)
{
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 60)
        return false;
    epoch = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 86400 +
            t.hour * 3600LL + t.minute * 60LL + t.second;
    return true;
}

CCivilTime EpochToCivil(long long epoch)
{
    long long days = epoch / 86400;
    long long rem = epoch % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    CCivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    return t;
}

bool ParseXsDateTime(const std::string& text, long long& epoch)
{
    std::string s = text;
    while (!s.empty() && isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    size_t start = 0;
    while (start < s.size() && isspace(static_cast<unsigned char>(s[start])))
        ++start;
    size_t pos = start;
    CCivilTime t;
    t.year = ReadDigits(s, pos, 4);
    bool ok = t.year >= 0 && Expect(s, pos, '-') && (t.month = ReadDigits(s, pos, 2)) >= 0 &&
              Expect(s, pos, '-') && (t.day = ReadDigits(s, pos, 2)) >= 0 && Expect(s, pos, 'T') &&
              (t.hour = ReadDigits(s, pos, 2)) >= 0 && Expect(s, pos, ':') &&
              (t.minute = ReadDigits(s, pos, 2)) >= 0 && Expect(s, pos, ':') &&
              (t.second = ReadDigits(s, pos, 2)) >= 0;
    if (!ok)
        return false;
    if (Expect(s, pos, '.')) {
        size_t digits = pos;
        while (pos < s.size() && isdigit(static_cast<unsigned char>(s[pos])))
            ++pos;
        if (pos == digits)
            return false;
    }
    long long zone = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        int sign = s[pos++] == '-' ? -1 : 1;
        int hh = ReadDigits(s, pos, 2);
        int mm = Expect(s, pos, ':') ? ReadDigits(s, pos, 2) : -1;
        if (hh < 0 || hh > 14 || mm < 0 || mm > 59)
            return false;
        zone = sign * (hh * 3600LL + mm * 60LL);
    } else {
        Expect(s, pos, 'Z');
    }
    if (pos != s.size() || !CivilToEpoch(t, epoch))
        return false;
    epoch -= zone;
    return true;
}

std::string FormatXsDateTime(long long epoch)
{
    CCivilTime t = EpochToCivil(epoch);
    char buf[40];
    snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute,
             t.second);
    return buf;
}

bool ParsePosixTz(const std::string& tz, long long* offsetSeconds)
{
    size_t pos = 0;
    long long west = 0;
    if (!ReadTzName(tz, pos) || !ReadTzOffset(tz, pos, west))
        return false;
    if (pos < tz.size()) {
        // Daylight-saving part: a name, an optional offset, optional ",rule,rule".
        if (!ReadTzName(tz, pos))
            return false;
        long long ignored = 0;
        if (pos < tz.size() && tz[pos] != ',' && !ReadTzOffset(tz, pos, ignored))
            return false;
        for (; pos < tz.size(); ++pos)
            if (!isalnum(static_cast<unsigned char>(tz[pos])) && !strchr(",./:+-", tz[pos]))
                return false;
    }
    if (offsetSeconds)
        *offsetSeconds = -west;
    return true;
}

bool ParseXsDuration(const std::string& text, double& seconds)
{
    size_t i = 0;
    if (text.size() < 3 || text[i++] != 'P')
        return false;
    bool inTime = false, any = false;
    double total = 0;
    while (i < text.size()) {
        if (text[i] == 'T') {
            if (inTime || ++i >= text.size())
                return false;
            inTime = true;
            continue;
        }
        size_t start = i;
        while (i < text.size() && (isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
            ++i;
        if (i == start || i >= text.size() || i - start > 12)
            return false;
        std::string number = text.substr(start, i - start);
        if (number.find_first_of("0123456789") == std::string::npos || number.find('.') != number.rfind('.'))
            return false;
        double value = std::stod(number);
        char unit = text[i++];
        bool fraction = number.find('.') != std::string::npos;
        if (!inTime && unit == 'D' && !fraction)
            total += value * 86400;
        else if (inTime && unit == 'H' && !fraction)
            total += value * 3600;
        else if (inTime && unit == 'M' && !fraction)
            total += value * 60;
        else if (inTime && unit == 'S')
            total += value;
        else
            return false;
        any = true;
    }
    if (!any)
        return false;
    seconds = total;
    return true;
}

std::string FormatXsDuration(double seconds)
{
    std::string text = std::to_string(seconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return "PT" + text + "S";
}

} // namespace OnvifSim
