#include "OnvifFramework/Utility/OnvifUtilities.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "Infra/Time.h"
#include "OnvifFramework/Utility/OnvifDstRule.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kOneHour = 3600;
// 0001-01-01T00:00:00Z and 9999-12-31T23:59:59Z: what four-digit years can write.
constexpr int64_t kMinSeconds = -62135596800LL;
constexpr int64_t kMaxSeconds = 253402300799LL;
// Inputs further out than this cannot become a text even after a zone shift, and keeping
// them out means the shifts themselves cannot overflow.
constexpr int64_t kInputMargin = 2 * kSecondsPerDay;

constexpr size_t kUtcTextSize = 21;   // "yyyy-MM-ddTHH:mm:ssZ" and its terminator
constexpr size_t kLocalTextSize = 20; // "yyyy-MM-dd HH:mm:ss" and its terminator

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, month 1..12. Years are counted in
// 400-year eras (146097 days each) starting in March, so the leap day ends each year.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = floorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t marchMonth = (month + 9) % 12; // March = 0
    const int64_t dayOfYear = (153 * marchMonth + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468; // 719468 = days from 0000-03-01 to 1970-01-01
}

void civilFromDays(int64_t days, SCivilTime& out)
{
    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t marchMonth = (5 * dayOfYear + 2) / 153;
    out.day = static_cast<int>(dayOfYear - (153 * marchMonth + 2) / 5 + 1);
    out.month = static_cast<int>(marchMonth < 10 ? marchMonth + 3 : marchMonth - 9);
    out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0));
}

int64_t tmToSeconds(const struct tm& t)
{
    return civilToSeconds(static_cast<int64_t>(t.tm_year) + 1900, t.tm_mon + 1, t.tm_mday,
                          t.tm_hour, t.tm_min, t.tm_sec);
}

bool isConvertible(int64_t seconds)
{
    if (seconds < kMinSeconds - kInputMargin || seconds > kMaxSeconds + kInputMargin) {
        ONVIF_LOG(LOG_WARN, "time out of range:%lld\n", static_cast<long long>(seconds));
        return false;
    }
    return true;
}

// Writes seconds as text with one of the two layouts; false when out of range or too long.
bool formatSeconds(int64_t seconds, const char* layout, char* buffer, size_t size)
{
    SCivilTime c;
    if (!secondsToCivil(seconds, c)) {
        return false;
    }
    const int n = snprintf(buffer, size, layout, c.year, c.month, c.day, c.hour, c.minute,
                           c.second);
    return n > 0 && static_cast<size_t>(n) < size;
}

const char kUtcLayout[] = "%04d-%02d-%02dT%02d:%02d:%02dZ";
const char kLocalLayout[] = "%04d-%02d-%02d %02d:%02d:%02d";

bool checkBuffer(const char* buffer, size_t size, size_t needed)
{
    if (buffer == nullptr || size < needed) {
        ONVIF_LOG(LOG_ERROR, "time text buffer too small:%zu\n", buffer == nullptr ? 0 : size);
        return false;
    }
    return true;
}

bool copyOut(const std::string& text, char* buffer, size_t size)
{
    if (text.size() >= size) {
        buffer[0] = '\0';
        return false;
    }
    memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// Digits at fixed positions of "yyyy-MM-dd HH:mm:ss"; the separators are not checked.
bool readLocalText(const char* text, SCivilTime& c)
{
    struct SField {
        size_t pos;
        size_t width;
        int SCivilTime::*member;
    };
    static const SField kFields[] = {
        {0, 4, &SCivilTime::year},  {5, 2, &SCivilTime::month},   {8, 2, &SCivilTime::day},
        {11, 2, &SCivilTime::hour}, {14, 2, &SCivilTime::minute}, {17, 2, &SCivilTime::second},
    };
    if (strnlen(text, 19) < 19) {
        return false;
    }
    for (const SField& field : kFields) {
        int value = 0;
        for (size_t i = field.pos; i < field.pos + field.width; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return false;
            }
            value = value * 10 + (text[i] - '0');
        }
        c.*field.member = value;
    }
    return Zentar::Infra::CTime::isValid(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

// UTC seconds as this machine's wall clock, at the machine's offset of now.
bool localTextOfMachine(time_t utc, std::string& localText)
{
    char text[kLocalTextSize];
    if (!isConvertible(utc)) {
        return false;
    }
    const int64_t local = static_cast<int64_t>(utc) + getDiffTimeToUTC();
    ONVIF_LOG(LOG_DEBUG, "UNIX time stamp[%ld]\n", static_cast<long>(local));
    if (!formatSeconds(local, kLocalLayout, text, sizeof text)) {
        ONVIF_LOG(LOG_WARN, "time out of range:%lld\n", static_cast<long long>(utc));
        return false;
    }
    localText = text;
    return true;
}

} // namespace

int64_t civilToSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                       int64_t second)
{
    const int64_t monthIndex = month - 1;
    const int64_t yearCarry = floorDiv(monthIndex, 12);
    const int64_t days =
        daysFromCivil(year + yearCarry, monthIndex - yearCarry * 12 + 1, 1) + day - 1;
    return days * kSecondsPerDay + hour * kOneHour + minute * 60 + second;
}

