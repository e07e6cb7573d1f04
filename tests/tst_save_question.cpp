// The answer to "Save changes to this preset?" and what waits for the save:
// which request each answer sends, that quitting and reading every preset go
// ahead only once the device stored the preset, and that the slot list is
// asked for again after a store, never after a save that did not happen.
#include "editing/preset_session.h"
#include "library/librarian.h"
#include "link/link.h"
#include "slot_list/slot_list.h"
#include "state/device_state.h"
#include "state/save_question.h"
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QSignalSpy>

// The device state with the librarian and the slot list, as the panel has
// them, and a current preset with an edit the device has not stored.
struct EditedPanel {
    Librarian library;
    SlotList slotList;
    DeviceState device;
    SaveQuestion &question;

    explicit EditedPanel(CoreRig &rig)
        : library(rig.core.deviceLink(), rig.core.presetSession(), rig.core.deviceReadout(),
                  rig.a.settings()),
          slotList(rig.core.deviceLink()), device(rig.core.deviceLink(), rig.core.presetSession(),
                                                  rig.core.deviceReadout(), &library),
          question(*device.saveQuestion())
    {
        device.setNeighbours(nullptr, &slotList, nullptr);
        rig.core.setValue(QStringLiteral("master_volume"), 30);
        rig.pty.drainFor(0);
    }
};

class TestSaveQuestion : public CoreRigTest {
    Q_OBJECT

    // Answers every request queued, head by head, as a device that takes
    // them all; returns the requests answered.
    QList<QByteArray> answerQueue()
    {
        QList<QByteArray> answered;
        for (int i = 0; i < 20 && !rig->a.queue().isEmpty(); ++i) {
            const QByteArray head = rig->a.queue().first();
            const QByteArray request = head.left(head.indexOf('\r'));
            answered << request;
            if (request == "sp")
                rig->a.dispatch("sp\rEND\n");
            else if (request == "rn")
                rig->a.dispatch("rn\r\n");
            else if (request == "gs")
                rig->a.dispatch("gs\r" + sampleStatus() + "\n");
            else if (request == "gb")
                rig->a.dispatch("gb\r0305\n");
            else
                rig->answerHead();
        }
        return answered;
    }

