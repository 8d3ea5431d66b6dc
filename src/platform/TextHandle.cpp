#include "TextHandle.h"

#include <cstdlib>
#include <cstring>

namespace platform {

extern "C" TextHandle SysAllocStringLen(const char16_t* characters, std::uint32_t length) {
    const std::size_t bytes = static_cast<std::size_t>(length) * 2;
    auto* block = static_cast<unsigned char*>(std::malloc(4 + bytes + 2));
    if (!block)
        return nullptr;
    const std::uint32_t byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, 4);
    auto* text = reinterpret_cast<char16_t*>(block + 4);
    if (characters)
        std::memcpy(text, characters, bytes);
    else
        std::memset(text, 0, bytes);
    text[length] = 0;
    return text;
}

extern "C" void SysFreeString(TextHandle text) {
    if (text)
        std::free(reinterpret_cast<unsigned char*>(text) - 4);
}

extern "C" std::uint32_t SysStringLen(const char16_t* text) {
    if (!text)
        return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(text) - 4, 4);
    return bytes / 2;
}

TextHandle allocText(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t u = b;
        std::size_t len = 1;
        if (b >= 0xF0) {
            u = b & 0x07;
            len = 4;
        } else if (b >= 0xE0) {
            u = b & 0x0F;
            len = 3;
        } else if (b >= 0xC0) {
            u = b & 0x1F;
            len = 2;
        }
        if (i + len > utf8.size()) {
            u = 0xFFFD;
            len = 1;
        } else {
            for (std::size_t k = 1; k < len; ++k)
                u = (u << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        if (u >= 0x10000) {
            u -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (u >> 10));
            out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
        } else {
            out += static_cast<char16_t>(u);
        }
        i += len;
    }
    return SysAllocStringLen(out.data(), static_cast<std::uint32_t>(out.size()));
}

std::string textOf(const char16_t* handle) {
    std::string out;
    const std::uint32_t n = SysStringLen(handle);
    for (std::uint32_t i = 0; i < n; ++i) {
        char32_t u = handle[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n) {
            u = 0x10000 + ((u - 0xD800) << 10) + (handle[i + 1] - 0xDC00);
            ++i;
        }
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

} // namespace platform
