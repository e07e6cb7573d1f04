// The parameter table against the tests' own statement of the status block:
// every position once, with its name, alias, sign, command and range; the
// names scripts may use; and how values are written and read back in words.
#include "parameters/parameter_table.h"
#include "parameters/parameter_text.h"
#include "support/status_names.h"
#include "support/test_main.h"

using parameters::Match;

class TestParameterTable : public QObject {
    Q_OBJECT

private slots:
    void agreesWithTheStatusBlock_data()
    {
        QTest::addColumn<int>("position");
        for (const statusnames::StatusName &s : statusnames::statusNames())
            QTest::newRow(s.name) << s.position;
    }
    void agreesWithTheStatusBlock()
    {
        QFETCH(int, position);
        const statusnames::StatusName &s = statusnames::statusNames().at(position);
        const parameters::Parameter &p = parameters::atPosition(position);
        QCOMPARE(p.position, position);
        QCOMPARE(QByteArray(p.name), QByteArray(s.name));
        QCOMPARE(QByteArray(p.statusAlias), QByteArray(s.alias ? s.alias : ""));
        QCOMPARE(QByteArray(p.command), QByteArray(s.command) + " %1\r\n");
        QCOMPARE(p.isSigned, s.range == statusnames::Range::Signed);
        using R = statusnames::Range;
        const QPair<int, int> range = s.range == R::Flag     ? qMakePair(0, 1)
                                      : s.range == R::Type   ? qMakePair(0, 3)
                                      : s.range == R::Signed ? qMakePair(-12, 12)
                                                             : qMakePair(0, 100);
        QCOMPARE(qMakePair(p.min, p.max), range);
        if (p.kind == parameters::Kind::Choice)
            QCOMPARE(p.choiceCount(), p.max - p.min + 1);
    }

    // Each status position is held by exactly one row, and only the mode
    // stands outside the preset.
    void everyPositionOnce()
    {
        QVector<int> rows(parameters::statusBytes, 0);
        int outside = 0;
        for (const parameters::Parameter &p : parameters::all())
            p.inPreset() ? ++rows[p.position] : ++outside;
        QCOMPARE(rows, QVector<int>(parameters::statusBytes, 1));
        QCOMPARE(outside, 1);
        QVERIFY(!parameters::find("mode")->inPreset());
        // Every module's switch is a switch of that module.
        for (const parameters::Group &g : parameters::groups()) {
            if (!*g.onSwitch)
                continue;
            const parameters::Parameter *on = parameters::find(QLatin1String(g.onSwitch));
            QVERIFY2(on && on->kind == parameters::Kind::Switch && QByteArray(on->group) == g.id,
                     g.id);
        }
    }

