// The command line's checks that run before any device is reached: the
// command line's form and its errors, help, preset arguments and lists,
// parameter assignments, the status block read back as named values, and
// how tables and the exchanges are printed.
#include "cli/command.h"
#include "cli/command_table.h"
#include "cli/engine.h"
#include "cli/exchange_log.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/parameters.h"
#include "cli/preset_argument.h"
#include "cli/run.h"
#include "cli/usage.h"
#include "parameters/parameter_table.h"
#include "parsing/status_layout.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

class TestCliOptions : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command"); // empty: a usage error
        QTest::addColumn<QStringList>("commandArgs");
        QTest::newRow("options anywhere")
            << QStringList{"info", "--json", "--port", "/dev/ttyACM0"} << "info" << QStringList{};
        QTest::newRow("option with =")
            << QStringList{"--timeout=9", "get", "amp_on"} << "get" << QStringList{"amp_on"};
        QTest::newRow("impulse takes a second word")
            << QStringList{"impulse", "convert", "a.flac", "b.wav"} << "impulse convert"
            << QStringList{"a.flac", "b.wav"};
        QTest::newRow("restore with its options")
            << QStringList{"restore", "b.json", "--presets", "0-3,7", "--yes"} << "restore"
            << QStringList{"b.json"};
        QTest::newRow("no command") << QStringList{"--json"} << "" << QStringList{};
        QTest::newRow("unknown command") << QStringList{"reboot"} << "" << QStringList{};
        QTest::newRow("impulse alone") << QStringList{"impulse"} << "" << QStringList{};
        QTest::newRow("too many arguments")
            << QStringList{"preset", "1", "2"} << "" << QStringList{};
        QTest::newRow("too few arguments") << QStringList{"export", "1"} << "" << QStringList{};
        QTest::newRow("set needs an assignment") << QStringList{"set"} << "" << QStringList{};
        QTest::newRow("option needs a value")
            << QStringList{"info", "--port"} << "" << QStringList{};
        QTest::newRow("timeout not a number")
            << QStringList{"--timeout", "soon", "info"} << "" << QStringList{};
        QTest::newRow("--save on the wrong command")
            << QStringList{"get", "--save"} << "" << QStringList{};
        QTest::newRow("--yes on the wrong command")
            << QStringList{"backup", "f", "--yes"} << "" << QStringList{};
        QTest::newRow("flag with a value")
            << QStringList{"--json=1", "info"} << "" << QStringList{};
        QTest::newRow("\"-\" is a word")
            << QStringList{"backup", "-"} << "backup" << QStringList{"-"};
        QTest::newRow("\"-\" and --json both want standard output")
            << QStringList{"--json", "export", "3", "-"} << "" << QStringList{};
        QTest::newRow("unknown short option") << QStringList{"-x", "info"} << "" << QStringList{};
        QTest::newRow("after --, options are words")
            << QStringList{"get", "--", "--json"} << "get" << QStringList{"--json"};
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        QFETCH(QStringList, commandArgs);
        cli::Options options;
        QString error;
        const bool ok = cli::parse(args, &options, &error);
        QCOMPARE(ok, !command.isEmpty());
        if (!ok) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QCOMPARE(options.command, command);
        QCOMPARE(options.args, commandArgs);
    }

    // A usage error names what was wrong, in one sentence.
    void errorsNameTheFault_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("an option that does not apply")
            << QStringList{"get", "--save"} << "--save does not apply to get.";
        QTest::newRow("--presets elsewhere") << QStringList{"--presets", "1", "backup", "f"}
                                             << "--presets does not apply to backup.";
        QTest::newRow("unknown option")
            << QStringList{"--colour", "info"} << "Unknown option --colour.";
        QTest::newRow("missing value")
            << QStringList{"info", "--timeout"} << "The option --timeout needs a value.";
        QTest::newRow("arguments") << QStringList{"export", "1"} << "export takes N FILE.";
        QTest::newRow("no arguments") << QStringList{"info", "x"} << "info takes no arguments.";
        QTest::newRow("unknown command")
            << QStringList{"reboot"} << "Unknown command \u201creboot\u201d.";
        QTest::newRow("unknown help topic")
            << QStringList{"help", "reboot"} << "Unknown command \u201creboot\u201d.";
    }
    void errorsNameTheFault()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        cli::Options options;
        QString said;
        QVERIFY(!cli::parse(args, &options, &said));
        QCOMPARE(said, error);
    }

    // Every way of asking for help or the version; help on one command
    // names it.
    void help_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("topic"); // "version": the version; empty: all commands
        QTest::newRow("-h") << QStringList{"-h"} << "";
        QTest::newRow("--help") << QStringList{"--help"} << "";
        QTest::newRow("help") << QStringList{"help"} << "";
        QTest::newRow("help COMMAND") << QStringList{"help", "restore"} << "restore";
        QTest::newRow("COMMAND --help") << QStringList{"backup", "--help"} << "backup";
        QTest::newRow("two-word COMMAND -h")
            << QStringList{"impulse", "convert", "-h"} << "impulse convert";
        QTest::newRow("-V") << QStringList{"-V"} << "version";
        QTest::newRow("--version") << QStringList{"--version"} << "version";
    }
    void help()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, topic);
        cli::Options options;
        QString error;
        QVERIFY2(cli::parse(args, &options, &error), qPrintable(error));
        QCOMPARE(options.version, topic == "version");
        QCOMPARE(options.help, topic != "version");
        if (!options.help)
            return;
        QCOMPARE(options.helpTopic, topic);
        const cli::CommandInfo *command = cli::findCommand(topic);
        const QString text = command ? cli::commandHelp(*command) : cli::usage();
        QVERIFY(text.contains("Usage: vortaxa-cli"));
        if (command)
            QVERIFY(text.contains(QString::fromLatin1(command->name) + ' ' + command->synopsis));
    }

    // The usage lists every command, and every command the table has runs.
    void everyCommandListedAndMade()
    {
        const QString text = cli::usage();
        Engine engine;
        cli::Options options;
        cli::Output output(true, false);
        cli::Run run(options, engine, output);
        for (const cli::CommandInfo &c : cli::commandTable()) {
            QVERIFY2(text.contains("\n  " + QString::fromLatin1(c.name)), c.name);
            QVERIFY2(cli::makeCommand(QString::fromLatin1(c.name), run), c.name);
        }
        QVERIFY(!cli::makeCommand("reboot", run));
    }

    // File arguments and a port path are made absolute; numbers and
    // parameters are not.
    void pathsResolved_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("resolved");
        QTest::newRow("export: the file, not the number")
            << QStringList{"export", "5", "p.json"} << QStringList{"5", "/work/p.json"};
        QTest::newRow("import: the file, not the number")
            << QStringList{"import", "../p.json", "5"} << QStringList{"/p.json", "5"};
        QTest::newRow("convert: both") << QStringList{"impulse", "convert", "a.wav", "/tmp/b.wav"}
                                       << QStringList{"/work/a.wav", "/tmp/b.wav"};
        QTest::newRow("set: untouched")
            << QStringList{"set", "amp_on=1"} << QStringList{"amp_on=1"};
        QTest::newRow("relative port")
            << QStringList{"--port", "dev/tty", "info"} << QStringList{"/work/dev/tty"};
        QTest::newRow("standard output stays")
            << QStringList{"impulse", "convert", "a.wav", "-"} << QStringList{"/work/a.wav", "-"};
    }
    void pathsResolved()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, resolved);
        cli::Options options;
        QString error;
        QVERIFY(cli::parse(args, &options, &error));
        cli::resolvePaths(&options, QStringLiteral("/work"));
        QCOMPARE(options.port.isEmpty() ? options.args : QStringList{options.port}, resolved);
    }

    void presetLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVector<int>>("numbers"); // empty: refused
        QTest::newRow("one") << "7" << QVector<int>{7};
        QTest::newRow("range and one") << "0-3,23" << QVector<int>{0, 1, 2, 3, 23};
        QTest::newRow("sorted, no repeats") << "5,2-3,3" << QVector<int>{2, 3, 5};
        QTest::newRow("backwards range") << "9-2" << QVector<int>{};
        QTest::newRow("not a number") << "a-b" << QVector<int>{};
        QTest::newRow("negative") << "-1" << QVector<int>{};
        QTest::newRow("empty item") << "1,,2" << QVector<int>{};
    }
    void presetLists()
    {
        QFETCH(QString, text);
        QFETCH(QVector<int>, numbers);
        QVector<int> parsed;
        QCOMPARE(cli::parsePresetList(text, &parsed), !numbers.isEmpty());
        if (!numbers.isEmpty())
            QCOMPARE(parsed, numbers);
    }

    // A preset argument is a number or a place, checked against the
    // device's own size; the refusal states that size.
    void presetArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");   // the device type: 1 is 10 x 10, 2 is 4 x 4
        QTest::addColumn<int>("number"); // -1: not on this device; -2: not a preset at all
        QTest::newRow("number") << "23" << 1 << 23;
        QTest::newRow("place") << "2-3" << 1 << 23;
        QTest::newRow("place on a small device") << "2-3" << 2 << 11;
        QTest::newRow("last place") << "3-3" << 2 << 15;
        QTest::newRow("bank past the end") << "4-0" << 2 << -1;
        QTest::newRow("preset past the bank") << "0-12" << 1 << -1;
        QTest::newRow("number past the end") << "16" << 2 << -1;
        QTest::newRow("huge number") << "99999999999" << 1 << -1;
        QTest::newRow("negative") << "-1" << 1 << -2;
        QTest::newRow("half a place") << "2-" << 1 << -2;
        QTest::newRow("words") << "first" << 1 << -2;
    }
    void presetArguments()
    {
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(int, number);
        const cli::PresetArgument a = cli::parsePresetArgument(text);
        QCOMPARE(a.valid, number != -2);
        if (a.valid)
            QCOMPARE(a.numberOn(presets::familyOf(type)), number);
        else
            QVERIFY(cli::notAPreset(text).contains(text));
    }

    void presetRanges()
    {
        QCOMPARE(cli::presetRange(presets::familyOf(1)),
                 QString("Presets go from 0-0 to 9-9 on this device."));
        QCOMPARE(cli::presetRange(presets::familyOf(2)),
                 QString("Presets go from 0-0 to 3-3 on this device."));
    }

    void assignments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name"); // empty: refused
        QTest::addColumn<int>("byte");
        QTest::newRow("unsigned") << "master_volume=80"
                                  << "master_volume" << 80;
        QTest::newRow("signed negative travels as its byte") << "preamp_low=-3"
                                                             << "preamp_low" << 253;
        QTest::newRow("edit alias") << "level_MASTER=5"
                                    << "master_volume" << 5;
        QTest::newRow("status alias") << "on_POWERAMP=1"
                                      << "amp_on" << 1;
        QTest::newRow("plain spelling") << "compressor_sustain=40"
                                        << "compreccor_sustein" << 40;
        QTest::newRow("gain in dB") << "eq_volume1=+2.4dB"
                                    << "eq_volume1" << 60;
        QTest::newRow("above the control's range") << "master_volume=200"
                                                   << "" << 0;
        QTest::newRow("switch past on") << "cabinet_enable=7"
                                        << "" << 0;
        QTest::newRow("below a signed range") << "preamp_low=-100"
                                              << "" << 0;
        QTest::newRow("signed too high") << "preamp_low=128"
                                         << "" << 0;
        QTest::newRow("unsigned negative") << "amp_volume=-1"
                                           << "" << 0;
        QTest::newRow("the mode is no preset parameter") << "mode=1"
                                                         << "" << 0;
        QTest::newRow("unknown name") << "loudness=3"
                                      << "" << 0;
        QTest::newRow("no value") << "amp_on="
                                  << "" << 0;
        QTest::newRow("no =") << "amp_on"
                              << "" << 0;
    }
    void assignments()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, byte);
        QString parsedName, error;
        unsigned char value = 0;
        const bool ok = cli::parseAssignment(text, &parsedName, &value, &error);
        QCOMPARE(ok, !name.isEmpty());
        if (!ok) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QCOMPARE(parsedName, name);
        QCOMPARE(int(value), byte);
    }

    // A value past the range is refused in the words a script's user reads.
    void rangeRefusal()
    {
        QString name, error;
        unsigned char value = 0;
        QVERIFY(!cli::parseAssignment("master_volume=200", &name, &value, &error));
        QCOMPARE(error, QString("master_volume takes 0 to 100, not 200."));
        QVERIFY(!cli::parseAssignment("preamp_low=-100", &name, &value, &error));
        QCOMPARE(error, QString("preamp_low takes -12 to 12, not -100."));
    }

    // Every name of the table, once; signed bytes read back negative.
    void statusReadBack()
    {
        QByteArray bytes(status::byteCount, '\0');
        bytes[cli::findParameter("preamp_mid")->position] = char(0xfb);
        bytes[cli::findParameter("amp_on")->position] = 1;
        bytes[cli::findParameter("master_volume")->position] = char(200);
        const QVector<cli::ParameterValue> values = cli::decodeParameters(bytes.toHex());
        QCOMPARE(values.size(), status::byteCount);
        QHash<QString, cli::ParameterValue> byName;
        for (const cli::ParameterValue &p : values)
            byName.insert(p.name, p);
        QCOMPARE(byName.size(), status::byteCount);
        QCOMPARE(byName.value("preamp_mid").value, -5);
        QCOMPARE(byName.value("preamp_mid").unit, QString("dB"));
        QCOMPARE(byName.value("preamp_mid").shown, QString("-5 dB"));
        QCOMPARE(byName.value("preamp_mid").label, QString("Preamp mid"));
        QCOMPARE(byName.value("master_volume").value, 200);
        QCOMPARE(byName.value("amp_on").shown, QString("On"));
        QCOMPARE(byName.value("gate_on").shown, QString("Off"));
        QVERIFY(cli::decodeParameters("not a block").isEmpty());
    }

    // What the bash completion offers where, run as bash runs it: the words
    // of the line (split at "=" as bash splits them) up to the cursor.
    void completion_data()
    {
        QTest::addColumn<QStringList>("words"); // the last one is being completed
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QStringList>("notOffered");
        QTest::newRow("commands") << QStringList{""} << QStringList{"backup", "help", "impulse"}
                                  << QStringList{"a.json"};
        QTest::newRow("a preset place after import FILE")
            << QStringList{"import", "a.json", ""} << QStringList{"0-0", "2-3", "9-9"}
            << QStringList{"a.json", "sub"};
        QTest::newRow("a preset place for export")
            << QStringList{"export", "1-"} << QStringList{"1-0", "1-9"} << QStringList{"sub"};
        QTest::newRow("a file after export N")
            << QStringList{"export", "3", ""} << QStringList{"a.json", "sub"} << QStringList{"0-0"};
        QTest::newRow("--port PATH")
            << QStringList{"--port", "su"} << QStringList{"sub"} << QStringList{};
        QTest::newRow("--port=PATH")
            << QStringList{"--port", "=", "su"} << QStringList{"sub"} << QStringList{};
        QTest::newRow("help COMMAND")
            << QStringList{"help", "re"} << QStringList{"restore"} << QStringList{};
        QTest::newRow("restore's own options")
            << QStringList{"restore", "a.json", "--"} << QStringList{"--presets", "--yes"}
            << QStringList{"--save"};
    }
    void completion()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, offered);
        QFETCH(QStringList, notOffered);
        const QString library = QStringLiteral("/usr/share/bash-completion/bash_completion");
        if (!QFile::exists(library))
            QSKIP("bash-completion is not installed");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("sub"));
        QVERIFY(QFile(dir.filePath("a.json")).open(QIODevice::WriteOnly));
        words.prepend("vortaxa-cli");
        QStringList quoted;
        for (const QString &w : words)
            quoted.append("'" + w + "'");
        // The line as typed: "=" joins its neighbours, as bash splits them.
        const QString line = words.join(' ').replace(QLatin1String(" = "), QLatin1String("="));
        const QString script =
            QStringLiteral("source %1; source %2; COMP_WORDS=(%3); COMP_CWORD=%4; "
                           "COMP_LINE='%5'; COMP_POINT=${#COMP_LINE}; "
                           "_vortaxa_cli 2>/dev/null; printf '%s\\n' \"${COMPREPLY[@]}\"")
                .arg(library,
                     qEnvironmentVariable("VORTAXA_SOURCE_DIR") +
                         "/cli/vortaxa-cli.bash-completion",
                     quoted.join(' '))
                .arg(words.size() - 1)
                .arg(line);
        QProcess bash;
        bash.setWorkingDirectory(dir.path());
        bash.start("bash", {"-c", script});
        QVERIFY(bash.waitForFinished(10000));
        const QStringList got = QString::fromUtf8(bash.readAllStandardOutput()).split('\n');
        for (const QString &w : offered)
            QVERIFY2(got.contains(w), qPrintable(w + " not in " + got.join(' ')));
        for (const QString &w : notOffered)
            QVERIFY2(!got.contains(w), qPrintable(w + " in " + got.join(' ')));
    }

    // The bash completion offers exactly the names the table has.
    void completionKnowsTheNames()
    {
        QFile file(qEnvironmentVariable("VORTAXA_SOURCE_DIR") + "/cli/vortaxa-cli.bash-completion");
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QString text = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch list =
            QRegularExpression("local names=\"([^\"]*)\"").match(text);
        QVERIFY(list.hasMatch());
        QStringList offered =
            list.captured(1).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        QStringList table;
        for (const parameters::Parameter &p : parameters::all())
            if (p.inPreset())
                table.append(QString::fromLatin1(p.name));
        offered.sort();
        table.sort();
        QCOMPARE(offered, table);
    }

    // Columns line up under their header, and no line ends in a space (an
    // empty last cell included).
    void tables()
    {
        const QString text = cli::alignedColumns(
            {{"NAME", "VALUE", "SHOWN"}, {"amp_on", "1", "on"}, {"master_volume", "80", ""}});
        QCOMPARE(text, QString("NAME           VALUE  SHOWN\n"
                               "amp_on         1      on\n"
                               "master_volume  80\n"));
    }

    // The exchanges as --verbose prints them.
    void readableExchanges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("request") << QByteArray("gb\r\n") << "gb\\r\\n";
        QTest::newRow("status block")
            << QByteArray("gs\r" + QByteArray(86, 'a') + "\n") << "gs\\r[86 hex digits]\\n";
        QTest::newRow("short hex stays") << QByteArray("mv 2a\r\n") << "mv 2a\\r\\n";
        QTest::newRow("control bytes") << QByteArray("x\x01\xff") << "x\\x01\\xff";
    }
    void readableExchanges()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(cli::readable(bytes), shown);
    }
};

VORTAXA_TEST_MAIN(TestCliOptions)
#include "tst_cli_options.moc"
