#pragma once

#include "analytics/RestRecords.h"

#include <memory>
#include <string>

namespace analytics {

// A request record whose texts it owns (released with it).
class RequestRecord {
public:
    RequestRecord();
    RequestRecord(const RequestRecord& other);
    RequestRecord& operator=(const RequestRecord& other);
    ~RequestRecord();

    const TRESTRequestDTO& dto() const { return dto_; }
    void setType(std::uint8_t type) { dto_.RequestType = type; }
    void setBodyKind(std::uint8_t kind) { dto_.BodyKind = kind; }
    // `offset` is the offsetof of one of the text fields.
    void setText(std::size_t offset, std::string_view utf8);
    platform::TextHandle text(std::size_t offset) const;

private:
    void release();
    void store(std::size_t offset, platform::TextHandle text);
    TRESTRequestDTO dto_{};
};

class TRESTExecutor;

// Fills a request step by step; every setter trims characters of code 32
// or less from both ends and returns the builder.
class TRESTBuilder {
public:
    TRESTBuilder(); // type 0, no body, route "/", agent "curl"
    TRESTBuilder& WithType(std::uint8_t type);
    TRESTBuilder& WithBaseUrl(std::string_view url);
    TRESTBuilder& WithRoute(std::string_view route);
    TRESTBuilder& WithBody(std::string_view body);
    TRESTBuilder& WithAuxText(std::string_view text);
    // A checked executor of a copy of the record; raises when a check fails.
    std::unique_ptr<TRESTExecutor> Build() const;
    const RequestRecord& record() const { return record_; }

private:
    RequestRecord record_;
};

class TRESTExecutor {
public:
    // Checks base URL, route and type, in that order.
    explicit TRESTExecutor(const RequestRecord& request);
    ~TRESTExecutor();
    TRESTExecutor(const TRESTExecutor&) = delete;
    TRESTExecutor& operator=(const TRESTExecutor&) = delete;

    void Execute();
    bool Executed() const { return executed_; }
    const TRESTResponseDTO& response() const { return response_; }

private:
    RequestRecord request_;
    TRESTResponseDTO response_{};
    bool executed_ = false;
};

// The REST library, loaded once per process on first use and kept. A
// failed load is tried again at the next use.
class TRESTBO {
public:
    static TRESTBO& Instance();
    void CallRequest(const TRESTRequestDTO& request, TRESTResponseDTO& response);
    // How many times the library was loaded (once per process).
    static int loads();

private:
    TRESTBO() = default;
    void* handle_ = nullptr;
    RequestFunction request_ = nullptr;
    GeraSHA256Function sha256_ = nullptr;
};

} // namespace analytics
