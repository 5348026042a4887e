#include "OnvifProtocolCore/DeviceManagement/OnvifSecurity.h"

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRequestRecords.h"

namespace RPC {
namespace Onvif {

namespace {

// ---- Users ---------------------------------------------------------------------------

const OnvifField kUser[] = {
    textField("Username", "Username"),
    textField("Password", "Password"),
    textField("UserLevel", "UserLevel"),
    {},
};
struct CUsersOut : COnvifFieldMap {
    CUsersOut() { addList("User", "./User", {kUser}); }
};
// An empty password (a level change) sends no Password element at all.
struct CUsersIn : COnvifFieldMap {
    CUsersIn() { addRequest("", "./tds:User[%d]", {kUser}); }
};
int writeUsers(CSOAPMessage& msg, const Json::Value& req)
{
    return writeRecordList(msg, req, "User", fieldsOf<CUsersIn>());
}
const OnvifField kUsernamesIn[] = {textListField("Username", "./tds:Username[%d]"), {}};

// ---- Access policy, remote user, endpoint ------------------------------------------------

const OnvifField kPolicyFileOut[] = {
    textField("PolicyFile.Data", "./PolicyFile/Data"),
    textField("PolicyFile.contentType", "./PolicyFile/@contentType"),
    {},
};
const OnvifField kPolicyFileIn[] = {
    textField("PolicyFile.Data", "./tds:PolicyFile/tt:Data"),
    textField("PolicyFile.contentType", "./tds:PolicyFile/@contentType"),
    {},
};
const OnvifField kRemoteUserOut[] = {
    textField("Username", "./RemoteUser/Username"),
    textField("Password", "./RemoteUser/Password"),
    boolField("UseDerivedPassword", "./RemoteUser/UseDerivedPassword"),
    {},
};
const OnvifField kRemoteUserIn[] = {
    textField("Username", "./tds:RemoteUser/tt:Username"),
    textField("Password", "./tds:RemoteUser/tt:Password"),
    boolField("UseDerivedPassword", "./tds:RemoteUser/tt:UseDerivedPassword"),
    {},
};
const OnvifField kEndpointOut[] = {textField("GUID", "./GUID"), {}};

// ---- Certificates --------------------------------------------------------------------

const OnvifField kCertificate[] = {
    textField("CertificateID", "CertificateID"),
    textField("Certificate.Data", "Certificate/Data"),
    textField("Certificate.contentType", "Certificate/@contentType"),
    {},
};
struct CNvtCertificatesOut : COnvifFieldMap {
    CNvtCertificatesOut() { addList("NvtCertificate", "./NvtCertificate", {kCertificate}); }
};
struct CCACertificatesOut : COnvifFieldMap {
    CCACertificatesOut() { addList("CACertificate", "./CACertificate", {kCertificate}); }
};
struct CCreatedCertificateOut : COnvifFieldMap {
    CCreatedCertificateOut() { add("NvtCertificate", "./NvtCertificate", {kCertificate}); }
};
const OnvifField kCreateCertificateIn[] = {
    textField("CertificateID", "./tds:CertificateID"),
    textField("Subject", "./tds:Subject"),
    textField("ValidNotBefore", "./tds:ValidNotBefore"),
    textField("ValidNotAfter", "./tds:ValidNotAfter"),
    {},
};

const OnvifField kCertificateStatus[] = {textField("CertificateID", "CertificateID"), boolField("Status", "Status"), {}};
struct CCertificatesStatusOut : COnvifFieldMap {
    CCertificatesStatusOut() { addList("CACertificate", "./CACertificate", {kCertificateStatus}); }
};
struct CCertificatesStatusIn : COnvifFieldMap {
    CCertificatesStatusIn() { addRequest("", "./tds:CertificateStatus[%d]", {kCertificateStatus}); }
};
int writeCertificatesStatus(CSOAPMessage& msg, const Json::Value& req)
{
    return writeRecordList(msg, req, "CertificateStatus", fieldsOf<CCertificatesStatusIn>());
}

const OnvifField kPkcs10In[] = {
    textField("CertificateID", "./tds:CertificateID"),
    textField("Subject", "./tds:Subject"),
    {},
};
const OnvifField kEnabledOut[] = {boolField("Enabled", "./Enabled"), {}};
const OnvifField kEnabledIn[] = {boolField("Enabled", "./tds:Enabled"), {}};
const OnvifField kCertificateIdsIn[] = {textListField("CertificateID", "./tds:CertificateID[%d]"), {}};
const OnvifField kCertificateIdIn[] = {textField("CertificateID", "./tds:CertificateID"), {}};

// Key usages carry their criticality as an attribute beside the usage text.
const OnvifField kCertificateInformationOut[] = {
    textField("CertificateInformation.CertificateID", "./CertificateInformation/CertificateID"),
    textField("CertificateInformation.IssuerDN", "./CertificateInformation/IssuerDN"),
    textField("CertificateInformation.SubjectDN", "./CertificateInformation/SubjectDN"),
    boolField("CertificateInformation.KeyUsage.Critical", "./CertificateInformation/KeyUsage/@Critical"),
    textField("CertificateInformation.KeyUsage.Usage", "./CertificateInformation/KeyUsage"),
    boolField("CertificateInformation.ExtendedKeyUsage.Critical", "./CertificateInformation/ExtendedKeyUsage/@Critical"),
    textField("CertificateInformation.ExtendedKeyUsage.Usage", "./CertificateInformation/ExtendedKeyUsage"),
    intField("CertificateInformation.KeyLength", "./CertificateInformation/KeyLength"),
    intField("CertificateInformation.Version", "./CertificateInformation/Version"),
    textField("CertificateInformation.SerialNum", "./CertificateInformation/SerialNum"),
    textField("CertificateInformation.SignatureAlgorithm", "./CertificateInformation/SignatureAlgorithm"),
    textField("CertificateInformation.Validity.From", "./CertificateInformation/Validity/From"),
    textField("CertificateInformation.Validity.Until", "./CertificateInformation/Validity/Until"),
    {},
};

// ---- IEEE 802.1X -----------------------------------------------------------------------

const OnvifField kDot1X[] = {
    textField("Dot1XConfigurationToken", "Dot1XConfigurationToken"),
    textField("Identity", "Identity"),
    textField("AnonymousID", "AnonymousID"),
    intField("EAPMethod", "EAPMethod"),
    textListField("CACertificateID", "CACertificateID[%d]"),
    textField("EAPMethodConfiguration.TLSConfiguration.CertificateID", "EAPMethodConfiguration/TLSConfiguration/CertificateID"),
    textField("EAPMethodConfiguration.Password", "EAPMethodConfiguration/Password"),
    {},
};
struct CDot1XOut : COnvifFieldMap {
    CDot1XOut() { add("Dot1XConfiguration", "./Dot1XConfiguration", {kDot1X}); }
};
struct CDot1XListOut : COnvifFieldMap {
    CDot1XListOut() { addList("Dot1XConfiguration", "./Dot1XConfiguration", {kDot1X}); }
};
struct CDot1XIn : COnvifFieldMap {
    CDot1XIn() { addRequest("Dot1XConfiguration", "./tds:Dot1XConfiguration", {kDot1X}); }
};
const OnvifField kDot1XTokenIn[] = {textField("Dot1XConfigurationToken", "./tds:Dot1XConfigurationToken"), {}};
const OnvifField kDot1XTokensIn[] = {
    textListField("Dot1XConfigurationToken", "./tds:Dot1XConfigurationToken[%d]"),
    {},
};

// Every answer without its response element says which one it missed.
constexpr OnvifService kTds{"tds", Namespaces::kDevice};
constexpr OnvifOperation security(const char* command) { return kTds(command).flag(OP_LOG_RESPONSE_FAIL); }
constexpr OnvifOperation security(const char* command, const char* operation)
{
    return kTds(command, operation).flag(OP_LOG_RESPONSE_FAIL);
}

const OnvifOperation kRows[] = {
    security("GetAccessPolicy").out(kPolicyFileOut),
    security("SetAccessPolicy").in(kPolicyFileIn),
    security("GetUsers").out(fieldsOf<CUsersOut>()),
    security("CreateUsers").writes(writeUsers),
    security("DeleteUsers").in(kUsernamesIn),
    security("SetUser").writes(writeUsers),
    security("CreateDot1XConfiguration").in(fieldsOf<CDot1XIn>()),
    security("SetDot1XConfiguration").in(fieldsOf<CDot1XIn>()),
    security("GetDot1XConfiguration").in(kDot1XTokenIn).out(fieldsOf<CDot1XOut>()),
    security("GetDot1XConfigurations").out(fieldsOf<CDot1XListOut>()),
    security("DeleteDot1XConfigurations", "DeleteDot1XConfiguration").in(kDot1XTokensIn),
    security("CreateCertificate").in(kCreateCertificateIn).out(fieldsOf<CCreatedCertificateOut>()),
    security("GetCertificates").out(fieldsOf<CNvtCertificatesOut>()),
    security("GetCACertificates").out(fieldsOf<CCACertificatesOut>()),
    security("GetCertificatesStatus").out(fieldsOf<CCertificatesStatusOut>()),
    security("SetCertificatesStatus").writes(writeCertificatesStatus),
    security("GetPkcs10Request").in(kPkcs10In),
    security("GetClientCertificateMode").out(kEnabledOut),
    security("SetClientCertificateMode").in(kEnabledIn),
    security("LoadCACertificates"),
    security("DeleteCertificates").in(kCertificateIdsIn),
    security("GetRemoteUser").out(kRemoteUserOut),
    security("SetRemoteUser").in(kRemoteUserIn),
    security("GetEndpointReference").out(kEndpointOut),
};

const OnvifOperation kUnlistedRows[] = {
    security("GetCertificateInformation").in(kCertificateIdIn).out(kCertificateInformationOut),
    security("LoadCertificateWithPrivateKey"),
    security("LoadCertificates").in(kCertificateIdIn),
};

} // namespace

const COnvifOperationTable& COnvifSecurity::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

const COnvifOperationTable& COnvifSecurity::unlistedOperations()
{
    static const COnvifOperationTable table(kUnlistedRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
