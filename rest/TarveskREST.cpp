// The REST library behind the panel's usage events: performs one request
// described by a request record and answers in a response record.
#include "analytics/RestRecords.h"

#include <curl/curl.h>
#include <openssl/sha.h>

#include <cstdio>
#include <string>

using analytics::TRESTRequestDTO;
using analytics::TRESTResponseDTO;

namespace {

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// Base URL and route joined with exactly one slash.
std::string join(std::string base, std::string route) {
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    std::size_t i = 0;
    while (i < route.size() && route[i] == '/')
        ++i;
    return base + "/" + route.substr(i);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void Request(TRESTResponseDTO* response,
                                                               TRESTRequestDTO request) {
    // The caller keeps every text of the request: read them, never release them.
    CURL* curl = curl_easy_init();
    if (!curl)
        return;
    const std::string url =
        join(platform::textOf(request.BaseUrl), platform::textOf(request.Route));
    const std::string body = platform::textOf(request.Body);
    const std::string aux = platform::textOf(request.AuxText);
    std::string answer;
    curl_slist* headers = nullptr;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, platform::textOf(request.Agent).c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    switch (request.RequestType) {
    case 1:
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        break;
    case 3:
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "PUT");
        break;
    case 4:
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "DELETE");
        break;
    default:
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        break;
    }
    if (request.BodyKind == 2) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        headers = curl_slist_append(headers, "Content-Type: application/json; charset=utf-8");
    } else if (request.RequestType == 2) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, 0L);
    }
    if (!aux.empty())
        headers = curl_slist_append(headers, ("Authorization: " + aux).c_str());
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (curl_easy_perform(curl) == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        response->Done = 1;
        response->StatusCode = static_cast<std::int32_t>(status);
        response->Text = platform::allocText(answer);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
}

extern "C" __attribute__((visibility("default"))) platform::TextHandle
GeraSHA256(const char16_t* text) {
    const std::string utf8 = platform::textOf(text);
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), digest);
    std::string hex;
    char buf[3];
    for (unsigned char b : digest) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        hex += buf;
    }
    return platform::allocText(hex);
}
