#include "app/Database.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "views/TFMensagem.h"
#include "views/TFVisualizar.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <thread>

using testing_support::ScriptedDialogs;
using testing_support::TestDatabase;

namespace {

const std::string kLong = std::string(250, 'a') + std::string(50, 'b');

// Branch 02: four errors, newest first 4, 2, 3, 1; branch 01 has its own.
const std::string kErrors =
    "insert into IntegErro values ('02', 1, '2026-01-01 10:00:00', 'primeiro', 'N', '0001');"
    "insert into IntegErro values ('02', 2, '2026-01-03 10:00:00', '" +
    kLong +
    "', 'N', '0001');"
    "insert into IntegErro values ('02', 3, '2026-01-02 10:00:00', 'conferido', 'S', '0001');"
    "insert into IntegErro values ('02', 4, '2026-01-04 10:00:00', '', 'X', '0001');"
    "insert into IntegErro values ('01', 1, '2026-01-05 10:00:00', 'outra filial', 'N', '0001');";

} // namespace

class TstVisualizar : public QObject {
    Q_OBJECT

    struct Fixture {
        ScriptedDialogs dialogs;
        TestDatabase database;
        db::Connection cn; // the panel's connection, as the window gets it
        app::TransactionGuards guards{cn};
        std::unique_ptr<views::TFVisualizar> janela;

