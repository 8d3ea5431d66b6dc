#pragma once

#include <string>
#include <string_view>

namespace platform {

// Without leading and trailing blanks and control characters (every code
// of 32 or less), as the system trims names, values and settings.
inline std::string_view trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

inline std::string trim(std::string_view s) {
    return std::string(trimmed(s));
}

} // namespace platform
