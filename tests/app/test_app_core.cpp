#include "app/Database.h"
#include "app/Decifra.h"
#include "app/Formats.h"
#include "app/IniFile.h"
#include "app/StatusRows.h"
#include "db/Statements.h"
#include "platform/Error.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::TempDir;
using testing_support::TestDatabase;
using testing_support::writeFile;

extern char** environ;

using testing_support::failureOf;

namespace {

// Runs a program with arguments (no shell) and returns what it printed.
std::string run(const std::vector<std::string>& args, int* status = nullptr) {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("spawn " + args[0]);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    if (status)
        *status = WEXITSTATUS(st);
    return out;
}

const std::string kMissingPath = "Caminho do banco de dados não configurado no \"Caminho.Ini\".\r\n"
                                 "Entre em contato com o suporte técnico.";

} // namespace

TEST(Decifra, WorkedValuesAndEdges) {
    struct Case {
        std::string scrambled, clear;
    };
    const Case cases[] = {
        {"", ""},        {"5", ""}, // a lone character decodes to code 0
        {"51", "\x15"},             // 5 + 16 * 1 = 21
        {"0F", "\xF0"},             // 0 + 16 * 15 = 240
        {"51X", "\x15"},            // an odd last character is dropped
        {"a1", "\x10"},             // lower case counts as "0": like "01"
        {" 1", "\x10"},             // so do blanks
        {"!1", "\x10"},             // and punctuation
        {"00", ""},                 // code 0 at once: nothing
        {"0051", ""},               // and nothing after it survives
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::Decifra(c.scrambled), c.clear) << c.scrambled;
}

TEST(Decifra, AZeroPairEndsTheTextAndPrefixesAgree) {
    // Find a second pair that decodes to 0 under the state left by "51".
    const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string zeroPair;
    for (char a : alphabet)
        for (char b : alphabet)
            if (zeroPair.empty() && app::Decifra(std::string("51") + a + b) == "\x15")
                zeroPair = std::string{a, b};
    ASSERT_FALSE(zeroPair.empty());
    EXPECT_EQ(app::Decifra("51" + zeroPair + "5151"), "\x15");

    const std::string base = app::Cifra("segredo");
    EXPECT_EQ(app::Decifra(base.substr(0, 8) + "ZZZZZZ").substr(0, 4), "segr");
}

TEST(Decifra, CifraRoundTripsRandomTexts) {
    std::mt19937 random(12345);
    for (int i = 0; i < 2000; ++i) {
        std::string clear(random() % 40, ' ');
        for (char& c : clear)
            c = static_cast<char>(1 + random() % 255);
        const std::string scrambled = app::Cifra(clear, random());
        ASSERT_EQ(scrambled.size(), clear.size() * 2);
        ASSERT_EQ(scrambled.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                  std::string::npos);
        ASSERT_EQ(app::Decifra(scrambled), clear);
        ASSERT_LE(app::Decifra(scrambled.substr(0, random() % (scrambled.size() + 1))).size(),
                  clear.size());
    }
    EXPECT_EQ(app::Decifra(app::Cifra(std::string("ab\0cd", 5))), "ab");
}

TEST(Decifra, ToolRoundTripsRandomTexts) {
    const std::string tool = PAINEL_BUILD_DIR "/painel-cifra";
    std::mt19937 random(777);
    const std::vector<std::string> pieces = {"a",  "Z", "9", " ",  "ç",     "ã",      "€", "!",
                                             "\"", "'", "$", "\\", "senha", "SYSDBA", "-", "%s"};
    for (int i = 0; i < 40; ++i) {
        std::string clear;
        for (unsigned k = 1 + random() % 10; k > 0; --k)
            clear += pieces[random() % pieces.size()];
        std::string scrambled = run({tool, clear});
        ASSERT_FALSE(scrambled.empty());
        scrambled.pop_back(); // newline
        EXPECT_EQ(run({tool, "--decifra", scrambled}), clear + "\n") << clear;
    }
    int status = 0;
    run({tool}, &status);
    EXPECT_EQ(status, 2);
}

