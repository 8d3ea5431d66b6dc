#include "analytics/Analytics.h"
#include "app/Decifra.h"
#include "app/FailurePolicy.h"
#include "app/TFPainel.h"
#include "integrity/TFListaDivergencias.h"
#include "platform/Error.h"
#include "server/CentralServer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "views/TFUltRegSincro.h"
#include "views/TFVisualizar.h"
#include "views/TFVisualizarLog.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;
using testing_support::TestDatabase;

namespace {

const char* kBranches = R"(
insert into Filiais values ('01', 'Matriz');
insert into Filiais values ('02', 'Campinas');
insert into IgfMaquina values ('01', '0001', '00:05', 4, '2026-03-07 09:05:01', '2026-03-07', 10);
insert into IgfMaquina values ('02', '0001', '00:10', 0, null, null, 10);
insert into IgfMaquina values ('02', '0002', '00:10', 0, null, null, 10);
insert into IntegErro values ('02', 1, 'now', 'falha', 'N', '0002');
insert into MvIntegGeral (Ordem, Tabela) values (1, 'CLIENTE');
)";

QString folderOf(const TempDir& dir) {
    return QString::fromStdString(dir.path());
}

void writeIni(const TempDir& dir, const std::string& location) {
    testing_support::writeFile(dir.file("Caminho.ini"), "[DATABASEESTOQUE]\nCAMINHO=" + location +
                                                            "\nUSUARIO=" + app::Cifra("SYSDBA") +
                                                            "\nSENHA=" + app::Cifra("masterkey") +
                                                            "\n");
}

QString cell(const app::TFPainel& p, int row, const char* field) {
    return p.modelo()->index(row, p.modelo()->columnOf(field)).data().toString();
}

// Closes the next modal window that comes up, after `check` looked at it.
void closeNextModal(std::function<void(QWidget*)> check = {}) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return closeNextModal(check);
        if (check)
            check(modal);
        modal->close();
    });
}

} // namespace

class TstPainel : public QObject {
    Q_OBJECT

    // A panel over a fresh database holding kBranches, shown and refreshed.
    struct Fixture {
        ScriptedDialogs dialogs;
        TestDatabase database;
        TempDir dir;
        std::unique_ptr<app::TFPainel> painel;
        explicit Fixture(const char* extra = "") {
            database.run(kBranches);
            database.run(extra);
            writeIni(dir, database.path());
            painel = std::make_unique<app::TFPainel>(folderOf(dir));
            painel->setClock([] { return QDateTime(QDate(2026, 12, 11), QTime(7, 8, 9)); });
            painel->show();
            QTRY_VERIFY(painel->lblAtualizado->text() != QStringLiteral("Atualizado em:"));
        }
    };

private slots:
    void startsConnectedWithTheExactCaption() {
        Fixture f("insert into PARAWEB values ('S');");
        app::TFPainel& painel = *f.painel;
        QCOMPARE(
            painel.windowTitle(),
            QStringLiteral("Painel de Controle para Integração - Módulo Cliente - v.29.05ed0"));
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(painel.cnTarvesk().isOpen());
        QVERIFY(!painel.GridPainel->isColumnHidden(painel.modelo()->columnOf("MAQUINAECF")));
        QCOMPARE(painel.size(), QSize(1114, 484));
        QCOMPARE(painel.minimumSize(), painel.maximumSize());
        QCOMPARE(painel.btFechar->text(), QStringLiteral("&Fechar"));
        // No branch is ever logged: showing the window sends no usage event.
        QCOMPARE(analytics::TThreadDataAnalyticsRest::workersStarted(), 0);
    }

