// Opening, watching and closing the device's serial port over a real
// pseudo-terminal, through the link's face and its SerialTransport: the open
// reports and line settings, re-opening an open port, the device vanishing,
// error notifications, the port timer tick and the destructor. What only a
// real tty shows is checked here; the queue's behaviour is checked on the
// in-process device (tst_command_queue).
#include "link/port_choice.h"
#include "link/serial_transport.h"
#include "support/core_rig.h"
#include "support/debug_log.h"
#include "support/pty.h"
#include "support/test_main.h"

#include <QPointer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalSpy>
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

// A link on the serial port, with the port it drives at hand.
struct SerialLink {
    SerialTransport *transport = new SerialTransport;
    std::unique_ptr<Link> link = std::make_unique<Link>(transport);
    QSerialPort &port() { return transport->serialPort(); }
};

enum class Operation { TimerTick, PacingStep, LongCommand, DirectWrite, Drain };

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }

    void openReportsAndAppliesLineSettings()
    {
        Pty pty;
        SerialLink s;
        SignalRecorder rec(s.link.get());
        QSignalSpy errors(&s.port(), &QSerialPort::errorOccurred);
        QVERIFY(s.link->openPort(pty.slavePath()));

        QCOMPARE(rec.lines(), QStringList{"opened(" + pty.slavePath() + ")"});
        QSerialPort &port = s.port();
        QVERIFY(port.isOpen());
        QCOMPARE(port.openMode(), QIODevice::ReadWrite);
        QCOMPARE(port.baudRate(QSerialPort::Input), 9600);
        QCOMPARE(port.baudRate(QSerialPort::Output), 9600);
        QCOMPARE(port.dataBits(), QSerialPort::Data8);
        QCOMPARE(port.parity(), QSerialPort::NoParity);
        QCOMPARE(port.stopBits(), QSerialPort::OneStop);
        QCOMPARE(port.flowControl(), QSerialPort::HardwareControl);
        QCOMPARE(s.link->openFailure().kind, OpenFailure::Kind::None);

        // open() announces NoError before the port counts as open; that
        // notification must not be taken for a failure.
        QVERIFY(!errors.isEmpty());
        for (const QList<QVariant> &e : errors)
            QCOMPARE(e.at(0).value<QSerialPort::SerialPortError>(), QSerialPort::NoError);
    }

    void failedOpenIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("path"); // as messages name it

        QTest::newRow("missing device path") << "/dev/vortaxa-no-such-port"
                                             << "/dev/vortaxa-no-such-port"
                                             << "/dev/vortaxa-no-such-port";
        QTest::newRow("device-prefixed location") << R"(\\.\COM12)"
                                                  << "COM12"
                                                  << R"(/dev/\\.\COM12)";
        QTest::newRow("plain port name") << "COM3"
                                         << "COM3"
                                         << "/dev/COM3";
    }
    void failedOpenIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QFETCH(QString, path);

        SerialLink s;
        s.link->send("gs\r\n");
        SignalRecorder rec(s.link.get());
        QVERIFY(!s.link->openPort(name));
        // The open error the port raises is not reported as a close: the
        // only report is the refusal with the name as shown.
        QCOMPARE(rec.lines(), QStringList{"openRefused(" + shown + ")"});
        QVERIFY(!s.link->isOpen());
        QCOMPARE(s.link->queued(), QList<QByteArray>{"gs\r\n"});
        const OpenFailure failure = s.link->openFailure();
        QCOMPARE(failure.kind, OpenFailure::Kind::NotFound);
        QCOMPARE(failure.port, path);
        QVERIFY(!failure.systemMessage.isEmpty());
    }

    void reopenClosesSilently_data()
    {
        QTest::addColumn<bool>("samePort");
        QTest::newRow("same port") << true;
        QTest::newRow("another port") << false;
    }
    void reopenClosesSilently()
    {
        QFETCH(bool, samePort);

        Pty first;
        Pty second;
        SerialLink s;
        QVERIFY(s.link->openPort(first.slavePath()));
        Pty &target = samePort ? first : second;

        SignalRecorder rec(s.link.get());
        DebugLog log;
        QVERIFY(s.link->openPort(target.slavePath()));

        // The old port closes without a close report (closedAfterError).
        QCOMPARE(rec.lines(), QStringList({"closing()", "opened(" + target.slavePath() + ")"}));
        QCOMPARE(log.withLabel("openPort"), QStringList{"openPort 117"});
        QVERIFY(s.link->isOpen());

        s.link->send("olkdev\r\n");
        s.link->pacingStep();
        QCOMPARE(target.read(8), QByteArray("olkdev\r\n"));
        if (!samePort)
            QCOMPARE(first.drainFor(30), QByteArray());
    }

    // A vanished pty floods read errors while the port stays open: the link
    // closes on the first, once, and says so; the queue is left alone, and
    // the search resumes at the discovery pace.
    void vanishedDevice()
    {
        auto pty = std::make_unique<Pty>();
        SerialLink s;
        QVERIFY(s.link->openPort(pty->slavePath()));
        // Leave a long answer wait and an unanswered head behind.
        s.link->send("rns\r\n");
        s.link->send("rn\r\n");
        s.link->pacingStep();
        QCOMPARE(pty->read(5), QByteArray("rns\r\n"));
        QCOMPARE(s.link->answerWaitMs(), 10000);
        const int sendsBefore = s.link->headSends();

        SignalRecorder rec(s.link.get());
        QSignalSpy errors(&s.port(), &QSerialPort::errorOccurred);
        pty->closeMaster();
        QVERIFY(spinUntil([&] { return !s.link->isOpen(); }));
        spinUntil([] { return false; }, 200); // give a flood time to show

        QCOMPARE(errors.count(), 1);
        QCOMPARE(rec.lines(), QStringList({"closing()", "closedAfterError()"}));
        QCOMPARE(s.link->queued(), QList<QByteArray>({"rns\r\n", "rn\r\n"})); // not touched
        QCOMPARE(s.link->answerWaitMs(), 1000);

        // The next tick, however late, looks for the device instead of pacing.
        if (realDeviceAttached())
            QSKIP("a real device is attached: discovery would open it");
        rec.clear();
        DebugLog log;
        s.link->tick();
        QCOMPARE(log.withLabel("!OPEN").size(), 1);
        QVERIFY(log.withLabel("send").isEmpty());
        QCOMPARE(s.link->headSends(), sendsBefore);
        QCOMPARE(s.link->queued().size(), 2);
        QVERIFY(rec.all().isEmpty());
    }

    // Core reports a lost port as closed, with no device type.
    void coreReportsALostPort()
    {
        CoreRig rig;
        QVERIFY(rig.openIdle());
        rig.losePort();
        QVERIFY(rig.waitFor([&] { return !rig.link.isOpen(); }));
        QCOMPARE(rig.rec.lines(), QStringList({"sgPortOpen(false,)", "sgReadText(close_port,)",
                                               "sgReadValue(type_dev,0)"}));
    }

    void errorWhileClosedChangesNothing()
    {
        SerialLink s;
        SignalRecorder rec(s.link.get());
        s.link->closeAfterError();
        QVERIFY(rec.all().isEmpty());
        QVERIFY(!s.link->isOpen());
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
        QTest::newRow("dropping the queue and unread input") << Operation::Drain;
    }
    void operationsRaiseNoErrorOnOpenPort()
    {
        QFETCH(Operation, operation);

        Pty pty;
        SerialLink s;
        QVERIFY(s.link->openPort(pty.slavePath()));
        s.link->send("olkdev\r\n");
        {
            // Input left unread for the discarding paths: the link hears
            // nothing of it arriving.
            const QSignalBlocker unheard(s.transport);
            pty.write("olkdev\r1\nEND\n");
            QVERIFY(spinUntil([&] { return s.port().bytesAvailable() > 0; }));
        }

        SignalRecorder rec(s.link.get());
        QSignalSpy errors(&s.port(), &QSerialPort::errorOccurred);
        int written = 0;
        switch (operation) {
        case Operation::TimerTick:
            s.link->tick();
            written = 8;
            break;
        case Operation::PacingStep:
            s.link->pacingStep();
            written = 8;
            break;
        case Operation::LongCommand:
            s.link->clearQueue();
            s.link->send(QByteArray(1100, 'x'));
            s.link->pacingStep();
            written = 1100;
            break;
        case Operation::DirectWrite:
            s.link->sendRaw("mv 10\r\n");
            written = 7;
            break;
        case Operation::Drain:
            s.link->drain();
            break;
        }
        QByteArray wire = written ? pty.read(written) : QByteArray();
        wire += pty.drainFor(30); // anything beyond what was expected

        QCOMPARE(wire.size(), written);
        QCOMPARE(errors.count(), 0);
        QVERIFY(s.link->isOpen());
        QCOMPARE(rec.count("closedAfterError"), 0);
    }

    void timerTickWhileOpenReappliesBaudAndPaces()
    {
        Pty pty;
        SerialLink s;
        QVERIFY(s.link->openPort(pty.slavePath()));
        s.link->send("olkdev\r\n");
        QVERIFY(s.port().setBaudRate(19200));

        DebugLog log;
        s.link->tick();
        QCOMPARE(s.port().baudRate(QSerialPort::Input), 9600);
        QCOMPARE(s.port().baudRate(QSerialPort::Output), 9600);
        QCOMPARE(pty.read(8), QByteArray("olkdev\r\n"));
        QCOMPARE(s.link->answerWaitMs(), 2000);
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
        SerialLink s;
        if (open)
            QVERIFY(s.link->openPort(pty.slavePath()));
        QPointer<QSerialPort> port = &s.port();

        SignalRecorder rec(s.link.get());
        DebugLog log;
        s.link.reset();
        QVERIFY(port.isNull());
        QCOMPARE(log.withLabel("CLOSEPORT").size(), open ? 1 : 0);
        QVERIFY(rec.all().isEmpty());
    }
};

VORTAXA_TEST_MAIN(TestPort)
#include "tst_port.moc"
