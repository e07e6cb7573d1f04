// WAV decoding: sample conversion, real files in every shape users bring,
// broken files, and the store check a save makes, on a Core without a port
// (what is queued for the device is the link's queue).
#include "core/core.h"
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "link/link.h"
#include "support/signal_recorder.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QTemporaryDir>

namespace {
QByteArray le(quint32 v, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
    return out;
}

// The preview command the device must receive for `samples`.
QByteArray previewOf(const QByteArray &samples)
{
    QByteArray p = samples.left(2952);
    p.append(2952 - p.size(), '\0');
    return "cc s 1\r" + p.toHex() + "\r";
}

const QList<QByteArray> readBack = {"sp\r\n", "rn\r\n", "gs\r\n"};

// The image a store command carries ("cc <name> 0\r<hex>\r").
QByteArray storedImage(const QByteArray &command)
{
    const int start = command.indexOf('\r') + 1;
    return QByteArray::fromHex(command.mid(start, command.size() - start - 1));
}
} // namespace

class TestWavDecode : public QObject {
    Q_OBJECT

    ScratchDir dir; // also the working directory, where the store writes wav.wav

    QString file(const QString &name, const QByteArray &bytes) { return dir.file(name, bytes); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void convertSample_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        auto row = [](const char *name, int w, const char *in, const char *out) {
            QTest::newRow(name) << w << QByteArray::fromHex(in) << QByteArray::fromHex(out);
        };
        row("8-bit silence", 1, "80", "000000");
        row("8-bit top", 1, "ff", "00007f");
        row("8-bit bottom", 1, "00", "000080");
        row("16-bit widened by a low zero byte", 2, "3412", "003412");
        row("24-bit unchanged", 3, "563412", "563412");
        row("32-bit loses its lowest byte", 4, "78563412", "563412");
        row("partial 24-bit copied as is", 3, "5634", "5634");
        row("partial 16-bit copied as is", 2, "34", "34");
        row("partial 32-bit copied as is", 4, "563412", "563412");
        row("width 0 gives nothing", 0, "12", "");
        row("width 5 gives nothing", 5, "1122334455", "");
        row("width 5, partial, gives nothing", 5, "1122", "");
    }
    void convertSample()
    {
        QFETCH(int, width);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(wav::convertSample(in.constData(), in.size(), uchar(width)).toHex(), out.toHex());
    }

