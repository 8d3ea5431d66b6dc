#pragma once

#include "db/Connection.h"
#include "server/ServidorOffLine.h"

#include <functional>
#include <string>
#include <vector>

namespace integrity {

// One difference between a replicated table of the branch and the central
// server's description of it. Kept whole: a window may clip what does not
// fit, but nothing is cut off.
struct Divergence {
    std::string Tabela;
    std::string Erro;
};

// What the window does at the check's fixed points (show the panel, move the
// bar, let pending events run). All optional.
struct Progress {
    std::function<void()> obtaining;           // panel shown: "Obtendo metadados ..."
    std::function<void(int tables)> comparing; // before each server table
    std::function<void()> tableDone;           // after each server table
};

struct Outcome {
    enum class Kind { Connection, Failed, Divergent, Equal };
    Kind kind = Kind::Equal;
    std::string message; // the warning or information text
    std::vector<Divergence> divergences;
};

inline constexpr const char* kNoDivergence =
    "Não foram encontradas divergências de estrutura entre as tabelas de integração dos bancos "
    "local e servidor.";

// The local tables carrying the integration triggers, in the order the
// catalogue lists them (trigger statement as written: T_INC on T, or T_ALT /
// T_EXC on any relation).
std::vector<std::string> replicatedTables(db::Connection& connection);

// Compares one server table with the local catalogue; appends its rows.
void compareTable(db::Connection& connection, const server::TMetaDadosTabela& table,
                  std::vector<Divergence>& out);

// The whole check: connection test, selection, request, comparison.
Outcome run(db::Connection& connection, server::ServidorOffLine& servidor,
            const Progress& progress = {});

} // namespace integrity
