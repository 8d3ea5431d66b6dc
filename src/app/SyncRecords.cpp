#include "SyncRecords.h"

#include "db/Statements.h"
#include "platform/Text.h"

namespace app {
namespace {

// The first n characters of a UTF-8 text (never half a character).
std::string firstCharacters(const std::string& s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; ++count) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            ++i;
    }
    return s.substr(0, i);
}

} // namespace

std::vector<std::string> ObterChavePrimaria(db::Connection& connection, const std::string& table) {
    const db::Result r = connection.query(db::sql::ChavePrimaria, {{"TABELA", table}});
    std::vector<std::string> names;
    names.reserve(r.rows.size());
    for (const auto& row : r.rows)
        names.push_back(platform::trim(row[0].toText()));
    return names;
}

std::string MontarChave(const std::vector<std::string>& names, const db::Result& list,
                        std::size_t row) {
    std::string key;
    for (std::size_t k = 0; k < names.size() && k < 10; ++k) {
        const int column = list.indexOf("CHAVE" + std::to_string(k));
        key +=
            names[k] + "=" + (column < 0 ? std::string() : list.rows[row][column].toText()) + ";";
    }
    return key;
}

db::Result openQueueList(db::Connection& connection, std::string_view sql,
                         const std::string& branch) {
    db::Result list = connection.query(sql, {{"PMaquina", branch}});
    std::map<std::string, std::vector<std::string>> keys;
    const int tabela = list.indexOf("TABELA");
    list.columns.push_back("CHAVE");
    for (std::size_t row = 0; row < list.rows.size(); ++row) {
        const std::string table = list.rows[row][static_cast<std::size_t>(tabela)].toText();
        auto it = keys.find(table);
        if (it == keys.end())
            it = keys.emplace(table, ObterChavePrimaria(connection, table)).first;
        std::string key = MontarChave(it->second, list, row);
        key = firstCharacters(key, 200);
        list.rows[row].push_back(std::move(key));
    }
    return list;
}

} // namespace app
