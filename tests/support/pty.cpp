// openpty-based stand-in for the device's serial line.
#include "support/pty.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

Pty::Pty()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = -1;
        return;
    }
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    ::close(slave); // the program opens the slave by its path
    path = QString::fromLocal8Bit(name);
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