bool secondsToCivil(int64_t seconds, SCivilTime& out)
{
    if (seconds < kMinSeconds || seconds > kMaxSeconds) {
        return false;
    }
    const int64_t days = floorDiv(seconds, kSecondsPerDay);
    const int64_t rest = seconds - days * kSecondsPerDay;
    civilFromDays(days, out);
    out.hour = static_cast<int>(rest / kOneHour);
    out.minute = static_cast<int>(rest % kOneHour / 60);
    out.second = static_cast<int>(rest % 60);
    return true;
}

int weekDayOfSeconds(int64_t seconds)
{
    const int64_t days = floorDiv(seconds, kSecondsPerDay);
    return static_cast<int>((days % 7 + 11) % 7); // 1970-01-01 was a Thursday (4)
}

int getDiffTimeToUTC()
{
    const time_t now = time(nullptr);
    struct tm local;
    struct tm utc;
    if (localtime_r(&now, &local) == nullptr) {
        ONVIF_LOG(LOG_ERROR, "Call localtime failed.\n");
        return 0;
    }
    if (gmtime_r(&now, &utc) == nullptr) {
        ONVIF_LOG(LOG_ERROR, "Call gmtime failed.\n");
        return 0;
    }
    return static_cast<int>(tmToSeconds(local) - tmToSeconds(utc));
}

int systemTimeToUTC(time_t seconds, char* buffer, size_t size)
{
    if (!checkBuffer(buffer, size, kUtcTextSize)) {
        return -1;
    }
    if (!formatSeconds(seconds, kUtcLayout, buffer, size)) {
        buffer[0] = '\0';
        ONVIF_LOG(LOG_ERROR, "gmtime failed");
        return -1;
    }
    return 0;
}

bool transformLocalToUTC(time_t local, std::string& utcText, const Json::Value& cfgZoneAndDST,
                         bool bEndTime)
{
    SZoneAndDst zone;
    if (!readZoneAndDst(cfgZoneAndDST, zone) || !isConvertible(local)) {
        return false;
    }
    int64_t utc = static_cast<int64_t>(local) - zone.offset;
    if (zone.dstEnable) {
        const SDstWindow window = getDstWindow(zone);
        // For the end of a search interval, a time in the repeated hour is taken in its
        // second (standard-time) pass, so the interval does not stop an hour early.
        if (isLocalInDst(local, window, bEndTime) &&
            !(bEndTime && isInRepeatedHour(local, window))) {
            utc -= kOneHour;
        }
    }
    char text[kUtcTextSize];
    if (systemTimeToUTC(static_cast<time_t>(utc), text, sizeof text) != 0) {
        return false;
    }
    utcText = text;
    return true;
}

bool transformUTCToLocal(time_t utc, std::string& localText, const Json::Value& cfgZoneAndDST,
                         bool bEndTime)
{
    SZoneAndDst zone;
    if (!readZoneAndDst(cfgZoneAndDST, zone) || !isConvertible(utc)) {
        return false;
    }
    int64_t local = static_cast<int64_t>(utc) + zone.offset;
    if (zone.dstEnable && isUtcInDst(utc, getDstWindow(zone), zone.offset, bEndTime)) {
        local += kOneHour;
    }
    char text[kLocalTextSize];
    if (!formatSeconds(local, kLocalLayout, text, sizeof text)) {
        ONVIF_LOG(LOG_WARN, "local time out of range:%lld\n", static_cast<long long>(local));
        return false;
    }
    localText = text;
    return true;
}

