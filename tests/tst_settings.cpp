// Settings kept across runs, the folder position stack and colour choice.
#include "core/core.h"
#include "support/test_main.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QUrl>

class TestSettings : public QObject {
    Q_OBJECT

    static void clearStore()
    {
        Core core;
        core.settingsStore().clear();
        core.settingsStore().sync();
    }

private slots:
    void init()
    {
        if (qEnvironmentVariableIsEmpty("VORTAXA_SETTINGS_CHILD"))
            clearStore();
    }

    void storeIsIsolatedFromTheUsers()
    {
        Core core;
        const QString file = core.settingsStore().fileName();
        QVERIFY2(file.contains("/.qttest/"), qPrintable(file));
        QVERIFY(file.endsWith("Ostrel Electronics/NV-300.conf"));
    }

    void freshDefaults()
    {
        Core core;
        const QString home = QUrl::fromLocalFile(QDir::homePath()).toString();
        QVERIFY(home.startsWith("file:///"));
        QCOMPARE(core.getLastPath(), home);
        QCOMPARE(core.getSkinsPath(), home);
        QCOMPARE(core.getAlternativeSkins(), false);
        QCOMPARE(core.getColorFileName(), QStringLiteral("#0000ff"));
    }

    void valuesReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("file url") << "file:///home/me/Impulses";
        QTest::newRow("plain text kept verbatim") << "not a url at all";
        QTest::newRow("unicode and spaces") << "file:///home/me/Kabinett Öl";
        QTest::newRow("empty") << "";
    }

    void valuesReadBackUnchanged()
    {
        QFETCH(QString, value);
        Core core;
        core.setLastPath(value);
        core.setSkinsPath(value + "/skins");
        QCOMPARE(core.getLastPath(), value);
        QCOMPARE(core.getSkinsPath(), value + "/skins");
    }

    void settersWriteThroughToANewCore()
    {
        {
            Core core;
            core.setLastPath("file:///tmp/a");
            core.setAlternativeSkins(true);
            core.setColorFileName("#123456");
        }
        Core again;
        QCOMPARE(again.getLastPath(), QStringLiteral("file:///tmp/a"));
        QCOMPARE(again.getAlternativeSkins(), true);
        QCOMPARE(again.getColorFileName(), QStringLiteral("#123456"));
    }

    void survivesANewProcess()
    {
        {
            Core core;
            core.setLastPath("file:///srv/irs");
            core.setColorFileName("#abcdef");
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORTAXA_SETTINGS_CHILD", "1");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"storedByParentProcess"});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
    }

    void storedByParentProcess()
    {
        if (qEnvironmentVariableIsEmpty("VORTAXA_SETTINGS_CHILD"))
            QSKIP("runs only as the child process of survivesANewProcess");
        Core core;
        QCOMPARE(core.getLastPath(), QStringLiteral("file:///srv/irs"));
        QCOMPARE(core.getColorFileName(), QStringLiteral("#abcdef"));
    }

    void colourIsAnnouncedBeforeItIsStored()
    {
        Core core;
        QString storedWhenAnnounced;
        connect(&core, &Core::sgSetColorFileName, this,
                [&](const QString &) { storedWhenAnnounced = core.getColorFileName(); });
        QSignalSpy spy(&core, &Core::sgSetColorFileName);
        core.setColorFileName("#ff8800");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("#ff8800"));
        QCOMPARE(storedWhenAnnounced, QStringLiteral("#0000ff"));
        QCOMPARE(core.getColorFileName(), QStringLiteral("#ff8800"));
    }

    void colorOpenOnlyAnnounces()
    {
        Core core;
        QSignalSpy spy(&core, &Core::sgColorOpen);
        core.colorOpen();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(core.getColorFileName(), QStringLiteral("#0000ff"));
    }

    void folderStackIsLastInFirstOut()
    {
        Core core;
        core.setFolderPos(3);
        core.setFolderPos(7);
        core.setFolderPos(255);
        QCOMPARE(core.getFolderPos(), uchar(255));
        QCOMPARE(core.getFolderPos(), uchar(7));
        QCOMPARE(core.getFolderPos(), uchar(3));
        // Empty: 0, and the stack stays empty.
        QCOMPARE(core.getFolderPos(), uchar(0));
        QCOMPARE(core.getFolderPos(), uchar(0));
        core.setFolderPos(9);
        QCOMPARE(core.getFolderPos(), uchar(9));
        QCOMPARE(core.getFolderPos(), uchar(0));
    }
};

VORTAXA_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
