#pragma once
// How a service is plugged into the simulator. A service is a table of operations, each a
// plain function over a CCallContext, plus an optional writer of its capabilities. To add
// one: write Services/<Name>Service.cpp exposing `const CServiceHandler& <Name>Service()`,
// and list it in Services/ServiceList.cpp. The dispatcher has by then checked the path,
// the XML, the credentials and the caller's level; a handler only reads its input, reads or
// changes the device state, and writes its answer (or throws a CSoapFault).
#include "Auth/AuthOutcome.h"
#include "Description/Namespaces.h"
#include "Device/DeviceState.h"
#include "Http/HttpMessage.h"
#include "Soap/SoapFault.h"
#include "Soap/SoapRequest.h"
#include "Soap/XmlAnswer.h"

#include <string>
#include <vector>

namespace OnvifSim {

class CCallContext {
public:
    CCallContext(CDeviceState& state, const CSoapRequest& soap, const CHttpRequest& http,
                 const CConnectionInfo& connection, const CServiceInfo& service, const CAuthOutcome& caller,
                 CXmlAnswer& answer)
        : m_state(state), m_soap(soap), m_http(http), m_connection(connection), m_service(service),
          m_caller(caller), m_answer(answer) {}

    CDeviceState& state() { return m_state; }
    const CDeviceDescription& device() const { return m_state.current; }
    pugi::xml_node input() const { return m_soap.operationNode(); }
    const std::string& operation() const { return m_soap.operation(); }
    const CServiceInfo& service() const { return m_service; }
    const CAuthOutcome& caller() const { return m_caller; }
    const CHttpRequest& http() const { return m_http; }

    // <OperationResponse> in the request element's namespace, added to the Body.
    CXmlNode respond();
    CXmlNode respond(const std::string& ns, const std::string& local) { return m_answer.body().add(ns, local); }
    // "http://host[:port]" as the client should see the device: the advertised host when the
    // description has one (a device behind a mapped port), else the request's Host header.
    std::string baseUrl() const;
    // Full address of an offered service, or empty when the device does not offer it.
    std::string xaddr(const std::string& serviceKey) const;
    // The answer comes later (the written one is dropped): a request that waits for
    // something to happen on the device.
    void defer(std::shared_ptr<IDeferredAnswer> answer) { m_deferred = std::move(answer); }
    const std::shared_ptr<IDeferredAnswer>& deferred() const { return m_deferred; }
    const CDeviceDescription& description() const { return m_state.current; }

private:
    CDeviceState& m_state;
    const CSoapRequest& m_soap;
    const CHttpRequest& m_http;
    const CConnectionInfo& m_connection;
    const CServiceInfo& m_service;
    const CAuthOutcome& m_caller;
    CXmlAnswer& m_answer;
    std::shared_ptr<IDeferredAnswer> m_deferred;
};

using FOperation = void (*)(CCallContext&);

struct COperation {
    const char* name;
    EUserLevel minLevel;   // least privileged level allowed to call it
    FOperation run;
    // Namespace of the request element when it is not the service's own: the DeviceIO
    // service takes some requests in the device namespace.
    const char* ns = nullptr;
};

struct CServiceHandler {
    const char* key;                       // service key as in ServiceCatalog()
    std::vector<COperation> operations;
    // Writes the service's capabilities element (for GetServices IncludeCapability); may be null.
    void (*writeCapabilities)(CCallContext&, CXmlNode parent);
};

// Every service with a handler; a service offered without one answers ActionNotSupported.
const std::vector<const CServiceHandler*>& ServiceHandlers();
const CServiceHandler* FindServiceHandler(const std::string& key);

// Input helpers for handlers: a bad value becomes the fault a device sends.
bool ParseXsBoolean(const std::string& text, bool& value);

} // namespace OnvifSim
