#pragma once

#include <string>
#include <string_view>

namespace platform {

// Text crosses the database edge as single-byte Windows-1252. Every one of
// the 256 codes maps to one character and back: the five codes Windows-1252
// leaves undefined (81, 8D, 8F, 90, 9D) map to the control characters of the
// same number, as the Windows converter does.
std::string cp1252ToUtf8(std::string_view bytes);

// Characters with no Windows-1252 code become '?'; malformed UTF-8 bytes too.
std::string utf8ToCp1252(std::string_view utf8);

} // namespace platform
