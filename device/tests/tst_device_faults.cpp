// The virtual device's fault modes (split answers, delay, lost requests,
// noise, vanishing, stalling), its symlink, its preset store and its start-up
// checks.
#include "device_session.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <csignal>

namespace {

QByteArray unescaped(const QString &line)
{
    QByteArray bytes = line.toLatin1();
    bytes.replace("\\r", "\r");
    bytes.replace("\\n", "\n");
    return bytes;
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList all = QString::fromLatin1(file.readAll()).split('\n');
    all.removeAll(QString());
    return all;
}

// Reads an answer that ends with `end` (noise may come first).
QByteArray readEndingWith(DeviceSession &s, const QByteArray &end)
{
    QByteArray got;
    for (int i = 0; i < 300 && !got.endsWith(end); ++i)
        got += s.take(10);
    return got;
}

struct SplitRun {
    QByteArray received;
    QStringList pieces;
};

SplitRun runSplit(const QString &seed)
{
    DeviceSession s;
    SplitRun run;
    if (!s.start({"--type", "2", "--split", seed, "--split-max", "3", "--split-gap", "1",
                  "--answer-log", s.path("answers.log")}))
        return run;
    s.send("olkdev\r\n");
    run.received = s.read(13);
    s.send("gb\r\n");
    run.received += s.read(8);
    s.send("rns\r\n");
    for (int i = 0; i < 300 && run.received.count("END\n") < 17; ++i)
        run.received += s.take(10);
    run.pieces = lines(s.path("answers.log"));
    return run;
}

} // namespace

class TestDeviceFaults : public QObject {
    Q_OBJECT

private slots:
    void splitAnswers();
    void splitArrivesInSeveralReads();
    void delayBeforeEachAnswer();
    void dropEveryNthAnsweredRequest();
    void muteAfterNthRequest();
    void noiseBeforeEachAnswer();
    void vanishAfterNthRequest();
    void stallInLongRequest_data();
    void stallInLongRequest();
    void symlinkRemovedOnSignal_data();
    void symlinkRemovedOnSignal();
    void storeKeepsPresetsAcrossRuns();
    void refusedToStart_data();
    void refusedToStart();
};

// The pieces, joined, are the answers exactly; short answers come in pieces
// of at most --split-max bytes; the same seed cuts the same way.
void TestDeviceFaults::splitAnswers()
{
    const SplitRun first = runSplit("7");
    QVERIFY(first.received.startsWith("olkdev\r2\nEND\ngb\r0000\nrns\r"));
    QCOMPARE(first.received.count("END\n"), 17);

    QByteArray joined;
    int shortPieces = 0;
    for (const QString &piece : first.pieces) {
        const QByteArray bytes = unescaped(piece);
        if (joined.size() < 21) { // inside the identification and bank answers
            QVERIFY2(bytes.size() >= 1 && bytes.size() <= 3, bytes.constData());
            ++shortPieces;
        }
        joined += bytes;
    }
    QCOMPARE(joined, first.received);
    QVERIFY(shortPieces >= 7); // 21 bytes in pieces of at most 3
    QVERIFY(first.pieces.size() > 20);

    QCOMPARE(runSplit("7").pieces, first.pieces);
    QVERIFY(runSplit("8").pieces != first.pieces);
}

void TestDeviceFaults::splitArrivesInSeveralReads()
{
    DeviceSession s;
    QVERIFY(s.start({"--split", "3", "--split-max", "2", "--split-gap", "40"}));
    s.send("olkdev\r\n");
    int reads = 0;
    QCOMPARE(s.readCountingReads(13, &reads), QByteArray("olkdev\r1\nEND\n"));
    QVERIFY2(reads >= 3, qPrintable(QString::number(reads)));
}

void TestDeviceFaults::delayBeforeEachAnswer()
{
    DeviceSession s;
    QVERIFY(s.start({"--delay", "400"}));
    s.send("gb\r\n");
    QCOMPARE(s.readFor(200), QByteArray());
    QCOMPARE(s.read(8, 3000), QByteArray("gb\r0000\n"));
    s.send("gm\r\n");
    QCOMPARE(s.readFor(200), QByteArray());
    QCOMPARE(s.read(6, 3000), QByteArray("gm\r00\n"));
}

// Every third request that draws an answer is lost whole: not carried out,
// not answered. Parameter commands do not count towards N.
void TestDeviceFaults::dropEveryNthAnsweredRequest()
{
    DeviceSession s;
    QVERIFY(s.start({"--type", "2", "--drop-every", "3"}));
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n")); // 1
    s.send("mv 5\r\n");                                     // not counted
    QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r00\n"));   // 2
    s.send("chp 1\r\n");                                    // 3: lost
    QCOMPARE(s.readFor(300), QByteArray());
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n"));     // 4: no move happened
    QCOMPARE(s.ask("chp 1\r\n", 9), QByteArray("chp 1\r01\n")); // 5: the retry moves once
    s.send("gs\r\n");                                           // 6: lost
    QCOMPARE(s.readFor(300), QByteArray());
    const QByteArray status = s.status(); // 7
    QCOMPARE(status.size(), 43);

    const QJsonObject stats = s.stats();
    QCOMPARE(stats.value("dropped").toInt(), 2);
    QCOMPARE(stats.value("requests").toInt(), 8);
    QCOMPARE(stats.value("errors").toInt(), 0);
    QCOMPARE(s.requestLog().size(), 8);
}

