#pragma once
// The host's on-screen-display questions for one device: what a channel's picture can show
// (time, channel title, custom titles), and, through the remote manager, the font sizes
// and (our own additions) the OSDs themselves.
#include <json/json.h>

#include <string>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IOSDManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Function::OSDManager";

    // caps[0]: {"Channel", "SupportTimeTitle", "SupportTimeTitleFormat", "SupportChannelTitle",
    // "SupportCustomTitle"}.
    virtual bool getOSDCaps(int channel, Json::Value& caps) { return notSupportedSlot(); }
};

class IRemoteOSDManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Function::RemoteOSDManager";

    // request {"CapName": "FontSize", "Channel"}: caps {"Support", "SupportMinSize", "SupportMaxSize"}.
    virtual bool getCaps(const Json::Value& request, Json::Value& caps) { return notSupportedSlot(); }

    // The OSDs of a channel's picture, as ONVIF describes them: [{"token", "Type" ("Text"
    // or "Image"), "Position" {"Type" ("UpperLeft", ..., "Custom"), "Pos" {"x", "y"}},
    // "TextString" {"Type" ("Plain", "Date", "Time", "DateAndTime"), "PlainText",
    // "DateFormat", "TimeFormat", "FontSize", ...}, "Image" {"ImgPath"}}, ...].
    virtual bool getOSDs(int channel, Json::Value& osds) { return notSupportedSlot(); }
    // Adds an OSD (the record above without "token") to the channel; token receives the
    // device's name for it.
    virtual bool createOSD(int channel, const Json::Value& osd, std::string& token) { return notSupportedSlot(); }
    virtual bool setOSD(int channel, const Json::Value& osd) { return notSupportedSlot(); }
    virtual bool deleteOSD(int channel, const std::string& token) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
