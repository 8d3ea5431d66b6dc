#include "app/TFPainel.h"
#include "app/Decifra.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;
using testing_support::TestDatabase;

class TstPainel : public QObject {
    Q_OBJECT

    static QString folderOf(const TempDir& dir) { return QString::fromStdString(dir.path()); }
    static void writeIni(const TempDir& dir, const TestDatabase& database) {
        testing_support::writeFile(dir.file("Caminho.ini"),
                                   "[DATABASEESTOQUE]\nCAMINHO=" + database.path() +
                                       "\nUSUARIO=" + app::Cifra("SYSDBA") +
                                       "\nSENHA=" + app::Cifra("masterkey") + "\n");
    }

private slots:
    void startsConnectedWithTheExactCaption() {
        ScriptedDialogs dialogs;
        TestDatabase database;
        database.run("insert into PARAWEB values ('S');");
        TempDir dir;
        writeIni(dir, database);
        app::TFPainel painel(folderOf(dir));
        QCOMPARE(painel.windowTitle(),
                 QStringLiteral("Painel de Controle para Integração - Módulo Cliente - v.29.05ed0"));
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(painel.cnTarvesk().isOpen());
        QVERIFY(painel.colunaMaquinaEcfVisivel());
        QCOMPARE(painel.size(), QSize(1114, 484));
        QCOMPARE(painel.minimumSize(), painel.maximumSize());
        QCOMPARE(painel.btFechar->text(), QStringLiteral("&Fechar"));
    }

    void aFailedStartShowsTheMessageAndOpensAnyway() {
        ScriptedDialogs dialogs;
        TempDir dir; // no Caminho.ini at all
        app::TFPainel painel(folderOf(dir));
        QCOMPARE(dialogs.texts("Erro"),
                 QStringList{QStringLiteral("Caminho do banco de dados não configurado no "
                                            "\"Caminho.Ini\".\r\nEntre em contato com o suporte "
                                            "técnico.")});
        QVERIFY(painel.windowTitle().endsWith(QStringLiteral("v.29.05ed0")));
        painel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&painel));
        QVERIFY(!painel.cnTarvesk().isOpen());
        QVERIFY(!painel.colunaMaquinaEcfVisivel());
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