// After the Nth request the device takes nothing for a while: requests are
// lost whole, parameter commands too; afterwards it answers again.
void TestDeviceFaults::muteAfterNthRequest()
{
    DeviceSession s;
    QVERIFY(s.start({"--type", "2", "--mute-after", "2", "--mute-for", "600"}));
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n")); // 1
    s.send("mv 5\r\n");                                     // 2: carried out, then silence
    s.send("mv 9\r\n");                                     // lost
    s.send("chp 1\r\n");                                    // lost
    QCOMPARE(s.readFor(300), QByteArray());
    QTest::qWait(400);
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n")); // no move happened
    QCOMPARE(quint8(s.status().at(7)), quint8(5));

    const QJsonObject stats = s.stats();
    QCOMPARE(stats.value("dropped").toInt(), 2);
    QCOMPARE(stats.value("requests").toInt(), 6);
    QCOMPARE(stats.value("errors").toInt(), 0);
    QCOMPARE(s.requestLog().size(), 6);
}

// Stray bytes (no letters, digits, CR or LF) come before each answer; the
// answer itself is intact; the same seed gives the same bytes.
void TestDeviceFaults::noiseBeforeEachAnswer()
{
    const auto run = [](const QString &seed, int *noiseBytes) {
        DeviceSession s;
        if (!s.start({"--noise", seed, "--noise-max", "4"}))
            return QByteArrayList();
        QByteArrayList noise;
        for (const QByteArray &answer :
             {QByteArray("gb\r0000\n"), QByteArray("gm\r00\n"), QByteArray("olkdev\r1\nEND\n")}) {
            s.send(answer.startsWith("olkdev") ? QByteArray("olkdev\r\n")
                                               : answer.left(2) + "\r\n");
            const QByteArray got = readEndingWith(s, answer);
            if (!got.endsWith(answer))
                return QByteArrayList();
            noise << got.chopped(answer.size());
        }
        *noiseBytes = s.stats().value("noiseBytes").toInt();
        return noise;
    };
    int counted = 0;
    const QByteArrayList noise = run("11", &counted);
    QCOMPARE(noise.size(), 3);
    int total = 0;
    for (const QByteArray &n : noise) {
        QVERIFY(n.size() >= 1 && n.size() <= 4);
        total += n.size();
        for (char c : n)
            QVERIFY2(!isalnum(static_cast<unsigned char>(c)) && c != '\r' && c != '\n',
                     n.toHex().constData());
    }
    QCOMPARE(counted, total);
    int again = 0;
    QCOMPARE(run("11", &again), noise);
    QVERIFY(run("12", &again) != noise);
}

