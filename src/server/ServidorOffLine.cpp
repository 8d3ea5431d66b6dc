#include "ServidorOffLine.h"

#include "platform/Error.h"

#include <libxml/uri.h>

#include <fstream>
#include <sstream>

namespace server {
namespace {

constexpr const char* kWsdl = "http://schemas.xmlsoap.org/wsdl/";
constexpr const char* kSoapBinding = "http://schemas.xmlsoap.org/wsdl/soap/";
constexpr const char* kHttpBinding = "http://schemas.xmlsoap.org/wsdl/http/";

std::string S(const xmlChar* s) {
    return s ? reinterpret_cast<const char*>(s) : "";
}
const xmlChar* X(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

std::string attr(xmlNodePtr n, const char* name) {
    xmlChar* v = xmlGetNoNsProp(n, X(name));
    std::string out = S(v);
    xmlFree(v);
    return out;
}

bool is(xmlNodePtr n, const char* ns, const char* local) {
    return n && n->type == XML_ELEMENT_NODE && n->ns && S(n->ns->href) == ns && S(n->name) == local;
}

std::vector<xmlNodePtr> children(xmlNodePtr n, const char* ns, const char* local) {
    std::vector<xmlNodePtr> out;
    for (xmlNodePtr c = n ? n->children : nullptr; c; c = c->next)
        if (is(c, ns, local))
            out.push_back(c);
    return out;
}

std::string targetNamespace(xmlNodePtr node) {
    return attr(xmlDocGetRootElement(node->doc), "targetNamespace");
}

// A QName attribute resolved against the declarations in scope at `node`:
// an unprefixed name belongs to the description's target namespace.
std::pair<std::string, std::string> qname(xmlNodePtr node, const std::string& value) {
    const auto colon = value.find(':');
    if (colon == std::string::npos)
        return {targetNamespace(node), value};
    xmlNsPtr ns = xmlSearchNs(node->doc, node, X(value.substr(0, colon).c_str()));
    return {ns ? S(ns->href) : "", value.substr(colon + 1)};
}

std::string trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    const auto b = s.find_first_not_of(blanks);
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

ServidorOffLine::ServidorOffLine() = default;

void ServidorOffLine::setWSDLLocation(const std::string& location) {
    if (!endpoint_.empty() && !location.empty()) {
        endpoint_.clear();
        connection_.close();
    }
    location_ = location;
    documents_.clear();
    pendingImports_.clear();
    Service.clear();
    Port.clear();
}

IServidorOffLine& ServidorOffLine::GetIServidorOffLine() {
    action_ = std::string(kInterfaceNamespace) + "#";
    return interface_;
}

xmlDocPtr ServidorOffLine::loadDocument(const std::string& location) {
    try {
        const std::string where = trim(location);
        std::string content;
        if (startsWithNoCase(where, "http://") || startsWithNoCase(where, "https://")) {
            content = httpGet(where, http);
        } else {
            std::ifstream in(where, std::ios::binary);
            if (!in)
                throw platform::Error("Unable to open file \"" + where + "\"");
            std::ostringstream s;
            s << in.rdbuf();
            content = s.str();
        }
        if (content.empty())
            throw platform::Error("Empty document");
        documents_.push_back(parseUntrusted(content));
        // Imported descriptions load when a lookup reaches them.
        for (xmlNodePtr imp :
             children(xmlDocGetRootElement(documents_.back().get()), kWsdl, "import")) {
            const std::string rel = attr(imp, "location");
            xmlChar* full = xmlBuildURI(X(rel.c_str()), X(where.c_str()));
            pendingImports_.push_back(full ? S(full) : rel);
            xmlFree(full);
        }
        return documents_.back().get();
    } catch (const platform::Error& e) {
        throw platform::Error("Unable to load WSDL File/Location: " + location + ".  Error [" +
                              e.what() + "]");
    }
}

void ServidorOffLine::loadDescription() {
    if (documents_.empty())
        loadDocument(location_);
}

bool ServidorOffLine::loadNextImport() {
    if (pendingImports_.empty())
        return false;
    const std::string next = pendingImports_.front();
    pendingImports_.erase(pendingImports_.begin());
    loadDocument(next);
    return true;
}

ServidorOffLine::Binding ServidorOffLine::findBinding(bool choose) {
    loadDescription();
    for (;;) {
        std::vector<xmlNodePtr> services;
        for (const auto& doc : documents_)
            for (xmlNodePtr s : children(xmlDocGetRootElement(doc.get()), kWsdl, "service"))
                services.push_back(s);
        if (choose && Service.empty() && services.size() == 1)
            Service = attr(services[0], "name");
        xmlNodePtr service = nullptr;
        for (xmlNodePtr s : services)
            if (attr(s, "name") == Service)
                service = s;
        if (service) {
            // SOAP ports: those whose binding is not an HTTP GET/POST binding.
            std::vector<std::pair<xmlNodePtr, xmlNodePtr>> ports;
            for (xmlNodePtr p : children(service, kWsdl, "port")) {
                const auto [ns, local] = qname(p, attr(p, "binding"));
                xmlNodePtr binding = nullptr;
                for (const auto& doc : documents_) {
                    xmlNodePtr root = xmlDocGetRootElement(doc.get());
                    if (attr(root, "targetNamespace") != ns)
                        continue;
                    for (xmlNodePtr b : children(root, kWsdl, "binding"))
                        if (attr(b, "name") == local)
                            binding = b;
                }
                bool httpBinding = false;
                for (xmlNodePtr h : children(binding, kHttpBinding, "binding"))
                    httpBinding = httpBinding || !attr(h, "verb").empty();
                if (!httpBinding)
                    ports.push_back({p, binding});
            }
            if (choose && Port.empty() && ports.size() == 1)
                Port = attr(ports[0].first, "name");
            for (const auto& [p, b] : ports)
                if (attr(p, "name") == Port && (b || pendingImports_.empty()))
                    return {p, b};
        }
        if (!loadNextImport())
            return {};
    }
}

xmlNodePtr ServidorOffLine::bindingOperation(xmlNodePtr binding, const std::string& name) const {
    for (xmlNodePtr op : children(binding, kWsdl, "operation"))
        if (attr(op, "name") == name)
            return op;
    return nullptr;
}

std::string ServidorOffLine::operationNamespace(const Operation& op) {
    const Binding b = findBinding(true);
    if (xmlNodePtr operation = bindingOperation(b.binding, op.name))
        for (xmlNodePtr input : children(operation, kWsdl, "input"))
            for (xmlNodePtr body : children(input, kSoapBinding, "body")) {
                const std::string ns = attr(body, "namespace");
                if (!ns.empty())
                    return ns;
            }
    return std::string(kInterfaceNamespace);
}

std::string ServidorOffLine::call(const Operation& op, const std::string& request) {
    const Binding b = findBinding(true);
    if (b.binding) {
        std::string action;
        if (xmlNodePtr operation = bindingOperation(b.binding, op.name))
            for (xmlNodePtr soapOp : children(operation, kSoapBinding, "operation"))
                action = attr(soapOp, "soapAction");
        action_ = action.empty() ? defaultSoapAction(op.name) : action;
    }
    std::string url;
    for (xmlNodePtr address : children(b.port, kSoapBinding, "address"))
        url = attr(address, "location");
    if (!b.port || url.empty())
        throw platform::Error("Unable to retrieve the URL endpoint for Service/Port '" + Service +
                              "'/'" + Port + "' from WSDL '" + location_ + "'");
    if (!startsWithNoCase(url, "http://") && !startsWithNoCase(url, "https://"))
        throw platform::Error("Invalid url '" + url +
                              "' - only supports 'http' and 'https' schemes");
    endpoint_ = url;
    return connection_.post(url, action_, request, http);
}

} // namespace server
