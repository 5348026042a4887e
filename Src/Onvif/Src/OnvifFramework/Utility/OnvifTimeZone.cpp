#include "OnvifFramework/Utility/OnvifTimeZone.h"

#include <climits>
#include <cstring>
#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

const std::array<STimeZone, kTimeZoneCount> kTimeZones = {{
    {0, 0, "GMT+00:00"},       {1, 3600, "GMT+01:00"},    {2, 7200, "GMT+02:00"},
    {3, 10800, "GMT+03:00"},   {4, 12600, "GMT+03:30"},   {5, 14400, "GMT+04:00"},
    {6, 16200, "GMT+04:30"},   {7, 18000, "GMT+05:00"},   {8, 19800, "GMT+05:30"},
    {9, 20700, "GMT+05:45"},   {10, 21600, "GMT+06:00"},  {11, 23400, "GMT+06:30"},
    {12, 25200, "GMT+07:00"},  {13, 28800, "GMT+08:00"},  {14, 32400, "GMT+09:00"},
    {15, 34200, "GMT+09:30"},  {16, 36000, "GMT+10:00"},  {17, 39600, "GMT+11:00"},
    {18, 43200, "GMT+12:00"},  {19, 46800, "GMT+13:00"},  {20, -3600, "GMT-01:00"},
    {21, -7200, "GMT-02:00"},  {22, -10800, "GMT-03:00"}, {23, -12600, "GMT-03:30"},
    {24, -14400, "GMT-04:00"}, {25, -18000, "GMT-05:00"}, {26, -21600, "GMT-06:00"},
    {27, -25200, "GMT-07:00"}, {28, -28800, "GMT-08:00"}, {29, -32400, "GMT-09:00"},
    {30, -36000, "GMT-10:00"}, {31, -39600, "GMT-11:00"}, {32, -43200, "GMT-12:00"},
    {33, -16200, "GMT-04:30"}, {34, 37800, "GMT+10:30"},  {35, 50400, "GMT+14:00"},
    {36, -34200, "GMT-09:30"}, {37, 30600, "GMT+08:30"},  {38, 31500, "GMT+08:45"},
    {39, 45900, "GMT+12:45"},
}};

constexpr size_t kMaxNameLen = 31;     // zone name and offset text, each
constexpr size_t kMaxRuleTextLen = 63; // what follows the first ','
constexpr int kMaxOffsetHours = 24;    // POSIX allows 0..24

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Reads a decimal int the way "%d" does (leading blanks, optional sign, at least one digit),
// saturating instead of overflowing. Advances pos past what it read.
bool readInt(const char*& pos, int& value)
{
    const char* p = pos;
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (*p < '0' || *p > '9') {
        return false;
    }
    long long magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= INT_MAX) {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    if (negative) {
        value = magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN
                                                                 : static_cast<int>(-magnitude);
    } else {
        value = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    }
    pos = p;
    return true;
}

// A small scanf: the pattern holds "%d" and literal characters. Stops at the first mismatch
// and returns how many fields were stored; later fields keep their values.
int scanFields(const char* text, const char* pattern, int* const* fields, int fieldCount)
{
    int stored = 0;
    while (*pattern != '\0') {
        if (pattern[0] == '%' && pattern[1] == 'd') {
            if (stored >= fieldCount || !readInt(text, *fields[stored])) {
                break;
            }
            ++stored;
            pattern += 2;
        } else {
            if (*text != *pattern) {
                break;
            }
            ++text;
            ++pattern;
        }
    }
    return stored;
}

// Splits "NAMEoffset..." into the zone name (a run of letters, or a POSIX "<...>" quoted
// name) and the following run of non-letters. False when either is empty.
bool splitNameAndOffset(const char* tz, std::string& name, std::string& offsetText)
{
    const char* p = tz;
    if (*p == '<') {
        const char* close = strchr(p, '>');
        if (close == nullptr || static_cast<size_t>(close - p) > kMaxNameLen) {
            return false;
        }
        name.assign(p, static_cast<size_t>(close - p + 1));
        p = close + 1;
    } else {
        while (isAsciiLetter(*p) && name.size() < kMaxNameLen) {
            name.push_back(*p++);
        }
    }
    while (*p != '\0' && !isAsciiLetter(*p) && offsetText.size() < kMaxNameLen) {
        offsetText.push_back(*p++);
    }
    return !name.empty() && !offsetText.empty();
}

