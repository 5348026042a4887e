#include "OnvifFramework/Utility/OnvifRecordingFields.h"

#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {
namespace RecordingFields {

const OnvifField kTrackInformation[] = {
    textField("TrackToken", "TrackToken"),
    textField("TrackType", "TrackType"),
    textField("Description", "Description"),
    textField("DataFrom", "DataFrom"),
    textField("DataTo", "DataTo"),
    {},
};

const OnvifField kRecordingSource[] = {
    textField("Source.SourceId", "Source/SourceId"),
    textField("Source.Name", "Source/Name"),
    textField("Source.Location", "Source/Location"),
    textField("Source.Description", "Source/Description"),
    textField("Source.Address", "Source/Address"),
    {},
};

const OnvifField kRecordingInformation[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("EarliestRecording", "EarliestRecording"),
    textField("LatestRecording", "LatestRecording"),
    textField("Content", "Content"),
    recordListField("Track", "Track", kTrackInformation),
    textField("RecordingStatus", "RecordingStatus"),
    {},
};

const OnvifField kRecordingContent[] = {
    textField("Content", "Content"),
    textField("MaximumRetentionTime", "MaximumRetentionTime"),
    {},
};

const OnvifField kJobTrack[] = {textField("SourceTag", "SourceTag"), textField("Destination", "Destination"), {}};

namespace {
const OnvifField kJobSource[] = {
    textField("SourceToken.Token", "SourceToken/Token"),
    textField("SourceToken.Type", "SourceToken/@Type"),
    boolField("AutoCreateReceiver", "AutoCreateReceiver").loose(),
    recordListField("Tracks", "Tracks", kJobTrack),
    {},
};
} // namespace

const OnvifField kJobConfiguration[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("Mode", "Mode"),
    intField("Priority", "Priority"),
    recordListField("Source", "Source", kJobSource),
    {},
};

namespace {

bool hasText(const Json::Value& v)
{
    return (v.isString() && !v.asString().empty()) || v.isBool() || v.isNumeric();
}

// A value as element text: flags as "true"/"false", numbers in their shortest form.
std::string asText(const Json::Value& v)
{
    if (v.isBool())
        return v.asBool() ? "true" : "false";
    return v.asString();
}

int setText(CSOAPMessage& msg, const char* path, const Json::Value* v, int i, int j = -1)
{
    if (!v || !hasText(*v))
        return 0;
    return msg.set(path, asText(*v).c_str(), true, i, j);
}

} // namespace

int writeJobConfiguration(CSOAPMessage& request, const Json::Value& req)
{
    const Json::Value* sources = findKey(req, "JobConfiguration.Source");
    if (!sources || sources->isNull())
        return 0;
    if (!sources->isArray())
        return -1;
    for (Json::ArrayIndex i = 0; i < sources->size(); ++i) {
        const Json::Value& source = (*sources)[i];
        if (!source.isObject())
            return -1;
        const int si = static_cast<int>(i);
        if (setText(request, "./trc:JobConfiguration/tt:Source[%d]/tt:SourceToken/tt:Token",
                    findKey(source, "SourceToken.Token"), si) != 0 ||
            setText(request, "./trc:JobConfiguration/tt:Source[%d]/tt:AutoCreateReceiver",
                    findKey(source, "AutoCreateReceiver"), si) != 0)
            return -1;
        const Json::Value* tracks = findKey(source, "Tracks");
        if (!tracks || tracks->isNull())
            continue;
        if (!tracks->isArray())
            return -1;
        for (Json::ArrayIndex j = 0; j < tracks->size(); ++j) {
            const Json::Value& track = (*tracks)[j];
            const int tj = static_cast<int>(j);
            if (!track.isObject() ||
                setText(request, "./trc:JobConfiguration/tt:Source[%d]/tt:Tracks[%d]/tt:SourceTag",
                        findKey(track, "SourceTag"), si, tj) != 0 ||
                setText(request, "./trc:JobConfiguration/tt:Source[%d]/tt:Tracks[%d]/tt:Destination",
                        findKey(track, "Destination"), si, tj) != 0)
                return -1;
        }
    }
    return 0;
}

} // namespace RecordingFields
} // namespace Onvif
} // namespace RPC
