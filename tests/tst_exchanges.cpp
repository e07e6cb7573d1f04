// The link's exchanges and the session's captures: an exchange ends exactly
// once, as done or with why not; a captured impulse answer reaches the
// session's listeners and leaves the copy's clipboard alone; the pending
// impulse is read as a save would choose it; a paste through the session is
// the panel's paste.
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QSignalSpy>

namespace {

const QByteArray statusAnswer = "gs\r" + sampleStatus() + "\n";

// Lets the exchange's queued outcome arrive.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

class TestExchanges : public CoreRigTest {
    Q_OBJECT

private slots:
    void exchangeEndsOnce_data()
    {
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("failure"); // empty: done
        const QList<QByteArray> read = {requests::bankAndPreset, requests::status};
        QTest::newRow("every request answered") << read << "answers"
                                                << "";
        QTest::newRow("no request at all") << QList<QByteArray>() << "nothing"
                                           << "";
        QTest::newRow("the device stays silent") << read << "ticks"
                                                 << "the device did not answer the request \"gb\"";
        QTest::newRow("a revert takes over the queue") << read << "revert"
                                                       << "another operation took over the device";
        QTest::newRow("the port closes") << read << "close"
                                         << "the connection to the device was lost";
    }
    void exchangeEndsOnce()
    {
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QString, event);
        QFETCH(QString, failure);
        Link &link = rig->core.deviceLink();
        QSignalSpy done(&link, &Link::exchangeDone);
        QSignalSpy failed(&link, &Link::exchangeFailed);

        link.runExchange(requests);
        QCOMPARE(rig->a.queue(), requests);
        QCOMPARE(done.size() + failed.size(), 0); // never from inside the call
        if (event == "answers") {
            rig->a.dispatch("gb\r0102\n");
            QCOMPARE(done.size() + failed.size(), 0);
            rig->a.dispatch(statusAnswer);
        } else if (event == "ticks") {
            rig->a.answerReceived() = 0;
            for (int tick = 0; tick < 4; ++tick)
                rig->core.slTimer();
        } else if (event == "revert") {
            rig->core.slEsc();
            rig->a.dispatch("esc\rEND\n");
        } else if (event == "close") {
            rig->a.slPortError();
        }
        settle();
        // Later events of the old exchange change nothing.
        rig->core.slTimer();
        settle();

        QCOMPARE(done.size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(failed.size(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty())
            QCOMPARE(failed.first().first().toString(), failure);
    }

    // The answer to the exchange's impulse read goes to the capture; the copy's
    // clipboard keeps what it held.
    void captureLeavesTheClipboard_data()
    {
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("image");
        QTest::newRow("name and image") << QList<QByteArray>{requests::readImpulse}
                                        << QList<QByteArray>{"cc\rMy Cab\n52494646\n"}
                                        << QByteArray("My Cab") << QByteArray("52494646");
        QTest::newRow("a preset without impulse")
            << QList<QByteArray>{requests::readImpulse} << QList<QByteArray>{"cc\r\n\n"}
            << QByteArray() << QByteArray();
        // The removal's acknowledgement looks like the start of an impulse
        // answer; only the read's own answer counts.
        QTest::newRow("after a removal")
            << QList<QByteArray>{requests::deleteImpulse, requests::readImpulse}
            << QList<QByteArray>{"dcc\rEND\n", "cc\rRoom\n00ff\n"} << QByteArray("Room")
            << QByteArray("00ff");
    }
    void captureLeavesTheClipboard()
    {
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, image);
        rig->a.copyImpulseName() = "Kept";
        rig->a.copyImpulseData() = "abcdef";
        Link &link = rig->core.deviceLink();
        PresetSession &session = rig->core.presetSession();
        QSignalSpy read(&session, &PresetSession::impulseCaptured);
        QSignalSpy done(&link, &Link::exchangeDone);

        link.runExchange(requests);
        session.captureImpulse();
        for (const QByteArray &answer : answers)
            rig->a.dispatch(answer);
        settle();

        QCOMPARE(read.size(), 1);
        QCOMPARE(read.first().at(0).toByteArray(), name);
        QCOMPARE(read.first().at(1).toByteArray(), image);
        QCOMPARE(done.size(), 1);
        QCOMPARE(rig->a.copyImpulseName(), QByteArray("Kept"));
        QCOMPARE(rig->a.copyImpulseData(), QByteArray("abcdef"));
        // Disarmed: a later impulse answer is not taken.
        rig->a.queue() = {requests::readImpulse};
        rig->a.dispatch("cc\rLate\n00\n");
        QCOMPARE(read.size(), 1);
    }

