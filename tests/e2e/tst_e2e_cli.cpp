// The command line end to end: vortaxa-cli run as its own process against the
// virtual device on a pty, its output parsed back, its exit codes checked and
// its effects read from the device's presets file and request log.
#include "audio/device_impulse.h"
#include "browser/impulse_file.h"
#include "library/preset_file.h"
#include "parameters/parameter_table.h"
#include "parsing/status_layout.h"
#include "session.h"
#include "support/pty.h"
#include "support/sox.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>

using namespace e2e;

namespace {

constexpr int smallType = 2; // 4 banks of 4 presets, 16 impulse slots

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs vortaxa-cli with `args`; standard input is not a terminal. `config`
// (if given) is the settings folder, so the remembered port can be set.
Run cli(const QStringList &args, const QString &config = QString(),
        const QString &workingFolder = QString())
{
    const int timeoutMs = 60000;
    QProcess p;
    p.setWorkingDirectory(workingFolder);
    if (!config.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(VORTAXA_CLI_PATH), args);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The requests among `requests` that change what the device stores or plays.
int writes(const QList<QByteArray> &requests)
{
    int n = 0;
    for (const QByteArray &r : requests)
        if (r.startsWith("gs 1") || r.startsWith("sp") || r.startsWith("cc ") ||
            r.startsWith("dcc"))
            ++n;
    return n;
}

int statusByte(const QByteArray &status, const char *name)
{
    return static_cast<unsigned char>(status.at(parameters::find(QLatin1String(name))->position));
}

QString describe(const Run &r)
{
    return QStringLiteral("exit %1\nstdout: %2\nstderr: %3")
        .arg(r.code)
        .arg(QString::fromUtf8(r.out), QString::fromUtf8(r.err));
}

} // namespace

class TestE2eCli : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Session> session;
    QTemporaryDir files;

    QStringList on(QStringList args) const
    {
        return QStringList{"--port", session->portPath()} + args;
    }
    DeviceStore store() const { return session->store(); }

private slots:
    void init()
    {
        session = std::make_unique<Session>();
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = makePresets(smallType, 29);
        QVERIFY(session->startDevice(setup));
    }

    void cleanup()
    {
        session->stopDevice();
        session.reset();
    }

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

    // Without a terminal and without --yes a restore asks no one and writes
    // nothing; an import likewise.
    void withoutTerminalNothingIsWritten()
    {
        const QString backup = files.filePath("before.json");
        QCOMPARE(cli(on({"backup", backup})).code, 0);
        QCOMPARE(cli(on({"set", "--save", "master_volume=2"})).code, 0);
        const DeviceStore changed = store();
        const int writesBefore = writes(session->requests());

        Run r = cli(on({"restore", backup}));
        QVERIFY2(r.code == 1, qPrintable(describe(r)));
        QVERIFY(r.err.contains("--yes"));
        r = cli(on({"import", backup, "1"}));
        QVERIFY2(r.code == 1, qPrintable(describe(r)));

        QCOMPARE(writes(session->requests()), writesBefore);
        QCOMPARE(store().presets, changed.presets);
    }

    // Ctrl+C during a restore stops between presets and says which were
    // written; those are whole, the rest untouched.
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

        QProcess p;
        p.start(QStringLiteral(VORTAXA_CLI_PATH), on({"restore", backup, "--yes"}));
        p.closeWriteChannel();
        QByteArray err;
        QVERIFY(Session::waitFor(
            [&] {
                err += p.readAllStandardError();
                return err.contains("Writing Preset 0-1") || p.state() == QProcess::NotRunning;
            },
            30000));
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(30000));
        err += p.readAllStandardError();
        QVERIFY2(p.exitCode() == 1, err.constData());

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

    // Every failure has its exit code; a refused file sends nothing.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // "PORT" stands for the device's port
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("sendsNothing");
        QTest::newRow("no command") << QStringList{} << 2 << true;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << true;
        QTest::newRow("unknown option")
            << QStringList{"--port", "PORT", "--colour", "info"} << 2 << true;
        QTest::newRow("unknown parameter")
            << QStringList{"--port", "PORT", "set", "volume_of_doom=3"} << 2 << true;
        QTest::newRow("value out of range")
            << QStringList{"--port", "PORT", "set", "preamp_low=200"} << 2 << true;
        QTest::newRow("preset out of range")
            << QStringList{"--port", "PORT", "preset", "16"} << 2 << false;
        QTest::newRow("missing port")
            << QStringList{"--port", "/nonexistent/tty", "info"} << 1 << true;
        QTest::newRow("bad backup file")
            << QStringList{"--port", "PORT", "restore", "NOTJSON", "--yes"} << 3 << true;
        QTest::newRow("bad impulse file")
            << QStringList{"--port", "PORT", "impulse", "load", "NOTJSON"} << 3 << true;
        QTest::newRow("bad impulse to convert")
            << QStringList{"impulse", "convert", "NOTJSON", "OUT"} << 3 << true;
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(bool, sendsNothing);
        QFile bad(files.filePath("not json.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is neither a backup nor audio\n");
        bad.close();
        args.replaceInStrings("PORT", session->portPath());
        args.replaceInStrings("NOTJSON", bad.fileName());
        args.replaceInStrings("OUT", files.filePath("out.wav"));
        const int requestsBefore = session->requests().size();
        const Run r = cli(args);
        QVERIFY2(r.code == code, qPrintable(describe(r)));
        QVERIFY(!r.err.trimmed().isEmpty()); // said in words
        if (sendsNothing)
            QCOMPARE(session->requests().size(), requestsBefore);
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

        // The port the panel remembers is used when none is found.
        QDir(config.path()).mkpath("Ostrel Electronics");
        QSettings remembered(config.filePath("Ostrel Electronics/NV-300.conf"),
                             QSettings::IniFormat);
        remembered.setValue("PortPath", session->portPath());
        remembered.sync();
        r = cli({"info"}, config.path());
        QVERIFY2(r.code == 0, qPrintable(describe(r)));
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
