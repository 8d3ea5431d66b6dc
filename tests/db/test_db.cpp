#include "db/Connection.h"
#include "db/NamedSql.h"
#include "db/Script.h"
#include "platform/Cp1252.h"
#include "platform/Error.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using testing_support::TestDatabase;

using testing_support::failureOf;

namespace {} // namespace

TEST(NamedSql, ParametersOutsideQuotesAndComments) {
    struct Case {
        const char* text;
        const char* sql;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"select * from t where a = :PA", "select * from t where a = ?", {"PA"}},
        {"where a = :P and b = :Q or c = :P", "where a = ? and b = ? or c = ?", {"P", "Q", "P"}},
        {"where a = ':P' and b = \":Q\"", "where a = ':P' and b = \":Q\"", {}},
        {"where a = 'it''s :X' and b = :Y", "where a = 'it''s :X' and b = ?", {"Y"}},
        {"/* :A */ select :B -- :C\n, :D", "/* :A */ select ? -- :C\n, ?", {"B", "D"}},
        {"select a::b, x from t", "select a:b, x from t", {}},
        {"where a=:P_1$x)", "where a=?)", {"P_1$x"}},
        {"ends with :", "ends with :", {}},
        {"unclosed 'quote :P", "unclosed 'quote :P", {}},
    };
    for (const Case& c : cases) {
        const db::NamedSql parsed = db::parseNamedSql(c.text);
        EXPECT_EQ(parsed.sql, c.sql) << c.text;
        EXPECT_EQ(parsed.names, c.names) << c.text;
    }
}

TEST(Cp1252, EveryCodeRoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string utf8 = platform::cp1252ToUtf8(all);
    EXPECT_EQ(platform::utf8ToCp1252(utf8), all);
    EXPECT_EQ(platform::cp1252ToUtf8("\x80\xe7\xe3"), "€çã");
    EXPECT_EQ(platform::utf8ToCp1252("Não €"), "N\xe3o \x80");
    // No Windows-1252 code for these: a stand-in, never a cut.
    EXPECT_EQ(platform::utf8ToCp1252("a\xe4\xb8\xad"
                                     "b\xff"
                                     "c"),
              "a?b?c");
}

class ConnectionTest : public ::testing::Test {
protected:
    TestDatabase database;
    db::Connection& cn = database.connection();
};

TEST_F(ConnectionTest, OpensInDialectOneWithDoubleQuotedLiterals) {
    const db::Result r = cn.query("select mon$sql_dialect, \"literal\" as texto from mon$database");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0][0].toInt(), 1);
    EXPECT_EQ(r.at(0, "TEXTO").toText(), "literal");
    EXPECT_EQ(r.columns, (std::vector<std::string>{"MON$SQL_DIALECT", "TEXTO"}));
    // The connection asks for the role every branch database grants.
    const db::Result role = cn.query("select mon$role from mon$attachments "
                                     "where mon$attachment_id = current_connection");
    const std::string roleName = role.rows[0][0].toText();
    EXPECT_TRUE(roleName.rfind("NONE", 0) == 0 || roleName.rfind("ALRRQOGF", 0) == 0) << roleName;
}

TEST_F(ConnectionTest, NamedParametersTakeTheirValueAtEveryOccurrence) {
    cn.execute("insert into Filiais values (:P, :N)", {{"P", "01"}, {"N", "Matriz"}});
    cn.execute("insert into Filiais values (:p, :n)", {{"P", "02"}, {"N", nullptr}});
    const db::Result r =
        cn.query("select CodEmpresa, NomeEmpresa, ':P' as q from Filiais "
                 "where CodEmpresa = :PCod or NomeEmpresa = :PCod or CodEmpresa = :POutra",
                 {{"PCod", "01"}, {"POutra", "02"}});
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0][2].toText(), ":P");
    EXPECT_TRUE(r.at(1, "NomeEmpresa").isNull());
    EXPECT_EQ(failureOf([&] { cn.query("select * from Filiais where CodEmpresa = :PX"); }),
              "Parameter 'PX' not found");
}

TEST_F(ConnectionTest, FixedTextKeepsBlanksAndValuesKeepTheirKinds) {
    database.run("insert into IgfMaquina values ('01', 'A', '10', 7, '2026-05-03 14:05:09', "
                 "'2026-05-03', 99);");
    const db::Result r = cn.query("select Maquina, MaquinaECF || '|', QtdRegReceb, UltReceb, "
                                  "UltEnvio, cast('x' as char(4)) from IgfMaquina");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0][0].toText(), "01");
    EXPECT_EQ(r.rows[0][5].toText(), "x   ");
    EXPECT_EQ(r.rows[0][1].toText(), "A|");
    EXPECT_TRUE(r.rows[0][2].isInteger());
    EXPECT_EQ(r.rows[0][2].toInt(), 7);
    const db::Timestamp* t = r.rows[0][3].timestamp();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ((std::vector<int>{t->year, t->month, t->day, t->hour, t->minute, t->second}),
              (std::vector<int>{2026, 5, 3, 14, 5, 9}));
    EXPECT_TRUE(r.rows[0][4].timestamp()->isMidnight());
    // Timestamps go in as parameters too.
    db::Timestamp when{2025, 12, 31, 23, 59, 58, 0, true, true};
    cn.execute("update IgfMaquina set UltEnvio = :PQuando", {{"PQuando", when}});
    EXPECT_EQ(*cn.query("select UltEnvio from IgfMaquina").rows[0][0].timestamp(), when);
}

