// Decoding broken WAV files: tens of thousands of seeded mutations of real
// files (truncated, header fields set to edge values, "data" missing,
// repeated or at the very end) through decodeWavOk and a save's store check. Nothing may
// crash, hang or read past the bytes read (the sanitizer build checks the
// last), and the converted length must follow the conversion rules.
#include "core/core.h"
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "support/signal_recorder.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace {
constexpr int iterations = 24000;
constexpr int maxSampleBytes = 32000;

struct Expected {
    int length = 0;        // bytes the conversion yields
    bool identity = false; // 24-bit mono: the samples are the data bytes
    int dataOffset = 0;
};

// The converted length, from the rules: samples start 8 bytes past the first
// "data" in the file, at most 32000 bytes of them; one sample per frame of
// channels x bytes; 3 bytes per sample, a trailing partial sample as it is;
// nothing for a broken header.
Expected expectedFor(const QByteArray &b)
{
    Expected e;
    const int at = b.indexOf("data");
    if (b.size() < 44 || at < 0)
        return e;
    const int channels = uchar(b[22]);
    const int width = uchar(b[34]) >> 3;
    if (channels == 0 || width == 0 || width > 4)
        return e;
    e.dataOffset = qMin(at + 8, b.size());
    const int data = qMin(b.size() - e.dataOffset, maxSampleBytes);
    const int step = channels * width;
    if (data > 0) {
        const int frames = (data + step - 1) / step;
        const int rest = data - (frames - 1) * step;
        e.length = (frames - 1) * 3 + (rest >= width ? 3 : rest);
    }
    e.identity = channels == 1 && width == 3;
    return e;
}

class Mutator {
public:
    explicit Mutator(quint32 seed) : rng(seed) {}

    int below(int n) { return n <= 0 ? 0 : int(rng() % quint32(n)); }

    QByteArray mutate(QByteArray b, QString &how)
    {
        const int count = 1 + below(3);
        for (int i = 0; i < count; ++i) {
            switch (below(7)) {
            case 0: {
                const int at = below(b.size() + 1);
                b.truncate(at);
                how += QString(" truncate@%1").arg(at);
                break;
            }
            case 1: {
                static const int offsets[] = {4, 16, 20, 22, 24, 28, 32, 34, 40, 36, 0};
                static const quint32 values[] = {0, 1, 2, 255, 65535, 0xffffffffu};
                const int at = offsets[below(11)];
                const quint32 v = values[below(6)];
                const int width = below(2) ? 2 : 4;
                for (int k = 0; k < width && at + k < b.size(); ++k)
                    b[at + k] = char((v >> (8 * k)) & 0xff);
                how += QString(" field@%1=%2/%3").arg(at).arg(v).arg(width);
                break;
            }
            case 2:
                b.replace("data", QByteArray("dat\0", 4));
                how += " nodata";
                break;
            case 3: {
                const int at = below(b.size() + 1);
                b.insert(at, "data" + QByteArray(4, char(below(256))));
                how += QString(" dupdata@%1").arg(at);
                break;
            }
            case 4:
                b.replace("data", "DATA");
                b.append("data");
                how += " dataAtEnd";
                break;
            case 5: {
                const int n = 1 + below(8);
                for (int k = 0; k < n && !b.isEmpty(); ++k)
                    b[below(b.size())] = char(below(256));
                how += " flip";
                break;
            }
            case 6: {
                const int at = below(b.size() + 1);
                b.insert(at, QByteArray(1 + below(64), char(below(256))));
                how += QString(" insert@%1").arg(at);
                break;
            }
            }
        }
        return b;
    }

private:
    std::mt19937 rng;
};
} // namespace

class TestWavRobustness : public QObject {
    Q_OBJECT

