// The filing of a service namespace under its address type. The order of the tests
// matters in the classification: several namespaces contain more than one keyword.
#include <gtest/gtest.h>

#include "OnvifProtocolCore/DeviceManagement/OnvifServiceType.h"

using RPC::Onvif::getServiceTypeByNamespace;

namespace {

TEST(DeviceServiceType, NamespacesOfTheOnvifServices)
{
    struct Case {
        const char* ns;
        const char* type;
    } cases[] = {
        {"http://www.onvif.org/ver10/device/wsdl", "Device"},
        {"http://www.onvif.org/ver10/deviceIO/wsdl", "DeviceIO"},   // also contains "device"
        {"http://www.onvif.org/ver10/media/wsdl", "Media"},
        {"http://www.onvif.org/ver20/media/wsdl", "Media2"},        // also contains "media"
        {"http://www.onvif.org/ver10/events/wsdl", "Events"},
        {"http://www.onvif.org/ver20/imaging/wsdl", "Imaging"},
        {"http://www.onvif.org/ver20/ptz/wsdl", "PTZ"},
        {"http://www.onvif.org/ver20/analytics/wsdl", "Analytics"},
        {"http://www.onvif.org/ver10/analyticsdevice/wsdl", "Analytics"},   // analytics before device
        {"http://www.onvif.org/ver10/recording/wsdl", "Recording"},
        {"http://www.onvif.org/ver10/search/wsdl", "Search"},
        {"http://www.onvif.org/ver10/replay/wsdl", "Replay"},
        {"HTTP://WWW.ONVIF.ORG/VER20/MEDIA/WSDL", "Media2"},   // letter case does not matter
        {"http://www.onvif.org/ver10/accesscontrol/wsdl", "Unknown"},
        {"", "Unknown"},
        {nullptr, "Unknown"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.type, getServiceTypeByNamespace(c.ns)) << (c.ns ? c.ns : "(null)");
}

} // namespace
