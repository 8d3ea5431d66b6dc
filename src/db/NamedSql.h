#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace db {

// A statement with its :NAME parameters turned into the positional '?' the
// client understands. names[i] is the parameter of the i-th '?'; one name may
// stand several times. Text inside quotes or comments is left alone, and "::"
// stands for a literal colon.
struct NamedSql {
    std::string sql;
    std::vector<std::string> names;
};

NamedSql parseNamedSql(std::string_view text);

} // namespace db
