// Start-up: the executable, copied with its flat/ folder anywhere, publishes
// _core and applicationDirPath before the document is evaluated; a missing
// document leaves the process running; the serial log is off unless asked
// for, and the program runs in its data folder.
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class TestStartup : public QObject {
    Q_OBJECT

    QString builtExecutable() const
    {
        return qEnvironmentVariable("VORTAXA_BUILD_DIR") + "/vortaxa";
    }

    // A folder holding a copy of the executable and, optionally, a document.
    bool stage(QTemporaryDir &dir, const QByteArray &document)
    {
        if (!QFile::copy(builtExecutable(), dir.filePath("vortaxa")))
            return false;
        QFile::setPermissions(dir.filePath("vortaxa"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (document.isEmpty())
            return true;
        QDir(dir.path()).mkdir("flat");
        QFile doc(dir.filePath("flat/main.qml"));
        return doc.open(QIODevice::WriteOnly) && doc.write(document) == document.size();
    }

private slots:
    void contextPropertiesResolveOnFirstEvaluation()
    {
        QTemporaryDir dir;
        QVERIFY(stage(dir,
                      "import QtQuick 2.15\n"
                      "QtObject {\n"
                      "  property string seen: applicationDirPath + '|' + (typeof _core) + '|' +\n"
                      "      (typeof _core.setValue)\n"
                      "  Component.onCompleted: { console.log('STARTUP ' + seen); Qt.quit() }\n"
                      "}\n"));
        // A different working directory: its flat/ folder must not be used.
        QTemporaryDir elsewhere;
        QProcess app;
        app.setWorkingDirectory(elsewhere.path());
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(dir.filePath("vortaxa"), QStringList());
        QVERIFY(app.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(app.readAll());
        QVERIFY2(out.contains("STARTUP " + dir.path() + "|object|function"), qPrintable(out));
        QCOMPARE(app.exitCode(), 0);
    }

    void debugLinesAndDataFolder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<bool>("logged");
        QTest::newRow("quiet by default") << QStringList() << QString() << false;
        QTest::newRow("--verbose") << QStringList{"--verbose"} << QString() << true;
        QTest::newRow("logging rules") << QStringList() << QString("default.debug=true") << true;
        QTest::newRow("rules win over --verbose")
            << QStringList{"--verbose"} << QString("default.debug=false") << false;
    }

    // A parameter change writes the "setValue" line of the serial log; an
    // error report saved under a relative name lands in the data folder,
    // not in the folder the program was started from.
    void debugLinesAndDataFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, rules);
        QFETCH(bool, logged);
        QTemporaryDir dir;
        QVERIFY(stage(dir, "import QtQuick 2.15\n"
                           "QtObject {\n"
                           "  Component.onCompleted: {\n"
                           "    _core.setValue('master_volume', 7)\n"
                           "    _core.slAnswerErrSave('report.txt')\n"
                           "    Qt.quit()\n"
                           "  }\n"
                           "}\n"));
        QTemporaryDir startFolder;
        QTemporaryDir dataHome;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_LOGGING_RULES");
        if (!rules.isEmpty())
            env.insert("QT_LOGGING_RULES", rules);
        env.insert("XDG_DATA_HOME", dataHome.path());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(startFolder.path());
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(dir.filePath("vortaxa"), arguments);
        QVERIFY(app.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(app.readAll());
        QCOMPARE(app.exitCode(), 0);
        QVERIFY2(out.contains("setValue") == logged, qPrintable(out));
        QVERIFY(QFile::exists(dataHome.filePath("OLK/Vortaxa/report.txt")));
        QVERIFY(!QFile::exists(startFolder.filePath("report.txt")));
    }

    void missingDocumentLeavesTheProcessRunning()
    {
        QTemporaryDir dir;
        QVERIFY(stage(dir, QByteArray()));
        QProcess app;
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(dir.filePath("vortaxa"), QStringList());
        QVERIFY(app.waitForStarted());
        // Still running after the first port timer ticks: no window, no exit.
        QVERIFY(!app.waitForFinished(2500));
        QCOMPARE(app.state(), QProcess::Running);
        app.kill();
        app.waitForFinished();
        const QString out = QString::fromLocal8Bit(app.readAll());
        QVERIFY2(out.contains("main.qml"), qPrintable(out)); // the engine's own report
    }
};

VORTAXA_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
