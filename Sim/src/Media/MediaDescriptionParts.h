#pragma once
// Shared by the readers of the media members of a description (MediaDescription.cpp,
// MediaEncoderDescription.cpp, MediaProfileDescription.cpp).
#include "Media/MediaModel.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

struct CMediaBuilder {
    explicit CMediaBuilder(std::string& e) : error(e) {}

    bool ok() const { return error.empty(); }
    void fail(const std::string& where, const std::string& why)
    {
        if (ok())
            error = where + ": " + why;
    }
    // String member or the fallback; a non-string value fails.
    std::string text(const Json::Value& in, const char* key, const std::string& where, const std::string& fallback);
    // Integer member within [min, max] written to out; absent leaves out alone.
    void intMember(const Json::Value& in, const char* key, const std::string& where, int min, int max, Json::Value& out);
    // Appends a configuration, refusing a token its kind already has.
    void addConfig(EConfigKind kind, const Json::Value& config, const std::string& where);
    const Json::Value* findConfig(EConfigKind kind, const std::string& token) const;

    std::string& error;
    Json::Value model{Json::objectValue};
    Json::Value media{Json::objectValue};   // the description's "media" member
    bool videoAnalytics = true;
    // The cell motion engine every analytics configuration carries (media.motionGrid).
    Json::Value motionGrid{Json::objectValue};
    int encoderNumber = 0;     // numbering of encoders made up for channels without profiles
    int profileNumber = 0;
};

// media.videoEncoders and media.audioEncoders (their option sets included).
void ReadEncoders(CMediaBuilder& b, const Json::Value& media);
// A video or audio encoder given inline in a profile or in a media list; adds it and
// returns its token (empty after a failure).
std::string AddVideoEncoder(CMediaBuilder& b, const Json::Value& in, const std::string& where, int channel);
std::string AddAudioEncoder(CMediaBuilder& b, const Json::Value& in, const std::string& where);
// media.osd, media.masks and media.audioDecoders (MediaOverlayDescription.cpp).
void ReadOverlays(CMediaBuilder& b, const Json::Value& media);
// channels[i].profiles, or a main and a sub stream when the channel lists none.
void ReadProfiles(CMediaBuilder& b, const Json::Value& channel, int index);

} // namespace OnvifSim
