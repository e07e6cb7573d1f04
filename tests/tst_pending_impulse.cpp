// The pending impulse on its own: what each way of getting one leaves, when
// forgetting it makes the preset unchanged again, and which saves end it.
// (What it sends is tested through Core: compare_clipboard, save_sequence.)
#include "impulse/pending_impulse.h"
#include "support/test_main.h"

namespace {
using Source = PendingImpulse::Source;

// Runs the named steps: "load" (on an unchanged preset), "load edited" (on a
// preset with other changes), "paste file", "paste device", "paste none",
// "other change", "drop", "save" (a save starts), "store" (it queues the
// impulse's store), "stored" (the device acknowledged the preset's store).
PendingImpulse after(const QStringList &steps)
{
    PendingImpulse p;
    for (const QString &step : steps) {
        if (step == "load")
            p.load(QStringLiteral("Cab.wav"), QStringLiteral("/irs/Cab.wav"), false);
        else if (step == "load edited")
            p.load(QStringLiteral("Cab.wav"), QStringLiteral("/irs/Cab.wav"), true);
        else if (step == "paste file")
            p.paste(QStringLiteral("A B.wav"), QStringLiteral("/irs/A B.wav"), "Dev", "00");
        else if (step == "paste device")
            p.paste(QString(), QString(), "Dev", "00");
        else if (step == "paste none")
            p.paste(QString(), QString(), QByteArray(), QByteArray());
        else if (step == "other change")
            p.otherChange();
        else if (step == "drop")
            p.drop();
        else if (step == "save")
            p.saveStarted();
        else if (step == "store")
            p.storeQueued();
        else if (step == "stored")
            p.presetStored();
        else
            qFatal("unknown step %s", qPrintable(step));
    }
    return p;
}
} // namespace

class TestPendingImpulse : public QObject {
    Q_OBJECT

private slots:
    void lifetime_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<bool>("onlyChange");
        const int file = int(Source::File);
        const int stored = int(Source::Stored);
        QTest::newRow("loaded on an unchanged preset")
            << QStringList{"load"} << file << false << true;
        QTest::newRow("loaded on a changed preset")
            << QStringList{"load edited"} << file << false << false;
        QTest::newRow("a second file tried after the first")
            << QStringList{"load", "load edited"} << file << false << true;
        QTest::newRow("a file tried after a knob was turned")
            << QStringList{"load", "other change", "load edited"} << file << false << false;
        QTest::newRow("a file loaded over a paste")
            << QStringList{"paste none", "load edited"} << file << false << false;
        QTest::newRow("a paste's file before its device impulse")
            << QStringList{"load", "paste file"} << file << true << false;
        QTest::newRow("a paste's device impulse")
            << QStringList{"paste device"} << int(Source::Copied) << true << false;
        QTest::newRow("a paste without impulse")
            << QStringList{"paste none"} << int(Source::None) << true << false;
        QTest::newRow("dropped") << QStringList{"paste file", "drop"} << stored << false << false;
        // Saving ends it only once the device has stored the preset with it.
        QTest::newRow("stored and acknowledged")
            << QStringList{"load", "save", "store", "stored"} << stored << false << false;
        QTest::newRow("stored, not acknowledged")
            << QStringList{"load", "save", "store"} << file << false << true;
        QTest::newRow("acknowledged without its store (the file was refused)")
            << QStringList{"load", "save", "stored"} << file << false << true;
        QTest::newRow("a store cut short, then a save without one")
            << QStringList{"paste device", "save", "store", "save", "stored"} << int(Source::Copied)
            << true << false;
    }
    void lifetime()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, source);
        QFETCH(bool, pasted);
        QFETCH(bool, onlyChange);
        const PendingImpulse p = after(steps);
        QCOMPARE(int(p.source()), source);
        QCOMPARE(p.pasted(), pasted);
        QCOMPARE(p.onlyChange(), onlyChange);
    }
};

VORTAXA_TEST_MAIN(TestPendingImpulse)
#include "tst_pending_impulse.moc"
