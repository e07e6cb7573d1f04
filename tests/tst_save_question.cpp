// What waits for the answer to "Save changes to this preset?": reading every
// preset goes ahead at once without the save, quitting once the device went
// back to the stored preset, and after "Save" both only once the device
// stored the preset; a save the device never answered,
// or a port lost meanwhile, keeps the changes and lets nothing go ahead.
#include "editing/preset_session.h"
#include "library/librarian.h"
#include "state/device_state.h"
#include "state/save_question.h"
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QSignalSpy>

class TestSaveQuestion : public CoreRigTest {
    Q_OBJECT

    // Answers the queued requests head by head, as a device that takes them all.
    void answerQueue()
    {
        for (int i = 0; i < 20 && !rig->a.queue().isEmpty(); ++i) {
            const QByteArray head = rig->a.queue().first();
            if (head.startsWith("sp\r"))
                rig->a.dispatch("sp\rEND\n");
            else if (head.startsWith("rn\r"))
                rig->a.dispatch("rn\r\n");
            else if (head.startsWith("gs\r"))
                rig->a.dispatch("gs\r" + sampleStatus() + "\n");
            else
                rig->answerHead();
        }
    }

private slots:
    void afterTheAnswer_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("goesAhead");
        const QStringList kinds{"quit", "sweep"};
        for (const QString &kind : kinds) {
            const QString what = kind == "quit" ? "quit, " : "read all, ";
            QTest::newRow(qPrintable(what + "don't save")) << kind << "discard" << true;
            QTest::newRow(qPrintable(what + "the device stores")) << kind << "stored" << true;
            QTest::newRow(qPrintable(what + "the device never answers"))
                << kind << "give up" << false;
            QTest::newRow(qPrintable(what + "the port is lost")) << kind << "port lost" << false;
        }
    }
    void afterTheAnswer()
    {
        QFETCH(QString, kind);
        QFETCH(QString, ending);
        QFETCH(bool, goesAhead);
        Librarian library(rig->core.deviceLink(), rig->core.presetSession(),
                          rig->core.deviceReadout(), rig->a.settings());
        DeviceState device(rig->core.deviceLink(), rig->core.presetSession(),
                           rig->core.deviceReadout(), &library);
        SaveQuestion &question = *device.saveQuestion();
        rig->core.setValue(QStringLiteral("master_volume"), 30);
        QSignalSpy agreed(&question, &SaveQuestion::quitAgreed);
        QSignalSpy ended(&device, &DeviceState::saveEnded);

        question.answer(kind, 0, ending == "discard" ? "discard" : "save");
        if (ending == "discard" && kind == "quit") {
            // The device goes back to the stored preset before the panel quits.
            QCOMPARE(rig->a.queue().value(0), QByteArray("esc\r\n"));
            QCOMPARE(agreed.size(), 0);
            answerQueue();
        }
        if (ending != "discard") {
            QCOMPARE(rig->a.queue().value(0), QByteArray("sp\r\n"));
            QCOMPARE(question.afterSave(), kind == "quit" ? "quit" : "readAll");
            QCOMPARE(agreed.size(), 0);
        }
        if (ending == "stored") {
            answerQueue();
            QVERIFY2(!library.readingAll(), "nothing is read while the save's exchange runs");
        } else if (ending == "give up") {
            for (int i = 0; i < 12 && ended.isEmpty(); ++i)
                rig->core.slTimer();
        } else if (ending == "port lost") {
            rig->a.slPortError();
        }
        QCOMPARE(ended.size(), ending == "discard" ? 0 : 1);
        QTest::qWait(20); // what waited for the device's idle has run

        if (kind == "quit")
            QCOMPARE(agreed.size(), goesAhead ? 1 : 0);
        else
            QCOMPARE(library.readingAll(), goesAhead);
        QVERIFY(question.afterSave().isEmpty());
        if (ending != "discard") // a stored save, or a lost port, leaves nothing edited
            QCOMPARE(rig->core.presetSession().edited(), ending == "give up");
    }
};

VORTAXA_TEST_MAIN(TestSaveQuestion)
#include "tst_save_question.moc"
