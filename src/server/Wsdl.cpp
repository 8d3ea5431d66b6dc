#include "Wsdl.h"

#include "server/Contract.h"

namespace server {

std::string describeService(const std::string& endpoint) {
    const std::string ns(kInterfaceNamespace);
    std::string messages, portOps, bindingOps;
    for (const Operation& op : operations()) {
        messages += "<message name=\"" + op.name + "Request\">";
        for (const ParamInfo& p : op.params)
            messages += "<part name=\"" + p.name + "\" type=\"xs:anyType\"/>";
        messages += "</message><message name=\"" + op.name + "Response\">";
        if (op.result)
            messages += "<part name=\"return\" type=\"xs:anyType\"/>";
        messages += "</message>";
        portOps += "<operation name=\"" + op.name + "\"><input message=\"tns:" + op.name +
                   "Request\"/><output message=\"tns:" + op.name + "Response\"/></operation>";
        const std::string body = "<soap:body use=\"encoded\" "
                                 "encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                                 "namespace=\"" +
                                 ns + "\"/>";
        bindingOps += "<operation name=\"" + op.name + "\"><soap:operation soapAction=\"" +
                      defaultSoapAction(op.name) + "\" style=\"rpc\"/><input>" + body +
                      "</input><output>" + body + "</output></operation>";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<definitions xmlns=\"http://schemas.xmlsoap.org/wsdl/\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" name=\"IServidorOffLineservice\" "
           "targetNamespace=\"http://tempuri.org/\" xmlns:tns=\"http://tempuri.org/\" "
           "xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\">" +
           messages + "<portType name=\"IServidorOffLine\">" + portOps +
           "</portType><binding name=\"IServidorOffLinebinding\" type=\"tns:IServidorOffLine\">"
           "<soap:binding style=\"rpc\" transport=\"http://schemas.xmlsoap.org/soap/http\"/>" +
           bindingOps +
           "</binding><service name=\"IServidorOffLineservice\"><port "
           "name=\"IServidorOffLinePort\" binding=\"tns:IServidorOffLinebinding\"><soap:address "
           "location=\"" +
           endpoint + "\"/></port></service></definitions>\n";
}

} // namespace server
