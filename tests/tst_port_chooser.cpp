// The port chooser over a real pseudo-terminal: the --port argument, the
// reason a failed open gives (gone, busy, no permission) and its words for
// every front end, the chosen port opened at once and remembered, and the
// named port opened again while it is closed.
#include "core/core.h"
#include "link/serial_transport.h"
#include "ports/open_failure.h"
#include "ports/port_chooser.h"
#include "support/link_rig.h"
#include "support/pty.h"
#include "support/signal_recorder.h"
#include "support/test_main.h"

#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>

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
        core.settingsStore().remove(keyPortPath);
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

    // One wording for every front end: what is wrong, as a chip, what to do
    // in the panel and on the command line, with the system's words.
    void failureWords_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("panel");   // the advice starts so
        QTest::addColumn<QString>("command"); // the command line's message
        using K = OpenFailure::Kind;
        const QString p = "/dev/ttyACM0";
        QTest::newRow("in use, holder known")
            << int(K::InUse) << "vortaxa, pid 1234"
            << "The port " + p + " is in use by another program (vortaxa, pid 1234)."
            << p + " is in use"
            << "Another program has the device's port open."
            << "The port " + p +
                   " is in use by another program (vortaxa, pid 1234). Close that "
                   "program and try again. The system says: words.";
        QTest::newRow("in use, holder unknown")
            << int(K::InUse) << ""
            << "The port " + p + " is in use by another program." << p + " is in use"
            << "Another program"
            << "The port " + p +
                   " is in use by another program. Close that program and try "
                   "again. The system says: words.";
        QTest::newRow("gone") << int(K::NotFound) << ""
                              << "The port " + p + " does not exist." << p + " not found"
                              << "Connect the device, or choose another port in Settings."
                              << "The port " + p +
                                     " does not exist. \u201cvortaxa-cli "
                                     "ports\u201d lists the ports. The system "
                                     "says: words.";
        QTest::newRow("no permission") << int(K::Permission) << ""
                                       << "You may not open the port " + p + "."
                                       << "No access to " + p << "Your user has no permission"
                                       << "You may not open the port " + p +
                                              ". Install the package's device rule, or add "
                                              "yourself to the group that owns the port. "
                                              "The system says: words.";
        QTest::newRow("other") << int(K::Other) << ""
                               << "The port " + p + " cannot be opened."
                               << "Cannot open " + p << "The panel tries again by itself."
                               << "The port " + p + " cannot be opened. The system says: words.";
    }
    void failureWords()
    {
        QFETCH(int, kind);
        QFETCH(QString, holder);
        QFETCH(QString, title);
        QFETCH(QString, chip);
        QFETCH(QString, panel);
        QFETCH(QString, command);
        const OpenFailure failure{OpenFailure::Kind(kind), "/dev/ttyACM0", holder, "words"};
        QCOMPARE(openFailure::title(failure), title);
        QCOMPARE(openFailure::shortText(failure), chip);
        const QString advice = openFailure::advice(failure, openFailure::Front::Panel);
        QVERIFY2(advice.startsWith(panel), qPrintable(advice));
        QVERIFY2(advice.endsWith("\n\nThe system says: words."), qPrintable(advice));
        QCOMPARE(openFailure::message(failure), command);
        QCOMPARE(openFailure::title(OpenFailure()), QString());
    }

    // The chooser publishes the words of the open the link was refused,
    // and forgets them once a port opens.
    void chooserPublishesTheWords()
    {
        LinkRig r;
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "test", "chooser");
        PortChooser ports(r.link, settings, QString());
        QSignalSpy changed(&ports, &PortChooser::failureChanged);
        r.device.refuseOpen({OpenFailure::Kind::InUse, QString(), "vortaxa, pid 1234", "busy"});
        QVERIFY(!r.link.openPort("/dev/ttyACM0"));
        QCOMPARE(ports.failure(), QString("busy"));
        QCOMPARE(
            ports.failureTitle(),
            QString("The port /dev/ttyACM0 is in use by another program (vortaxa, pid 1234)."));
        QCOMPARE(ports.failureShort(), QString("/dev/ttyACM0 is in use"));
        QVERIFY(ports.failureAdvice().startsWith("Another program"));
        QCOMPARE(ports.failureText(), QString("busy"));
        QCOMPARE(changed.count(), 1);

        r.device.refuseOpen(OpenFailure());
        QVERIFY(r.link.openPort("/dev/ttyACM0"));
        QCOMPARE(ports.failure(), QString());
        QCOMPARE(ports.failureTitle(), QString());
        QCOMPARE(changed.count(), 2);
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
        PortChooser ports(core.deviceLink(), core.settingsStore(), QString());
        QCOMPARE(ports.port(), QString());

        ports.choose(pty.slavePath());
        QVERIFY(core.deviceLink().isOpen());
        QCOMPARE(core.settingsStore().value(keyPortPath).toString(), pty.slavePath());

        PortChooser nextRun(core.deviceLink(), core.settingsStore(), QString());
        QCOMPARE(nextRun.port(), pty.slavePath());
        PortChooser givenRun(core.deviceLink(), core.settingsStore(), "/dev/ttyUSB7");
        QCOMPARE(givenRun.port(), QString("/dev/ttyUSB7"));
        QCOMPARE(core.settingsStore().value(keyPortPath).toString(), pty.slavePath());

        ports.choose(QString());
        QVERIFY(!core.settingsStore().contains(keyPortPath));
        QCOMPARE(PortChooser(core.deviceLink(), core.settingsStore(), QString()).port(), QString());
    }

    // The named port opens once the event loop runs, is left alone while
    // open, and is tried again after the device went away.
    void namedPortOpenedWhileClosed()
    {
        Pty pty;
        Core core;
        SignalRecorder recorder(&core);
        PortChooser ports(core.deviceLink(), core.settingsStore(), pty.slavePath());
        QVERIFY(!core.deviceLink().isOpen());
        QTRY_VERIFY(core.deviceLink().isOpen());

        recorder.clear();
        ports.openNamedPort();
        QCOMPARE(recorder.all().size(), 0);

        pty.closeMaster();
        QTRY_VERIFY(!core.deviceLink().isOpen());
        ports.openNamedPort();
        QCOMPARE(closeReports(recorder, pty.slavePath()), 1);
        QCOMPARE(ports.failure(), QString("gone"));
    }
};

VORTAXA_TEST_MAIN(TestPortChooser)
#include "tst_port_chooser.moc"
