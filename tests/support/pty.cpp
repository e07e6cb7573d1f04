// openpty-based stand-in for the device's serial line.
#include "support/pty.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

// The serial port locks the device it opens with a lock file named after it.
// A pty number whose lock is still held by a port in another test process
// (whose master was closed first) cannot be opened: such a number is skipped.
bool portLockIsFree(const char *slaveName)
{
    QString name = QString::fromLocal8Bit(slaveName);
    name.remove(QStringLiteral("/dev/"));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QLockFile probe(QStringLiteral("/var/lock/LCK..") + name);
    if (!probe.tryLock(0))
        return probe.error() == QLockFile::PermissionError; // no lock folder to share
    probe.unlock();
    return true;
}

} // namespace

Pty::Pty()
{
    QList<int> skipped; // held open until a free number is found, then closed
    for (int attempt = 0; attempt < 32; ++attempt) {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            master = -1;
            break;
        }
        ::close(slave); // the program opens the slave by its path
        if (portLockIsFree(name)) {
            path = QString::fromLocal8Bit(name);
            break;
        }
        skipped.append(master);
        master = -1;
    }
    for (int fd : skipped)
        ::close(fd);
    if (master < 0)
        return;
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty()
{
    closeMaster();
}

void Pty::closeMaster()
{
    if (master >= 0) {
        ::close(master);
        master = -1;
    }
}

void Pty::write(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0 && master >= 0) {
        const ssize_t n = ::write(master, data, static_cast<size_t>(left));
        if (n > 0) {
            data += n;
            left -= n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        } else {
            // The pty buffer is full: let the program read.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pump();
        }
    }
}

void Pty::pump()
{
    if (master < 0)
        return;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, static_cast<int>(n));
    }
}

QByteArray Pty::read(int count, int timeoutMs)
{
    spinUntil(
        [&] {
            pump();
            return received.size() >= count;
        },
        timeoutMs);
    return std::exchange(received, QByteArray());
}

QByteArray Pty::readUntil(const QByteArray &suffix, int timeoutMs)
{
    spinUntil(
        [&] {
            pump();
            return received.endsWith(suffix);
        },
        timeoutMs);
    return std::exchange(received, QByteArray());
}

QByteArray Pty::drainFor(int ms)
{
    spinUntil(
        [&] {
            pump();
            return false;
        },
        ms);
    return std::exchange(received, QByteArray());
}

bool spinUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (condition())
            return true;
        if (clock.elapsed() >= timeoutMs)
            return false;
        QThread::usleep(200);
    }
}
