#include "app/Decifra.h"
#include "db/Statements.h"
#include "integrity/IntegrityCheck.h"
#include "server/CentralServer.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using integrity::Divergence;
using testing_support::TestDatabase;

extern char** environ;

namespace {

const char* kClienteTable = "create table CLIENTE (A integer not null, B varchar(60), "
                            "C char(2), D integer, constraint PK_CLIENTE primary key (A));";

// The server's entries for a local table, exactly as the catalogue gives
// them: tests then change what the case needs.
std::vector<std::vector<std::string>> localEntries(db::Connection& cn, const std::string& table) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : cn.query(db::sql::SqlTabelas, {{"NomeTabela", table}}).rows) {
        std::vector<std::string> e;
        for (const auto& v : row)
            e.push_back(v.toText());
        out.push_back(e);
    }
    return out;
}

std::string padded(const std::string& name) {
    return name + std::string(31 - name.size(), ' ');
}

} // namespace

namespace integrity {
bool operator==(const Divergence& a, const Divergence& b) {
    return a.Tabela == b.Tabela && a.Erro == b.Erro;
}
std::ostream& operator<<(std::ostream& o, const Divergence& d) {
    return o << "{" << d.Tabela << " | " << d.Erro << "}";
}
} // namespace integrity

TEST(Integrity, EveryMessageAndRule) {
    TestDatabase database;
    database.run(kClienteTable);
    db::Connection& cn = database.connection();
    const auto same = localEntries(cn, "CLIENTE");
    ASSERT_EQ(same.size(), 4u);
    const auto at = [&](const char* column) {
        for (std::size_t i = 0; i < same.size(); ++i)
            if (same[i][0] == padded(column))
                return i;
        return std::size_t(99);
    };
    const std::size_t A = at("A"), B = at("B"), C = at("C"), D = at("D");
    using Entries = std::vector<std::vector<std::string>>;
    struct Case {
        const char* name;
        std::function<void(Entries&)> change;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"identical", [](Entries&) {}, {}},
        {"column only local, column only on the server",
         [&](Entries& e) {
             e.erase(e.begin() + static_cast<long>(D));
             e.push_back({padded("E"), "VARCHAR", "10", "N", "N", "N", ""});
         },
         {"Campo: D, Tipo:  INTEIRO, não existe no banco servidor.",
          "Campo: E, Tipo:  VARCHAR10, não existe no banco local."}},
        {"size of a sized type",
         [&](Entries& e) { e[B][2] = "80"; },
         {"Campo: B, Tipo: VARCHAR, Tamanho no banco local: 60, Tamanho no servidor: 80"}},
        {"type difference hides size and NOT NULL",
         [&](Entries& e) {
             e[C][1] = "VARCHAR";
             e[C][2] = "3";
             e[C][3] = "S";
         },
         {"Campo: C, Tipo no banco local:  CHAR2, Tipo no banco servidor:  VARCHAR3"}},
        {"size of a type that is not sized", [&](Entries& e) { e[D][2] = "8"; }, {}},
        {"NOT NULL only on the server",
         [&](Entries& e) { e[D][3] = "S"; },
         {"Campo: D está como NOT NULL no banco servidor mas não está no banco local."}},
        {"NOT NULL only here",
         [&](Entries& e) { e[A][3] = "N"; },
         {"Campo: A está como NOT NULL no banco local mas não está no servidor."}},
        {"in the server's key: flag and position",
         [&](Entries& e) {
             e[D][4] = "S";
             e[D][6] = "2";
         },
         {"Campo: D faltando na chave primária do banco local.",
          "Campo: D, posição na chave primária do banco local: , posição na chave primária do "
          "banco servidor: 2"}},
        {"key position compared only when the server marks the key",
         [&](Entries& e) {
             e[A][4] = "N";
             e[A][6] = "";
         },
         {"Campo: A faltando na chave primária do banco servidor."}},
        {"foreign key only on the server",
         [&](Entries& e) { e[D][5] = "S"; },
         {"Campo: D é chave estrangeira no banco servidor mas não é no banco local."}},
        {"names differing only in case",
         [&](Entries& e) { e[B][0] = padded("b"); },
         {"Campo: B, Tipo:  VARCHAR60, não existe no banco servidor.",
          "Campo: b, Tipo:  VARCHAR60, não existe no banco local."}},
        {"no column entries",
         [](Entries& e) { e.clear(); },
         {"Campo: A, Tipo:  INTEIRO, não existe no banco servidor.",
          "Campo: B, Tipo:  VARCHAR60, não existe no banco servidor.",
          "Campo: C, Tipo:  CHAR2, não existe no banco servidor.",
          "Campo: D, Tipo:  INTEIRO, não existe no banco servidor."}},
        {"an entry of fewer than seven texts reads the rest as empty",
         [&](Entries& e) { e[D].resize(3); },
         {"Campo: D faltando na chave primária do banco servidor.",
          "Campo: D é chave estrangeira no banco local mas não é no banco servidor.",
          "Campo: D está como NOT NULL no banco local mas não está no servidor."}},
        {"pass 1 rows first, then pass 2 in test order",
         [&](Entries& e) {
             e[A][5] = "S";
             e[A][2] = "8";
             e[B][1] = "CHAR";
             e[B][4] = "S";
             e.erase(e.begin() + static_cast<long>(C));
         },
         {"Campo: C, Tipo:  CHAR2, não existe no banco servidor.",
          "Campo: A é chave estrangeira no banco servidor mas não é no banco local.",
          "Campo: B faltando na chave primária do banco local.",
          "Campo: B, Tipo no banco local:  VARCHAR60, Tipo no banco servidor:  CHAR60"}},
    };
    for (const Case& c : cases) {
        server::TMetaDadosTabela table;
        table.NomeTabela = "CLIENTE";
        table.ColecaoMetadadosCampos = same;
        c.change(table.ColecaoMetadadosCampos);
        std::vector<Divergence> out;
        integrity::compareTable(cn, table, out);
        std::vector<Divergence> expected;
        for (const auto& e : c.rows)
            expected.push_back({"CLIENTE", e});
        EXPECT_EQ(out, expected) << c.name;
    }

    // A table the branch lacks: one row, the name as received.
    server::TMetaDadosTabela missing;
    missing.NomeTabela = " NAOEXISTE ";
    missing.ColecaoMetadadosCampos = same;
    std::vector<Divergence> out;
    integrity::compareTable(cn, missing, out);
    EXPECT_EQ(out, (std::vector<Divergence>{{" NAOEXISTE ", "Tabela não existe no banco local."}}));

    // Message H of more than 120 characters, and a table name of more than
    // 30, are kept whole.
    const std::string longTable = "TABELA_DE_NOME_MAIS_LONGO_QUE30";
    database.run("create table " + longTable +
                 " (COLUNA_DE_NOME_LONGO_DEMAIS_XYZ integer "
                 "not null, constraint PK_LONGA primary key (COLUNA_DE_NOME_LONGO_DEMAIS_XYZ));");
    server::TMetaDadosTabela longOne;
    longOne.NomeTabela = longTable;
    longOne.ColecaoMetadadosCampos = localEntries(cn, longTable);
    longOne.ColecaoMetadadosCampos[0][6] = "2";
    out.clear();
    integrity::compareTable(cn, longOne, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Tabela, longTable);
    EXPECT_EQ(out[0].Erro, "Campo: COLUNA_DE_NOME_LONGO_DEMAIS_XYZ, posição na chave "
                           "primária do banco local: 1, posição na chave primária do banco "
                           "servidor: 2");
    EXPECT_GT(out[0].Erro.size(), 120u);
}

