// The cabinet lab as an object: sources converted as impulse loads convert
// them (and refused with the reason), saving, and auditioning: with a
// stand-in target the order of previews and what waits, then over a real
// serial line through the panel's adapter, where quick changes put at most
// the newest result on the wire and "Use in preset" stores the result with
// the next save under the name last saved.
#include "browser/impulse_file.h"
#include "browser/lab_preview.h"
#include "impulse/wav_image.h"
#include "lab/lab.h"
#include "lab/preview_target.h"
#include "support/impulses_rig.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A target that keeps every file it is given; it is busy from a preview
// until the test answers it.
class StandIn : public lab::PreviewTarget {
public:
    bool busy = false;
    bool mix = false;
    QStringList sent;         // "preview" or "take", then the file's folder name
    QList<QByteArray> images; // the files' bytes as they were handed over

    bool idle() const override { return !busy; }
    bool preview(const QString &path, QString &) override { return keep("preview", path); }
    bool take(const QString &path, QString &) override { return keep("take", path); }
    bool mixChannels() const override { return mix; }

    void answer()
    {
        busy = false;
        emit becameIdle();
    }
    void replace() { emit replaced(); }

private:
    bool keep(const QString &how, const QString &path)
    {
        sent << how + " " + QFileInfo(QFileInfo(path).path()).fileName();
        images << readFile(path);
        busy = true;
        return true;
    }
};

QByteArray imageOf(const Lab &lab)
{
    return wav::deviceImage(audio::pack24(lab.result()));
}

QString soxNoise(const QString &path, int rate, const QStringList &encoding, int channels,
                 double seconds, const QString &colour = "pinknoise")
{
    QStringList args = {
        "-R", "-D", "-n", "-r", QString::number(rate), "-c", QString::number(channels)};
    args << encoding << path << "synth" << QString::number(seconds) << colour << "gain"
         << "-6";
    sox(args);
    return path;
}

} // namespace

class TestLab : public QObject {
    Q_OBJECT

