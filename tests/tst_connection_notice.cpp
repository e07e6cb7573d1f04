// What the panel says when the connection ends: a port gone after the device
// was connected through it is an unplugged device ("lost"), a port chosen
// anew starts without that history ("failed"); the unsaved changes an
// unplugged device took with it are named until the next connection.
#include "editing/preset_session.h"
#include "ports/port_chooser.h"
#include "state/connection_notice.h"
#include "state/device_state.h"
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QSignalSpy>

class TestConnectionNotice : public QObject {
    Q_OBJECT

private slots:
    void unplugged_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("known"); // what the device said before it went
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("named");
        QTest::newRow("edits at 3-5, unplugged") << true << "all"
                                                 << "lose"
                                                 << "lost"
                                                 << "Preset 3-5";
        QTest::newRow("edits before the device said what it is") << true << "nothing"
                                                                 << "lose"
                                                                 << "lost"
                                                                 << "the preset";
        QTest::newRow("edits before it said where it is") << true << "type"
                                                          << "lose"
                                                          << "lost"
                                                          << "the preset";
        QTest::newRow("nothing edited, unplugged") << false << "all"
                                                   << "lose"
                                                   << "lost"
                                                   << "";
        QTest::newRow("unplugged, still gone when tried again") << true << "all"
                                                                << "lose, retry"
                                                                << "lost"
                                                                << "Preset 3-5";
        QTest::newRow("edits, another port refused") << true << "all"
                                                     << "retry"
                                                     << "lost"
                                                     << "";
        QTest::newRow("edits, a missing port chosen") << true << "all"
                                                      << "choose"
                                                      << "failed"
                                                      << "";
    }
    void unplugged()
    {
        QFETCH(bool, edited);
        QFETCH(QString, known);
        QFETCH(QString, ending);
        QFETCH(QString, state);
        QFETCH(QString, named);
        CoreRig rig;
        rig.core.settingsStore().remove(QStringLiteral("PortPath"));
        PortChooser ports(rig.link, rig.core.settingsStore(), QString());
        DeviceState device(rig.link, rig.session, rig.readout);
        device.setNeighbours(nullptr, nullptr, &ports);
        ConnectionNotice &notice = *device.connectionNotice();
        QSignalSpy changed(&notice, &ConnectionNotice::lostChangesChanged);
        rig.device.model().select(3 * 10 + 5);
        if (known == "all") {
            QVERIFY(rig.openIdle());
        } else {
            // The identification, or the place, never comes back.
            const QByteArray lost = known == "nothing" ? "olkdev" : "gb";
            rig.device.script(known == "nothing" ? "x" : "aaaax");
            QVERIFY(rig.open());
            QVERIFY(rig.waitFor([&] { return rig.device.count(lost) == 1; }));
        }
        if (edited)
            rig.core.setValue(QStringLiteral("master_volume"), 30);
        QCOMPARE(notice.state(), QStringLiteral("open"));

        OpenFailure missing;
        missing.kind = OpenFailure::Kind::NotFound;
        rig.device.refuseOpen(missing);
        if (ending.startsWith("lose"))
            rig.losePort();
        if (ending.endsWith("retry"))
            QVERIFY(!rig.core.openPort("/dev/in-process-missing"));
        if (ending == "choose")
            notice.choosePort("/dev/in-process-missing");
        QCOMPARE(notice.state(), state);
        QCOMPARE(notice.lostChanges(), named);
        QCOMPARE(changed.size(), named.isEmpty() ? 0 : 1);

        // back again: nothing lost to tell
        rig.device.refuseOpen(OpenFailure());
        ports.choose(QString());
        QVERIFY(rig.open());
        QCOMPARE(notice.state(), QStringLiteral("open"));
        QVERIFY(notice.lostChanges().isEmpty());
    }
};

VORTAXA_TEST_MAIN(TestConnectionNotice)
#include "tst_connection_notice.moc"