    void convertWavData_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        auto row = [](const char *name, int w, int ch, const QByteArray &in,
                      const QByteArray &out) { QTest::newRow(name) << w << ch << in << out; };
        const auto hex = [](const char *h) { return QByteArray::fromHex(h); };
        row("16-bit stereo: left channel only", 2, 2, hex("11223344 55667788"),
            hex("001122 005566"));
        row("24-bit three channels: first only", 3, 3,
            hex("010203 040506 070809 0a0b0c 0d0e0f 101112"), hex("010203 0a0b0c"));
        row("24-bit stereo ending mid-frame", 3, 2, hex("010203 040506 0708"), hex("010203 0708"));
        row("8-bit mono", 1, 1, hex("80 81 7f"), hex("000000 000001 0000ff"));
        row("empty data", 3, 1, QByteArray(), QByteArray());
        row("no channels converts nothing", 3, 0, hex("010203"), QByteArray());
        row("no whole byte per sample converts nothing", 0, 1, hex("010203"), QByteArray());
        const QByteArray big = patternSamples(32000, 1, 1);
        row("32000 bytes of 24-bit: 10666 samples and 2 bytes", 3, 1, big, big);
    }
    void convertWavData()
    {
        QFETCH(int, width);
        QFETCH(int, channels);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(wav::convertData(in.constData(), in.size(), uchar(width), uchar(channels)).toHex(),
                 out.toHex());
    }

    // decodeWavOk on real files: the converted samples, and the preview that
    // carries them to the device.
    void decodeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        auto shaped = [](WavShape s) { return s; };

        const QByteArray mono24 = patternSamples(2000, 1, 3);
        WavShape canonical;
        canonical.data = mono24;
        QTest::newRow("24-bit mono 48 kHz") << wavFile(canonical) << mono24;

        WavShape ext = canonical;
        ext.extensible = true;
        QTest::newRow("24-bit mono extensible") << wavFile(ext) << mono24;

        WavShape list = canonical;
        list.chunkBeforeData = riffChunk("LIST", "INFOISFT" + le(6, 4) + QByteArray("tests\0", 6));
        QTest::newRow("LIST chunk before data") << wavFile(list) << mono24;

        WavShape slow = canonical;
        slow.rate = 44100;
        QTest::newRow("44.1 kHz taken as it is") << wavFile(slow) << mono24;

        WavShape shortFile = canonical;
        shortFile.data = patternSamples(100, 1, 3);
        QTest::newRow("fewer than 984 samples") << wavFile(shortFile) << shortFile.data;

        WavShape longFile = canonical;
        longFile.data = patternSamples(20000, 1, 3);
        QTest::newRow("longer than 32000 data bytes")
            << wavFile(longFile) << longFile.data.left(32000);

        WavShape longExt = longFile;
        longExt.extensible = true; // a longer header takes no room from the samples
        QTest::newRow("longer, extensible") << wavFile(longExt) << longFile.data.left(32000);

        QTest::newRow("16-bit stereo")
            << wavFile(
                   shaped({1, 2, 48000, 16, false, {}, QByteArray::fromHex("1122334455667788")}))
            << QByteArray::fromHex("001122005566");
        QTest::newRow("8-bit mono")
            << wavFile(shaped({1, 1, 48000, 8, false, {}, QByteArray::fromHex("80ff0001")}))
            << QByteArray::fromHex("00000000007f000080000081");
        QTest::newRow("32-bit float taken as integers")
            << wavFile(
                   shaped({3, 1, 48000, 32, false, {}, QByteArray::fromHex("0000803f000000bf")}))
            << QByteArray::fromHex("00803f0000bf");

        // "data" in a text chunk before the real one: the samples start 8
        // bytes after that first occurrence.
        WavShape text = canonical;
        text.data = patternSamples(10, 1, 3);
        text.chunkBeforeData = riffChunk("LIST", "INFOICMT" + le(16, 4) + "my data is here!");
        const QByteArray textFile = wavFile(text);
        QTest::newRow("\"data\" inside an earlier chunk")
            << textFile << textFile.mid(textFile.indexOf("my data") + 3 + 8);

        // Broken files convert nothing; the preview then carries silence.
        QByteArray noData = wavFile(canonical);
        noData.replace("data", "dat4");
        QTest::newRow("no data tag") << noData << QByteArray();
        QTest::newRow("43 bytes") << wavFile(canonical).left(43) << QByteArray();
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QByteArray tagAtEnd = wavFile(canonical).left(44);
        tagAtEnd.replace(36, 4, "junk");
        QTest::newRow("data tag is the last 4 bytes") << tagAtEnd + "data" << QByteArray();
        QByteArray noChannels = wavFile(canonical);
        noChannels[22] = 0;
        QTest::newRow("0 channels") << noChannels << QByteArray();
        QByteArray fourBits = wavFile(canonical);
        fourBits[34] = 4;
        QTest::newRow("4 bits per sample") << fourBits << QByteArray();
        QByteArray channels256 = wavFile(canonical);
        channels256[22] = 0;
        channels256[23] = 1; // only the low byte counts: 0 channels
        QTest::newRow("256 channels read as 0") << channels256 << QByteArray();
    }
    void decodeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const QString path = file("in.wav", bytes);

        Core core;
        Link &link = core.deviceLink();
        link.send("gb\r\n");
        SignalRecorder rec(&core);
        core.decodeWavOk(path, false);

        QVERIFY(core.presetSession().edited());
        QCOMPARE(rec.lines().mid(0, 2),
                 QStringList({"sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        // The preview joins the queue behind the head on its way.
        QCOMPARE(link.queued().size(), 2);
        QCOMPARE(link.queued().at(1).size(), 5912);
        QVERIFY(link.queued().at(1) == previewOf(expected));
        // The decode was not for a store: finishing it again previews.
        core.presetSession().decodeStopped();
        QVERIFY(link.queued().last() == previewOf(expected));
        // Every sample decoded, as a store carries them.
        link.clearQueue();
        core.decodeWavOk(path, true);
        QCOMPARE(storedImage(link.queued().value(0)).mid(44).toHex(), expected.toHex());
    }

    void decodeMissingFile()
    {
        Core core;
        Link &link = core.deviceLink();
        core.decodeWavOk(dir.filePath("no such file.wav"), false);
        QCOMPARE(link.queued(), QList<QByteArray>({previewOf({})}));
        link.clearQueue();
        core.decodeWavOk(dir.filePath("no such file.wav"), true);
        QCOMPARE(storedImage(link.queued().value(0)).size(), 44); // no samples
    }

    // A save of a file loaded for the preset (and changed on disk since):
    // 24 bits and anything but two channels may be stored; the rest stores
    // the preset without the impulse.
    void storeCheck_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        auto make = [](quint16 ch, quint32 rate, quint16 bits) {
            return wavFile({1, ch, rate, bits, false, {}, patternSamples(50, ch, bits / 8)});
        };
        QTest::newRow("24-bit mono") << make(1, 48000, 24) << true;
        QTest::newRow("24-bit three channels") << make(3, 48000, 24) << true;
        QTest::newRow("24-bit mono 44.1 kHz") << make(1, 44100, 24) << true;
        QTest::newRow("24-bit stereo") << make(2, 48000, 24) << false;
        QTest::newRow("16-bit mono") << make(1, 48000, 16) << false;
        QTest::newRow("32-bit mono") << make(1, 48000, 32) << false;
        QTest::newRow("43 bytes of a 24-bit mono file") << make(1, 48000, 24).left(43) << false;
    }
    void storeCheck()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        const QByteArray before = patternSamples(100, 1, 3);
        const QString path = file("store me.wav", wavFile({1, 1, 48000, 24, false, {}, before}));

        Core core;
        Link &link = core.deviceLink();
        PresetSession &session = core.presetSession();
        QVERIFY(session.loadImpulse(path));
        file("store me.wav", bytes);
        link.clearQueue();
        SignalRecorder rec(&core);
        session.save();

        const PendingImpulse &pending = session.pendingImpulse();
        QCOMPARE(pending.source(), PendingImpulse::Source::File); // until the device stored it
        QCOMPARE(pending.path(), path);
        if (accepted) {
            QCOMPARE(link.queued().size(), 4);
            QVERIFY(link.queued().at(0).startsWith("cc store_me.wav 0\r52494646"));
            QCOMPARE(link.queued().mid(1), readBack);
            QCOMPARE(rec.count("sgRequestConvert"), 0);
            // The decode was for a store: finishing it again stores.
            session.decodeStopped();
            QVERIFY(link.queued().value(4).startsWith("cc store_me.wav 0\r"));
        } else {
            QCOMPARE(link.queued(), readBack);
            QCOMPARE(rec.of("sgRequestConvert"), QList<QVariantList>({{path}}));
            QCOMPARE(pending.name(), QByteArray("store me.wav"));
            // Nothing decoded: what is there is still the loaded file's.
            session.decodeStopped();
            QVERIFY(link.queued().last() == previewOf(before));
        }
    }
};

VORTAXA_TEST_MAIN(TestWavDecode)
#include "tst_wav_decode.moc"