// After the Nth request (answered first) the port hangs up, the device exits
// cleanly and takes its symlink with it.
void TestDeviceFaults::vanishAfterNthRequest()
{
    DeviceSession s;
    const QString link = s.path("port");
    QVERIFY(s.start({"--vanish-after", "3", "--link", link}));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(s.ask("olkdev\r\n", 13), QByteArray("olkdev\r1\nEND\n"));
    s.send("mv 5\r\n");
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n"));
    QVERIFY(s.waitForHangUp());
    QVERIFY(s.waitForExit(5000));
    QCOMPARE(s.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(s.stats().value("requests").toInt(), 3);
}

// Once a request has --stall-after bytes in, the device takes nothing for
// --stall-for ms: the line fills up and the writer has to wait. Nothing is
// lost, the request is not dropped as incomplete whatever the request
// time-out, short requests never stall and each long one stalls once.
void TestDeviceFaults::stallInLongRequest_data()
{
    QTest::addColumn<int>("stallFor");
    QTest::addColumn<int>("requestTimeout");
    QTest::newRow("stall shorter than the request time-out") << 300 << 2000;
    QTest::newRow("stall longer than the request time-out") << 800 << 300;
}

void TestDeviceFaults::stallInLongRequest()
{
    QFETCH(int, stallFor);
    QFETCH(int, requestTimeout);
    DeviceSession s;
    QVERIFY(
        s.start({"--type", "2", "--stall-after", "2000", "--stall-for", QString::number(stallFor),
                 "--request-timeout", QString::number(requestTimeout)}));
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n"));

    const QByteArray image = storedImage(samplePattern(32000, 4));
    for (int round = 1; round <= 2; ++round) {
        const QByteArray name = "Stall_" + QByteArray::number(round) + ".wav";
        const QByteArray command = storeCommand(name, image);
        // The request begins before the stall (its quiet time running), then
        // the line takes only part of the rest.
        s.send(command.left(1000));
        QCOMPARE(s.readFor(50), QByteArray());
        const int taken = 1000 + s.sendWhatFits(command.mid(1000));
        QVERIFY2(taken < command.size(), qPrintable(QString::number(taken)));
        s.send(command.mid(taken)); // waits for the device to read again
        QCOMPARE(s.read(6, 10000), QByteArray("ccEND\n"));
        QCOMPARE(s.stats().value("stalls").toInt(), round);
        const QByteArray copy = "cc\r" + name + "\n" + hexOf(image) + "\n";
        QCOMPARE(s.ask("cc\r\n", copy.size()), copy);
    }
    QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r00\n"));
    const QJsonObject stats = s.stats();
    QCOMPARE(stats.value("stalls").toInt(), 2);
    QCOMPARE(stats.value("errors").toInt(), 0);
    QCOMPARE(stats.value("requests").toInt(), 6);
}

void TestDeviceFaults::symlinkRemovedOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestDeviceFaults::symlinkRemovedOnSignal()
{
    QFETCH(int, signal);
    DeviceSession s;
    const QString link = s.path("port");
    QVERIFY(s.start({"--link", link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), s.slavePath());
    QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0000\n"));
    QCOMPARE(s.stop(signal), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY2(s.stdoutRest().contains("1 requests, 1 answers, 0 errors"),
             s.stdoutRest().constData());
}

// Stores reach the file at once (they survive a kill); the position and the
// mode are kept by a clean stop.
void TestDeviceFaults::storeKeepsPresetsAcrossRuns()
{
    QTemporaryDir dir;
    const QString store = dir.filePath("presets/type1.json");
    const QByteArray image = storedImage(samplePattern(9000, 2));
    {
        DeviceSession s;
        QVERIFY(s.start({"--type", "1", "--store", store}));
        s.send("gm 4\r\n");
        QCOMPARE(s.ask("pc 3\r\n", 5), QByteArray("pc 3\r"));
        s.send("mv 5\r\n");
        QCOMPARE(s.ask("sp\r\n", 7), QByteArray("sp\rEND\n"));
        QCOMPARE(s.ask(storeCommand("Kept.wav", image), 6), QByteArray("ccEND\n"));
        QCOMPARE(s.stop(SIGKILL), -1);
    }
    {
        DeviceSession s;
        QVERIFY(s.start({"--type", "1", "--store", store}));
        QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0003\n"));
        QCOMPARE(s.ask("gm\r\n", 6), QByteArray("gm\r04\n"));
        QCOMPARE(static_cast<int>(s.status().at(7)), 5);
        QCOMPARE(s.ask("rn\r\n", 12), QByteArray("rn\rKept.wav\n"));
        QCOMPARE(s.ask("cc\r\n", 3 + 9 + 2 * image.size() + 1),
                 "cc\rKept.wav\n" + hexOf(image) + "\n");
        QCOMPARE(s.ask("pc 4d\r\n", 6), QByteArray("pc 4d\r"));
        QCOMPARE(s.stop(), 0);
    }
    {
        DeviceSession s;
        QVERIFY(s.start({"--type", "1", "--store", store}));
        QCOMPARE(s.ask("gb\r\n", 8), QByteArray("gb\r0707\n"));
        QCOMPARE(s.stop(), 0);
    }
}

void TestDeviceFaults::refusedToStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("store");
    QVector<TestPreset> sixteen(16);
    for (TestPreset &p : sixteen)
        p.status = QByteArray(43, '\0');
    QByteArray shortStatus = presetsFile(2, 0, 0, 0, sixteen);
    shortStatus.replace(QByteArray(86, '0'), QByteArray(84, '0'));

    QTest::newRow("type 0") << QStringList{"--type", "0"} << QByteArray();
    QTest::newRow("type 5") << QStringList{"--type", "5"} << QByteArray();
    QTest::newRow("negative delay") << QStringList{"--delay", "-1"} << QByteArray();
    QTest::newRow("split piece of 0")
        << QStringList{"--split", "1", "--split-max", "0"} << QByteArray();
    QTest::newRow("store of another type")
        << QStringList{"--type", "1"} << presetsFile(2, 0, 0, 0, sixteen);
    QTest::newRow("store with too few presets")
        << QStringList{"--type", "2"} << presetsFile(2, 0, 0, 0, sixteen.mid(1));
    QTest::newRow("store with a short status") << QStringList{"--type", "2"} << shortStatus;
    QTest::newRow("store that is not JSON") << QStringList{"--type", "2"} << QByteArray("{presets");
}

// Bad options and unusable store files stop the device before it opens a
// port; a store file is never overwritten with factory presets.
void TestDeviceFaults::refusedToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, store);
    DeviceSession s;
    if (!store.isEmpty()) {
        QFile file(s.path("store.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(store);
        file.close();
        arguments << "--store" << s.path("store.json");
    }
    QVERIFY(!s.start(arguments));
    QVERIFY(s.waitForExit(5000));
    QCOMPARE(s.process().exitCode(), 2);
    QVERIFY(s.stderrText().startsWith("virtual-device: "));
    if (!store.isEmpty()) {
        QFile file(s.path("store.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), store);
    }
}

QTEST_GUILESS_MAIN(TestDeviceFaults)
#include "tst_device_faults.moc"
