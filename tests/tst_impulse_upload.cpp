// Impulse upload: choosing a file (preview), the store command with its
// device WAV image, the stored name, and both on the wire of a pty.
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "support/pty_core_rig.h"
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

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void hexAndBytes()
    {
        QCOMPARE(wav::hexText(QByteArray::fromHex("05ab0a00ff")), QByteArray("05ab0a00ff"));
        QCOMPARE(wav::intToBytes(30036).toHex(), QByteArray("54750000"));
        QCOMPARE(wav::intToBytes(0x12345678).toHex(), QByteArray("78563412"));
        QCOMPARE(wav::intToBytes(-1).toHex(), QByteArray("ffffffff"));
        QCOMPARE(CoreAccess::intToBytes(144000).toHex(), QByteArray("80320200"));
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

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.queue() = {"gs\r\n", "rn\r\n"};
        a.pendingImpulse().paste("old.wav", "/old/old.wav", QByteArray(), QByteArray());
        SignalRecorder rec(&core);
        core.setImpuls(path, "chosen.wav");

        if (!accepted) {
            QCOMPARE(rec.lines(),
                     QStringList({"sgNotSupport()", "sgSetWait(false)", "sgReadValue(wait,0)"}));
            QVERIFY(a.queue().isEmpty());
            QCOMPARE(a.pendingFileName(), QString("old.wav"));
            QCOMPARE(a.pendingFilePath(), QString("/old/old.wav"));
            QVERIFY(a.pendingImpulse().pasted());
            return;
        }
        QCOMPARE(rec.lines().mid(0, 4),
                 QStringList({"sgSetImpulsName(chosen.wav)", "sgReadText(impulse_name,chosen.wav)",
                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        QCOMPARE(a.queue().size(), 1);
        const QByteArray &preview = a.queue().first();
        QCOMPARE(preview.size(), 5912);
        QVERIFY(preview.startsWith("cc s 1\r"));
        QVERIFY(preview.endsWith("\r"));
        QCOMPARE(QByteArray::fromHex(preview.mid(7, 5904)), patternSamples(984, 1, 3));
        QCOMPARE(a.presetEdit(), uchar(1));
        QVERIFY(!a.pendingImpulse().pasted());
        QCOMPARE(a.pendingFileName(), QString("chosen.wav"));
        QCOMPARE(a.pendingFilePath(), path);
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

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.queue() = {"gs\r\n"};
        SignalRecorder rec(&core);
        core.setImpuls(path);

        if (!taken) {
            QVERIFY(rec.all().isEmpty());
            QCOMPARE(a.queue(), QList<QByteArray>({"gs\r\n"}));
            return;
        }
        QCOMPARE(rec.of("sgSetImpulsName"), QList<QVariantList>({{"ir one.wav"}}));
        QCOMPARE(a.pendingFilePath(), path);
        QCOMPARE(a.queue().size(), 1);
        QCOMPARE(a.queue().first().size(), 5912);
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

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        PresetSession &session = core.presetSession();
        QSignalSpy refused(&session, &PresetSession::impulseRefused);
        QSignalSpy shown(&session, &PresetSession::impulseShown);

        QCOMPARE(session.loadImpulse(path), taken);
        QCOMPARE(refused.count(), taken ? 0 : 1);
        QCOMPARE(a.pendingFilePath(), taken ? path : QString());
        QCOMPARE(a.queue().size(), taken ? 1 : 0); // the preview
        if (taken)
            QCOMPARE(shown.value(0).value(0).toString(), QStringLiteral("ir one.wav"));
    }

    // The store path of slDecodeStop: the name, the image, wav.wav and the
    // read-back that follows.
    void store_data()
    {
        QTest::addColumn<int>("sampleBytes");
        QTest::addColumn<QString>("pasted");   // the file a pasted preset brought
        QTest::addColumn<QString>("name");     // a file loaded after that
        QTest::addColumn<QString>("copyName"); // the file on the clipboard
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

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.impulseData() = patternSamples(sampleBytes, 1, 1);
        if (!pasted.isEmpty())
            a.pendingImpulse().paste(pasted, "/irs/" + pasted, QByteArray(), QByteArray());
        if (!name.isEmpty())
            a.loadFile(name, "/irs/" + name);
        a.copyImpulseFileName() = copyName;
        a.saveToFile() = 1;
        a.presetEdit() = 1;
        SignalRecorder rec(&core);
        a.slDecodeStop();

        QCOMPARE(a.queue().size(), 4);
        const QByteArray command = a.queue().first();
        const QByteArray prefix = "cc " + sentName + " 0\r";
        QVERIFY2(command.startsWith(prefix), command.left(40).constData());
        QVERIFY(command.endsWith("\r"));
        QCOMPARE(command.size(), prefix.size() + 2 * (44 + n) + 1);
        const QByteArray hex = command.mid(prefix.size(), 2 * (44 + n));
        QCOMPARE(hex, hex.toLower());
        const QByteArray image = QByteArray::fromHex(hex);
        QCOMPARE(le32At(image, 4), quint32(36 + n));
        QCOMPARE(le32At(image, 40), quint32(n));
        QCOMPARE(image.mid(44), a.impulseData().left(n));
        QCOMPARE(readFile("wav.wav"), image);
        QCOMPARE(a.queue().mid(1), readBack);

        QCOMPARE(a.presetEdit(), uchar(0));
        QCOMPARE(rec.lines().mid(0, 2),
                 QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)"}));
        // Pending until the device has stored the preset, under the name sent.
        QCOMPARE(a.pendingFileName(), QString::fromUtf8(sentName));
        QCOMPARE(a.copyImpulseFileName(), copyName);
    }

    // Through a real serial line: the preview, then the stored impulse and
    // its read-back, each whole and in order.
    void onTheWire()
    {
        PtyCoreRig rig;
        QVERIFY(rig.open());
        const QByteArray samples = patternSamples(1200, 1, 3);
        const QString path = file("wire cab.wav", wavFile({1, 1, 48000, 24, false, {}, samples}));

        rig.core.setImpuls(path);
        const QByteArray preview = rig.pty.read(5912);
        QCOMPARE(preview, "cc s 1\r" + samples.left(2952).toHex() + "\r");
        QVERIFY(spinUntil([&] { return !rig.a.sending(); })); // the last pause

        // The device acknowledges the preview; saving stores the file.
        rig.answerHead();
        rig.core.slSaveUpDown(0);
        const QByteArray store = "cc wire_cab.wav 0\r" + wav::deviceImage(samples).toHex() + "\r";
        QCOMPARE(rig.pty.read(store.size(), 10000), store);
        QVERIFY(spinUntil([&] { return !rig.a.sending(); }));
        for (const QByteArray &next : readBack) {
            rig.answerHead();
            QCOMPARE(rig.pty.read(next.size()), next);
        }
    }
};

VORTAXA_TEST_MAIN(TestImpulseUpload)
#include "tst_impulse_upload.moc"