TEST(IniFile, FormatRules) {
    const app::IniFile ini = app::IniFile::parse("CAMINHO=antes\n"
                                                 "[ databaseEstoque ]\r\n"
                                                 "  ; CAMINHO=comentario\n"
                                                 "  caminho  =  /dados/banco.fdb  \r\n"
                                                 "USUARIO=a=b\n"
                                                 "SENHA\n"
                                                 "Vazio=\n"
                                                 "[Outra]\n"
                                                 "CAMINHO=outra\n");
    EXPECT_EQ(ini.value("DATABASEESTOQUE", "CAMINHO"), "/dados/banco.fdb");
    EXPECT_EQ(ini.value("databaseestoque", "Usuario"), "a=b");
    EXPECT_EQ(ini.value("DATABASEESTOQUE", "SENHA"), "");
    EXPECT_EQ(ini.value("DATABASEESTOQUE", "Vazio"), "");
    EXPECT_EQ(ini.value("Outra", "CAMINHO"), "outra");
    EXPECT_EQ(ini.value("Nenhuma", "CAMINHO"), "");
}

class ConectarBancoTest : public ::testing::Test {
protected:
    TestDatabase database;
    TempDir folder;
    db::Connection connection;

    void ini(const std::string& content) { writeFile(folder.file("Caminho.ini"), content); }
    std::string connect() {
        return failureOf([&] { app::ConectarBanco(connection, folder.path().string()); });
    }
};

TEST_F(ConectarBancoTest, OpensTheConfiguredDatabaseWithDescrambledCredentials) {
    ini("[DATABASEESTOQUE]\nCAMINHO = " + database.path() +
        "  \nUSUARIO=" + app::Cifra("SYSDBA", 3) + "\nSENHA=" + app::Cifra("masterkey", 9) + "\n");
    EXPECT_EQ(connect(), "(no failure)");
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.settings().user, "SYSDBA");
    EXPECT_EQ(connection.settings().password, "masterkey");
    EXPECT_EQ(connection.settings().role, "AlrrQogf");
    EXPECT_EQ(connection.query("select current_user from rdb$database").rows[0][0].toText(),
              "SYSDBA");
}

TEST_F(ConectarBancoTest, WithoutCredentialsTheyAreEmpty) {
    ini("[DATABASEESTOQUE]\nCAMINHO=" + database.path() + "\n");
    connect(); // the embedded engine may accept or refuse an empty user
    EXPECT_EQ(connection.settings().user, "");
    EXPECT_EQ(connection.settings().password, "");
}

TEST_F(ConectarBancoTest, BadConfigurationGivesTheMissingPathMessage) {
    const std::string junk("\x00\xff\xfe[\x01=\x02\n\x80\x81\x00=", 14);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"binary junk", junk},
        {"no section", "CAMINHO=" + database.path() + "\n"},
        {"other section", "[OUTRA]\nCAMINHO=" + database.path() + "\n"},
        {"key without value", "[DATABASEESTOQUE]\nCAMINHO=\n"},
        {"key without =", "[DATABASEESTOQUE]\nCAMINHO\n"},
    };
    for (const auto& [name, content] : cases) {
        ini(content);
        EXPECT_EQ(connect(), kMissingPath) << name;
        EXPECT_FALSE(connection.isOpen()) << name;
    }
    std::filesystem::remove(folder.file("Caminho.ini"));
    EXPECT_EQ(connect(), kMissingPath) << "missing file";
}

TEST_F(ConectarBancoTest, UnreadableFileIsAClearError) {
    std::filesystem::create_directory(folder.file("Caminho.ini"));
    const std::string message = connect();
    EXPECT_NE(message.find("Caminho.ini"), std::string::npos) << message;
    EXPECT_NE(message.find("Is a directory"), std::string::npos) << message;
}

TEST_F(ConectarBancoTest, ConnectFailureNamesLocationAndReason) {
    const std::string location = folder.file("nao-existe.fdb");
    ini("[DATABASEESTOQUE]\nCAMINHO=" + location + "\n");
    const std::string message = connect();
    const std::string lead = "Falha ao conectar banco de dados " + location + ". Motivo: ";
    EXPECT_EQ(message.substr(0, lead.size()), lead) << message;
    EXPECT_NE(message.find("I/O error"), std::string::npos) << message;
    const std::string tail = "\r\nEntre em contato com o suporte técnico.";
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
}

