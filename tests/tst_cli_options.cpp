// The command line's checks that run before any device is reached: the
// command line's form, preset lists, parameter assignments, and the status
// block read back as named values.
#include "cli/options.h"
#include "cli/parameters.h"
#include "parameters/parameter_table.h"
#include "parsing/status_layout.h"
#include "support/test_main.h"

#include <QFile>
#include <QRegularExpression>

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
};

VORTAXA_TEST_MAIN(TestCliOptions)
#include "tst_cli_options.moc"
