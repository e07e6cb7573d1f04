// The panel's device state as the parts report it: the connection, the save
// from its start to the device's answer (never "not edited" before
// "saving"), the copy's outcome, the one progress the panel shows, what the
// busy state is for, and whether compare shows the stored preset.
#include "browser/impulses.h"
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "impulse/wav_image.h"
#include "library/librarian.h"
#include "link/link.h"
#include "parsing/device_readout.h"
#include "state/device_state.h"
#include "support/core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QSignalSpy>
#include <QTemporaryDir>

class TestDeviceState : public CoreRigTest {
    Q_OBJECT

protected:
    bool setUp() override { return true; } // each test opens the port itself

    std::unique_ptr<DeviceState> makeState(Librarian *library = nullptr)
    {
        return std::make_unique<DeviceState>(rig->core.deviceLink(), rig->core.presetSession(),
                                             rig->core.deviceReadout(), library);
    }

    // The share of the batch the link reported with its last send.
    qreal lastShare() const { return rig->linkRec.of("headSent").last().at(0).toReal(); }

private slots:
    void connection_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("reportedAs"); // the text Core publishes with it
        QTest::newRow("nothing yet: searching") << "none"
                                                << "searching"
                                                << "";
        QTest::newRow("port opened") << "open"
                                     << "open"
                                     << "open_port";
        QTest::newRow("port refused") << "refused"
                                      << "failed"
                                      << "close_port";
        QTest::newRow("open port lost") << "lost"
                                        << "lost"
                                        << "open_port";
        QTest::newRow("lost, then back") << "lost then open"
                                         << "open"
                                         << "open_port";
    }
    void connection()
    {
        QFETCH(QString, how);
        QFETCH(QString, state);
        QFETCH(QString, reportedAs);
        auto device = makeState();
        QSignalSpy changed(device.get(), &DeviceState::connectionChanged);
        if (how == "refused") {
            OpenFailure missing;
            missing.kind = OpenFailure::Kind::NotFound;
            rig->device.refuseOpen(missing);
            QVERIFY(!rig->core.openPort("/dev/in-process-missing"));
        }
        if (how != "none" && how != "refused")
            QVERIFY(rig->open());
        if (how.startsWith("lost"))
            rig->losePort();
        if (how == "lost then open")
            QVERIFY(rig->open());
        QCOMPARE(device->connection(), state);
        QCOMPARE(changed.isEmpty(), how == "none");
        if (!reportedAs.isEmpty())
            QCOMPARE(device->portName(), rig->rec.valuesOf(reportedAs).last().toString());
        // A state made while the port is open starts from it.
        if (state == "open")
            QCOMPARE(makeState()->connection(), QStringLiteral("open"));
    }

    // A save: "saving" from its start until the store's answer or a failure,
    // announced before the preset stops counting as edited, so that no view
    // shows "Saved" while the save still runs.
    void save_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("stored");
        QTest::newRow("the device stores the preset") << "answer" << true;
        QTest::newRow("the device never answers the store") << "give up" << false;
        QTest::newRow("the port is lost during the save") << "port lost" << false;
        QTest::newRow("a revert drops the store request") << "revert" << false;
    }
    void save()
    {
        QFETCH(QString, ending);
        QFETCH(bool, stored);
        QVERIFY(rig->openIdle());
        auto device = makeState();
        PresetSession &session = rig->core.presetSession();
        rig->core.setValue(QStringLiteral("master_volume"), 30);
        QVERIFY(session.edited());
        QVERIFY(rig->waitIdle());
        if (ending == "give up")
            rig->device.script("xxx");

        QStringList order;
        connect(device.get(), &DeviceState::savingChanged, this,
                [&] { order << QStringLiteral("saving %1").arg(device->saving()); });
        connect(&session, &PresetSession::editedChanged, this,
                [&](bool on) { order << QStringLiteral("edited %1").arg(on); });
        QSignalSpy ended(device.get(), &DeviceState::saveEnded);

        session.save();
        QVERIFY(device->saving());
        QCOMPARE(order.value(0), QStringLiteral("saving 1"));
        QCOMPARE(order.value(1), QStringLiteral("edited 0"));
        QCOMPARE(rig->link.head(), QByteArray("sp\r\n"));
        QVERIFY(ended.isEmpty());

        if (ending == "port lost")
            rig->losePort();
        else if (ending == "revert")
            rig->core.slEsc();
        QVERIFY(rig->waitFor([&] { return !ended.isEmpty(); }));
        QVERIFY(!device->saving());
        QCOMPARE(device->saving(), session.saving());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), stored);
        QVERIFY(order.contains(QStringLiteral("saving 0")));
        // a save given up on keeps the changes
        if (ending == "give up")
            QVERIFY(session.edited());
    }

    // Copy: confirmed with the preset's place once both answers came; cut
    // short, it says why and leaves nothing to paste.
    void copy_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("text");
        QTest::newRow("both answers came") << true << "Preset 2-5 copied";
        QTest::newRow("a revert took the queue") << false << "The copy did not finish: copy again";
    }
    void copy()
    {
        QFETCH(bool, answered);
        QFETCH(QString, text);
        rig->device.model().select(2 * 10 + 5);
        QVERIFY(rig->openIdle());
        auto device = makeState();
        QCOMPARE(rig->core.deviceReadout().bank(), 2);
        QSignalSpy ended(device.get(), &DeviceState::copyEnded);
        QSignalSpy copyChanged(device.get(), &DeviceState::hasCopyChanged);

        rig->core.slCopy();
        if (!answered)
            rig->core.slEsc();
        QVERIFY(rig->waitFor([&] { return !ended.isEmpty(); }));
        QVERIFY(rig->waitIdle());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), answered);
        QCOMPARE(ended.at(0).at(1).toString(), text);
        QCOMPARE(device->hasCopy(), answered);
        QCOMPARE(copyChanged.size(), answered ? 1 : 0);
    }

    // One progress for the whole window: the librarian's while it works,
    // even when the link reports another share of its own exchange.
    void progress_data()
    {
        QTest::addColumn<bool>("libraryWorks");
        QTest::newRow("the link alone") << false;
        QTest::newRow("while the librarian walks") << true;
    }
    void progress()
    {
        QFETCH(bool, libraryWorks);
        QVERIFY(rig->openIdle());
        QTemporaryDir folder;
        Librarian library(rig->link, rig->session, rig->readout, rig->core.settingsStore());
        auto device = makeState(&library);
        rig->device.setDelay(10);
        if (libraryWorks) {
            library.backup(folder.filePath(QStringLiteral("backup.json")));
            QVERIFY(library.busy());
            QVERIFY(device->libraryBusy());
        } else {
            rig->link.send("gb\r\n");
            rig->link.send("gs\r\n");
            rig->link.send("gm\r\n");
            rig->link.startSending();
        }
        // The link has reported a share of its own batch.
        QVERIFY(rig->waitFor([&] { return rig->linkRec.count("headSent") >= 2; }));
        QVERIFY(device->busy());
        if (libraryWorks) {
            QCOMPARE(device->progress(), library.progress());
            QCOMPARE(device->step(), library.step());
            QVERIFY(!device->step().isEmpty());
            QSignalSpy changed(device.get(), &DeviceState::progressChanged);
            // the walk ends with the device gone: the link's share shows again
            rig->losePort();
            QTRY_VERIFY(!library.busy());
            QVERIFY(!changed.isEmpty());
            QCOMPARE(device->progress(), lastShare());
            return;
        }
        QCOMPARE(device->progress(), lastShare());
        QCOMPARE(lastShare(), qreal(1 / 3.0f)); // the second of three sent
        QVERIFY(device->step().isEmpty());
        QVERIFY(rig->waitIdle());
        QVERIFY(!device->busy());
    }
    // The busy state says "impulse" while a file chosen in the panel goes
    // out, and only for that spell: it ends when the link is idle or the
    // port is lost, and a file that cannot be used sends nothing.
    void task_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("during");
        QTest::newRow("an impulse file goes out") << "usable"
                                                  << "idle"
                                                  << "impulse";
        QTest::newRow("an impulse file, the port lost") << "usable"
                                                        << "port lost"
                                                        << "impulse";
        QTest::newRow("a file that cannot be used") << "not audio"
                                                    << "idle"
                                                    << "";
        QTest::newRow("plain work") << ""
                                    << "idle"
                                    << "";
    }
    void task()
    {
        QFETCH(QString, file);
        QFETCH(QString, ending);
        QFETCH(QString, during);
        QVERIFY(rig->openIdle());
        ScratchDir scratch;
        Impulses impulses(rig->link, rig->session, rig->core.settingsStore());
        auto device = makeState();
        device->setNeighbours(&impulses, nullptr, nullptr);
        const QString path = scratch.filePath(QStringLiteral("cab.wav"));
        WavShape shape;
        shape.data = patternSamples(300, 1, 3);
        QVERIFY(writeFile(path, file == "usable" ? wavFile(shape) : QByteArray("not audio")));

        if (!file.isEmpty())
            QCOMPARE(impulses.load(path), file == "usable");
        if (file != "usable") { // plain work keeps the link busy
            rig->core.send("gs\r\n");
            rig->link.startSending();
        }
        QVERIFY(device->busy());
        QCOMPARE(device->task(), during);

        if (ending == "idle")
            QVERIFY(rig->waitIdle());
        else
            rig->losePort();
        QVERIFY(device->task().isEmpty());
        // the next busy spell is another's, also when the device then names
        // another impulse than the file's (a move's read-back)
        rig->device.model().storeImpulse({"Other Cab", wav::deviceImage(QByteArray(3, 0))});
        if (ending != "idle")
            QVERIFY(rig->open());
        rig->core.send("rn\r\n");
        rig->link.startSending();
        QVERIFY(device->busy());
        QVERIFY(device->task().isEmpty());
        QVERIFY(rig->waitIdle());
        QVERIFY(!impulses.hasCurrent());
        QVERIFY(device->task().isEmpty());
    }
    // Compare shows the stored preset once the device read it back, and
    // ends with a revert at once, with the next read while editing, or with
    // the connection.
    void comparing_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("comparing");
        QTest::newRow("the stored preset read back") << "" << true;
        QTest::newRow("back to edit, read back") << "compare" << false;
        QTest::newRow("a revert") << "revert" << false;
        QTest::newRow("the port lost") << "lose" << false;
        QTest::newRow("a preset step") << "step" << false;
        QTest::newRow("the device read afresh") << "read" << false;
    }
    void comparing()
    {
        QFETCH(QString, then);
        QFETCH(bool, comparing);
        QVERIFY(rig->openIdle());
        auto device = makeState();
        rig->core.slCompare();
        QVERIFY2(!device->comparing(), "not before the stored preset is read back");
        QVERIFY(rig->waitIdle());
        QVERIFY(device->comparing());
        if (then == "compare") {
            rig->core.slCompare();
            QVERIFY(rig->waitIdle());
        } else if (then == "revert") {
            rig->core.slEsc();
            QCoreApplication::processEvents(); // the revert has run to its end
        } else if (then == "lose") {
            rig->losePort();
        } else if (then == "step") {
            rig->session.stepNow(steps::PresetUp);
        } else if (then == "read") {
            rig->core.readAll();
        }
        QCOMPARE(device->comparing(), comparing);
    }
};

VORTAXA_TEST_MAIN(TestDeviceState)
#include "tst_device_state.moc"
