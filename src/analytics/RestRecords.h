#pragma once

// The two records exchanged with the REST library, shared by the panel and
// the library. Packed, in the field order of the library's interface; text
// handles are pointer-sized on this platform.

#include "platform/TextHandle.h"

#include <cstddef>
#include <cstdint>

namespace analytics {

#pragma pack(push, 1)
struct TRESTRequestDTO {
    std::uint8_t RequestType; // 0 not set; 1 GET, 2 POST, 3 PUT, 4 DELETE
    std::uint8_t BodyKind;    // 0 no body; 2 JSON body
    platform::TextHandle BaseUrl;
    platform::TextHandle Route;
    platform::TextHandle Reserved; // empty; nothing sets it
    platform::TextHandle AuxText;  // sent as the Authorization header when set
    platform::TextHandle Agent;    // "curl"; nothing changes it
    platform::TextHandle Body;
};

struct TRESTResponseDTO {
    std::uint8_t Done;         // 1 once the request was answered
    std::int32_t StatusCode;   // the HTTP status
    platform::TextHandle Text; // the answer body, allocated by the library
};
#pragma pack(pop)

constexpr std::size_t kHandle = sizeof(platform::TextHandle);
static_assert(offsetof(TRESTRequestDTO, RequestType) == 0);
static_assert(offsetof(TRESTRequestDTO, BodyKind) == 1);
static_assert(offsetof(TRESTRequestDTO, BaseUrl) == 2);
static_assert(offsetof(TRESTRequestDTO, Route) == 2 + kHandle);
static_assert(offsetof(TRESTRequestDTO, Reserved) == 2 + 2 * kHandle);
static_assert(offsetof(TRESTRequestDTO, AuxText) == 2 + 3 * kHandle);
static_assert(offsetof(TRESTRequestDTO, Agent) == 2 + 4 * kHandle);
static_assert(offsetof(TRESTRequestDTO, Body) == 2 + 5 * kHandle);
static_assert(sizeof(TRESTRequestDTO) == 2 + 6 * kHandle);
static_assert(offsetof(TRESTResponseDTO, Text) == 5);
static_assert(sizeof(TRESTResponseDTO) == 5 + kHandle);

// The library's entry point: response address, then the request by value.
extern "C" {
using RequestFunction = void (*)(TRESTResponseDTO* response, TRESTRequestDTO request);
using GeraSHA256Function = platform::TextHandle (*)(const char16_t* text);
}

inline constexpr const char* kLibraryName = "libTarveskREST.so";

} // namespace analytics
