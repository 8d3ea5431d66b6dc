#include "NamedSql.h"

#include <cctype>

namespace db {
namespace {

bool isNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '$';
}

} // namespace

NamedSql parseNamedSql(std::string_view text) {
    NamedSql out;
    out.sql.reserve(text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            // A doubled quote inside a literal is part of it; the loop sees it
            // as the end of one literal and the start of the next.
            const std::size_t end = text.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? n : end + 1;
            out.sql.append(text.substr(i, stop - i));
            i = stop;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? n : end + 2;
            out.sql.append(text.substr(i, stop - i));
            i = stop;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            const std::size_t end = text.find('\n', i);
            const std::size_t stop = end == std::string_view::npos ? n : end;
            out.sql.append(text.substr(i, stop - i));
            i = stop;
        } else if (c == ':' && i + 1 < n && text[i + 1] == ':') {
            out.sql += ':';
            i += 2;
        } else if (c == ':' && i + 1 < n && isNameChar(text[i + 1])) {
            std::size_t j = i + 1;
            while (j < n && isNameChar(text[j]))
                ++j;
            out.names.emplace_back(text.substr(i + 1, j - i - 1));
            out.sql += '?';
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

} // namespace db
