#include "Http.h"

#include "platform/Error.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace server {
namespace {

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Exchange {
    const std::string* body = nullptr;
    std::size_t sent = 0;
    std::string received;
    std::string statusText;
};

std::size_t readBody(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* ex = static_cast<Exchange*>(user);
    const std::size_t room = std::min({size * count, kLargestSend, ex->body->size() - ex->sent});
    std::memcpy(buffer, ex->body->data() + ex->sent, room);
    ex->sent += room;
    return room;
}

int seekBody(void* user, curl_off_t offset, int origin) {
    auto* ex = static_cast<Exchange*>(user);
    if (origin != SEEK_SET || offset < 0 || static_cast<std::size_t>(offset) > ex->body->size())
        return CURL_SEEKFUNC_FAIL;
    ex->sent = static_cast<std::size_t>(offset); // resent after an authentication round
    return CURL_SEEKFUNC_OK;
}

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<Exchange*>(user)->received.append(data, size * count);
    return size * count;
}

// Keeps the reason phrase of the last status line ("HTTP/1.1 404 Not Found").
std::size_t readHeader(char* data, std::size_t size, std::size_t count, void* user) {
    const std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
        auto* ex = static_cast<Exchange*>(user);
        const auto first = line.find(' ');
        const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
        std::string reason = second == std::string::npos ? "" : line.substr(second + 1);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n'))
            reason.pop_back();
        ex->statusText = reason;
    }
    return size * count;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string quotedAction(const std::string& action) {
    return "\"" + action + "\"";
}

struct Result {
    long status = 0;
    std::string statusText;
    std::string contentType;
    std::string body;
};

// One request on `curl`, answering authentication refusals from the
// settings first, then from the operator, at most kMaxLoginRefusals times.
Result perform(CURL* curl, const std::string& url, const std::string& action,
               const std::string* body, const HttpSettings& settings, long& connections) {
    char error[CURL_ERROR_SIZE];
    Credentials server{settings.user, settings.password};
    Credentials proxy{settings.user, settings.password};
    int refusals = 0;
    for (;;) {
        Exchange ex;
        ex.body = body;
        error[0] = 0;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgent);
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, settings.connectTimeout);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, settings.silenceTimeout);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROXY, settings.proxy.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        curl_easy_setopt(curl, CURLOPT_USERNAME, server.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, server.password.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &ex);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, readHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &ex);
        curl_slist* headers = nullptr;
        if (body) {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
            curl_easy_setopt(curl, CURLOPT_READDATA, &ex);
            curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, seekBody);
            curl_easy_setopt(curl, CURLOPT_SEEKDATA, &ex);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body->size()));
            headers = curl_slist_append(headers, ("SOAPAction: " + quotedAction(action)).c_str());
            headers = curl_slist_append(headers, "Content-Type: text/xml");
            headers = curl_slist_append(headers, "Accept:"); // no accept types
            headers = curl_slist_append(headers, "Expect:"); // the body goes at once
        } else {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            headers = curl_slist_append(headers, "Accept: */*");
            headers = curl_slist_append(headers, "Connection: close");
        }
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        const CURLcode code = curl_easy_perform(curl);
        curl_slist_free_all(headers);
        long newConnections = 0;
        curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &newConnections);
        connections += newConnections;
        if (code != CURLE_OK) {
            const std::string description = error[0] ? error : curl_easy_strerror(code);
            throw platform::Error(description + " - URL:" + url +
                                  " - SOAPAction:" + quotedAction(body ? action : std::string()));
        }
        Result r;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
        const char* type = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
        r.contentType = type ? std::string(type).substr(0, 256) : "";
        r.statusText = ex.statusText;
        r.body = std::move(ex.received);
        const bool serverRefused = r.status == 401, proxyRefused = r.status == 407;
        if (!serverRefused && !proxyRefused)
            return r;
        if (++refusals >= kMaxLoginRefusals || !settings.prompt)
            return r; // the status error tells what was refused
        auto answer = settings.prompt(url, proxyRefused);
        if (!answer)
            throw platform::Error("Operation aborted");
        (proxyRefused ? proxy : server) = *answer;
    }
}

} // namespace

struct HttpConnection::Impl {
    CURL* curl = nullptr;
};

HttpConnection::HttpConnection() : d(std::make_unique<Impl>()) {
    globalInit();
}

HttpConnection::~HttpConnection() {
    close();
}

void HttpConnection::close() {
    if (d->curl) {
        curl_easy_cleanup(d->curl);
        d->curl = nullptr;
    }
}

std::string HttpConnection::post(const std::string& url, const std::string& action,
                                 const std::string& body, const HttpSettings& settings) {
    if (!d->curl)
        d->curl = curl_easy_init();
    try {
        Result r = perform(d->curl, url, action, &body, settings, connections_);
        if (r.status >= 300 && r.status != 500)
            throw platform::Error(r.statusText + " (" + std::to_string(r.status) + ") - '" + url +
                                  "'");
        if (equalsNoCase(r.contentType, "text/plain") || equalsNoCase(r.contentType, "text/html"))
            throw platform::Error("Received content of invalid Content-Type setting: " +
                                  r.contentType + " - SOAP expects \"text/xml\"");
        return std::move(r.body);
    } catch (...) {
        close(); // the next call connects again
        throw;
    }
}

std::string httpGet(const std::string& url, const HttpSettings& settings) {
    globalInit();
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    long connections = 0;
    Result r = perform(curl.get(), url, {}, nullptr, settings, connections);
    if (r.status >= 300)
        throw platform::Error(r.statusText + " (" + std::to_string(r.status) + ") - '" + url + "'");
    return std::move(r.body);
}

} // namespace server