namespace {

// A branch and a central server over databases of their own.
struct Pair {
    TestDatabase branch, central;
    std::unique_ptr<server::CentralServer> server;
    db::Connection cn;
    server::ServidorOffLine servidor;
    Pair() {
        branch.run(kClienteTable);
        branch.run("create table PRODUTO (P integer not null primary key, NOME varchar(40));"
                   "create table SOLTA (X integer);"
                   "SET TERM ^ ;"
                   "create trigger CLIENTE_INC for CLIENTE after insert as begin end^"
                   // PRODUTO has no trigger of its own: a PRODUTO_ALT on CLIENTE selects it.
                   "create trigger PRODUTO_ALT for CLIENTE after update as begin end^"
                   "create trigger OUTRO_INC for SOLTA after insert as begin end^"
                   "SET TERM ; ^");
        central.run(kClienteTable);
        central.run("create table PRODUTO (P integer not null primary key, NOME varchar(50));"
                    "create table SOLTA (X integer, Y integer);");
        server = std::make_unique<server::CentralServer>(
            server::CentralServer::Options{central.path(), "", "", false});
        server->start();
        cn.setSettings(branch.connection().settings());
        cn.execute("insert into ParaOffLine (WSDLServ) values (:W)",
                   {{"W", server->descriptionUrl()}});
    }
};

} // namespace

