#pragma once

// Text handles of the REST records: our counterpart of the OLE string
// layout. A handle points at UTF-16 characters; the 32-bit byte length
// stands just before them and a NUL just after. A null handle is the empty
// text. Panel and REST library allocate and release them with this pair.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using TextHandle = char16_t*;

extern "C" {
TextHandle SysAllocStringLen(const char16_t* characters, std::uint32_t length);
void SysFreeString(TextHandle text);
std::uint32_t SysStringLen(const char16_t* text); // characters, 0 for null
}

// Conversions with the program's UTF-8 text.
TextHandle allocText(std::string_view utf8);
std::string textOf(const char16_t* handle);

} // namespace platform
