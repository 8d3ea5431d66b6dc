#include "IniFile.h"

#include "platform/Cp1252.h"
#include "platform/Error.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace app {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    bool inSection = false;
    std::string section;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = platform::trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            section = std::string(platform::trimmed(line.substr(1, line.size() - 2)));
            inSection = true;
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string_view::npos)
            continue;
        ini.entries_.push_back({section,
                                platform::cp1252ToUtf8(platform::trimmed(line.substr(0, eq))),
                                platform::cp1252ToUtf8(platform::trimmed(line.substr(eq + 1)))});
    }
    return ini;
}

IniFile IniFile::load(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        throw platform::Error("Não foi possível ler o arquivo de configuração \"" + path +
                              "\": " + std::strerror(err));
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

std::string IniFile::value(std::string_view section, std::string_view key) const {
    for (const Entry& e : entries_)
        if (sameName(e.section, section) && sameName(e.key, key))
            return e.value;
    return {};
}

} // namespace app