    void aFailedStartShowsTheMessageAndOpensAnyway() {
        ScriptedDialogs dialogs;
        TempDir dir; // no Caminho.ini at all
        app::TFPainel painel(folderOf(dir));
        QCOMPARE(dialogs.texts("Erro"),
                 QStringList{QStringLiteral("Caminho do banco de dados não configurado no "
                                            "\"Caminho.Ini\".\r\nEntre em contato com o suporte "
                                            "técnico.")});
        QCOMPARE(dialogs.shown[0].buttons, platform::Dialogs::Buttons::OkCancel);
        QVERIFY(painel.windowTitle().endsWith(QStringLiteral("v.29.05ed0")));
        painel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&painel));
        // The first refresh tries the connection and reports its own failure.
        QTRY_COMPARE(dialogs.shown.size(), 2);
        QVERIFY(painel.isVisible());
        QVERIFY(!painel.cnTarvesk().isOpen());
        QCOMPARE(painel.lblAtualizado->text(), QStringLiteral("Atualizado em:"));
        QVERIFY(painel.Timer->isActive());
    }

    void showsTheStatusRowsWithTheirColumns() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        QAbstractItemModelTester tester(p.modelo());
        QCOMPARE(p.lblAtualizado->text(),
                 QStringLiteral("Informações atualizadas em 11/12/2026 07:08:09"));
        QCOMPARE(p.modelo()->rowCount(), 3);
        QStringList titles, shown;
        for (int c = 0; c < p.modelo()->columnCount(); ++c) {
            titles << p.modelo()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            if (!p.GridPainel->isColumnHidden(c))
                shown << QString::number(p.GridPainel->columnWidth(c));
        }
        QCOMPARE(titles, (QStringList{"Filial", "Maq. ECF", "Erro?", "Intervalo",
                                      "Último Recebimento", "Último Envio", "A serem recebidos",
                                      "A serem enviados", "Aguardando Confirmação"}));
        QCOMPARE(shown, (QStringList{"225", "40", "75", "135", "130", "125", "125", "160"}));
        QVERIFY(p.GridPainel->isColumnHidden(1)); // PARAWEB has no "S"
        QCOMPARE(cell(p, 0, "NOME"), QStringLiteral("02 - Campinas"));
        QCOMPARE(cell(p, 2, "NOME"), QStringLiteral("01 - Matriz"));
        QCOMPARE(cell(p, 2, "ULTRECEB"), QStringLiteral("07/03/2026 09:05:01"));
        QCOMPARE(cell(p, 2, "ULTENVIO"), QStringLiteral("07/03/2026"));
        QCOMPARE(cell(p, 0, "ULTENVIO"), QString());
        QCOMPARE(cell(p, 2, "QTDREGENVIAR"), QStringLiteral("1"));
        QCOMPARE(p.modelo()->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QCOMPARE(p.GridPainel->currentIndex().row(), 0);
        QCOMPARE(p.codigoFilialAtual(), QStringLiteral("02"));
    }

    void rowsWithUnreviewedErrorsAreOrangeInEveryCell() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        int simRow = -1;
        for (int r = 0; r < 3; ++r)
            if (cell(p, r, "STATUSERRO") == QStringLiteral("Sim"))
                simRow = r;
        QVERIFY(simRow >= 0);
        const QColor orange(0xF1, 0x96, 0x0E);
        // The current cell too: paint it and look.
        p.GridPainel->setCurrentIndex(p.modelo()->index(simRow, 0));
        const QImage image = p.GridPainel->viewport()->grab().toImage();
        for (int c : {0, 2, 3, 8}) {
            const QRect rect = p.GridPainel->visualRect(p.modelo()->index(simRow, c));
            QCOMPARE(QColor(image.pixel(rect.right() - 3, rect.center().y())), orange);
        }
        for (int r = 0; r < 3; ++r)
            if (r != simRow)
                QVERIFY(!p.modelo()->index(r, 0).data(Qt::BackgroundRole).isValid());
    }

    void intervalParsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds"); // -999: invalid
        QTest::newRow("decimal") << "15" << 15;
        QTest::newRow("leading blanks") << "  5" << 5;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("minus") << "-3" << -3;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("dollar hex") << "$1A" << 26;
        QTest::newRow("x hex") << "x1f" << 31;
        QTest::newRow("X hex after sign") << "-X10" << -16;
        QTest::newRow("letters") << "ab" << -999;
        QTest::newRow("empty") << "" << -999;
        QTest::newRow("trailing blank") << "5 " << -999;
        QTest::newRow("only a sign") << "-" << -999;
        QTest::newRow("only a prefix") << "$" << -999;
        QTest::newRow("hex digit in decimal") << "1f" << -999;
        QTest::newRow("0x is not a prefix") << "0x10" << -999;
        QTest::newRow("too large") << "99999999999" << -999;
    }
    void intervalParsing() {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        if (seconds != -999) {
            QCOMPARE(app::parseInterval(text), seconds);
            return;
        }
        try {
            app::parseInterval(text);
            QFAIL("accepted");
        } catch (const platform::Error& e) {
            QCOMPARE(QString::fromStdString(e.what()),
                     "'" + text + "' is not a valid integer value");
        }
    }

    void theIntervalBoxDrivesTheTimer() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        QCOMPARE(p.intervaloMs(), 15000);
        p.edtIntervalo->setText("5");
        p.edtIntervaloExit();
        QCOMPARE(p.Timer->interval(), 5000);
        QVERIFY(p.Timer->isActive());

        p.edtIntervalo->setText("ab");
        app::guarded([&] { p.edtIntervaloExit(); });
        QCOMPARE(f.dialogs.texts("Erro"), QStringList{"'ab' is not a valid integer value"});
        QCOMPARE(p.intervaloMs(), 5000);
        QCOMPARE(p.edtIntervalo->text(), QStringLiteral("ab"));
        QVERIFY(p.Timer->isActive());

        for (const char* off : {"0", "-1"}) {
            p.edtIntervalo->setText(off);
            p.edtIntervaloExit();
            QVERIFY(!p.Timer->isActive());
            // Refreshing on demand still works and leaves the timer off.
            p.setClock([] { return QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)); });
            QTest::mouseClick(p.btAtualizar, Qt::LeftButton);
            QCOMPARE(p.lblAtualizado->text(),
                     QStringLiteral("Informações atualizadas em 02/01/2027 03:04:05"));
            QVERIFY(!p.Timer->isActive());
            p.setClock([] { return QDateTime(QDate(2026, 12, 11), QTime(7, 8, 9)); });
        }

        // Leaving the box for another control applies it.
        p.edtIntervalo->setText("7");
        p.activateWindow();
        p.edtIntervalo->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(p.edtIntervalo->hasFocus());
        p.btAtualizar->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(p.intervaloMs(), 7000);
        QVERIFY(p.Timer->isActive());
    }

    void theTimerRefreshesAndARefreshRestartsIt() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        p.Timer->setInterval(30);
        p.setClock([] { return QDateTime(QDate(2030, 1, 1), QTime(1, 1, 1)); });
        f.database.run("insert into Filiais values ('03', 'Santos');"
                       "insert into IgfMaquina values ('03', '0001', '1', 0, null, null, 0);");
        QTRY_COMPARE(p.modelo()->rowCount(), 4);
        QVERIFY(p.lblAtualizado->text().endsWith(QStringLiteral("01/01/2030 01:01:01")));
        QVERIFY(!p.lblAtualizandoPainel->isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void aDatabaseThatStaysDownShowsOneBoxAtATime() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        const QString before = p.lblAtualizado->text();
        // The database goes away under the panel.
        p.cnTarvesk().close();
        f.database.connection().close();
        std::filesystem::rename(f.database.path(), f.database.path() + ".moved");
        int open = 0, most = 0;
        f.dialogs.whileOpen = [&](const ScriptedDialogs::Shown&) {
            most = std::max(most, ++open);
            QVERIFY(!p.Timer->isActive());
            QTest::qWait(200); // many intervals pass while the box is open
            --open;
        };
        p.Timer->setInterval(20);
        p.Timer->start();
        QTRY_VERIFY(f.dialogs.shown.size() >= 3);
        p.Timer->stop();
        QCOMPARE(most, 1);
        QVERIFY(f.dialogs.shown.size() <= 5); // ~one box per 200 ms, not one per tick
        QCOMPARE(p.modelo()->rowCount(), 0);
        QCOMPARE(p.lblAtualizado->text(), before);
        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("I/O error")));
        QVERIFY(!p.lblAtualizandoPainel->isVisible());
        QVERIFY(!QApplication::overrideCursor());

        // After a failed refresh by hand, the timer runs again.
        f.dialogs.whileOpen = nullptr;
        p.Timer->setInterval(60000);
        p.btAtualizarClick();
        QVERIFY(p.Timer->isActive());
        std::filesystem::rename(f.database.path() + ".moved", f.database.path());
        p.btAtualizarClick();
        QCOMPARE(p.modelo()->rowCount(), 3);
    }

    void aClickOnErroOpensTheBranchErrorsAndComesBackToThatColumn() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        const int erro = p.modelo()->columnOf("STATUSERRO");
        const QRect rect = p.GridPainel->visualRect(p.modelo()->index(1, erro));
        QString branch, name;
        bool timerWasStopped = false;
        closeNextModal([&](QWidget* modal) {
            auto* w = qobject_cast<QDialog*>(modal);
            QVERIFY(w);
            auto* janela = static_cast<views::TFVisualizar*>(w);
            branch = janela->CodigoFilial;
            name = janela->lblNomeEmpresa->text();
            timerWasStopped = !p.Timer->isActive();
        });
        QTest::mouseClick(p.GridPainel->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_VERIFY(!branch.isEmpty());
        QCOMPARE(branch, QStringLiteral("02"));
        QCOMPARE(name, QStringLiteral("02 - Campinas"));
        QVERIFY(timerWasStopped);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(p.GridPainel->currentIndex().column(), erro);
        QCOMPARE(p.GridPainel->currentIndex().row(), 0);
        QVERIFY(p.Timer->isActive());

        // Clicks elsewhere open nothing.
        const QRect other = p.GridPainel->visualRect(p.modelo()->index(1, 0));
        QTest::mouseClick(p.GridPainel->viewport(), Qt::LeftButton, {}, other.center());
        QTest::qWait(50);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(p.codigoFilialAtual(), QStringLiteral("02"));
    }

    void syncedRecordsRefreshAndRestartTheTimer() {
        Fixture f;
        app::TFPainel& p = *f.painel;
        p.setClock([] { return QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9)); });
        p.Timer->stop();
        QString branch, caption;
        bool timerWasStopped = false;
        closeNextModal([&](QWidget* modal) {
            auto* janela = dynamic_cast<views::TFUltRegSincro*>(modal);
            QVERIFY(janela);
            branch = janela->CodigoFilial;
            caption = janela->lblNomeEmpresa->text();
            timerWasStopped = !p.Timer->isActive();
        });
        QTest::mouseClick(p.btUltReg, Qt::LeftButton);
        QCOMPARE(branch, QStringLiteral("02"));
        QCOMPARE(caption, QStringLiteral("02 - Campinas"));
        QVERIFY(timerWasStopped);
        QVERIFY(p.lblAtualizado->text().endsWith(QStringLiteral("06/05/2031 07:08:09")));
        QVERIFY(p.Timer->isActive());

        // A double-click on the grid opens it too; the log window leaves the timer alone.
        bool opened = false;
        closeNextModal(
            [&](QWidget* modal) { opened = dynamic_cast<views::TFUltRegSincro*>(modal); });
        const QRect rect = p.GridPainel->visualRect(p.modelo()->index(2, 0));
        QTest::mouseClick(p.GridPainel->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(p.GridPainel->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_VERIFY(opened);
        bool logTimer = false;
        closeNextModal([&](QWidget* modal) {
            QVERIFY(dynamic_cast<views::TFVisualizarLog*>(modal));
            logTimer = p.Timer->isActive();
        });
        QTest::mouseClick(p.btVisualizar, Qt::LeftButton);
        QVERIFY(logTimer);
    }

    void theConnectionTestReportsSuccessOrTheReason() {
        Fixture f;
        auto central = std::make_unique<server::CentralServer>(
            server::CentralServer::Options{f.database.path(), "", "", false});
        central->start();
        f.database.connection().execute("insert into ParaOffLine (WSDLServ) values (:W)",
                                        {{"W", central->descriptionUrl()}});
        QTest::mouseClick(f.painel->btConexao, Qt::LeftButton);
        QCOMPARE(f.dialogs.texts(QStringLiteral("Informação")),
                 QStringList{"Conexão efetuada com sucesso."});
        const std::string url = central->descriptionUrl();
        central.reset(); // the server goes away
        QTest::mouseClick(f.painel->btConexao, Qt::LeftButton);
        const QStringList alerts = f.dialogs.texts(QStringLiteral("Alerta"));
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0].startsWith(
            QString::fromStdString("Erro ao conectar ao servidor central: Unable to load WSDL "
                                   "File/Location: " +
                                   url + ".  Error [")));
    }

    void theIntegrityCheckShowsItsResultAndTidiesUp() {
        Fixture f("create table CLIENTE (A integer not null primary key, B varchar(60));"
                  "SET TERM ^ ;"
                  "create trigger CLIENTE_INC for CLIENTE after insert as begin end^"
                  "SET TERM ; ^");
        TestDatabase centralDb;
        centralDb.run("create table CLIENTE (A integer not null primary key, B varchar(80));");
        auto central = std::make_unique<server::CentralServer>(
            server::CentralServer::Options{centralDb.path(), "", "", false});
        central->start();
        f.database.connection().execute("insert into ParaOffLine (WSDLServ) values (:W)",
                                        {{"W", central->descriptionUrl()}});
        app::TFPainel& p = *f.painel;
        bool panelShown = false, buttonsOff = false;
        QStringList rows;
        QString caption;
        closeNextModal([&](QWidget* modal) {
            auto* janela = dynamic_cast<integrity::TFListaDivergencias*>(modal);
            QVERIFY(janela);
            caption = janela->windowTitle();
            panelShown = p.pnlProgresso->isVisible() && p.pnlProgresso->pos() == QPoint(224, 176);
            buttonsOff = !p.btIntegridade->isEnabled() && !p.btFechar->isEnabled();
            for (int r = 0; r < janela->DBGrid1->model()->rowCount(); ++r)
                rows << janela->DBGrid1->model()->index(r, 0).data().toString() + "|" +
                            janela->DBGrid1->model()->index(r, 1).data(Qt::ToolTipRole).toString();
        });
        QTest::mouseClick(p.btIntegridade, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("Listagem de divergências encontradas"));
        QVERIFY(panelShown);
        QVERIFY(buttonsOff);
        QCOMPARE(rows, QStringList{"CLIENTE|Campo: B, Tipo: VARCHAR, Tamanho no banco local: 60, "
                                   "Tamanho no servidor: 80"});
        QVERIFY(!p.pnlProgresso->isVisible());
        QVERIFY(p.btIntegridade->isEnabled() && p.btFechar->isEnabled());
        QCOMPARE(p.BarraProgresso->value(), 0);

        central.reset();
        QTest::mouseClick(p.btIntegridade, Qt::LeftButton);
        const QStringList alerts = f.dialogs.texts(QStringLiteral("Alerta"));
        QCOMPARE(alerts.size(), 1);
        QVERIFY(alerts[0].startsWith(QStringLiteral("Erro ao conectar ao servidor central: ")));
        QVERIFY(!p.pnlProgresso->isVisible());
        QVERIFY(p.btIntegridade->isEnabled());
    }

    void anEmptyGridHandsOnAnEmptyBranch() {
        ScriptedDialogs dialogs;
        TestDatabase database;
        TempDir dir;
        writeIni(dir, database.path());
        app::TFPainel p(folderOf(dir));
        p.AtualizarPainel();
        QCOMPARE(p.modelo()->rowCount(), 0);
        QCOMPARE(p.codigoFilialAtual(), QString());
        QCOMPARE(p.nomeFilialAtual(), QString());
        QVERIFY(p.lblAtualizado->text().startsWith(QStringLiteral("Informações atualizadas em ")));
    }

    void escapeAndFecharCloseTheWindow() {
        ScriptedDialogs dialogs;
        TempDir dir;
        {
            app::TFPainel painel(folderOf(dir));
            painel.show();
            QVERIFY(QTest::qWaitForWindowExposed(&painel));
            painel.edtIntervalo->setFocus();
            QTest::keyClick(painel.edtIntervalo, Qt::Key_Escape);
            QVERIFY(!painel.isVisible());
        }
        {
            app::TFPainel painel(folderOf(dir));
            painel.show();
            QVERIFY(QTest::qWaitForWindowExposed(&painel));
            QTest::mouseClick(painel.btFechar, Qt::LeftButton);
            QVERIFY(!painel.isVisible());
        }
        QCOMPARE(dialogs.texts(QStringLiteral("Confirmação")).size(), 0);
    }

    void enterMovesFocusToTheNextControl() {
        ScriptedDialogs dialogs;
        TempDir dir;
        app::TFPainel painel(folderOf(dir));
        painel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&painel));
        painel.activateWindow();
        painel.edtIntervalo->setFocus();
        QTRY_VERIFY(painel.edtIntervalo->hasFocus());
        QTest::keyClick(painel.edtIntervalo, Qt::Key_Return);
        QTRY_VERIFY(!painel.edtIntervalo->hasFocus());
        QVERIFY(painel.isVisible());
        QCOMPARE(painel.edtIntervalo->text(), QStringLiteral("15"));
    }
};

QTEST_MAIN(TstPainel)
#include "tst_painel.moc"
