#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// Caminho.ini as the panel reads it: sections in brackets, key=value lines,
// blanks around names and values dropped, ";" comments, names matched
// without regard to letter case. A missing file reads as an empty one.
class IniFile {
public:
    static IniFile parse(std::string_view text);
    // Raises platform::Error naming the file when it exists but cannot be read.
    static IniFile load(const std::string& path);

    // Value of the first matching key of the matching section; empty if absent.
    std::string value(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string section, key, value;
    };
    std::vector<Entry> entries_;
};

} // namespace app
