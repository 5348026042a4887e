#include "OnvifFramework/Utility/OnvifNamespaces.h"

#include <cstring>

namespace RPC {
namespace Onvif {
namespace Namespaces {

namespace {
// Each entry once, so a typo can only be made in one place.
#define NS(name, prefix, uri) constexpr NSEntry name{prefix, uri}
NS(xsi, "xsi", "http://www.w3.org/2001/XMLSchema-instance");
NS(xsd, "xsd", "http://www.w3.org/2001/XMLSchema");
NS(wsu, "wsu", "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd");
NS(wsse, "wsse", "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd");
NS(wsa5, "wsa5", "http://www.w3.org/2005/08/addressing");
NS(xmime, "xmime", "http://tempuri.org/xmime.xsd");
NS(xop, "xop", "http://www.w3.org/2004/08/xop/include");
NS(wsnt, "wsnt", "http://docs.oasis-open.org/wsn/b-2");
NS(wsrfbf, "wsrf-bf", "http://docs.oasis-open.org/wsrf/bf-2");
NS(wstop, "wstop", "http://docs.oasis-open.org/wsn/t-1");
NS(tt, "tt", "http://www.onvif.org/ver10/schema");
NS(tds, "tds", "http://www.onvif.org/ver10/device/wsdl");
NS(trt, "trt", "http://www.onvif.org/ver10/media/wsdl");
NS(tr2, "tr2", "http://www.onvif.org/ver20/media/wsdl");
NS(tptz, "tptz", "http://www.onvif.org/ver20/ptz/wsdl");
NS(timg, "timg", "http://www.onvif.org/ver20/imaging/wsdl");
NS(tmd, "tmd", "http://www.onvif.org/ver10/deviceIO/wsdl");
NS(tev, "tev", "http://www.onvif.org/ver10/events/wsdl");
NS(tev0, "tev0", "http://www.onvif.org/ver10/events/wsdl/PullPointSubscriptionBinding");
NS(tev1, "tev1", "http://www.onvif.org/ver10/events/wsdl/EventBinding");
NS(tev2, "tev2", "http://www.onvif.org/ver10/events/wsdl/SubscriptionManagerBinding");
NS(tev3, "tev3", "http://www.onvif.org/ver10/events/wsdl/NotificationProducerBinding");
NS(tev4, "tev4", "http://www.onvif.org/ver10/events/wsdl/NotificationConsumerBinding");
NS(tev5, "tev5", "http://www.onvif.org/ver10/events/wsdl/PullPointBinding");
NS(tev6, "tev6", "http://www.onvif.org/ver10/events/wsdl/CreatePullPointBinding");
NS(tev7, "tev7", "http://www.onvif.org/ver10/events/wsdl/PausableSubscriptionManagerBinding");
NS(trc, "trc", "http://www.onvif.org/ver10/recording/wsdl");
NS(tse, "tse", "http://www.onvif.org/ver10/search/wsdl");
NS(trp, "trp", "http://www.onvif.org/ver10/replay/wsdl");
NS(tan, "tan", "http://www.onvif.org/ver20/analytics/wsdl");
NS(tan0, "tan0", "http://www.onvif.org/ver20/analytics/wsdl/RuleEngineBinding");
NS(tan1, "tan1", "http://www.onvif.org/ver20/analytics/wsdl/AnalyticsEngineBinding");
NS(tns1, "tns1", "http://www.onvif.org/ver10/topics");
NS(wsrfr, "wsrf-r", "http://docs.oasis-open.org/wsrf/r-2");
NS(c14n, "c14n", "http://www.w3.org/2001/10/xml-exc-c14n#");
NS(xenc, "xenc", "http://www.w3.org/2001/04/xmlenc#");
NS(ds, "ds", "http://www.w3.org/2000/09/xmldsig#");
NS(ter, "ter", "http://www.onvif.org/ver10/error");
NS(xs, "xs", "http://www.w3.org/2001/XMLSchema");
#undef NS
constexpr NSEntry kEnd{nullptr, nullptr};
} // namespace

// The eleven entries most tables start with.
#define BASE_SET xsi, xsd, wsu, wsse, wsa5, xmime, xop, wsnt, wsrfbf, wstop, tt
// Recording services declare tt before the notification entries.
#define RECORDING_BASE_SET xsi, xsd, wsu, wsse, wsa5, xmime, xop, tt, wsnt, wsrfbf, wstop

const NSEntry kDevice[] = {BASE_SET, tds, kEnd};
const NSEntry kDeviceIO[] = {BASE_SET, trt, tmd, tds, kEnd};
const NSEntry kImaging[] = {BASE_SET, timg, kEnd};
const NSEntry kPtz[] = {BASE_SET, tptz, trt, kEnd};
const NSEntry kRecordingCtl[] = {RECORDING_BASE_SET, trc, kEnd};
const NSEntry kRecordingSearch[] = {RECORDING_BASE_SET, tse, kEnd};
const NSEntry kReplay[] = {RECORDING_BASE_SET, trp, kEnd};
const NSEntry kAnalytics[] = {BASE_SET, tan0, tan1, tan, kEnd};
const NSEntry kEvent[] = {xsi, xsd, wsu, wsse, wsa5, wstop, wsnt, wsrfbf, wsrfr, tev,
                          tev0, tev1, tev2, tev3, tev4, tev5, tev6, tev7, tt, tns1, kEnd};
const NSEntry kMedia[] = {xsi, xsd, c14n, wsu, xenc, ds, wsse, wsa5, xmime, xop,
                          wsrfbf, wstop, tt, wsrfr, tds, trt, tns1, kEnd};
const NSEntry kMedia2[] = {wsu, wsse, ter, xs, tt, tr2, tns1, kEnd};
const NSEntry kFull[] = {xsi, xsd, wsa5, c14n, wsu, xenc, ds, wsse, xmime, xop, tt, wsrfbf, wstop, wsrfr,
                         tds, tev0, tev1, tev, tev2, tev3, tev4, tev5, tev6, tev7, wsnt, timg, tptz, trt,
                         tns1, tan, tmd, kEnd};

#undef BASE_SET
#undef RECORDING_BASE_SET

size_t tableSize(const NSEntry* table)
{
    size_t n = 0;
    while (table && table[n].prefix)
        ++n;
    return n;
}

const char* findUri(const NSEntry* table, const char* prefix)
{
    for (size_t i = 0; table && prefix && table[i].prefix; ++i)
        if (std::strcmp(table[i].prefix, prefix) == 0)
            return table[i].uri;
    return nullptr;
}

} // namespace Namespaces
} // namespace Onvif
} // namespace RPC