    // What plays on the current preset: a file loaded, replaced by what a
    // paste brings (the copied preset's file before its device impulse).
    void pendingImpulse_data()
    {
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("copiedFile");
        QTest::addColumn<QByteArray>("copiedName");
        QTest::addColumn<QString>("loadedFile");
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("name");
        using S = PendingImpulse::Source;
        QTest::newRow("nothing pending")
            << false << "" << QByteArray() << "" << int(S::Stored) << QByteArray();
        QTest::newRow("a file loaded") << false << "" << QByteArray() << "/x/Load.wav"
                                       << int(S::File) << QByteArray("Load.wav");
        QTest::newRow("a pasted preset's file")
            << true << "/x/Copy.wav" << QByteArray("Dev") << "/x/Load.wav" << int(S::File)
            << QByteArray("Copy.wav");
        QTest::newRow("a pasted device impulse") << true << "" << QByteArray("Dev") << "/x/Load.wav"
                                                 << int(S::Copied) << QByteArray("Dev");
        QTest::newRow("a pasted preset without")
            << true << "" << QByteArray() << "/x/Load.wav" << int(S::None) << QByteArray();
        QTest::newRow("a copy not pasted")
            << false << "/x/Copy.wav" << QByteArray("Dev") << "" << int(S::Stored) << QByteArray();
    }
    void pendingImpulse()
    {
        QFETCH(bool, pasted);
        QFETCH(QString, copiedFile);
        QFETCH(QByteArray, copiedName);
        QFETCH(QString, loadedFile);
        QFETCH(int, source);
        QFETCH(QByteArray, name);
        if (!loadedFile.isEmpty())
            rig->a.loadFile(loadedFile.section('/', -1), loadedFile);
        rig->a.copyStatus() = sampleStatus();
        rig->a.copyImpulsePath() = copiedFile;
        rig->a.copyImpulseFileName() = copiedFile.section('/', -1);
        rig->a.copyImpulseName() = copiedName;
        rig->a.copyImpulseData() = "0011";
        if (pasted)
            rig->core.slPaste();
        const PendingImpulse &pending = rig->core.presetSession().pendingImpulse();
        QCOMPARE(int(pending.source()), source);
        QCOMPARE(pending.name(), name);
    }

    // A preset pasted through the session goes out as the panel's paste sends
    // it, with its name as a store would carry it, and counts as an edit.
    void pasteIsThePanelsPaste()
    {
        rig->a.queue() = {requests::mode}; // dropped: the paste starts afresh
        PresetSession &session = rig->core.presetSession();
        QSignalSpy done(&rig->core.deviceLink(), &Link::exchangeDone);
        const QByteArray image = QByteArray(88, '0') + "112233";

        session.paste(sampleStatus(), "My Cab", image);
        QCOMPARE(rig->a.queue(),
                 (QList<QByteArray>{requests::writeStatus(sampleStatus()), requests::status,
                                    requests::previewImpulse("112233")}));
        QCOMPARE(rig->a.copyImpulseName(), QByteArray("My_Cab"));
        QCOMPARE(rig->a.presetEdit(), uchar(1));
        QVERIFY(rig->a.pendingImpulse().pasted());
        for (const QByteArray &answer :
             {QByteArray("gsEND\n"), statusAnswer, QByteArray("ccEND\n")})
            rig->a.dispatch(answer);
        settle();
        QCOMPARE(done.size(), 1);
    }
};

VORTAXA_TEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