    ScratchDir dir;
    QString a, b, c;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(soxAvailable(), "sox makes the test files (Debian package sox)");
        a = soxNoise(dir.filePath("Close 57.wav"), 48000, {"-b", "24"}, 1, 0.05);
        b = soxNoise(dir.filePath("Room ribbon.wav"), 48000, {"-b", "24"}, 1, 0.04, "whitenoise");
        c = soxNoise(dir.filePath("Far.wav"), 48000, {"-b", "24"}, 1, 0.03, "brownnoise");
    }

    // A source is converted as an impulse load converts it, channel
    // setting included, but with no level change and no rounding: the
    // result of A alone is the load's impulse, sample for sample.
    void convertedAsLoad_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("mix");
        QTest::newRow("44.1 kHz, 16-bit, stereo, first channel")
            << 44100 << QStringList{"-b", "16"} << 2 << false;
        QTest::newRow("44.1 kHz, 16-bit, stereo, mixed")
            << 44100 << QStringList{"-b", "16"} << 2 << true;
        QTest::newRow("96 kHz float, mono")
            << 96000 << QStringList{"-e", "floating-point", "-b", "32"} << 1 << false;
        QTest::newRow("48 kHz, 24-bit, mono") << 48000 << QStringList{"-b", "24"} << 1 << false;
    }
    void convertedAsLoad()
    {
        QFETCH(int, rate);
        QFETCH(QStringList, encoding);
        QFETCH(int, channels);
        QFETCH(bool, mix);
        const QString path =
            soxNoise(dir.filePath(QString("conv %1.flac").arg(QTest::currentDataTag())), rate,
                     encoding, channels, 0.08);
        StandIn target;
        target.mix = mix;
        Lab lab(&target);
        lab.setFadeMs(0);
        QVERIFY(lab.setSource(0, QUrl::fromLocalFile(path).toString()));
        QCOMPARE(lab.sourceA(), path);
        QVERIFY(lab.sourceAText().startsWith(QString(rate == 44100 ? "44.1 kHz" : "")));

        audio::ConvertOptions options;
        options.mixChannels = mix;
        const PreparedImpulse loaded = prepareImpulse(path, options);
        QVERIFY(loaded.error.isEmpty());
        const std::vector<qint32> &r = lab.result();
        QVERIFY(r.size() >= loaded.impulse.samples.size());
        QVERIFY(
            std::equal(loaded.impulse.samples.begin(), loaded.impulse.samples.end(), r.begin()));
        QVERIFY(std::all_of(r.begin() + std::ptrdiff_t(loaded.impulse.samples.size()), r.end(),
                            [](qint32 s) { return s == 0; }));
    }

    // A file that cannot be used is refused with the reason; the slot
    // keeps what it had.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::addColumn<QString>("words");
        QTest::newRow("text") << QByteArray("Mic on the cap, 2 cm off centre\n")
                              << "not an audio file";
        QTest::newRow("empty file") << QByteArray("") << "is empty";
        QTest::newRow("no such file") << QByteArray() << "";
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, words);
        const QString path = dir.filePath(QString("bad %1.wav").arg(QTest::currentDataTag()));
        if (!bytes.isNull())
            QVERIFY(writeFile(path, bytes));
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, a));
        const std::vector<qint32> before = lab.result();
        QSignalSpy failed(&lab, &Lab::failed);
        QSignalSpy result(&lab, &Lab::resultChanged);
        QVERIFY(!lab.setSource(0, path));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), path);
        const QString reason = failed.at(0).at(1).toString();
        QVERIFY2(!reason.isEmpty() && reason.contains(words), qPrintable(reason));
        QCOMPARE(lab.sourceA(), a);
        QCOMPARE(lab.result(), before);
        QCOMPARE(result.count(), 0);
    }

    // Saving writes the device's WAV form; the name becomes the result's name.
    void save_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("written"); // empty: refused
        QTest::addColumn<QString>("name");
        QTest::newRow("path") << "out/My Blend.wav"
                              << "out/My Blend.wav"
                              << "My Blend";
        QTest::newRow("file URL") << "url:out/Url Blend.wav"
                                  << "out/Url Blend.wav"
                                  << "Url Blend";
        QTest::newRow("no suffix") << "out/Plain"
                                   << "out/Plain.wav"
                                   << "Plain";
        QTest::newRow("a folder that cannot be made") << "Close 57.wav/x.wav"
                                                      << ""
                                                      << "Lab blend";
    }
    void save()
    {
        QFETCH(QString, given);
        QFETCH(QString, written);
        QFETCH(QString, name);
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, b));
        QSignalSpy failed(&lab, &Lab::failed);
        const QString path = given.startsWith("url:")
                                 ? QUrl::fromLocalFile(dir.filePath(given.mid(4))).toString()
                                 : dir.filePath(given);
        QCOMPARE(lab.save(path), !written.isEmpty());
        QCOMPARE(failed.count(), written.isEmpty() ? 1 : 0);
        QCOMPARE(lab.resultName(), name);
        if (written.isEmpty())
            return;
        const QByteArray image = readFile(dir.filePath(written));
        QCOMPARE(wav::deviceImageProblem(image), QString());
        QCOMPARE(image, imageOf(lab));
    }

    // What goes to the target, in order, while it is busy or idle; at most
    // one waits, and it is the newest.
    void auditioning_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("auditioned");
        QTest::newRow("five changes while busy: the newest once")
            << QStringList{"audition result", "mix 10", "mix 20", "offset 30",
                           "invert",          "mix 40", "answer"}
            << QStringList{"preview result", "preview result"} << "result";
        QTest::newRow("a change on an idle link goes at once")
            << QStringList{"audition result", "answer", "mix 10", "answer", "lowcut 100"}
            << QStringList{"preview result", "preview result", "preview result"} << "result";
        QTest::newRow("no change: nothing more")
            << QStringList{"audition result", "answer", "mix 50", "answer"}
            << QStringList{"preview result"} << "result";
        QTest::newRow("A playing: changes send nothing")
            << QStringList{"audition a", "answer", "mix 10", "answer"} << QStringList{"preview a"}
            << "a";
        QTest::newRow("B asked for while busy, then the result: the result")
            << QStringList{"audition a", "audition b", "audition result", "answer"}
            << QStringList{"preview a", "preview result"} << "result";
        QTest::newRow("something else played meanwhile: the waiting one dropped")
            << QStringList{"audition result", "mix 10", "replaced", "answer", "mix 20", "answer"}
            << QStringList{"preview result"} << "";
        QTest::newRow("B changed while the result plays")
            << QStringList{"audition result", "answer", "source b", "answer"}
            << QStringList{"preview result", "preview result"} << "result";
        QTest::newRow("B changed while A plays")
            << QStringList{"audition a", "answer", "source b"} << QStringList{"preview a"} << "a";
        QTest::newRow("use") << QStringList{"audition a", "answer", "use",
                                            "answer",     "mix 5",  "answer"}
                             << QStringList{"preview a", "take lab", "preview result"} << "result";
    }
    void auditioning()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, sent);
        QFETCH(QString, auditioned);
        StandIn target;
        Lab lab(&target);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, b));
        for (const QString &step : steps) {
            const QStringList w = step.split(' ');
            if (w[0] == "audition")
                QVERIFY(lab.audition(w[1]));
            else if (w[0] == "mix")
                lab.setMix(w[1].toInt());
            else if (w[0] == "offset")
                lab.setOffset(w[1].toInt());
            else if (w[0] == "invert")
                lab.setInvertB(!lab.invertB());
            else if (w[0] == "lowcut")
                lab.setLowCut(w[1].toInt());
            else if (w[0] == "source")
                QVERIFY(lab.setSource(1, c));
            else if (w[0] == "use")
                QVERIFY(lab.use());
            else if (w[0] == "replaced")
                target.replace();
            else if (w[0] == "answer")
                target.answer();
            QCoreApplication::processEvents(); // the idle report is delivered queued
        }
        QCOMPARE(target.sent, sent);
        QCOMPARE(lab.auditioned(), auditioned);
        QVERIFY(!lab.waiting());
        if (auditioned == "result")
            QCOMPARE(target.images.last(), imageOf(lab)); // the newest result
    }

    // Over a real serial line with the panel's adapter: a preview on the
    // wire holds back the changes made meanwhile; once the device answers,
    // only the newest result goes out; whatever replaces the preset drops it.
    void onTheWire_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("previews");
        QTest::addColumn<bool>("resultLast"); // the newest result went out last
        QTest::newRow("five quick changes") << "" << 2 << true;
        QTest::newRow("a file loaded meanwhile") << "load" << 2 << false;
        QTest::newRow("a preset move meanwhile") << "move" << 1 << false;
        QTest::newRow("the device gone meanwhile") << "close" << 1 << false;
    }
    void onTheWire()
    {
        QFETCH(QString, meanwhile);
        QFETCH(int, previews);
        QFETCH(bool, resultLast);
        ImpulsesRig rig;
        rig.device.setDelay(30); // each preview is answered a little later
        LabPreview target(rig.core.deviceLink(), rig.core.presetSession(), rig.impulses);
        Lab lab(&target);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, b));
        QVERIFY(lab.audition("result"));
        for (int mix : {10, 20, 30, 40, 60})
            lab.setMix(mix);
        QVERIFY(lab.waiting());
        const QByteArray newest = audio::pack24(lab.result());

        QVERIFY(!rig.nextPreview().isEmpty());
        if (meanwhile == "move")
            rig.session.jumpNow(5);
        else if (meanwhile == "close")
            rig.losePort();
        else if (meanwhile == "load")
            QVERIFY(rig.impulses.load(c));
        QVERIFY(rig.waitFor([&] { return !lab.waiting(); }));
        if (rig.link.isOpen())
            QVERIFY(rig.waitIdle());
        QList<QByteArray> seen;
        const QList<QByteArray> raw = rig.device.rawRequests();
        for (const QByteArray &request : raw) {
            if (request.startsWith("cc s 1\r"))
                seen << QByteArray::fromHex(request.mid(7, 5904));
        }
        QCOMPARE(seen.size(), previews);
        QCOMPARE(seen.last() == newest.left(5904 / 2), resultLast);
        QCOMPARE(lab.auditioned(), QString(resultLast ? "result" : ""));
        if (meanwhile.isEmpty() || meanwhile == "load")
            QCOMPARE(raw.size(), seen.size()); // nothing else went out
        QVERIFY(!lab.waiting());
    }

    // "Use in preset": the result is the preset's pending impulse under the
    // name last saved (or "Lab blend") and the next save stores it.
    void use_data()
    {
        QTest::addColumn<QString>("savedAs"); // empty: not saved
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("not saved") << "" << QByteArray("Lab_blend.wav");
        QTest::newRow("saved as My Blend") << "My Blend.wav" << QByteArray("My_Blend.wav");
    }
    void use()
    {
        QFETCH(QString, savedAs);
        QFETCH(QByteArray, stored);
        ImpulsesRig rig;
        LabPreview target(rig.core.deviceLink(), rig.core.presetSession(), rig.impulses);
        Lab lab(&target);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, b));
        lab.setMix(35);
        if (!savedAs.isEmpty())
            QVERIFY(lab.save(dir.filePath(savedAs)));
        QVERIFY(lab.use());
        const QString kept = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                             "/lab/" + QString::fromUtf8(stored).replace('_', ' ');
        QCOMPARE(rig.pendingFilePath(), kept);
        QCOMPARE(readFile(kept), imageOf(lab));
        QVERIFY(!rig.nextPreview().isEmpty());
        QVERIFY(rig.waitIdle());
        rig.core.slSaveUpDown(0);
        QVERIFY(rig.waitIdle());
        const QByteArray store = "cc " + stored + " 0\r" + imageOf(lab).toHex() + "\r";
        QVERIFY(rig.device.rawRequests().contains(store));
        QCOMPARE(rig.device.model().storedCurrent().impulse.name, stored);
    }
};

VORTAXA_TEST_MAIN(TestLab)
#include "tst_lab.moc"