    // Pacing steps until the device state reports the save's end.
    bool giveUp(QSignalSpy &ended)
    {
        for (int i = 0; i < 12 && ended.isEmpty(); ++i)
            rig->core.slTimer();
        return !ended.isEmpty();
    }

private slots:
    // Each answer: the request it sends at once, what waits for the save,
    // and whether the panel may quit right away.
    void answer_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("waits");
        QTest::addColumn<bool>("quits");
        QTest::newRow("step, save first")
            << "updown" << 3 << "save" << QByteArray("sp\r\n") << "" << false;
        QTest::newRow("step, don't save")
            << "updown" << 3 << "discard" << QByteArray("chp 1\r\n") << "" << false;
        QTest::newRow("bank down, don't save")
            << "updown" << 2 << "discard" << QByteArray("chb 0\r\n") << "" << false;
        QTest::newRow("jump, save first")
            << "change" << 12 << "save" << QByteArray("sp\r\n") << "" << false;
        QTest::newRow("jump, don't save")
            << "change" << 12 << "discard" << QByteArray("pc c\r\n") << "" << false;
        QTest::newRow("jump, cancel") << "change" << 12 << "cancel" << QByteArray() << "" << false;
        QTest::newRow("read all, save first")
            << "sweep" << 0 << "save" << QByteArray("sp\r\n") << "readAll" << false;
        QTest::newRow("read all, don't save")
            << "sweep" << 0 << "discard" << QByteArray("olkdev\r\n") << "" << false;
        QTest::newRow("read all, cancel")
            << "sweep" << 0 << "cancel" << QByteArray() << "" << false;
        QTest::newRow("quit, save first")
            << "quit" << 0 << "save" << QByteArray("sp\r\n") << "quit" << false;
        QTest::newRow("quit, don't save") << "quit" << 0 << "discard" << QByteArray() << "" << true;
        QTest::newRow("quit, cancel") << "quit" << 0 << "cancel" << QByteArray() << "" << false;
    }
    void answer()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        QFETCH(QString, choice);
        QFETCH(QByteArray, sent);
        QFETCH(QString, waits);
        QFETCH(bool, quits);
        EditedPanel panel(*rig);
        QVERIFY(rig->core.presetSession().edited());
        QSignalSpy agreed(&panel.question, &SaveQuestion::quitAgreed);

        panel.question.answer(kind, code, choice);
        if (sent.isEmpty()) {
            QCOMPARE(rig->pty.drainFor(100), QByteArray());
            QVERIFY2(rig->core.presetSession().edited(), "the changes are kept");
        } else {
            QCOMPARE(rig->wire(sent.size()).left(sent.size()), sent);
        }
        QCOMPARE(panel.question.afterSave(), waits);
        QCOMPARE(agreed.size(), quits ? 1 : 0);
        QCOMPARE(panel.library.readingAll(), kind == "sweep" && choice == "discard");
    }

    // Quitting or reading every preset after "Save": only once the device
    // has stored the preset. A save it never answered, or a port lost
    // meanwhile, keeps the changes, and nothing goes ahead.
    void afterTheSave_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("goesAhead");
        QTest::newRow("quit, the device stores") << "quit"
                                                 << "answer" << true;
        QTest::newRow("quit, the device never answers") << "quit"
                                                        << "give up" << false;
        QTest::newRow("quit, the port is lost") << "quit"
                                                << "port lost" << false;
        QTest::newRow("read all, the device stores") << "sweep"
                                                     << "answer" << true;
        QTest::newRow("read all, the device never answers") << "sweep"
                                                            << "give up" << false;
        QTest::newRow("read all, the port is lost") << "sweep"
                                                    << "port lost" << false;
    }
    void afterTheSave()
    {
        QFETCH(QString, kind);
        QFETCH(QString, ending);
        QFETCH(bool, goesAhead);
        EditedPanel panel(*rig);
        QSignalSpy agreed(&panel.question, &SaveQuestion::quitAgreed);
        QSignalSpy ended(&panel.device, &DeviceState::saveEnded);

        panel.question.answer(kind, 0, QStringLiteral("save"));
        QCOMPARE(rig->a.queue().value(0), QByteArray("sp\r\n"));
        if (ending == "answer") {
            const QList<QByteArray> answered = answerQueue();
            QCOMPARE(answered.value(0), QByteArray("sp"));
            // the reading waits until the save's exchange is over
            QVERIFY(!panel.library.readingAll());
        } else if (ending == "give up") {
            QVERIFY(giveUp(ended));
        } else {
            rig->a.slPortError();
        }
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), ending == "answer");

        if (kind == "quit") {
            QCOMPARE(agreed.size(), goesAhead ? 1 : 0);
        } else if (goesAhead) {
            QTRY_VERIFY(panel.library.readingAll());
            QCOMPARE(rig->a.queue().value(0), QByteArray("olkdev\r\n"));
        } else {
            QTest::qWait(20); // what waited for the device's idle has run
            QVERIFY(!panel.library.readingAll());
            QVERIFY(!rig->a.queue().contains("olkdev\r\n"));
        }
        QVERIFY(panel.question.afterSave().isEmpty());
        QCOMPARE(rig->core.presetSession().edited(), ending == "give up");
    }

    // A store may change the impulse slots: the list is asked for again once
    // the device is idle, after a save or a move that saves first; not after
    // a move without saving, nor after a save the port took with it.
    void slotListAgain_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("portLost");
        QTest::addColumn<bool>("asked");
        QTest::newRow("a save") << ""
                                << "save" << false << true;
        QTest::newRow("a step that saves first") << "updown"
                                                 << "save" << false << true;
        QTest::newRow("a jump that saves first") << "change"
                                                 << "save" << false << true;
        QTest::newRow("a jump without saving") << "change"
                                               << "discard" << false << false;
        QTest::newRow("a save the port took with it") << ""
                                                      << "save" << true << false;
    }
    void slotListAgain()
    {
        QFETCH(QString, kind);
        QFETCH(QString, choice);
        QFETCH(bool, portLost);
        QFETCH(bool, asked);
        EditedPanel panel(*rig);
        if (kind.isEmpty())
            panel.question.save();
        else
            panel.question.answer(kind, 5, choice);
        if (portLost) {
            rig->a.slPortError();
            QVERIFY(rig->open());
            // the start-up read is another subject: one request stands for
            // the link's next busy spell
            rig->a.queue().clear();
            rig->core.send(QByteArray("gs\r\n"));
            rig->core.slTimer();
        }
        const QList<QByteArray> answered = answerQueue();
        QVERIFY(!answered.contains("rns"));
        QTest::qWait(20); // what waited for the device's idle has run
        const QByteArray wire = rig->pty.drainFor(50);
        QCOMPARE(rig->a.queue().contains("rns\r\n") || wire.endsWith("rns\r\n"), asked);
    }
};

VORTAXA_TEST_MAIN(TestSaveQuestion)
#include "tst_save_question.moc"