TEST_F(ConnectionTest, EveryByteCodeSurvivesTheDatabaseEdge) {
    // Codes 1..255 (0 ends a text at the client) in a text blob and a
    // column without character set; a blob larger than one segment.
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        bytes += static_cast<char>(c);
    const std::string text = platform::cp1252ToUtf8(bytes);
    database.run("create table Bytes (t varchar(300) character set none, b blob sub_type 1);");
    std::string big;
    while (big.size() < 300000)
        big += text;
    cn.execute("insert into Bytes values (:T, :B)", {{"T", text}, {"B", big}});
    const db::Result r = cn.query("select t, b from Bytes");
    EXPECT_TRUE(r.rows[0][0].toText() == text);
    EXPECT_EQ(r.rows[0][1].toText().size(), big.size());
    EXPECT_TRUE(r.rows[0][1].toText() == big);
}

TEST_F(ConnectionTest, TablesAndViewsWithoutSystemTables) {
    database.run("create view VFiliais as select * from Filiais;");
    const auto names = cn.tableNames();
    EXPECT_EQ(names,
              (std::vector<std::string>{"FILIAIS", "IGFMAQUINA", "INTEGERRO", "INTEGRECEB",
                                        "MVINTEGGERAL", "PARAOFFLINE", "PARAWEB", "VFILIAIS"}));
}

TEST_F(ConnectionTest, ExplicitTransactionHoldsStatementsUntilCommitOrRollback) {
    db::Connection other;
    other.setSettings(cn.settings());
    cn.startTransaction();
    cn.execute("insert into Filiais values ('01', 'Matriz')");
    EXPECT_EQ(cn.query("select count(*) from Filiais").rows[0][0].toInt(), 1);
    EXPECT_EQ(other.query("select count(*) from Filiais").rows[0][0].toInt(), 0);
    cn.rollback();
    EXPECT_FALSE(cn.inTransaction());
    EXPECT_EQ(cn.query("select count(*) from Filiais").rows[0][0].toInt(), 0);

    cn.startTransaction();
    cn.execute("insert into Filiais values ('02', 'Filial')");
    cn.commit();
    EXPECT_EQ(other.query("select count(*) from Filiais").rows[0][0].toInt(), 1);
    // Without an explicit transaction every statement commits by itself.
    cn.execute("insert into Filiais values ('03', 'Outra')");
    EXPECT_EQ(other.query("select count(*) from Filiais").rows[0][0].toInt(), 2);
}

TEST_F(ConnectionTest, WaitsOnALockConflictInsteadOfFailing) {
    cn.execute("insert into Filiais values ('01', 'Matriz')");
    db::Connection other;
    other.setSettings(cn.settings());
    other.startTransaction();
    other.execute("update Filiais set NomeEmpresa = 'A'");
    const auto start = std::chrono::steady_clock::now();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.rollback();
    });
    // Blocks until the other transaction ends, then succeeds.
    std::string failure;
    try {
        EXPECT_EQ(cn.execute("update Filiais set NomeEmpresa = 'B'"), 1);
    } catch (const platform::Error& e) {
        failure = e.what();
    }
    releaser.join();
    EXPECT_EQ(failure, "");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(cn.query("select NomeEmpresa from Filiais").rows[0][0].toText(), "B");
}

TEST_F(ConnectionTest, AStatementIsPreparedOnce) {
    const int before = cn.preparedCount();
    for (int i = 0; i < 20; ++i)
        cn.execute("insert into Filiais values (:P, 'x')", {{"P", std::to_string(10 + i)}});
    EXPECT_EQ(cn.preparedCount(), before + 1);
}

TEST_F(ConnectionTest, FailuresCarryTheClientsMessageAndAClosedConnectionReopens) {
    const std::string message = failureOf([&] { cn.query("select * from NaoExiste"); });
    EXPECT_NE(message.find("Table unknown"), std::string::npos) << message;
    EXPECT_NE(message.find("NAOEXISTE"), std::string::npos) << message;
    cn.close();
    EXPECT_FALSE(cn.isOpen());
    EXPECT_EQ(cn.query("select count(*) from Filiais").rows.size(), 1u);
    EXPECT_TRUE(cn.isOpen());

    db::Connection missing;
    missing.setSettings({database.dir().file("nao-existe.fdb"), "SYSDBA", "x"});
    const std::string open = failureOf([&] { missing.open(); });
    EXPECT_NE(open.find("nao-existe.fdb"), std::string::npos) << open;
    EXPECT_FALSE(missing.isOpen());
}

TEST(Script, SplitsAtTheTerminatorOutsideQuotesAndComments) {
    const auto parts = db::splitScript(
        "create table a (x int); -- a; comment\ninsert into a values (';');\n"
        "SET TERM ^ ;\ncreate trigger t for a before insert as begin new.x = 1; end^\n"
        "SET TERM ; ^\n/* ; */ select 1 from rdb$database;");
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[1], "insert into a values (';')");
    EXPECT_EQ(parts[2], "create trigger t for a before insert as begin new.x = 1; end");
    EXPECT_EQ(parts[3], "/* ; */ select 1 from rdb$database");
}