TEST(AjustarColunaMaquinaECF, OnlyAnExactSShowsTheColumn) {
    TestDatabase database;
    db::Connection& cn = database.connection();
    const std::vector<std::pair<const char*, bool>> cases = {
        {nullptr, false}, {"S", true}, {"s", false}, {"N", false}, {"NULL", false}};
    for (const auto& [value, shown] : cases) {
        cn.execute("delete from PARAWEB");
        if (value && std::string(value) == "NULL")
            cn.execute("insert into PARAWEB values (null)");
        else if (value)
            cn.execute("insert into PARAWEB values (:P)", {{"P", value}});
        EXPECT_EQ(app::AjustarColunaMaquinaECF(cn), shown) << (value ? value : "no row");
    }
    cn.close(); // its prepared statements hold the table
    cn.execute("drop table PARAWEB");
    EXPECT_NE(failureOf([&] { app::AjustarColunaMaquinaECF(cn); }).find("PARAWEB"),
              std::string::npos);
}

TEST(TransactionGuards, RefuseMisuseAndKeepTheActiveTransaction) {
    TestDatabase database;
    db::Connection& cn = database.connection();
    app::TransactionGuards guards(cn);
    EXPECT_EQ(failureOf([&] { guards.ConfirmarTransacao(); }),
              "Detectada falha no controle de confirma transação: Transação não aberta.");
    EXPECT_EQ(failureOf([&] { guards.CancelarTransacao(); }),
              "Detectada falha no controle de cancelamento de transação: Transação não aberta.");
    guards.IniciarTransacao();
    EXPECT_EQ(guards.descriptor().id, 1u);
    cn.execute("insert into Filiais values ('01', 'Matriz')");
    EXPECT_EQ(failureOf([&] { guards.IniciarTransacao(); }),
              "Detectada falha no controle de inicia transação: Transação não fechada.");
    EXPECT_TRUE(cn.inTransaction());
    guards.CancelarTransacao();
    EXPECT_EQ(cn.query("select count(*) from Filiais").rows[0][0].toInt(), 0);
    guards.IniciarTransacao();
    cn.execute("insert into Filiais values ('01', 'Matriz')");
    guards.ConfirmarTransacao();
    EXPECT_FALSE(cn.inTransaction());
    EXPECT_EQ(cn.query("select count(*) from Filiais").rows[0][0].toInt(), 1);
}

TEST(Formats, EndingFailuresAndGridDates) {
    const std::vector<std::pair<std::string, bool>> ending = {
        {"connection shutdown", true}, {"Database is ShutDown", true},
        {"xxSHUTDOWNxx", true},        {"Error: Connection Lost to database", true},
        {"connection  lost", false},   {"shut down", false},
        {"Table unknown", false},
    };
    for (const auto& [text, ends] : ending)
        EXPECT_EQ(app::isEndingFailure(text), ends) << text;

    EXPECT_EQ(app::formatGridDate(db::Timestamp{2026, 3, 7, 0, 0, 0, 0, true, true}), "07/03/2026");
    EXPECT_EQ(app::formatGridDate(db::Timestamp{2026, 3, 7, 9, 5, 1, 0, true, true}),
              "07/03/2026 09:05:01");
    EXPECT_EQ(app::formatGridDate(db::Timestamp{2026, 3, 7, 0, 0, 0, 1, true, true}),
              "07/03/2026 00:00:00");
    EXPECT_EQ(app::formatGridDate(db::Value()), "");
}

// The remote path: a real Firebird server on localhost, started by scripts/test.
class RemoteServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_support::remoteServer().empty())
            GTEST_SKIP() << "no Firebird server (scripts/test starts one)";
    }
};

TEST_F(RemoteServerTest, ConnectsThroughCaminhoIniAndReportsTheServersReason) {
    TestDatabase database;
    TempDir folder;
    ::chmod(database.dir().path().c_str(), 0777);
    const std::string location = testing_support::remoteServer() + ":" + database.path();
    auto writeIni = [&](const std::string& password) {
        writeFile(folder.file("Caminho.ini"), "[DATABASEESTOQUE]\nCAMINHO=" + location +
                                                  "\nUSUARIO=" + app::Cifra("SYSDBA", 1) +
                                                  "\nSENHA=" + app::Cifra(password, 2) + "\n");
    };
    database.connection().close(); // the server opens the file on its own
    writeIni(testing_support::remotePassword());
    db::Connection cn;
    EXPECT_EQ(failureOf([&] { app::ConectarBanco(cn, folder.path().string()); }), "(no failure)");
    EXPECT_EQ(cn.query("select mon$remote_protocol from mon$attachments "
                       "where mon$attachment_id = current_connection")
                  .rows[0][0]
                  .toText()
                  .substr(0, 4),
              "TCPv");
    cn.close();

    writeIni("senha-errada");
    const std::string message = failureOf([&] { app::ConectarBanco(cn, folder.path().string()); });
    EXPECT_EQ(message, "Falha ao conectar banco de dados " + location +
                           ". Motivo: Your user name and password are not defined. Ask your "
                           "database administrator to set up a Firebird login.\r\n"
                           "Entre em contato com o suporte técnico.");
}

