#include "IntegrityCheck.h"

#include "app/ServerConnection.h"
#include "db/Statements.h"
#include "platform/Text.h"

namespace integrity {
namespace {

using platform::trim;

bool sized(const std::string& type) {
    const std::string t = trim(type);
    return t == "VARCHAR" || t == "CHAR" || t == "CSTRING";
}

// The type as messages write it: VARCHAR60 for sized types.
std::string typeText(const std::string& type, const std::string& size) {
    return trim(type) + (sized(type) ? trim(size) : std::string());
}

struct LocalColumn {
    std::string campo, tipo, tamanho, notNull, chavePrimaria, chaveEstrangeira, posicao;
};

void call(const std::function<void()>& f) {
    if (f)
        f();
}

} // namespace

std::vector<std::string> replicatedTables(db::Connection& connection) {
    std::vector<std::string> selected;
    for (const std::string& t : connection.tableNames()) {
        const db::Result r = connection.query(
            db::sql::Triggers,
            {{"TABELA", t}, {"INC", t + "_INC"}, {"ALT", t + "_ALT"}, {"EXC", t + "_EXC"}});
        if (!r.rows.empty())
            selected.push_back(t);
    }
    return selected;
}

void compareTable(db::Connection& connection, const server::TMetaDadosTabela& table,
                  std::vector<Divergence>& out) {
    const db::Result r = connection.query(db::sql::SqlTabelas, {{"NomeTabela", table.NomeTabela}});
    if (r.rows.empty()) {
        out.push_back({table.NomeTabela, "Tabela não existe no banco local."});
        return;
    }
    std::vector<LocalColumn> local;
    for (std::size_t i = 0; i < r.rows.size(); ++i)
        local.push_back({r.at(i, "CAMPO").toText(), r.at(i, "TIPO").toText(),
                         r.at(i, "TAMANHO").toText(), r.at(i, "NOTNULL").toText(),
                         r.at(i, "CHAVEPRIMARIA").toText(), r.at(i, "CHAVEESTRANGEIRA").toText(),
                         r.at(i, "POSICAOCHAVEPRIMARIA").toText()});
    const std::string tabela = trim(table.NomeTabela);
    const auto add = [&](std::string erro) { out.push_back({tabela, std::move(erro)}); };
    // An entry with fewer than seven texts reads the missing ones as empty.
    std::vector<std::vector<std::string>> entries;
    for (const auto& e : table.ColecaoMetadadosCampos) {
        std::vector<std::string> s = e;
        s.resize(std::max<std::size_t>(7, s.size()));
        entries.push_back(std::move(s));
    }

    // Pass 1: local columns the server does not have.
    for (const LocalColumn& c : local) {
        const bool found = std::any_of(entries.begin(), entries.end(),
                                       [&](const auto& s) { return s[0] == c.campo; });
        if (!found)
            add("Campo: " + trim(c.campo) + ", Tipo:  " + typeText(c.tipo, c.tamanho) +
                ", não existe no banco servidor.");
    }
    // Pass 2: server columns against the local ones.
    for (const auto& s : entries) {
        const auto it = std::find_if(local.begin(), local.end(),
                                     [&](const LocalColumn& c) { return c.campo == s[0]; });
        const std::string campo = "Campo: " + trim(s[0]);
        if (it == local.end()) {
            add(campo + ", Tipo:  " + typeText(s[1], s[2]) + ", não existe no banco local.");
            continue;
        }
        const LocalColumn& c = *it;
        if (s[4] != c.chavePrimaria)
            add(campo + " faltando na chave primária do banco " +
                (s[4] == "S" ? "local." : "servidor."));
        if (s[5] != c.chaveEstrangeira)
            add(campo + " é chave estrangeira no banco " +
                (s[5] == "S" ? "servidor mas não é no banco local."
                             : "local mas não é no banco servidor."));
        if (s[1] != c.tipo) {
            add(campo + ", Tipo no banco local:  " + typeText(c.tipo, c.tamanho) +
                ", Tipo no banco servidor:  " + typeText(s[1], s[2]));
            continue;
        }
        if (sized(s[1]) && s[2] != c.tamanho)
            add(campo + ", Tipo: " + trim(s[1]) + ", Tamanho no banco local: " + trim(c.tamanho) +
                ", Tamanho no servidor: " + trim(s[2]));
        if (s[3] != c.notNull)
            add(campo + " está como NOT NULL no banco " +
                (s[3] == "S" ? "servidor mas não está no banco local."
                             : "local mas não está no servidor."));
        if (s[4] == "S" && s[6] != c.posicao)
            add(campo + ", posição na chave primária do banco local: " + c.posicao +
                ", posição na chave primária do banco servidor: " + s[6]);
    }
}

Outcome run(db::Connection& connection, server::ServidorOffLine& servidor,
            const Progress& progress) {
    Outcome outcome;
    try {
        app::ConectarServidor(connection, servidor).FTestaConexao();
    } catch (const std::exception& e) {
        outcome.kind = Outcome::Kind::Connection;
        outcome.message = std::string("Erro ao conectar ao servidor central: ") + e.what();
        return outcome;
    }
    try {
        call(progress.obtaining);
        const server::TListaTabelas request = replicatedTables(connection);
        const server::TColMetaDadosTabelas tables =
            app::ConectarServidor(connection, servidor).FRetornaMetaDadosTabelas(request);
        for (const auto& table : tables) {
            if (progress.comparing)
                progress.comparing(static_cast<int>(tables.size()));
            if (table)
                compareTable(connection, *table, outcome.divergences);
            call(progress.tableDone);
        }
    } catch (const std::exception& e) {
        outcome.kind = Outcome::Kind::Failed;
        outcome.message = std::string("Erro ao verificar metadados das tabelas: ") + e.what();
        outcome.divergences.clear();
        return outcome;
    }
    if (outcome.divergences.empty()) {
        outcome.kind = Outcome::Kind::Equal;
        outcome.message = kNoDivergence;
    } else {
        outcome.kind = Outcome::Kind::Divergent;
    }
    return outcome;
}

} // namespace integrity
