#include "Script.h"

#include "db/Connection.h"

#include <cctype>

namespace db {
namespace {

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

std::vector<std::string> splitScript(std::string_view script) {
    std::vector<std::string> out;
    std::string term = ";";
    std::string current;
    std::size_t i = 0;
    const std::size_t n = script.size();
    auto flush = [&] {
        std::string stmt = trim(current);
        current.clear();
        if (stmt.empty())
            return;
        if (startsWithNoCase(stmt, "SET TERM")) {
            std::string rest = trim(std::string_view(stmt).substr(8));
            // "SET TERM ^ ;" arrives here as "SET TERM ^ " under the old
            // terminator ";" or "SET TERM ; ^" under "^"; the new one is the
            // first word.
            term = rest.substr(0, rest.find_first_of(" \t\r\n"));
            return;
        }
        out.push_back(std::move(stmt));
    };
    while (i < n) {
        const char c = script[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = script.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? n : end + 1;
            current.append(script.substr(i, stop - i));
            i = stop;
        } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            const std::size_t end = script.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? n : end + 2;
            current.append(script.substr(i, stop - i));
            i = stop;
        } else if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            const std::size_t end = script.find('\n', i);
            i = end == std::string_view::npos ? n : end;
        } else if (script.compare(i, term.size(), term) == 0) {
            flush();
            i += term.size();
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return out;
}

void runScript(Connection& connection, std::string_view script) {
    for (const std::string& stmt : splitScript(script))
        connection.executeDirect(stmt);
}

} // namespace db
