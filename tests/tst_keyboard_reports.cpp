// The Tab focus rotation, the two do-nothing keyboard methods and the error
// report of a command the queue gave up on.
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

class TestKeyboardReports : public CoreRigTest {
    Q_OBJECT

private slots:
    void tabKeyAlternates();
    void keyboardMethodsDoNothing();
    void reportOfAGiveUp_data();
    void reportOfAGiveUp();
    void reportWithNothingFailed();
    void unopenableReportIsSilent_data();
    void unopenableReportIsSilent();

private:
    enum ReportLocation { EncodedUrl, DecodedUrl, PlainPath };
};

// The focus counter lives for the process: this is the first Tab of it.
void TestKeyboardReports::tabKeyAlternates()
{
    SignalRecorder rec(&rig->core);
    const QStringList expected = {"early_volume", "master_volume", "early_volume", "master_volume",
                                  "early_volume"};
    const bool reverts[] = {false, false, true, true, false};
    for (int i = 0; i < expected.size(); ++i) {
        rig->core.slTabKey(reverts[i]);
        QCOMPARE(rig->core.tabTarget(), expected.at(i));
    }
    // A second Core continues the same rotation.
    CoreRig other;
    other.core.slTabKey(false);
    QCOMPARE(other.core.tabTarget(), QStringLiteral("master_volume"));
    QCOMPARE(rec.all().size(), 0);
}

void TestKeyboardReports::keyboardMethodsDoNothing()
{
    rig->core.slTabKey(false);
    const QString target = rig->core.tabTarget();
    SignalRecorder rec(&rig->core);
    rig->core.slUpDown(true);
    rig->core.slUpDown(false);
    rig->core.slSpeechValue(QStringLiteral("master_volume"));
    QTest::qWait(20);
    QCOMPARE(withoutPacing(rec), QStringList());
    QVERIFY(rig->link.queueEmpty());
    QCOMPARE(rig->core.tabTarget(), target);
    QCOMPARE(rig->device.wire(), QByteArray());
}

void TestKeyboardReports::reportOfAGiveUp_data()
{
    QTest::addColumn<int>("form");
    QTest::newRow("encoded file URL, spaces as %20") << int(EncodedUrl);
    QTest::newRow("file URL with literal spaces") << int(DecodedUrl);
    QTest::newRow("plain path") << int(PlainPath);
}

// "gs\r\n" sent three times to a device that answered only "XY": the give-up
// keeps both, and the report holds them framed by the two markers.
void TestKeyboardReports::reportOfAGiveUp()
{
    QFETCH(int, form);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("my logs")));
    const QString path = dir.path() + QStringLiteral("/my logs/log 1.txt");
    {
        QFile old(path); // an existing, longer file is replaced
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100, 'z'));
    }

    // The device takes the request three times and answers none of them;
    // all it sends meanwhile is "XY".
    rig->device.script("xxx");
    SignalRecorder rec(&rig->core);
    rig->core.send("gs\r\n");
    rig->link.startSending();
    // Each send forgets what came before it: "XY" comes after the last.
    QVERIFY(rig->waitFor([&] { return rig->device.count("gs") == 3; }));
    rig->device.inject("XY");
    QVERIFY(rig->waitFor([&] { return rec.count("sgAnswerErrSave") > 0; }));
    QCOMPARE(rig->device.count("gs"), 3);
    QCOMPARE(rec.of("sgAnswerErrSave"), QList<QVariantList>({{QStringLiteral("gs\r\n")}}));

    QString argument = path;
    if (form == EncodedUrl) {
        argument = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
        QVERIFY(argument.startsWith(QLatin1String("file:///")));
        QVERIFY(argument.contains(QLatin1String("my%20logs/log%201.txt")));
    } else if (form == DecodedUrl) {
        argument = QStringLiteral("file://") + path;
    }
    rig->core.slAnswerErrSave(argument);

    QFile report(path);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QByteArray content = report.readAll();
    QCOMPARE(content, QByteArray(">>>\r\ngs\r\n<<<\r\nXY"));
    QCOMPARE(content.size(), 16);
    QCOMPARE(QDir(dir.path() + "/my logs").entryList(QDir::Files), QStringList({"log 1.txt"}));
}

void TestKeyboardReports::reportWithNothingFailed()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.txt"));
    rig->core.slAnswerErrSave(QUrl::fromLocalFile(path).toString());
    QFile report(path);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), QByteArray(">>>\r\n<<<\r\n"));
}

void TestKeyboardReports::unopenableReportIsSilent_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("missing folder as URL") << "missing-url";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("empty argument") << "empty";
}

void TestKeyboardReports::unopenableReportIsSilent()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/no such/report.txt");
    QString argument;
    if (kind == "missing")
        argument = missing;
    else if (kind == "missing-url")
        argument = QUrl::fromLocalFile(missing).toString();
    else if (kind == "folder")
        argument = dir.path();
    // A command given up, so that there would be something to report.
    rig->device.script("xxx");
    rig->core.send("gs\r\n");
    rig->link.startSending();
    QVERIFY(rig->waitFor([&] { return !rig->link.unansweredCommand().isEmpty(); }));

    SignalRecorder rec(&rig->core);
    rig->core.slAnswerErrSave(argument);

    QCOMPARE(rec.all().size(), 0);
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

VORTAXA_TEST_MAIN(TestKeyboardReports)
#include "tst_keyboard_reports.moc"
