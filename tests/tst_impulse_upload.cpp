// Impulse upload on the in-process device: choosing a file (preview), the
// store command with its device WAV image, the stored name, and what the
// device receives and stores.
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "support/core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QTemporaryDir>

namespace {
quint32 le32At(const QByteArray &b, int at)
{
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 |
           quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24;
}

const QList<QByteArray> readBack = {"sp\r\n", "rn\r\n", "gs\r\n"};
} // namespace

class TestImpulseUpload : public QObject {
    Q_OBJECT

    ScratchDir dir; // also the working directory, where the store writes wav.wav

    QString file(const QString &name, const QByteArray &bytes) { return dir.file(name, bytes); }

    // A usable impulse file of `sampleBytes` bytes of 24-bit samples.
    QString impulse(const QString &name, int sampleBytes)
    {
        return file(name,
                    wavFile({1, 1, 48000, 24, false, {}, patternSamples(sampleBytes / 3, 1, 3)}));
    }

    // A copy of a preset that had `name` loaded (the file stays on the
    // clipboard); the preset is left as the device stores it.
    static bool copyWithFile(CoreRig &rig, const QString &path)
    {
        if (!rig.session.loadImpulse(path))
            return false;
        rig.core.slCopy();
        if (!rig.waitIdle() || !rig.session.hasCopy())
            return false;
        rig.session.revertImpulse();
        return rig.waitIdle() && !rig.session.edited();
    }

