// Cross-check with sox: the test files are real WAV files as sox reads them,
// and the stored copy "wav.wav" is a 48 kHz 24-bit mono file whose samples
// are the source's first channel, bit for bit.
#include "core/core.h"
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

namespace {
// sox --i: rate, bits, channels and sample count (per channel).
QString soxInfo(const QString &path)
{
    QStringList info;
    for (const char *what : {"-r", "-b", "-c", "-s"})
        info << QString::fromLatin1(sox({"--i", what, path}).trimmed());
    return info.join(' ');
}

// `file` with `chunk` inserted before its "data" chunk (found by walking the
// chunks from the first one) and the RIFF size made to match.
QByteArray withChunkBeforeData(QByteArray file, const QByteArray &chunk)
{
    int at = 12;
    while (at + 8 <= file.size() && file.mid(at, 4) != "data")
        at += 8 + qFromLittleEndian<quint32>(file.constData() + at + 4);
    file.insert(at, chunk);
    qToLittleEndian<quint32>(quint32(file.size() - 8), file.data() + 4);
    return file;
}
} // namespace

class TestWavSox : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString previousDir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the program writes wav.wav here
        QVERIFY2(soxAvailable(), "sox is needed for this cross-check (Debian package sox)");
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void storedCopy_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("sourceInfo"); // as sox reads the source
        QTest::addColumn<bool>("checked");       // through decodeWav's store check
        QTest::addColumn<int>("n");              // sample bytes in wav.wav
        QTest::addColumn<QByteArray>("samples"); // the mono 24-bit samples, if known

        const QByteArray d10000 = patternSamples(10000, 1, 3);
        QTest::newRow("24-bit mono, 30000 bytes") << wavFile({1, 1, 48000, 24, false, {}, d10000})
                                                  << "48000 24 1 10000" << true << 30000 << d10000;
        const QByteArray d12000 = patternSamples(12000, 1, 3);
        QTest::newRow("24-bit mono, longer than 32000 bytes")
            << wavFile({1, 1, 48000, 24, false, {}, d12000}) << "48000 24 1 12000" << true << 32000
            << d12000;
        const QByteArray d2000 = patternSamples(2000, 1, 3);
        const QByteArray list =
            riffChunk("LIST", "INFOISFT" + QByteArray("\x06\0\0\0", 4) + QByteArray("tests\0", 6));
        QTest::newRow("24-bit mono extensible with a LIST chunk")
            << wavFile({1, 1, 48000, 24, true, list, d2000}) << "48000 24 1 2000" << true << 6000
            << d2000;
        QTest::newRow("24-bit mono 44.1 kHz, labelled 48 kHz")
            << wavFile({1, 1, 44100, 24, false, {}, d2000}) << "44100 24 1 2000" << true << 6000
            << d2000;
        QTest::newRow("24-bit three channels: the first")
            << wavFile({1, 3, 48000, 24, false, {}, patternSamples(1000, 3, 3)})
            << "48000 24 3 1000" << true << 3000 << QByteArray();
        QTest::newRow("16-bit stereo: the left, widened")
            << wavFile({1, 2, 48000, 16, false, {}, patternSamples(4000, 2, 2)})
            << "48000 16 2 4000" << false << 12000 << QByteArray();
        QTest::newRow("8-bit mono, widened")
            << wavFile({1, 1, 48000, 8, false, {}, patternSamples(3000, 1, 1)}) << "48000 8 1 3000"
            << false << 9000 << QByteArray();
    }
    void storedCopy()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, sourceInfo);
        QFETCH(bool, checked);
        QFETCH(int, n);
        QFETCH(QByteArray, samples);
        const QString path = dir.filePath("source.wav");
        QVERIFY(writeFile(path, source));
        QCOMPARE(soxInfo(path), sourceInfo);

        QFile::remove("wav.wav");
        // A Core without a port: only the stored copy matters here.
        Core core;
        if (checked) {
            // A file loaded for the preset, then replaced on disk: the save
            // checks what it finds there.
            const QString loaded = dir.filePath("loaded.wav");
            QVERIFY(writeFile(loaded, wavFile({1, 1, 48000, 24, false, {}, QByteArray(30, 1)})));
            QVERIFY(core.presetSession().loadImpulse(loaded));
            QVERIFY(writeFile(loaded, source));
            core.presetSession().save();
        } else {
            core.decodeWavOk(path, true);
        }

        QCOMPARE(QFileInfo("wav.wav").size(), qint64(44 + n));
        QCOMPARE(soxInfo("wav.wav"), QString("48000 24 1 %1").arg(n / 3));
        const QByteArray stored = sox({"wav.wav", "-t", "raw", "-"});
        QCOMPARE(stored.size(), n / 3 * 3);
        if (!samples.isEmpty())
            QVERIFY(stored == samples.left(stored.size()));
        // sox's own widening of the first channel to 24 bits is exact.
        const QByteArray firstChannel =
            sox({path, "-t", "raw", "-b", "24", "-e", "signed-integer", "-", "remix", "1"});
        QVERIFY(stored == firstChannel.left(stored.size()));
    }

    // A 48 kHz, 24-bit, mono file made by sox, with a metadata chunk ahead of
    // its samples: the samples are found wherever they start, and at most the
    // 32000 bytes the device keeps are taken, however long the metadata.
    void samplesBehindMetadata_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("metadata"); // bytes of comment text before "data"

        QTest::newRow("samples start past the first 32044 bytes") << 0.25 << 40000;
        QTest::newRow("short impulse far behind its metadata") << 0.01 << 100000;
        QTest::newRow("a little metadata: still 32000 sample bytes") << 0.25 << 200;
    }
    void samplesBehindMetadata()
    {
        QFETCH(double, seconds);
        QFETCH(int, metadata);
        const QString made = dir.filePath("made.wav");
        sox({"-n", "-r", "48000", "-b", "24", "-c", "1", made, "synth", QString::number(seconds),
             "sine", "300-3000"});
        const QByteArray samples = sox({made, "-t", "raw", "-"});
        QByteArray size(4, '\0');
        qToLittleEndian<quint32>(quint32(metadata), size.data());
        const QByteArray list = riffChunk("LIST", "INFOICMT" + size + QByteArray(metadata, 'x'));
        const QString path = dir.filePath("with metadata.wav");
        QVERIFY(writeFile(path, withChunkBeforeData(readFile(made), list)));
        QCOMPARE(sox({path, "-t", "raw", "-"}), samples); // a sound file, as sox reads it
        const QByteArray kept = samples.left(32000);

        QFile::remove("wav.wav");
        Core core; // without a port: what would go out stays queued
        QSignalSpy refused(&core, &Core::sgNotSupport);
        core.setImpuls(path);
        QCOMPARE(refused.size(), 0);
        QVERIFY2(core.deviceLink().head() == "cc s 1\r" + wav::previewPayload(kept) + "\r",
                 "the preview plays the file's own samples");

        core.presetSession().save();
        QCOMPARE(QFileInfo("wav.wav").size(), qint64(44 + kept.size()));
        const QByteArray stored = sox({"wav.wav", "-t", "raw", "-"});
        QVERIFY(stored == kept.left(stored.size()));
        QCOMPARE(stored.size(), kept.size() / 3 * 3);
    }
};

VORTAXA_TEST_MAIN(TestWavSox)
#include "tst_wav_sox.moc"
