// One program per device: the real device behind a port's name, the lock on
// its descriptor, and the holder named from the port's lock file.
#include "link/port_lock.h"
#include "support/test_main.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

class TestPortLock : public QObject {
    Q_OBJECT

private slots:
    void resolve_data()
    {
        QTest::addColumn<QString>("name"); // "LINK": a symlink to the temporary file
        QTest::addColumn<QString>("device");
        QTest::newRow("plain name under /dev") << "null"
                                               << "/dev/null";
        QTest::newRow("full path") << "/dev/null"
                                   << "/dev/null";
        QTest::newRow("missing path stays as given") << "/dev/vortaxa-none"
                                                     << "/dev/vortaxa-none";
        QTest::newRow("missing plain name under /dev") << "ttyVortaxaNone"
                                                       << "/dev/ttyVortaxaNone";
        QTest::newRow("symlink resolved") << "LINK"
                                          << "TARGET";
    }
    void resolve()
    {
        QFETCH(QString, name);
        QFETCH(QString, device);
        QTemporaryDir dir;
        const QString target = QFileInfo(dir.path()).canonicalFilePath() + "/target";
        QVERIFY(QFile(target).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(target, dir.filePath("link")));
        if (name == "LINK")
            name = dir.filePath("link");
        if (device == "TARGET")
            device = target;
        QCOMPARE(PortLock::resolve(name), device);
    }

    // Two opens of one device: the first lock holds, the second is refused
    // until the first descriptor is closed.
    void oneLockPerDevice()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("device"));
        QVERIFY(QFile(dir.filePath("device")).open(QIODevice::WriteOnly));
        const int first = ::open(path.constData(), O_RDWR);
        const int second = ::open(path.constData(), O_RDWR);
        QVERIFY(first >= 0 && second >= 0);
        PortLock a;
        PortLock b;
        QVERIFY(a.acquire(first));
        QVERIFY(!b.acquire(second));
        ::close(first);
        QVERIFY(b.acquire(second));
        ::close(second);
    }

    // The holder is read from the lock file QSerialPort keeps for the device
    // (pid, then program name); without one, nobody is named.
    void holderFromTheLockFile()
    {
        const QString name =
            QStringLiteral("ttyVortaxaTest%1").arg(QCoreApplication::applicationPid());
        QCOMPARE(PortLock::holder("/dev/" + name), QString());
        QLockFile lock("/tmp/LCK.." + name);
        QVERIFY(lock.tryLock());
        QCOMPARE(PortLock::holder("/dev/" + name),
                 QStringLiteral("%1, pid %2")
                     .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                     .arg(QCoreApplication::applicationPid()));
        lock.unlock();
        QCOMPARE(PortLock::holder("/dev/" + name), QString());
    }
};

VORTAXA_TEST_MAIN(TestPortLock)
#include "tst_port_lock.moc"
