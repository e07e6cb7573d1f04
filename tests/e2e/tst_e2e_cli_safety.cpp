// The command line is safe to script, end to end: what it will not write
// over (device nodes, FIFOs, folders, its own input) stays as it was and the
// device is not reached; a full standard output is a failure; Ctrl+C, a
// second Ctrl+C, SIGTERM and SIGHUP stop it with their exit codes and leave
// no file; a silent device is waited for as long as --timeout says; nothing
// is written without a yes.
#include "cli_run.h"
#include "library/preset_file.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace e2e;

class TestE2eCliSafety : public QObject, private CliRig {
    Q_OBJECT

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { stop(); }

    // Without a terminal and without --yes a restore asks no one and writes
    // nothing; an import likewise.
    void withoutTerminalNothingIsWritten()
    {
        const QString backup = files.filePath("before.json");
        QCOMPARE(cli(on({"backup", backup})).code, 0);
        const QString one = files.filePath("one.json");
        QCOMPARE(cli(on({"export", "2", one})).code, 0);
        QCOMPARE(cli(on({"set", "--save", "master_volume=2"})).code, 0);
        const DeviceStore changed = store();
        const int writesBefore = writes(session->requests());

        Run r = cli(on({"restore", backup}));
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY(r.err.contains("--yes"));
        r = cli(on({"import", one, "1"}));
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY(r.err.contains("--yes"));

        QCOMPARE(writes(session->requests()), writesBefore);
        QCOMPARE(store().presets, changed.presets);
    }

    // Ctrl+C during a restore stops between presets, says which were
    // written and exits 130; those are whole, the rest untouched.
    void interruptedRestore()
    {
        const QString backup = files.filePath("other.json");
        QCOMPARE(cli(on({"backup", backup})).code, 0);
        session->stopDevice();
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = makePresets(smallType, 30);
        setup.faults = QStringList{"--delay", "15"};
        QVERIFY(session->startDevice(setup));
        const DeviceStore before = store();
        library::PresetFile file;
        QString error;
        QVERIFY(library::readFile(backup, &file, &error));

        // Without a terminal there is no progress: the exchanges tell how
        // far it is.
        QProcess p;
        QByteArray err;
        QVERIFY2(startCli(p, on({"--verbose", "restore", backup, "--yes"}), &err,
                          [](const QByteArray &e) { return e.count("-> gs 1\\r") >= 2; }),
                 err.constData());
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(30000));
        err += p.readAllStandardError();
        QVERIFY2(p.exitCode() == 130, err.constData());

