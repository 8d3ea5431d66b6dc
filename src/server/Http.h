#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace server {

inline constexpr const char* kAgent = "PainelIntegracao SOAP 1.2";
// Bodies go out in pieces of at most this size, always with a known length.
inline constexpr std::size_t kLargestSend = 32768;
// Nothing would stop a silent server from freezing the panel: connecting
// gives up after a minute, and a call that receives nothing for 30 seconds
// fails like any transport error.
inline constexpr long kConnectTimeoutSeconds = 60;
inline constexpr long kSilenceTimeoutSeconds = 30;
// A server or proxy that refuses the credentials this many times in a row
// ends the call with its own status.
inline constexpr int kMaxLoginRefusals = 3;

struct Credentials {
    std::string user;
    std::string password;
};

// Asks the operator for credentials when the server (or proxy, when
// `proxy`) refuses the ones it has; nullopt means cancel.
using LoginPrompt = std::function<std::optional<Credentials>(const std::string& url, bool proxy)>;

struct HttpSettings {
    std::string proxy; // handed to the HTTP layer as it stands; empty: direct
    std::string user;
    std::string password;
    long connectTimeout = kConnectTimeoutSeconds;
    long silenceTimeout = kSilenceTimeoutSeconds;
    LoginPrompt prompt; // none: a refusal ends the call with its status
};

// One HTTP(S) connection to a SOAP endpoint, kept open between calls and
// closed after a failure. Invalid certificates are accepted.
class HttpConnection {
public:
    HttpConnection();
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // POSTs a SOAP request; returns the response body. Raises the transport
    // error, the status error or the Content-Type error.
    std::string post(const std::string& url, const std::string& action, const std::string& body,
                     const HttpSettings& settings);
    void close();
    // New TCP connections opened so far (reuse shows as no increase).
    long connectionsOpened() const { return connections_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    long connections_ = 0;
};

// Downloads a document with a GET on a connection of its own (the service
// description). Raises with the transport or status error.
std::string httpGet(const std::string& url, const HttpSettings& settings);

} // namespace server