// The panel's status rows must be exactly those of the reference statement.
TEST(StatusRows, EqualTheReferenceStatementInEveryCase) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"no machine", ""},
        {"machine without branch",
         "insert into Filiais values ('01', 'Matriz');"
         "insert into IgfMaquina values ('09', '0001', '5', 1, null, null, 0);"},
        {"branch with two machines, errors of each",
         "insert into Filiais values ('02', 'Campinas');"
         "insert into IgfMaquina values ('02', '0001', '10', 3, '2026-01-02 10:00:00', "
         "'2026-01-02', 5);"
         "insert into IgfMaquina values ('02', '0002', '10', 0, null, null, 5);"
         "insert into IntegErro values ('02', 1, 'now', 'x', 'N', '0002');"},
        {"error of another machine, reviewed error, null machine",
         "insert into Filiais values ('03', 'Santos');"
         "insert into Filiais values ('04', 'Curitiba');"
         "insert into IgfMaquina values ('03', '0001', null, null, null, null, null);"
         "insert into IgfMaquina values ('04', null, '1', 2, null, null, null);"
         "insert into IntegErro values ('03', 1, 'now', 'x', 'N', '0009');"
         "insert into IntegErro values ('03', 2, 'now', 'x', 'S', '0001');"
         "insert into IntegErro values ('04', 1, 'now', 'x', 'N', null);"},
        {"null branch name, several branches and a queue",
         "insert into Filiais values ('05', null);"
         "insert into Filiais values ('06', 'Alfa');"
         "insert into Filiais values ('07', 'Zeta');"
         "insert into IgfMaquina values ('07', '0001', '1', 0, null, null, 0);"
         "insert into IgfMaquina values ('05', '0001', '1', 0, null, null, 0);"
         "insert into IgfMaquina values ('06', '0001', '1', 0, null, null, 0);"
         "insert into IntegErro values ('06', 1, 'now', 'x', 'N', '0001');"
         "insert into MvIntegGeral (Ordem, Tabela) values (1, 'A');"
         "insert into MvIntegGeral (Ordem, Tabela, DataEnvio) values (2, 'A', 'now');"
         "insert into MvIntegGeral (Ordem, Tabela, DataEnvio) values (3, 'A', 'now');"
         "insert into MvIntegGeral (Ordem, Tabela, DataEnvio, DataSinc) values (4, 'A', 'now', "
         "'now');"
         "insert into MvIntegGeral (Ordem, Tabela, DataSinc) values (5, 'A', 'now');"},
    };
    std::string all;
    for (const auto& [name, script] : cases) {
        all += script; // each case adds to the ones before it
        TestDatabase fresh;
        fresh.run(all);
        const db::Result reference = fresh.connection().query(db::sql::Filiais);
        const db::Result panel = app::loadStatusRows(fresh.connection());
        EXPECT_EQ(panel.columns, reference.columns) << name;
        EXPECT_EQ(panel.rows, reference.rows) << name;
    }
    // What the last case shows, spelled out.
    TestDatabase last;
    last.run(all);
    const db::Result r = app::loadStatusRows(last.connection());
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < r.rows.size(); ++i)
        seen.push_back(r.at(i, "NOME").toText() + "|" + r.at(i, "MAQUINAECF").toText() + "|" +
                       r.at(i, "STATUSERRO").toText() + "|" + r.at(i, "QTDREGENVIAR").toText() +
                       "|" + r.at(i, "QTDREGACONFIRMAR").toText());
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "|0001|Não|2|2", // null name sorts first and shows empty
                        "06 - Alfa|0001|Sim|2|2",
                        "02 - Campinas|0001|Não|2|2",
                        "02 - Campinas|0002|Sim|2|2",
                        "04 - Curitiba||Não|2|2", // null machine never "Sim"
                        "03 - Santos|0001|Não|2|2",
                        "07 - Zeta|0001|Não|2|2",
                    }));
}
