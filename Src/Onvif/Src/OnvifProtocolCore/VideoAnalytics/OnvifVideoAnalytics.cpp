#include "OnvifProtocolCore/VideoAnalytics/OnvifVideoAnalytics.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/VideoAnalytics/OnvifAnalyticsRecords.h"

namespace RPC {
namespace Onvif {

namespace {

using CommonFields::kConfigurationTokenIn;

const OnvifField kCapabilities[] = {
    boolField("RuleSupport", "@RuleSupport"),
    boolField("AnalyticsModuleSupport", "@AnalyticsModuleSupport"),
    boolField("CellBasedSceneDescriptionSupported", "@CellBasedSceneDescriptionSupported"),
    {},
};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap() : COnvifFieldMap(NUMBERS_AS_INT_FLAGS_ANY_CASE)
    {
        add("Capabilities", "./Capabilities", {kCapabilities});
    }
};

const OnvifField kDeleteRulesIn[] = {
    textField("ConfigurationToken", "./ConfigurationToken"),
    textListField("RuleName", "./RuleName[%d]"),
    {},
};

constexpr OnvifService kTan{"tan", Namespaces::kAnalytics};

using namespace AnalyticsRecords;

const OnvifOperation kRows[] = {
    kTan("GetRules").in(kConfigurationTokenIn).reads(readRules).failText("GetRulesResponse fail!\n"),
    kTan("GetSupportedRules").in(kConfigurationTokenIn).failText("call GetSupportedRulesResponse fail!\n"),
    kTan("CreateRules").in(kConfigurationTokenIn).writes(writeRules).failText("call CreateRulesResponse fail!\n"),
    kTan("ModifyRules").in(kConfigurationTokenIn).writes(writeRules).failText("ModifyRules fail!\n"),
    kTan("DeleteRules").in(kDeleteRulesIn).failText("DeleteRules fail!\n"),
    kTan("GetSupportedAnalyticsModules")
        .in(kConfigurationTokenIn)
        .reads(readSupportedModules)
        .failText("GetSupportedAnalyticsModules fail!\n"),
    kTan("GetAnalyticsModules").in(kConfigurationTokenIn).reads(readModules).failText("GetAnalyticsModules fail!\n"),
    // Modules come with the device's firmware: a client may tune them but not add or remove.
    kTan("CreateAnalyticsModules").answers(-1, "CreateAnalyticsModules not supported\n"),
    kTan("ModifyAnalyticsModules")
        .in(kConfigurationTokenIn)
        .writes(writeModules)
        .failText("ModifyAnalyticsModules fail!\n"),
    kTan("DeleteAnalyticsModules").answers(-1, "DeleteAnalyticsModules not supported\n"),
    kTan("GetServiceCapabilities").out(fieldsOf<CCapabilitiesMap>()).failText("GetServiceCapabilities fail!\n"),
};

} // namespace

const COnvifOperationTable& COnvifVideoAnalytics::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