    // Every mutation writes and reads files several times: a memory-backed
    // folder keeps that from dominating the run where there is one.
    QTemporaryDir dir{QFileInfo("/dev/shm").isWritable()
                          ? QStringLiteral("/dev/shm/tst_wav_robustness-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/tst_wav_robustness-XXXXXX")};
    QString previousDir;
    QList<QByteArray> seeds;

private slots:
    void initTestCase()
    {
        // Tens of thousands of decodes: keep their debug lines out of the log.
        QLoggingCategory::setFilterRules("default.debug=false");
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the store path writes wav.wav here

        const QByteArray list =
            riffChunk("LIST", "INFOICMT" + QByteArray("\x08\0\0\0", 4) + "metadata");
        seeds = {
            wavFile({1, 1, 48000, 24, false, {}, patternSamples(400, 1, 3)}),
            wavFile({1, 1, 48000, 24, true, {}, patternSamples(300, 1, 3)}),
            wavFile({1, 2, 48000, 16, false, list, patternSamples(300, 2, 2)}),
            wavFile({1, 1, 48000, 8, false, {}, patternSamples(500, 1, 1)}),
            wavFile({3, 1, 48000, 32, false, {}, patternSamples(200, 1, 4)}),
            wavFile({1, 1, 44100, 24, false, {}, patternSamples(3, 1, 3)}),
            wavFile({1, 3, 48000, 24, false, {}, patternSamples(100, 3, 3)}),
            wavFile({1, 1, 48000, 24, false, {}, patternSamples(11000, 1, 3)}), // > 32044 bytes
        };
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void seededMutations()
    {
        const QString path = dir.filePath("mutant.wav");
        // A Core without a port: a pacing step writes nothing and the
        // command it would send stays at the head of the queue, readable there.
        Core core;
        Link &link = core.deviceLink();
        PresetSession &session = core.presetSession();
        int refused = 0;
        QObject::connect(&core, &Core::sgRequestConvert, [&] { ++refused; });
        auto head = [&] { return link.queued().value(0); };

        // The file as it was loaded for the preset; each mutation then
        // changes it on disk. It stays the pending file: nothing is stored.
        QVERIFY(writeFile(path, seeds.first()));
        QVERIFY(session.loadImpulse(path));

        Mutator m(20240611);
        int expectedRefusals = 0;
        for (int i = 0; i < iterations; ++i) {
            const QByteArray &seed = seeds[i % seeds.size()];
            QString how;
            const QByteArray bytes = m.mutate(seed, how);
            const QByteArray context =
                QString("mutation %1 of seed %2:%3").arg(i).arg(i % seeds.size()).arg(how).toUtf8();
            QVERIFY2(writeFile(path, bytes), context);
            const Expected e = expectedFor(bytes);

            // The pure decode on exactly the bytes read: a read past them is
            // a heap overflow under the sanitizer.
            const QByteArray read = wav::readHead(path);
            const int n = read.size();
            std::unique_ptr<char[]> exact(new char[size_t(n)]);
            std::copy(read.constData(), read.constData() + n, exact.get());
            const wav::Decoded d = wav::decode(exact.get(), n);
            QVERIFY2(d.samples.size() == e.length, context);
            if (e.identity)
                QVERIFY2(d.samples == bytes.mid(e.dataOffset, e.length), context);

            // Preview: the same samples, 984 of them.
            link.clearQueue();
            core.decodeWavOk(path, false);
            QVERIFY2(head() == "cc s 1\r" + wav::previewPayload(d.samples) + "\r", context);

            // Store: the image holds at most 32000 sample bytes, the same.
            link.clearQueue();
            core.decodeWavOk(path, true);
            const int stored = qMin(d.samples.size(), 32000);
            QVERIFY2(head().size() == 17 + 2 * (44 + stored), context);
            QVERIFY2(QFileInfo("wav.wav").size() == 44 + stored, context);
            QVERIFY2(readFile("wav.wav").mid(44) == d.samples.left(stored), context);

            // The save's store check: 24 bits and not two channels, else refused.
            const bool storable = bytes.size() >= 44 && uchar(bytes[34]) == 24 &&
                                  uchar(bytes[35]) == 0 && !(bytes[22] == 2 && bytes[23] == 0);
            expectedRefusals += storable ? 0 : 1;
            session.save();
            QVERIFY2(session.pendingImpulse().source() == PendingImpulse::Source::File, context);
            QVERIFY2(refused == expectedRefusals, context);
            QVERIFY2(head().startsWith(storable ? "cc mutant.wav 0\r" : "sp\r\n"), context);
        }
        // The mutations reach both outcomes of the store check.
        QVERIFY(refused > iterations / 10);
        QVERIFY(refused < iterations - iterations / 10);
    }
};

VORTAXA_TEST_MAIN(TestWavRobustness)
#include "tst_wav_robustness.moc"
