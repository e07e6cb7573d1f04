// The link's exchanges and the session's captures, on the in-process device:
// an exchange ends exactly once, as done or with why not; a captured impulse
// answer reaches the session's listeners and leaves the copy alone; the
// pending impulse is read as a save would choose it; a paste through the
// session is the panel's paste and reaches the device's edit buffer.
#include "device/protocol.h"
#include "editing/preset_session.h"
#include "link/requests.h"
#include "support/link_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// Lets the exchange's queued outcome arrive.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The first preset of the device whose slot holds an impulse, or none.
int presetWith(const vdev::DeviceModel &model, bool impulse)
{
    for (int i = 0; i < model.slotCount(); ++i)
        if (model.stored(i).impulse.isEmpty() != impulse)
            return i;
    return -1;
}

// Moves the session to `preset` and waits for the move's reads.
bool moveTo(LinkRig &r, int preset)
{
    r.parts.session().selectPreset(preset);
    return r.waitIdle() && r.device.model().current() == preset;
}

// A usable impulse file in `dir`.
QString impulseFile(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    return writeFile(path, wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)}))
               ? path
               : QString();
}

} // namespace

class TestExchanges : public QObject {
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
        QTest::newRow("the device stays silent") << read << "silence"
                                                 << "the device did not answer the request \"gb\"";
        QTest::newRow("a revert takes over the queue") << read << "revert"
                                                       << "another operation took over the device";
        QTest::newRow("the device vanishes") << read << "vanish"
                                             << "the connection to the device was lost";
    }
    void exchangeEndsOnce()
    {
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QString, event);
        QFETCH(QString, failure);
        LinkRig r;
        QVERIFY(r.openIdle());
        if (event == "silence")
            r.device.script("xxx");
        QSignalSpy done(&r.link, &Link::exchangeDone);
        QSignalSpy failed(&r.link, &Link::exchangeFailed);

        r.link.runExchange(requests);
        QCOMPARE(r.link.queued(), requests);
        QCOMPARE(done.size() + failed.size(), 0); // never from inside the call
        if (event == "revert")
            r.parts.session().revert();
        else if (event == "vanish")
            r.device.vanish();
        QVERIFY(LinkRig::waitFor([&] { return done.size() + failed.size() > 0; }));
        // Later events of the old exchange change nothing.
        r.link.pacingStep();
        if (r.link.isOpen())
            QVERIFY(r.waitIdle());
        settle();

        QCOMPARE(done.size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(failed.size(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty())
            QCOMPARE(failed.first().first().toString(), failure);
        if (event == "answers")
            QCOMPARE(r.device.requests(), firstLines(requests));
    }

    // The answer to the exchange's impulse read goes to the capture, once;
    // the copy taken before keeps what it held, as its paste shows.
    void captureLeavesTheCopy_data()
    {
        QTest::addColumn<bool>("impulse"); // the preset read holds an impulse
        QTest::addColumn<bool>("removeFirst");
        QTest::newRow("name and image") << true << false;
        QTest::newRow("a preset without impulse") << false << false;
        // The removal's acknowledgement looks like the start of an impulse
        // answer; only the read's own answer counts.
        QTest::newRow("after a removal") << true << true;
    }
    void captureLeavesTheCopy()
    {
        QFETCH(bool, impulse);
        QFETCH(bool, removeFirst);
        LinkRig r;
        QVERIFY(r.openIdle());
        const vdev::DeviceModel &model = r.device.model();
        PresetSession &session = r.parts.session();
        // A copy of a preset with an impulse, then the preset to read.
        const int copied = presetWith(model, true);
        QVERIFY(moveTo(r, copied));
        session.copy();
        QVERIFY(r.waitIdle());
        QVERIFY(session.hasCopy());
        int read = presetWith(model, impulse);
        if (read == copied)
            read = presetWith(model, true) + 1;
        QVERIFY(moveTo(r, read));
        const vdev::Impulse stored = model.stored(read).impulse;
        QSignalSpy captured(&session, &PresetSession::impulseCaptured);
        QSignalSpy done(&r.link, &Link::exchangeDone);

        const QList<QByteArray> exchange =
            removeFirst ? QList<QByteArray>{requests::deleteImpulse, requests::readImpulse}
                        : QList<QByteArray>{requests::readImpulse};
        r.link.runExchange(exchange);
        session.captureImpulse();
        QVERIFY(LinkRig::waitFor([&] { return done.size() == 1; }));

        QCOMPARE(captured.size(), 1);
        const bool empty = removeFirst || stored.isEmpty();
        QCOMPARE(captured.first().at(0).toByteArray(), empty ? QByteArray() : stored.name);
        QCOMPARE(captured.first().at(1).toByteArray().toLower(),
                 empty ? QByteArray() : vdev::toHex(stored.wav));
        // Disarmed: a later impulse answer is not taken.
        r.rec.clear();
        r.link.send(requests::readImpulse);
        r.link.startSending();
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("received") > 0; }));
        QCOMPARE(captured.size(), 1);
        // The copy still holds its own impulse: a paste plays it.
        r.link.drain();
        session.pasteCopy();
        QVERIFY(r.waitIdle());
        const QByteArray samples = model.stored(copied).impulse.wav.mid(vdev::kWavHeaderBytes);
        QCOMPARE(r.device.model().previewSamples(), samples.left(vdev::kPreviewHexMax / 2));
    }

    // What plays on the current preset: a file loaded, replaced by what a
    // paste brings (the copied preset's file before its device impulse).
    void pendingImpulse_data()
    {
        QTest::addColumn<QString>("copiedFrom"); // "file", "impulse", "none"; "": no copy
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<bool>("loaded"); // Load.wav on the current preset
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("name"); // "<device>": the copied preset's impulse
        using S = PendingImpulse::Source;
        QTest::newRow("nothing pending") << "" << false << false << int(S::Stored) << QByteArray();
        QTest::newRow("a file loaded")
            << "" << false << true << int(S::File) << QByteArray("Load.wav");
        QTest::newRow("a pasted preset's file")
            << "file" << true << true << int(S::File) << QByteArray("Copy.wav");
        QTest::newRow("a pasted device impulse")
            << "impulse" << true << true << int(S::Copied) << QByteArray("<device>");
        QTest::newRow("a pasted preset without")
            << "none" << true << true << int(S::None) << QByteArray();
        QTest::newRow("a copy not pasted")
            << "file" << false << false << int(S::Stored) << QByteArray();
    }
    void pendingImpulse()
    {
        QFETCH(QString, copiedFrom);
        QFETCH(bool, pasted);
        QFETCH(bool, loaded);
        QFETCH(int, source);
        QFETCH(QByteArray, name);
        LinkRig r;
        QVERIFY(r.openIdle());
        const vdev::DeviceModel &model = r.device.model();
        PresetSession &session = r.parts.session();
        QTemporaryDir dir;
        const int withImpulse = presetWith(model, true);
        if (!copiedFrom.isEmpty()) {
            QVERIFY(moveTo(r, copiedFrom == "none" ? presetWith(model, false) : withImpulse));
            if (copiedFrom == "file")
                QVERIFY(session.loadImpulse(impulseFile(dir, "Copy.wav")));
            session.copy();
            QVERIFY(r.waitIdle());
            QVERIFY(session.hasCopy());
            if (copiedFrom == "file")
                session.revertImpulse();
        }
        const int current = withImpulse + 1;
        QVERIFY(moveTo(r, current));
        if (loaded)
            QVERIFY(session.loadImpulse(impulseFile(dir, "Load.wav")));
        if (pasted)
            session.pasteCopy();
        const PendingImpulse &pending = session.pendingImpulse();
        QCOMPARE(int(pending.source()), source);
        // A device impulse is named as a store would carry it.
        const QByteArray device = model.stored(withImpulse).impulse.name;
        QCOMPARE(pending.name(), name == "<device>" ? QByteArray(device).replace(' ', '_') : name);
    }

    // A preset pasted through the session goes out as the panel's paste
    // sends it and counts as an edit; the device plays it, and a save stores
    // it with its name as a store carries it.
    void pasteIsThePanelsPaste()
    {
        LinkRig r;
        QVERIFY(r.openIdle());
        PresetSession &session = r.parts.session();
        r.link.send(requests::mode); // dropped: the paste starts afresh
        QSignalSpy done(&r.link, &Link::exchangeDone);
        QByteArray status;
        for (int i = 0; i < vdev::kStatusBytes; ++i)
            status.append(char(r.device.model().liveStatus().at(i) ^ (i == 0 ? 1 : 0)));
        const QByteArray statusText = vdev::toHex(status);
        const QByteArray samples = "112233";
        const QByteArray image = vdev::toHex(vdev::wavImage(QByteArray::fromHex(samples)));

        session.paste(statusText, "My Cab", image);
        QCOMPARE(r.link.queued(),
                 (QList<QByteArray>{requests::writeStatus(statusText), requests::status,
                                    requests::previewImpulse(samples)}));
        QVERIFY(session.edited());
        QVERIFY(session.pendingImpulse().pasted());
        QVERIFY(LinkRig::waitFor([&] { return done.size() == 1; }));
        QCOMPARE(r.device.model().liveStatus(), status);
        QCOMPARE(r.device.model().previewSamples(), QByteArray::fromHex(samples));

        session.save();
        QVERIFY(r.waitIdle());
        QCOMPARE(r.device.model().storedCurrent().impulse.name, QByteArray("My_Cab"));
        QCOMPARE(r.device.model().storedCurrent().status, status);
    }
};

VORTAXA_TEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
