// The port chooser over a real pseudo-terminal: the --port argument, the
// reason a failed open gives (gone, busy, no permission), the chosen port
// opened at once and remembered, and the named port opened again while it is
// closed.
#include "link/serial_transport.h"
#include "ports/open_failure.h"
#include "ports/port_chooser.h"
#include "support/core_access.h"
#include "support/pty.h"
#include "support/signal_recorder.h"
#include "support/test_main.h"

#include <QSerialPort>
#include <QSettings>

namespace {

const char *const keyPortPath = "PortPath";

int closeReports(const SignalRecorder &recorder, const QString &name)
{
    int n = 0;
    for (const QVariantList &args : recorder.of("sgReadText"))
        n += args.value(0) == "close_port" && args.value(1) == name ? 1 : 0;
    return n;
}

} // namespace

class TestPortChooser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }

    void init()
    {
        Core core;
        CoreAccess{core}.settings().remove(keyPortPath);
    }

    void portArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("port");
        QTest::newRow("separate value")
            << QStringList{"vortaxa", "--port", "/tmp/dev"} << "/tmp/dev";
        QTest::newRow("joined value")
            << QStringList{"vortaxa", "--port=/dev/pts/4"} << "/dev/pts/4";
        QTest::newRow("relative path made absolute")
            << QStringList{"vortaxa", "--port", "links/../port"} << "/start/port";
        QTest::newRow("plain name kept") << QStringList{"vortaxa", "--port=ttyACM0"} << "ttyACM0";
        QTest::newRow("none") << QStringList{"vortaxa", "--verbose"} << "";
        QTest::newRow("option without value") << QStringList{"vortaxa", "--port"} << "";
    }

    void portArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, port);
        QCOMPARE(PortChooser::portArgument(arguments, "/start"), port);
    }

    void failureReason_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("word");
        QTest::newRow("opened") << QSerialPort::NoError << true << "";
        QTest::newRow("no such port") << QSerialPort::DeviceNotFoundError << true << "gone";
        QTest::newRow("refused, file not ours")
            << QSerialPort::PermissionError << false << "permission";
        QTest::newRow("refused, file ours: held") << QSerialPort::PermissionError << true << "busy";
        QTest::newRow("already open") << QSerialPort::OpenError << true << "busy";
        QTest::newRow("anything else") << QSerialPort::ResourceError << true << "other";
    }

    void failureReason()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(bool, accessible);
        QFETCH(QString, word);
        QCOMPARE(openFailure::word(SerialTransport::kindOf(error, accessible)), word);
    }

    // A real failed open names its reason and the system's words; the next
    // successful open clears them.
    void failedOpenNamesTheReason_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("word");
        QTest::newRow("port that does not exist") << false << "gone";
        QTest::newRow("port another program holds") << true << "busy";
    }

    void failedOpenNamesTheReason()
    {
        QFETCH(bool, held);
        QFETCH(QString, word);
        Pty pty;
        QSerialPort other(pty.slavePath());
        if (held)
            QVERIFY(other.open(QIODevice::ReadWrite));
        Core core;
        CoreAccess{core}.holdTimer();
        PortChooser ports(core.deviceLink(), core.settingsStore(), QString());
        const QString path = held ? pty.slavePath() : pty.slavePath() + "-missing";

        QVERIFY(!core.openPort(path));
        QCOMPARE(ports.failure(), word);
        QVERIFY(!ports.failureText().isEmpty());

        other.close();
        QVERIFY(core.openPort(pty.slavePath()));
        QCOMPARE(ports.failure(), QString());
        QCOMPARE(ports.failureText(), QString());
    }

    // A port chosen at run time is opened at once and remembered for the next
    // run; a port given on the command line wins for its run without being
    // remembered; choosing none forgets it.
    void choiceOpenedAndRemembered()
    {
        Pty pty;
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        PortChooser ports(core.deviceLink(), core.settingsStore(), QString());
        QCOMPARE(ports.port(), QString());

        ports.choose(pty.slavePath());
        QVERIFY(a.port()->isOpen());
        QCOMPARE(a.settings().value(keyPortPath).toString(), pty.slavePath());

        PortChooser nextRun(core.deviceLink(), core.settingsStore(), QString());
        QCOMPARE(nextRun.port(), pty.slavePath());
        PortChooser givenRun(core.deviceLink(), core.settingsStore(), "/dev/ttyUSB7");
        QCOMPARE(givenRun.port(), QString("/dev/ttyUSB7"));
        QCOMPARE(a.settings().value(keyPortPath).toString(), pty.slavePath());

        ports.choose(QString());
        QVERIFY(!a.settings().contains(keyPortPath));
        QCOMPARE(PortChooser(core.deviceLink(), core.settingsStore(), QString()).port(), QString());
    }

    // The named port opens once the event loop runs, is left alone while
    // open, and is tried again after the device went away.
    void namedPortOpenedWhileClosed()
    {
        Pty pty;
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        SignalRecorder recorder(&core);
        PortChooser ports(core.deviceLink(), core.settingsStore(), pty.slavePath());
        QVERIFY(!a.port()->isOpen());
        QTRY_VERIFY(a.port()->isOpen());

        recorder.clear();
        ports.openNamedPort();
        QCOMPARE(recorder.all().size(), 0);

        pty.closeMaster();
        QTRY_VERIFY(!a.port()->isOpen());
        ports.openNamedPort();
        QCOMPARE(closeReports(recorder, pty.slavePath()), 1);
        QCOMPARE(ports.failure(), QString("gone"));
    }
};

VORTAXA_TEST_MAIN(TestPortChooser)
#include "tst_port_chooser.moc"
