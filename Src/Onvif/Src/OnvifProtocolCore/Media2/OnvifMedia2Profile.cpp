#include "OnvifProtocolCore/Media2/OnvifMedia2Profile.h"

#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using MediaFields::kEnd;
using Namespaces::kMedia2;

#define IN(key, path) {key, path, FIELD_TEXT, FIELD_DEFAULT, nullptr, nullptr}
const OnvifField kGetProfilesIn[] = {IN("Token", "/tr2:GetProfiles/tr2:Token"), kEnd};
const OnvifField kCreateProfileIn[] = {IN("Name", "./tr2:Name"), kEnd};
const OnvifField kDeleteProfileIn[] = {IN("ProfileToken", "./tr2:Token"), kEnd};
const OnvifField kAddConfigurationIn[] = {IN("ProfileToken", "/tr2:AddConfiguration/tr2:ProfileToken"),
                                          IN("Name", "/tr2:AddConfiguration/tr2:Name"), kEnd};
const OnvifField kRemoveConfigurationIn[] = {IN("ProfileToken", "/tr2:RemoveConfiguration/tr2:ProfileToken"), kEnd};
#undef IN

// Every configuration type, whatever the caller asked for: the profile summary needs
// them all.
int allTypes(CSOAPMessage& request, const Json::Value&)
{
    return request.set("/tr2:GetProfiles/tr2:Type", "All");
}

// The request's "Configuration" array as configuration references (type and optional
// token) at listPath, one "[%d]" element per entry.
int writeConfigurationRefs(CSOAPMessage& request, const Json::Value& req, const std::string& listPath)
{
    const Json::Value* list = MediaFields::findKey(req, "Configuration");
    if (!list || list->isNull())
        return 0;
    if (!list->isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] Configuration is not a list\n");
        return -1;
    }
    const std::string typePath = listPath + "/tt:Type", tokenPath = listPath + "/tt:Token";
    for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
        const Json::Value& ref = (*list)[i];
        const std::string type = MediaFields::textOr(ref, "Type", "");
        if (type.empty()) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] Configuration[%u] has no Type\n", i);
            return -1;
        }
        request.set(typePath.c_str(), type.c_str(), true, static_cast<int>(i));
        const std::string token = MediaFields::textOr(ref, "Token", "");
        if (!token.empty())
            request.set(tokenPath.c_str(), token.c_str(), true, static_cast<int>(i));
    }
    return request.getLastError() == 0 ? 0 : -1;
}

int createRefs(CSOAPMessage& request, const Json::Value& req)
{
    return writeConfigurationRefs(request, req, "/tr2:CreateProfile/tr2:Configuration[%d]");
}
int addRefs(CSOAPMessage& request, const Json::Value& req)
{
    return writeConfigurationRefs(request, req, "/tr2:AddConfiguration/tr2:Configuration[%d]");
}
int removeRefs(CSOAPMessage& request, const Json::Value& req)
{
    return writeConfigurationRefs(request, req, "/tr2:RemoveConfiguration/tr2:Configuration[%d]");
}

const OnvifField kProfilesOut[] = {
    {"Profiles", "./Profiles", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, MediaFields::kMedia2ProfileSummary}, kEnd};
const OnvifField kCreateProfileOut[] = {{"ProfileToken", "./Token", FIELD_TEXT, 0, nullptr, nullptr}, kEnd};

// Media2 names MPEG-4 video "MPV4-ES"; every caller knows it as "MPEG4", as in Media.
int profilesAnswer(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    ONVIF_LOG(LOG_WARN, "output is : %s\n", response.print().c_str());
    Json::Value* profiles = MediaFields::findKey(rsp, "Profiles");
    if (!profiles || !profiles->isArray())
        return 0;
    for (Json::Value& profile : *profiles) {
        Json::Value* encoding = MediaFields::findKey(profile, "VideoEncoderConfiguration.Encoding");
        if (encoding && encoding->isString() && encoding->asString() == "MPV4-ES")
            *encoding = "MPEG4";
    }
    return 0;
}

const OnvifCommandRow kRows[] = {
    // Bad credentials show here first (the login reads the profiles), hence UNAUTH.
    {"GetProfiles",
     {"GetProfiles", "/tr2:GetProfiles", kMedia2, kGetProfilesIn, kProfilesOut, OP_UNAUTH_INFO,
      &kGetProfilesTimeouts, allTypes, profilesAnswer},
     nullptr},
    {"CreateProfile",
     {"CreateProfile", "/tr2:CreateProfile", kMedia2, kCreateProfileIn, kCreateProfileOut, OP_DEFAULT, nullptr,
      createRefs, nullptr},
     nullptr},
    {"DeleteProfile",
     {"DeleteProfile", "/tr2:DeleteProfile", kMedia2, kDeleteProfileIn, nullptr, OP_DEFAULT, nullptr, nullptr,
      nullptr},
     nullptr},
    {"AddConfiguration",
     {"AddConfiguration", "/tr2:AddConfiguration", kMedia2, kAddConfigurationIn, nullptr, OP_DEFAULT, nullptr,
      addRefs, nullptr},
     nullptr},
    {"RemoveConfiguration",
     {"RemoveConfiguration", "/tr2:RemoveConfiguration", kMedia2, kRemoveConfigurationIn, nullptr, OP_DEFAULT,
      nullptr, removeRefs, nullptr},
     nullptr},
};

} // namespace

const COnvifCommandTable& COnvifMedia2Profile::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
