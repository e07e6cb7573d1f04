// Soak: ten thousand mixed operations against the virtual device with its
// answers cut in random pieces. Every few hundred operations a checkpoint
// edits, compares twice and saves, and checks that the device ends up with
// exactly the edits. At the end: no request was malformed (device errors 0),
// nothing was given up on, and the resident size after the warm-up has not
// grown beyond a small bound (a leak check, not a speed target).
#include "session.h"
#include "support/status_names.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace e2e;
using namespace statusnames;

namespace {

constexpr int operations = 10000;
constexpr int warmUp = 1000;
constexpr int checkpointEvery = 250;
// Growth of the resident size allowed between the end of the warm-up and
// the end of the run: room for allocator noise (a clean run grows by well
// under 200 kB), below what a leak of about 60 bytes per operation would
// add over the 9000 operations after the warm-up.
constexpr qint64 residentGrowthLimitKb = 512;

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class TestE2eSoak : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QStringList wavFiles;

    // The status as the panel was last told it, from the published names.
    static QByteArray publishedStatus(const PanelState &p)
    {
        QByteArray status(43, '\0');
        for (const StatusName &s : statusNames())
            status[s.position] = static_cast<char>(p.values.value(s.name) & 0xff);
        return status;
    }

    // A few edits, compare twice, save: the device stores exactly the edits.
    void checkpoint(Session &s, QRandomGenerator &r, int at)
    {
        Core &core = s.core();
        QVERIFY2(s.settle(), qPrintable(QStringLiteral("stuck before operation %1").arg(at)));
        if (s.state().value("editable") == 0) {
            core.slCompare(); // leave a compare in progress
            QVERIFY(s.waitIdle());
        }
        core.send("gs\r\n");
        core.slTimer();
        QVERIFY(s.settle());
        QByteArray expected = publishedStatus(s.state());
        for (int i = 0; i < 6; ++i) {
            const StatusName &name = statusNames().at(int(r.bounded(43)));
            const quint8 v = valueInRange(name.position, int(r.bounded(1000)));
            expected[name.position] = static_cast<char>(v);
            core.setValue(QString::fromLatin1(name.name), v);
        }
        core.slCompare();
        QVERIFY(s.waitIdle());
        core.slCompare();
        QVERIFY(s.waitIdle());
        core.slSaveUpDown(0);
        QVERIFY(s.settle());
        const int current = s.state().value("bank") * 4 + s.state().value("preset");
        QCOMPARE(hexText(s.store().presets.at(current).status), hexText(expected));
        QCOMPARE(hexText(publishedStatus(s.state())), hexText(expected));
        QCOMPARE(s.state().value("preset_edit"), 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir::setCurrent(work.path()));
        for (int i = 0; i < 2; ++i) {
            const QString path = work.filePath(QStringLiteral("Soak Cab %1.wav").arg(i));
            QVERIFY(writeFile(
                path, wavFile({1, 1, 48000, 24, false, {}, patternSamples(700 + 300 * i, 1, 3)})));
            wavFiles << path;
        }
    }

    void mixedOperations()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 1234);
        setup.answerLog = false; // its reading would grow the heap, not a leak
        setup.faults = QStringList{"--split", "99", "--split-gap", "1", "--quiet"};
        Session s;
        QVERIFY(s.start(setup));
        Core &core = s.core();
        QRandomGenerator r(4321);
        bool copied = false;
        qint64 residentAfterWarmUp = -1;
        int maps = 0;

        for (int op = 1; op <= operations; ++op) {
            const int dice = int(r.bounded(1000));
            const int questions =
                s.state().upDownQuestions.size() + s.state().changeQuestions.size();
            bool queued = true;
            bool move = false;
            uchar code = 0;
            uchar preset = 0;
            if (dice < 700) { // the bulk: knobs and switches
                const StatusName &name = statusNames().at(int(r.bounded(43)));
                core.setValue(QString::fromLatin1(name.name),
                              valueInRange(name.position, int(r.bounded(1000))));
                queued = false;
            } else if (dice < 780) {
                const SettableAlias &alias =
                    settableAliases().at(int(r.bounded(settableAliases().size())));
                core.setValue(QString::fromLatin1(alias.alias),
                              valueInRange(alias.position, int(r.bounded(1000))));
                queued = false;
            } else if (dice < 800) {
                core.setValue("mode", uchar(r.bounded(30)));
                queued = false;
            } else if (dice < 840) {
                core.send("gs\r\n");
                core.slTimer();
            } else if (dice < 880) {
                move = true;
                const bool bank = r.bounded(2) == 0;
                const uchar up = uchar(r.bounded(2));
                code = bank ? (up ? 1 : 2) : (up ? 3 : 4);
                core.setValue(bank ? "bank_UpDown" : "preset_UpDown", up);
            } else if (dice < 905) {
                move = true;
                code = 0;
                preset = uchar(r.bounded(16));
                core.setValue("preset_change", preset);
            } else if (dice < 930) {
                core.slCompare();
            } else if (dice < 945) {
                core.slEsc();
            } else if (dice < 960) {
                core.slSaveUpDown(0);
            } else if (dice < 972) {
                core.slCopy();
                copied = true;
            } else if (dice < 980) {
                if (copied)
                    core.slPaste();
            } else if (dice < 988) {
                core.setImpuls(wavFiles.at(int(r.bounded(2))));
            } else if (dice < 996) {
                core.slEscImpuls();
            } else if (dice < 998) {
                core.setValue("comp", 1);
            } else if (s.state().value("preset_edit") != 1 && maps < 3) {
                ++maps;
                core.setValue("map_update", 1);
            }

            if (move &&
                s.state().upDownQuestions.size() + s.state().changeQuestions.size() != questions) {
                switch (r.bounded(3)) {
                case 0: // save first
                    if (code)
                        core.setValue("save_up_down", code);
                    else
                        core.setValue("save_change", preset);
                    break;
                case 1: // move without saving
                    if (code)
                        core.setValue("set_preset_updown", code);
                    else
                        core.setValue("set_preset_change", preset);
                    break;
                default: // cancel
                    break;
                }
            }
            if (queued)
                QVERIFY2(s.waitIdle(20000),
                         qPrintable(QStringLiteral("stuck at operation %1").arg(op)));

            if (op % checkpointEvery == 0) {
                checkpoint(s, r, op);
                if (QTest::currentTestFailed())
                    return;
                if (op == warmUp)
                    residentAfterWarmUp = residentKb();
            }
        }

        const qint64 residentAtEnd = residentKb();
        qInfo("resident size: %lld kB after %d operations, %lld kB after %d", residentAfterWarmUp,
              warmUp, residentAtEnd, operations);
        QVERIFY(residentAfterWarmUp > 0);
        QVERIFY2(
            residentAtEnd - residentAfterWarmUp <= residentGrowthLimitKb,
            qPrintable(QStringLiteral("grew by %1 kB").arg(residentAtEnd - residentAfterWarmUp)));
        QCOMPARE(s.state().errReports, 0);
        QCOMPARE(s.deviceErrors(), 0);
        QCOMPARE(s.deviceWarnings(), 0);
        const QJsonObject stats = s.stats();
        qInfo("device: %d requests, %d answers in %d pieces", stats.value("requests").toInt(),
              stats.value("answers").toInt(), stats.value("pieces").toInt());
    }
};

VORTAXA_TEST_MAIN(TestE2eSoak)
#include "tst_e2e_soak.moc"
