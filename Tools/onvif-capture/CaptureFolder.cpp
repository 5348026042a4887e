#include "CaptureFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace OnvifCapture {

namespace fs = std::filesystem;

namespace {

bool WriteFile(const std::string& path, const std::string& bytes, std::string& error)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file)
        file.close();
    if (!file) {
        error = path + ": cannot write (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

} // namespace

bool PrepareCaptureFolder(const std::string& dir, bool& made, std::string& error)
{
    std::error_code ec;
    made = false;
    if (fs::exists(dir, ec)) {
        if (!fs::is_directory(dir, ec)) {
            error = dir + ": not a folder";
            return false;
        }
        if (!fs::is_empty(dir, ec) || ec) {
            error = dir + ": not empty; a capture needs a new or empty folder";
            return false;
        }
        return true;
    }
    if (!fs::create_directories(dir, ec) || ec) {
        error = dir + ": cannot make the folder (" + ec.message() + ")";
        return false;
    }
    made = true;
    return true;
}

void RemoveEmptyFolder(const std::string& dir)
{
    std::error_code ec;
    if (fs::is_empty(dir, ec) && !ec)
        fs::remove(dir, ec);
}

bool WriteCaptureFolder(const std::string& dir, const std::vector<CCaptureRecord>& records, Json::Value manifest,
                        std::string& error)
{
    Json::Value& responses = manifest["responses"];
    responses = Json::Value(Json::objectValue);
    for (const CCaptureRecord& record : records) {
        if (!WriteFile(dir + "/" + record.name + ".xml", record.body, error))
            return false;
        responses[record.name]["status"] = record.status;
        responses[record.name]["contentType"] = record.contentType;
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "  ";
    return WriteFile(dir + "/manifest.json", Json::writeString(writer, manifest) + "\n", error);
}

} // namespace OnvifCapture
