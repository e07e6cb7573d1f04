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
        Librarian library(rig->link, rig->session, rig->readout, rig->core.settingsStore());
        DeviceState device(rig->link, rig->session, rig->readout, &library);
        SaveQuestion &question = *device.saveQuestion();
        rig->core.setValue(QStringLiteral("master_volume"), 30);
        QVERIFY(rig->waitIdle());
        QSignalSpy agreed(&question, &SaveQuestion::quitAgreed);
        QSignalSpy ended(&device, &DeviceState::saveEnded);
        bool readDuringSave = false;
        connect(&device, &DeviceState::saveEnded, this,
                [&] { readDuringSave = library.readingAll(); });
        bool readStarted = false;
        connect(&library, &Librarian::busyChanged, this,
                [&] { readStarted = readStarted || library.readingAll(); });
        if (ending == "give up")
            rig->device.script("xxx");

        question.answer(kind, 0, ending == "discard" ? "discard" : "save");
        if (ending == "discard" && kind == "quit") {
            // The device goes back to the stored preset before the panel quits.
            QCOMPARE(rig->link.head(), QByteArray("esc\r\n"));
            QCOMPARE(agreed.size(), 0);
        }
        if (ending != "discard") {
            QCOMPARE(rig->link.head(), QByteArray("sp\r\n"));
            QCOMPARE(question.afterSave(), kind == "quit" ? "quit" : "readAll");
            QCOMPARE(agreed.size(), 0);
        }
        if (ending == "port lost")
            rig->losePort();
        if (ending != "discard")
            QVERIFY(rig->waitFor([&] { return !ended.isEmpty(); }));
        QVERIFY2(!readDuringSave, "nothing is read while the save's exchange runs");
        if (goesAhead) {
            QVERIFY(rig->waitFor([&] { return agreed.size() + int(readStarted) > 0; }));
        } else {
            QTest::qWait(50); // what would wait for the device's idle has had its chance
        }

        QCOMPARE(ended.size(), ending == "discard" ? 0 : 1);
        if (kind == "quit")
            QCOMPARE(agreed.size(), goesAhead ? 1 : 0);
        else
            QCOMPARE(readStarted, goesAhead);
        QVERIFY(question.afterSave().isEmpty());
        if (ending != "discard") // a stored save, or a lost port, leaves nothing edited
            QCOMPARE(rig->session.edited(), ending == "give up");
        if (ending == "stored")
            QCOMPARE(rig->device.model().storedCurrent().status, rig->device.model().liveStatus());
    }
};

VORTAXA_TEST_MAIN(TestSaveQuestion)
#include "tst_save_question.moc"
