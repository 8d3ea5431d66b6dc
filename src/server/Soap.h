#pragma once

#include "server/Contract.h"
#include "server/SoapValue.h"

#include <string>
#include <string_view>
#include <vector>

namespace server {

inline constexpr std::string_view kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kEncodingNamespace = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr std::string_view kXsdNamespace = "http://www.w3.org/2001/XMLSchema";
inline constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// Responses larger than this are refused before parsing.
inline constexpr std::size_t kMaxResponseBytes = 64 * 1024 * 1024;

// The request body of one call (rpc/encoded SOAP 1.1), UTF-8 bytes.
// `args` holds one value per parameter of the operation, in order.
std::string encodeRequest(const Operation& op, const std::vector<SoapValue>& args,
                          std::string_view operationNamespace);

// A response as a server of this contract writes it (the reference server
// and tests use it): "<op>Response" in the operation namespace, the result as
// "return", structures as multi-references, column entries as rectangular
// arrays.
std::string encodeResponse(const Operation& op, const SoapValue& result,
                           std::string_view operationNamespace);
// A fault response with the given fault code and string.
std::string encodeFault(std::string_view faultCode, std::string_view faultString);

// Reads a response body into the operation's result (the empty value for an
// operation without result). Raises platform::Error with the decoder's
// messages; a fault raises its fault string.
SoapValue decodeResponse(const Operation& op, std::string_view body);

// Reads a request body back into its arguments (the reference server).
// Returns the operation named by the request's operation element.
const Operation& decodeRequest(std::string_view body, std::vector<SoapValue>& args);

} // namespace server
