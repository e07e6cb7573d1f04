// Asking the device for its impulse slot list again, on the in-process
// device: at once when nothing is queued, behind a request waiting for its
// answer without sending that one twice, not at all while the port is
// closed; the answer reaches the panel as the slot names.
#include "slot_list/slot_list.h"
#include "support/core_rig.h"
#include "support/test_main.h"

class TestSlotList : public QObject {
    Q_OBJECT

private slots:
    void refresh_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<QByteArray>>("received");
        QTest::newRow("nothing queued: asked at once") << "idle" << QList<QByteArray>{"rns"};
        QTest::newRow("a request waiting: asked after its answer")
            << "waiting" << QList<QByteArray>{"gs", "rns"};
        QTest::newRow("port closed: not asked") << "closed" << QList<QByteArray>();
    }

    void refresh()
    {
        QFETCH(QString, before);
        QFETCH(QList<QByteArray>, received);
        CoreRig rig(2); // 16 slots
        SlotList slots_(rig.link);
        if (before != "closed")
            QVERIFY(rig.openIdle());
        if (before == "waiting") {
            rig.device.setDelay(20); // answered after the refresh, before a re-send
            rig.core.send("gs\r\n");
            rig.link.startSending();
            QCOMPARE(rig.link.head(), QByteArray("gs\r\n"));
        }

        slots_.refresh();
        if (before == "closed") {
            QVERIFY(rig.link.queueEmpty());
            QCOMPARE(rig.device.wire(), QByteArray());
            return;
        }
        QVERIFY(rig.waitFor([&] { return !rig.rec.valuesOf("impulse_names").isEmpty(); }));
        QVERIFY(rig.waitIdle());
        // The waiting request went out once; the list was asked for after it.
        QCOMPARE(rig.requests(), received);
        const vdev::Impulse first = rig.device.model().stored(0).impulse;
        const QString firstName = first.isEmpty() ? "empty" : QString::fromUtf8(first.name);
        const QStringList names =
            rig.rec.valuesOf("impulse_names").first().toString().split(',', Qt::SkipEmptyParts);
        QCOMPARE(names.size(), 16);
        QCOMPARE(names.first(), firstName);
        QCOMPARE(rig.readout.slotNames().size(), 16);
    }
};

VORTAXA_TEST_MAIN(TestSlotList)
#include "tst_slot_list.moc"
