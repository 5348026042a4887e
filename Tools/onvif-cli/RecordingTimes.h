#pragma once
// The times the recordings and playback commands take: ISO 8601 in UTC
// ("2026-12-06T10:00:00Z"), or with --local the device's local time ("2026-12-06T11:00:00"
// or "2026-12-06 11:00:00"). They are checked before anything goes to the device.
#include <string>

namespace OnvifCli {

struct CliTime {
    std::string text;      // as the library's finder takes it: "...T...Z" or "yyyy-MM-dd HH:mm:ss"
    long long seconds = 0; // of the calendar fields read as UTC (local times too), for ordering
};

// False with one sentence naming the option when the text is no such time.
bool readCliTime(const std::string& option, const std::string& text, bool local, CliTime& out, std::string* error);
// The same form for a number of seconds (as readCliTime counts them).
CliTime cliTimeAt(long long seconds, bool local);

} // namespace OnvifCli
