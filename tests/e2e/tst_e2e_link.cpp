// The link against the virtual device's executable: the in-process device
// gives the same answers as the executable on its pty, and one device named
// two ways (a symlink and its target) is held by one program at a time, the
// other being told who holds it before it sends anything.
#include "device/tests/device_session.h"
#include "link/link.h"
#include "link/serial_transport.h"
#include "ports/open_failure.h"
#include "support/in_process_device.h"
#include "support/pty.h"
#include "support/test_main.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// What the in-process device answers `request`, once the answer has come.
QByteArray inProcessAnswer(InProcessDevice &device, const QByteArray &request, int settleMs)
{
    device.readAll();
    device.write(request);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < settleMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        answer += device.readAll();
    }
    return answer;
}

// The virtual device in its own process, its pty also reachable through a
// symlink; the program side is left to whoever opens the port.
struct DeviceProcess {
    QTemporaryDir dir;
    QProcess process;
    QString slave;

    bool start()
    {
        process.setProgram(DeviceSession::executable());
        process.setArguments({"--link", link(), "--quiet"});
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine() && clock.elapsed() < 5000)
            process.waitForReadyRead(100);
        slave = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !slave.isEmpty() && QFileInfo(link()).isSymLink();
    }
    QString link() const { return dir.filePath("device-link"); }
    ~DeviceProcess()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

struct CliRun {
    int code = -1;
    QString err;
};

CliRun runCli(const QString &port)
{
    QProcess cli;
    cli.start(VORTAXA_CLI_PATH, {"--port", port, "--timeout", "3", "info"});
    CliRun run;
    if (!cli.waitForFinished(15000))
        return run;
    run.code = cli.exitCode();
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

} // namespace

class TestE2eLink : public QObject {
    Q_OBJECT

private slots:
    // The same request, the same bytes back, from the executable on its pty
    // and from its model and responder in-process.
    void inProcessAnswersAsThePty_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("identification") << QByteArray("olkdev\r\n");
        QTest::newRow("firmware") << QByteArray("olkver\r\n");
        QTest::newRow("place") << QByteArray("gb\r\n");
        QTest::newRow("status") << QByteArray("gs\r\n");
        QTest::newRow("mode") << QByteArray("gm\r\n");
        QTest::newRow("impulse name") << QByteArray("rn\r\n");
        QTest::newRow("jump") << QByteArray("pc 17\r\n");
        QTest::newRow("unknown request") << QByteArray("xyz\r\n");
        QTest::newRow("status write") << QByteArray("gs 1\r" + QByteArray(86, '1') + "\r");
    }
    void inProcessAnswersAsThePty()
    {
        QFETCH(QByteArray, request);
        DeviceSession pty;
        QVERIFY(pty.start({}));
        InProcessDevice device;
        QVERIFY(device.open("in-process"));

        const QByteArray expected = inProcessAnswer(device, request, 50);
        QVERIFY(!expected.isEmpty());
        pty.send(request);
        QCOMPARE(pty.read(expected.size()), expected);
        QCOMPARE(pty.readFor(50), QByteArray()); // and nothing more
        // Both models moved alike: the place they report next agrees too.
        QCOMPARE(pty.ask("gb\r\n", 8), inProcessAnswer(device, "gb\r\n", 50));
    }

    // Two programs name one device differently: the first holds it, the
    // second is refused before it sends anything and told who holds it. The
    // second here is the command line in its own process.
    void oneProgramPerDevice_data()
    {
        QTest::addColumn<bool>("holderUsesLink");
        QTest::newRow("held by its real path, asked for by the symlink") << false;
        QTest::newRow("held by the symlink, asked for by its real path") << true;
    }
    void oneProgramPerDevice()
    {
        QFETCH(bool, holderUsesLink);
        DeviceProcess device;
        QVERIFY(device.start());
        const QString held = holderUsesLink ? device.link() : device.slave;
        const QString asked = holderUsesLink ? device.slave : device.link();

        auto link = std::make_unique<Link>(new SerialTransport);
        QVERIFY(link->openPort(held));
        const CliRun refused = runCli(asked);
        const QString holder =
            QStringLiteral("(%1, pid %2)")
                .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                .arg(QCoreApplication::applicationPid());
        QCOMPARE(refused.code, 1);
        QVERIFY2(
            refused.err.contains("The port " + asked + " is in use by another program " + holder),
            qPrintable(refused.err));

        // Once the first lets go, the second gets it.
        link.reset();
        const CliRun served = runCli(asked);
        QVERIFY2(served.code == 0, qPrintable(served.err));
    }

    // A holder that only locks the descriptor (no lock file of its own) is
    // seen too, root included; the message then names no holder.
    void descriptorLockHoldsForEveryone()
    {
        Pty pty;
        QVERIFY(pty.isValid());
        QTemporaryDir dir;
        const QString alias = dir.filePath("alias");
        QVERIFY(QFile::link(pty.slavePath(), alias));
        const int fd = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);

        Link link(new SerialTransport);
        QSignalSpy opened(&link, &Link::opened);
        QVERIFY(!link.openPort(alias));
        QVERIFY(!link.isOpen());
        QCOMPARE(opened.count(), 0);
        const OpenFailure failure = link.openFailure();
        QCOMPARE(failure.kind, OpenFailure::Kind::InUse);
        QCOMPARE(openFailure::title(failure),
                 "The port " + alias + " is in use by another program.");

        ::close(fd);
        QVERIFY(link.openPort(alias));
    }
};

VORTAXA_TEST_MAIN(TestE2eLink)
#include "tst_e2e_link.moc"
