#include "app/FailurePolicy.h"
#include "db/Connection.h"
#include "platform/Error.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QTimer>
#include <QtTest>

using testing_support::ScriptedDialogs;

// Each case ends the event loop its own way, so each runs in a process of
// its own: the test name is the first argument.
class TstFailurePolicy : public QObject {
    Q_OBJECT

private slots:
    void anOrdinaryFailureShowsOneErrorBoxAndGoesOn() {
        ScriptedDialogs dialogs;
        app::guarded([] { throw platform::Error("Table unknown\nPARAWEB"); });
        app::guarded([] { throw std::runtime_error("outra falha"); });
        QCOMPARE(dialogs.texts("Erro"),
                 (QStringList{QStringLiteral("Table unknown\nPARAWEB"), "outra falha"}));
        QVERIFY(!app::processEnding());
    }

    void endingWordsEndTheProcessWithoutABox_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("shutdown lower case inside text") << "xx database shutdown yy";
        QTest::newRow("connection lost mixed case") << "Error: Connection Lost";
    }
    void endingWordsEndTheProcessWithoutABox() {
        QFETCH(QString, message);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--end-with", message});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitCode(), app::kExitEndedByFailure);
        QVERIFY(child.readAllStandardOutput().startsWith("boxes=0\n"));
    }

    // A database shut down under an open connection: the next statement fails
    // with the client's own message and the failure policy ends the process.
    void aDatabaseShutDownUnderTheConnectionEndsTheProcess() {
        const std::string server = testing_support::remoteServer();
        if (server.empty())
            QSKIP("no Firebird server (scripts/test starts one)");
        testing_support::TestDatabase database;
        database.connection().close();
        const std::string location = server + ":" + database.path();
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--shutdown-under", QString::fromStdString(location)});
        QVERIFY(child.waitForFinished(60000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitCode(), app::kExitEndedByFailure);
        QVERIFY2(out.contains("boxes=0"), qPrintable(out));
        QVERIFY2(out.contains("shutdown", Qt::CaseInsensitive), qPrintable(out));
        qInfo("%s", qPrintable(out.trimmed()));
        QProcess::execute("gfix", {"-user", "SYSDBA", "-password",
                                   QString::fromStdString(testing_support::remotePassword()),
                                   "-online", QString::fromStdString(location)});
    }
};

// Child modes: run one failure through the policy inside a real event loop
// and report how the loop ended.
static int childMain(int argc, char** argv) {
    QApplication application(argc, argv);
    ScriptedDialogs dialogs;
    const QString mode = argv[1];
    const QString arg = argv[2];
    std::string message;
    QTimer::singleShot(0, [&] {
        app::guarded([&] {
            if (mode == "--end-with")
                throw platform::Error(arg.toStdString());
            db::Connection cn;
            cn.setSettings({arg.toStdString(), "SYSDBA", testing_support::remotePassword()});
            cn.query("select count(*) from Filiais");
            QProcess::execute("gfix", {"-user", "SYSDBA", "-password",
                                       QString::fromStdString(testing_support::remotePassword()),
                                       "-shut", "full", "-force", "0", arg});
            try {
                cn.query("select count(*) from Filiais");
            } catch (const platform::Error& e) {
                message = e.what();
                throw;
            }
        });
    });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(99); });
    const int rc = application.exec();
    std::printf("boxes=%d\nmessage=%s\n", static_cast<int>(dialogs.shown.size()), message.c_str());
    return rc;
}

int main(int argc, char** argv) {
    if (argc == 3 && argv[1][0] == '-' && argv[1][1] == '-')
        return childMain(argc, argv);
    QApplication application(argc, argv);
    TstFailurePolicy test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_failure_policy.moc"
