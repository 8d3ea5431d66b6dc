#pragma once

#include "db/Connection.h"

#include <map>
#include <string>
#include <vector>

namespace app {

// The key column names of a table, in key order, trimmed; empty for a table
// without a primary key or absent from the database.
std::vector<std::string> ObterChavePrimaria(db::Connection& connection, const std::string& table);

// "NAME=value;" for each key column of the record's table, values exactly as
// the queue holds them in CHAVE0..CHAVE9. The queue has room for ten key
// values: a key of more columns is spelled out up to its tenth.
std::string MontarChave(const std::vector<std::string>& names, const db::Result& list,
                        std::size_t row);

// Opens a queue list (last sent or next pending records of a branch) and
// adds its calculated CHAVE column: the key text, cut to 200 characters. Key
// names are read once per table per opening: the catalogue does not change
// while a list loads.
db::Result openQueueList(db::Connection& connection, std::string_view sql,
                         const std::string& branch);

} // namespace app