// "hh[:mm]" of the offset text to seconds east of UTC.
bool offsetFromText(const std::string& name, const std::string& offsetText, int& offset)
{
    int hours = 0;
    int minutes = 0;
    int* const fields[] = {&hours, &minutes};
    if (scanFields(offsetText.c_str(), "%d:%d", fields, 2) < 1) {
        ONVIF_LOG(LOG_WARN, "TimeZone offset unreadable:%s\n", offsetText.c_str());
        return false;
    }
    if (hours < -kMaxOffsetHours || hours > kMaxOffsetHours || minutes < 0 || minutes > 59) {
        ONVIF_LOG(LOG_WARN, "TimeZone offset out of range:%s\n", offsetText.c_str());
        return false;
    }
    // POSIX counts west as positive; devices writing "GMT+08:00" mean east.
    if (name.compare(0, 3, "GMT") != 0) {
        hours = -hours;
    }
    // "-03:30" is minus three and a half hours; "-00:30" has no sign left to carry, so it
    // reads as plus half an hour.
    if (hours < 0) {
        minutes = -minutes;
    }
    offset = hours * 3600 + minutes * 60;
    return true;
}

Json::Value ruleToJson(const int* f)
{
    static const char* const kKeys[] = {"Month", "Week", "WDay", "Hour", "Minute", "Second"};
    Json::Value rule(Json::objectValue);
    for (int i = 0; i < 6; ++i) {
        rule[kKeys[i]] = f[i];
    }
    return rule;
}

// "Mm.w.d/h[:m:s],Mm.w.d/h[:m:s]" into the two rules. The long form is tried only when the
// text holds a ':'; fields the text does not give stay 0.
void readRules(const char* ruleText, Json::Value& rules)
{
    int f[12] = {0};
    int* const fields[] = {&f[0], &f[1], &f[2], &f[3], &f[4],  &f[5],
                           &f[6], &f[7], &f[8], &f[9], &f[10], &f[11]};
    int read;
    if (strchr(ruleText, ':') != nullptr) {
        read = scanFields(ruleText, "M%d.%d.%d/%d:%d:%d,M%d.%d.%d/%d:%d:%d", fields, 12);
    } else {
        // Short form: only the hour; start fields go to 0..3, end fields to 6..9.
        int* const shortFields[] = {&f[0], &f[1], &f[2], &f[3], &f[6], &f[7], &f[8], &f[9]};
        read = scanFields(ruleText, "M%d.%d.%d/%d,M%d.%d.%d/%d", shortFields, 8);
        read = read == 8 ? 12 : read;
    }
    if (read < 12) {
        ONVIF_LOG(LOG_WARN, "DST rule incomplete, unread fields are 0:%s\n", ruleText);
    }
    rules["DSTStart"] = ruleToJson(&f[0]);
    rules["DSTEnd"] = ruleToJson(&f[6]);
}

} // namespace

const std::array<STimeZone, kTimeZoneCount>& getTimeZoneTable() { return kTimeZones; }

bool isVaildTimeZone(int index)
{
    if (index < 0 || index >= kTimeZoneCount) {
        ONVIF_LOG(LOG_WARN, "invaild TimeZone:%d\n", index);
        return false;
    }
    return true;
}

bool getTimeZoneOffset(int index, int& offset)
{
    if (!isVaildTimeZone(index)) {
        return false;
    }
    offset = kTimeZones[static_cast<size_t>(index)].offset;
    return true;
}

int findTimeZoneByOffset(int offset)
{
    for (const STimeZone& zone : kTimeZones) {
        if (zone.offset == offset) {
            return zone.index;
        }
    }
    return -1;
}

bool parseTimeZone(const char* tz, int& offset, Json::Value& rules)
{
    rules = Json::Value(Json::objectValue);
    if (tz == nullptr) {
        ONVIF_LOG(LOG_WARN, "TimeZone is null\n");
        return false;
    }
    std::string name;
    std::string offsetText;
    if (!splitNameAndOffset(tz, name, offsetText)) {
        ONVIF_LOG(LOG_WARN, "TimeZone without name or offset:%s\n", tz);
        return false;
    }
    if (!offsetFromText(name, offsetText, offset)) {
        return false;
    }
    const char* comma = strchr(tz, ',');
    if (strchr(tz, 'M') == nullptr || comma == nullptr) {
        return true; // no daylight saving
    }
    std::string ruleText(comma + 1);
    if (ruleText.size() > kMaxRuleTextLen) {
        ONVIF_LOG(LOG_WARN, "Invalid Timezone.\n");
        ruleText.resize(kMaxRuleTextLen);
    }
    ONVIF_LOG(LOG_INFO, "The DST configurations is:%s\n", ruleText.c_str());
    readRules(ruleText.c_str(), rules);
    return true;
}

} // namespace Onvif
} // namespace RPC