int systemTimeToZTTime(time_t utc, char* buffer, size_t size, const Json::Value* cfgZoneAndDST,
                       bool bEndTime)
{
    if (!checkBuffer(buffer, size, kLocalTextSize)) {
        return -1;
    }
    buffer[0] = '\0';
    std::string localText;
    if (cfgZoneAndDST != nullptr) {
        if (!transformUTCToLocal(utc, localText, *cfgZoneAndDST, bEndTime)) {
            return -1;
        }
    } else {
        // No zone configured: the host means this machine's own clock.
        if (!localTextOfMachine(utc, localText)) {
            return -1;
        }
    }
    if (!copyOut(localText, buffer, size)) {
        return -1;
    }
    char utcText[kUtcTextSize] = "";
    formatSeconds(utc, kUtcLayout, utcText, sizeof utcText); // for the log line only
    ONVIF_LOG(LOG_DEBUG, "UTCtime stamp[%ld], utc to local, %s --> %s, bEndTime:%d\n",
              static_cast<long>(utc), utcText, buffer, bEndTime ? 1 : 0);
    return 0;
}

int ztTimeToUTCTime(const char* localText, char* buffer, size_t size,
                    const Json::Value* cfgZoneAndDST, bool bEndTime)
{
    if (!checkBuffer(buffer, size, kUtcTextSize)) {
        return -1;
    }
    buffer[0] = '\0';
    SCivilTime c;
    if (localText == nullptr || !readLocalText(localText, c)) {
        ONVIF_LOG(LOG_WARN, "local time text unreadable:%s\n", localText ? localText : "(null)");
        return -1;
    }
    const int64_t local = civilToSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second);
    if (cfgZoneAndDST == nullptr) {
        ONVIF_LOG(LOG_DEBUG, "cfgZoneAndDST is null!\n");
        if (systemTimeToUTC(static_cast<time_t>(local - getDiffTimeToUTC()), buffer, size) != 0) {
            return -1;
        }
    } else {
        std::string utcText;
        if (!transformLocalToUTC(static_cast<time_t>(local), utcText, *cfgZoneAndDST, bEndTime) ||
            !copyOut(utcText, buffer, size)) {
            return -1;
        }
    }
    ONVIF_LOG(LOG_DEBUG, "local to utc, %s --> %s, bEndTime:%d\n", localText, buffer,
              bEndTime ? 1 : 0);
    return 0;
}

std::string secondsToDuration(int seconds)
{
    char text[32];
    snprintf(text, sizeof text, "PT%dS", seconds);
    return text;
}

namespace {

// The figures at p (advanced past them); false past INT_MAX.
bool readFigures(const char*& p, int64_t& value)
{
    value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT_MAX) {
            return false;
        }
    }
    return true;
}

} // namespace

int durationToSeconds(const char* text, unsigned rules)
{
    if (text == nullptr || text[0] != 'P') {
        return -1;
    }
    const char* p = text + 1;
    int64_t total = 0;
    bool anyFigure = false;
    if ((rules & DURATION_DAYS) && *p >= '0' && *p <= '9') {
        if (!readFigures(p, total) || *p != 'D') {
            return -1;
        }
        total *= kSecondsPerDay;
        anyFigure = true;
        ++p;
    }
    // After days the time part may be left out ("P1D").
    if (*p == 'T') {
        ++p;
    } else if (!(anyFigure && *p == '\0')) {
        return -1;
    }
    // Designators must come in this order, each at most once.
    static const struct {
        char designator;
        int64_t unit;
    } kUnits[] = {{'H', kOneHour}, {'M', 60}, {'S', 1}};
    size_t next = 0; // first designator still allowed
    while (*p != '\0') {
        if (*p < '0' || *p > '9') {
            return -1; // also rejects "PT-5S": the run before the figures must be "PT" alone
        }
        int64_t value = 0;
        if (!readFigures(p, value)) {
            return -1;
        }
        if (*p == '.') { // a fraction is allowed on seconds only, and dropped
            do {
                ++p;
            } while (*p >= '0' && *p <= '9');
            if (*p != 'S') {
                return -1;
            }
        }
        while (next < 3 && kUnits[next].designator != *p) {
            ++next;
        }
        if (next == 3) {
            return -1;
        }
        total += value * kUnits[next++].unit;
        if (total > INT_MAX) {
            return -1;
        }
        anyFigure = true;
        ++p;
    }
    if (total > INT_MAX || (!anyFigure && (rules & DURATION_NEEDS_FIGURE))) {
        return -1;
    }
    return static_cast<int>(total);
}

} // namespace Onvif
} // namespace RPC
