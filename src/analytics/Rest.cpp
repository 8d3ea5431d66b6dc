#include "Rest.h"

#include "platform/Error.h"
#include "platform/Text.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace analytics {
namespace {

// The text fields of the packed record, by offset: they are not aligned, so
// they are read and written byte-wise.
constexpr std::size_t kTexts[] = {
    offsetof(TRESTRequestDTO, BaseUrl),  offsetof(TRESTRequestDTO, Route),
    offsetof(TRESTRequestDTO, Reserved), offsetof(TRESTRequestDTO, AuxText),
    offsetof(TRESTRequestDTO, Agent),    offsetof(TRESTRequestDTO, Body)};
constexpr std::size_t kRoute = offsetof(TRESTRequestDTO, Route);
constexpr std::size_t kAgent = offsetof(TRESTRequestDTO, Agent);
constexpr std::size_t kBaseUrl = offsetof(TRESTRequestDTO, BaseUrl);
constexpr std::size_t kAuxText = offsetof(TRESTRequestDTO, AuxText);
constexpr std::size_t kBody = offsetof(TRESTRequestDTO, Body);

platform::TextHandle load(const TRESTRequestDTO& dto, std::size_t offset) {
    platform::TextHandle h;
    std::memcpy(&h, reinterpret_cast<const unsigned char*>(&dto) + offset, sizeof h);
    return h;
}

using platform::trimmed;

platform::TextHandle duplicate(const char16_t* text) {
    return text ? platform::SysAllocStringLen(text, platform::SysStringLen(text)) : nullptr;
}

std::mutex loaderMutex;
TRESTBO* loader = nullptr;
std::atomic<int> loadCount{0};

} // namespace

RequestRecord::RequestRecord() = default;

RequestRecord::RequestRecord(const RequestRecord& other) {
    *this = other;
}

RequestRecord& RequestRecord::operator=(const RequestRecord& other) {
    if (this == &other)
        return *this;
    release();
    dto_.RequestType = other.dto_.RequestType;
    dto_.BodyKind = other.dto_.BodyKind;
    for (std::size_t f : kTexts)
        store(f, duplicate(load(other.dto_, f)));
    return *this;
}

RequestRecord::~RequestRecord() {
    release();
}

void RequestRecord::store(std::size_t offset, platform::TextHandle text) {
    std::memcpy(reinterpret_cast<unsigned char*>(&dto_) + offset, &text, sizeof text);
}

platform::TextHandle RequestRecord::text(std::size_t offset) const {
    return load(dto_, offset);
}

void RequestRecord::release() {
    for (std::size_t f : kTexts) {
        platform::SysFreeString(load(dto_, f));
        store(f, nullptr);
    }
}

void RequestRecord::setText(std::size_t offset, std::string_view utf8) {
    platform::SysFreeString(load(dto_, offset));
    store(offset, utf8.empty() ? nullptr : platform::allocText(utf8));
}

TRESTBuilder::TRESTBuilder() {
    record_.setText(kRoute, "/");
    record_.setText(kAgent, "curl");
}

TRESTBuilder& TRESTBuilder::WithType(std::uint8_t type) {
    record_.setType(type);
    return *this;
}

TRESTBuilder& TRESTBuilder::WithBaseUrl(std::string_view url) {
    record_.setText(kBaseUrl, trimmed(url));
    return *this;
}

TRESTBuilder& TRESTBuilder::WithRoute(std::string_view route) {
    record_.setText(kRoute, trimmed(route));
    return *this;
}

TRESTBuilder& TRESTBuilder::WithBody(std::string_view body) {
    record_.setBodyKind(2);
    record_.setText(kBody, trimmed(body));
    return *this;
}

TRESTBuilder& TRESTBuilder::WithAuxText(std::string_view text) {
    record_.setText(kAuxText, trimmed(text));
    return *this;
}

std::unique_ptr<TRESTExecutor> TRESTBuilder::Build() const {
    return std::make_unique<TRESTExecutor>(record_);
}

TRESTExecutor::TRESTExecutor(const RequestRecord& request) : request_(request) {
    if (platform::SysStringLen(request_.text(kBaseUrl)) == 0)
        throw platform::Error("URL base da requisição não foi informada.");
    if (platform::SysStringLen(request_.text(kRoute)) == 0)
        throw platform::Error("Rota da requisição não foi informado.");
    if (request_.dto().RequestType == 0)
        throw platform::Error("Tipo da requisição não foi informado.");
}

TRESTExecutor::~TRESTExecutor() {
    platform::SysFreeString(response_.Text);
}

void TRESTExecutor::Execute() {
    TRESTResponseDTO response{};
    TRESTBO::Instance().CallRequest(request_.dto(), response);
    platform::SysFreeString(response_.Text);
    response_ = response;
    executed_ = true;
}

TRESTBO& TRESTBO::Instance() {
    // Two workers may arrive at once: the first loads, the other waits.
    std::lock_guard lock(loaderMutex);
    if (!loader) {
        void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw platform::Error(std::string("Erro ao carregar a biblioteca ") + kLibraryName +
                                  ".");
        auto* bo = new TRESTBO(); // kept for the life of the process
        bo->handle_ = handle;
        bo->request_ = reinterpret_cast<RequestFunction>(dlsym(handle, "Request"));
        bo->sha256_ = reinterpret_cast<GeraSHA256Function>(dlsym(handle, "GeraSHA256"));
        loader = bo;
        ++loadCount;
    }
    return *loader;
}

int TRESTBO::loads() {
    return loadCount;
}

void TRESTBO::CallRequest(const TRESTRequestDTO& request, TRESTResponseDTO& response) {
    // The library gets a copy holding its own texts for the call.
    RequestRecord copy;
    copy.setType(request.RequestType);
    copy.setBodyKind(request.BodyKind);
    for (std::size_t f : kTexts)
        copy.setText(f, platform::textOf(load(request, f)));
    request_(&response, copy.dto());
}

} // namespace analytics
