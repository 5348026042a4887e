#include "OnvifProtocolCore/Media2/OnvifMedia2Profile.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

using CommonFields::kProfileTokenIn;

const OnvifField kGetProfilesIn[] = {textField("Token", "./Token"), {}};
const OnvifField kCreateProfileIn[] = {textField("Name", "./Name"), {}};
const OnvifField kDeleteProfileIn[] = {textField("ProfileToken", "./Token"), {}};
const OnvifField kAddConfigurationIn[] = {textField("ProfileToken", "./ProfileToken"), textField("Name", "./Name"), {}};

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
    const Json::Value* list = findKey(req, "Configuration");
    if (!list || list->isNull())
        return 0;
    if (!list->isArray()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] Configuration is not a list\n");
        return -1;
    }
    const std::string typePath = listPath + "/tt:Type", tokenPath = listPath + "/tt:Token";
    for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
        const Json::Value& ref = (*list)[i];
        const std::string type = textOr(ref, "Type", "");
        if (type.empty()) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] Configuration[%u] has no Type\n", i);
            return -1;
        }
        request.set(typePath.c_str(), type.c_str(), true, static_cast<int>(i));
        const std::string token = textOr(ref, "Token", "");
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

// What the information centre keeps of each profile. The multicast port is always there
// (0 without multicast) so that callers can test it without a presence check.
const OnvifField kProfileSummary[] = {
    textField("token", "@token"),
    textField("VideoEncoderConfiguration.token", "Configurations/VideoEncoder/@token"),
    textField("VideoEncoderConfiguration.Encoding", "Configurations/VideoEncoder/Encoding"),
    textField("VideoSourceConfiguration.token", "Configurations/VideoSource/@token"),
    textField("VideoSourceConfiguration.SourceToken", "Configurations/VideoSource/SourceToken"),
    textField("Multicast.Address.IPv4Address", "Configurations/VideoEncoder/Multicast/Address/IPv4Address"),
    intField("Multicast.Port", "Configurations/VideoEncoder/Multicast/Port").always(),
    textField("AudioSourceConfiguration.token", "Configurations/AudioSource/@token"),
    textField("AudioEncoderConfiguration.token", "Configurations/AudioEncoder/@token"),
    textField("AudioEncoderConfiguration.Encoding", "Configurations/AudioEncoder/Encoding"),
    textField("PTZConfiguration.token", "Configurations/PTZ/@token"),
    textField("PTZConfiguration.NodeToken", "Configurations/PTZ/NodeToken"),
    textField("PTZConfiguration.DefaultAbsolutePantTiltPositionSpace",
              "Configurations/PTZ/DefaultAbsolutePantTiltPositionSpace"),
    textField("PTZConfiguration.DefaultAbsoluteZoomPositionSpace", "Configurations/PTZ/DefaultAbsoluteZoomPositionSpace"),
    textField("VideoAnalyticsConfiguration.token", "Configurations/Analytics/@token"),
    textField("AudioOutputConfiguration.token", "Configurations/AudioOutput/@token"),
    textField("AudioDecoderConfiguration.token", "Configurations/AudioDecoder/@token"),
    {},
};
struct CProfilesMap : COnvifFieldMap {
    CProfilesMap() { addList("Profiles", "./Profiles", {kProfileSummary}); }
};
const OnvifField kCreateProfileOut[] = {textField("ProfileToken", "./Token"), {}};

int profilesAnswer(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    ONVIF_LOG(LOG_WARN, "output is : %s\n", response.print().c_str());
    CommonFields::media2EncodingsToMedia(rsp, "Profiles", "VideoEncoderConfiguration.Encoding");
    return 0;
}

constexpr OnvifService kTr2{"tr2", Namespaces::kMedia2};

const OnvifOperation kRows[] = {
    // Bad credentials show here first (the login reads the profiles), hence UNAUTH.
    kTr2("GetProfiles").in(kGetProfilesIn).out(fieldsOf<CProfilesMap>()).flag(OP_UNAUTH_INFO)
        .waits(&CommonFields::kGetProfilesTimeouts).writes(allTypes).reads(profilesAnswer),
    kTr2("CreateProfile").in(kCreateProfileIn).out(kCreateProfileOut).writes(createRefs),
    kTr2("DeleteProfile").in(kDeleteProfileIn),
    kTr2("AddConfiguration").in(kAddConfigurationIn).writes(addRefs),
    kTr2("RemoveConfiguration").in(kProfileTokenIn).writes(removeRefs),
};

} // namespace

const COnvifOperationTable& COnvifMedia2Profile::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
