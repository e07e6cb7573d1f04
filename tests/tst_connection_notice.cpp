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

class TestConnectionNotice : public CoreRigTest {
    Q_OBJECT

private slots:
    void unplugged_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QByteArray>("answers"); // what the device said before
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("named");
        const QByteArray placed = "olkdev\r1\nEND\ngb\r0305\n";
        QTest::newRow("edits at 3-5, unplugged") << true << placed << "lose"
                                                 << "lost"
                                                 << "Preset 3-5";
        QTest::newRow("edits before the device said what it is")
            << true << QByteArray("gb\r0305\n") << "lose"
            << "lost"
            << "the preset";
        QTest::newRow("edits before it said where it is")
            << true << QByteArray("olkdev\r1\nEND\n") << "lose"
            << "lost"
            << "the preset";
        QTest::newRow("nothing edited, unplugged") << false << placed << "lose"
                                                   << "lost"
                                                   << "";
        QTest::newRow("unplugged, still gone when tried again") << true << placed << "lose, retry"
                                                                << "lost"
                                                                << "Preset 3-5";
        QTest::newRow("edits, another port refused") << true << placed << "retry"
                                                     << "lost"
                                                     << "";
        QTest::newRow("edits, a missing port chosen") << true << placed << "choose"
                                                      << "failed"
                                                      << "";
    }
    void unplugged()
    {
        QFETCH(bool, edited);
        QFETCH(QByteArray, answers);
        QFETCH(QString, ending);
        QFETCH(QString, state);
        QFETCH(QString, named);
        rig->a.settings().remove(QStringLiteral("PortPath"));
        PortChooser ports(rig->core.deviceLink(), rig->a.settings(), QString());
        DeviceState device(rig->core.deviceLink(), rig->core.presetSession(),
                           rig->core.deviceReadout());
        device.setNeighbours(nullptr, nullptr, &ports);
        ConnectionNotice &notice = *device.connectionNotice();
        QSignalSpy changed(&notice, &ConnectionNotice::lostChangesChanged);
        rig->a.dispatch(answers);
        if (edited)
            rig->core.setValue(QStringLiteral("master_volume"), 30);
        QCOMPARE(notice.state(), QStringLiteral("open"));

        const QString missing = rig->pty.slavePath() + QStringLiteral("-missing");
        if (ending.startsWith("lose"))
            rig->a.slPortError();
        if (ending.endsWith("retry"))
            QVERIFY(!rig->core.openPort(missing));
        if (ending == "choose")
            notice.choosePort(missing);
        QCOMPARE(notice.state(), state);
        QCOMPARE(notice.lostChanges(), named);
        QCOMPARE(changed.size(), named.isEmpty() ? 0 : 1);

        // back again: nothing lost to tell
        ports.choose(QString());
        QVERIFY(rig->open());
        QCOMPARE(notice.state(), QStringLiteral("open"));
        QVERIFY(notice.lostChanges().isEmpty());
    }
};

VORTAXA_TEST_MAIN(TestConnectionNotice)
#include "tst_connection_notice.moc"