    // The pending file's name and path; empty when no file is pending.
    static QString pendingName(const CoreRig &rig)
    {
        const PendingImpulse &p = rig.session.pendingImpulse();
        return p.source() == PendingImpulse::Source::File ? QString::fromUtf8(p.name()) : QString();
    }
    static QString pendingPath(const CoreRig &rig)
    {
        const PendingImpulse &p = rig.session.pendingImpulse();
        return p.source() == PendingImpulse::Source::File ? p.path() : QString();
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void hexAndBytes()
    {
        QCOMPARE(wav::hexText(QByteArray::fromHex("05ab0a00ff")), QByteArray("05ab0a00ff"));
        QCOMPARE(wav::intToBytes(30036).toHex(), QByteArray("54750000"));
        QCOMPARE(wav::intToBytes(0x12345678).toHex(), QByteArray("78563412"));
        QCOMPARE(wav::intToBytes(-1).toHex(), QByteArray("ffffffff"));
        QCOMPARE(wav::intToBytes(144000).toHex(), QByteArray("80320200"));
    }

    void deviceImage_data()
    {
        QTest::addColumn<int>("sampleBytes");
        QTest::addColumn<int>("n");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("30000 bytes") << 30000 << 30000;
        QTest::newRow("32000 bytes, not whole samples") << 32000 << 32000;
        QTest::newRow("48000 bytes capped") << 48000 << 32000;
    }
    void deviceImage()
    {
        QFETCH(int, sampleBytes);
        QFETCH(int, n);
        const QByteArray samples = patternSamples(sampleBytes, 1, 1);
        const QByteArray image = wav::deviceImage(samples);
        QCOMPARE(image.size(), 44 + n);
        // RIFF, size, WAVE, fmt , 16, PCM, mono, 48000, 144000, 3, 24, data, N
        const QByteArray header = "52494646" + wav::intToBytes(36 + n).toHex() +
                                  "57415645666d7420100000000100010080bb000080320200"
                                  "0300180064617461" +
                                  wav::intToBytes(n).toHex();
        QCOMPARE(image.left(44).toHex(), header);
        QCOMPARE(image.mid(44), samples.left(n));
    }

    void storeName_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("spaces") << "My Cab.wav"
                                << "My_Cab.wav";
        QTest::newRow("CR LF would end the command") << "a\r\nsp\r\n.wav"
                                                     << "a__sp__.wav";
        QTest::newRow("tab, NUL, 0x1f, DEL")
            << QString::fromUtf8("t\tn\0u\x1f\x7f.wav", 11) << "t_n_u__.wav";
        QTest::newRow("UTF-8 kept")
            << QString::fromUtf8("Überbaß 4×12.wav") << QString::fromUtf8("Überbaß_4×12.wav");
    }
    void storeName()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(wav::storeName(in), out);
    }

    // setImpuls(path, name): only 48 kHz, 24-bit mono files are previewed.
    void chooseFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        auto make = [](quint16 ch, quint32 rate, quint16 bits) {
            return wavFile({1, ch, rate, bits, false, {}, patternSamples(1500, ch, bits / 8)});
        };
        QTest::newRow("48 kHz 24-bit mono") << make(1, 48000, 24) << true;
        WavShape ext{1, 1, 48000, 24, true, {}, patternSamples(1500, 1, 3)};
        QTest::newRow("extensible 48 kHz 24-bit mono") << wavFile(ext) << true;
        QTest::newRow("44.1 kHz") << make(1, 44100, 24) << false;
        QTest::newRow("16-bit") << make(1, 48000, 16) << false;
        QTest::newRow("stereo") << make(2, 48000, 24) << false;
        QTest::newRow("43 bytes") << make(1, 48000, 24).left(43) << false;
    }
    void chooseFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        const QString path = file("chosen.wav", bytes);

        // The current preset plays a pasted file, and requests wait.
        CoreRig rig;
        QVERIFY(rig.openIdle());
        const QString old = impulse("old.wav", 300);
        QVERIFY(copyWithFile(rig, old));
        rig.core.slPaste();
        QVERIFY(rig.waitIdle());
        rig.link.send("gs\r\n");
        rig.link.send("rn\r\n");
        SignalRecorder rec(&rig.core);
        rig.core.setImpuls(path, "chosen.wav");

        if (!accepted) {
            QCOMPARE(rec.lines(),
                     QStringList({"sgNotSupport()", "sgSetWait(false)", "sgReadValue(wait,0)"}));
            QVERIFY(rig.link.queueEmpty());
            QCOMPARE(pendingName(rig), QString("old.wav"));
            QCOMPARE(pendingPath(rig), old);
            QVERIFY(rig.session.pendingImpulse().pasted());
            return;
        }
        QCOMPARE(rec.lines().mid(0, 4),
                 QStringList({"sgSetImpulsName(chosen.wav)", "sgReadText(impulse_name,chosen.wav)",
                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        QCOMPARE(rig.link.queued().size(), 1);
        const QByteArray preview = rig.link.queued().first();
        QCOMPARE(preview.size(), 5912);
        QVERIFY(preview.startsWith("cc s 1\r"));
        QVERIFY(preview.endsWith("\r"));
        QCOMPARE(QByteArray::fromHex(preview.mid(7, 5904)), patternSamples(984, 1, 3));
        QVERIFY(rig.session.edited());
        QVERIFY(!rig.session.pendingImpulse().pasted());
        QCOMPARE(pendingName(rig), QString("chosen.wav"));
        QCOMPARE(pendingPath(rig), path);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.device.model().previewSamples(), patternSamples(984, 1, 3));
    }

    // setImpuls(fullPath) ignores anything that is not an existing file.
    void chooseByFullPath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a file with a space") << "ir one.wav" << true;
        QTest::newRow("a directory") << "folder" << false;
        QTest::newRow("no such file") << "missing.wav" << false;
    }
    void chooseByFullPath()
    {
        QFETCH(QString, relative);
        QFETCH(bool, taken);
        file("ir one.wav", wavFile({1, 1, 48000, 24, false, {}, patternSamples(10, 1, 3)}));
        QDir(dir.path()).mkpath("folder");
        const QString path = dir.filePath(relative);

        CoreRig rig;
        QVERIFY(rig.openIdle());
        rig.link.send("gs\r\n"); // waiting, not sent yet
        SignalRecorder rec(&rig.core);
        rig.core.setImpuls(path);

        if (!taken) {
            QVERIFY(rec.all().isEmpty());
            QCOMPARE(rig.link.queued(), QList<QByteArray>({"gs\r\n"}));
            return;
        }
        QCOMPARE(rec.of("sgSetImpulsName"), QList<QVariantList>({{"ir one.wav"}}));
        QCOMPARE(pendingPath(rig), path);
        QCOMPARE(rig.link.queued().size(), 1);
        QCOMPARE(rig.link.queued().first().size(), 5912);
    }

    // The session's load, as the impulse browser uses it: taken, or refused
    // with impulseRefused and nothing queued, also for a file that is gone.
    void sessionLoad_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("taken");
        QTest::newRow("48 kHz 24-bit mono") << "ir one.wav" << true;
        QTest::newRow("44.1 kHz") << "cd rate.wav" << false;
        QTest::newRow("a directory") << "folder" << false;
        QTest::newRow("no such file") << "missing.wav" << false;
    }
    void sessionLoad()
    {
        QFETCH(QString, relative);
        QFETCH(bool, taken);
        file("ir one.wav", wavFile({1, 1, 48000, 24, false, {}, patternSamples(10, 1, 3)}));
        file("cd rate.wav", wavFile({1, 1, 44100, 24, false, {}, patternSamples(10, 1, 3)}));
        QDir(dir.path()).mkpath("folder");
        const QString path = dir.filePath(relative);

        CoreRig rig;
        QVERIFY(rig.openIdle());
        PresetSession &session = rig.session;
        QSignalSpy refused(&session, &PresetSession::impulseRefused);
        QSignalSpy shown(&session, &PresetSession::impulseShown);

        QCOMPARE(session.loadImpulse(path), taken);
        QCOMPARE(refused.count(), taken ? 0 : 1);
        QCOMPARE(pendingPath(rig), taken ? path : QString());
        QCOMPARE(rig.link.queued().size(), taken ? 1 : 0); // the preview
        if (taken)
            QCOMPARE(shown.value(0).value(0).toString(), QStringLiteral("ir one.wav"));
    }

    // Decoding a file for the store: the name, the image, wav.wav and the
    // read-back that follows.
    void store_data()
    {
        QTest::addColumn<int>("sampleBytes");
        QTest::addColumn<QString>("pasted");   // the file a pasted preset brought
        QTest::addColumn<QString>("name");     // a file loaded after that
        QTest::addColumn<QString>("copyName"); // the file on the clipboard, not pasted
        QTest::addColumn<QByteArray>("sentName");
        QTest::addColumn<int>("n");
        const QString myCab = "My Cab.wav";
        QTest::newRow("My Cab.wav with 30000 bytes")
            << 30000 << QString() << myCab << QString() << QByteArray("My_Cab.wav") << 30000;
        QTest::newRow("48000 bytes: capped at 32000")
            << 48000 << QString() << myCab << QString() << QByteArray("My_Cab.wav") << 32000;
        QTest::newRow("after a paste: the copied file's name")
            << 300 << "A B.wav" << QString() << QString() << QByteArray("A_B.wav") << 300;
        QTest::newRow("a file loaded after a paste: its own name")
            << 300 << "A B.wav" << myCab << QString() << QByteArray("My_Cab.wav") << 300;
        QTest::newRow("not pasted: the copied name is not used")
            << 300 << QString() << myCab << "A B.wav" << QByteArray("My_Cab.wav") << 300;
        QTest::newRow("CR and LF stay out of the command")
            << 30 << QString() << "x\r\nsp\r\n.wav" << QString() << QByteArray("x__sp__.wav") << 30;
    }
    void store()
    {
        QFETCH(int, sampleBytes);
        QFETCH(QString, pasted);
        QFETCH(QString, name);
        QFETCH(QString, copyName);
        QFETCH(QByteArray, sentName);
        QFETCH(int, n);
        QFile::remove("wav.wav");

        CoreRig rig;
        QVERIFY(rig.openIdle());
        const QString copied = pasted.isEmpty() ? copyName : pasted;
        if (!copied.isEmpty())
            QVERIFY(copyWithFile(rig, impulse(copied, sampleBytes)));
        if (!pasted.isEmpty()) {
            rig.core.slPaste();
            QVERIFY(rig.waitIdle());
        }
        QString path = pendingPath(rig);
        if (!name.isEmpty()) {
            path = impulse(name, sampleBytes);
            QVERIFY(rig.session.loadImpulse(path));
            QVERIFY(rig.waitIdle());
        }
        QVERIFY(rig.session.edited());
        SignalRecorder rec(&rig.core);
        rig.core.decodeWavOk(path, true);

        QCOMPARE(rig.link.queued().size(), 4);
        const QByteArray command = rig.link.queued().first();
        const QByteArray prefix = "cc " + sentName + " 0\r";
        QVERIFY2(command.startsWith(prefix), command.left(40).constData());
        QVERIFY(command.endsWith("\r"));
        QCOMPARE(command.size(), prefix.size() + 2 * (44 + n) + 1);
        const QByteArray hex = command.mid(prefix.size(), 2 * (44 + n));
        QCOMPARE(hex, hex.toLower());
        const QByteArray image = QByteArray::fromHex(hex);
        QCOMPARE(le32At(image, 4), quint32(36 + n));
        QCOMPARE(le32At(image, 40), quint32(n));
        QCOMPARE(image.mid(44), patternSamples(sampleBytes / 3, 1, 3).left(n));
        QCOMPARE(readFile("wav.wav"), image);
        QCOMPARE(rig.link.queued().mid(1), readBack);

        QVERIFY(!rig.session.edited());
        QCOMPARE(rec.of("sgSetEdit").last(), QVariantList{false});
        QCOMPARE(rec.valuesOf("preset_edit").last(), QVariant(0));
        // Pending until the device has stored the preset, under the name sent.
        QCOMPARE(pendingName(rig), QString::fromUtf8(sentName));
        // The clipboard keeps the copied file (a paste comes from it).
        QCOMPARE(rig.session.keptBlocks().copiedFileName(), copied);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.device.model().storedCurrent().impulse.name, sentName);
        QCOMPARE(rig.device.model().storedCurrent().impulse.wav, image);
        QCOMPARE(pendingName(rig), QString());
    }

    // What the device receives: the preview, then the stored impulse and
    // its read-back, each whole and in order.
    void onTheWire()
    {
        CoreRig rig;
        QVERIFY(rig.openIdle());
        const QByteArray samples = patternSamples(1200, 1, 3);
        const QString path = file("wire cab.wav", wavFile({1, 1, 48000, 24, false, {}, samples}));

        rig.core.setImpuls(path);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.device.rawRequests(),
                 QList<QByteArray>{"cc s 1\r" + samples.left(2952).toHex() + "\r"});

        rig.device.clearLog();
        rig.core.slSaveUpDown(0);
        QVERIFY(rig.waitIdle());
        const QByteArray store = "cc wire_cab.wav 0\r" + wav::deviceImage(samples).toHex() + "\r";
        QCOMPARE(rig.device.rawRequests().value(0), store);
        QCOMPARE(rig.requests().mid(1), firstLines(readBack));
        QCOMPARE(rig.device.model().storedCurrent().impulse.wav, wav::deviceImage(samples));
    }
};

VORTAXA_TEST_MAIN(TestImpulseUpload)
#include "tst_impulse_upload.moc"
