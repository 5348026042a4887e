#include "CannedDevice.h"

#include <ctime>
#include <regex>

#include "DeviceAnswers.h"

namespace OnvifTest {

CannedDevice::CannedDevice(Options options) : m_options(std::move(options))
{
    m_server = std::make_unique<LoopbackHttpServer>([this](const HttpRequest& r, size_t) { return handle(r); });
}

void CannedDevice::answer(const std::string& operation, const std::string& bodyXml)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bodyXml.empty())
        m_answers.erase(operation);
    else
        m_answers[operation] = bodyXml;
}

void CannedDevice::override(const std::string& operation, std::function<HttpReply(const HttpRequest&)> reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overrides[operation] = std::move(reply);
}

size_t CannedDevice::count(const std::string& operation) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_counts.find(operation);
    return it == m_counts.end() ? 0 : it->second;
}

std::string CannedDevice::operationOf(const std::string& body)
{
    static const std::regex kFirst(R"(<(?:[\w.-]+:)?Body(?:\s[^>]*)?>\s*<(?:[\w.-]+:)?([\w.-]+))");
    std::smatch m;
    return std::regex_search(body, m, kFirst) ? m[1].str() : std::string();
}

bool CannedDevice::createdFresh(const std::string& body) const
{
    struct tm tm {};
    std::string created = elementText(body, "Created");
    if (!strptime(created.c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm))
        return false;
    long long deviceNow = static_cast<long long>(time(nullptr)) + m_options.clockOffsetSeconds;
    long long skew = static_cast<long long>(timegm(&tm)) - deviceNow;
    return skew <= m_options.createdToleranceSeconds && -skew <= m_options.createdToleranceSeconds;
}

HttpReply CannedDevice::handle(const HttpRequest& request)
{
    const std::string op = operationOf(request.body);
    std::function<HttpReply(const HttpRequest&)> custom;
    std::string answerXml;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_counts[op];
        auto o = m_overrides.find(op);
        if (o != m_overrides.end())
            custom = o->second;
        auto a = m_answers.find(op);
        if (a != m_answers.end())
            answerXml = a->second;
    }
    if (custom)
        return custom(request);
    const bool anonymous = op == "GetSystemDateAndTime" ||
                           (m_options.anonymousDiscovery && (op == "GetServices" || op == "GetCapabilities"));
    if (m_options.requireAuth && !anonymous &&
        (!wsseDigestValid(request.body, m_options.user, m_options.password) || !createdFresh(request.body)))
        return notAuthorizedFault(m_options.refusalStatus);
    if (answerXml.empty())
        return HttpReply::soap(500, soapFault("ter:ActionNotSupported", "Unknown action " + op));
    return HttpReply::soap(200, soapEnvelope(answerXml));
}

void CannedDevice::loadDefaultCamera()
{
    time_t now = time(nullptr) + static_cast<time_t>(m_options.clockOffsetSeconds);
    struct tm tm {};
    gmtime_r(&now, &tm);
    char clock[512];
    std::snprintf(clock, sizeof clock,
                  "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                  "<tt:DateTimeType>Manual</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings>"
                  "<tt:TimeZone><tt:TZ>CST-8</tt:TZ></tt:TimeZone><tt:UTCDateTime>"
                  "<tt:Time><tt:Hour>%d</tt:Hour><tt:Minute>%d</tt:Minute><tt:Second>%d</tt:Second></tt:Time>"
                  "<tt:Date><tt:Year>%d</tt:Year><tt:Month>%d</tt:Month><tt:Day>%d</tt:Day></tt:Date>"
                  "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>",
                  tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    answer("GetSystemDateAndTime", clock);
    const std::string base = "http://127.0.0.1:" + std::to_string(port());
    answer("GetServices",
           "<tds:GetServicesResponse>"
           "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl</tds:Namespace><tds:XAddr>" +
               base + "/onvif/device_service</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor>"
                      "</tds:Version></tds:Service>"
                      "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace><tds:XAddr>" +
               base + "/onvif/media_service</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor>"
                      "</tds:Version></tds:Service></tds:GetServicesResponse>");
    answer("GetCapabilities", "<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device><tt:XAddr>" + base +
                                  "/onvif/device_service</tt:XAddr></tt:Device><tt:Media><tt:XAddr>" + base +
                                  "/onvif/media_service</tt:XAddr></tt:Media></tds:Capabilities>"
                                  "</tds:GetCapabilitiesResponse>");
    const char* profile =
        "<trt:Profiles token=\"%s\" fixed=\"true\"><tt:Name>%s</tt:Name>"
        "<tt:VideoSourceConfiguration token=\"vsc0\"><tt:Name>vsc</tt:Name><tt:UseCount>2</tt:UseCount>"
        "<tt:SourceToken>video0</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"1920\" height=\"1080\"/>"
        "</tt:VideoSourceConfiguration>"
        "<tt:VideoEncoderConfiguration token=\"%s\"><tt:Name>enc</tt:Name><tt:UseCount>1</tt:UseCount>"
        "<tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>%d</tt:Width><tt:Height>%d</tt:Height>"
        "</tt:Resolution><tt:Quality>5</tt:Quality></tt:VideoEncoderConfiguration></trt:Profiles>";
    char main[1024], sub[1024];
    std::snprintf(main, sizeof main, profile, "Profile_1", "mainStream", "venc0", 1920, 1080);
    std::snprintf(sub, sizeof sub, profile, "Profile_2", "subStream", "venc1", 640, 360);
    answer("GetProfiles", std::string("<trt:GetProfilesResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">") +
                              main + sub + "</trt:GetProfilesResponse>");
}

} // namespace OnvifTest
