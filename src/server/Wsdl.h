#pragma once

#include <string>

namespace server {

// The service description a server of this contract publishes: one
// service "IServidorOffLineservice" with one SOAP port whose rpc/encoded
// binding gives every operation its soapAction, at `endpoint`.
std::string describeService(const std::string& endpoint);

} // namespace server
