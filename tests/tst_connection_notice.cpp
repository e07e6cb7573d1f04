// What the panel says about the connection: an open refused because the port
// is gone means an unplugged device only when it was connected through that
// port before; a port chosen anew starts without that history. The unsaved
// changes an unplugged device took with it are named until the next
// connection, and only for an unplug.
#include "editing/preset_session.h"
#include "link/link.h"
#include "ports/port_chooser.h"
#include "state/connection_notice.h"
#include "state/device_state.h"
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QSignalSpy>

// The device state with the port chooser, as the panel has them.
struct NoticePanel {
    PortChooser ports;
    DeviceState device;
    ConnectionNotice &notice;

    explicit NoticePanel(CoreRig &rig)
        : ports(rig.core.deviceLink(), rig.a.settings(), QString()),
          device(rig.core.deviceLink(), rig.core.presetSession(), rig.core.deviceReadout()),
          notice(*device.connectionNotice())
    {
        device.setNeighbours(nullptr, nullptr, &ports);
    }
};

class TestConnectionNotice : public CoreRigTest {
    Q_OBJECT

protected:
    bool setUp() override
    {
        // No port chosen by an earlier test function: discovery, not a retry timer.
        rig->a.settings().remove(QStringLiteral("PortPath"));
        return true; // each test opens the port itself
    }

    QString missingPort() const { return rig->pty.slavePath() + QStringLiteral("-missing"); }

private slots:
    void state_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("state");
        QTest::newRow("nothing yet: searching") << QStringList() << "searching";
        QTest::newRow("connected") << QStringList{"open"} << "open";
        QTest::newRow("unplugged") << QStringList{"open", "lose"} << "lost";
        QTest::newRow("unplugged, still gone when tried again")
            << QStringList{"open", "lose", "retry missing"} << "lost";
        QTest::newRow("never connected, the port is gone")
            << QStringList{"retry missing"} << "failed";
        QTest::newRow("connected, then a missing port chosen")
            << QStringList{"open", "choose missing"} << "failed";
        QTest::newRow("unplugged, then a missing port chosen")
            << QStringList{"open", "lose", "choose missing"} << "failed";
        QTest::newRow("unplugged and back") << QStringList{"open", "lose", "open"} << "open";
    }
    void state()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, state);
        NoticePanel panel(*rig);
        for (const QString &step : steps) {
            if (step == "open")
                QVERIFY(rig->open());
            else if (step == "lose")
                rig->a.slPortError();
            else if (step == "retry missing")
                QVERIFY(!rig->core.openPort(missingPort()));
            else if (step == "choose missing")
                panel.notice.choosePort(missingPort());
        }
        QCOMPARE(panel.notice.state(), state);
    }

    // The unsaved changes that went with an unplugged device, named in the
    // notice: the preset's long form once the device said what it is and
    // where; else "the preset". Nothing for a clean preset or a refused
    // open, and nothing once the device is back.
    void lostChanges_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("identified");
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("named");
        QTest::newRow("edits at 3-5, unplugged") << true << true << true << "lose"
                                                 << "Preset 3-5";
        QTest::newRow("edits before the device said what it is") << true << false << true << "lose"
                                                                 << "the preset";
        QTest::newRow("edits before it said where it is") << true << true << false << "lose"
                                                          << "the preset";
        QTest::newRow("nothing edited, unplugged") << false << true << true << "lose"
                                                   << "";
        QTest::newRow("edits, another port refused") << true << true << true << "refused"
                                                     << "";
    }
    void lostChanges()
    {
        QFETCH(bool, edited);
        QFETCH(bool, identified);
        QFETCH(bool, placed);
        QFETCH(QString, ending);
        QFETCH(QString, named);
        QVERIFY(rig->openIdle());
        NoticePanel panel(*rig);
        QSignalSpy changed(&panel.notice, &ConnectionNotice::lostChangesChanged);
        if (identified)
            rig->a.dispatch("olkdev\r1\nEND\n");
        if (placed)
            rig->a.dispatch("gb\r0305\n");
        if (edited)
            rig->core.setValue(QStringLiteral("master_volume"), 30);
        QCOMPARE(rig->core.presetSession().edited(), edited);

        if (ending == "lose")
            rig->a.slPortError();
        else
            QVERIFY(!rig->core.openPort(missingPort()));
        QCOMPARE(panel.notice.lostChanges(), named);
        QCOMPARE(changed.size(), named.isEmpty() ? 0 : 1);
        if (ending == "lose")
            QCOMPARE(panel.notice.state(), QStringLiteral("lost"));

        // back again: a fresh start, nothing lost to tell
        QVERIFY(rig->open());
        QVERIFY(panel.notice.lostChanges().isEmpty());
        QCOMPARE(panel.notice.state(), QStringLiteral("open"));
    }
};

VORTAXA_TEST_MAIN(TestConnectionNotice)
#include "tst_connection_notice.moc"