        Fixture() {
            database.run(kErrors);
            cn.setSettings(database.connection().settings());
            janela = std::make_unique<views::TFVisualizar>(cn, guards);
            janela->CodigoFilial = "02";
            janela->lblNomeEmpresa->setText("02 - Campinas");
            janela->show();
        }
        QStringList ids() const {
            QStringList out;
            for (std::size_t r = 0; r < janela->cdsIntegErro().size(); ++r)
                out << QString::fromStdString(janela->cdsIntegErro().text(r, "IDINTEGERRO"));
            return out;
        }
        // Marks as the database holds them, by id, for branch 02.
        QString stored() {
            QString out;
            for (const auto& row :
                 database.connection()
                     .query("select Conferido from IntegErro where CodEmpresa = '02' "
                            "order by IdIntegErro")
                     .rows)
                out += QString::fromStdString(row[0].toText());
            return out;
        }
        QString shownMarks() const {
            QString out;
            for (std::size_t r = 0; r < janela->cdsIntegErro().size(); ++r)
                out += QString::fromStdString(janela->cdsIntegErro().text(r, "CONFERIDO"));
            return out;
        }
        void doubleClick(int row, int column) {
            QTableView* grid = janela->GridVisualizar;
            const QRect rect = grid->visualRect(janela->modelo()->index(row, column));
            // A real double-click: press and release, then the second press.
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
        }
        // A trigger that refuses writes to one error makes the table read-only there.
        void refuseWritesTo(int id, const char* when = "update") {
            database.run("create exception SO_LEITURA 'IntegErro somente leitura';"
                         "SET TERM ^ ;"
                         "create trigger TRAVA for IntegErro before " +
                         std::string(when) +
                         " as begin if (old.IdIntegErro = " + std::to_string(id) +
                         ") then exception SO_LEITURA; end^"
                         "SET TERM ; ^");
        }
    };

private slots:
    void listsTheBranchErrorsByFilter() {
        Fixture f;
        QAbstractItemModelTester tester(f.janela->modelo());
        QCOMPARE(f.janela->windowTitle(), QStringLiteral("Visualizar Erros"));
        QCOMPARE(f.janela->size(), QSize(901, 423));
        QCOMPARE(f.ids(), (QStringList{"2", "1"}));
        QVERIFY(f.janela->naoConferidos->isChecked());
        f.janela->todos->click();
        QCOMPARE(f.ids(), (QStringList{"4", "2", "3", "1"}));
        QCOMPARE(QString::fromStdString(f.janela->sqlIntegErro()),
                 QStringLiteral("Select * From IntegErro Where CodEmpresa = :PCodEmpresa\n"
                                "Order By DataErro Desc"));
        f.janela->naoConferidos->click();
        QCOMPARE(f.ids(), (QStringList{"2", "1"}));

        app::RowListModel* m = f.janela->modelo();
        QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Conferido?"));
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("03/01/2026 10:00:00"));
        QCOMPARE(m->index(0, 2).data().toString(), QString::fromStdString(kLong.substr(0, 250)));
        QCOMPARE(m->index(0, 0).data().toString(), QString()); // the mark is drawn, not written
    }

    void theMarkColumnDrawsTheCheckImageOnlyForS() {
        Fixture f;
        f.janela->todos->click(); // rows: 4 (X), 2 (N), 3 (S), 1 (N)
        QTableView* grid = f.janela->GridVisualizar;
        grid->setCurrentIndex(f.janela->modelo()->index(0, 1));
        const QImage image = grid->viewport()->grab().toImage();
        auto greenIn = [&](int row) {
            const QRect r = grid->visualRect(f.janela->modelo()->index(row, 0));
            for (int x = r.left() + 10; x < r.left() + 26; ++x)
                for (int y = r.top() + 1; y < std::min(r.bottom(), r.top() + 17); ++y) {
                    const QColor c(image.pixel(x, y));
                    if (c.green() > 100 && c.red() < 80 && c.blue() < 80)
                        return true;
                }
            return false;
        };
        QVERIFY(greenIn(2));
        QVERIFY(!greenIn(0));
        QVERIFY(!greenIn(1));
    }

    void doubleClickOnAMarkSwitchesItInTheDatabase() {
        Fixture f;
        f.janela->todos->click(); // rows: 4 (X), 2 (N), 3 (S), 1 (N)
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
        f.doubleClick(0, 0);                          // X -> S
        f.doubleClick(1, 0);                          // N -> S
        f.doubleClick(2, 0);                          // S -> N
        QCOMPARE(f.stored(), QStringLiteral("NSNS")); // by id: 1 2 3 4
        QCOMPARE(f.shownMarks(), QStringLiteral("SSNN"));
        QVERIFY(!f.cn.inTransaction());
        QVERIFY(f.dialogs.shown.isEmpty());
        // The filter is not applied again: marked rows stay listed.
        f.janela->naoConferidos->click();
        f.doubleClick(0, 0);
        QCOMPARE(f.ids(), (QStringList{"3", "1"}));
        QCOMPARE(f.shownMarks(), QStringLiteral("SN"));
    }

    void doubleClickOnAMessageShowsItWhole() {
        Fixture f;
        QString shownText;
        QTimer::singleShot(0, [&] {
            auto* w = dynamic_cast<views::TFMensagem*>(QApplication::activeModalWidget());
            QVERIFY(w);
            QCOMPARE(w->windowTitle(), QStringLiteral("Informação"));
            shownText = w->Memo->toPlainText();
            w->BitBtn1->click();
        });
        f.doubleClick(0, 2);
        QCOMPARE(shownText, QString::fromStdString(kLong));

        // An empty message opens nothing; a date column does nothing.
        f.janela->todos->click();
        f.doubleClick(0, 2);
        f.doubleClick(0, 1);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
    }

    void marcarTodosMarksEveryUncheckedRowInOneTransaction() {
        Fixture f;
        f.janela->todos->click();
        QTest::mouseClick(f.janela->MarcarTodos, Qt::LeftButton, {},
                          QPoint(5, f.janela->MarcarTodos->height() / 2));
        QVERIFY(f.janela->MarcarTodos->isChecked());
        QCOMPARE(f.stored(), QStringLiteral("SSSX")); // only "N" rows are marked
        QCOMPARE(f.shownMarks(), QStringLiteral("XSSS"));
        QCOMPARE(f.janela->GridVisualizar->currentIndex().row(), 3);
        QVERIFY(!f.cn.inTransaction());
        // Clearing the box removes nothing; with nothing left to mark a pass
        // still runs cleanly.
        f.janela->MarcarTodos->click();
        QCOMPARE(f.stored(), QStringLiteral("SSSX"));
        f.janela->MarcarTodos->click();
        QCOMPARE(f.stored(), QStringLiteral("SSSX"));
        QVERIFY(!f.cn.inTransaction());
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void aFailedPassStoresNothingAndShowsTheStoredMarksAgain() {
        Fixture f;
        f.refuseWritesTo(1); // the last row of the pass
        f.janela->MarcarTodos->click();
        QCOMPARE(f.dialogs.shown.size(), 1);
        const auto& box = f.dialogs.shown[0];
        QCOMPARE(box.title, QStringLiteral("Erro"));
        QCOMPARE(box.buttons, platform::Dialogs::Buttons::Ok);
        QVERIFY(
            box.text.startsWith(QStringLiteral("Erro ao gravar alteração na tabela. Motivo: ")));
        QVERIFY(box.text.contains(QStringLiteral("IntegErro somente leitura")));
        QCOMPARE(f.stored(), QStringLiteral("NNSX")); // row 2 was written, then rolled back
        QCOMPARE(f.shownMarks(), QStringLiteral("NN"));
        QVERIFY(!f.cn.inTransaction());
    }

    void aMarkBlockedByAnotherConnectionIsReportedAndShownAsStored() {
        Fixture f;
        db::Connection other;
        other.setSettings(f.database.connection().settings());
        other.startTransaction();
        other.execute("update IntegErro set MsgErro = 'editado' where CodEmpresa = '02' and "
                      "IdIntegErro = 2");
        std::thread commitLater([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.commit();
        });
        f.doubleClick(0, 0); // waits for the other writer, then conflicts with it
        commitLater.join();
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY(f.dialogs.shown[0].text.startsWith(
            QStringLiteral("Erro ao gravar alteração na tabela. Motivo: ")));
        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("update conflicts")));
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
        QCOMPARE(f.shownMarks(), QStringLiteral("NN"));
        QCOMPARE(f.janela->GridVisualizar->currentIndex().row(), 0);
        QVERIFY(!f.cn.inTransaction());
    }

    void deleteAsksThenRemovesEveryErrorOfTheBranch() {
        Fixture f;
        f.dialogs.answers = {platform::Dialogs::Answer::No};
        f.janela->btExcluir->click();
        QCOMPARE(f.dialogs.texts(QStringLiteral("Confirmação")),
                 QStringList{"Deseja realmente excluir erros?"});
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
        QVERIFY(f.janela->isVisible());

        f.janela->btExcluir->click();    // Yes
        QCOMPARE(f.stored(), QString()); // the hidden reviewed ones too
        QCOMPARE(f.dialogs.texts(QStringLiteral("Informação")),
                 QStringList{"Exclusão finalizada com sucesso."});
        QVERIFY(!f.janela->isVisible());
        QCOMPARE(f.janela->result(), int(QDialog::Accepted));
        QCOMPARE(f.database.connection()
                     .query("select count(*) from IntegErro where CodEmpresa = '01'")
                     .rows[0][0]
                     .toInt(),
                 1);
        QVERIFY(!f.cn.inTransaction());
    }

    void aFailedDeleteKeepsTheWindowOpen() {
        Fixture f;
        f.refuseWritesTo(3, "delete");
        f.janela->btExcluir->click();
        QCOMPARE(f.dialogs.shown.size(), 2);
        const auto& box = f.dialogs.shown[1];
        QCOMPARE(box.icon, platform::Dialogs::Icon::Warning);
        QCOMPARE(box.title, QStringLiteral("Erro"));
        QVERIFY(box.text.startsWith(QStringLiteral("Erro ao excluir. Motivo: ")));
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
        QVERIFY(f.janela->isVisible());
        QCOMPARE(f.ids(), (QStringList{"2", "1"}));
        QVERIFY(!f.cn.inTransaction());
    }

    void aTransactionLeftOpenIsReportedAndEnded() {
        Fixture f;
        f.guards.IniciarTransacao();
        f.doubleClick(0, 0);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown[0].text,
                 QStringLiteral("Erro ao gravar alteração na tabela. Motivo: Detectada falha no "
                                "controle de inicia transação: Transação não fechada."));
        QVERIFY(!f.cn.inTransaction());
        QCOMPARE(f.stored(), QStringLiteral("NNSX"));
    }
};

QTEST_MAIN(TstVisualizar)
#include "tst_visualizar.moc"
