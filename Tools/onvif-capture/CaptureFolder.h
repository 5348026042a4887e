#pragma once
// The capture on disk, in the layout onvif-sim --replay reads: one "<service>.<Action>.xml"
// per answer, as the device sent it (after cleaning), and manifest.json with each
// answer's status and content type plus what the capture knows about itself.
#include <json/json.h>

#include <string>
#include <vector>

namespace OnvifCapture {

struct CCaptureRecord {
    std::string name;          // "media.GetProfiles"
    int status = 200;
    std::string contentType;
    std::string body;
};

// The folder must be new or empty, so a capture never mixes with an older one; a missing
// folder is made (*made says so). False with "<dir>: <reason>".
bool PrepareCaptureFolder(const std::string& dir, bool& made, std::string& error);
// Takes back a folder PrepareCaptureFolder made when nothing came to fill it.
void RemoveEmptyFolder(const std::string& dir);

// Writes every record and the manifest: `manifest` with "responses" added. False with
// "<file>: <reason>" at the first file that cannot be written.
bool WriteCaptureFolder(const std::string& dir, const std::vector<CCaptureRecord>& records, Json::Value manifest,
                        std::string& error);

} // namespace OnvifCapture
