// How long the upgrader waits before the upload: the device's UploadDelay, an ISO 8601
// duration of hours, minutes and seconds.
#include <gtest/gtest.h>

#include "Components/Upgrader/OnvifUpgrader.h"

using RPC::Onvif::COnvifUpgrader;

TEST(UpgraderDuration, UploadDelayInSeconds)
{
    const struct {
        const char* text;
        int seconds;
    } cases[] = {
        {"PT0S", 0}, {"PT5S", 5}, {"PT2M30S", 150}, {"PT1H15S", 3615}, {"PT1H", 3600}, {"PT", 0},
        {"PT10M", 600},
        // Not a time duration: days, a missing T, something before it.
        {"P1D", -1}, {"P1DT2H", -1}, {"5S", -1}, {"XPT5S", -1}, {"", -1}, {"PT99999999999H", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.seconds, COnvifUpgrader::durationSeconds(c.text)) << c.text;
    EXPECT_EQ(-1, COnvifUpgrader::durationSeconds(nullptr));
}
