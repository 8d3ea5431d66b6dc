#pragma once

#include "server/Http.h"
#include "server/IServidorOffLine.h"
#include "server/Xml.h"

#include <string>
#include <vector>

namespace server {

// The SOAP client object: its settings, the service description loaded at
// the first need after each set-up, the endpoint and SOAP action of each
// call, and the HTTP connection kept open between calls.
class ServidorOffLine : public SoapCaller {
public:
    ServidorOffLine();

    // Forgets the loaded description (and, when an endpoint is held and the
    // new location is not empty, closes the connection); clears Service and Port.
    void setWSDLLocation(const std::string& location);
    const std::string& WSDLLocation() const { return location_; }

    std::string Service;
    std::string Port;
    HttpSettings http; // proxy, user name, password; time-outs; login prompt

    // The service interface; sets the fallback SOAP action
    // ("urn:ServidorOffLineIntf-IServidorOffLine#").
    IServidorOffLine& GetIServidorOffLine();

    std::string operationNamespace(const Operation& op) override;
    std::string call(const Operation& op, const std::string& request) override;

    // What the last call used (tests and the log of the reference server).
    const std::string& soapAction() const { return action_; }
    const std::string& endpoint() const { return endpoint_; }
    const HttpConnection& connection() const { return connection_; }

private:
    struct Binding {
        xmlNodePtr port = nullptr;
        xmlNodePtr binding = nullptr;
    };
    void loadDescription();
    xmlDocPtr loadDocument(const std::string& location);
    bool loadNextImport();
    Binding findBinding(bool choose);
    xmlNodePtr bindingOperation(xmlNodePtr binding, const std::string& name) const;

    std::string location_;
    std::vector<DocPtr> documents_;
    std::vector<std::string> pendingImports_;
    std::string action_;
    std::string endpoint_;
    HttpConnection connection_;
    IServidorOffLine interface_{*this};
};

} // namespace server
