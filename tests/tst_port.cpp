// Opening, watching and closing the device's port over a real pseudo-terminal:
// the open reports and line settings, re-opening an open port, the device
// vanishing, error notifications, the port timer tick and the destructor.
#include "link/port_choice.h"
#include "support/core_rig.h"
#include "support/debug_log.h"
#include "support/test_main.h"

#include <QPointer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTimer>
#include <memory>

namespace {

// Ptys are never enumerated, so discovery finds nothing unless a real device
// is plugged into the machine running the tests.
bool realDeviceAttached()
{
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        portChoice::PortEntry e;
        e.hasIdentifiers = info.hasVendorIdentifier() && info.hasProductIdentifier();
        e.vendor = info.vendorIdentifier();
        e.product = info.productIdentifier();
        if (portChoice::isDevice(e))
            return true;
    }
    return false;
}

const QStringList closeReport = {"sgPortOpen(false,)", "sgReadText(close_port,)",
                                 "sgReadValue(type_dev,0)"};

enum class Operation { TimerTick, PacingStep, LongCommand, DirectWrite, EditWrite, Burst };

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }

    void openReportsAndAppliesLineSettings()
    {
        Pty pty;
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.readBuffer() = "left over";

        SignalRecorder rec(&core);
        QSignalSpy errors(a.port(), &QSerialPort::errorOccurred);
        QVERIFY(core.openPort(pty.slavePath()));

        QCOMPARE(rec.lines(), QStringList{"sgReadText(open_port," + pty.slavePath() + ")"});
        QSerialPort *port = a.port();
        QVERIFY(port->isOpen());
        QCOMPARE(port->openMode(), QIODevice::ReadWrite);
        QCOMPARE(port->baudRate(QSerialPort::Input), 9600);
        QCOMPARE(port->baudRate(QSerialPort::Output), 9600);
        QCOMPARE(port->dataBits(), QSerialPort::Data8);
        QCOMPARE(port->parity(), QSerialPort::NoParity);
        QCOMPARE(port->stopBits(), QSerialPort::OneStop);
        QCOMPARE(port->flowControl(), QSerialPort::HardwareControl);
        QVERIFY(a.readBuffer().isEmpty());
        QCOMPARE(a.queue().size(), 7);

        // open() announces NoError before the port counts as open; that
        // notification must not be taken for a failure.
        QVERIFY(!errors.isEmpty());
        for (const QList<QVariant> &e : errors)
            QCOMPARE(e.at(0).value<QSerialPort::SerialPortError>(), QSerialPort::NoError);
    }

    void failedOpenReportsClosePort_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");

        QTest::newRow("missing device path") << "/dev/vortaxa-no-such-port"
                                             << "/dev/vortaxa-no-such-port";
        QTest::newRow("device-prefixed location") << R"(\\.\COM12)"
                                                  << "COM12";
        QTest::newRow("plain port name") << "COM3"
                                         << "COM3";
    }
    void failedOpenReportsClosePort()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.queue() = {"gs\r\n"};
        a.commandTotal() = 1;

        SignalRecorder rec(&core);
        QVERIFY(!core.openPort(name));
        // The open error the port raises is not reported as a close: the
        // only report is "close_port" with the name as shown.
        QCOMPARE(rec.lines(), QStringList{"sgReadText(close_port," + shown + ")"});
        QVERIFY(!a.port()->isOpen());
        QCOMPARE(a.queue(), QList<QByteArray>{"gs\r\n"}); // no burst
        QCOMPARE(a.editable(), uchar(0));
    }

    void reopenClosesSilentlyAndRestartsBurst_data()
    {
        QTest::addColumn<bool>("samePort");
        QTest::newRow("same port") << true;
        QTest::newRow("another port") << false;
    }
    void reopenClosesSilentlyAndRestartsBurst()
    {
        QFETCH(bool, samePort);

        Pty first;
        Pty second;
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        QVERIFY(core.openPort(first.slavePath()));
        a.queue() = {"chp 1\r\n", "gb\r\n"};
        a.commandTotal() = 2;
        Pty &target = samePort ? first : second;

        SignalRecorder rec(&core);
        DebugLog log;
        QVERIFY(core.openPort(target.slavePath()));

        QCOMPARE(rec.lines(), QStringList{"sgReadText(open_port," + target.slavePath() + ")"});
        QCOMPARE(log.withLabel("openPort"), QStringList{"openPort 117"});
        QVERIFY(a.port()->isOpen());
        QCOMPARE(a.queue().size(), 7);
        QCOMPARE(a.queue().first(), QByteArray("olkdev\r\n"));

        core.slTimer();
        QCOMPARE(target.read(8), QByteArray("olkdev\r\n"));
        if (!samePort)
            QCOMPARE(first.drainFor(30), QByteArray());
    }

    void vanishedDevice()
    {
        // The Core outlives the pty here: the master is closed by the test.
        auto pty = std::make_unique<Pty>();
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        QVERIFY(core.openPort(pty->slavePath()));
        // Leave a long answer wait and an unanswered head behind.
        a.queue() = {"rns\r\n", "rn\r\n"};
        a.commandTotal() = 2;
        core.slTimer();
        QCOMPARE(pty->read(5), QByteArray("rns\r\n"));
        QCOMPARE(a.portTimer()->interval(), 10000);
        a.answerReceived() = 0;
        const uchar countBefore = a.sendCount();

        SignalRecorder rec(&core);
        QSignalSpy errors(a.port(), &QSerialPort::errorOccurred);
        pty->closeMaster();
        QVERIFY(spinUntil([&] { return !a.port()->isOpen(); }));
        // A vanished port keeps raising read errors while it stays open;
        // closing on the first one ends them. Give a flood time to show.
        spinUntil([] { return false; }, 200);

        QCOMPARE(errors.count(), 1);
        QCOMPARE(rec.lines(), closeReport);
        QVERIFY(!a.port()->isOpen());
        QCOMPARE(a.queue(), QList<QByteArray>({"rns\r\n", "rn\r\n"})); // not touched
        // The search resumes at the discovery pace, not after the answer wait.
        QCOMPARE(a.portTimer()->interval(), 1000);

        // The next tick, however late, looks for the device instead of pacing.
        if (realDeviceAttached())
            QSKIP("a real device is attached: discovery would open it");
        rec.clear();
        DebugLog log;
        a.slPortTimer();
        QCOMPARE(log.withLabel("!OPEN").size(), 1);
        QVERIFY(log.withLabel("send").isEmpty());
        QVERIFY(log.withLabel("sendCount").isEmpty());
        QCOMPARE(a.sendCount(), countBefore);
        QCOMPARE(a.queue().size(), 2);
        QVERIFY(rec.all().isEmpty());
    }

    void errorWhileClosedChangesNothing()
    {
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        SignalRecorder rec(&core);

        a.slPortError();
        emit a.port()->errorOccurred(QSerialPort::ResourceError);
        QVERIFY(rec.all().isEmpty());
        QVERIFY(!a.port()->isOpen());
    }

    // None of the link's own operations on an open port may raise an error
    // notification: any one would close the port. This rules out clearError()
    // and the modem-line calls, which fail on a pty.
    void operationsRaiseNoErrorOnOpenPort_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("port timer tick") << Operation::TimerTick;
        QTest::newRow("pacing step") << Operation::PacingStep;
        QTest::newRow("long command in pieces") << Operation::LongCommand;
        QTest::newRow("direct write") << Operation::DirectWrite;
        QTest::newRow("edit write") << Operation::EditWrite;
        QTest::newRow("start-up burst") << Operation::Burst;
    }
    void operationsRaiseNoErrorOnOpenPort()
    {
        QFETCH(Operation, operation);

        CoreRig rig;
        QVERIFY(rig.open());
        Core &core = rig.core;
        CoreAccess &a = rig.a;
        a.holdReads();
        rig.pty.write("olkdev\r1\nEND\n"); // unread input for the discarding paths
        QVERIFY(spinUntil([&] { return a.port()->bytesAvailable() > 0; }));

        SignalRecorder rec(&core);
        QSignalSpy errors(a.port(), &QSerialPort::errorOccurred);
        int written = 0;
        switch (operation) {
        case Operation::TimerTick:
            a.slPortTimer();
            written = 8;
            break;
        case Operation::PacingStep:
            core.slTimer();
            written = 8;
            break;
        case Operation::LongCommand:
            a.queue() = {QByteArray(1100, 'x')};
            a.commandTotal() = 1;
            core.slTimer();
            written = 1100;
            break;
        case Operation::DirectWrite:
            core.sendRaw("mv 10\r\n");
            written = 7;
            break;
        case Operation::EditWrite:
            core.sendEdit("mv 10\r\n");
            written = 7;
            break;
        case Operation::Burst:
            core.readAll();
            break;
        }
        QByteArray wire = written ? rig.pty.read(written) : QByteArray();
        wire += rig.pty.drainFor(30); // anything beyond what was expected

        QCOMPARE(wire.size(), written);
        QCOMPARE(errors.count(), 0);
        QVERIFY(a.port()->isOpen());
        QCOMPARE(rec.count("sgPortOpen"), 0);
        QVERIFY(!rec.valuesOf("close_port").size());
    }

    void timerTickWhileOpenReappliesBaudAndPaces()
    {
        CoreRig rig;
        QVERIFY(rig.open());
        CoreAccess &a = rig.a;
        QVERIFY(a.port()->setBaudRate(19200));

        DebugLog log;
        a.slPortTimer();
        QCOMPARE(a.port()->baudRate(QSerialPort::Input), 9600);
        QCOMPARE(a.port()->baudRate(QSerialPort::Output), 9600);
        QCOMPARE(rig.pty.read(8), QByteArray("olkdev\r\n"));
        QCOMPARE(a.portTimer()->interval(), 2000);
        QVERIFY(log.withLabel("!OPEN").isEmpty());
    }

    void destructorClosesWithoutSignals_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("port open") << true;
        QTest::newRow("port closed") << false;
    }
    void destructorClosesWithoutSignals()
    {
        QFETCH(bool, open);

        Pty pty;
        auto core = std::make_unique<Core>();
        CoreAccess a{*core};
        a.holdTimer();
        if (open)
            QVERIFY(core->openPort(pty.slavePath()));
        QPointer<QSerialPort> port = a.port();

        SignalRecorder rec(core.get());
        DebugLog log;
        core.reset();
        QVERIFY(port.isNull());
        QCOMPARE(log.withLabel("CLOSEPORT").size(), open ? 1 : 0);
        QVERIFY(rec.all().isEmpty());
    }
};

VORTAXA_TEST_MAIN(TestPort)
#include "tst_port.moc"
