// The command line end to end, command by command: vortaxa-cli run as its
// own process against the virtual device on a pty, its output (text and
// JSON) parsed back, its exit codes and messages checked and its effects read
// from the device's presets file and request log.
#include "audio/device_impulse.h"
#include "browser/impulse_file.h"
#include "cli_run.h"
#include "library/preset_file.h"
#include "support/pty.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSettings>

using namespace e2e;

class TestE2eCli : public QObject, private CliRig {
    Q_OBJECT

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { stop(); }

    // The reading commands, their text and their JSON parsed back.
    void reading_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("textHas"); // in the plain output; empty: JSON output
        QTest::addColumn<QString>("jsonKey"); // an object key, or "[N]" for an array of N
        QTest::newRow("info") << QStringList{"info"} << "4 banks \u00d7 4 presets"
                              << "";
        QTest::newRow("info json") << QStringList{"--json", "info"} << ""
                                   << "firmware";
        QTest::newRow("get all") << QStringList{"get"} << "master_volume"
                                 << "";
        QTest::newRow("get some json") << QStringList{"get", "--json", "preamp_low", "amp_on"} << ""
                                       << "preamp_low";
        QTest::newRow("slots") << QStringList{"slots"} << "stored"
                               << "";
        QTest::newRow("slots json") << QStringList{"slots", "--json"} << ""
                                    << "[16]";
        QTest::newRow("ports json") << QStringList{"ports", "--json"} << ""
                                    << "[any]";
    }
    void reading()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, textHas);
        QFETCH(QString, jsonKey);
        const Run r = cli(on(args));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        if (!textHas.isEmpty()) {
            QVERIFY2(QString::fromUtf8(r.out).contains(textHas), qPrintable(describe(r)));
            return;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(describe(r)));
        if (jsonKey.startsWith('[')) {
            QVERIFY(doc.isArray());
            if (jsonKey != "[any]")
                QCOMPARE(doc.array().size(), jsonKey.mid(1, jsonKey.size() - 2).toInt());
            return;
        }
        QVERIFY(doc.isObject());
        QVERIFY2(doc.object().contains(jsonKey), qPrintable(describe(r)));
    }

    // info and get report what the device holds, in its numbers.
    void infoAndGetMatchTheDevice()
    {
        const DeviceStore before = store();
        const Run info = cli(on({"--json", "info"}));
        QCOMPARE(info.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(info.out).object();
        QCOMPARE(o.value("type").toInt(), smallType);
        QCOMPARE(o.value("banks").toInt(), 4);
        QCOMPARE(o.value("presetsPerBank").toInt(), 4);
        QCOMPARE(o.value("bank").toInt(), before.bank);
        QCOMPARE(o.value("preset").toInt(), before.preset);

        const Run get = cli(on({"--json", "get", "master_volume", "preamp_low"}));
        QCOMPARE(get.code, 0);
        const QJsonObject values = QJsonDocument::fromJson(get.out).object();
        const QByteArray status = before.presets.at(before.bank * 4 + before.preset).status;
        QCOMPARE(values.value("master_volume").toObject().value("value").toInt(),
                 statusByte(status, "master_volume"));
        QCOMPARE(values.value("preamp_low").toObject().value("value").toInt(),
                 int(static_cast<signed char>(statusByte(status, "preamp_low"))));
        QCOMPARE(values.value("preamp_low").toObject().value("unit").toString(), QString("dB"));
    }

    // set, set --save, save and preset change what the device plays and stores.
    void editingCommands()
    {
        const DeviceStore before = store();
        const int current = before.bank * 4 + before.preset;

        Run r = cli(on({"set", "master_volume=17", "preamp_low=-5"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        const QJsonObject live =
            QJsonDocument::fromJson(cli(on({"--json", "get", "master_volume"})).out).object();
        QCOMPARE(live.value("master_volume").toObject().value("value").toInt(), 17);
        QCOMPARE(store().presets.at(current), before.presets.at(current)); // not stored yet

        r = cli(on({"save"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(statusByte(store().presets.at(current).status, "master_volume"), 17);
        QCOMPARE(statusByte(store().presets.at(current).status, "preamp_low"), 256 - 5);

        r = cli(on({"preset", "9"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(QJsonDocument::fromJson(cli(on({"--json", "info"})).out)
                     .object()
                     .value("number")
                     .toInt(),
                 9);

        r = cli(on({"set", "--save", "amp_volume=33"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(statusByte(store().presets.at(9).status, "amp_volume"), 33);
    }

    // Unsaved changes the device plays survive a walk: the backup files what
    // the device stores, and the changes play again afterwards. Going to
    // another preset asks first, and without a terminal needs --discard.
    void unsavedChangesKeptAcrossWalks()
    {
        const DeviceStore before = store();
        const int current = before.bank * 4 + before.preset;
        const auto playing = [this](const char *name) {
            const QJsonObject values =
                QJsonDocument::fromJson(cli(on({"--json", "get", name})).out).object();
            return values.value(name).toObject().value("value").toInt(-1000);
        };
        QCOMPARE(cli(on({"set", "preamp_low=-5"})).code, 0);

        const QString backup = files.filePath("nightly.json");
        Run r = cli(on({"backup", backup}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QVERIFY2(r.err.contains("unsaved changes are playing again"), qPrintable(describe(r)));
        library::PresetFile file;
        QString error;
        QVERIFY2(library::readFile(backup, &file, &error), qPrintable(error));
        QCOMPARE(file.presets.at(current).status,
                 before.presets.at(current).status.toHex()); // what is stored
        QCOMPARE(playing("preamp_low"), -5);
        QCOMPARE(store().presets, before.presets);

        r = cli(on({"preset", "5"}));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("--discard"), qPrintable(describe(r)));
        QCOMPARE(playing("preamp_low"), -5);
        r = cli(on({"preset", "5", "--discard"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(QJsonDocument::fromJson(cli(on({"--json", "info"})).out)
                     .object()
                     .value("number")
                     .toInt(),
                 5);
    }

    // A backup, a change, and a restore --yes bring the device back; export
    // and import move one preset.
    void libraryCommands()
    {
        const DeviceStore original = store();
        const QString backup = files.filePath("backup.json");
        Run r = cli(on({"backup", backup}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        library::PresetFile file;
        QString error;
        QVERIFY2(library::readFile(backup, &file, &error), qPrintable(error));
        QCOMPARE(file.presets.size(), 16);

        QCOMPARE(cli(on({"preset", "3"})).code, 0);
        QCOMPARE(cli(on({"set", "--save", "master_volume=1"})).code, 0);
        QVERIFY(store().presets.at(3) != original.presets.at(3));

        r = cli(on({"restore", backup, "--presets", "2-3", "--yes"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(store().presets.at(3).status, original.presets.at(3).status);

        const QString one = files.filePath("preset.json");
        r = cli(on({"export", "5", one}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        r = cli(on({"import", one, "6", "--yes"}));
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QCOMPARE(store().presets.at(6).status, original.presets.at(5).status);
    }

    // A converted impulse holds the bytes the panel makes of the same file;
    // impulse load --save stores it with the preset.
    void impulses()
    {
        if (!soxAvailable())
            QSKIP("sox is not installed");
        const QString source = files.filePath("room ir.wav");
        sox({"-n", "-r", "44100", "-c", "2", "-b", "16", source, "synth", "0.4", "pinknoise",
             "fade", "0", "0.4", "0.3"});
        // Relative paths, from the folder the command starts in.
        const QString converted = files.filePath("converted.wav");
        Run r =
            cli({"impulse", "convert", "room ir.wav", "converted.wav"}, QString(), files.path());
        QVERIFY2(r.code == 0, qPrintable(describe(r)));

        // The panel's own path: prepare, then write the device's file.
        const PreparedImpulse panel = prepareImpulse(source, audio::ConvertOptions());
        QVERIFY(panel.converted);
        QString error;
        const QString panelFile = writeDeviceFile(files.filePath("panel"), source, panel, error);
        QVERIFY2(!panelFile.isEmpty(), qPrintable(error));
        QFile a(converted), b(panelFile);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray bytes = a.readAll();
        QCOMPARE(bytes, b.readAll());
        QCOMPARE(bytes.size(), 44 + audio::deviceSamples * 3);

        const int current = store().bank * 4 + store().preset;
        r = cli(on({"impulse", "load", "--save", "room ir.wav"}), QString(), files.path());
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        // The back end's copy of the stored impulse stays in the data folder.
        QVERIFY(!QFile::exists(files.filePath("wav.wav")));
        // The device keeps names without spaces, as the panel stores them.
        QCOMPARE(store().presets.at(current).impulseName, QByteArray("room_ir.wav"));
        QCOMPARE(store().presets.at(current).wav, bytes);
    }

    // Every failure has its exit code and says what was wrong; a usage
    // error is one line and the pointer to --help; a refused file sends
    // nothing, and nothing moves the device before its arguments are checked.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // "PORT" stands for the device's port
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("sendsNothing");
        QTest::addColumn<QString>("says"); // in standard error
        const QString tryHelp = "Try 'vortaxa-cli --help'.";
        QTest::newRow("no command") << QStringList{} << 2 << true << tryHelp;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << true << tryHelp;
        QTest::newRow("unknown option")
            << QStringList{"--port", "PORT", "--colour", "info"} << 2 << true << "--colour";
        QTest::newRow("option that does not apply is named")
            << QStringList{"--port", "PORT", "backup", "OUT", "--save"} << 2 << true
            << "--save does not apply to backup.";
        QTest::newRow("unknown parameter")
            << QStringList{"--port", "PORT", "set", "volume_of_doom=3"} << 2 << true
            << "volume_of_doom";
        QTest::newRow("value out of range")
            << QStringList{"--port", "PORT", "set", "preamp_low=200"} << 2 << true << "";
        QTest::newRow("value outside the control's range")
            << QStringList{"--port", "PORT", "set", "master_volume=200"} << 2 << true
            << "master_volume takes 0 to 100, not 200.";
        QTest::newRow("backup holding a value outside its range")
            << QStringList{"--port", "PORT", "restore", "RANGEFILE", "--yes"} << 3 << true
            << "Preset 0-3 in this file holds Master 200, outside its range of 0 to 100.";
        QTest::newRow("preset out of range")
            << QStringList{"--port", "PORT", "preset", "16"} << 2 << false
            << "Presets go from 0-0 to 3-3 on this device.";
        QTest::newRow("preset far out of range")
            << QStringList{"--port", "PORT", "preset", "99999999999"} << 2 << false
            << "Presets go from 0-0 to 3-3 on this device.";
        QTest::newRow("place out of range")
            << QStringList{"--port", "PORT", "export", "4-0", "OUT"} << 2 << false
            << "Presets go from 0-0 to 3-3 on this device.";
        QTest::newRow("--presets out of range")
            << QStringList{"--port", "PORT", "restore", "ALL", "--presets", "0-200", "--yes"} << 2
            << false << "Presets go from 0-0 to 3-3 on this device.";
        QTest::newRow("missing port")
            << QStringList{"--port", "/nonexistent/tty", "info"} << 1 << true << "/nonexistent/tty";
        QTest::newRow("bad backup file")
            << QStringList{"--port", "PORT", "restore", "NOTJSON", "--yes"} << 3 << true << "";
        QTest::newRow("backup of another device's size")
            << QStringList{"--port", "PORT", "restore", "BIG", "--yes"} << 3 << false
            << "10 banks of 10 presets";
        QTest::newRow("import of a whole backup")
            << QStringList{"--port", "PORT", "import", "ALL", "3", "--yes"} << 3 << true
            << "holds 16 presets";
        QTest::newRow("bad impulse file")
            << QStringList{"--port", "PORT", "impulse", "load", "NOTJSON"} << 3 << true << "";
        QTest::newRow("bad impulse to convert")
            << QStringList{"impulse", "convert", "NOTJSON", "OUT"} << 3 << true << "";
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(bool, sendsNothing);
        QFETCH(QString, says);
        QFile bad(files.filePath("not json.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is neither a backup nor audio\n");
        bad.close();
        QString error;
        QVERIFY(library::writeFile(files.filePath("all.json"), fileOf(store(), smallType), &error));
        QVERIFY(library::writeFile(files.filePath("big.json"), fileOf(store(), 1, 0), &error));
        library::PresetFile outside = fileOf(store(), smallType);
        outside.presets[3].status.replace(2 * 7, 2, "c8"); // master 200
        QVERIFY(library::writeFile(files.filePath("outside.json"), outside, &error));
        args.replaceInStrings("PORT", session->portPath());
        args.replaceInStrings("NOTJSON", bad.fileName());
        args.replaceInStrings("OUT", files.filePath("out.wav"));
        args.replaceInStrings("ALL", files.filePath("all.json"));
        args.replaceInStrings("BIG", files.filePath("big.json"));
        args.replaceInStrings("RANGEFILE", files.filePath("outside.json"));
        const QList<QByteArray> before = session->requests();
        const Run r = cli(args);
        QVERIFY2(r.code == code, qPrintable(describe(r)));
        QVERIFY(!r.err.trimmed().isEmpty()); // said in words
        QVERIFY2(r.err.contains(says.toUtf8()), qPrintable(describe(r)));
        if (code == 2 && sendsNothing) // the error's line and the pointer to --help
            QCOMPARE(r.err.count('\n'), 2);
        const QList<QByteArray> sent = session->requests().mid(before.size());
        if (sendsNothing)
            QCOMPARE(sent.size(), 0);
        QCOMPARE(movesOrWrites(sent), 0);
        QVERIFY(!QFile::exists(files.filePath("out.wav")));
    }

    // A port where nothing answers, a port another program holds, and no
    // port at all: exit 1, in words.
    void deviceFailures()
    {
        Pty silent;
        QVERIFY(silent.isValid());
        Run r = cli({"--port", silent.slavePath(), "--timeout", "1", "info"});
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY(r.err.contains("answer"));

        QSerialPort holder(session->portPath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        r = cli(on({"info"}));
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY2(r.err.contains("in use by another program"), qPrintable(describe(r)));
        holder.close();

        // No port given, none found and none remembered.
        QTemporaryDir config;
        r = cli({"info"}, config.path());
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY(r.err.contains("No device found"));

        // The port the panel remembers is used when none is found; the
        // panel's settings are read, never written (no LibraryFolder after
        // a backup or an export).
        QDir(config.path()).mkpath("Ostrel Electronics");
        const QString settingsFile = config.filePath("Ostrel Electronics/NV-300.conf");
        {
            QSettings remembered(settingsFile, QSettings::IniFormat);
            remembered.setValue("PortPath", session->portPath());
        }
        const QByteArray settingsBefore = contents(settingsFile);
        r = cli({"info"}, config.path());
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
        QVERIFY2(r.out.contains(session->portPath().toUtf8()), r.out.constData()); // its full path
        QCOMPARE(cli({"backup", files.filePath("b.json")}, config.path()).code, 0);
        QCOMPARE(cli({"export", "3", files.filePath("e.json")}, config.path()).code, 0);
        QCOMPARE(contents(settingsFile), settingsBefore);
    }

    // The device's answer for no impulse is null in JSON and "none" in
    // words, never the name "empty".
    void missingImpulseIsNull()
    {
        const int without = 4; // every fifth preset has none
        QVERIFY(store().presets.at(without).impulseName.isEmpty());
        QCOMPARE(cli(on({"preset", QString::number(without)})).code, 0);
        const Run json = cli(on({"--json", "info"}));
        QCOMPARE(json.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        QVERIFY2(o.contains("impulse") && o.value("impulse").isNull(), json.out.constData());
        QVERIFY(QRegularExpression("Impulse +none\\n")
                    .match(QString::fromUtf8(cli(on({"info"})).out))
                    .hasMatch());
        QCOMPARE(cli(on({"preset", "0"})).code, 0);
        const QJsonObject named = QJsonDocument::fromJson(cli(on({"--json", "info"})).out).object();
        QCOMPARE(named.value("impulse").toString().toUtf8(), store().presets.at(0).impulseName);
    }

    // Every command's --json output is one JSON document, on success and on
    // failure; without a terminal and without --json, standard error holds
    // at most three lines (no progress).
    void everyCommand_data()
    {
        QTest::addColumn<QStringList>("args"); // ONE, ALL: preset files; WAV: an impulse
        QTest::addColumn<int>("code");
        QTest::newRow("ports") << QStringList{"ports"} << 0;
        QTest::newRow("info") << QStringList{"info"} << 0;
        QTest::newRow("get") << QStringList{"get", "master_volume"} << 0;
        QTest::newRow("set") << QStringList{"set", "master_volume=12"} << 0;
        QTest::newRow("set --save") << QStringList{"set", "--save", "master_volume=13"} << 0;
        QTest::newRow("save") << QStringList{"save"} << 0;
        QTest::newRow("preset") << QStringList{"preset", "1-2"} << 0;
        QTest::newRow("slots") << QStringList{"slots"} << 0;
        QTest::newRow("backup") << QStringList{"backup", "OUT"} << 0;
        QTest::newRow("restore") << QStringList{"restore", "ALL", "--yes"} << 0;
        QTest::newRow("restore unasked") << QStringList{"restore", "ALL"} << 1;
        QTest::newRow("export") << QStringList{"export", "3", "OUT"} << 0;
        QTest::newRow("import") << QStringList{"import", "ONE", "2-1", "--yes"} << 0;
        QTest::newRow("impulse load") << QStringList{"impulse", "load", "WAV"} << 0;
        QTest::newRow("impulse convert") << QStringList{"impulse", "convert", "WAV", "OUT"} << 0;
        QTest::newRow("help") << QStringList{"help", "restore"} << 0;
        QTest::newRow("version") << QStringList{"-V"} << 0;
        QTest::newRow("usage error") << QStringList{"preset"} << 2;
        QTest::newRow("file refused") << QStringList{"restore", "WAV", "--yes"} << 3;
        QTest::newRow("out of range") << QStringList{"preset", "77"} << 2;
    }
    void everyCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QString error;
        QVERIFY(writeFile(files.filePath("in.wav"), impulseWav()));
        library::PresetFile all = fileOf(store(), smallType);
        all.presets[0].status[0] = all.presets[0].status.at(0) == '1' ? '2' : '1'; // one differs
        QVERIFY(library::writeFile(files.filePath("all.json"), all, &error));
        QVERIFY(
            library::writeFile(files.filePath("one.json"), fileOf(store(), smallType, 5), &error));
        args.replaceInStrings("ALL", files.filePath("all.json"));
        args.replaceInStrings("ONE", files.filePath("one.json"));
        args.replaceInStrings("WAV", files.filePath("in.wav"));
        for (const bool json : {false, true}) {
            QFile::remove(files.filePath("out"));
            QStringList line = args;
            line.replaceInStrings("OUT", files.filePath("out"));
            const Run r = cli(on(json ? QStringList{"--json"} + line : line));
            QVERIFY2(r.code == code, qPrintable(describe(r)));
            if (!json) {
                QVERIFY2(r.err.count('\n') <= 3, qPrintable(describe(r)));
                continue;
            }
            QJsonParseError parsed;
            const QJsonDocument doc = QJsonDocument::fromJson(r.out, &parsed);
            QVERIFY2(parsed.error == QJsonParseError::NoError, qPrintable(describe(r)));
            if (code != 0) {
                QCOMPARE(doc.object().value("ok").toBool(true), false);
                QCOMPARE(doc.object().value("code").toInt(), code);
                QVERIFY(!doc.object().value("error").toString().isEmpty());
            } else if (doc.isObject() && doc.object().contains("ok")) {
                QCOMPARE(doc.object().value("ok").toBool(), true);
            }
        }
    }

    // No display needed: the executable links none of Qt's Gui, Qml or Quick.
    void linksNoDisplayLibraries()
    {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(VORTAXA_CLI_PATH)});
        if (!ldd.waitForStarted())
            QSKIP("ldd is not available");
        QVERIFY(ldd.waitForFinished());
        const QByteArray libraries = ldd.readAllStandardOutput();
        QVERIFY(libraries.contains("libQt5Core"));
        for (const char *display : {"libQt5Gui", "libQt5Qml", "libQt5Quick"})
            QVERIFY2(!libraries.contains(display), display);
    }
};

VORTAXA_TEST_MAIN(TestE2eCli)
#include "tst_e2e_cli.moc"
