#include "app/SyncRecords.h"
#include "db/Statements.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "views/TFUltRegSincro.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using testing_support::ScriptedDialogs;
using testing_support::TestDatabase;

namespace {

// Key tables of one, two, three and no columns; branch 02's machine has
// sent everything up to Ordem 100.
const char* kTables = R"(
create table K1 (A integer not null, constraint PK_K1 primary key (A));
create table K2 (B varchar(10) not null, A integer not null, constraint PK_K2 primary key (B, A));
create table K3 (A integer not null, B integer not null, C integer not null,
  constraint PK_K3 primary key (A, B, C));
create table SEMCHAVE (X integer);
insert into IgfMaquina values ('02', '0001', '1', 0, null, null, 100);
insert into IgfMaquina values ('03', '0001', '1', 0, null, null, 0);
)";

QStringList column(const app::RowList& list, const char* field) {
    QStringList out;
    for (std::size_t r = 0; r < list.size(); ++r)
        out << QString::fromStdString(list.text(r, field));
    return out;
}

} // namespace

class TstUltRegSincro : public QObject {
    Q_OBJECT

    struct Fixture {
        ScriptedDialogs dialogs;
        TestDatabase database;
        db::Connection cn;
        std::unique_ptr<views::TFUltRegSincro> janela;
        explicit Fixture(const std::string& rows) {
            database.run(kTables);
            database.run(rows);
            cn.setSettings(database.connection().settings());
        }
        views::TFUltRegSincro& open(const QString& branch) {
            janela = std::make_unique<views::TFUltRegSincro>(cn);
            janela->CodigoFilial = branch;
            janela->lblNomeEmpresa->setText(branch + " - Filial");
            janela->show();
            return *janela;
        }
    };

private slots:
    // Which queue rows each list of branch 02 shows.
    void theQueueListsFollowTheBranchRules() {
        const std::string rows =
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, DataEnvio, DataSinc) values "
            "(100, 'K1', '1', 'now', 'now');" // at UltIdServer: in neither list
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, DataEnvio, DataSinc) values "
            "(101, 'K1', '2', 'now', 'now');"                                           // sent
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (102, 'K1', '3');" // pending
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE3) values (103, 'TRANSFESTOQUE', '02');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE3) values (104, 'TRANSFESTOQUE', '03');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (105, 'MVGERAL', '02');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (106, 'MVGERAL', '03');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, DataSinc) values "
            "(107, 'MVGERAL', '02', 'now');" // sent, branch's own
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (50, 'K1', '9');" // old
            "insert into IntegReceb values ('02', 7, 'K1', 'A=7;');"
            "insert into IntegReceb values ('02', 9, 'K2', 'B=x;A=1;');"
            "insert into IntegReceb values ('03', 8, 'K1', 'A=8;');";
        Fixture f(rows);
        views::TFUltRegSincro& w = f.open("02");
        QAbstractItemModelTester tester(w.GridPrx->model());
        QCOMPARE(column(w.cdsRegEnviado(), "ORDEM"), (QStringList{"101", "107"}));
        QCOMPARE(column(w.cdsPrxReg(), "ORDEM"), (QStringList{"102", "103", "105"}));
        QCOMPARE(column(w.cdsRegReceb(), "ORDEM"), (QStringList{"9", "7"}));
        QCOMPARE(column(w.cdsRegReceb(), "CHAVE"), (QStringList{"B=x;A=1;", "A=7;"}));
        QCOMPARE(column(w.cdsPrxReg(), "CHAVE"), (QStringList{"A=3;", "", ""}));
        QCOMPARE(w.abas->currentIndex(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Últimos/Próximos registros sincronizados"));
        QCOMPARE(w.GridPrx->model()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Chave"));

        // A branch without rows shows empty lists.
        views::TFUltRegSincro& other = f.open("09");
        QVERIFY(other.cdsRegEnviado().empty() && other.cdsPrxReg().empty() &&
                other.cdsRegReceb().empty());
    }

    void keyTextsSpellOutTheKey() {
        const std::string longValue(30, 'v');
        const std::string rows =
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, CHAVE1) values "
            "(201, 'K2', ' b ', '7');" // values untrimmed
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, CHAVE1, CHAVE2) values "
            "(202, 'K3', '1', '2', '3');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (203, 'SEMCHAVE', '1');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (204, 'NAOEXISTE', '1');"
            "insert into MvIntegGeral (Ordem, Tabela, CHAVE0, CHAVE1) values (205, 'K2', null, "
            "'');";
        Fixture f(rows);
        views::TFUltRegSincro& w = f.open("02");
        QCOMPARE(column(w.cdsPrxReg(), "CHAVE"),
                 (QStringList{"B= b ;A=7;", "A=1;B=2;C=3;", "", "", "B=;A=;"}));

        // The 200-character cut, and a key of twelve columns spelled out up to its tenth.
        std::string ddl = "create table LONGA (";
        std::string pk;
        for (int i = 0; i < 12; ++i) {
            const std::string name = "COLUNA_DE_NOME_LONGO_" + std::to_string(i);
            ddl += name + " varchar(30) not null, ";
            pk += (i ? ", " : "") + name;
        }
        f.database.run(ddl + "constraint PK_LONGA primary key (" + pk + "));");
        std::string values;
        for (int i = 0; i < 10; ++i)
            values += ", '" + longValue + "'";
        f.database.run("insert into MvIntegGeral (Ordem, Tabela, CHAVE0, CHAVE1, CHAVE2, CHAVE3, "
                       "CHAVE4, CHAVE5, CHAVE6, CHAVE7, CHAVE8, CHAVE9) values (206, 'LONGA'" +
                       values + ");");
        db::Connection cn;
        cn.setSettings(f.database.connection().settings());
        const auto names = app::ObterChavePrimaria(cn, "LONGA");
        QCOMPARE(names.size(), std::size_t(12));
        QCOMPARE(QString::fromStdString(names[11]), QStringLiteral("COLUNA_DE_NOME_LONGO_11"));
        const db::Result list = app::openQueueList(cn, db::sql::PrxReg, "02");
        const std::string key = list.at(list.rows.size() - 1, "CHAVE").toText();
        QCOMPARE(key.size(), std::size_t(200));
        QVERIFY(key.rfind("COLUNA_DE_NOME_LONGO_0=" + longValue + ";COLUNA", 0) == 0);
        const db::Result all = app::openQueueList(cn, db::sql::PrxRegTodos(), "02");
        const std::string full = app::MontarChave(names, all, all.rows.size() - 1);
        QVERIFY(full.find("COLUNA_DE_NOME_LONGO_9=" + longValue + ";") != std::string::npos);
        QVERIFY(full.find("COLUNA_DE_NOME_LONGO_10") == std::string::npos);
    }

    void allRecordsListsEveryPendingRecordWithTwoMachines() {
        std::string rows = "insert into IgfMaquina values ('02', '0002', '1', 0, null, null, 100);";
        for (int i = 0; i < 20; ++i)
            rows += "insert into MvIntegGeral (Ordem, Tabela, CHAVE0) values (" +
                    std::to_string(300 + i) + ", 'K1', '" + std::to_string(i) + "');";
        Fixture f(rows);
        views::TFUltRegSincro& w = f.open("02");
        QCOMPARE(w.cdsPrxReg().size(), std::size_t(15));
        w.abas->setCurrentIndex(2);
        QTest::mouseClick(w.btTodos, Qt::LeftButton);
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(w.cdsPrxReg().size(), std::size_t(20));
        QCOMPARE(QString::fromStdString(w.cdsPrxReg().text(19, "CHAVE")), QStringLiteral("A=19;"));
        QCOMPARE(w.abas->tabText(2), QStringLiteral("15 Próximos registros que serão enviados"));
        // A new showing starts on tab 1 in the 15-row mode again.
        w.hide();
        w.show();
        QCOMPARE(w.abas->currentIndex(), 0);
        views::TFUltRegSincro& again = f.open("02");
        QCOMPARE(again.cdsPrxReg().size(), std::size_t(15));
    }

    void aFailingListReachesTheFailurePolicy() {
        Fixture f("");
        f.database.run("drop table IntegReceb;");
        views::TFUltRegSincro& w = f.open("02");
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("INTEGRECEB")));
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TstUltRegSincro)
#include "tst_ultregsincro.moc"
