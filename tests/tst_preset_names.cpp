// The panel's reading of a preset's short form typed in the Go field, and the
// forms it hands the document.
#include "panel/preset_names.h"

#include <QtTest>

class TestPresetNames : public QObject {
    Q_OBJECT

private slots:
    void forms()
    {
        PresetNames names;
        QCOMPARE(names.shortName(2, 3), QStringLiteral("2-3"));
        QCOMPARE(names.longName(2, 3), QStringLiteral("Preset 2-3"));
        QCOMPARE(names.shortNameOf(15, 4), QStringLiteral("3-3"));
        QCOMPARE(names.longNameOf(37, 10), QStringLiteral("Preset 3-7"));
    }

    void numberOf_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("banks");
        QTest::addColumn<int>("perBank");
        QTest::addColumn<int>("number");
        QTest::newRow("short form") << "3-7" << 10 << 10 << 37;
        QTest::newRow("first") << "0-0" << 10 << 10 << 0;
        QTest::newRow("last, spaces around") << " 9-9 " << 10 << 10 << 99;
        QTest::newRow("spaces inside") << "2 - 3" << 10 << 10 << 23;
        QTest::newRow("last of a 4 x 4 device") << "3-3" << 4 << 4 << 15;
        QTest::newRow("bank past the last") << "10-0" << 10 << 10 << -1;
        QTest::newRow("preset past a 4 x 4 device's") << "1-4" << 4 << 4 << -1;
        QTest::newRow("a number through the banks") << "37" << 10 << 10 << -1;
        QTest::newRow("the long form") << "Preset 2-3" << 10 << 10 << -1;
        QTest::newRow("negative") << "-3-1" << 10 << 10 << -1;
        QTest::newRow("letters") << "a-b" << 10 << 10 << -1;
        QTest::newRow("empty") << "" << 10 << 10 << -1;
        QTest::newRow("unknown device") << "0-0" << 0 << 0 << -1;
    }

    void numberOf()
    {
        QFETCH(QString, typed);
        QFETCH(int, banks);
        QFETCH(int, perBank);
        QFETCH(int, number);
        QCOMPARE(PresetNames().numberOf(typed, banks, perBank), number);
    }
};

QTEST_GUILESS_MAIN(TestPresetNames)
#include "tst_preset_names.moc"