        const QRegularExpressionMatch said =
            QRegularExpression("Written: ([0-9, -]+)\\.").match(QString::fromUtf8(err));
        QVERIFY2(said.hasMatch(), err.constData());
        const QStringList places = said.captured(1).split(", ");
        QVERIFY(places.size() >= 2 && places.size() < 16);
        const DeviceStore after = store();
        for (int n = 0; n < 16; ++n) {
            const QString place = QStringLiteral("%1-%2").arg(n / 4).arg(n % 4);
            if (places.contains(place))
                QCOMPARE(after.presets.at(n).status,
                         QByteArray::fromHex(file.presets.at(n).status));
            else
                QCOMPARE(after.presets.at(n), before.presets.at(n));
        }
    }

    // A destination that cannot take the file is refused before the device
    // is reached, and is still what it was: a FIFO, a device node, a folder,
    // a missing folder, the input of a conversion.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args"); // TARGET: the destination, WAV: an impulse
        QTest::addColumn<QString>("target");   // "fifo", "device", "folder", "missing", "input"
        QTest::newRow("backup to a FIFO") << QStringList{"backup", "TARGET"} << "fifo";
        QTest::newRow("backup to a device node") << QStringList{"backup", "TARGET"} << "device";
        QTest::newRow("backup to a folder") << QStringList{"backup", "TARGET"} << "folder";
        QTest::newRow("export to a FIFO") << QStringList{"export", "5", "TARGET"} << "fifo";
        QTest::newRow("export to a missing folder")
            << QStringList{"export", "5", "TARGET"} << "missing";
        QTest::newRow("conversion onto a device node")
            << QStringList{"impulse", "convert", "WAV", "TARGET"} << "device";
        QTest::newRow("conversion onto its input")
            << QStringList{"impulse", "convert", "WAV", "TARGET"} << "input";
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, target);
        const QString wav = files.filePath("in.wav");
        QVERIFY(writeFile(wav, impulseWav()));
        QString path = files.filePath("target");
        QFile::remove(path);
        QDir(path).removeRecursively();
        dev_t node = 0;
        if (target == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (target == "device") {
            // A device node of its own where one may be made (root): the real
            // /dev/null otherwise, which only root could replace.
            node = makedev(1, 3);
            if (mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, node) != 0)
                path = QStringLiteral("/dev/null");
        } else if (target == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (target == "missing") {
            path = files.filePath("no such folder/target.json");
        } else if (target == "input") {
            path = wav;
        }
        const QString kindBefore = kindOf(path);
        args.replaceInStrings("TARGET", path);
        args.replaceInStrings("WAV", wav);
        const int requestsBefore = session->requests().size();

        const Run r = cli(on(args));
        QVERIFY2(r.code == 3, qPrintable(describe(r)));
        QCOMPARE(session->requests().size(), requestsBefore); // the device was not reached
        QCOMPARE(kindOf(path), kindBefore);
        if (target == "input")
            QCOMPARE(contents(wav), impulseWav());
        if (target == "device") {
            struct stat info = {};
            QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
            QCOMPARE(info.st_rdev, makedev(1, 3));
        }
    }

    // Ctrl+C in the middle of a walk stops at the next preset, goes back
    // to the starting preset and exits 130; a second Ctrl+C, SIGTERM and
    // SIGHUP stop at once (130, 143, 129). No file is left behind, and a
    // restore says what it wrote.
    void stops_data()
    {
        QTest::addColumn<QString>("command"); // "backup" or "restore"
        QTest::addColumn<QVector<int>>("sent");
        QTest::addColumn<int>("code");
        QTest::newRow("Ctrl+C mid-backup") << "backup" << QVector<int>{SIGINT} << 130;
        QTest::newRow("Ctrl+C twice mid-backup") << "backup" << QVector<int>{SIGINT, SIGINT} << 130;
        QTest::newRow("SIGTERM mid-backup") << "backup" << QVector<int>{SIGTERM} << 143;
        QTest::newRow("SIGHUP mid-restore") << "restore" << QVector<int>{SIGHUP} << 129;
        QTest::newRow("Ctrl+C twice mid-restore")
            << "restore" << QVector<int>{SIGINT, SIGINT} << 130;
    }
    void stops()
    {
        QFETCH(QString, command);
        QFETCH(QVector<int>, sent);
        QFETCH(int, code);
        QString error;
        const QString source = files.filePath("source.json");
        library::PresetFile other = fileOf(store(), smallType);
        for (library::PresetEntry &e : other.presets)
            e.status[0] = e.status.at(0) == '1' ? '2' : '1'; // every preset differs
        QVERIFY(library::writeFile(source, other, &error));
        session->stopDevice();
        QVERIFY(session->restartDevice({"--delay", "15"}));
        const DeviceStore before = store();
        QDir folder(files.filePath("stops"));
        folder.removeRecursively();
        QVERIFY(folder.mkpath("."));
        const QString target = folder.filePath("backup.json");

        QProcess p;
        QByteArray err;
        const QStringList args = command == "backup"
                                     ? QStringList{"--verbose", "backup", target}
                                     : QStringList{"--verbose", "restore", source, "--yes"};
        const QByteArray mark = command == "backup" ? "-> pc 2\\r" : "-> gs 1\\r";
        QVERIFY2(startCli(p, on(args), &err, [&](const QByteArray &e) { return e.contains(mark); }),
                 err.constData());
        for (int signal : sent)
            ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(30000));
        err += p.readAllStandardError();
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == code, err.constData());
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{});
        if (command == "restore")
            QVERIFY2(QRegularExpression("\nWritten: (none|[0-9, -]+)\\.\n")
                         .match(QString::fromUtf8(err))
                         .hasMatch(),
                     err.constData());
        if (sent == QVector<int>{SIGINT}) { // back where it started
            QCOMPARE(store().bank, before.bank);
            QCOMPARE(store().preset, before.preset);
        }
    }

    // Standard output that takes nothing (a full disk) is a failure said in
    // words with exit 3, not a success.
    void fullStandardOutput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("a table") << QStringList{"get"};
        QTest::newRow("a JSON document") << QStringList{"--json", "info"};
        QTest::newRow("a backup to \"-\"") << QStringList{"backup", "-"};
    }
    void fullStandardOutput()
    {
        QFETCH(QStringList, args);
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(VORTAXA_CLI_PATH), on(args));
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(30000));
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 3, err.constData());
        QVERIFY2(err.contains("could not be written (No space left on device)"), err.constData());
    }

    // --timeout is how long the device may stay silent: an 8 s silence in
    // the middle of a command is waited out with --timeout 30, and given up
    // after about 3 s with --timeout 3, in the librarian's words.
    void silence_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("args"); // WAV: an impulse file; OUT: a file
        QTest::addColumn<int>("code");
        const QStringList mute{"--mute-after", "20", "--mute-for", "8000"};
        QTest::newRow("device stops listening mid-backup, --timeout 30")
            << mute << QStringList{"--timeout", "30", "backup", "OUT"} << 0;
        QTest::newRow("device stops reading mid-impulse, --timeout 30")
            << QStringList{"--stall-after", "1000", "--stall-for", "8000"}
            << QStringList{"--timeout", "30", "impulse", "load", "WAV"} << 0;
        QTest::newRow("device stops listening mid-backup, --timeout 3")
            << mute << QStringList{"--timeout", "3", "backup", "OUT"} << 1;
    }
    void silence()
    {
        QFETCH(QStringList, faults);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        session->stopDevice();
        QVERIFY(session->restartDevice(faults));
        QVERIFY(writeFile(files.filePath("in.wav"), impulseWav()));
        QFile::remove(files.filePath("out.json"));
        args.replaceInStrings("WAV", files.filePath("in.wav"));
        args.replaceInStrings("OUT", files.filePath("out.json"));
        const Run r = cli(on(args));
        QVERIFY2(r.code == code, qPrintable(describe(r)));
        if (code == 0) {
            QVERIFY(session->stats().value("dropped").toInt() > 0 ||
                    session->stats().value("stalls").toInt() > 0);
            return;
        }
        QVERIFY2(r.err.contains("The backup stopped: the device did not answer"),
                 qPrintable(describe(r)));
        QVERIFY(!QFile::exists(files.filePath("out.json")));
    }
};

VORTAXA_TEST_MAIN(TestE2eCliSafety)
#include "tst_e2e_cli_safety.moc"
