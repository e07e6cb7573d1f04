// Asking the device for its impulse slot list again, over a real pty: at once
// when nothing is queued, behind a request waiting for its answer without
// sending that one twice, not at all while the port is closed; the answer
// reaches the panel as the slot names and flags.
#include "slot_list/slot_list.h"
#include "support/core_rig.h"
#include "support/test_main.h"

namespace {

// A 16-slot list answer: slot 0 named, the others empty.
QByteArray sixteenSlots(const QByteArray &firstName)
{
    QByteArray answer = "rns\r" + firstName + "\n01\nEND\n";
    for (int i = 1; i < 16; ++i)
        answer += "*\n00\nEND\n";
    return answer;
}

} // namespace

class TestSlotList : public QObject {
    Q_OBJECT

private slots:
    void refresh_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("nothing queued: asked at once") << "idle" << QByteArray("rns\r\n");
        QTest::newRow("a request waiting: asked after its answer")
            << "waiting" << QByteArray("rns\r\n");
        QTest::newRow("port closed: not asked") << "closed" << QByteArray();
    }

    void refresh()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, written);
        CoreRig rig;
        Core &core = rig.core;
        CoreAccess &a = rig.a;
        Pty &pty = rig.pty;
        SlotList slots_(core.deviceLink());
        if (before != "closed") {
            QVERIFY(rig.open());
            a.queue().clear();
            a.typeDev() = 2;
        }
        if (before == "waiting") {
            core.send("gs\r\n");
            core.slTimer();
            QCOMPARE(pty.read(4), QByteArray("gs\r\n"));
        }
        SignalRecorder recorder(&core);

        slots_.refresh();
        if (before == "waiting") {
            QCOMPARE(pty.drainFor(100), QByteArray()); // the waiting request is not sent again
            pty.write("gs\r" + QByteArray(86, '0') + "\n");
        }
        QCOMPARE(pty.drainFor(200), written);
        if (written.isEmpty()) {
            QVERIFY(a.queue().isEmpty());
            return;
        }

        pty.write(sixteenSlots("New_Cab"));
        QTRY_VERIFY(!recorder.valuesOf("impulse_names").isEmpty());
        QVERIFY(recorder.valuesOf("impulse_names").first().toString().startsWith("New_Cab,empty,"));
        QVERIFY(a.queue().isEmpty());
    }
};

VORTAXA_TEST_MAIN(TestSlotList)
#include "tst_slot_list.moc"
