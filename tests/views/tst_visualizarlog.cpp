#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "views/LogDocument.h"
#include "views/TFVisualizarLog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

#include <filesystem>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;
using testing_support::writeFile;

class TstVisualizarLog : public QObject {
    Q_OBJECT

private slots:
    void linesSplitAtCrLfAndCrLf_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("one line") << QByteArray("abc") << QStringList{"abc"};
        QTest::newRow("trailing LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("mixed") << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("blank lines") << QByteArray("\n\r\n\r") << QStringList{"", "", ""};
        QTest::newRow("CR then CRLF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("Windows-1252") << QByteArray("a\xe7\xe3o \x80") << QStringList{"ação €"};
        QTest::newRow("NUL kept") << QByteArray("a\0b\nc", 5)
                                  << QStringList{QString::fromUtf8("a\u2400b"), "c"};
    }
    void linesSplitAtCrLfAndCrLf() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        const views::LogDocument doc = views::LogDocument::fromBytes(bytes);
        QStringList got;
        for (qsizetype i = 0; i < doc.lineCount(); ++i)
            got << doc.line(i);
        QCOMPARE(got, lines);
        QCOMPARE(doc.text(), lines.join('\n'));
    }

    void choosingLoadingAndCancelling() {
        ScriptedDialogs dialogs;
        TempDir dir;
        writeFile(dir.file("a.txt"), "primeiro\r\nsegundo\r\n");
        writeFile(dir.file("b.txt"), "outro");
        writeFile(dir.file("vazio.txt"), "");
        views::TFVisualizarLog w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Visualizar Log"));
        QCOMPARE(w.size(), QSize(795, 463));

        dialogs.fileAnswers = {QString::fromStdString(dir.file("a.txt"))};
        QTest::mouseClick(w.SpeedButton, Qt::LeftButton);
        QCOMPARE(dialogs.fileRequests, QStringList{"||*.txt (*.txt)"});
        QCOMPARE(w.Arquivo->text(), QString::fromStdString(dir.file("a.txt")));
        QCOMPARE(w.linhas(), (QStringList{"primeiro", "segundo"}));
        QVERIFY(w.editavel());
        QVERIFY(!w.Memo->isReadOnly());

        w.SpeedButtonClick(); // cancelled: nothing changes
        QCOMPARE(w.Arquivo->text(), QString::fromStdString(dir.file("a.txt")));
        QCOMPARE(w.linhas(), (QStringList{"primeiro", "segundo"}));

        dialogs.fileAnswers = {QString::fromStdString(dir.file("b.txt"))};
        w.SpeedButtonClick();
        QCOMPARE(w.linhas(), QStringList{"outro"});

        dialogs.fileAnswers = {QString::fromStdString(dir.file("vazio.txt"))};
        w.SpeedButtonClick();
        QCOMPARE(w.linhas(), QStringList{});
        QCOMPARE(w.Arquivo->text(), QString::fromStdString(dir.file("vazio.txt")));

        // Every showing starts empty.
        dialogs.fileAnswers = {QString::fromStdString(dir.file("a.txt"))};
        w.SpeedButtonClick();
        w.hide();
        w.show();
        QCOMPARE(w.Arquivo->text(), QString());
        QCOMPARE(w.linhas(), QStringList{});
        QVERIFY(dialogs.shown.isEmpty());
    }

    void aFileThatVanishedIsReportedWithItsNameAndReason() {
        ScriptedDialogs dialogs;
        TempDir dir;
        writeFile(dir.file("a.txt"), "antes");
        views::TFVisualizarLog w;
        w.show();
        dialogs.fileAnswers = {QString::fromStdString(dir.file("a.txt")),
                               QString::fromStdString(dir.file("sumiu.txt"))};
        w.SpeedButtonClick();
        QTest::mouseClick(w.SpeedButton, Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 1);
        const QString text = dialogs.shown[0].text;
        QVERIFY2(text.contains(QString::fromStdString(dir.file("sumiu.txt"))), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("No such file")), qPrintable(text));
        QCOMPARE(w.Arquivo->text(), QString::fromStdString(dir.file("sumiu.txt")));
        QCOMPARE(w.linhas(), QStringList{"antes"});
    }

    void aLargeLogOpensInTheLineViewAndScrollsToItsEnd() {
        ScriptedDialogs dialogs;
        TempDir dir;
        const std::string path = dir.file("grande.txt");
        {
            std::string line(100, 'x');
            std::string text;
            text.reserve(static_cast<std::size_t>(views::TFVisualizarLog::kEditableLimit) + 200000);
            int n = 0;
            while (text.size() <= static_cast<std::size_t>(views::TFVisualizarLog::kEditableLimit))
                text += "linha " + std::to_string(n++) + " " + line + "\r\n";
            text += std::string("fim\0bin\xff", 8);
            writeFile(path, text);
        }
        views::TFVisualizarLog w;
        w.show();
        dialogs.fileAnswers = {QString::fromStdString(path)};
        w.SpeedButtonClick();
        QVERIFY(!w.editavel());
        const views::LogDocument& doc = w.visao->document();
        QVERIFY(doc.lineCount() > 70000);
        QCOMPARE(doc.line(0).left(8), QStringLiteral("linha 0 "));
        QCOMPARE(doc.line(doc.lineCount() - 1), QString::fromUtf8("fim\u2400bin\u00ff"));
        w.visao->setFocus();
        QTest::keyClick(w.visao, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(w.visao->verticalScrollBar()->value(), w.visao->verticalScrollBar()->maximum());
        QVERIFY(w.visao->firstVisibleLine() > 70000);
        w.visao->viewport()->grab(); // paints the last page without trouble
    }
};

QTEST_MAIN(TstVisualizarLog)
#include "tst_visualizarlog.moc"