TEST(Integrity, WholeCheckAgainstTheReferenceServer) {
    Pair p;
    EXPECT_EQ(integrity::replicatedTables(p.cn), (std::vector<std::string>{"CLIENTE", "PRODUTO"}));
    int obtaining = 0, comparing = 0, done = 0;
    integrity::Progress progress{[&] { ++obtaining; }, [&](int n) { comparing = n; },
                                 [&] { ++done; }};
    const integrity::Outcome outcome = integrity::run(p.cn, p.servidor, progress);
    EXPECT_EQ(outcome.kind, integrity::Outcome::Kind::Divergent);
    EXPECT_EQ(outcome.divergences,
              (std::vector<Divergence>{{"PRODUTO", "Campo: NOME, Tipo: VARCHAR, Tamanho no banco "
                                                   "local: 40, Tamanho no servidor: 50"}}));
    EXPECT_EQ(obtaining, 1);
    EXPECT_EQ(comparing, 2);
    EXPECT_EQ(done, 2);

    // Equal structures: the information text.
    p.branch.connection().close();
    p.cn.close();
    p.branch.run("drop trigger PRODUTO_ALT;");
    const integrity::Outcome equal = integrity::run(p.cn, p.servidor);
    EXPECT_EQ(equal.kind, integrity::Outcome::Kind::Equal);
    EXPECT_EQ(equal.message, integrity::kNoDivergence);
}

TEST(Integrity, FailuresEndTheCheckWithTheirWarning) {
    Pair p;
    int obtaining = 0;
    integrity::Progress progress{[&] { ++obtaining; }, {}, {}};
    // The metadata request fails in the middle (the server's own database
    // does not open, so it answers a fault): nothing is kept.
    p.server.reset();
    testing_support::TempDir dir;
    testing_support::writeFile(dir.file("nao-e-banco.fdb"), "isto não é um banco");
    server::CentralServer broken({dir.file("nao-e-banco.fdb"), "", "", false});
    broken.start();
    p.cn.execute("update ParaOffLine set WSDLServ = :W", {{"W", broken.descriptionUrl()}});
    const integrity::Outcome failed = integrity::run(p.cn, p.servidor, progress);
    EXPECT_EQ(failed.kind, integrity::Outcome::Kind::Failed);
    EXPECT_EQ(failed.message.rfind("Erro ao verificar metadados das tabelas: ", 0), 0u)
        << failed.message;
    EXPECT_TRUE(failed.divergences.empty());
    EXPECT_EQ(obtaining, 1);

    // An unreachable server: only the connection warning, the panel never shows.
    const std::string url = broken.descriptionUrl();
    broken.stop();
    obtaining = 0;
    const integrity::Outcome unreachable = integrity::run(p.cn, p.servidor, progress);
    EXPECT_EQ(unreachable.kind, integrity::Outcome::Kind::Connection);
    EXPECT_EQ(unreachable.message.rfind("Erro ao conectar ao servidor central: Unable to load WSDL "
                                        "File/Location: " +
                                            url,
                                        0),
              0u)
        << unreachable.message;
    EXPECT_EQ(obtaining, 0);
}

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun runTool(const std::string& program, const std::vector<std::string>& args) {
    testing_support::TempDir outputs;
    std::string command = program;
    for (const auto& a : args)
        command += " " + a;
    command += " >" + outputs.file("out") + " 2>" + outputs.file("err");
    ToolRun r;
    const int st = std::system(command.c_str());
    r.status = WEXITSTATUS(st);
    r.out = testing_support::readFile(outputs.file("out"));
    r.err = testing_support::readFile(outputs.file("err"));
    return r;
}

} // namespace

TEST(Integrity, HeadlessCheckPrintsAndExits) {
    Pair p;
    p.branch.connection().close();
    p.cn.close(); // the tool opens the branch database itself
    // The tool reads Caminho.ini beside itself: a copy in a folder of its own.
    testing_support::TempDir dir;
    const std::string tool = dir.file("painel-integridade");
    std::filesystem::copy_file(PAINEL_BUILD_DIR "/painel-integridade", tool);
    testing_support::writeFile(dir.file("Caminho.ini"),
                               "[DATABASEESTOQUE]\nCAMINHO=" + p.branch.path() + "\nUSUARIO=" +
                                   app::Cifra("SYSDBA") + "\nSENHA=" + app::Cifra("x") + "\n");
    ToolRun r = runTool(tool, {});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "PRODUTO\tCampo: NOME, Tipo: VARCHAR, Tamanho no banco local: 40, Tamanho no "
                     "servidor: 50\n");
    r = runTool(tool, {"--csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Tabela,Erro\r\nPRODUTO,\"Campo: NOME, Tipo: VARCHAR, Tamanho no banco local: "
                     "40, Tamanho no servidor: 50\"\r\n");
    r = runTool(tool, {"--conexao"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Conexão efetuada com sucesso.\n");

    const std::string url = p.server->descriptionUrl();
    p.server.reset();
    r = runTool(tool, {"--conexao"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err.rfind(
            "Erro ao conectar ao servidor central: Unable to load WSDL File/Location: " + url, 0),
        0u)
        << r.err;
    r = runTool(tool, {});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Erro ao conectar ao servidor central: ", 0), 0u);
}