    void names_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("name"); // empty: none
        QTest::addColumn<int>("how");
        QTest::newRow("value name") << "master_volume"
                                    << "master_volume" << int(Match::Name);
        QTest::newRow("edit alias") << "level_MASTER"
                                    << "master_volume" << int(Match::EditAlias);
        QTest::newRow("alias only set") << "on_PARAMETRIC_EQ"
                                        << "eq_on" << int(Match::EditAlias);
        QTest::newRow("alias only published") << "on_POWERAMP"
                                              << "amp_on" << int(Match::StatusAlias);
        QTest::newRow("plain spelling") << "compressor_sustain"
                                        << "compreccor_sustein" << int(Match::PlainName);
        QTest::newRow("letter case") << "Master_volume"
                                     << "" << int(Match::None);
        QTest::newRow("with a NUL")
            << QString::fromLatin1("master_volume\0x", 15) << "" << int(Match::None);
        QTest::newRow("empty") << ""
                               << "" << int(Match::None);
    }
    void names()
    {
        QFETCH(QString, given);
        QFETCH(QString, name);
        QFETCH(int, how);
        Match matched = Match::Name;
        const parameters::Parameter *p = parameters::find(given, &matched);
        QCOMPARE(p ? QString::fromLatin1(p->name) : QString(), name);
        QCOMPARE(int(matched), how);
    }

    void valuesInWords_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("level") << "master_volume" << 75 << "75"
                               << "75 of 100";
        QTest::newRow("held past the range") << "master_volume" << 200 << "200"
                                             << "200 of 100";
        QTest::newRow("tone below zero") << "preamp_low" << -3 << "-3 dB"
                                         << "-3 dB";
        QTest::newRow("tone above zero") << "preamp_high" << 7 << "+7 dB"
                                         << "+7 dB";
        QTest::newRow("tone at zero") << "preamp_mid" << 0 << "0 dB"
                                      << "0 dB";
        QTest::newRow("switch on") << "gate_on" << 1 << "On"
                                   << "On";
        QTest::newRow("switch off") << "cabinet_enable" << 0 << "Off"
                                    << "Off";
        QTest::newRow("type") << "amp_type" << 1 << "Type 2"
                              << "Type 2";
        QTest::newRow("type the device should not hold") << "early_type" << 9 << "9"
                                                         << "9";
        QTest::newRow("pre or post") << "eq_pre" << 1 << "Pre"
                                     << "Pre";
        QTest::newRow("mode") << "mode" << 1 << "Mode 2"
                              << "Mode 2";
        QTest::newRow("gain above centre") << "eq_volume2" << 60 << "+2.4 dB"
                                           << "+2.4 dB";
        QTest::newRow("gain at centre") << "eq_volume1" << 50 << "0 dB"
                                        << "0 dB";
        QTest::newRow("gain at the bottom") << "eq_volume5" << 0 << "-12.0 dB"
                                            << "-12.0 dB";
        QTest::newRow("band shift") << "eq_freq3" << 3 << "+3"
                                    << "+3";
    }
    void valuesInWords()
    {
        QFETCH(QString, name);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(QString, spoken);
        const parameters::Parameter &p = *parameters::find(name);
        QCOMPARE(parameters::text(p, value), text);
        QCOMPARE(parameters::spokenText(p, value), spoken);
    }

    // A typed value: what it stands for, and what is said when the range
    // limits it.
    void typedValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("number");
        QTest::addColumn<int>("value"); // before the range limits it
        QTest::addColumn<QString>("note");
        QTest::newRow("in range") << "master_volume"
                                  << " 42 " << true << 42 << "";
        QTest::newRow("past the top")
            << "master_volume"
            << "150" << true << 150 << "Master goes from 0 to 100: set to 100.";
        QTest::newRow("below a tone's range")
            << "preamp_mid"
            << "-20" << true << -20 << "Mid goes from -12 dB to +12 dB: set to -12 dB.";
        QTest::newRow("the minus sign shown") << "preamp_low"
                                              << "\u22123 dB" << true << -3 << "";
        QTest::newRow("gain in dB") << "eq_volume2"
                                    << "+2.4 dB" << true << 60 << "";
        QTest::newRow("words") << "master_volume"
                               << "loud" << false << 0 << "";
        QTest::newRow("far past any range") << "master_volume"
                                            << "1e99" << false << 0 << "";
    }
    void typedValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(bool, number);
        QFETCH(int, value);
        QFETCH(QString, note);
        const parameters::Parameter &p = *parameters::find(name);
        int read = 0;
        QCOMPARE(parameters::parseTyped(p, typed, &read), number);
        if (number)
            QCOMPARE(read, value);
        QCOMPARE(parameters::limitNote(p, typed), note);
    }

    // A value and the byte it travels as.
    void signedBytes()
    {
        const parameters::Parameter &low = *parameters::find("preamp_low");
        QCOMPARE(int(parameters::toByte(-3)), 253);
        QCOMPARE(parameters::fromByte(low, 253), -3);
        QCOMPARE(parameters::fromByte(*parameters::find("master_volume"), 253), 253);
    }
};

VORTAXA_TEST_MAIN(TestParameterTable)
#include "tst_parameter_table.moc"
